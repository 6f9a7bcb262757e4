#include "spectrum/zelspec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// Left of the peak the walk stops before sample 0, so the left drop is 10 - 2 = 8, not 10; the
// right drop is 10. Height trunc(18 / 2) = 9 and the half level 10 - 9 / 2 = 6 (integer halving).
const double kPeak[] = {0, 2, 6, 10, 6, 2, 0};

TEST(PeakWidth, HalvesTheHeightInIntegersAndSkipsSampleZero)
{
    int32_t height = -1;
    double width = -1;
    ASSERT_EQ(zelspec_num_peak_width(kPeak, 7, 3, &height, &width), ZELSPEC_PASS);
    EXPECT_EQ(height, 9);
    // Both sides cross the level 6 strictly below it at distance 2, interpolated back by 1.
    EXPECT_EQ(width, 2.0);
}

TEST(PeakWidth, WithoutCrossingTheWidthRunsToTheEnds)
{
    const double flat[] = {5, 5, 5, 5};
    int32_t height = -1;
    double width = -1;
    ASSERT_EQ(zelspec_num_peak_width(flat, 4, 1, &height, &width), ZELSPEC_PASS);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(width, 1.0 + 2.0);
}

TEST(PeakWidth, RejectsBadIndicesAndHugeHeights)
{
    int32_t height = -1;
    double width = -1;
    EXPECT_EQ(zelspec_num_peak_width(kPeak, 7, 7, &height, &width), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_peak_width(kPeak, 7, -1, &height, &width), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_peak_width(kPeak, 0, 0, &height, &width), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_peak_width(kPeak, 7, 3, nullptr, &width), ZELSPEC_ERROR_NULL_POINTER);
    const double tall[] = {0, 1, 1e12, 1, 0};
    EXPECT_EQ(zelspec_num_peak_width(tall, 5, 2, &height, &width), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(height, -1);
}

TEST(PeakEdges, EachSideUsesItsOwnHalfDrop)
{
    double left = -1;
    double right = -1;
    ASSERT_EQ(zelspec_num_peak_edges(kPeak, 7, 3, &left, &right), ZELSPEC_PASS);
    // Left level 10 - 8/2 = 6: crossed between samples 1 and 2 at 1 + (6-2)/(6-2).
    EXPECT_EQ(left, 2.0);
    // Right level 10 - 10/2 = 5: crossed between samples 4 and 5 at 5 - (5-2)/(6-2).
    EXPECT_EQ(right, 4.25);
}

TEST(PeakEdges, WithoutCrossingTheEdgesArePeakAndLastSample)
{
    const double flat[] = {5, 5, 5, 5};
    double left = -1;
    double right = -1;
    ASSERT_EQ(zelspec_num_peak_edges(flat, 4, 1, &left, &right), ZELSPEC_PASS);
    EXPECT_EQ(left, 1.0);
    EXPECT_EQ(right, 3.0);
}

// Turning points at 1..9 with values 5 0 8 0 3 0 9 0 1; the last one is not used.
const double kPeaks[] = {0, 5, 0, 8, 0, 3, 0, 9, 0, 1, 0};

TEST(FindPeaks, KeepsPeaksAboveTheSelectivityThreshold)
{
    std::vector<int32_t> peaks(11, -1);
    // Range 9, threshold 4.5: the 3 at index 5 does not stand out.
    ASSERT_EQ(zelspec_num_find_peaks(kPeaks, 11, 2.0, peaks.data()), 3);
    EXPECT_EQ(peaks[0], 1);
    EXPECT_EQ(peaks[1], 3);
    EXPECT_EQ(peaks[2], 7);
    EXPECT_EQ(peaks[3], -1);
}

TEST(FindPeaks, ZeroSelectivityUsesTheWholeRange)
{
    std::vector<int32_t> peaks(11, -1);
    EXPECT_EQ(zelspec_num_find_peaks(kPeaks, 11, 0.0, peaks.data()), 0);
    EXPECT_EQ(peaks[0], -1);
}

TEST(FindPeaks, TooFewTurningPointsAndBadArguments)
{
    const double few[] = {0, 1, 0, 1, 0};
    int32_t peaks[5];
    EXPECT_EQ(zelspec_num_find_peaks(few, 5, 1.0, peaks), ZELSPEC_ERROR_GENERAL);
    EXPECT_EQ(zelspec_num_find_peaks(few, 1, 1.0, peaks), ZELSPEC_ERROR_GENERAL);
    EXPECT_EQ(zelspec_num_find_peaks(few, 0, 1.0, peaks), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_find_peaks(few, 5, -1.0, peaks), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_find_peaks(few, 5, 1.0, nullptr), ZELSPEC_ERROR_NULL_POINTER);
}

TEST(PeakOffset3pt, VertexRelativeToTheMiddleSample)
{
    double offset = -1;
    EXPECT_EQ(zelspec_num_peak_offset_3pt(1, 2, 1, &offset), ZELSPEC_PASS);
    EXPECT_EQ(offset, 0.0);
    EXPECT_EQ(zelspec_num_peak_offset_3pt(1, 3, 2, &offset), ZELSPEC_PASS);
    EXPECT_EQ(offset, 0.5 * (1.0 - 2.0) / (1.0 - 6.0 + 2.0));
}

TEST(PeakOffset3pt, RejectsTriplesWithoutAMaximumInTheMiddle)
{
    double offset = -1;
    EXPECT_EQ(zelspec_num_peak_offset_3pt(3, 2, 1, &offset), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(offset, 0.0);
    offset = -1;
    EXPECT_EQ(zelspec_num_peak_offset_3pt(2, 2, 2, &offset), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(offset, 0.0);
}

TEST(ParabolaVertex, ThroughThreePoints)
{
    double vx = -1, vy = -1, a = -1;
    ASSERT_EQ(zelspec_num_parabola_vertex(0, 1, 2, 0, 1, 0, &vx, &vy, &a), ZELSPEC_PASS);
    EXPECT_EQ(a, -2.0);
    EXPECT_EQ(vx, 1.0);
    EXPECT_EQ(vy, 1.0);
}

TEST(ParabolaVertex, VertexOutsideTheRangeIsWrittenAndRejected)
{
    double vx = 99, vy = 99, a = 99;
    EXPECT_EQ(zelspec_num_parabola_vertex(0, 1, 2, 0, 3, 5, &vx, &vy, &a),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(a, -1.0);
    EXPECT_EQ(vx, 3.5);
    EXPECT_EQ(vy, 3.0 + 0.5 * 2.5 * 2.5);
}

TEST(ParabolaVertex, StraightLineWritesOnlyTheSecondDerivative)
{
    double vx = -1, vy = -1, a = -1;
    EXPECT_EQ(zelspec_num_parabola_vertex(0, 1, 2, 0, 1, 2, &vx, &vy, &a),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(vx, -1.0);
    EXPECT_EQ(vy, -1.0);
}

TEST(ParabolaVertex, CoincidingAbscissaeWriteNothing)
{
    double vx = -1, vy = -1, a = -1;
    EXPECT_EQ(zelspec_num_parabola_vertex(0, 0, 2, 0, 1, 2, &vx, &vy, &a),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_parabola_vertex(2, 1, 2, 0, 1, 2, &vx, &vy, &a),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(a, -1.0);
}

TEST(QuadraticTable, RoundsHalvesAwayFromZero)
{
    const double up[] = {0, 0.5, 0};
    const double down[] = {0, -0.5, 0};
    int8_t table[6] = {};
    ASSERT_EQ(zelspec_num_quadratic_table(up, 6, table), ZELSPEC_PASS);
    const int8_t expected_up[] = {0, 1, 1, 2, 2, 3};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(table[i], expected_up[i]) << i;
    ASSERT_EQ(zelspec_num_quadratic_table(down, 6, table), ZELSPEC_PASS);
    const int8_t expected_down[] = {0, -1, -1, -2, -2, -3};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(table[i], expected_down[i]) << i;
}

TEST(QuadraticTable, EvaluatesAllThreeTerms)
{
    const double q[] = {-3, 0.25, 0.5};  // 0.5 x^2 + 0.25 x - 3
    int8_t table[4] = {};
    ASSERT_EQ(zelspec_num_quadratic_table(q, 4, table), ZELSPEC_PASS);
    EXPECT_EQ(table[0], -3);
    EXPECT_EQ(table[1], -2);  // -2.25
    EXPECT_EQ(table[2], -1);  // -0.5
    EXPECT_EQ(table[3], 2);   // 2.25
}

TEST(QuadraticTable, RejectsValuesBeyondEightBitsWithoutWriting)
{
    const double q[] = {0, 30, 0};
    int8_t table[6] = {7, 7, 7, 7, 7, 7};
    ASSERT_EQ(zelspec_num_quadratic_table(q, 5, table), ZELSPEC_PASS);  // 120 at x = 4
    EXPECT_EQ(table[4], 120);
    table[0] = 7;
    EXPECT_EQ(zelspec_num_quadratic_table(q, 6, table), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(table[0], 7);
    const double nan_q[] = {std::numeric_limits<double>::quiet_NaN(), 0, 0};
    EXPECT_EQ(zelspec_num_quadratic_table(nan_q, 1, table), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_quadratic_table(q, 0, table), ZELSPEC_ERROR_INVALID_INPUT);
}

}  // namespace
