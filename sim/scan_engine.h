/* Scans by physics: the patterns of a configuration, rendered with the spectrum library's own
 * builders, shown one after another to the simulated optics, sampled with black samples
 * interleaved, and stored as the serialized scan data the instrument writes. */
#ifndef ZEL_SIM_SCAN_ENGINE_H
#define ZEL_SIM_SCAN_ENGINE_H

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "sim/virtual_module.h"

namespace zel::sim {

/* Black (dark) samples: every sample p with (p - kBlackFirst) mod kBlackPeriod = 0, that is one
 * before each multiple of the period, as the module's sectioned data needs them. */
inline constexpr uint8_t kBlackPeriod = 24;
inline constexpr uint8_t kBlackFirst = kBlackPeriod - 1;
inline constexpr std::size_t kMaxSamples = 864;

struct ScanRequest {
    std::span<const uint8_t> config;      /* the serialized configuration */
    std::array<double, 6> calibration{};  /* pattern_coeffs then pixel_coeffs, as stored */
    std::function<double(double)> sample; /* reflectance by wavelength */
    bool lampLit = true;
    unsigned gain = 1;
    unsigned average = 1;
    uint64_t noiseSeed = 0;
    SensorReadings sensors;
    std::array<uint8_t, 7> stamp{};       /* year - 2000, month, day, hour, minute, second, weekday */
    std::wstring ident;                   /* the module's serial number */
    uint32_t scanNumber = 0;
};

/* The serialized scan data, or empty when the configuration does not decode or its patterns
 * can not be built or need more than kMaxSamples samples. */
std::optional<Bytes> runScan(const ScanRequest &request);

/* The samples (patterns and black samples) a scan of the configuration takes, or empty as for
 * runScan. */
std::optional<uint32_t> scanSamples(std::span<const uint8_t> config,
                                    const std::array<double, 6> &calibration);

}  // namespace zel::sim

#endif
