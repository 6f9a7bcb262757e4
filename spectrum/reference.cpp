// Reference interpolation: the stored reference scan brought onto the current scan.
#include <algorithm>
#include <cstring>

#include "spectrum/scan_internal.h"
#include "spectrum/scratch.h"

namespace {

int section_count(const sectionedScanConfig &cfg)
{
    return std::min<int>(cfg.head.num_sections, ZELSPEC_MAX_SECTIONS);
}

// The reference resampled at the current scan's wavelengths.
int32_t resample_onto_scan(const scanResults &scan, scanResults &ref)
{
    if (scan.length < 0 || scan.length > ZELSPEC_RESULTS_LEN || ref.length < 0 ||
        ref.length > ZELSPEC_RESULTS_LEN)
        return ZELSPEC_ERROR_INVALID_INPUT;
    for (int32_t i = 0; i < scan.length; ++i)
        if (scan.wavelength[i] == 0.0)
            return ZELSPEC_ERROR_INVALID_INPUT;
    for (int32_t j = 0; j < ref.length; ++j)
        if (ref.wavelength[j] == 0.0 || ref.intensity[j] == 0)
            return ZELSPEC_ERROR_INVALID_INPUT;
    const int32_t status = zelspec_num_interp_int_to_grid(scan.wavelength, scan.length,
                                                          ref.wavelength, ref.intensity,
                                                          ref.length);
    if (status < 0)
        return status;
    // The reference may have had more points than the scan: none of them may outlive the resampling.
    ref.length = scan.length;
    zelspec::clear_beyond_length(ref);
    return ZELSPEC_PASS;
}

}  // namespace

extern "C" {

int32_t zelspec_config_equal(const sectionedScanConfig *scan_cfg,
                             const sectionedScanConfig *ref_cfg)
{
    if (scan_cfg == nullptr || ref_cfg == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (scan_cfg->head.num_sections != ref_cfg->head.num_sections)
        return ZELSPEC_ERROR_GENERAL;
    for (int i = 0; i < section_count(*scan_cfg); ++i) {
        const scanSection &a = scan_cfg->sections[i];
        const scanSection &b = ref_cfg->sections[i];
        if (a.section_scan_type != b.section_scan_type || a.width_px != b.width_px ||
            a.wavelength_start_nm != b.wavelength_start_nm ||
            a.wavelength_end_nm != b.wavelength_end_nm || a.num_patterns != b.num_patterns)
            return ZELSPEC_ERROR_GENERAL;
    }
    return ZELSPEC_PASS;
}

int32_t zelspec_config_within_reference(const sectionedScanConfig *scan_cfg,
                                        const sectionedScanConfig *ref_cfg)
{
    if (scan_cfg == nullptr || ref_cfg == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (ref_cfg->head.num_sections != 1)
        return ZELSPEC_ERROR_GENERAL;
    const scanSection &range = ref_cfg->sections[0];
    for (int i = 0; i < section_count(*scan_cfg); ++i) {
        const scanSection &s = scan_cfg->sections[i];
        if (s.wavelength_start_nm < range.wavelength_start_nm ||
            s.wavelength_end_nm > range.wavelength_end_nm)
            return ZELSPEC_ERROR_GENERAL;
    }
    return ZELSPEC_PASS;
}

int32_t zelspec_scan_interpReference(const void *ref_data, size_t ref_size,
                                     const void *matrix_data, size_t matrix_size,
                                     const scanResults *scan, scanResults *ref)
{
    if (ref_data == nullptr || matrix_data == nullptr || scan == nullptr || ref == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (ref_size == 0 || matrix_size == 0)
        return ZELSPEC_ERROR_INVALID_INPUT;
    // The matrix decodes in place; the copy is never smaller than the record it becomes.
    auto matrix_copy =
        zelspec::make_scratch<unsigned char>(std::max(matrix_size, sizeof(refCalMatrix)));
    if (!matrix_copy)
        return ZELSPEC_ERROR_NO_MEMORY;
    std::memcpy(matrix_copy.get(), matrix_data, matrix_size);
    int32_t status =
        zelspec_deserialize(matrix_copy.get(), matrix_size, ZELSPEC_TYPE_REFCAL_MATRIX);
    if (status < 0) {
        std::fputs("----- zelspec_deserialize debug 101\n", stdout);
        return status;
    }
    refCalMatrix matrix;
    std::memcpy(&matrix, matrix_copy.get(), sizeof matrix);

    std::memset(ref, 0, sizeof *ref);
    status = zelspec_scan_interpret(ref_data, ref_size, ref);
    if (status < 0) {
        tpl_emit(1, "zelspec_scan_interpret debug 1: %d\n", status);
        return status;
    }
    if (zelspec_config_equal(&scan->cfg, &ref->cfg) == ZELSPEC_PASS)
        return zelspec_scale_for_pga(scan, ref);
    if (zelspec_config_within_reference(&scan->cfg, &ref->cfg) != ZELSPEC_PASS)
        return ZELSPEC_ERROR_GENERAL;
    status = resample_onto_scan(*scan, *ref);
    if (status != ZELSPEC_PASS)
        return status;
    return zelspec_apply_refcal_matrix(scan, ref, &matrix);
}

}  // extern "C"
