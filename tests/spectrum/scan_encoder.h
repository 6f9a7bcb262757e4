// Makes scan data as the module does: renders the configuration's patterns, integrates a sample
// spectrum over the columns each pattern switches on, interleaves black (dark) samples and
// serializes the record. Used by the interpretation tests and benchmarks.
#ifndef ZEL_TESTS_SPECTRUM_SCAN_ENCODER_H
#define ZEL_TESTS_SPECTRUM_SCAN_ENCODER_H

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "spectrum/zelspec.h"

namespace zelspec_test {

// A wavelength calibration over the 854 columns, about 900 nm to 1637 nm, rising.
inline calibCoeffs test_coeffs()
{
    return calibCoeffs{{0.0, 0.0, 0.0}, {900.0, 0.95, -0.0001}};
}

// The sample spectrum: counts per column.
inline int32_t column_signal(int column) { return 1000 + 7 * column + (column * column) % 37; }

constexpr int32_t dark_level = 500;

// The on-columns of every pattern that the configuration renders, read back from row 0 of the
// bit planes of a 32-bit frame buffer.
inline std::vector<std::vector<int>> rendered_patterns(const void *config)
{
    const calibCoeffs coeffs = test_coeffs();
    const uint32_t width = 854;
    const int frames = 40;
    std::vector<uint32_t> pixels(std::size_t{width} * frames);
    frameBuffer fb{reinterpret_cast<uint8_t *>(pixels.data()), frames, width, 1, 32};
    const int32_t count = zelspec_scan_generate_patterns(config, &coeffs, &fb);
    std::vector<std::vector<int>> patterns;
    for (int32_t j = 0; j < count; ++j) {
        std::vector<int> lit;
        for (uint32_t x = 0; x < width; ++x)
            if ((pixels[(j / 24) * width + x] >> (j % 24)) & 1)
                lit.push_back(static_cast<int>(x));
        patterns.push_back(lit);
    }
    return patterns;
}

// The wavelength at the middle of a band, straight from the calibration polynomial.
inline double band_wavelength(const std::vector<int> &lit)
{
    const double x = (lit.front() + lit.back()) / 2.0;
    const calibCoeffs c = test_coeffs();
    return c.pixel_coeffs[2] * x * x + c.pixel_coeffs[1] * x + c.pixel_coeffs[0];
}

// What the detector sees for a pattern, above the dark level.
inline int32_t measure(const std::vector<int> &lit)
{
    int32_t sum = 0;
    for (int x : lit)
        sum += column_signal(x);
    return sum;
}

// Samples of all patterns in order, a black sample at every position p with
// (p + 1) mod period = 0 (black_first = period - 1).
inline std::vector<int32_t> interleave(const std::vector<std::vector<int>> &patterns, int period)
{
    std::vector<int32_t> samples;
    std::size_t next = 0;
    for (int p = 0; next < patterns.size(); ++p) {
        if ((p + 1) % period == 0)
            samples.push_back(dark_level);
        else
            samples.push_back(dark_level + measure(patterns[next++]));
    }
    return samples;
}

inline void fill_head(uScanData &scan, const std::vector<int32_t> &samples, int period)
{
    const calibCoeffs coeffs = test_coeffs();
    scan.head.version = 1;
    std::memcpy(scan.head.scan_name, "test scan", 9);
    std::memcpy(scan.head.pixel_coeffs, coeffs.pixel_coeffs, sizeof coeffs.pixel_coeffs);
    scan.head.adc_data_length = static_cast<uint16_t>(samples.size());
    scan.head.black_first = static_cast<uint8_t>(period - 1);
    scan.head.black_period = static_cast<uint8_t>(period);
    scan.head.pga = 1;
}

inline std::vector<uint8_t> serialized(const uScanData &scan, int32_t form)
{
    size_t size = 0;
    if (zelspec_scan_data_serialized_size_form(&scan, form, &size) != ZELSPEC_PASS)
        return {};
    std::vector<uint8_t> bytes(size);
    if (zelspec_scan_write_data_form(&scan, form, bytes.data(), size) != ZELSPEC_PASS)
        return {};
    return bytes;
}

inline scanConfig standard_config(uint8_t type, uint16_t start_nm, uint16_t end_nm,
                                  uint8_t width, uint16_t patterns)
{
    scanConfig c{};
    c.scan_type = type;
    c.config_index = 7;
    std::memcpy(c.config_name, "test config", 11);
    c.wavelength_start_nm = start_nm;
    c.wavelength_end_nm = end_nm;
    c.width_px = width;
    c.num_patterns = patterns;
    c.num_repeats = 3;
    return c;
}

// The serialized standard scan data of a column or Hadamard configuration.
inline std::vector<uint8_t> encode_standard(const scanConfig &config, int period = 8)
{
    const std::vector<int32_t> samples = interleave(rendered_patterns(&config), period);
    uScanData scan;
    std::memset(&scan, 0, sizeof scan);
    fill_head(scan, samples, period);
    scanDataStandard &s = scan.standard;
    s.scan_type = config.scan_type;
    s.config_index = config.config_index;
    std::memcpy(s.config_name, config.config_name, sizeof s.config_name);
    s.wavelength_start_nm = config.wavelength_start_nm;
    s.wavelength_end_nm = config.wavelength_end_nm;
    s.width_px = config.width_px;
    s.num_patterns = config.num_patterns;
    s.num_repeats = config.num_repeats;
    std::memcpy(s.adc_data, samples.data(), sizeof(int32_t) * samples.size());
    return serialized(scan, ZELSPEC_FORM_STANDARD);
}

// The serialized sectioned scan data of a sectioned configuration.
inline std::vector<uint8_t> encode_sectioned(const sectionedScanConfig &config, int period = 8)
{
    const std::vector<int32_t> samples = interleave(rendered_patterns(&config), period);
    uScanData scan;
    std::memset(&scan, 0, sizeof scan);
    fill_head(scan, samples, period);
    scan.sectioned.cfg = config;
    std::memcpy(scan.sectioned.adc_data, samples.data(), sizeof(int32_t) * samples.size());
    return serialized(scan, ZELSPEC_FORM_SECTIONED);
}

inline sectionedScanConfig sectioned_config(std::initializer_list<scanSection> sections)
{
    sectionedScanConfig c{};
    c.head.scan_type = ZELSPEC_SCAN_SECTIONED;
    c.head.config_index = 9;
    std::memcpy(c.head.config_name, "sections", 8);
    c.head.num_repeats = 2;
    for (const scanSection &s : sections)
        c.sections[c.head.num_sections++] = s;
    return c;
}

}  // namespace zelspec_test

#endif
