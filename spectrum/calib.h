/* zel spectrum library: wavelength calibration (part of spectrum/zelspec.h).
 *
 * Column (pixel) x of the light modulator shows wavelength c2*x*x + c1*x + c0 nm, with the
 * pixel_coeffs (c0, c1, c2) of the module's calibCoeffs. Positions may be fractional; the
 * inverse conversion accepts positions 0 to 853 only.
 */
#ifndef ZEL_SPECTRUM_CALIB_H
#define ZEL_SPECTRUM_CALIB_H

#include "spectrum/zelspec.h"

#ifdef __cplusplus
extern "C" {
#endif

/* nm = c2*x*x + c1*x + c0, for any x. */
int32_t zelspec_calib_pixel_to_nm(double pixel, const double coeffs[3], double *nm);

/* The position in 0..853 showing `nm`. A quadratic tries the root (-c1 + r) / (2*c2) first,
 * then (-c1 - r) / (2*c2); no root in range (or none at all) gives ZELSPEC_ERROR_GENERAL. A
 * line (c2 == 0) gives (nm - c0) / c1, ZELSPEC_ERROR_GENERAL outside 0..853, and
 * ZELSPEC_ERROR_INVALID_INPUT when c1 is 0 too. Nothing is written on failure. */
int32_t zelspec_calib_nm_to_pixel(double nm, const double coeffs[3], double *pixel);

/* |nm(426 + width) - nm(426)| truncated toward zero to whole nanometres. */
int32_t zelspec_calib_pixel_width_to_nm(double width, const double coeffs[3], double *width_nm);

/* One code-2 image of the record (72 bytes). */
int32_t zelspec_calib_coeffs_serialize(const calibCoeffs *coeffs, void *buffer, size_t size);

/* Decodes a code-2 image in place: the buffer then begins with the calibCoeffs record. A failure
 * prints "------zelspec_deserialize debug 1\n". */
int32_t zelspec_calib_coeffs_deserialize(void *buffer, size_t size);

#ifdef __cplusplus
}
#endif

#endif
