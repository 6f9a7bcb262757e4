// The udev description of an emulated HID interface: what the hidraw backend of hidapi reads to
// enumerate it, filter it by vendor and product and match its serial number.
#include <gtest/gtest.h>

#include <string>

#include "sim/hidraw/device_tree.h"

namespace zel::sim::hidraw {
namespace {

std::size_t linesStartingWith(const std::string& text, const std::string& start)
{
    std::size_t count = text.rfind(start, 0) == 0 ? 1 : 0;
    for (auto at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        count += text.compare(at + 1, start.size(), start) == 0 ? 1 : 0;
    }
    return count;
}

TEST(DeviceTree, NamesTheNodeAndTheHidDeviceAfterThePortAndTheIds)
{
    const DeviceTree tree = describe({0x0451, 0x4A0B, L"ZEL00001", "Zel", "Module"}, 1);

    EXPECT_EQ(tree.devNode, "/dev/hidraw1");
    EXPECT_EQ(tree.phys, "usb-0000:00:14.0-2/input0");
    const std::string hid = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0451:4A0B.0002";
    EXPECT_EQ(tree.description.rfind("P: " + hid + "/hidraw/hidraw1\n", 0), 0u);
    EXPECT_EQ(linesStartingWith(tree.description, "P: " + hid + "\n"), 1u);
    for (const char* line : {"N: hidraw1\n", "E: DEVNAME=/dev/hidraw1\n", "E: SUBSYSTEM=hidraw\n",
                             "L: device=../../../0003:0451:4A0B.0002\n",
                             "E: HID_ID=0003:00000451:00004A0B\n", "E: HID_NAME=Module\n",
                             "E: HID_UNIQ=ZEL00001\n", "E: HID_PHYS=usb-0000:00:14.0-2/input0\n",
                             "A: idVendor=0451\n", "A: idProduct=4a0b\n", "A: serial=ZEL00001\n",
                             "E: DEVTYPE=usb_device\n", "E: DEVTYPE=usb_interface\n"}) {
        EXPECT_EQ(linesStartingWith(tree.description, line), 1u) << line;
    }
}

TEST(DeviceTree, CarriesTheReportDescriptorOfOne64ByteReportEachWay)
{
    const DeviceTree tree = describe({0x0451, 0x4201, L"S", "Zel", "Module"}, 0);

    EXPECT_EQ(linesStartingWith(tree.description,
                                "H: report_descriptor=0600FF0901A101150026FF007508954009018102"
                                "954009019102C0\n"),
              1u);
}

TEST(DeviceTree, TextsCannotAddEntriesOfTheirOwn)
{
    const DeviceTree tree = describe({0x0451, 0x4201, L"A\nE: HID_UNIQ=B", "M\nA: x=1", "P\nE: HID_ID=0"}, 0);

    EXPECT_EQ(linesStartingWith(tree.description, "E: HID_UNIQ="), 1u);
    EXPECT_EQ(linesStartingWith(tree.description, "E: HID_ID="), 1u);
    EXPECT_EQ(linesStartingWith(tree.description, "A: x="), 0u);
    EXPECT_EQ(linesStartingWith(tree.description, "A: serial=A\\nE: HID_UNIQ=B\n"), 1u);
}

TEST(DeviceTree, WideTextsBecomeUtf8)
{
    EXPECT_EQ(toUtf8(L"ZEL-01"), "ZEL-01");
    EXPECT_EQ(toUtf8(L"\u00E9\u20AC\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(toUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

} // namespace
} // namespace zel::sim::hidraw
