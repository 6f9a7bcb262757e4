// Finding, opening and closing modules through the exported functions.
#include "tests/api/api_fixture.h"

namespace zel::test {
namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zelClose(0);
        sim::detachAll();
        sim::setInitFailure(false);
    }
    void TearDown() override
    {
        for (int32_t slot = 0; slot < 4; ++slot) {
            zelClose(slot);
        }
        sim::setInitFailure(false);
        sim::detachAll();
    }
};

TEST_F(ConnectionTest, NoModuleCountsZeroAndCannotBeOpened)
{
    EXPECT_EQ(zelInitUsb(), 0);
    EXPECT_EQ(zelOpenByUsb(0), ZEL_ERROR_OPEN);
}

TEST_F(ConnectionTest, HidLibraryThatCannotStartIsReported)
{
    sim::attachModule();
    sim::setInitFailure(true);
    EXPECT_EQ(zelInitUsb(), ZEL_ERROR_HID_INIT);
}

TEST_F(ConnectionTest, CountsOnlyModulesOfTheVendor)
{
    sim::attachForeignDevice(0x046D, 0xC52B, L"OTHER");
    sim::attachModule();
    EXPECT_EQ(zelInitUsb(), 1);
}

TEST_F(ConnectionTest, OpenedSlotIsTheOneSpokenTo)
{
    sim::ModuleIdentity first = sim::defaultIdentity();
    sim::ModuleIdentity second = sim::defaultIdentity();
    second.serial = L"ZEL00002";
    sim::attachModule(first);
    sim::attachModule(second);
    ASSERT_EQ(zelInitUsb(), 2);

    ASSERT_EQ(zelOpenByUsb(1), ZEL_OK);
    uint8_t serial[8] = {};
    ASSERT_EQ(zelGetSerialNumber(serial), ZEL_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(serial), 8), "ZEL00002");
}

TEST_F(ConnectionTest, SlotsOutsideTheTableDoNotOpen)
{
    sim::attachModule();
    ASSERT_EQ(zelInitUsb(), 1);
    for (const int32_t slot : {-1, 4, 1000}) {
        EXPECT_EQ(zelOpenByUsb(slot), ZEL_ERROR_OPEN) << slot;
    }
}

TEST_F(ConnectionTest, CloseIsSilentAndEndsTheConversation)
{
    sim::attachModule();
    ASSERT_EQ(zelInitUsb(), 1);
    ASSERT_EQ(zelOpenByUsb(0), ZEL_OK);

    int32_t result = -1;
    EXPECT_EQ(captureStdout([&] { result = zelClose(0); }), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(sim::openHandleCount(), 0u);
    uint8_t serial[8] = {};
    EXPECT_EQ(captureStdout([&] { result = zelGetSerialNumber(serial); }),
              "QRN_GetSerialNumber error: -1\n");
    EXPECT_EQ(result, ZEL_ERROR_LINK);
}

} // namespace
} // namespace zel::test
