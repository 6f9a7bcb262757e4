#include "spectrum/zelspec.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MatrixMultiply, RowMajorProduct)
{
    const double a[] = {1, 2, 3, 4, 5, 6};        // 2 x 3
    const double b[] = {7, 8, 9, 10, 11, 12};     // 3 x 2
    double p[4] = {};
    ASSERT_EQ(zelspec_num_matrix_multiply(a, b, p, 2, 3, 2), ZELSPEC_PASS);
    EXPECT_EQ(p[0], 58);
    EXPECT_EQ(p[1], 64);
    EXPECT_EQ(p[2], 139);
    EXPECT_EQ(p[3], 154);
}

TEST(MatrixMultiply, SumsInAscendingOrderFromZero)
{
    // (0 + 1e16) + 1 rounds back to 1e16, so only the ascending order gives exactly 0.
    const double a[] = {1e16, 1.0, -1e16};
    const double b[] = {1, 1, 1};
    double p = -1;
    ASSERT_EQ(zelspec_num_matrix_multiply(a, b, &p, 1, 3, 1), ZELSPEC_PASS);
    EXPECT_EQ(p, 0.0);
}

TEST(MatrixMultiply, EmptyInnerDimensionGivesZeros)
{
    const double a[1] = {};
    double p[2] = {5, 5};
    ASSERT_EQ(zelspec_num_matrix_multiply(a, a, p, 1, 0, 2), ZELSPEC_PASS);
    EXPECT_EQ(p[0], 0.0);
    EXPECT_EQ(p[1], 0.0);
}

TEST(MatrixRoutines, RejectNullsAndNegativeDimensions)
{
    double m[4] = {};
    EXPECT_EQ(zelspec_num_matrix_multiply(m, nullptr, m, 1, 1, 1), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_num_matrix_multiply(m, m, m, -1, 1, 1), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_matrix_transpose(nullptr, m, 1, 1), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_num_matrix_transpose(m, m, 2, -2), ZELSPEC_ERROR_INVALID_INPUT);
}

TEST(MatrixTranspose, SwapsRowsAndColumns)
{
    const double src[] = {1, 2, 3, 4, 5, 6};  // 2 x 3
    double dst[6] = {};
    ASSERT_EQ(zelspec_num_matrix_transpose(src, dst, 2, 3), ZELSPEC_PASS);
    const double expected[] = {1, 4, 2, 5, 3, 6};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(dst[i], expected[i]);
}

TEST(FitQuadratic, ThreeSamplesAreReproducedExactly)
{
    // y = 1 + 2x + 3x^2; with these abscissae every step of the normal equations is exact.
    const double x[] = {0, 1, 2};
    const double y[] = {1, 6, 17};
    double c[3] = {};
    double r2 = -1;
    ASSERT_EQ(zelspec_num_fit_quadratic(3, x, y, c, &r2), ZELSPEC_PASS);
    EXPECT_EQ(c[0], 1.0);
    EXPECT_EQ(c[1], 2.0);
    EXPECT_EQ(c[2], 3.0);
    EXPECT_EQ(r2, 1.0);
}

TEST(FitQuadratic, NoisySamplesGiveDeterminationBelowOne)
{
    const double x[] = {0, 1, 2, 3, 4};
    const double y[] = {0, 1.1, 3.9, 9.2, 15.8};
    double c[3] = {};
    double r2 = -1;
    ASSERT_EQ(zelspec_num_fit_quadratic(5, x, y, c, &r2), ZELSPEC_PASS);
    EXPECT_NEAR(c[2], 1.0, 0.05);
    EXPECT_GT(r2, 0.99);
    EXPECT_LT(r2, 1.0);
}

