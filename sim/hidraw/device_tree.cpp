#include "sim/hidraw/device_tree.h"

#include <cstdio>

#include "sim/hidraw/report_descriptor.h"

namespace zel::sim::hidraw {

namespace {

// The kernel names HID devices in upper-case hex and prints USB ids in lower case.
std::string hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string lowerHex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

// Attribute values in the description escape backslashes and line ends.
std::string escaped(const std::string& value)
{
    std::string out;
    for (const char c : value) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Property values are single lines; a line end would start a new entry.
std::string oneLine(std::string value)
{
    for (char& c : value) {
        if (c == '\n') {
            c = ' ';
        }
    }
    return value;
}

std::string descriptorHex()
{
    std::string out;
    for (const uint8_t byte : kReportDescriptor) {
        out += hex(byte, 2);
    }
    return out;
}

} // namespace

std::string toUtf8(const std::wstring& text)
{
    std::string out;
    for (const wchar_t wide : text) {
        auto c = static_cast<uint32_t>(wide);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

DeviceTree describe(const HidInterface& interface, unsigned port)
{
    const std::string usbName = "1-" + std::to_string(port + 1);
    const std::string usbPath = "/devices/pci0000:00/0000:00:14.0/usb1/" + usbName;
    const std::string interfacePath = usbPath + "/" + usbName + ":1.0";
    const std::string hidName = "0003:" + hex(interface.vendorId, 4) + ":" +
                                hex(interface.productId, 4) + "." + hex(port + 1, 4);
    const std::string hidPath = interfacePath + "/" + hidName;
    const std::string hidrawName = "hidraw" + std::to_string(port);
    const std::string hidrawPath = hidPath + "/hidraw/" + hidrawName;
    const std::string serial = toUtf8(interface.serial);
    const std::string ids = hex(interface.vendorId, 8) + ":" + hex(interface.productId, 8);

    DeviceTree tree;
    tree.devNode = "/dev/" + hidrawName;
    tree.phys = "usb-0000:00:14.0-" + std::to_string(port + 1) + "/input0";
    // Children first: that is the order umockdev-record writes and the testbed expects.
    tree.description =
        "P: " + hidrawPath + "\n"
        "N: " + hidrawName + "\n"
        "E: DEVNAME=" + tree.devNode + "\n"
        "E: SUBSYSTEM=hidraw\n"
        "L: device=../../../" + hidName + "\n"
        "\n"
        "P: " + hidPath + "\n"
        "E: SUBSYSTEM=hid\n"
        "E: DRIVER=hid-generic\n"
        "E: HID_ID=0003:" + ids + "\n"
        "E: HID_NAME=" + oneLine(interface.product) + "\n"
        "E: HID_PHYS=" + tree.phys + "\n"
        "E: HID_UNIQ=" + oneLine(serial) + "\n"
        "E: MODALIAS=hid:b0003g0001v" + ids.substr(0, 8) + "p" + ids.substr(9) + "\n"
        "H: report_descriptor=" + descriptorHex() + "\n"
        "\n"
        "P: " + interfacePath + "\n"
        "E: SUBSYSTEM=usb\n"
        "E: DEVTYPE=usb_interface\n"
        "A: bInterfaceClass=03\n"
        "A: bInterfaceNumber=00\n"
        "\n"
        "P: " + usbPath + "\n"
        "E: SUBSYSTEM=usb\n"
        "E: DEVTYPE=usb_device\n"
        "A: idVendor=" + lowerHex(interface.vendorId, 4) + "\n"
        "A: idProduct=" + lowerHex(interface.productId, 4) + "\n"
        "A: serial=" + escaped(serial) + "\n"
        "A: manufacturer=" + escaped(interface.manufacturer) + "\n"
        "A: product=" + escaped(interface.product) + "\n";
    return tree;
}

} // namespace zel::sim::hidraw
