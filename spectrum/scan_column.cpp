// Interpretation of a column scan: one pattern, one band of columns, per non-black sample.
#include "spectrum/scan_internal.h"

namespace zelspec {

int32_t interpret_column(const uScanData &scan, scanResults &results)
{
    if (!samples_ok(scan.head))
        return ZELSPEC_ERROR_INVALID_INPUT;
    copy_head(scan, ZELSPEC_FORM_STANDARD, results);
    zelspec_results_subtract_black(&scan, &results);
    const scanConfig config = standard_config(scan.standard);
    const calibCoeffs coeffs = coeffs_of(scan.head);
    patDefC def;
    int32_t status = zelspec_pattern_column_def(&config, &coeffs, &def);
    if (status != ZELSPEC_PASS)
        return status;
    if (results.length > def.num_patterns)
        return ZELSPEC_ERROR_INVALID_INPUT;
    for (int32_t k = 0; k < results.length && status >= 0; ++k)
        status = pattern_wavelength(def.mid_px[k], def.width_px, scan.head.pixel_coeffs,
                                    results.wavelength[k]);
    results.pga = scan.head.pga;
    clear_beyond_length(results);
    return status;
}

}  // namespace zelspec

extern "C" int32_t zelspec_scan_interpret_column(const uScanData *scan, scanResults *results)
{
    if (scan == nullptr || results == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec::interpret_column(*scan, *results);
}
