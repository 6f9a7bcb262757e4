// Pieces shared by the interpretation of column, Hadamard, sectioned and calibration scans.
#ifndef ZEL_SPECTRUM_SCAN_INTERNAL_H
#define ZEL_SPECTRUM_SCAN_INTERNAL_H

#include <cmath>
#include <cstdint>

#include "spectrum/zelspec_scan.h"

namespace zelspec {

// Head values and configuration of a scan whose form (ZELSPEC_FORM_*) is known.
void copy_head(const uScanData &scan, int32_t form, scanResults &results);

// The standard configuration carried inline by standard-form scan data.
scanConfig standard_config(const scanDataStandard &scan);

// Writes a standard configuration into standard-form scan data, the inverse of standard_config.
void set_standard_config(scanDataStandard &scan, const scanConfig &config);

// The coefficient pair of any record that carries the head fields.
template <class Record>
calibCoeffs coeffs_of(const Record &head)
{
    calibCoeffs c;
    for (int i = 0; i < 3; ++i) {
        c.pattern_coeffs[i] = head.pattern_coeffs[i];
        c.pixel_coeffs[i] = head.pixel_coeffs[i];
    }
    return c;
}

inline bool is_black(int32_t position, int32_t black_first, int32_t black_period)
{
    return black_period != 0 && (position - black_first) % black_period == 0;
}

// The samples a record holds and a period that makes sense: what interpretation needs before
// it walks the samples.
inline bool samples_ok(const scanDataHead &head)
{
    return head.black_period != 0 && head.adc_data_length <= ZELSPEC_ADC_DATA_LEN;
}

// The wavelength of a pattern centred on column `centre`: an even band has no middle column and
// is labelled half a column left of the stored centre.
inline int32_t pattern_wavelength(uint16_t centre, uint16_t width_px, const double coeffs[3],
                                  double &nm)
{
    const double position = width_px % 2 != 0 ? centre : centre - 0.5;
    return zelspec_calib_pixel_to_nm(position, coeffs, &nm);
}

// A double truncated toward zero into int32, saturating where it does not fit.
inline int32_t truncate_to_int32(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Zeroes every point at or beyond `length`, so that no raw measurement or stale value is left
// where a caller that copies whole arrays would take it for data.
inline void clear_beyond_length(scanResults &results)
{
    const int32_t length = results.length < 0 ? 0 : results.length;
    for (int32_t k = length; k < ZELSPEC_RESULTS_LEN; ++k) {
        results.intensity[k] = 0;
        results.wavelength[k] = 0.0;
    }
}

inline int32_t saturate_to_int32(int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
}

}  // namespace zelspec

#endif
