// Interpretation of a Hadamard scan: every group's measurements are multiplied by the inverse of
// the group's S-matrix.
#include <cstring>
#include <memory>
#include <new>

#include "spectrum/scan_internal.h"

namespace {

// Decodes one group: its N measurements from y into intensities and wavelengths of its points.
// The decoding matrix is (S - 1/2) / ((N + 1) div 4), the inverse of S up to the scale that the
// module's arithmetic uses, so that every truncation comes out as the module's does.
int32_t decode_group(const hadamardSet &set, uint16_t width_px, const double pixel_coeffs[3],
                     const double *y, double *x, scanResults &results)
{
    const uint16_t n = set.order;
    const std::size_t elements = std::size_t{n} * n;
    // Both are written in full before they are read, so they are not zeroed first.
    std::unique_ptr<double[]> s(new (std::nothrow) double[elements + 8]);
    std::unique_ptr<double[]> d(new (std::nothrow) double[elements + 8]);
    if (!s || !d)
        return ZELSPEC_ERROR_NO_MEMORY;
    int32_t status = zelspec_hadamard_matrix_unpack(n, s.get());
    if (status != ZELSPEC_PASS)
        return status;
    // An entry of S is 0 or 1, so D holds one of two quotients; each is formed once, exactly as
    // the per-entry division would form it.
    const double q = static_cast<double>((n + 1) >> 2);
    const double off = (0.0 - 0.5) / q, on = (1.0 - 0.5) / q;
    for (std::size_t e = 0; e < elements; ++e)
        d[e] = s[e] == 1.0 ? on : off;
    status = zelspec_num_matrix_multiply(y, d.get(), x, 1, n, n);
    if (status != ZELSPEC_PASS)
        return status;
    for (int i = 0; i < set.num_cols; ++i) {
        const uint16_t point = set.col_index[i];
        results.intensity[point] = zelspec::truncate_to_int32(x[i]);
        status = zelspec::pattern_wavelength(set.mid_px[i], width_px, pixel_coeffs,
                                             results.wavelength[point]);
        if (status < 0)
            return status;
    }
    return ZELSPEC_PASS;
}

}  // namespace

namespace zelspec {

int32_t interpret_hadamard(const uScanData &scan, scanResults &results)
{
    if (!samples_ok(scan.head))
        return ZELSPEC_ERROR_INVALID_INPUT;
    copy_head(scan, ZELSPEC_FORM_STANDARD, results);
    zelspec_results_subtract_black(&scan, &results);
    double measured[ZELSPEC_ADC_DATA_LEN] = {};
    for (int32_t i = 0; i < results.length; ++i)
        measured[i] = results.intensity[i];

    const scanConfig config = standard_config(scan.standard);
    const calibCoeffs coeffs = coeffs_of(scan.head);
    patDefH def;
    int32_t status = zelspec_pattern_hadamard_def(&config, &coeffs, &def);
    if (status != ZELSPEC_PASS)
        return status;
    if (def.num_patterns > ZELSPEC_ADC_DATA_LEN || results.length > def.num_patterns)
        return ZELSPEC_ERROR_INVALID_INPUT;

    double y[ZELSPEC_MAX_HADAMARD_ORDER] = {};
    double x[ZELSPEC_MAX_HADAMARD_ORDER] = {};
    int32_t offset = 0, total = 0;
    for (int g = 0; g < def.num_sets; ++g) {
        const hadamardSet &set = def.sets[g];
        if (set.order > ZELSPEC_MAX_HADAMARD_ORDER)
            return ZELSPEC_ERROR_INVALID_INPUT;
        std::memcpy(y, measured + offset, sizeof(double) * set.order);
        status = decode_group(set, def.width_px, scan.head.pixel_coeffs, y, x, results);
        if (status != ZELSPEC_PASS)
            return status;
        total += set.num_cols;
        offset += set.order;
    }
    // The measurements outnumber the decoded points (every group's order is at least its column
    // count); the surplus must not stay behind the last point.
    results.length = total;
    clear_beyond_length(results);
    return ZELSPEC_PASS;
}

}  // namespace zelspec

extern "C" int32_t zelspec_scan_interpret_hadamard(const uScanData *scan, scanResults *results)
{
    if (scan == nullptr || results == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec::interpret_hadamard(*scan, *results);
}
