#include "spectrum/zelspec.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

struct IntCase {
    const char *name;
    std::vector<double> old_grid;
    std::vector<int32_t> old_values;
    std::vector<double> new_grid;
    std::vector<int32_t> expected;
};

class IntResample : public testing::TestWithParam<IntCase> {};

TEST_P(IntResample, ReplacesTheOldCurveByTheResampledOne)
{
    const IntCase &c = GetParam();
    // The old arrays must have room for every new point.
    const std::size_t room = std::max(c.old_grid.size(), c.new_grid.size());
    std::vector<double> grid = c.old_grid;
    std::vector<int32_t> values = c.old_values;
    grid.resize(room, -1.0);
    values.resize(room, -1);
    ASSERT_EQ(zelspec_num_interp_int_to_grid(c.new_grid.data(),
                                             static_cast<int32_t>(c.new_grid.size()), grid.data(),
                                             values.data(),
                                             static_cast<int32_t>(c.old_grid.size())),
              ZELSPEC_PASS);
    for (std::size_t i = 0; i < c.new_grid.size(); ++i) {
        EXPECT_EQ(values[i], c.expected[i]) << "point " << i;
        EXPECT_EQ(grid[i], c.new_grid[i]) << "point " << i;
    }
}

// Values: 20 - trunc(67/100 * 10) = 14, where rounding would give 13.
INSTANTIATE_TEST_SUITE_P(
    Cases, IntResample,
    testing::Values(
        IntCase{"SameGrid", {100, 200, 300}, {10, 20, 40}, {100, 200, 300}, {10, 20, 40}},
        IntCase{"ExactAtSecondPoint", {100, 200, 300}, {10, 20, 40}, {200}, {20}},
        IntCase{"BetweenPointsTruncated", {100, 200, 300}, {10, 20, 40}, {133, 250}, {14, 30}},
        IntCase{"BelowFirstPoint", {100, 200, 300}, {10, 20, 40}, {50, 1}, {5, 1}},
        IntCase{"BelowFirstPointNegativeBecomesZero", {100, 200}, {10, 50}, {60}, {0}},
        IntCase{"BeyondLastPoint", {100, 200, 300}, {10, 20, 40}, {400}, {60}},
        IntCase{"ZeroEndsTheOldGrid", {100, 200, 0, 400}, {10, 20, 99, 99}, {300}, {30}},
        IntCase{"EqualFirstWavelengths", {100, 100, 200}, {7, 9, 11}, {50}, {7}},
        IntCase{"MoreNewPointsThanOld", {100, 200}, {10, 20}, {100, 150, 200, 250},
                {10, 15, 20, 25}},
        IntCase{"NegativeOldValueBecomesZero", {100, 200}, {-5, 20}, {100}, {0}},
        IntCase{"OverflowSaturates", {1, 2}, {0, INT_MAX}, {3}, {INT_MAX}}),
    [](const testing::TestParamInfo<IntCase> &param_info) { return param_info.param.name; });

