#include "usb/usb_link.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/module_fixture.h"
#include "tests/support/scripted_hid.h"

namespace zel::scripted {
namespace {

using Calls = std::vector<std::string>;

class UsbLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        closeAllSlots();
        reset();
    }
    void TearDown() override
    {
        closeAllSlots();
        EXPECT_EQ(liveHandles(), 0u);
        EXPECT_EQ(liveEnumerations(), 0u);
        EXPECT_EQ(misuses(), 0u);
    }

    static std::wstring serialOf(int32_t slot) { return UsbLink_Entry(slot)->serial; }
};

TEST_F(UsbLinkTest, EnumerationRecordsOnlyVendor0451InLibraryOrder)
{
    setInterfaces({{0x046D, 0x0001, L"MOUSE"},
                   {0x0451, 0x0000, L"A1"},
                   {0x0452, 0x4200, L"NEAR"},
                   {0x0451, 0xFFFF, L"B2"}});

    EXPECT_EQ(UsbLink_Enumerate(), 2);

    EXPECT_EQ(calls(), (Calls{"hid_enumerate(0000,0000)", "hid_init", "hid_free_enumeration"}));
    for (int32_t slot : {0, 1}) {
        EXPECT_EQ(UsbLink_Entry(slot)->index, slot);
        EXPECT_EQ(UsbLink_Entry(slot)->vendorId, 0x0451);
        EXPECT_EQ(UsbLink_Entry(slot)->handle, nullptr);
    }
    EXPECT_EQ(UsbLink_Entry(0)->productId, 0x0000);
    EXPECT_EQ(UsbLink_Entry(1)->productId, 0xFFFF);
    EXPECT_EQ(serialOf(0), L"A1");
    EXPECT_EQ(serialOf(1), L"B2");
}

TEST_F(UsbLinkTest, SerialKeepsAtMostEightUnitsAndAlwaysEnds)
{
    setInterfaces({{0x0451, 1, L"ABCDEFGHIJKL"}, {0x0451, 2, L"12345678"}, {0x0451, 3, std::nullopt}});
    ASSERT_EQ(UsbLink_Enumerate(), 3);
    EXPECT_EQ(serialOf(0), L"ABCDEFGH");
    EXPECT_EQ(serialOf(1), L"12345678");
    EXPECT_EQ(UsbLink_Entry(1)->serial[8], L'\0');
    EXPECT_EQ(serialOf(2), L"");

    // A shorter serial in a repeat enumeration clears what the longer one left.
    setInterfaces({{0x0451, 1, L"XY"}});
    ASSERT_EQ(UsbLink_Enumerate(), 1);
    for (size_t unit = 2; unit <= USB_LINK_SERIAL_UNITS; ++unit) {
        EXPECT_EQ(UsbLink_Entry(0)->serial[unit], L'\0') << unit;
    }
}

TEST_F(UsbLinkTest, FifthMatchingInterfaceIsIgnored)
{
    std::vector<Interface> many;
    for (uint16_t product = 1; product <= 6; ++product) {
        many.push_back({0x0451, product, L"S"});
    }
    setInterfaces(many);
    EXPECT_EQ(UsbLink_Enumerate(), 4);
    EXPECT_EQ(UsbLink_Entry(3)->productId, 4);
    EXPECT_EQ(UsbLink_Entry(4), nullptr);
    EXPECT_EQ(UsbLink_Open(4), USB_LINK_ERROR_OPEN);
}

TEST_F(UsbLinkTest, FailedInitReleasesTheListAndKeepsTheTable)
{
    setInterfaces({{0x0451, 7, L"KEEP"}});
    ASSERT_EQ(UsbLink_Enumerate(), 1);
    setInterfaces({{0x0451, 8, L"NEW"}, {0x0451, 9, L"NEW2"}});
    setInitResult(-1);

    EXPECT_EQ(UsbLink_Enumerate(), USB_LINK_ERROR_INIT);

    EXPECT_EQ(calls().back(), "hid_free_enumeration");
    EXPECT_EQ(UsbLink_Entry(0)->productId, 7);
    EXPECT_EQ(serialOf(0), L"KEEP");
    EXPECT_EQ(UsbLink_Open(1), USB_LINK_ERROR_OPEN);  // still one recorded slot
}

TEST_F(UsbLinkTest, NothingAttachedRecordsNothingAndOpensNothing)
{
    setInterfaces({{0x046D, 1, L"OTHER"}});
    EXPECT_EQ(UsbLink_Enumerate(), 0);
    const size_t before = calls().size();
    EXPECT_EQ(UsbLink_Open(0), USB_LINK_ERROR_OPEN);
    EXPECT_EQ(calls().size(), before);
}

