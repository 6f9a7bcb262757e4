#include "tests/support/scripted_hid.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <set>

#include <hidapi/hidapi.h>

#include "platform/sleep.h"

struct hid_device_ {
    int id;
};

namespace zel::scripted {
namespace {

struct Input {
    Bytes bytes;
    int result;  // used when bytes is empty
};

// One enumeration handed out: the linked records and the strings they point to.
struct Enumeration {
    std::vector<hid_device_info> records;
    std::vector<std::wstring> serials;
};

struct State {
    std::vector<Interface> interfaces;
    int initResult = 0;
    std::deque<Input> inputs;
    std::deque<Bytes> stale;
    std::deque<int> writeResults;
    std::vector<Bytes> written;
    std::vector<std::string> calls;
    size_t readCount = 0;
    size_t pendingReadCount = 0;
    size_t lastReadLength = 0;
    int lastReadTimeout = 0;
    uint64_t clockMs = 0;
    std::set<hid_device*> handles;
    std::vector<std::unique_ptr<Enumeration>> enumerations;
    size_t misuses = 0;
    int nextHandleId = 1;
};

State& state()
{
    static State instance;
    return instance;
}

std::string narrow(const wchar_t* text)
{
    if (text == nullptr) {
        return "-";
    }
    std::string out;
    for (; *text != L'\0'; ++text) {
        out += *text < 0x80 ? static_cast<char>(*text) : '?';
    }
    return out;
}

std::string hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFFu);
    return text;
}

bool isOpen(hid_device* handle)
{
    if (state().handles.count(handle) != 0) {
        return true;
    }
    ++state().misuses;
    return false;
}

int readStale(State& s, hid_device* dev, unsigned char* data, size_t length)
{
    ++s.pendingReadCount;
    if (!isOpen(dev)) {
        return -1;
    }
    if (s.stale.empty()) {
        return 0;
    }
    const Bytes report = std::move(s.stale.front());
    s.stale.pop_front();
    const size_t count = std::min(length, report.size());
    std::copy_n(report.begin(), count, data);
    return static_cast<int>(count);
}

} // namespace

void reset()
{
    for (hid_device* handle : state().handles) {
        delete handle;
    }
    state() = State{};
}

void setInterfaces(std::vector<Interface> interfaces) { state().interfaces = std::move(interfaces); }
void setInitResult(int result) { state().initResult = result; }

void queueReport(std::span<const uint8_t> bytes)
{
    state().inputs.push_back({Bytes(bytes.begin(), bytes.end()), static_cast<int>(bytes.size())});
}

void queueReadResult(int result) { state().inputs.push_back({{}, result}); }

void queueStaleReport(std::span<const uint8_t> bytes)
{
    state().stale.emplace_back(bytes.begin(), bytes.end());
}

void queueMessage(uint8_t flags, uint16_t length, std::span<const uint8_t> payload)
{
    Bytes message((4 + payload.size() + 63) / 64 * 64, 0);
    message[0] = flags;
    message[2] = static_cast<uint8_t>(length);
    message[3] = static_cast<uint8_t>(length >> 8);
    std::copy(payload.begin(), payload.end(), message.begin() + 4);
    for (size_t at = 0; at < message.size(); at += 64) {
        queueReport(std::span(message).subspan(at, 64));
    }
}

void queueReply(std::span<const uint8_t> payload)
{
    queueMessage(0, static_cast<uint16_t>(payload.size()), payload);
}

size_t pendingInputs() { return state().inputs.size(); }
void queueWriteResult(int result) { state().writeResults.push_back(result); }
const std::vector<Bytes>& writtenReports() { return state().written; }
const std::vector<std::string>& calls() { return state().calls; }
size_t readCount() { return state().readCount; }
size_t pendingReadCount() { return state().pendingReadCount; }
size_t lastReadLength() { return state().lastReadLength; }
int lastReadTimeout() { return state().lastReadTimeout; }
uint64_t elapsedMs() { return state().clockMs; }
size_t liveHandles() { return state().handles.size(); }
size_t liveEnumerations() { return state().enumerations.size(); }
size_t misuses() { return state().misuses; }

} // namespace zel::scripted

