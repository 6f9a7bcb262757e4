// Two-point interpolation, dense matrix product and transpose, quadratic least-squares fits,
// mean and standard deviation.
#include "spectrum/scratch.h"
#include "spectrum/zelspec.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

using Wide = __int128;  // holds every product of two int32 differences exactly

std::size_t cells(int32_t rows, int32_t cols)
{
    return static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
}

}  // namespace

extern "C" {

int32_t zelspec_num_interp_linear_int(int32_t x1, int32_t x2, int32_t y1, int32_t y2, int32_t x,
                                      int32_t *result)
{
    if (result == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const Wide d = Wide{x2} - x1;
    if (d == 0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const Wide rise = Wide{y2} - y1;
    Wide value;
    if (x < x1 && x < x2)
        value = y1 - (Wide{x1} - x) * rise / d;
    else if (x > x1 && x > x2)
        value = y2 + (Wide{x} - x2) * rise / d;
    else
        value = y2 - (Wide{x2} - x) * rise / d;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return ZELSPEC_ERROR_INVALID_INPUT;
    *result = static_cast<int32_t>(value);
    return ZELSPEC_PASS;
}

int32_t zelspec_num_matrix_multiply(const double *a, const double *b, double *p, int32_t rows_a,
                                    int32_t cols_a, int32_t cols_b)
{
    if (a == nullptr || b == nullptr || p == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (rows_a < 0 || cols_a < 0 || cols_b < 0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const std::size_t k_count = static_cast<std::size_t>(cols_a);
    const std::size_t n = static_cast<std::size_t>(cols_b);
    for (std::size_t r = 0; r < static_cast<std::size_t>(rows_a); ++r) {
        for (std::size_t c = 0; c < n; ++c) {
            double sum = 0.0;
            for (std::size_t k = 0; k < k_count; ++k)
                sum += a[r * k_count + k] * b[k * n + c];
            p[r * n + c] = sum;
        }
    }
    return ZELSPEC_PASS;
}

int32_t zelspec_num_matrix_transpose(const double *src, double *dst, int32_t rows, int32_t cols)
{
    if (src == nullptr || dst == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (rows < 0 || cols < 0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const std::size_t r_count = static_cast<std::size_t>(rows);
    const std::size_t c_count = static_cast<std::size_t>(cols);
    for (std::size_t r = 0; r < r_count; ++r)
        for (std::size_t c = 0; c < c_count; ++c)
            dst[c * r_count + r] = src[r * c_count + c];
    return ZELSPEC_PASS;
}

int32_t zelspec_num_fit_quadratic(int32_t n, const double *x, const double *y, double coeffs[3],
                                  double *r_squared)
{
    if (x == nullptr || y == nullptr || coeffs == nullptr || r_squared == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (n <= 0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    auto design = zelspec::make_scratch<double>(cells(n, 3));
    auto design_t = zelspec::make_scratch<double>(cells(n, 3));
    auto projector = zelspec::make_scratch<double>(cells(n, 3));
    if (design == nullptr || design_t == nullptr || projector == nullptr)
        return ZELSPEC_ERROR_NO_MEMORY;

    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        design[i * 3] = 1.0;
        design[i * 3 + 1] = x[i];
        design[i * 3 + 2] = x[i] * x[i];
    }
    zelspec_num_matrix_transpose(design.get(), design_t.get(), n, 3);
    double a[3][3];
    zelspec_num_matrix_multiply(design_t.get(), design.get(), &a[0][0], 3, n, 3);

    const double det = a[0][0] * (a[1][1] * a[2][2] - a[2][1] * a[1][2]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[2][0] * a[1][2]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[2][0] * a[1][1]);
    if (det == 0.0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    // Cofactors over the determinant; a is symmetric, so this is its inverse.
    double a_inv[3][3];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            a_inv[j][i] = (a[(j + 1) % 3][(i + 1) % 3] * a[(j + 2) % 3][(i + 2) % 3] -
                           a[(j + 1) % 3][(i + 2) % 3] * a[(j + 2) % 3][(i + 1) % 3]) /
                          det;
    zelspec_num_matrix_multiply(&a_inv[0][0], design_t.get(), projector.get(), 3, 3, n);
    zelspec_num_matrix_multiply(projector.get(), y, coeffs, 3, n, 1);

    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i)
        sum += y[i];
    const double mean = sum / n;
    double ss_tot = 0.0;
    double ss_res = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        ss_tot += (y[i] - mean) * (y[i] - mean);
        const double nm = coeffs[0] + coeffs[1] * x[i] + coeffs[2] * (x[i] * x[i]);
        ss_res += (y[i] - nm) * (y[i] - nm);
    }
    if (ss_tot == 0.0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    *r_squared = 1.0 - ss_res / ss_tot;
    return ZELSPEC_PASS;
}

int32_t zelspec_num_fit_quadratic_consensus(const double *samples, const double *x,
                                            int32_t columns, int32_t rows, double coeffs[3])
{
    if (samples == nullptr || x == nullptr || coeffs == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    // The result is corrected by the sample of row 1, so a single row is not enough.
    if (rows < 2 || columns <= 2)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const std::size_t n_cols = static_cast<std::size_t>(columns);
    auto column = zelspec::make_scratch<double>(static_cast<std::size_t>(rows));
    auto fits = zelspec::make_scratch<double>(cells(columns, 3));
    auto quadratic = zelspec::make_scratch<double>(n_cols);
    auto linear = zelspec::make_scratch<double>(n_cols);
    if (column == nullptr || fits == nullptr || quadratic == nullptr || linear == nullptr)
        return ZELSPEC_ERROR_NO_MEMORY;

    for (std::size_t i = 0; i < n_cols; ++i) {
        for (std::size_t j = 0; j < static_cast<std::size_t>(rows); ++j)
            column[j] = samples[j * n_cols + i];
        double r_squared;
        const int32_t status = zelspec_num_fit_quadratic(rows, x, column.get(), &fits[i * 3],
                                                         &r_squared);
        if (status != ZELSPEC_PASS)
            return status;
        quadratic[i] = fits[i * 3 + 2];
        linear[i] = fits[i * 3 + 1];
    }
    double a_mean, a_std_dev, b_mean, b_std_dev;
    zelspec_num_mean_std_dev(quadratic.get(), columns, &a_mean, &a_std_dev);
    zelspec_num_mean_std_dev(linear.get(), columns, &b_mean, &b_std_dev);

    for (std::size_t i = 0; i < n_cols; ++i) {
        if (std::fabs(quadratic[i] - a_mean) < a_std_dev &&
            std::fabs(linear[i] - b_mean) < b_std_dev) {
            coeffs[0] = fits[i * 3] - samples[n_cols + i];
            coeffs[1] = fits[i * 3 + 1];
            coeffs[2] = fits[i * 3 + 2];
            break;
        }
    }
    return ZELSPEC_PASS;
}

int32_t zelspec_num_mean_std_dev(const double *values, int32_t count, double *mean,
                                 double *std_dev)
{
    if (values == nullptr || mean == nullptr || std_dev == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (count <= 0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    double sum = 0.0;
    for (int32_t i = 0; i < count; ++i)
        sum += values[i];
    const double m = sum / count;
    double squares = 0.0;
    for (int32_t i = 0; i < count; ++i)
        squares += (values[i] - m) * (values[i] - m);
    *mean = m;
    *std_dev = std::sqrt(squares / count);
    return ZELSPEC_PASS;
}

}  // extern "C"
