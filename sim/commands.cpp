// The module's command set: what each command does to the module and what it answers.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "protocol/qrn_codes.h"
#include "sim/scan_engine.h"
#include "sim/virtual_module.h"
#include "spectrum/zelspec.h"

namespace zel::sim {
namespace {

// How a command travels: its direction, whether it is answered, and the data it carries.
enum class Form {
    Write,          // declared data length `data`, answered by one report
    WriteSilent,    // as Write, never answered
    WriteVariable,  // up to `data` bytes
    Read,           // no data; the reply carries `reply` bytes
    ReadZeroByte,   // one data byte 0
    ReadArgument,   // a 32-bit argument
};

struct Shape {
    uint16_t code;
    Form form;
    uint16_t data;   // declared data length of a write
    uint16_t reply;  // reply bytes of a read whose content the module only keeps or makes up
};

constexpr std::array kShapes{
    Shape{QRN_CMD_READ_VALUE_0015, Form::ReadZeroByte, 0, 4},
    Shape{QRN_CMD_WRITE_DATA_CHUNK, Form::WriteVariable, QRN_WRITE_DATA_CHUNK_MAX, 0},
    Shape{QRN_CMD_WRITE_VALUES_002A, Form::Write, 6, 0},
    Shape{QRN_CMD_GET_FILE_SIZE, Form::ReadArgument, 0, 0},
    Shape{QRN_CMD_GET_FILE_DATA, Form::Read, 0, 0},
    Shape{QRN_CMD_SEND_002F, Form::WriteSilent, 0, 0},
    Shape{QRN_CMD_WRITE_TEXT_0080, Form::Write, 12, 0},
    Shape{QRN_CMD_READ_BYTE_0081, Form::Read, 0, 1},
    Shape{QRN_CMD_CHECK_STATUS_0101, Form::Read, 0, 1},
    Shape{QRN_CMD_CHECK_STATUS_0102, Form::Read, 0, 1},
    Shape{QRN_CMD_READ_VALUES_0103, Form::Read, 0, 20},
    Shape{QRN_CMD_READ_BYTE_0104, Form::Read, 0, 1},
    Shape{QRN_CMD_ZELC_ENABLE, Form::Write, 2, 0},
    Shape{QRN_CMD_CHECK_STATUS_0106, Form::Read, 0, 1},
    Shape{QRN_CMD_CHECK_STATUS_0107, Form::Read, 0, 1},
    Shape{QRN_CMD_SET_BLUETOOTH, Form::Write, 1, 0},
    Shape{QRN_CMD_WRITE_BYTE_010B, Form::Write, 1, 0},
    Shape{QRN_CMD_GET_BUTTON_PRESS_COUNT, Form::Read, 0, 0},
    Shape{QRN_CMD_SET_BUTTON_PRESS_ENABLE, Form::Write, 1, 0},
    Shape{QRN_CMD_TRIGGER_010E, Form::Write, 0, 0},
    Shape{QRN_CMD_READ_VALUES_0216, Form::Read, 0, 28},
    Shape{QRN_CMD_START_SCAN, Form::Write, 1, 0},
    Shape{QRN_CMD_READ_BYTE_0219, Form::Read, 0, 1},
    Shape{QRN_CMD_SEND_021A, Form::WriteSilent, 0, 0},
    Shape{QRN_CMD_WRITE_BYTE_021B, Form::Write, 1, 0},
    Shape{QRN_CMD_WRITE_VALUES_021C, Form::Write, 8, 0},
    Shape{QRN_CMD_READ_VALUE_AT_021D, Form::ReadArgument, 0, 4},
    Shape{QRN_CMD_WRITE_BLOCK_021E, Form::Write, 124, 0},
    Shape{QRN_CMD_WRITE_INDEXED_BLOCK_021F, Form::Write, 126, 0},
    Shape{QRN_CMD_GET_SCAN_CONFIG, Form::ReadArgument, 0, 0},
    Shape{QRN_CMD_TRIGGER_0221, Form::Write, 1, 0},
    Shape{QRN_CMD_GET_NUM_SCAN_CONFIGS, Form::Read, 0, 0},
    Shape{QRN_CMD_READ_BYTE_0223, Form::Read, 0, 1},
    Shape{QRN_CMD_SET_ACTIVE_SCAN_CONFIG, Form::Write, 1, 0},
    Shape{QRN_CMD_SET_LAMP_CONTROL, Form::Write, 1, 0},
    Shape{QRN_CMD_WRITE_WORDS_0226, Form::Write, 4, 0},
    Shape{QRN_CMD_WRITE_FLAGS_0227, Form::Write, 7, 0},
    Shape{QRN_CMD_GET_PGA_GAIN, Form::Read, 0, 0},
    Shape{QRN_CMD_SET_CALIB_COEFFS, Form::Write, QRN_CALIB_IMAGE_SIZE, 0},
    Shape{QRN_CMD_GET_CALIB_COEFFS, Form::Read, 0, 0},
    Shape{QRN_CMD_TRIGGER_022B, Form::Write, 0, 0},
    Shape{QRN_CMD_READ_VALUES_022C, Form::Read, 0, 12},
    Shape{QRN_CMD_WRITE_BYTE_022D, Form::Write, 1, 0},
    Shape{QRN_CMD_SET_SCAN_AVG, Form::Write, 2, 0},
    Shape{QRN_CMD_TRIGGER_022F, Form::Write, 0, 0},
    Shape{QRN_CMD_TRIGGER_0230, Form::Write, 1, 0},
    Shape{QRN_CMD_SET_SERIAL_NUMBER, Form::Write, QRN_SERIAL_NUMBER_SIZE, 0},
    Shape{QRN_CMD_GET_SERIAL_NUMBER, Form::Read, 0, 0},
    Shape{QRN_CMD_WRITE_TEXT_0234, Form::Write, 14, 0},
    Shape{QRN_CMD_TRIGGER_0236, Form::Write, 0, 0},
    Shape{QRN_CMD_GET_SCAN_TIME, Form::Read, 0, 0},
    Shape{QRN_CMD_TRIGGER_0239, Form::Write, 0, 0},
    Shape{QRN_CMD_WRITE_TEXT_0244, Form::Write, 24, 0},
    Shape{QRN_CMD_READ_TEXT_0245, Form::Read, 0, 24},
    Shape{QRN_CMD_READ_VALUE_0280, Form::Read, 0, 8},
    Shape{QRN_CMD_READ_HUM, Form::Read, 0, 0},
    Shape{QRN_CMD_WRITE_BYTES_0309, Form::Write, 7, 0},
    Shape{QRN_CMD_READ_BATT_VOLT, Form::Read, 0, 0},
    Shape{QRN_CMD_READ_VALUE_030B, Form::Read, 0, 4},
    Shape{QRN_CMD_READ_BYTES_030C, Form::Read, 0, 7},
    Shape{QRN_CMD_SEND_030D, Form::WriteSilent, 0, 0},
    Shape{QRN_CMD_WRITE_BYTE_030E, Form::Write, 1, 0},
    Shape{QRN_CMD_READ_BYTE_030F, Form::Read, 0, 1},
    Shape{QRN_CMD_READ_TEXT_03EF, Form::Read, 0, 20},
    Shape{QRN_CMD_WRITE_TEXT_03FC, Form::Write, 16, 0},
    Shape{QRN_CMD_READ_TEXT_03FD, Form::Read, 0, 16},
    Shape{QRN_CMD_READ_TEXT_VALUES_03FE, Form::Read, 0, 16},
    Shape{QRN_CMD_GET_FLASH_UNIQUE_ID, Form::Read, 0, 0},
    Shape{QRN_CMD_READ_VALUES_0402, Form::Read, 0, 12},
    Shape{QRN_CMD_READ_DEVICE_STATUS, Form::Read, 0, 0},
    Shape{QRN_CMD_READ_BLOCK_0404, Form::Read, 0, 20},
    Shape{QRN_CMD_TRIGGER_0405, Form::Write, 0, 0},
    Shape{QRN_CMD_READ_BYTE_AT_0406, Form::ReadArgument, 0, 1},
    Shape{QRN_CMD_READ_WORD_AT_0407, Form::ReadArgument, 0, 2},
    Shape{QRN_CMD_WRITE_VALUE_0408, Form::Write, 4, 0},
    Shape{QRN_CMD_TRIGGER_040A, Form::Write, 0, 0},
    Shape{QRN_CMD_TRIGGER_040B, Form::Write, 0, 0},
    Shape{QRN_CMD_SET_PGA_GAIN, Form::Write, 2, 0},
};

const Shape *shapeOf(uint16_t code) {
    const auto it = std::find_if(kShapes.begin(), kShapes.end(),
                                 [code](const Shape &s) { return s.code == code; });
    return it == kShapes.end() ? nullptr : &*it;
}

bool isRead(Form form) {
    return form == Form::Read || form == Form::ReadZeroByte || form == Form::ReadArgument;
}

// True when the request carries exactly the data its command takes.
bool fits(const Shape &shape, bool read, std::span<const uint8_t> data) {
    if (read != isRead(shape.form)) {
        return false;
    }
    switch (shape.form) {
    case Form::Write:
    case Form::WriteSilent:
        return data.size() == shape.data;
    case Form::WriteVariable:
        return data.size() <= shape.data;
    case Form::Read:
        return data.empty();
    case Form::ReadZeroByte:
        return data.size() == 1 && data[0] == 0;
    case Form::ReadArgument:
        return data.size() == 4;
    }
    return false;
}

uint32_t le32(std::span<const uint8_t> p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void put32(Bytes &out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void putText(Bytes &out, const char *text, std::size_t width) {
    const std::size_t n = std::min(std::strlen(text), width);
    out.insert(out.end(), text, text + n);
    out.insert(out.end(), width - n, 0);
}

bool isGain(unsigned gain) { return gain >= 1 && gain <= 64 && (gain & (gain - 1)) == 0; }

// Reads whose content only the module itself gives meaning to: what a paired write left, or
// the module's fixed answer.
constexpr std::array<std::pair<uint16_t, uint16_t>, 4> kReadBacks{{
    {QRN_CMD_READ_TEXT_0245, QRN_CMD_WRITE_TEXT_0244},
    {QRN_CMD_READ_BYTES_030C, QRN_CMD_WRITE_BYTES_0309},
    {QRN_CMD_READ_BYTE_030F, QRN_CMD_WRITE_BYTE_030E},
    {QRN_CMD_READ_TEXT_03FD, QRN_CMD_WRITE_TEXT_03FC},
}};

constexpr const char *kFirmwareText = "ZEL-NIR FW 2.3.1";
constexpr const char *kModelText = "ZELNIR85";
constexpr uint32_t kHardwareRevision = 3;
constexpr uint32_t kFirmwareBuild = 231;

// Device status word.
constexpr int32_t kStatusLampLit = 1 << 0;
constexpr int32_t kStatusControllerOn = 1 << 1;
constexpr int32_t kStatusBluetooth = 1 << 2;
constexpr int32_t kStatusButtonEnabled = 1 << 3;
constexpr int32_t kStatusScanData = 1 << 4;
constexpr int32_t kStatusBatteryLow = 1 << 5;
constexpr int32_t kBatteryLowPercent = 2000;

}  // namespace

bool VirtualModule::lampLit() const {
    return state_.lampControl == 0 && state_.controllerEnable[0] != 0 &&
           state_.controllerEnable[1] != 0;
}

int32_t VirtualModule::statusWord() const {
    int32_t word = 0;
    word |= lampLit() ? kStatusLampLit : 0;
    word |= state_.controllerEnable[0] != 0 ? kStatusControllerOn : 0;
    word |= state_.bluetooth ? kStatusBluetooth : 0;
    word |= state_.buttonEnabled ? kStatusButtonEnabled : 0;
    word |= files_[static_cast<std::size_t>(StoredFile::ScanData)] ? kStatusScanData : 0;
    word |= sensors().batteryPercent < kBatteryLowPercent ? kStatusBatteryLow : 0;
    return word;
}

VirtualModule::Answer VirtualModule::dispatch(const Request &request) {
    const Shape *shape = shapeOf(request.code);
    Answer answer;
    if (shape == nullptr || !fits(*shape, request.read, request.data)) {
        // Commands that are never answered stay silent even when malformed.
        answer.silent = shape != nullptr && shape->form == Form::WriteSilent && !request.read;
        answer.error = 1;
        return answer;
    }
    answer.silent = shape->form == Form::WriteSilent;
    const auto data = request.data;
    const auto bad = [] {
        Answer a;
        a.error = 2;
        return a;
    };

    switch (request.code) {
    case QRN_CMD_GET_FILE_SIZE:
        return fileSize(le32(data));
    case QRN_CMD_GET_FILE_DATA:
        return fileData();
    case QRN_CMD_ZELC_ENABLE:
        state_.controllerEnable = {data[0], data[1]};
        return answer;
    case QRN_CMD_SET_BLUETOOTH:
        if (data[0] > 1) {
            return bad();
        }
        state_.bluetooth = data[0] == 1;
        return answer;
    case QRN_CMD_GET_BUTTON_PRESS_COUNT:
        answer.payload = {state_.buttonPresses};
        return answer;
    case QRN_CMD_SET_BUTTON_PRESS_ENABLE:
        if (data[0] > 1) {
            return bad();
        }
        // Counting starts afresh with every enable.
        state_.buttonEnabled = data[0] == 1;
        if (state_.buttonEnabled) {
            state_.buttonPresses = 0;
        }
        return answer;
    case QRN_CMD_START_SCAN:
        return startScan();
    case QRN_CMD_GET_SCAN_CONFIG:
        return scanConfig(le32(data));
    case QRN_CMD_GET_NUM_SCAN_CONFIGS:
        answer.payload = {static_cast<uint8_t>(std::min<std::size_t>(configs_.size(), 255))};
        return answer;
    case QRN_CMD_SET_ACTIVE_SCAN_CONFIG:
        if (data[0] >= configs_.size()) {
            return bad();
        }
        state_.activeConfig = data[0];
        return answer;
    case QRN_CMD_SET_LAMP_CONTROL:
        if (data[0] > 1) {
            return bad();
        }
        state_.lampControl = data[0];
        return answer;
    case QRN_CMD_GET_PGA_GAIN:
        answer.payload = {state_.pgaGain};
        return answer;
    case QRN_CMD_SET_CALIB_COEFFS:
        return setCalibration(data);
    case QRN_CMD_GET_CALIB_COEFFS:
        return calibration();
    case QRN_CMD_SET_SCAN_AVG: {
        const auto times = static_cast<uint16_t>(data[0] | (data[1] << 8));
        if (times == 0) {
            return bad();
        }
        state_.scanAverage = times;
        return answer;
    }
    case QRN_CMD_SET_SERIAL_NUMBER:
        return setSerialNumber(data);
    case QRN_CMD_GET_SERIAL_NUMBER:
        for (std::size_t i = 0; i < QRN_SERIAL_NUMBER_SIZE; ++i) {
            const wchar_t c = i < identity_.serial.size() ? identity_.serial[i] : 0;
            answer.payload.push_back(static_cast<uint8_t>(c));
        }
        return answer;
    case QRN_CMD_GET_SCAN_TIME:
        put32(answer.payload, scanTimeMs());
        return answer;
    case QRN_CMD_READ_HUM: {
        const SensorReadings now = sensors();
        put32(answer.payload, static_cast<uint32_t>(now.temperature));
        put32(answer.payload, static_cast<uint32_t>(now.humidity));
        return answer;
    }
    case QRN_CMD_READ_BATT_VOLT: {
        const SensorReadings now = sensors();
        put32(answer.payload, static_cast<uint32_t>(now.batteryCentivolts));
        put32(answer.payload, static_cast<uint32_t>(now.batteryPercent));
        put32(answer.payload, static_cast<uint32_t>(now.batteryRaw));
        return answer;
    }
    case QRN_CMD_GET_FLASH_UNIQUE_ID:
        answer.payload.assign(identity_.flashId.begin(), identity_.flashId.end());
        return answer;
    case QRN_CMD_READ_DEVICE_STATUS:
        put32(answer.payload, static_cast<uint32_t>(statusWord()));
        return answer;
    case QRN_CMD_SET_PGA_GAIN:
        if (data[0] != 1 || !isGain(data[1])) {
            return bad();
        }
        state_.pgaGain = data[1];
        return answer;
    case QRN_CMD_TRIGGER_0221:
        if (data[0] != QRN_TRIGGER_0221_BYTE) {
            return bad();
        }
        return answer;
    default:
        return shapeOnly(request);
    }
}

VirtualModule::Answer VirtualModule::shapeOnly(const Request &request) {
    const Shape &shape = *shapeOf(request.code);
    Answer answer;
    answer.silent = shape.form == Form::WriteSilent;
    if (!request.read) {
        latches_[request.code].assign(request.data.begin(), request.data.end());
        return answer;
    }
    switch (request.code) {
    case QRN_CMD_READ_TEXT_03EF:
        putText(answer.payload, kFirmwareText, shape.reply);
        return answer;
    case QRN_CMD_READ_TEXT_VALUES_03FE:
        putText(answer.payload, kModelText, 8);
        put32(answer.payload, kHardwareRevision);
        put32(answer.payload, kFirmwareBuild);
        return answer;
    case QRN_CMD_READ_VALUE_0280: {
        const uint64_t events = counters_.messages;
        put32(answer.payload, static_cast<uint32_t>(events));
        put32(answer.payload, static_cast<uint32_t>(events >> 32));
        return answer;
    }
    default:
        break;
    }
    answer.payload.assign(shape.reply, 0);
    for (const auto &[read, write] : kReadBacks) {
        const auto latched = latches_.find(write);
        if (read == request.code && latched != latches_.end()) {
            std::copy_n(latched->second.begin(),
                        std::min<std::size_t>(latched->second.size(), shape.reply),
                        answer.payload.begin());
        }
    }
    return answer;
}

VirtualModule::Answer VirtualModule::fileSize(uint32_t type) {
    Answer answer;
    const bool known = type == static_cast<uint32_t>(StoredFile::ScanData) ||
                       type == static_cast<uint32_t>(StoredFile::CalData) ||
                       type == static_cast<uint32_t>(StoredFile::MatrixData);
    if (!known || !files_[type]) {
        transfer_.reset();
        answer.error = 2;
        return answer;
    }
    const auto file = static_cast<StoredFile>(type);
    Transfer transfer;
    transfer.file = file;
    transfer.bytes = *files_[type];
    if (auto corrupt = takeFault(FaultKind::CorruptImage, QRN_CMD_GET_FILE_SIZE, file)) {
        const auto at = static_cast<std::size_t>(std::max(corrupt->value, 0));
        if (at < transfer.bytes.size()) {
            transfer.bytes[at] = static_cast<uint8_t>(~transfer.bytes[at]);
        }
    }
    int64_t size = static_cast<int64_t>(transfer.bytes.size());
    if (auto skew = takeFault(FaultKind::SizeSkew, QRN_CMD_GET_FILE_SIZE, file)) {
        size = std::max<int64_t>(0, size + skew->value);
    }
    transfer_ = std::move(transfer);
    put32(answer.payload, static_cast<uint32_t>(size));
    return answer;
}

VirtualModule::Answer VirtualModule::fileData() {
    Answer answer;
    if (!transfer_) {
        answer.error = 2;
        return answer;
    }
    Transfer &t = *transfer_;
    const std::size_t remaining = t.bytes.size() - t.position;
    std::size_t length = std::min<std::size_t>(chunkSize_, remaining);
    std::size_t stated = length;
    if (auto beyond = takeFault(FaultKind::ChunkBeyondSize, QRN_CMD_GET_FILE_DATA, t.file)) {
        stated = length + static_cast<std::size_t>(std::max(beyond->value, 0));
    }
    answer.payload.assign(t.bytes.begin() + static_cast<std::ptrdiff_t>(t.position),
                          t.bytes.begin() + static_cast<std::ptrdiff_t>(t.position + length));
    answer.payload.resize(stated, 0xA5);
    t.position += length;
    return answer;
}

VirtualModule::Answer VirtualModule::scanConfig(uint32_t index) const {
    Answer answer;
    if (index >= configs_.size()) {
        answer.error = 2;
        return answer;
    }
    const Bytes &image = configs_[index];
    put32(answer.payload, static_cast<uint32_t>(image.size()));
    answer.payload.insert(answer.payload.end(), image.begin(), image.end());
    return answer;
}

VirtualModule::Answer VirtualModule::setCalibration(std::span<const uint8_t> data) {
    Answer answer;
    // Data byte 0 is 0, the image follows.
    alignas(8) std::array<uint8_t, QRN_CALIB_IMAGE_SIZE> image{};
    std::copy(data.begin() + 1, data.end(), image.begin());
    if (data[0] != 0 ||
        zelspec_deserialize(image.data(), image.size(), ZELSPEC_TYPE_CALIB_COEFFS) !=
            ZELSPEC_PASS) {
        answer.error = 2;
        return answer;
    }
    calibCoeffs coeffs;
    std::memcpy(&coeffs, image.data(), sizeof coeffs);
    std::array<double, 6> values{};
    std::copy_n(coeffs.pattern_coeffs, 3, values.begin());
    std::copy_n(coeffs.pixel_coeffs, 3, values.begin() + 3);
    if (!std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); })) {
        answer.error = 2;
        return answer;
    }
    storedCalibration_ = values;
    return answer;
}

