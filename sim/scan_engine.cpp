#include "sim/scan_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "sim/factory_data.h"
#include "sim/optics.h"
#include "spectrum/zelspec.h"
#include "spectrum/zelspec_patterns.h"

namespace zel::sim {
namespace {

constexpr std::size_t kConfigBuffer = 512;
constexpr uint32_t kPatternsPerImage = 24;
constexpr uint32_t kImages = (kMaxSamples + kPatternsPerImage - 1) / kPatternsPerImage;
constexpr std::size_t kImageBytes = optics::kColumns * 4;  // 32 bits per pixel, one row

// A decoded configuration in the form the images gave.
struct Configuration {
    alignas(8) std::array<uint8_t, kConfigBuffer> bytes{};
    bool sectioned() const { return bytes[0] == ZELSPEC_SCAN_SECTIONED; }
    const scanConfig &standard() const { return *reinterpret_cast<const scanConfig *>(bytes.data()); }
    const sectionedScanConfig &sections() const {
        return *reinterpret_cast<const sectionedScanConfig *>(bytes.data());
    }
};

std::optional<Configuration> decode(std::span<const uint8_t> image) {
    if (image.empty() || image.size() > kConfigBuffer) {
        return std::nullopt;
    }
    Configuration config;
    std::copy(image.begin(), image.end(), config.bytes.begin());
    if (zelspec_config_deserialize(config.bytes.data(), config.bytes.size()) != ZELSPEC_PASS) {
        return std::nullopt;
    }
    return config;
}

calibCoeffs coefficients(const std::array<double, 6> &calibration) {
    calibCoeffs coeffs;
    std::copy_n(calibration.begin(), 3, coeffs.pattern_coeffs);
    std::copy_n(calibration.begin() + 3, 3, coeffs.pixel_coeffs);
    return coeffs;
}

// The patterns of a configuration as bit planes of single-row images, one pixel per column.
struct Patterns {
    std::vector<uint8_t> planes = std::vector<uint8_t>(kImages * kImageBytes);
    uint32_t count = 0;

    bool lit(uint32_t pattern, int column) const {
        const std::size_t offset =
            (pattern / kPatternsPerImage) * kImageBytes + static_cast<std::size_t>(column) * 4;
        uint32_t pixel = 0;
        std::memcpy(&pixel, planes.data() + offset, sizeof pixel);
        return ((pixel >> (pattern % kPatternsPerImage)) & 1u) != 0;
    }
};

std::optional<Patterns> render(const Configuration &config, const calibCoeffs &coeffs) {
    Patterns patterns;
    frameBuffer fb{};
    fb.data = patterns.planes.data();
    fb.num_frames = static_cast<int32_t>(kImages);
    fb.width = optics::kColumns;
    fb.height = 1;
    fb.bpp = 32;
    const int32_t count = zelspec_scan_generate_patterns(config.bytes.data(), &coeffs, &fb);
    if (count <= 0 || static_cast<uint32_t>(count) > kMaxSamples) {
        return std::nullopt;
    }
    patterns.count = static_cast<uint32_t>(count);
    return patterns;
}

bool isBlack(uint32_t position) {
    return (static_cast<int32_t>(position) - kBlackFirst) % kBlackPeriod == 0;
}

// Samples needed to show `patterns` patterns: black samples are inserted until the last pattern
// has been sampled.
uint32_t samplesFor(uint32_t patterns) {
    uint32_t position = 0;
    for (uint32_t shown = 0; shown < patterns; ++position) {
        shown += isBlack(position) ? 0 : 1;
    }
    return position;
}

int32_t toAdc(double value) {
    const double rounded = std::nearbyint(value);
    return static_cast<int32_t>(std::clamp(rounded, double{std::numeric_limits<int32_t>::min()},
                                           double{std::numeric_limits<int32_t>::max()}));
}

template <std::size_t N>
void copyText(char (&field)[N], const char *text, std::size_t length) {
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(N, length));
}

void fillHead(uScanData &data, const ScanRequest &request, const Configuration &config,
              uint32_t samples) {
    scanDataHead &head = data.head;
    head.version = 1;
    const char *name = config.sectioned() ? config.sections().head.config_name
                                          : config.standard().config_name;
    copyText(head.scan_name, name, strnlen(name, ZELSPEC_CONFIG_NAME_LEN));
    std::copy(request.stamp.begin(), request.stamp.end(), head.stamp);
    head.system_temp = static_cast<int16_t>(request.sensors.temperature);
    head.aux_i16 = static_cast<int16_t>(request.sensors.temperature - 150);  // detector
    head.humidity = static_cast<uint16_t>(request.sensors.humidity);
    head.aux_u16 = request.lampLit ? 2047 : 0;  // lamp monitor
    head.aux_u32 = request.scanNumber;
    std::copy_n(request.calibration.begin(), 3, head.pattern_coeffs);
    std::copy_n(request.calibration.begin() + 3, 3, head.pixel_coeffs);
    const auto ident = factory::identBytes(request.ident);
    std::memcpy(head.ident, ident.data(), ident.size());
    head.adc_data_length = static_cast<uint16_t>(samples);
    head.black_first = kBlackFirst;
    head.black_period = kBlackPeriod;
    head.pga = static_cast<uint8_t>(request.gain);
}

void fillConfiguration(uScanData &data, const Configuration &config) {
    if (config.sectioned()) {
        data.sectioned.cfg = config.sections();
        return;
    }
    const scanConfig &c = config.standard();
    scanDataStandard &s = data.standard;
    s.scan_type = c.scan_type;
    s.config_index = c.config_index;
    std::memcpy(s.cfg_ident, c.ident, sizeof s.cfg_ident);
    std::memcpy(s.config_name, c.config_name, sizeof s.config_name);
    s.wavelength_start_nm = c.wavelength_start_nm;
    s.wavelength_end_nm = c.wavelength_end_nm;
    s.width_px = c.width_px;
    s.num_patterns = c.num_patterns;
    s.num_repeats = c.num_repeats;
}

}  // namespace

