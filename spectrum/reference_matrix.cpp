// Width correction of a resampled reference with the reference calibration matrix, and gain
// scaling.
#include <algorithm>

#include "spectrum/scan_internal.h"

namespace {

constexpr int last_width = ZELSPEC_REFCAL_WIDTHS - 1;

// Where the reference width sits among the matrix's widths: p is the first entry not below it;
// lo and hi are the entries that bracket it (equal when it is one of them). False when it lies
// outside the widths.
bool locate_width(const refCalMatrix &m, int w_ref, int &p, int &lo, int &hi)
{
    p = 0;
    while (p < ZELSPEC_REFCAL_WIDTHS && w_ref > m.widths[p])
        ++p;
    if (p == ZELSPEC_REFCAL_WIDTHS)
        return false;
    if (m.widths[p] == w_ref) {
        lo = hi = p;
        return true;
    }
    if (p == 0)
        return false;
    lo = p - 1;
    hi = p;
    return true;
}

// The factors at the matrix nodes that carry the reference width over to `width`.
int32_t node_factors(const refCalMatrix &m, int p, int lo, int hi, int w_ref, int width,
                     double *factor)
{
    const int a = p == 0 ? 0 : p == last_width ? last_width - 1 : p;
    const int b = p == 0 ? 1 : p == last_width ? last_width : p - 1;
    for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n) {
        int32_t temp_val = 0;
        int32_t status = zelspec_num_interp_linear_int(m.widths[a], m.widths[b], m.matrix[a][n],
                                                       m.matrix[b][n], width, &temp_val);
        if (status < 0)
            return status;
        int32_t ref_val = m.matrix[lo][n];
        if (lo != hi) {
            status = zelspec_num_interp_linear_int(m.widths[lo], m.widths[hi], m.matrix[lo][n],
                                                   m.matrix[hi][n], w_ref, &ref_val);
            if (status < 0)
                return status;
        }
        if (ref_val == 0)
            return ZELSPEC_ERROR_INVALID_INPUT;
        factor[n] = factor[n] * temp_val / ref_val;
    }
    return ZELSPEC_PASS;
}

}  // namespace

extern "C" {

int32_t zelspec_apply_refcal_matrix(const scanResults *scan, scanResults *ref,
                                    const refCalMatrix *matrix)
{
    if (scan == nullptr || ref == nullptr || matrix == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const int sections = scan->cfg.head.num_sections;
    if (sections > ZELSPEC_MAX_SECTIONS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const bool single = sections == 1 && ref->cfg.head.num_sections == 1;
    const int w_ref = ref->cfg.sections[0].width_px;
    double factor[ZELSPEC_RESULTS_LEN] = {};
    double wavelengths[ZELSPEC_RESULTS_LEN] = {};
    int32_t j = 0;
    for (int k = 0; k < sections; ++k) {
        const scanSection &section = scan->cfg.sections[k];
        std::fill(factor, factor + ZELSPEC_REFCAL_NODES, 1.0);
        std::copy(matrix->nodes, matrix->nodes + ZELSPEC_REFCAL_NODES, wavelengths);
        const int32_t count = section.num_patterns;
        if (single && section.width_px == w_ref)
            continue;
        int p = 0, lo = 0, hi = 0;
        if (!locate_width(*matrix, w_ref, p, lo, hi) || j + count > ZELSPEC_RESULTS_LEN)
            return ZELSPEC_ERROR_INVALID_INPUT;
        int32_t status = node_factors(*matrix, p, lo, hi, w_ref, section.width_px, factor);
        if (status < 0)
            return status;
        status = zelspec_num_interp_to_ref_grid(ref->wavelength + j, wavelengths, factor, count);
        if (status < 0)
            return status;
        for (int32_t q = 0; q < count && ref->wavelength[j] != 0.0; ++q, ++j)
            ref->intensity[j] = zelspec::truncate_to_int32(ref->intensity[j] * factor[q]);
    }
    return zelspec_scale_for_pga(scan, ref);
}

int32_t zelspec_scale_for_pga(const scanResults *scan, scanResults *ref)
{
    if (scan == nullptr || ref == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (scan->pga == ref->pga)
        return ZELSPEC_PASS;
    if (ref->pga == 0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    for (int i = 0; i < ZELSPEC_RESULTS_LEN && ref->wavelength[i] != 0.0; ++i)
        ref->intensity[i] = zelspec::saturate_to_int32(int64_t{ref->intensity[i]} * scan->pga /
                                                       ref->pga);
    return ZELSPEC_PASS;
}

}  // extern "C"