TEST(FitQuadratic, TwoDistinctAbscissaeAreSingular)
{
    const double x[] = {1, 1, 2};
    const double y[] = {1, 2, 3};
    double c[3] = {9, 9, 9};
    double r2 = -1;
    EXPECT_EQ(zelspec_num_fit_quadratic(3, x, y, c, &r2), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(c[0], 9.0);
    EXPECT_EQ(r2, -1.0);
}

TEST(FitQuadratic, ConstantSamplesFailAfterWritingTheCoefficients)
{
    const double x[] = {0, 1, 2};
    const double y[] = {5, 5, 5};
    double c[3] = {9, 9, 9};
    double r2 = -1;
    EXPECT_EQ(zelspec_num_fit_quadratic(3, x, y, c, &r2), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(c[0], 5.0);
    EXPECT_EQ(c[1], 0.0);
    EXPECT_EQ(c[2], 0.0);
    EXPECT_EQ(r2, -1.0);
}

TEST(FitQuadratic, RejectsEmptyInput)
{
    const double v[] = {0};
    double c[3];
    double r2;
    EXPECT_EQ(zelspec_num_fit_quadratic(0, v, v, c, &r2), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_fit_quadratic(1, v, nullptr, c, &r2), ZELSPEC_ERROR_NULL_POINTER);
}

// Three columns over x = 0, 1, 2; column i is c0_i + c1_i x + c2_i x^2 (row-major samples).
std::vector<double> consensus_samples(const double (&c0)[3], const double (&c1)[3],
                                      const double (&c2)[3])
{
    std::vector<double> samples;
    for (double x : {0.0, 1.0, 2.0})
        for (int i = 0; i < 3; ++i)
            samples.push_back(c0[i] + c1[i] * x + c2[i] * x * x);
    return samples;
}

TEST(FitQuadraticConsensus, PicksTheColumnNearTheMeansAndSubtractsItsRowOneSample)
{
    const double x[] = {0, 1, 2};
    // Means 2 and 2, standard deviations sqrt(2/3): only column 1 lies strictly within both.
    const std::vector<double> samples = consensus_samples({7, 10, 3}, {1, 2, 3}, {1, 2, 3});
    double c[3] = {};
    ASSERT_EQ(zelspec_num_fit_quadratic_consensus(samples.data(), x, 3, 3, c), ZELSPEC_PASS);
    EXPECT_EQ(c[0], 10.0 - 14.0);  // sample(row 1, column 1) = 10 + 2 + 2
    EXPECT_EQ(c[1], 2.0);
    EXPECT_EQ(c[2], 2.0);
}

TEST(FitQuadraticConsensus, IdenticalColumnsLeaveTheOutputUntouched)
{
    const double x[] = {0, 1, 2};
    const std::vector<double> samples = consensus_samples({1, 1, 1}, {2, 2, 2}, {3, 3, 3});
    double c[3] = {9, 9, 9};
    EXPECT_EQ(zelspec_num_fit_quadratic_consensus(samples.data(), x, 3, 3, c), ZELSPEC_PASS);
    EXPECT_EQ(c[0], 9.0);
}

TEST(FitQuadraticConsensus, StopsAtTheFirstFailingFit)
{
    const double x[] = {0, 1, 2};
    // Column 1 is constant: its fit fails.
    const std::vector<double> samples = consensus_samples({1, 4, 1}, {2, 0, 2}, {3, 0, 3});
    double c[3] = {9, 9, 9};
    EXPECT_EQ(zelspec_num_fit_quadratic_consensus(samples.data(), x, 3, 3, c),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(c[0], 9.0);
}

TEST(FitQuadraticConsensus, NeedsThreeColumnsAndTwoRows)
{
    const double v[9] = {};
    double c[3];
    EXPECT_EQ(zelspec_num_fit_quadratic_consensus(v, v, 2, 3, c), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_fit_quadratic_consensus(v, v, 3, 1, c), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_fit_quadratic_consensus(v, v, 3, 0, c), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_fit_quadratic_consensus(v, nullptr, 3, 3, c),
              ZELSPEC_ERROR_NULL_POINTER);
}

TEST(MeanStdDev, PopulationForm)
{
    const double v[] = {2, 4, 4, 4, 5, 5, 7, 9};
    double mean = 0;
    double sd = 0;
    ASSERT_EQ(zelspec_num_mean_std_dev(v, 8, &mean, &sd), ZELSPEC_PASS);
    EXPECT_EQ(mean, 5.0);
    EXPECT_EQ(sd, 2.0);
    EXPECT_EQ(zelspec_num_mean_std_dev(v, 0, &mean, &sd), ZELSPEC_ERROR_INVALID_INPUT);
}

}  // namespace
