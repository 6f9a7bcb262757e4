// Head copy and dark-level subtraction shared by every kind of scan.
#include <cstring>

#include "spectrum/scan_internal.h"

namespace {

int32_t sample_count(const scanDataHead &head)
{
    return head.adc_data_length < ZELSPEC_ADC_DATA_LEN ? head.adc_data_length
                                                       : ZELSPEC_ADC_DATA_LEN;
}

// The truncated mean of the black samples, 0 when there is none. Summed in 64 bits so that no
// sample values can overflow the sum.
int32_t dark_level(const scanDataHead &head, const int32_t *samples)
{
    int64_t sum = 0;
    int64_t count = 0;
    for (int32_t p = 0; p < sample_count(head); ++p)
        if (zelspec::is_black(p, head.black_first, head.black_period)) {
            sum += samples[p];
            ++count;
        }
    return count > 0 ? static_cast<int32_t>(sum / count) : 0;
}

void copy_head_values(const scanDataHead &head, scanResults &results)
{
    results.version = head.version;
    std::memcpy(results.stamp, head.stamp, sizeof results.stamp);
    results.system_temp = head.system_temp;
    results.aux_i16 = head.aux_i16;
    results.humidity = head.humidity;
    results.aux_u16 = head.aux_u16;
    results.aux_u32 = head.aux_u32;
    std::memcpy(results.pattern_coeffs, head.pattern_coeffs, sizeof results.pattern_coeffs);
    std::memcpy(results.pixel_coeffs, head.pixel_coeffs, sizeof results.pixel_coeffs);
    std::memcpy(results.ident, head.ident, sizeof results.ident);
    std::memcpy(results.scan_name, head.scan_name, sizeof results.scan_name);
    results.pga = head.pga;
}

}  // namespace

namespace zelspec {

void copy_head(const uScanData &scan, int32_t form, scanResults &results)
{
    copy_head_values(scan.head, results);
    if (form == ZELSPEC_FORM_SECTIONED) {
        results.cfg = scan.sectioned.cfg;
        return;
    }
    const scanDataStandard &standard = scan.standard;
    sectionedScanConfigHead &head = results.cfg.head;
    head.scan_type = ZELSPEC_SCAN_SECTIONED;
    head.config_index = standard.config_index;
    std::memcpy(head.ident, standard.cfg_ident, sizeof head.ident);
    std::memcpy(head.config_name, standard.config_name, sizeof head.config_name);
    head.num_repeats = standard.num_repeats;
    head.num_sections = 1;
    scanSection &section = results.cfg.sections[0];
    section.section_scan_type = standard.scan_type;
    section.width_px = standard.width_px;
    section.wavelength_start_nm = standard.wavelength_start_nm;
    section.wavelength_end_nm = standard.wavelength_end_nm;
    section.num_patterns = standard.num_patterns;
}

scanConfig standard_config(const scanDataStandard &scan)
{
    scanConfig config{};
    config.scan_type = scan.scan_type;
    config.config_index = scan.config_index;
    std::memcpy(config.ident, scan.cfg_ident, sizeof config.ident);
    std::memcpy(config.config_name, scan.config_name, sizeof config.config_name);
    config.wavelength_start_nm = scan.wavelength_start_nm;
    config.wavelength_end_nm = scan.wavelength_end_nm;
    config.width_px = scan.width_px;
    config.num_patterns = scan.num_patterns;
    config.num_repeats = scan.num_repeats;
    return config;
}

void set_standard_config(scanDataStandard &scan, const scanConfig &config)
{
    scan.scan_type = config.scan_type;
    scan.config_index = config.config_index;
    std::memcpy(scan.cfg_ident, config.ident, sizeof scan.cfg_ident);
    std::memcpy(scan.config_name, config.config_name, sizeof scan.config_name);
    scan.wavelength_start_nm = config.wavelength_start_nm;
    scan.wavelength_end_nm = config.wavelength_end_nm;
    scan.width_px = config.width_px;
    scan.num_patterns = config.num_patterns;
    scan.num_repeats = config.num_repeats;
}

}  // namespace zelspec

extern "C" {

void zelspec_results_copy_head(const uScanData *scan, scanResults *results)
{
    if (scan != nullptr && results != nullptr)
        zelspec::copy_head(*scan, zelspec_scan_form_of(scan), *results);
}

void zelspec_results_subtract_black(const uScanData *scan, scanResults *results)
{
    if (scan == nullptr || results == nullptr)
        return;
    const scanDataHead &head = scan->head;
    const int32_t *samples = scan->standard.adc_data;
    const int64_t dark = dark_level(head, samples);
    int32_t length = 0;
    for (int32_t p = 0; p < sample_count(head); ++p)
        if (!zelspec::is_black(p, head.black_first, head.black_period))
            results->intensity[length++] = zelspec::saturate_to_int32(samples[p] - dark);
    results->length = length;
}

void zelspec_scan_subtract_black(uScanData *scan)
{
    if (scan == nullptr)
        return;
    const scanDataHead &head = scan->head;
    int32_t *samples = scan->sectioned.adc_data;
    const int64_t dark = dark_level(head, samples);
    for (int32_t p = 0; p < sample_count(head); ++p)
        samples[p] = zelspec::is_black(p, head.black_first, head.black_period)
                         ? 0
                         : zelspec::saturate_to_int32(samples[p] - dark);
}

}  // extern "C"
