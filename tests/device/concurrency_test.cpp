// Module objects from several threads: parallel modules, one shared object, cancel and unplug.
#include "device/module.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "api/zel.h"
#include "sim/hid_backend.h"
#include "sim/virtual_module.h"
#include "tests/device/module_fixture.h"

namespace zel::test {
namespace {

using Clock = std::chrono::steady_clock;

VirtualOptions realtimeOptions(const std::string& serial = "ZEL00001")
{
    VirtualOptions options = instantOptions(serial);
    options.realtime = true;
    return options;
}

// Scans `module` `count` times over every configuration and records the worst rms error against
// `sample`.
void scanRepeatedly(Module& module, int count, double (*sample)(double), double& worstRms)
{
    worstRms = 0;
    for (int i = 0; i < count; ++i) {
        const int config = i % 4;
        worstRms = std::max(worstRms, reflectanceError(module.scan(config), sample).rms);
    }
}

TEST(Concurrency, TwoModulesScanInParallelEachItsOwnSample)
{
    for (const bool realtime : {false, true}) {
        VirtualOptions a = instantOptions("ZELA0001", 7);
        VirtualOptions b = instantOptions("ZELB0002", 8);
        a.realtime = b.realtime = realtime;
        Module first = Module::open_virtual(a, risingSample);
        Module second = Module::open_virtual(b, fallingSample);
        const int scans = realtime ? 2 : 24;
        double worstFirst = 1;
        double worstSecond = 1;
        std::thread other([&] { scanRepeatedly(second, scans, fallingSample, worstSecond); });
        scanRepeatedly(first, scans, risingSample, worstFirst);
        other.join();
        EXPECT_LT(worstFirst, 0.01) << "realtime " << realtime;
        EXPECT_LT(worstSecond, 0.01) << "realtime " << realtime;
        EXPECT_EQ(first.serial(), "ZELA0001");
        EXPECT_EQ(second.serial(), "ZELB0002");
    }
}

TEST(Concurrency, ThreadsSharingOneObjectSeeConsistentResults)
{
    Module module = Module::open_virtual(instantOptions(), risingSample);
    sim::SensorReadings readings;
    module.with_virtual([&](sim::VirtualModule& m) {
        m.setSensorDrift(false);
        readings = m.sensors();
    });
    std::atomic<int> wrong{0};
    std::atomic<int> calls{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) {
                switch ((t + i) % 5) {
                case 0:
                    wrong += module.serial() != "ZEL00001";
                    break;
                case 1: {
                    const Sensors s = module.sensors();
                    wrong += s.raw_temperature != static_cast<uint32_t>(readings.temperature) ||
                             s.raw_battery_v != readings.batteryCentivolts;
                    break;
                }
                case 2: {
                    module.set_gain(1 << (i % 7));
                    const int gain = module.gain();
                    wrong += std::find(Module::accepted_gains().begin(),
                                       Module::accepted_gains().end(),
                                       gain) == Module::accepted_gains().end();
                    break;
                }
                case 3:
                    wrong += reflectanceError(module.scan(i % 4), risingSample).rms > 0.01;
                    break;
                default:
                    wrong += module.configurations().size() != 4;
                    break;
                }
                ++calls;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(calls, 160);
    EXPECT_EQ(wrong, 0);
}

TEST(Concurrency, CancelEndsABlockedScanPromptlyAndIsThenForgotten)
{
    Module module = Module::open_virtual(realtimeOptions());
    int code = 0;
    Clock::time_point ended;
    std::thread scanner([&] {
        code = errorCode([&] { module.scan(3, ScanOptions{20, {}}); });
        ended = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const Clock::time_point cancelled = Clock::now();
    module.cancel();
    scanner.join();
    EXPECT_EQ(code, ZEL_E_CANCELLED);
    // Twenty scans would take ten seconds; the cancel ends the call within a fraction of one.
    EXPECT_LT(ended - cancelled, std::chrono::milliseconds(1000));
    EXPECT_EQ(module.scan(0).size(), 228u);
}

TEST(Concurrency, UnplugFailsTheCallAndEveryLaterOneAtOnce)
{
    Module module = Module::open_virtual(realtimeOptions());
    int code = 0;
    std::thread scanner([&] { code = errorCode([&] { module.scan(3, ScanOptions{20, {}}); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    module.unplug_virtual();
    scanner.join();
    EXPECT_EQ(code, ZEL_E_DISCONNECTED);
    const Clock::time_point before = Clock::now();
    EXPECT_EQ(errorCode([&] { module.serial(); }), ZEL_E_DISCONNECTED);
    EXPECT_EQ(errorCode([&] { module.scan(0); }), ZEL_E_DISCONNECTED);
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(100));
}

TEST(Concurrency, TheProcessWideFunctionsAreSerialised)
{
    sim::detachAll();
    sim::VirtualModule& model = sim::attachModule();
    model.setSensorDrift(false);
    ASSERT_EQ(zelInitUsb(), 1);
    ASSERT_EQ(zelOpenByUsb(0), 0);
    std::atomic<int> wrong{0};
    std::thread scanner([&] {
        std::vector<int32_t> intensities(228);
        for (int i = 0; i < 10; ++i) {
            wrong += zelGetIntensities(0, intensities.data(), 228) != ZEL_OK || intensities[100] <= 0;
        }
    });
    for (int i = 0; i < 200; ++i) {
        uint32_t humidity = 0;
        uint32_t temperature = 0;
        wrong += zelGetHumTemp(&humidity, &temperature) != ZEL_OK || humidity != 4130 ||
                 temperature != 2450;
    }
    scanner.join();
    EXPECT_EQ(wrong, 0);
    zelClose(0);
    sim::detachAll();
}

}  // namespace
}  // namespace zel::test
