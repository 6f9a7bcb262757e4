// Module objects over the HID library the executable links (here the virtual modules' backend).
#include "device/module.h"

#include <gtest/gtest.h>

#include "sim/hid_backend.h"
#include "tests/device/module_fixture.h"

namespace zel::test {
namespace {

class HidTransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::detachAll();
        sim::attachForeignDevice(0x046D, 0xC077, L"MOUSE");
        sim::ModuleIdentity second = sim::defaultIdentity();
        second.serial = L"ZEL00002";
        second.productId = 0x4202;
        first_ = &sim::attachModule();
        second_ = &sim::attachModule(second);
    }
    void TearDown() override
    {
        EXPECT_EQ(sim::openHandleCount(), 0u);
        sim::detachAll();
    }

    sim::VirtualModule* first_ = nullptr;
    sim::VirtualModule* second_ = nullptr;
};

TEST_F(HidTransportTest, ListsOnlyModulesWithTheirIdentity)
{
    const std::vector<ModuleInfo> modules = list_modules();
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[0].serial, "ZEL00001");
    EXPECT_EQ(modules[0].vendor_id, 0x0451);
    EXPECT_EQ(modules[0].product_id, 0x4201);
    EXPECT_EQ(modules[0].path, "sim:1:0");
    EXPECT_EQ(modules[1].serial, "ZEL00002");
    EXPECT_EQ(modules[1].product_id, 0x4202);
    EXPECT_EQ(modules[1].path, "sim:2:0");
}

TEST_F(HidTransportTest, OpensFirstBySerialAndByPath)
{
    {
        Module m = Module::open();
        EXPECT_EQ(m.info().serial, "ZEL00001");
        EXPECT_EQ(m.serial(), "ZEL00001");
    }
    {
        Module m = Module::open_serial("ZEL00002");
        EXPECT_EQ(m.serial(), "ZEL00002");
        EXPECT_EQ(m.info().product_id, 0x4202);
        EXPECT_EQ(m.scan(2).size(), 220u);
    }
    {
        Module m = Module::open_path("sim:2:0");
        EXPECT_EQ(m.serial(), "ZEL00002");
    }
    EXPECT_EQ(errorCode([] { Module::open_serial("ZEL00009"); }), ZEL_E_NO_MODULE);
    EXPECT_EQ(errorCode([] { Module::open_path("sim:9:0"); }), ZEL_E_OPEN);
    sim::detachAll();
    EXPECT_EQ(errorCode([] { Module::open(); }), ZEL_E_NO_MODULE);
}

TEST_F(HidTransportTest, StrayReportsNeverPassForAnswers)
{
    Module m = Module::open_serial("ZEL00001");
    // A stray report after the next answer: the call after it still reads its own answer.
    sim::Fault stray;
    stray.kind = sim::FaultKind::StrayReports;
    stray.value = 3;
    stray.times = 1;
    first_->injectFault(stray);
    EXPECT_EQ(m.serial(), "ZEL00001");
    EXPECT_EQ(m.gain(), 4);
}

TEST_F(HidTransportTest, UnpluggedModuleFailsEveryCallAsDisconnected)
{
    Module m = Module::open_serial("ZEL00001");
    ASSERT_EQ(m.serial(), "ZEL00001");
    sim::detachAll();
    EXPECT_EQ(errorCode([&] { m.serial(); }), ZEL_E_DISCONNECTED);
    EXPECT_EQ(errorCode([&] { m.scan(0); }), ZEL_E_DISCONNECTED);
    EXPECT_EQ(errorCode([&] { m.sensors(); }), ZEL_E_DISCONNECTED);
}

}  // namespace
}  // namespace zel::test