using zel::scripted::state;

extern "C" {

int hid_init(void)
{
    state().calls.push_back("hid_init");
    return state().initResult;
}

hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    auto& s = state();
    s.calls.push_back("hid_enumerate(" + zel::scripted::hex4(vendor_id) + "," +
                      zel::scripted::hex4(product_id) + ")");
    auto list = std::make_unique<zel::scripted::Enumeration>();
    list->serials.reserve(s.interfaces.size());
    for (const auto& device : s.interfaces) {
        if ((vendor_id != 0 && device.vendorId != vendor_id) ||
            (product_id != 0 && device.productId != product_id)) {
            continue;
        }
        hid_device_info record{};
        record.vendor_id = device.vendorId;
        record.product_id = device.productId;
        if (device.serial) {
            record.serial_number = list->serials.emplace_back(*device.serial).data();
        }
        list->records.push_back(record);
    }
    if (list->records.empty()) {
        return nullptr;
    }
    for (size_t i = 0; i + 1 < list->records.size(); ++i) {
        list->records[i].next = &list->records[i + 1];
    }
    hid_device_info* head = list->records.data();
    s.enumerations.push_back(std::move(list));
    return head;
}

void hid_free_enumeration(hid_device_info* devs)
{
    auto& s = state();
    s.calls.push_back("hid_free_enumeration");
    std::erase_if(s.enumerations, [devs](const auto& list) { return list->records.data() == devs; });
}

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t* serial_number)
{
    auto& s = state();
    s.calls.push_back("hid_open(" + zel::scripted::hex4(vendor_id) + "," +
                      zel::scripted::hex4(product_id) + "," + zel::scripted::narrow(serial_number) + ")");
    const auto match = std::find_if(s.interfaces.begin(), s.interfaces.end(), [&](const auto& device) {
        return device.vendorId == vendor_id && device.productId == product_id &&
               (serial_number == nullptr || device.serial.value_or(L"") == serial_number);
    });
    if (match == s.interfaces.end()) {
        return nullptr;
    }
    hid_device* handle = new hid_device{s.nextHandleId++};
    s.handles.insert(handle);
    return handle;
}

void hid_close(hid_device* dev)
{
    auto& s = state();
    s.calls.push_back("hid_close");
    if (zel::scripted::isOpen(dev)) {
        s.handles.erase(dev);
        delete dev;
    }
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length)
{
    auto& s = state();
    if (!zel::scripted::isOpen(dev)) {
        return -1;
    }
    s.written.emplace_back(data, data + length);
    if (s.writeResults.empty()) {
        return static_cast<int>(length);
    }
    const int result = s.writeResults.front();
    s.writeResults.pop_front();
    return result;
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds)
{
    auto& s = state();
    if (milliseconds == 0) {
        return zel::scripted::readStale(s, dev, data, length);
    }
    ++s.readCount;
    s.lastReadLength = length;
    s.lastReadTimeout = milliseconds;
    if (!zel::scripted::isOpen(dev)) {
        return -1;
    }
    if (s.inputs.empty()) {
        s.clockMs += static_cast<uint64_t>(std::max(milliseconds, 0));
        return 0;
    }
    const zel::scripted::Input input = std::move(s.inputs.front());
    s.inputs.pop_front();
    if (input.bytes.empty()) {
        if (input.result == 0) {
            s.clockMs += static_cast<uint64_t>(std::max(milliseconds, 0));
        }
        return input.result;
    }
    const size_t count = std::min(length, input.bytes.size());
    std::copy_n(input.bytes.begin(), count, data);
    return static_cast<int>(count);
}

void Sleep(uint32_t milliseconds)
{
    state().clockMs += milliseconds;
}

} // extern "C"
