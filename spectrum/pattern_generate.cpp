// Rendering the patterns of a standard or sectioned configuration.
#include <cstring>

#include "spectrum/zelspec_patterns.h"

namespace {

// The standard configuration of one section, with the head's identity.
scanConfig section_config(const sectionedScanConfig &cfg, int i)
{
    const scanSection &section = cfg.sections[i];
    scanConfig out{};
    out.scan_type = section.section_scan_type;
    out.config_index = cfg.head.config_index;
    std::memcpy(out.ident, cfg.head.ident, sizeof out.ident);
    std::memcpy(out.config_name, cfg.head.config_name, sizeof out.config_name);
    out.num_repeats = cfg.head.num_repeats;
    out.wavelength_start_nm = section.wavelength_start_nm;
    out.wavelength_end_nm = section.wavelength_end_nm;
    out.width_px = section.width_px;
    out.num_patterns = section.num_patterns;
    return out;
}

// Builds the definition of a column or Hadamard configuration and renders it from `first`.
int32_t render_standard(const scanConfig &config, const calibCoeffs &coeffs,
                        const frameBuffer &fb, uint32_t first)
{
    switch (config.scan_type) {
    case ZELSPEC_SCAN_COLUMN: {
        patDefC def;
        const int32_t status = zelspec_pattern_column_def(&config, &coeffs, &def);
        return status != ZELSPEC_PASS ? status : zelspec_pattern_column_to_fb(&def, &fb, first);
    }
    case ZELSPEC_SCAN_HADAMARD: {
        patDefH *def = zelspec_hadamard_shared_def();
        const int32_t status = zelspec_pattern_hadamard_def(&config, &coeffs, def);
        return status != ZELSPEC_PASS ? status : zelspec_pattern_hadamard_to_fb(def, &fb, first);
    }
    default:
        return ZELSPEC_ERROR_INVALID_INPUT;
    }
}

}  // namespace

extern "C" {

int32_t zelspec_scan_generate_patterns(const void *config, const calibCoeffs *coeffs,
                                       const frameBuffer *fb)
{
    if (config == nullptr || coeffs == nullptr || fb == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const uint8_t scan_type = *static_cast<const uint8_t *>(config);
    if (scan_type == ZELSPEC_SCAN_SECTIONED)
        return zelspec_scan_generate_section_patterns(
            static_cast<const sectionedScanConfig *>(config), coeffs, fb);
    scanConfig standard;
    std::memcpy(&standard, config, sizeof standard);
    return render_standard(standard, *coeffs, *fb, 0);
}

int32_t zelspec_scan_generate_section_patterns(const sectionedScanConfig *config,
                                               const calibCoeffs *coeffs, const frameBuffer *fb)
{
    if (config == nullptr || coeffs == nullptr || fb == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (config->head.num_sections > ZELSPEC_MAX_SECTIONS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    uint32_t first = 0;
    for (int i = 0; i < config->head.num_sections; ++i) {
        const int32_t rendered = render_standard(section_config(*config, i), *coeffs, *fb, first);
        if (rendered < 0)
            return rendered;
        first += static_cast<uint32_t>(rendered);
    }
    return static_cast<int32_t>(first);
}

}  // extern "C"
