// The C functions of module.h on in-process virtual modules and the virtual HID backend.
#include "api/module.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "sim/hid_backend.h"

namespace {

class ModuleAbiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zel_virtual_options options;
        zel_virtual_options_init(&options);
        options.realtime = 0;
        options.sample = "gray";
        ASSERT_EQ(zel_open_virtual(&options, &module_), ZEL_SUCCESS);
    }
    void TearDown() override { zel_close(module_); }

    zel_module* module_ = nullptr;
};

TEST_F(ModuleAbiTest, IdentitySensorsAndControls)
{
    zel_module_info info;
    ASSERT_EQ(zel_get_info(module_, &info), ZEL_SUCCESS);
    EXPECT_STREQ(info.serial, "ZEL00001");
    EXPECT_STREQ(info.path, "virtual:ZEL00001");
    char serial[9];
    ASSERT_EQ(zel_get_serial(module_, serial, sizeof serial), ZEL_SUCCESS);
    EXPECT_STREQ(serial, "ZEL00001");
    char small[8];
    EXPECT_EQ(zel_get_serial(module_, small, sizeof small), ZEL_E_INVALID_ARGUMENT);
    char uuid[17];
    ASSERT_EQ(zel_get_uuid(module_, uuid), ZEL_SUCCESS);
    EXPECT_STREQ(uuid, "0000000000000001");

    zel_sensors sensors;
    ASSERT_EQ(zel_get_sensors(module_, &sensors), ZEL_SUCCESS);
    EXPECT_DOUBLE_EQ(sensors.temperature_c, sensors.raw_temperature / 100.0);
    EXPECT_GT(sensors.battery_v, 3.0);

    int32_t value = -1;
    ASSERT_EQ(zel_set_lamp(module_, 1), ZEL_SUCCESS);
    ASSERT_EQ(zel_get_lamp(module_, &value), ZEL_SUCCESS);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(zel_set_gain(module_, 16), ZEL_SUCCESS);
    ASSERT_EQ(zel_get_gain(module_, &value), ZEL_SUCCESS);
    EXPECT_EQ(value, 16);
    EXPECT_EQ(zel_set_gain(module_, 5), ZEL_E_INVALID_ARGUMENT);
    EXPECT_STREQ(zel_last_error(), "gain 5 is not one of 1, 2, 4, 8, 16, 32, 64");
    ASSERT_EQ(zel_set_averaging(module_, 3), ZEL_SUCCESS);
    ASSERT_EQ(zel_get_averaging(module_, &value), ZEL_SUCCESS);
    EXPECT_EQ(value, 3);
    ASSERT_EQ(zel_set_button_enabled(module_, 1), ZEL_SUCCESS);
    ASSERT_EQ(zel_get_button_enabled(module_, &value), ZEL_SUCCESS);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(zel_get_button_presses(module_, &value), ZEL_SUCCESS);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(zel_set_bluetooth(module_, 1), ZEL_SUCCESS);
    ASSERT_EQ(zel_get_bluetooth(module_, &value), ZEL_SUCCESS);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(zel_get_status_word(module_, &value), ZEL_SUCCESS);
    EXPECT_EQ(value & 0xF, 0xF);  // lamp, controller, Bluetooth, button

    int32_t gains[10] = {};
    EXPECT_EQ(zel_accepted_gains(gains, 10), 7);
    EXPECT_EQ(gains[6], 64);
    EXPECT_EQ(zel_accepted_gains(nullptr, 0), 7);
}