VirtualModule::Answer VirtualModule::calibration() const {
    Answer answer;
    calibCoeffs coeffs;
    std::copy_n(storedCalibration_.begin(), 3, coeffs.pattern_coeffs);
    std::copy_n(storedCalibration_.begin() + 3, 3, coeffs.pixel_coeffs);
    std::size_t size = 0;
    answer.payload.resize(QRN_CALIB_IMAGE_SIZE);
    if (zelspec_serialized_size(&coeffs, &size, ZELSPEC_TYPE_CALIB_COEFFS) != ZELSPEC_PASS ||
        zelspec_calib_coeffs_serialize(&coeffs, answer.payload.data(), answer.payload.size()) !=
            ZELSPEC_PASS) {
        answer.payload.clear();
        answer.error = 2;
        return answer;
    }
    answer.payload.resize(size);
    return answer;
}

VirtualModule::Answer VirtualModule::setSerialNumber(std::span<const uint8_t> data) {
    Answer answer;
    std::wstring serial;
    for (const uint8_t c : data) {
        if (c == 0) {
            break;
        }
        serial.push_back(static_cast<wchar_t>(c));
    }
    if (serial.empty()) {
        answer.error = 2;
        return answer;
    }
    identity_.serial = serial;
    return answer;
}

}  // namespace zel::sim
