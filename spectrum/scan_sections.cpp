// Sectioned scans: locating each section's samples, cutting it out as a standard scan, and
// joining the sections' results.
#include <cstring>

#include "spectrum/scan_internal.h"

namespace zelspec {
int32_t interpret_column(const uScanData &scan, scanResults &results);
int32_t interpret_hadamard(const uScanData &scan, scanResults &results);
}  // namespace zelspec

namespace {

scanConfig section_config(const scanDataSectioned &scan, int index)
{
    const sectionedScanConfigHead &head = scan.cfg.head;
    const scanSection &section = scan.cfg.sections[index];
    scanConfig config{};
    config.scan_type = section.section_scan_type;
    config.config_index = head.config_index;
    std::memcpy(config.ident, head.ident, sizeof config.ident);
    std::memcpy(config.config_name, head.config_name, sizeof config.config_name);
    config.wavelength_start_nm = section.wavelength_start_nm;
    config.wavelength_end_nm = section.wavelength_end_nm;
    config.width_px = section.width_px;
    config.num_patterns = section.num_patterns;
    config.num_repeats = head.num_repeats;
    return config;
}

// The number of samples (patterns) a section measured.
int32_t section_pattern_count(const scanDataSectioned &scan, int index, uint16_t &count)
{
    const scanSection &section = scan.cfg.sections[index];
    switch (section.section_scan_type) {
    case ZELSPEC_SCAN_COLUMN:
        count = section.num_patterns;
        return ZELSPEC_PASS;
    case ZELSPEC_SCAN_HADAMARD: {
        scanConfig config = section_config(scan, index);
        config.scan_type = ZELSPEC_SCAN_HADAMARD;
        const calibCoeffs coeffs = zelspec::coeffs_of(scan);
        patDefH *def = zelspec_hadamard_shared_def();
        const int32_t status = zelspec_pattern_hadamard_def(&config, &coeffs, def);
        if (status != ZELSPEC_PASS)
            return status;
        count = def->num_patterns;
        return ZELSPEC_PASS;
    }
    default:
        return ZELSPEC_ERROR_INVALID_INPUT;
    }
}

}  // namespace

extern "C" {

int32_t zelspec_scan_section_span(const uScanData *scan, int32_t index, int32_t *data_start_index,
                                  uint16_t *num_patterns, uint16_t *num_black_patterns)
{
    if (scan == nullptr || data_start_index == nullptr || num_patterns == nullptr ||
        num_black_patterns == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const scanDataSectioned &data = scan->sectioned;
    const int32_t period = data.black_period;
    if (period == 0 || index < 0 || index >= ZELSPEC_MAX_SECTIONS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    int32_t start = 0;
    for (int i = 0; i <= index; ++i) {
        uint16_t count = 0;
        const int32_t status = section_pattern_count(data, i, count);
        if (status != ZELSPEC_PASS)
            return status;
        // The section's samples run until `count` non-black ones are passed. A section that
        // runs beyond the samples a record can hold is not one the module made (and with every
        // sample black it would never end).
        int32_t end = start + count;
        for (int32_t j = start; j < end && end <= ZELSPEC_ADC_DATA_LEN; ++j)
            if ((j + 1) % period == 0)
                ++end;
        if (end > ZELSPEC_ADC_DATA_LEN)
            return ZELSPEC_ERROR_INVALID_INPUT;
        const int32_t blacks = end - start - count;
        if (i == index) {
            *data_start_index = start;
            *num_patterns = count;
            *num_black_patterns = static_cast<uint16_t>(blacks);
            return ZELSPEC_PASS;
        }
        start += count + blacks;
    }
    return ZELSPEC_PASS;
}

int32_t zelspec_scan_get_section(const uScanData *scan, uScanData *out, int32_t index)
{
    if (scan == nullptr || out == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const scanDataSectioned &data = scan->sectioned;
    if (index < 0 || index >= data.cfg.head.num_sections || index >= ZELSPEC_MAX_SECTIONS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    int32_t start = 0;
    uint16_t count = 0, blacks = 0;
    const int32_t status = zelspec_scan_section_span(scan, index, &start, &count, &blacks);
    if (status != ZELSPEC_PASS)
        return status;
    const int32_t length = count + blacks;

    uScanData section;
    std::memset(&section, 0, sizeof section);
    section.head = scan->head;
    scanDataStandard &standard = section.standard;
    zelspec::set_standard_config(standard, section_config(data, index));
    std::memcpy(standard.adc_data, data.adc_data + start, sizeof(int32_t) * length);
    standard.adc_data_length = static_cast<uint16_t>(length);
    standard.black_first =
        static_cast<uint8_t>(data.black_first - start % data.black_period);
    *out = section;
    return ZELSPEC_PASS;
}

int32_t zelspec_scan_interpret_sections(uScanData *scan, scanResults *results)
{
    if (scan == nullptr || results == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const int sections = scan->sectioned.cfg.head.num_sections;
    if (!zelspec::samples_ok(scan->head) || sections == 0 || sections > ZELSPEC_MAX_SECTIONS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    zelspec_scan_subtract_black(scan);
    int32_t joined = 0;
    for (int i = 0; i < sections; ++i) {
        const uint8_t type = scan->sectioned.cfg.sections[i].section_scan_type;
        if (type != ZELSPEC_SCAN_COLUMN && type != ZELSPEC_SCAN_HADAMARD)
            return ZELSPEC_ERROR_SCAN_TYPE;
        uScanData section;
        int32_t status = zelspec_scan_get_section(scan, &section, i);
        if (status != ZELSPEC_PASS)
            return status;
        scanResults part;
        std::memset(&part, 0, sizeof part);
        status = type == ZELSPEC_SCAN_COLUMN ? zelspec::interpret_column(section, part)
                                             : zelspec::interpret_hadamard(section, part);
        if (status != ZELSPEC_PASS)
            return status;
        if (i == 0) {
            *results = part;
            zelspec::copy_head(*scan, ZELSPEC_FORM_SECTIONED, *results);
            joined = part.cfg.sections[0].num_patterns;
            if (joined > ZELSPEC_RESULTS_LEN)
                return ZELSPEC_ERROR_INVALID_INPUT;
            continue;
        }
        const int32_t count = scan->sectioned.cfg.sections[i].num_patterns;
        if (joined + count > ZELSPEC_RESULTS_LEN ||
            results->length + part.length > ZELSPEC_RESULTS_LEN)
            return ZELSPEC_ERROR_INVALID_INPUT;
        std::memcpy(results->intensity + joined, part.intensity, sizeof(int32_t) * count);
        std::memcpy(results->wavelength + joined, part.wavelength, sizeof(double) * count);
        joined += count;
        results->length += part.length;
    }
    zelspec::clear_beyond_length(*results);
    return ZELSPEC_PASS;
}

}  // extern "C"
