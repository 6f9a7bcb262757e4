// Module objects over the hid_* functions the executable links (the system's hidapi in
// libzel.so).
#include <hidapi/hidapi.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "device/transport.h"
#include "platform/sleep.h"
#include "usb/usb_link.h"

namespace zel::device {
namespace {

// Reads and waits are cut into slices so that a cancel is noticed promptly.
constexpr int kSliceMs = 50;

// hidapi's enumeration and open are not safe from two threads at once.
std::mutex& hidMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string narrow(const wchar_t* text)
{
    std::string out;
    for (; text != nullptr && *text != L'\0'; ++text) {
        out += *text < 0x80 ? static_cast<char>(*text) : '?';
    }
    return out;
}

class HidTransport final : public ModuleTransport {
public:
    explicit HidTransport(hid_device* handle) : handle_(handle) {}
    ~HidTransport() override
    {
        const std::lock_guard<std::mutex> lock(hidMutex());
        hid_close(handle_);
    }

    int32_t write(const uint8_t* report) override
    {
        if (disconnected()) {
            return -1;
        }
        const int written = hid_write(handle_, report, USB_LINK_OUT_REPORT_SIZE);
        if (written < 0) {
            markDisconnected();
        }
        return written;
    }

    int32_t read(uint8_t* buffer) override
    {
        for (int waited = 0; waited < kReadTimeout.count(); waited += kSliceMs) {
            if (cancelled() || disconnected()) {
                return -1;
            }
            const int got = hid_read_timeout(handle_, buffer, USB_LINK_IN_REPORT_SIZE, kSliceMs);
            if (got != 0) {
                return checked(got);
            }
        }
        return 0;
    }

    int32_t readPending(uint8_t* buffer) override
    {
        if (disconnected()) {
            return -1;
        }
        return checked(hid_read_timeout(handle_, buffer, USB_LINK_IN_REPORT_SIZE, 0));
    }

    void sleep(uint32_t milliseconds) override
    {
        while (milliseconds > 0 && !cancelled()) {
            const uint32_t slice = std::min<uint32_t>(milliseconds, kSliceMs);
            Sleep(slice);
            milliseconds -= slice;
        }
    }

private:
    int32_t checked(int got)
    {
        if (got < 0) {
            markDisconnected();
        }
        return got;
    }

    hid_device* handle_;
};

}  // namespace

std::unique_ptr<ModuleTransport> openHidTransport(const std::string& path)
{
    hid_device* handle = nullptr;
    {
        const std::lock_guard<std::mutex> lock(hidMutex());
        handle = hid_open_path(path.c_str());
    }
    if (handle == nullptr) {
        // hidapi says only that it failed; the device node says why.
        const bool denied = access(path.c_str(), F_OK) == 0 &&
                            access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
        const int code = denied ? ZEL_E_PERMISSION : ZEL_E_OPEN;
        throw Error(code, "opening " + path + ": " + status_text(code));
    }
    auto transport = std::make_unique<HidTransport>(handle);
    // Whatever the module said before this open is no answer to anything the host will ask.
    protocol::dropStaleInput(*transport);
    return transport;
}

std::vector<ModuleInfo> enumerateHid()
{
    const std::lock_guard<std::mutex> lock(hidMutex());
    std::vector<ModuleInfo> modules;
    hid_device_info* const list = hid_enumerate(USB_LINK_VENDOR_ID, 0);
    for (const hid_device_info* info = list; info != nullptr; info = info->next) {
        modules.push_back({narrow(info->serial_number), info->vendor_id, info->product_id,
                           info->path != nullptr ? info->path : ""});
    }
    hid_free_enumeration(list);
    return modules;
}

}  // namespace zel::device
