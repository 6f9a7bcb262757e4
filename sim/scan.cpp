// Scans of the module: the active configuration, the module's settings and the sample under
// the window, through the scan engine into the scan data file.
#include <algorithm>

#include "protocol/qrn_codes.h"
#include "sim/scan_engine.h"
#include "sim/virtual_module.h"

namespace zel::sim {
namespace {

constexpr uint32_t kSetupMs = 250;          // lamp settling and detector start
constexpr uint32_t kExposureUs = 635;       // per sample
constexpr uint32_t kStartHour = 9;          // the clock starts at 09:00:00 on 2026-12-08 (a Tuesday)
constexpr uint32_t kStartDay = 8;
constexpr uint32_t kStartWeekday = 2;

// The module's clock ticks one second per message, so stamps follow what was said to it.
std::array<uint8_t, 7> stampAt(uint64_t event) {
    const uint64_t seconds = kStartHour * 3600 + event;
    const auto days = static_cast<uint32_t>(seconds / 86400);
    return {26,
            12,
            static_cast<uint8_t>(kStartDay + days % 20),
            static_cast<uint8_t>(seconds / 3600 % 24),
            static_cast<uint8_t>(seconds / 60 % 60),
            static_cast<uint8_t>(seconds % 60),
            static_cast<uint8_t>((kStartWeekday + days) % 7)};
}

}  // namespace

uint32_t VirtualModule::scanTimeMs() const {
    if (scanTimeOverride_) {
        return *scanTimeOverride_;
    }
    std::optional<uint32_t> samples;
    if (state_.activeConfig < configs_.size()) {
        samples = scanSamples(configs_[state_.activeConfig], storedCalibration_);
    }
    const uint64_t exposure = uint64_t{samples.value_or(0)} * state_.scanAverage * kExposureUs;
    return kSetupMs + static_cast<uint32_t>((exposure + 999) / 1000);
}

VirtualModule::Answer VirtualModule::startScan() {
    Answer answer;
    if (state_.activeConfig >= configs_.size()) {
        answer.error = 2;
        return answer;
    }
    ScanRequest request;
    request.config = configs_[state_.activeConfig];
    request.calibration = storedCalibration_;
    request.sample = sample_;
    // The module lights the lamp for the scan unless the host holds it off.
    request.lampLit = state_.lampControl != 1;
    request.gain = state_.pgaGain;
    request.average = state_.scanAverage;
    uint64_t seed = 0;
    for (const uint8_t b : identity_.flashId) {
        seed = seed << 8 | b;
    }
    request.noiseSeed = seed ^ (scanCount_ + 1);
    request.sensors = sensors();
    request.stamp = stampAt(counters_.messages);
    request.ident = identity_.serial;
    request.scanNumber = static_cast<uint32_t>(scanCount_ + 1);
    auto data = runScan(request);
    if (!data) {
        answer.error = 2;
        return answer;
    }
    ++scanCount_;
    // A new scan supersedes one still on its way.
    pendingScan_.reset();
    if (const auto slow = takeFault(FaultKind::SlowScan, QRN_CMD_START_SCAN, std::nullopt)) {
        pendingScan_ = PendingScan{std::move(*data),
                                   uint64_t{scanTimeMs()} + static_cast<uint64_t>(std::max(slow->value, 0))};
        return answer;
    }
    files_[static_cast<std::size_t>(StoredFile::ScanData)] = std::move(data);
    return answer;
}

void VirtualModule::elapse(uint64_t milliseconds) {
    if (!pendingScan_) {
        return;
    }
    if (milliseconds < pendingScan_->remainingMs) {
        pendingScan_->remainingMs -= milliseconds;
        return;
    }
    files_[static_cast<std::size_t>(StoredFile::ScanData)] = std::move(pendingScan_->bytes);
    pendingScan_.reset();
}

const Bytes *VirtualModule::latestScan() const {
    if (pendingScan_) {
        return &pendingScan_->bytes;
    }
    const auto &stored = files_[static_cast<std::size_t>(StoredFile::ScanData)];
    return stored ? &*stored : nullptr;
}

}  // namespace zel::sim
