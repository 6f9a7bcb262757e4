// Peak routines: height and width at half height, half-height edges, the peak finder, sub-sample
// peak positions, and the rounded quadratic table.
#include "spectrum/scratch.h"
#include "spectrum/zelspec.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

struct Drops {
    double left = 0.0;
    double right = 0.0;
};

// How far the curve falls monotonically on each side of the peak. The left walk never visits
// sample 0, as the module's routine does not.
Drops peak_drops(const double *curve, int32_t n, int32_t peak)
{
    Drops drops;
    double level = curve[peak] + 1.0;
    for (int32_t i = peak; i > 0 && curve[i] < level; --i) {
        level = curve[i];
        drops.left = curve[peak] - curve[i];
    }
    level = curve[peak] + 1.0;
    for (int32_t i = peak; i < n && curve[i] < level; ++i) {
        level = curve[i];
        drops.right = curve[peak] - curve[i];
    }
    return drops;
}

bool valid_peak(const double *curve, int32_t n, int32_t peak)
{
    return curve != nullptr && peak >= 0 && peak < n;
}

bool fits_int32(double value)
{
    return value >= static_cast<double>(std::numeric_limits<int32_t>::min()) &&
           value <= static_cast<double>(std::numeric_limits<int32_t>::max());
}

}  // namespace

