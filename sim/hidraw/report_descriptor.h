// The HID report descriptor of the module's interface: one vendor-defined application collection
// with a single unnumbered 64-byte input report and a single unnumbered 64-byte output report.
#ifndef ZEL_SIM_HIDRAW_REPORT_DESCRIPTOR_H
#define ZEL_SIM_HIDRAW_REPORT_DESCRIPTOR_H

#include <array>
#include <cstdint>

namespace zel::sim::hidraw {

inline constexpr std::array<uint8_t, 27> kReportDescriptor{
    0x06, 0x00, 0xFF,  // Usage Page (vendor defined 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8 bits)
    0x95, 0x40,        //   Report Count (64)
    0x09, 0x01,        //   Usage (1)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x95, 0x40,        //   Report Count (64)
    0x09, 0x01,        //   Usage (1)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

} // namespace zel::sim::hidraw

#endif