TEST(IntResampleRejects, ZeroNewWavelengthLeavesBothArraysUntouched)
{
    const double new_grid[] = {150, 0.0};
    double grid[] = {100, 200, 300};
    int32_t values[] = {10, 20, 40};
    EXPECT_EQ(zelspec_num_interp_int_to_grid(new_grid, 2, grid, values, 3),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(grid[0], 100);
    EXPECT_EQ(values[0], 10);
}

TEST(IntResampleRejects, CountsOutsideTheCapacityAndShortGrids)
{
    std::vector<double> new_grid(865, 500.0);
    std::vector<double> grid(865, 500.0);
    std::vector<int32_t> values(865, 1);
    EXPECT_EQ(zelspec_num_interp_int_to_grid(new_grid.data(), 865, grid.data(), values.data(), 2),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_int_to_grid(new_grid.data(), 1, grid.data(), values.data(), 865),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_int_to_grid(new_grid.data(), 0, grid.data(), values.data(), 2),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_int_to_grid(new_grid.data(), 1, grid.data(), values.data(), 1),
              ZELSPEC_ERROR_INVALID_INPUT);
    grid[1] = 0.0;
    EXPECT_EQ(zelspec_num_interp_int_to_grid(new_grid.data(), 1, grid.data(), values.data(), 5),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_int_to_grid(nullptr, 1, grid.data(), values.data(), 5),
              ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_num_interp_int_to_grid(new_grid.data(), 0, grid.data(), nullptr, 5),
              ZELSPEC_ERROR_NULL_POINTER);
}

TEST(DoubleResample, KeepsFractionsThatTheIntegerMemberTruncates)
{
    const double new_grid[] = {133, 50, 400};
    double grid[] = {100, 200, 300};
    double values[] = {10, 20, 40};
    ASSERT_EQ(zelspec_num_interp_to_grid(new_grid, grid, values, 3, 3), ZELSPEC_PASS);
    // The new grid need not ascend; the search position simply stays where it is.
    EXPECT_EQ(values[0], 20.0 - (200.0 - 133.0) / 100.0 * 10.0);
    EXPECT_EQ(values[1], 20.0 - (200.0 - 50.0) / 100.0 * 10.0);
    EXPECT_EQ(values[2], (400.0 - 300.0) * 20.0 / 100.0 + 40.0);
    EXPECT_EQ(grid[0], 133.0);
}

TEST(DoubleResample, ValuesNotAboveZeroBecomeZero)
{
    const double new_grid[] = {60, 100};
    double grid[] = {100, 200};
    double values[] = {-0.5, 50};
    ASSERT_EQ(zelspec_num_interp_to_grid(new_grid, grid, values, 2, 2), ZELSPEC_PASS);
    EXPECT_EQ(values[0], 0.0);
    EXPECT_EQ(values[1], 0.0);
}

TEST(DoubleResample, RejectsBadCounts)
{
    const double new_grid[] = {100};
    double grid[] = {100, 200};
    double values[] = {1, 2};
    EXPECT_EQ(zelspec_num_interp_to_grid(new_grid, grid, values, 0, 2),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_to_grid(new_grid, grid, values, -1, 2),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_to_grid(new_grid, grid, values, 1, -3),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_to_ref_grid(new_grid, grid, values, 0),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_to_ref_grid(new_grid, nullptr, values, 1),
              ZELSPEC_ERROR_NULL_POINTER);
}

TEST(RefGridResample, WalksExactlyFiftyOldPoints)
{
    // Old grid 10, 20, ..., 500 with values twice the wavelength, followed by a point that the
    // 50-point walk must not see.
    std::vector<double> grid(60, 0.0);
    std::vector<double> values(60, 0.0);
    for (int i = 0; i < 50; ++i) {
        grid[i] = 10.0 * (i + 1);
        values[i] = 20.0 * (i + 1);
    }
    grid[50] = 510;
    values[50] = 5000;
    const double new_grid[] = {15, 500, 505};
    ASSERT_EQ(zelspec_num_interp_to_ref_grid(new_grid, grid.data(), values.data(), 3),
              ZELSPEC_PASS);
    EXPECT_EQ(values[0], 40.0 - (20.0 - 15.0) / 10.0 * 20.0);
    EXPECT_EQ(values[1], 1000.0);
    EXPECT_EQ(values[2], (505.0 - 500.0) * 20.0 / 10.0 + 1000.0);
}

struct LinearCase {
    const char *name;
    int32_t x1, x2, y1, y2, x;
    int32_t expected;
};

class LinearInt : public testing::TestWithParam<LinearCase> {};

TEST_P(LinearInt, Interpolates)
{
    const LinearCase &c = GetParam();
    int32_t result = 12345;
    ASSERT_EQ(zelspec_num_interp_linear_int(c.x1, c.x2, c.y1, c.y2, c.x, &result), ZELSPEC_PASS);
    EXPECT_EQ(result, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinearInt,
    testing::Values(
        // 0 - (1 * -7) / 2: the quotient truncates toward zero (-3), giving 3.
        LinearCase{"BelowBothTruncatesTowardZero", 2, 4, 0, -7, 1, 3},
        LinearCase{"AboveBoth", 0, 2, 0, 4, 5, 10},
        // -7 - ((2 - 1) * -7) / 2 = -7 - (-3)
        LinearCase{"Between", 0, 2, 0, -7, 1, -4},
        LinearCase{"AtFirstPoint", 0, 10, 3, 13, 0, 3},
        LinearCase{"ReversedPoints", 10, 0, 100, 0, 5, 50},
        // (x2 - x) * (y2 - y1) is 5e9 here, beyond 32 bits.
        LinearCase{"NoIntermediateOverflow", 0, 100000, 0, 100000, 50000, 50000}),
    [](const testing::TestParamInfo<LinearCase> &param_info) {
        return param_info.param.name;
    });

TEST(LinearIntRejects, EqualAbscissaeAndUnrepresentableResults)
{
    int32_t result = 77;
    EXPECT_EQ(zelspec_num_interp_linear_int(5, 5, 0, 1, 3, &result), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_num_interp_linear_int(0, 1, 0, INT_MAX, 3, &result),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(result, 77);
    EXPECT_EQ(zelspec_num_interp_linear_int(0, 1, 0, 1, 3, nullptr), ZELSPEC_ERROR_NULL_POINTER);
}

}  // namespace