extern "C" {

int32_t zelspec_num_peak_width(const double *curve, int32_t n, int32_t peak, int32_t *height,
                               double *width)
{
    if (curve == nullptr || height == nullptr || width == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (!valid_peak(curve, n, peak))
        return ZELSPEC_ERROR_INVALID_INPUT;
    const Drops drops = peak_drops(curve, n, peak);
    const double mean_drop = std::trunc((drops.left + drops.right) / 2.0);
    if (!fits_int32(mean_drop))
        return ZELSPEC_ERROR_INVALID_INPUT;
    const int32_t h = static_cast<int32_t>(mean_drop);
    // The drops are never negative, so the peak sample itself never lies below the half level
    // and both walks can start next to it.
    const double half = curve[peak] - static_cast<double>(h / 2);

    double left = peak;
    for (int32_t i = peak - 1; i >= 0; --i) {
        if (curve[i] < half) {
            left = (peak - i) - (half - curve[i]) / (curve[i + 1] - curve[i]);
            break;
        }
    }
    double right = n - 1 - peak;
    for (int32_t i = peak + 1; i < n; ++i) {
        if (curve[i] < half) {
            right = (i - peak) - (half - curve[i]) / (curve[i - 1] - curve[i]);
            break;
        }
    }
    *height = h;
    *width = left + right;
    return ZELSPEC_PASS;
}

int32_t zelspec_num_peak_edges(const double *curve, int32_t n, int32_t peak, double *left,
                               double *right)
{
    if (curve == nullptr || left == nullptr || right == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (!valid_peak(curve, n, peak))
        return ZELSPEC_ERROR_INVALID_INPUT;
    const Drops drops = peak_drops(curve, n, peak);

    double left_edge = peak;
    const double left_level = curve[peak] - drops.left / 2.0;
    for (int32_t i = peak - 1; i >= 0; --i) {
        if (curve[i] < left_level) {
            left_edge = i + (left_level - curve[i]) / (curve[i + 1] - curve[i]);
            break;
        }
    }
    double right_edge = n - 1;
    const double right_level = curve[peak] - drops.right / 2.0;
    for (int32_t i = peak + 1; i < n; ++i) {
        if (curve[i] < right_level) {
            right_edge = i - (right_level - curve[i]) / (curve[i - 1] - curve[i]);
            break;
        }
    }
    *left = left_edge;
    *right = right_edge;
    return ZELSPEC_PASS;
}

int32_t zelspec_num_find_peaks(const double *curve, int32_t n, double selectivity, int32_t *peaks)
{
    if (curve == nullptr || peaks == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (selectivity < 0.0 || n < 1)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const std::size_t count = static_cast<std::size_t>(n);
    auto diffs = zelspec::make_scratch<double>(count - 1);
    auto extremes = zelspec::make_scratch<int32_t>(count);
    auto e = zelspec::make_scratch<double>(count);
    if (diffs == nullptr || extremes == nullptr || e == nullptr)
        return ZELSPEC_ERROR_NO_MEMORY;

    for (int32_t i = 0; i + 1 < n; ++i)
        diffs[i] = curve[i + 1] - curve[i];
    auto sign = [](double d) { return d >= 0.0 ? 1 : -1; };
    int32_t found_extremes = 0;
    for (int32_t i = 1; i + 1 < n; ++i)
        if (sign(diffs[i]) != sign(diffs[i - 1]))
            extremes[found_extremes++] = i;
    // The last turning point is not used.
    const int32_t m = found_extremes - 1;
    if (m <= 2)
        return ZELSPEC_ERROR_GENERAL;

    double minimum = curve[0];
    double maximum = curve[0];
    for (int32_t k = 0; k < m; ++k) {
        e[k] = curve[extremes[k]];
        if (e[k] < minimum)
            minimum = e[k];
        if (e[k] > maximum)
            maximum = e[k];
    }
    const double threshold =
        selectivity != 0.0 ? (maximum - minimum) / selectivity : maximum - minimum;

    int32_t k;
    if (e[0] >= e[1]) {
        if (e[1] >= e[2]) {
            e[1] = e[0];
            k = 1;
        } else {
            k = 0;
        }
    } else {
        k = e[2] > e[1] ? 2 : 1;
    }

    auto peak_at = zelspec::make_scratch<int32_t>(static_cast<std::size_t>(m));
    if (peak_at == nullptr)
        return ZELSPEC_ERROR_NO_MEMORY;
    int32_t num_peaks = 0;
    double candidate = minimum;
    int32_t candidate_at = 0;
    double left_minimum = minimum;
    bool found = false;
    while (k < m - 1) {
        if (found) {
            candidate = minimum;
            found = false;
        }
        if (e[k] > candidate && e[k] > left_minimum + threshold) {
            candidate = e[k];
            candidate_at = k;
        }
        if (++k == m - 1)
            break;
        if (candidate > e[k] + threshold) {
            peak_at[num_peaks++] = candidate_at;
            found = true;
            left_minimum = e[k];
        } else if (e[k] < left_minimum) {
            left_minimum = e[k];
        }
        ++k;
    }
    if (e[m - 1] > candidate && e[m - 1] > left_minimum + threshold)
        peak_at[num_peaks++] = m - 1;
    else if (!found && candidate > minimum)
        peak_at[num_peaks++] = candidate_at;

    for (int32_t i = 0; i < num_peaks; ++i)
        peaks[i] = extremes[peak_at[i]];
    return num_peaks;
}

int32_t zelspec_num_peak_offset_3pt(double y1, double y2, double y3, double *offset)
{
    if (offset == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const double d = y1 - 2.0 * y2 + y3;
    if (d != 0.0 && y2 >= y1 && y2 >= y3) {
        *offset = 0.5 * (y1 - y3) / d;
        return ZELSPEC_PASS;
    }
    *offset = 0.0;
    return ZELSPEC_ERROR_INVALID_INPUT;
}

int32_t zelspec_num_parabola_vertex(double x1, double x2, double x3, double y1, double y2,
                                    double y3, double *vertex_x, double *vertex_y,
                                    double *second_derivative)
{
    if (vertex_x == nullptr || vertex_y == nullptr || second_derivative == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (x3 - x2 == 0.0 || x1 - x2 == 0.0 || x3 - x1 == 0.0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const double a = 2.0 * ((y3 - y2) / (x3 - x2) - (y1 - y2) / (x1 - x2)) / (x3 - x1);
    *second_derivative = a;
    const double b = (y3 - y2) / (x3 - x2) - 0.5 * a * (x3 - x2);
    if (a == 0.0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const double vx = x2 - b / a;
    *vertex_x = vx;
    *vertex_y = y2 + 0.5 * b * (vx - x2);
    // Written so that a NaN vertex counts as outside.
    if (!(vx >= x1 && vx <= x3))
        return ZELSPEC_ERROR_INVALID_INPUT;
    return ZELSPEC_PASS;
}

int32_t zelspec_num_quadratic_table(const double quadratic[3], int32_t n, int8_t *table)
{
    if (quadratic == nullptr || table == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (n <= 0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    auto value_at = [quadratic](int32_t x) {
        const double xd = x;
        return std::round(quadratic[2] * xd * xd + quadratic[1] * xd + quadratic[0]);
    };
    // Every entry is checked before the first is written: a shift that does not fit 8 bits is
    // rejected, not wrapped.
    for (int32_t x = 0; x < n; ++x) {
        const double v = value_at(x);
        if (!(v >= std::numeric_limits<int8_t>::min() && v <= std::numeric_limits<int8_t>::max()))
            return ZELSPEC_ERROR_INVALID_INPUT;
    }
    for (int32_t x = 0; x < n; ++x)
        table[x] = static_cast<int8_t>(value_at(x));
    return ZELSPEC_PASS;
}

}  // extern "C"
