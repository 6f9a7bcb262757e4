#include "sim/virtual_module.h"

#include <algorithm>
#include <cstring>

#include "protocol/qrn_codes.h"
#include "sim/factory_data.h"
#include "sim/optics.h"

namespace zel::sim {
namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kFirstReportPayload = kReportSize - kHeaderSize;  // 60
constexpr std::size_t kMaxMessageLength = 512;  // the code and 510 data bytes
constexpr std::size_t kLastReportsKept = 64;
constexpr uint8_t kFlagRead = 0x80;
constexpr uint8_t kFlagAnswer = 0x40;
constexpr uint8_t kStrayByte = 0xEE;

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

std::size_t fileSlot(StoredFile file) { return static_cast<std::size_t>(file); }

}  // namespace

ModuleIdentity defaultIdentity() { return ModuleIdentity{}; }

VirtualModule::VirtualModule(ModuleIdentity id)
    : identity_(std::move(id)), configs_(factory::configurations(identity_)),
      sample_(&VirtualModule::defaultSample) {
    std::copy(factory::kPatternCoeffs.begin(), factory::kPatternCoeffs.end(),
              storedCalibration_.begin());
    std::copy(optics::kCalibration.begin(), optics::kCalibration.end(),
              storedCalibration_.begin() + 3);
    files_[fileSlot(StoredFile::CalData)] = factory::referenceScan(identity_);
    files_[fileSlot(StoredFile::MatrixData)] = factory::referenceMatrix();
}

void VirtualModule::receive(std::span<const uint8_t, kReportSize> report) {
    ++counters_.reportsIn;
    Report copy;
    std::copy(report.begin(), report.end(), copy.begin());
    lastIn_.push_back(copy);
    if (lastIn_.size() > kLastReportsKept) {
        lastIn_.pop_front();
    }

    if (partialExpected_ > 0) {
        const std::size_t take = std::min(kReportSize, partialExpected_ - partial_.size());
        partial_.insert(partial_.end(), report.begin(), report.begin() + take);
        if (partial_.size() == partialExpected_) {
            Bytes message;
            message.swap(partial_);
            partialExpected_ = 0;
            handleMessage(message);
        }
        return;
    }

    const uint8_t flags = report[0];
    const std::size_t length = le16(&report[2]);
    const bool read = (flags & kFlagRead) != 0;
    if (!read && length > kFirstReportPayload && length <= kMaxMessageLength) {
        // A long write message: the following reports carry the rest, without a header.
        partialExpected_ = kHeaderSize + length;
        partial_.assign(report.begin(), report.end());
        return;
    }
    handleMessage(std::span<const uint8_t>(report.data(),
                                           std::min(kReportSize, kHeaderSize + length)));
}

std::optional<Report> VirtualModule::takeReport() {
    if (outbox_.empty()) {
        return std::nullopt;
    }
    Report report = outbox_.front();
    outbox_.pop_front();
    ++counters_.reportsOut;
    return report;
}

void VirtualModule::readTimedOut() {
    outbox_.insert(outbox_.end(), heldBack_.begin(), heldBack_.end());
    heldBack_.clear();
}

void VirtualModule::resetLink() {
    outbox_.clear();
    heldBack_.clear();
    partial_.clear();
    partialExpected_ = 0;
}

void VirtualModule::handleMessage(std::span<const uint8_t> message) {
    ++counters_.messages;
    const uint8_t flags = message[0];
    const std::size_t length = le16(&message[2]);
    Request request;
    request.read = (flags & kFlagRead) != 0;
    request.answerWanted = (flags & kFlagAnswer) != 0;
    request.seq = message[1];

    const bool wellFormed = length >= 2 && length <= kMaxMessageLength &&
                            message.size() == kHeaderSize + length &&
                            (!request.read || length <= kFirstReportPayload);
    if (!wellFormed) {
        ++counters_.malformed;
        Answer answer;
        answer.error = 1;
        queueAnswer(request, answer, nullptr, 0, outbox_);
        return;
    }
    request.code = le16(&message[4]);
    request.data = message.subspan(kHeaderSize + 2);
    ++counters_.perCode[request.code];

    if (!request.read) {
        if (counters_.lastWriteSeq &&
            request.seq != static_cast<uint8_t>(*counters_.lastWriteSeq + 1)) {
            ++counters_.sequenceBreaks;
        }
        counters_.lastWriteSeq = request.seq;
    }

    if (takeFault(FaultKind::NoAnswer, request.code, std::nullopt)) {
        return;
    }
    if (auto fault = takeFault(FaultKind::ErrorField, request.code, std::nullopt)) {
        Answer answer;
        answer.error = static_cast<uint8_t>(fault->value & 3);
        queueAnswer(request, answer, nullptr, 0, outbox_);
        return;
    }
    const Answer answer = dispatch(request);
    if (answer.error == 1) {
        ++counters_.malformed;
    }
    const std::optional<Fault> stall = takeFault(FaultKind::StallReply, request.code, std::nullopt);
    const std::optional<Fault> stray =
        takeFault(FaultKind::StrayReports, request.code, std::nullopt);
    const bool late = takeFault(FaultKind::LateAnswer, request.code, std::nullopt).has_value();
    queueAnswer(request, answer, stall ? &*stall : nullptr, stray ? stray->value : 0,
                late ? heldBack_ : outbox_);
}

