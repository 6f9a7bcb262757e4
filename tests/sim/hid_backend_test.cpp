// The hid_* backend: enumeration, open by identifiers, reports through to the module, and the
// virtual clock.
#include <gtest/gtest.h>

#include <hidapi/hidapi.h>

#include <array>
#include <vector>

#include "platform/sleep.h"
#include "sim/hid_backend.h"

namespace zel::sim {
namespace {

class HidBackend : public ::testing::Test {
protected:
    void SetUp() override {
        detachAll();
        resetClock();
        setInitFailure(false);
    }
    void TearDown() override { detachAll(); }
};

struct Listed {
    unsigned short vendor;
    unsigned short product;
    std::wstring serial;
};

std::vector<Listed> enumerate(unsigned short vendor = 0, unsigned short product = 0) {
    std::vector<Listed> out;
    hid_device_info *list = hid_enumerate(vendor, product);
    for (const hid_device_info *d = list; d != nullptr; d = d->next) {
        out.push_back({d->vendor_id, d->product_id, d->serial_number});
    }
    hid_free_enumeration(list);
    return out;
}

TEST_F(HidBackend, EnumeratesModulesAndForeignDevicesInAttachmentOrder) {
    attachForeignDevice(0x046D, 0xC52B, L"KEYB");
    ModuleIdentity second;
    second.productId = 0x4202;
    second.serial = L"ZEL00002";
    attachModule();
    attachModule(second, 2);
    const auto all = enumerate();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].vendor, 0x046D);
    EXPECT_EQ(all[1].serial, L"ZEL00001");
    EXPECT_EQ(all[2].product, 0x4202);
    EXPECT_EQ(all[3].serial, L"ZEL00002");
    EXPECT_EQ(enumerate(0x0451, 0x4202).size(), 2u);
    EXPECT_TRUE(enumerate(0x1234, 0).empty());
    EXPECT_EQ(hid_init(), 0);
    setInitFailure(true);
    EXPECT_EQ(hid_init(), -1);
}

TEST_F(HidBackend, OpensByIdentifiersAndCarriesReportsBothWays) {
    VirtualModule &first = attachModule();
    ModuleIdentity id;
    id.serial = L"ZEL00002";
    VirtualModule &second = attachModule(id);
    EXPECT_EQ(hid_open(0x0451, 0x4201, L"ZEL0000"), nullptr);
    hid_device *dev = hid_open(0x0451, 0x4201, L"ZEL00002");
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(openHandleCount(), 1u);

    const std::array<unsigned char, 65> request{0x00, 0xC0, 0x00, 0x02, 0x00, 0x22, 0x02};
    EXPECT_EQ(hid_write(dev, request.data(), request.size()), 65);
    EXPECT_EQ(second.counters().reportsIn, 1u);
    EXPECT_EQ(first.counters().reportsIn, 0u);
    std::array<unsigned char, 64> reply{};
    EXPECT_EQ(hid_read_timeout(dev, reply.data(), reply.size(), 10000), 64);
    EXPECT_EQ(reply[0], 0xC0);
    EXPECT_EQ(reply[4], 4);
    EXPECT_EQ(clockMs(), 2u);  // one report each way

    // Nothing more to say: the whole time-out passes at once.
    EXPECT_EQ(hid_read_timeout(dev, reply.data(), reply.size(), 10000), 0);
    EXPECT_EQ(clockMs(), 10002u);
    Sleep(2000);
    EXPECT_EQ(clockMs(), 12002u);
    EXPECT_EQ(sleptMs(), 2000u);

    const std::array<unsigned char, 65> numbered{0x01};
    EXPECT_EQ(hid_write(dev, numbered.data(), numbered.size()), -1);
    EXPECT_NE(hid_error(dev), nullptr);
    hid_close(dev);
    EXPECT_EQ(openHandleCount(), 0u);
}

TEST_F(HidBackend, OpeningDropsQueuedInputAndATimedOutReadLetsALateAnswerIn) {
    VirtualModule &module = attachModule();
    const std::array<unsigned char, 65> request{0x00, 0xC0, 0x00, 0x02, 0x00, 0x22, 0x02};
    std::array<unsigned char, 64> reply{};
    hid_device *first = hid_open(0x0451, 0x4201, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(hid_write(first, request.data(), request.size()), 65);
    hid_close(first);
    EXPECT_TRUE(module.hasReport());
    hid_device *dev = hid_open(0x0451, 0x4201, nullptr);
    ASSERT_NE(dev, nullptr);
    EXPECT_FALSE(module.hasReport());

    module.injectFault({FaultKind::LateAnswer, 0, std::nullopt, std::nullopt, 1});
    ASSERT_EQ(hid_write(dev, request.data(), request.size()), 65);
    const uint64_t start = clockMs();
    // A zero time-out only looks: the late answer is not due yet.
    EXPECT_EQ(hid_read_timeout(dev, reply.data(), reply.size(), 0), 0);
    EXPECT_EQ(clockMs(), start);
    EXPECT_EQ(hid_read_timeout(dev, reply.data(), reply.size(), 10000), 0);
    EXPECT_EQ(clockMs(), start + 10000);
    EXPECT_EQ(hid_read_timeout(dev, reply.data(), reply.size(), 0), 64);
    EXPECT_EQ(reply[0], 0xC0);
    EXPECT_EQ(reply[4], 4);
    EXPECT_EQ(sleptMs(), 0u);
    hid_close(dev);
}

TEST_F(HidBackend, ForeignDevicesSwallowWritesAndHandlesDieWithTheirDevice) {
    attachForeignDevice(0x046D, 0xC52B, L"KEYB");
    hid_device *foreign = hid_open(0x046D, 0xC52B, nullptr);
    ASSERT_NE(foreign, nullptr);
    const std::array<unsigned char, 65> report{};
    EXPECT_EQ(hid_write(foreign, report.data(), report.size()), 65);
    std::array<unsigned char, 64> reply{};
    EXPECT_EQ(hid_read_timeout(foreign, reply.data(), reply.size(), 50), 0);
    detachAll();
    EXPECT_EQ(hid_write(foreign, report.data(), report.size()), -1);
    EXPECT_EQ(hid_read_timeout(foreign, reply.data(), reply.size(), 50), -1);
    hid_close(foreign);
    EXPECT_EQ(hid_open(0x046D, 0xC52B, nullptr), nullptr);
}

}  // namespace
}  // namespace zel::sim
