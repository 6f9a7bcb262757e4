// The sysfs and udev description of one USB HID interface with its hidraw node, in the text form
// umockdev's testbed loads: the USB device, its interface, the HID device and the hidraw device,
// with the attributes and properties the hidraw backend of hidapi reads.
#ifndef ZEL_SIM_HIDRAW_DEVICE_TREE_H
#define ZEL_SIM_HIDRAW_DEVICE_TREE_H

#include <cstdint>
#include <string>

namespace zel::sim::hidraw {

struct HidInterface {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::wstring serial;       // the USB serial-number string, also the HID uniq
    std::string manufacturer;  // USB manufacturer string
    std::string product;       // USB product string, also the HID name
};

struct DeviceTree {
    std::string description;   // paragraphs for umockdev_testbed_add_from_string
    std::string devNode;       // "/dev/hidrawN"
    std::string phys;          // the HID phys: "usb-0000:00:14.0-<port>/input0"
};

// The interface plugged into USB port `port` (0, 1, ...) of the first root hub; its node is
// /dev/hidraw<port>. Ports order the devices as udev enumerates them (for fewer than 10 ports).
DeviceTree describe(const HidInterface& interface, unsigned port);

// UTF-8 form of a wide string, as sysfs and udev hold strings.
std::string toUtf8(const std::wstring& text);

} // namespace zel::sim::hidraw

#endif