TEST_F(UsbLinkTest, OpenUsesTheSlotIdentifiersAndLinkCodesWithoutHandle)
{
    uint8_t report[USB_LINK_OUT_REPORT_SIZE] = {};
    EXPECT_EQ(UsbLink_Write(report), USB_LINK_ERROR_WRITE_CLOSED);
    EXPECT_EQ(UsbLink_Read(report), USB_LINK_ERROR_READ_CLOSED);
    EXPECT_TRUE(writtenReports().empty());
    EXPECT_EQ(readCount(), 0u);

    setInterfaces({{0x0451, 0x4200, L"ZEL00001"}, {0x0451, 0x4201, L"LONGSERIAL9"}});
    ASSERT_EQ(UsbLink_Enumerate(), 2);
    EXPECT_EQ(UsbLink_Open(0), 0);
    EXPECT_EQ(calls().back(), "hid_open(0451,4200,ZEL00001)");
    EXPECT_NE(UsbLink_Entry(0)->handle, nullptr);

    // A serial longer than 8 units does not match its own truncation; the slot is current anyway.
    EXPECT_EQ(UsbLink_Open(1), USB_LINK_ERROR_OPEN);
    EXPECT_EQ(calls().back(), "hid_open(0451,4201,LONGSERI)");
    EXPECT_EQ(UsbLink_Write(report), USB_LINK_ERROR_WRITE_CLOSED);
    EXPECT_EQ(UsbLink_Read(report), USB_LINK_ERROR_READ_CLOSED);
}

TEST_F(UsbLinkTest, OpenOutsideTheRecordedSlotsMakesNoCallAndKeepsTheCurrentSlot)
{
    setInterfaces({{0x0451, 1, L"A"}, {0x0451, 2, L"B"}});
    ASSERT_EQ(UsbLink_Enumerate(), 2);
    ASSERT_EQ(UsbLink_Open(0), 0);
    const size_t before = calls().size();
    for (int32_t index : {-1, 2, 3, 4, 1000}) {
        EXPECT_EQ(UsbLink_Open(index), USB_LINK_ERROR_OPEN) << index;
    }
    EXPECT_EQ(calls().size(), before);
    const uint8_t report[USB_LINK_OUT_REPORT_SIZE] = {};
    EXPECT_EQ(UsbLink_Write(report), USB_LINK_OUT_REPORT_SIZE);
}

TEST_F(UsbLinkTest, ReopenClosesTheOldHandleAndCloseClearsIt)
{
    setInterfaces({{0x0451, 1, L"A"}, {0x0451, 2, L"B"}});
    ASSERT_EQ(UsbLink_Enumerate(), 2);
    ASSERT_EQ(UsbLink_Open(0), 0);
    ASSERT_EQ(UsbLink_Open(0), 0);
    EXPECT_EQ(liveHandles(), 1u);
    EXPECT_EQ(calls().end()[-2], "hid_close");

    // Writes go to the current slot only: closing it stops them although slot 0 is still open.
    ASSERT_EQ(UsbLink_Open(1), 0);
    UsbLink_Close(1);
    EXPECT_EQ(UsbLink_Entry(1)->handle, nullptr);
    uint8_t report[USB_LINK_OUT_REPORT_SIZE] = {};
    EXPECT_EQ(UsbLink_Write(report), USB_LINK_ERROR_WRITE_CLOSED);
    EXPECT_EQ(UsbLink_Read(report), USB_LINK_ERROR_READ_CLOSED);

    const size_t before = calls().size();
    UsbLink_Close(1);
    UsbLink_Close(-1);
    UsbLink_Close(4);
    EXPECT_EQ(calls().size(), before);
    EXPECT_EQ(liveHandles(), 1u);
}

TEST_F(UsbLinkTest, RepeatEnumerationKeepsOpenHandles)
{
    setInterfaces({{0x0451, 1, L"A"}});
    ASSERT_EQ(UsbLink_Enumerate(), 1);
    ASSERT_EQ(UsbLink_Open(0), 0);
    hid_device* const handle = UsbLink_Entry(0)->handle;

    setInterfaces({{0x0451, 1, L"A"}, {0x0451, 2, L"B"}});
    ASSERT_EQ(UsbLink_Enumerate(), 2);
    EXPECT_EQ(UsbLink_Entry(0)->handle, handle);
    const uint8_t report[USB_LINK_OUT_REPORT_SIZE] = {};
    EXPECT_EQ(UsbLink_Write(report), USB_LINK_OUT_REPORT_SIZE);
}

class UsbLinkReportTest : public ModuleTest {};

TEST_F(UsbLinkReportTest, WriteHandsOver65BytesAndPassesTheResultOn)
{
    uint8_t report[USB_LINK_OUT_REPORT_SIZE];
    for (size_t i = 0; i < sizeof report; ++i) {
        report[i] = static_cast<uint8_t>(i);
    }
    queueWriteResult(-1);
    EXPECT_EQ(UsbLink_Write(report), -1);
    EXPECT_EQ(UsbLink_Write(report), 65);
    ASSERT_EQ(writtenReports().size(), 2u);
    EXPECT_EQ(writtenReports()[1], Bytes(report, report + sizeof report));
    EXPECT_EQ(UsbLink_Write(nullptr), -1);
}

TEST_F(UsbLinkReportTest, ReadAsks64BytesWithTenSecondTimeout)
{
    const Bytes input(64, 0xA5);
    queueReport(input);
    queueReadResult(-1);
    uint8_t buffer[64] = {};
    EXPECT_EQ(UsbLink_Read(buffer), 64);
    EXPECT_EQ(Bytes(buffer, buffer + 64), input);
    EXPECT_EQ(lastReadLength(), 64u);
    EXPECT_EQ(lastReadTimeout(), 10000);
    EXPECT_EQ(UsbLink_Read(buffer), -1);

    EXPECT_EQ(UsbLink_Read(buffer), 0);
    EXPECT_EQ(elapsedMs(), 10000u);
    EXPECT_EQ(UsbLink_Read(nullptr), -1);
}

} // namespace
} // namespace zel::scripted