void VirtualModule::queueAnswer(const Request &request, const Answer &answer, const Fault *stall,
                                int32_t strayReports, std::deque<Report> &queue) {
    if (answer.silent || !request.answerWanted) {
        return;
    }
    // Header: direction of the request, answer bit, error field; a read reply carries seq 0.
    const std::size_t length = std::min<std::size_t>(answer.payload.size(), 0xFFFF);
    Bytes bytes(kHeaderSize + length);
    bytes[0] = static_cast<uint8_t>((request.read ? kFlagRead : 0) | kFlagAnswer |
                                    ((answer.error << QRN_ERROR_FIELD_SHIFT) &
                                     QRN_ERROR_FIELD_MASK));
    bytes[1] = request.read ? 0 : request.seq;
    bytes[2] = static_cast<uint8_t>(length & 0xFF);
    bytes[3] = static_cast<uint8_t>(length >> 8);
    std::copy_n(answer.payload.begin(), length, bytes.begin() + kHeaderSize);

    std::size_t reports = (bytes.size() + kReportSize - 1) / kReportSize;
    if (stall != nullptr) {
        reports = std::min<std::size_t>(
            reports, stall->value > 0 ? static_cast<std::size_t>(stall->value) : reports / 2);
    }
    for (std::size_t r = 0; r < reports; ++r) {
        Report report{};
        const std::size_t from = r * kReportSize;
        const std::size_t n = std::min(kReportSize, bytes.size() - from);
        std::memcpy(report.data(), bytes.data() + from, n);
        queue.push_back(report);
    }
    for (int32_t s = 0; s < strayReports; ++s) {
        Report report;
        report.fill(kStrayByte);
        queue.push_back(report);
    }
}

std::optional<Fault> VirtualModule::takeFault(FaultKind kind, std::optional<uint16_t> code,
                                              std::optional<StoredFile> file) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->kind != kind || (it->code && it->code != code) || (it->file && it->file != file)) {
            continue;
        }
        const Fault fault = *it;
        if (it->times > 0 && --it->times == 0) {
            faults_.erase(it);
        }
        return fault;
    }
    return std::nullopt;
}

std::array<double, 3> VirtualModule::opticalCalibration() const { return optics::kCalibration; }

std::array<double, 6> VirtualModule::storedCalibration() const { return storedCalibration_; }

void VirtualModule::setScanTime(std::optional<uint32_t> milliseconds) {
    scanTimeOverride_ = milliseconds;
}

void VirtualModule::setSensors(const SensorReadings &base) { sensorBase_ = base; }

void VirtualModule::setSensorDrift(bool on) { sensorDrift_ = on; }

SensorReadings VirtualModule::sensors() const { return sensorsAt(counters_.messages); }

void VirtualModule::setSample(std::function<double(double)> reflectance) {
    sample_ = reflectance ? std::move(reflectance) : std::function<double(double)>(&whiteReference);
}

void VirtualModule::setConfigurations(std::vector<Bytes> images) {
    configs_ = std::move(images);
    if (state_.activeConfig >= configs_.size()) {
        state_.activeConfig = 0;
    }
}

const std::optional<Bytes> &VirtualModule::storedFile(StoredFile file) const {
    return files_[fileSlot(file)];
}

void VirtualModule::setStoredFile(StoredFile file, std::optional<Bytes> bytes) {
    files_[fileSlot(file)] = std::move(bytes);
}

void VirtualModule::setChunkSize(uint16_t bytes) { chunkSize_ = std::max<uint16_t>(bytes, 1); }

void VirtualModule::pressButton(unsigned times) {
    if (!state_.buttonEnabled) {
        return;
    }
    state_.buttonPresses = static_cast<uint8_t>(std::min(255u, state_.buttonPresses + times));
}

void VirtualModule::injectFault(const Fault &fault) {
    if (fault.times != 0) {
        faults_.push_back(fault);
    }
}

void VirtualModule::clearFaults() { faults_.clear(); }

uint64_t VirtualModule::commandCount(uint16_t code) const {
    const auto it = counters_.perCode.find(code);
    return it == counters_.perCode.end() ? 0 : it->second;
}

}  // namespace zel::sim
