// hid_* over the attached virtual modules and foreign devices.
#include "sim/hid_backend.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "sim/virtual_clock.h"

namespace zel::sim {
namespace {

constexpr uint64_t kReportCostMs = 1;
constexpr std::size_t kOutReportSize = kReportSize + 1;  // report number, then the message
constexpr unsigned short kModuleUsagePage = 0xFF00;      // vendor-defined

struct Device {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::wstring foreignSerial;
    std::unique_ptr<VirtualModule> module;  // null for a foreign device
    unsigned interfaces = 1;
    unsigned number = 0;                    // attachment order, for the path

    std::wstring serial() const { return module ? module->identity().serial : foreignSerial; }
};

struct Backend {
    std::vector<std::shared_ptr<Device>> devices;
    unsigned attached = 0;
    bool initFails = false;
    std::size_t openHandles = 0;
    std::wstring lastError = L"Success";
};

Backend &backend() {
    static Backend instance;
    return instance;
}

std::string devicePath(const Device &device, unsigned interface) {
    return "sim:" + std::to_string(device.number) + ":" + std::to_string(interface);
}

wchar_t *copyWide(const std::wstring &text) {
    auto *copy = static_cast<wchar_t *>(std::calloc(text.size() + 1, sizeof(wchar_t)));
    if (copy != nullptr) {
        std::wmemcpy(copy, text.c_str(), text.size());
    }
    return copy;
}

}  // namespace

VirtualModule &attachModule(ModuleIdentity id, unsigned interfaces) {
    auto device = std::make_shared<Device>();
    device->vendorId = kModuleVendorId;
    device->productId = id.productId;
    device->module = std::make_unique<VirtualModule>(std::move(id));
    device->interfaces = std::max(interfaces, 1u);
    device->number = backend().attached++;
    backend().devices.push_back(device);
    return *device->module;
}

void attachForeignDevice(uint16_t vendorId, uint16_t productId, std::wstring serial) {
    auto device = std::make_shared<Device>();
    device->vendorId = vendorId;
    device->productId = productId;
    device->foreignSerial = std::move(serial);
    device->number = backend().attached++;
    backend().devices.push_back(device);
}

void detachAll() {
    backend().devices.clear();
    backend().attached = 0;
}

void setInitFailure(bool fail) { backend().initFails = fail; }

void elapseAttachedModules(uint64_t milliseconds) {
    for (const auto &device : backend().devices) {
        if (device->module) {
            device->module->elapse(milliseconds);
        }
    }
}

std::size_t openHandleCount() { return backend().openHandles; }

}  // namespace zel::sim

struct hid_device_ {
    std::weak_ptr<zel::sim::Device> device;
    std::wstring error = L"Success";
};

using zel::sim::backend;
using zel::sim::copyWide;
using zel::sim::devicePath;

namespace {

hid_device *openHandle(const std::shared_ptr<zel::sim::Device> &device) {
    if (device->module) {
        // Like a hidraw node, a fresh handle sees no input queued before it was opened.
        device->module->resetLink();
    }
    auto *handle = new hid_device_;
    handle->device = device;
    ++backend().openHandles;
    backend().lastError = L"Success";
    return handle;
}

}  // namespace

extern "C" {

int hid_init(void) { return backend().initFails ? -1 : 0; }

int hid_exit(void) { return 0; }

struct hid_device_info *hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const auto &device : backend().devices) {
        if ((vendor_id != 0 && vendor_id != device->vendorId) ||
            (product_id != 0 && product_id != device->productId)) {
            continue;
        }
        for (unsigned i = 0; i < device->interfaces; ++i) {
            auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
            if (info == nullptr) {
                return head;
            }
            info->path = strdup(zel::sim::devicePath(*device, i).c_str());
            info->vendor_id = device->vendorId;
            info->product_id = device->productId;
            info->serial_number = copyWide(device->serial());
            info->release_number = 0x0100;
            info->manufacturer_string = copyWide(device->module ? L"zel" : L"other");
            info->product_string =
                copyWide(device->module ? L"NIR spectrometer module" : L"HID device");
            info->usage_page = device->module ? zel::sim::kModuleUsagePage : 0x0001;
            info->usage = 1;
            info->interface_number = static_cast<int>(i);
            info->bus_type = HID_API_BUS_USB;
            *tail = info;
            tail = &info->next;
        }
    }
    return head;
}

void hid_free_enumeration(struct hid_device_info *devs) {
    while (devs != nullptr) {
        hid_device_info *next = devs->next;
        std::free(devs->path);
        std::free(devs->serial_number);
        std::free(devs->manufacturer_string);
        std::free(devs->product_string);
        std::free(devs);
        devs = next;
    }
}

hid_device *hid_open(unsigned short vendor_id, unsigned short product_id,
                     const wchar_t *serial_number) {
    for (const auto &device : backend().devices) {
        if (device->vendorId == vendor_id && device->productId == product_id &&
            (serial_number == nullptr || device->serial() == serial_number)) {
            return openHandle(device);
        }
    }
    backend().lastError = L"No HID device with the requested vendor, product and serial number";
    return nullptr;
}

hid_device *hid_open_path(const char *path) {
    if (path == nullptr) {
        backend().lastError = L"Invalid argument";
        return nullptr;
    }
    for (const auto &device : backend().devices) {
        for (unsigned i = 0; i < device->interfaces; ++i) {
            if (devicePath(*device, i) == path) {
                return openHandle(device);
            }
        }
    }
    backend().lastError = L"No HID device at the requested path";
    return nullptr;
}

void hid_close(hid_device *dev) {
    if (dev == nullptr) {
        return;
    }
    --backend().openHandles;
    delete dev;
}

int hid_write(hid_device *dev, const unsigned char *data, size_t length) {
    if (dev == nullptr || data == nullptr) {
        backend().lastError = L"Invalid argument";
        return -1;
    }
    const auto device = dev->device.lock();
    if (!device) {
        dev->error = L"Device disconnected";
        return -1;
    }
    if (length < 1 || length > zel::sim::kOutReportSize || data[0] != 0) {
        // The module has no numbered reports and takes at most 64 message bytes.
        dev->error = L"Invalid report";
        return -1;
    }
    zel::sim::advanceClock(zel::sim::kReportCostMs);
    if (device->module) {
        zel::sim::Report report{};
        std::memcpy(report.data(), data + 1, length - 1);
        device->module->receive(report);
    }
    return static_cast<int>(length);
}

int hid_read_timeout(hid_device *dev, unsigned char *data, size_t length, int milliseconds) {
    if (dev == nullptr || data == nullptr) {
        backend().lastError = L"Invalid argument";
        return -1;
    }
    const auto device = dev->device.lock();
    if (!device) {
        dev->error = L"Device disconnected";
        return -1;
    }
    std::optional<zel::sim::Report> report;
    if (device->module) {
        report = device->module->takeReport();
    }
    if (!report) {
        // Nothing to say: the whole time-out passes at once, and only then may a late answer
        // arrive (a zero time-out merely looks).
        if (milliseconds > 0) {
            zel::sim::advanceClock(static_cast<uint64_t>(milliseconds));
            if (device->module) {
                device->module->readTimedOut();
            }
        }
        return 0;
    }
    zel::sim::advanceClock(zel::sim::kReportCostMs);
    const std::size_t n = std::min(length, report->size());
    std::memcpy(data, report->data(), n);
    return static_cast<int>(n);
}

const wchar_t *hid_error(hid_device *dev) {
    return dev == nullptr ? backend().lastError.c_str() : dev->error.c_str();
}

}  // extern "C"
