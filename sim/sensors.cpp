// Sensor readings that move with the module's own event count, never with time, so that the same
// commands always read the same values.
#include <algorithm>
#include <cstdint>

#include "sim/virtual_module.h"

namespace zel::sim {
namespace {

// A triangle wave of the given period (in events) and peak amplitude, integer only.
int32_t triangle(uint64_t event, uint32_t period, int32_t amplitude) {
    const auto phase = static_cast<int64_t>(event % period);
    const int64_t half = period / 2;
    const int64_t rising = phase < half ? phase : period - phase;  // 0 .. half
    return static_cast<int32_t>((2 * rising - half) * amplitude / half);
}

constexpr int32_t kLampWarming = 120;           // hundredths of a degree while the lamp is lit
constexpr uint64_t kEventsPerCentivolt = 400;   // battery discharge
constexpr int32_t kEmptyCentivolts = 330;
constexpr int32_t kFullCentivolts = 420;

}  // namespace

SensorReadings VirtualModule::sensorsAt(uint64_t event) const {
    SensorReadings now = sensorBase_;
    if (!sensorDrift_) {
        return now;
    }
    now.temperature += triangle(event, 96, 40) + (lampLit() ? kLampWarming : 0);
    now.humidity -= triangle(event + 17, 150, 100);
    const auto drop = static_cast<int32_t>(std::min<uint64_t>(event / kEventsPerCentivolt, 1000));
    now.batteryCentivolts = std::max(kEmptyCentivolts, sensorBase_.batteryCentivolts - drop);
    // Percentage and ADC counts follow the voltage, as the gauge derives them.
    const int32_t span = kFullCentivolts - kEmptyCentivolts;
    const int32_t fall = sensorBase_.batteryCentivolts - now.batteryCentivolts;
    now.batteryPercent = std::max(0, sensorBase_.batteryPercent - fall * 10000 / span);
    now.batteryRaw = sensorBase_.batteryRaw - fall * 62 / 10;
    return now;
}

}  // namespace zel::sim