std::optional<uint32_t> scanSamples(std::span<const uint8_t> image,
                                    const std::array<double, 6> &calibration) {
    const auto config = decode(image);
    if (!config) {
        return std::nullopt;
    }
    const calibCoeffs coeffs = coefficients(calibration);
    const auto patterns = render(*config, coeffs);
    if (!patterns || samplesFor(patterns->count) > kMaxSamples) {
        return std::nullopt;
    }
    return samplesFor(patterns->count);
}

std::optional<Bytes> runScan(const ScanRequest &request) {
    const auto config = decode(request.config);
    if (!config) {
        return std::nullopt;
    }
    const calibCoeffs coeffs = coefficients(request.calibration);
    const auto patterns = render(*config, coeffs);
    if (!patterns) {
        return std::nullopt;
    }
    const uint32_t samples = samplesFor(patterns->count);
    if (samples > kMaxSamples) {
        return std::nullopt;
    }

    // Light each pattern sends to the detector.
    const optics::ColumnSignals columns = optics::columnSignals(request.sample, request.lampLit);
    std::vector<double> light(patterns->count, 0.0);
    for (uint32_t j = 0; j < patterns->count; ++j) {
        for (int c = 0; c < optics::kColumns; ++c) {
            if (patterns->lit(j, c)) {
                light[j] += columns[static_cast<std::size_t>(c)];
            }
        }
    }

    auto data = std::make_unique<uScanData>();
    std::memset(data.get(), 0, sizeof(uScanData));
    fillHead(*data, request, *config, samples);
    fillConfiguration(*data, *config);
    int32_t *adc = config->sectioned() ? data->sectioned.adc_data : data->standard.adc_data;

    // The average of `average` scans: the mean of the samples with the noise of one scan reduced
    // by the square root of the count.
    const double gain = request.gain;
    const double dark = optics::darkLevel(request.gain);
    const double averaging = std::sqrt(static_cast<double>(std::max(request.average, 1u)));
    uint32_t shown = 0;
    for (uint32_t p = 0; p < samples; ++p) {
        const double signal = isBlack(p) ? 0.0 : gain * light[shown++];
        const double noise = optics::noiseSigma(signal) / averaging *
                             optics::gaussian(request.noiseSeed, p);
        adc[p] = toAdc(dark + signal + noise);
    }

    const int32_t form = config->sectioned() ? ZELSPEC_FORM_SECTIONED : ZELSPEC_FORM_STANDARD;
    std::size_t size = 0;
    if (zelspec_scan_data_serialized_size_form(data.get(), form, &size) != ZELSPEC_PASS) {
        return std::nullopt;
    }
    Bytes image(size);
    if (zelspec_scan_write_data_form(data.get(), form, image.data(), image.size()) !=
        ZELSPEC_PASS) {
        return std::nullopt;
    }
    return image;
}

}  // namespace zel::sim
