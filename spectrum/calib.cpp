// Conversions between light-modulator columns and wavelengths, and the calibration polynomial
// record's image.
#include "spectrum/zelspec.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double kReferenceColumn = 426.0;  // centre of the light modulator, for widths

bool on_modulator(double pixel)
{
    return pixel >= ZELSPEC_FIRST_COLUMN && pixel <= ZELSPEC_LAST_COLUMN;
}

}  // namespace

extern "C" {

int32_t zelspec_calib_pixel_to_nm(double pixel, const double coeffs[3], double *nm)
{
    if (coeffs == nullptr || nm == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    *nm = coeffs[2] * pixel * pixel + coeffs[1] * pixel + coeffs[0];
    return ZELSPEC_PASS;
}

int32_t zelspec_calib_nm_to_pixel(double nm, const double coeffs[3], double *pixel)
{
    if (coeffs == nullptr || pixel == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const double c0 = coeffs[0];
    const double c1 = coeffs[1];
    const double c2 = coeffs[2];
    if (c2 == 0.0) {
        if (c1 == 0.0)
            return ZELSPEC_ERROR_INVALID_INPUT;
        const double x = (nm - c0) / c1;
        if (!on_modulator(x))
            return ZELSPEC_ERROR_GENERAL;
        *pixel = x;
        return ZELSPEC_PASS;
    }
    // A negative discriminant gives NaN roots, which are never on the modulator.
    const double r = std::sqrt(c1 * c1 - 4.0 * c2 * (c0 - nm));
    const double first = (-c1 + r) / (2.0 * c2);
    if (on_modulator(first)) {
        *pixel = first;
        return ZELSPEC_PASS;
    }
    const double second = (-c1 - r) / (2.0 * c2);
    if (on_modulator(second)) {
        *pixel = second;
        return ZELSPEC_PASS;
    }
    return ZELSPEC_ERROR_GENERAL;
}

int32_t zelspec_calib_pixel_width_to_nm(double width, const double coeffs[3], double *width_nm)
{
    if (coeffs == nullptr || width_nm == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    double start_nm;
    double end_nm;
    int32_t status = zelspec_calib_pixel_to_nm(kReferenceColumn, coeffs, &start_nm);
    if (status == ZELSPEC_PASS)
        status = zelspec_calib_pixel_to_nm(kReferenceColumn + width, coeffs, &end_nm);
    if (status != ZELSPEC_PASS)
        return status;
    *width_nm = std::trunc(std::fabs(end_nm - start_nm));
    return ZELSPEC_PASS;
}

int32_t zelspec_calib_coeffs_serialize(const calibCoeffs *coeffs, void *buffer, size_t size)
{
    if (coeffs == nullptr || buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec_serialize(coeffs, buffer, size, ZELSPEC_TYPE_CALIB_COEFFS);
}

int32_t zelspec_calib_coeffs_deserialize(void *buffer, size_t size)
{
    if (buffer == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const int32_t status = zelspec_deserialize(buffer, size, ZELSPEC_TYPE_CALIB_COEFFS);
    if (status != ZELSPEC_PASS)
        std::fputs("------zelspec_deserialize debug 1\n", stdout);
    return status;
}

}  // extern "C"
