// Resampling of sampled curves from one wavelength grid onto another.
#include "spectrum/scratch.h"
#include "spectrum/zelspec.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr int32_t kMaxIntGridPoints = 864;
constexpr int32_t kRefGridPoints = 50;

// The integer member truncates each interpolated step toward zero; the double members keep it.
double step(double quotient, bool integer_values)
{
    return integer_values ? std::trunc(quotient) : quotient;
}

// A resampled value as stored back: anything not above 0 (NaN included) becomes 0.
double clamp_double(double value)
{
    return value > 0.0 ? value : 0.0;
}

int32_t clamp_int(double value)
{
    if (!(value > 0.0))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

// One walk over both grids. The search position j only moves forward: both grids ascend, so
// one call is linear in the two lengths. Nothing is written to the caller's arrays unless every
// new point has a value.
template <class Value>
int32_t resample(const double *new_grid, int32_t new_count, double *old_grid, Value *old_values,
                 int32_t old_count)
{
    constexpr bool integer_values = std::numeric_limits<Value>::is_integer;
    // Extrapolation reads two old points; a grid without them has nothing to offer.
    if (old_count < 2 || old_grid[0] == 0.0 || old_grid[1] == 0.0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    auto result = zelspec::make_scratch<double>(static_cast<std::size_t>(new_count));
    if (result == nullptr)
        return ZELSPEC_ERROR_NO_MEMORY;

    const double *w = old_grid;
    auto v = [old_values](int32_t k) { return static_cast<double>(old_values[k]); };
    int32_t j = 0;
    for (int32_t i = 0; i < new_count; ++i) {
        const double x = new_grid[i];
        if (x == 0.0)
            return ZELSPEC_ERROR_INVALID_INPUT;
        bool found = false;
        while (j < old_count && w[j] != 0.0) {
            if (x > w[j]) {
                ++j;
                continue;
            }
            found = true;
            break;
        }
        double value;
        if (found && w[j] == x) {
            value = v(j);
        } else if (found && j == 0) {
            const double span = w[1] - w[0];
            value = span == 0.0 ? v(0) : v(0) - step((w[0] - x) * (v(1) - v(0)) / span,
                                                     integer_values);
        } else if (found) {
            const double span = w[j] - w[j - 1];
            value = span == 0.0 ? v(j) : v(j) - step((w[j] - x) / span * (v(j) - v(j - 1)),
                                                     integer_values);
        } else {
            // Past the last valid old point; j >= 2 since the first two points are valid.
            const double span = w[j - 1] - w[j - 2];
            value = span == 0.0 ? v(j - 1)
                                : step((x - w[j - 1]) * (v(j - 1) - v(j - 2)) / span,
                                       integer_values) +
                                      v(j - 1);
        }
        result[i] = value;
    }

    for (int32_t i = 0; i < new_count; ++i) {
        if constexpr (integer_values)
            old_values[i] = clamp_int(result[i]);
        else
            old_values[i] = clamp_double(result[i]);
        old_grid[i] = new_grid[i];
    }
    return ZELSPEC_PASS;
}

}  // namespace

extern "C" {

int32_t zelspec_num_interp_int_to_grid(const double *new_grid, int32_t new_count,
                                       double *old_grid, int32_t *old_values, int32_t old_count)
{
    if (new_grid == nullptr || old_grid == nullptr || old_values == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (new_count < 1 || new_count > kMaxIntGridPoints || old_count < 1 ||
        old_count > kMaxIntGridPoints)
        return ZELSPEC_ERROR_INVALID_INPUT;
    return resample(new_grid, new_count, old_grid, old_values, old_count);
}

int32_t zelspec_num_interp_to_ref_grid(const double *new_grid, double *old_grid,
                                       double *old_values, int32_t new_count)
{
    if (new_grid == nullptr || old_grid == nullptr || old_values == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (new_count < 1)
        return ZELSPEC_ERROR_INVALID_INPUT;
    return resample(new_grid, new_count, old_grid, old_values, kRefGridPoints);
}

int32_t zelspec_num_interp_to_grid(const double *new_grid, double *old_grid, double *old_values,
                                   int32_t new_count, int32_t old_count)
{
    if (new_grid == nullptr || old_grid == nullptr || old_values == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (new_count < 1 || old_count < 1)
        return ZELSPEC_ERROR_INVALID_INPUT;
    return resample(new_grid, new_count, old_grid, old_values, old_count);
}

}  // extern "C"
