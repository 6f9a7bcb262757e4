// GoogleTest fixture: one module attached on the scripted HID library, enumerated and opened in
// slot 0 by the real link, with helpers to state output reports literally.
#ifndef ZEL_TESTS_SUPPORT_MODULE_FIXTURE_H
#define ZEL_TESTS_SUPPORT_MODULE_FIXTURE_H

#include <gtest/gtest.h>

#include <initializer_list>

#include "tests/support/scripted_hid.h"
#include "usb/usb_link.h"

namespace zel::scripted {

// A 65-byte output report: `prefix` (report number first), then zeros.
inline Bytes outReport(std::initializer_list<uint8_t> prefix)
{
    Bytes report(prefix);
    report.resize(USB_LINK_OUT_REPORT_SIZE, 0);
    return report;
}

// Closes every slot of the link and forgets the scripted library's state.
inline void closeAllSlots()
{
    for (int32_t slot = 0; slot < USB_LINK_MAX_DEVICES; ++slot) {
        UsbLink_Close(slot);
    }
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        closeAllSlots();
        reset();
        setInterfaces({{USB_LINK_VENDOR_ID, 0x4200, L"ZEL00001"}});
        ASSERT_EQ(UsbLink_Enumerate(), 1);
        ASSERT_EQ(UsbLink_Open(0), 0);
    }

    void TearDown() override
    {
        closeAllSlots();
        EXPECT_EQ(liveHandles(), 0u);
        EXPECT_EQ(misuses(), 0u);
    }
};

} // namespace zel::scripted

#endif
