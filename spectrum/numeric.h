/* zel spectrum library: numeric routines on plain arrays (part of spectrum/zelspec.h).
 *
 * Wavelength grids are ascending arrays of doubles in nm in which 0.0 ends the valid points.
 * Matrices are dense and row-major: element (r, c) of an R x N matrix is at r*N + c. A quadratic
 * is three doubles c0, c1, c2 standing for c0 + c1*x + c2*x*x. The caller owns every array;
 * nothing is kept between calls, and working storage is released on every path.
 *
 * Every pointer argument is checked (ZELSPEC_ERROR_NULL_POINTER), then counts and ranges
 * (ZELSPEC_ERROR_INVALID_INPUT), then storage is allocated (ZELSPEC_ERROR_NO_MEMORY). Integer
 * results that would not fit their type are reported as ZELSPEC_ERROR_INVALID_INPUT (or, for
 * resampled values, saturated) instead of being wrapped.
 */
#ifndef ZEL_SPECTRUM_NUMERIC_H
#define ZEL_SPECTRUM_NUMERIC_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Resampling of a sampled curve from an old grid onto a new one. Each new point takes the old
 * value at an equal old wavelength, is interpolated between the two old points that bracket it,
 * or is extrapolated from the first two (below the grid) or the last two valid old points
 * (beyond it). On success the old arrays are overwritten with the curve on the new grid: the
 * first new_count entries of old_grid receive the new wavelengths and those of old_values the
 * values, values not above 0 replaced by 0 (so both old arrays need room for new_count entries).
 * A new wavelength of 0.0, or an old grid with fewer than 2 valid points, gives
 * ZELSPEC_ERROR_INVALID_INPUT and leaves every array untouched. */

/* Integer values, interpolation truncated toward zero; both counts 1..864. Values above
 * INT32_MAX are stored as INT32_MAX. */
int32_t zelspec_num_interp_int_to_grid(const double *new_grid, int32_t new_count,
                                       double *old_grid, int32_t *old_values, int32_t old_count);

/* Double values on an old grid of exactly 50 points; new_count >= 1. */
int32_t zelspec_num_interp_to_ref_grid(const double *new_grid, double *old_grid,
                                       double *old_values, int32_t new_count);

/* Double values; new_count >= 1, old_count >= 2. */
int32_t zelspec_num_interp_to_grid(const double *new_grid, double *old_grid, double *old_values,
                                   int32_t new_count, int32_t old_count);

/* The line through (x1, y1) and (x2, y2) at x, in integers with division truncating toward zero
 * (computed without intermediate overflow). x1 == x2, or a result outside int32, gives
 * ZELSPEC_ERROR_INVALID_INPUT with *result untouched. */
int32_t zelspec_num_interp_linear_int(int32_t x1, int32_t x2, int32_t y1, int32_t y2, int32_t x,
                                      int32_t *result);

/* p = a * b for a of rows_a x cols_a and b of cols_a x cols_b; each element is summed over k in
 * ascending order from 0.0. Negative dimensions give ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_num_matrix_multiply(const double *a, const double *b, double *p, int32_t rows_a,
                                    int32_t cols_a, int32_t cols_b);

/* dst (cols x rows) = the transpose of src (rows x cols). */
int32_t zelspec_num_matrix_transpose(const double *src, double *dst, int32_t rows, int32_t cols);

/* Least-squares y ~ c0 + c1*x + c2*x*x over n samples by the normal equations. A singular system
 * gives ZELSPEC_ERROR_INVALID_INPUT with nothing written; constant y gives
 * ZELSPEC_ERROR_INVALID_INPUT after the coefficients are written (no r_squared). */
int32_t zelspec_num_fit_quadratic(int32_t n, const double *x, const double *y, double coeffs[3],
                                  double *r_squared);

/* Fits every column of a rows x columns sample matrix against x (one value per row) and picks
 * the first column whose c2 and c1 both lie strictly within one standard deviation of their
 * means over all columns; coeffs = (c0 - sample(row 1, that column), c1, c2). No such column
 * leaves coeffs untouched and still passes. Needs rows >= 2 and columns >= 3. */
int32_t zelspec_num_fit_quadratic_consensus(const double *samples, const double *x,
                                            int32_t columns, int32_t rows, double coeffs[3]);

/* Mean and population standard deviation; count >= 1. */
int32_t zelspec_num_mean_std_dev(const double *values, int32_t count, double *mean,
                                 double *std_dev);

/* Height (mean of the falls on both sides, truncated) and width at half height, in samples, of
 * the peak at index peak (0 <= peak < n). */
int32_t zelspec_num_peak_width(const double *curve, int32_t n, int32_t peak, int32_t *height,
                               double *width);

/* Fractional positions where the curve falls below half of each side's own drop. */
int32_t zelspec_num_peak_edges(const double *curve, int32_t n, int32_t peak, double *left,
                               double *right);

/* Indices of the peaks that stand out from their surroundings by more than the curve's range of
 * turning-point values divided by `selectivity` (>= 0; 0 means the whole range). Returns their
 * number; `peaks` needs room for n entries. Fewer than four interior turning points give
 * ZELSPEC_ERROR_GENERAL. */
int32_t zelspec_num_find_peaks(const double *curve, int32_t n, double selectivity,
                               int32_t *peaks);

/* Vertex offset of three equally spaced samples relative to the middle one; only for a middle
 * sample that is a maximum of a curved triple, else offset 0 and ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_num_peak_offset_3pt(double y1, double y2, double y3, double *offset);

/* Vertex of the parabola through three points. Coinciding x values: ZELSPEC_ERROR_INVALID_INPUT,
 * nothing written. A straight line: only the second derivative is written. A vertex outside
 * [x1, x3]: ZELSPEC_ERROR_INVALID_INPUT with all three outputs written. */
int32_t zelspec_num_parabola_vertex(double x1, double x2, double x3, double y1, double y2,
                                    double y3, double *vertex_x, double *vertex_y,
                                    double *second_derivative);

/* table[x] = c2*x*x + c1*x + c0 rounded half away from zero, for x = 0..n-1. n <= 0, or any value
 * outside -128..127, gives ZELSPEC_ERROR_INVALID_INPUT with the table untouched. */
int32_t zelspec_num_quadratic_table(const double quadratic[3], int32_t n, int8_t *table);

#ifdef __cplusplus
}
#endif

#endif