TEST_F(ModuleAbiTest, ConfigurationsAndScansWithZerosPastTheValidPoints)
{
    int32_t count = 0;
    ASSERT_EQ(zel_get_configuration_count(module_, &count), ZEL_SUCCESS);
    ASSERT_EQ(count, 4);
    zel_configuration config;
    ASSERT_EQ(zel_get_configuration(module_, 2, &config), ZEL_SUCCESS);
    EXPECT_STREQ(config.name, "Sectioned 1");
    EXPECT_EQ(config.kind, ZEL_KIND_SECTIONED);
    EXPECT_EQ(config.points, 220);
    EXPECT_GT(config.num_sections, 1);
    EXPECT_GT(config.scan_time_s, 0.25);
    EXPECT_EQ(zel_get_configuration(module_, 4, &config), ZEL_E_CONFIG_INDEX);

    auto spectrum = std::make_unique<zel_spectrum>();
    for (int32_t c = 0; c < count; ++c) {
        std::memset(spectrum.get(), 0x7F, sizeof *spectrum);
        ASSERT_EQ(zel_scan(module_, c, spectrum.get()), ZEL_SUCCESS);
        const int32_t n = spectrum->length;
        EXPECT_EQ(spectrum->metadata.configuration, c);
        for (int32_t i = 0; i < n; ++i) {
            ASSERT_NEAR(spectrum->reflectance[i], 0.5, 0.03) << c << " " << i;
            ASSERT_NEAR(spectrum->absorbance[i], -std::log10(spectrum->reflectance[i]), 1e-12);
            ASSERT_EQ(spectrum->reflectance[i], spectrum->intensity[i] / spectrum->reference[i]);
        }
        for (int32_t i = n; i < ZEL_SPECTRUM_CAPACITY; ++i) {
            ASSERT_EQ(spectrum->wavelength_nm[i], 0.0);
            ASSERT_EQ(spectrum->intensity[i], 0.0);
            ASSERT_EQ(spectrum->reference[i], 0.0);
            ASSERT_EQ(spectrum->reflectance[i], 0.0);
        }
    }
    EXPECT_STREQ(spectrum->metadata.software_version, ZEL_VERSION_STRING);
    EXPECT_EQ(zel_scan(module_, 9, spectrum.get()), ZEL_E_CONFIG_INDEX);
    EXPECT_STREQ(zel_last_error(), "scan configuration 9 of 4: no scan configuration has that index");
}

TEST_F(ModuleAbiTest, RepeatedScanReportsProgress)
{
    auto spectrum = std::make_unique<zel_spectrum>();
    std::vector<int32_t> seen;
    const zel_progress_fn progress = [](void* context, int32_t done, int32_t total) {
        static_cast<std::vector<int32_t>*>(context)->push_back(done * 10 + total);
    };
    ASSERT_EQ(zel_scan_repeated(module_, 0, 3, progress, &seen, spectrum.get()), ZEL_SUCCESS);
    EXPECT_EQ(seen, (std::vector<int32_t>{13, 23, 33}));
    EXPECT_EQ(spectrum->metadata.repeats, 3);
    EXPECT_GT(spectrum->intensity_std[10], 0.0);
    EXPECT_EQ(zel_scan_repeated(module_, 0, 0, nullptr, nullptr, spectrum.get()), ZEL_E_INVALID_ARGUMENT);
}

TEST_F(ModuleAbiTest, NullArgumentsAreRefusedBeforeAnything)
{
    int32_t value = 0;
    EXPECT_EQ(zel_get_gain(nullptr, &value), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(zel_get_gain(module_, nullptr), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(zel_scan(module_, 0, nullptr), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(zel_get_sensors(module_, nullptr), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(zel_open(nullptr), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(zel_open_serial(nullptr, &module_), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(zel_list_modules(nullptr, 2), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(zel_cancel(nullptr), ZEL_E_INVALID_ARGUMENT);
    zel_close(nullptr);
}

TEST(ModuleAbi, VersionAndTexts)
{
    EXPECT_STREQ(zel_version(), ZEL_VERSION_STRING);
    EXPECT_STREQ(zel_strerror(ZEL_E_DISCONNECTED), "the module was disconnected");
    EXPECT_STREQ(zel_strerror(-19), "asking for a stored file's size failed");
}

TEST(ModuleAbi, ListsAndOpensHidModules)
{
    zel::sim::detachAll();
    EXPECT_EQ(zel_list_modules(nullptr, 0), 0);
    zel_module* module = nullptr;
    EXPECT_EQ(zel_open(&module), ZEL_E_NO_MODULE);
    EXPECT_EQ(module, nullptr);
    zel::sim::attachModule();
    zel_module_info found[2];
    ASSERT_EQ(zel_list_modules(found, 2), 1);
    EXPECT_STREQ(found[0].serial, "ZEL00001");
    ASSERT_EQ(zel_open_path(found[0].path, &module), ZEL_SUCCESS);
    zel::sim::detachAll();
    int32_t gain = 0;
    EXPECT_EQ(zel_get_gain(module, &gain), ZEL_E_DISCONNECTED);
    zel_close(module);
}

TEST(ModuleAbi, CancelFromAnotherThread)
{
    zel_module* module = nullptr;
    ASSERT_EQ(zel_open_virtual(nullptr, &module), ZEL_SUCCESS);  // real time
    auto spectrum = std::make_unique<zel_spectrum>();
    int32_t status = 0;
    std::thread scanner([&] { status = zel_scan_repeated(module, 3, 20, nullptr, nullptr, spectrum.get()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(zel_cancel(module), ZEL_SUCCESS);
    scanner.join();
    EXPECT_EQ(status, ZEL_E_CANCELLED);
    zel_close(module);
}

}  // namespace
