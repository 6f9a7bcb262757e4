// Classification of scan data and configurations, and the module's code-value table.
#include "spectrum/zelspec.h"

#include <algorithm>
#include <iterator>

namespace {

int32_t standard_scan_type(const scanDataStandard &data)
{
    switch (data.scan_type) {
    case ZELSPEC_SCAN_COLUMN:
    case ZELSPEC_SCAN_HADAMARD:
        return data.scan_type;
    default:
        return ZELSPEC_ERROR_SCAN_TYPE;
    }
}

// The section count as far as the record can hold sections.
int section_count(const sectionedScanConfig &cfg)
{
    return std::min<int>(cfg.head.num_sections, ZELSPEC_MAX_SECTIONS);
}

}  // namespace

extern "C" {

int32_t zelspec_scan_get_type(const uScanData *data)
{
    if (data == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (data->sectioned.cfg.head.scan_type == ZELSPEC_SCAN_SECTIONED)
        return ZELSPEC_SCAN_SECTIONED;
    return standard_scan_type(data->standard);
}

int32_t zelspec_scan_form_of(const uScanData *data)
{
    if (data == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec_scan_get_type(data) == ZELSPEC_SCAN_SECTIONED ? ZELSPEC_FORM_SECTIONED
                                                                  : ZELSPEC_FORM_STANDARD;
}

int32_t zelspec_scan_form_get_type(const uScanData *data, int32_t form)
{
    if (data == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    switch (form) {
    case ZELSPEC_FORM_STANDARD:
        return standard_scan_type(data->standard);
    case ZELSPEC_FORM_SECTIONED:
        if (data->sectioned.cfg.head.scan_type != ZELSPEC_SCAN_SECTIONED)
            return ZELSPEC_ERROR_SCAN_TYPE;
        return ZELSPEC_SCAN_SECTIONED;
    default:
        return ZELSPEC_ERROR_INVALID_INPUT;
    }
}

int32_t zelspec_config_scan_type(const sectionedScanConfig *cfg)
{
    if (cfg == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (cfg->head.num_sections != 1)
        return ZELSPEC_SCAN_SECTIONED;
    return cfg->sections[0].section_scan_type == ZELSPEC_SCAN_COLUMN ? ZELSPEC_SCAN_COLUMN
                                                                      : ZELSPEC_SCAN_HADAMARD;
}

int32_t zelspec_config_total_patterns(const sectionedScanConfig *cfg)
{
    if (cfg == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    uint16_t total = 0;
    for (int i = 0; i < section_count(*cfg); ++i)
        total = static_cast<uint16_t>(total + cfg->sections[i].num_patterns);
    return total;
}

int32_t zelspec_config_max_end_nm(const sectionedScanConfig *cfg)
{
    if (cfg == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    int16_t max_end = 0;
    for (int i = 0; i < section_count(*cfg); ++i)
        max_end = std::max(max_end, static_cast<int16_t>(cfg->sections[i].wavelength_end_nm));
    return max_end;
}

int32_t zelspec_code_to_value(int32_t code)
{
    static constexpr int32_t values[] = {635, 1270, 2450, 5080, 15240, 30480, 60960};
    if (code < 0 || code >= static_cast<int32_t>(std::size(values)))
        return 0;
    return values[code];
}

}  // extern "C"
