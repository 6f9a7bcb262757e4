// zel::Module on in-process virtual modules: identity, sensors, controls, configurations, scans.
#include "device/module.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "protocol/qrn_codes.h"
#include "sim/virtual_module.h"
#include "spectrum/zelspec.h"
#include "tests/device/module_fixture.h"

namespace zel::test {
namespace {

class ModuleTest : public ::testing::Test {
protected:
    ModuleTest() : module_(Module::open_virtual(instantOptions(), risingSample))
    {
        module_.with_virtual([](sim::VirtualModule& m) { m.setSensorDrift(false); });
    }

    sim::VirtualModule& model()
    {
        sim::VirtualModule* found = nullptr;
        module_.with_virtual([&](sim::VirtualModule& m) { found = &m; });
        return *found;
    }

    Module module_;
};

TEST_F(ModuleTest, IdentityComesFromTheModule)
{
    EXPECT_EQ(module_.serial(), "ZEL00001");
    EXPECT_EQ(module_.info().serial, "ZEL00001");
    EXPECT_EQ(module_.info().path, "virtual:ZEL00001");
    EXPECT_EQ(module_.info().vendor_id, 0x0451);
    // Seed 1 is the module's flash identifier, big-endian.
    EXPECT_EQ(module_.uuid(), "0000000000000001");
}

TEST_F(ModuleTest, UuidLeavesALitLampLit)
{
    module_.set_lamp(true);
    ASSERT_TRUE(model().lampLit());
    module_.uuid();
    EXPECT_TRUE(model().lampLit());
    module_.set_lamp(false);
    module_.uuid();
    EXPECT_FALSE(model().lampLit());
}

TEST_F(ModuleTest, SensorsInUnitsAndRaw)
{
    sim::SensorReadings readings;
    readings.temperature = 2345;
    readings.humidity = 5612;
    readings.batteryCentivolts = 389;
    readings.batteryPercent = 7150;
    model().setSensors(readings);
    const Sensors s = module_.sensors();
    EXPECT_DOUBLE_EQ(s.temperature_c, 23.45);
    EXPECT_DOUBLE_EQ(s.humidity_pct, 56.12);
    EXPECT_DOUBLE_EQ(s.battery_v, 3.89);
    EXPECT_DOUBLE_EQ(s.battery_pct, 71.5);
    EXPECT_EQ(s.raw_temperature, 2345u);
    EXPECT_EQ(s.raw_humidity, 5612u);
    EXPECT_EQ(s.raw_battery_v, 389);
    EXPECT_EQ(s.raw_battery_pct, 7150);
    EXPECT_EQ(module_.status_word(), model().statusWord());
}

TEST_F(ModuleTest, ControlsReadBackWhatTheModuleHolds)
{
    module_.set_lamp(true);
    EXPECT_TRUE(module_.lamp());
    module_.set_lamp(false);
    EXPECT_FALSE(module_.lamp());
    EXPECT_EQ(model().state().lampControl, 1);

    for (const int gain : Module::accepted_gains()) {
        module_.set_gain(gain);
        EXPECT_EQ(module_.gain(), gain);
        EXPECT_EQ(model().state().pgaGain, gain);
    }
    EXPECT_EQ(errorCode([&] { module_.set_gain(3); }), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(model().state().pgaGain, 64);

    EXPECT_EQ(module_.averaging(), 1);
    module_.set_averaging(12);
    EXPECT_EQ(module_.averaging(), 12);
    EXPECT_EQ(model().state().scanAverage, 12);
    EXPECT_EQ(errorCode([&] { module_.set_averaging(0); }), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(errorCode([&] { module_.set_averaging(65536); }), ZEL_E_INVALID_ARGUMENT);

    module_.set_button_enabled(true);
    EXPECT_TRUE(module_.button_enabled());
    model().pressButton(3);
    EXPECT_EQ(module_.button_presses(), 3);
    module_.set_button_enabled(false);
    EXPECT_FALSE(module_.button_enabled());

    module_.set_bluetooth(true);
    EXPECT_TRUE(module_.bluetooth());
    module_.set_bluetooth(false);
    EXPECT_FALSE(module_.bluetooth());
}

TEST_F(ModuleTest, ConfigurationsDescribeEveryKind)
{
    const std::vector<Configuration>& configs = module_.configurations();
    ASSERT_EQ(configs.size(), 4u);
    EXPECT_EQ(configs[0].name, "Column 1");
    EXPECT_EQ(configs[0].kind, ScanKind::Column);
    EXPECT_EQ(configs[0].start_nm, 900);
    EXPECT_EQ(configs[0].end_nm, 1700);
    EXPECT_EQ(configs[0].width_px, 7);
    EXPECT_EQ(configs[0].points, 228);
    EXPECT_EQ(configs[1].name, "Hadamard 1");
    EXPECT_EQ(configs[1].kind, ScanKind::Hadamard);
    EXPECT_EQ(configs[2].name, "Sectioned 1");
    EXPECT_EQ(configs[2].kind, ScanKind::Sectioned);
    EXPECT_EQ(configs[2].points, 220);
    EXPECT_GT(configs[2].sections.size(), 1u);
    EXPECT_EQ(configs[3].name, "Column fine");
    EXPECT_EQ(configs[3].points, 350);
    EXPECT_EQ(configs[3].start_nm, 950);
    EXPECT_EQ(configs[3].end_nm, 1650);
    for (const Configuration& c : configs) {
        // The module's own time for a scan of this configuration at averaging 1.
        model().state().activeConfig = static_cast<uint8_t>(c.index);
        EXPECT_DOUBLE_EQ(c.scan_time_s, model().scanTimeMs() / 1000.0) << c.name;
    }
    // Scan times follow the averaging.
    const double single = configs[0].scan_time_s;
    module_.set_averaging(4);
    model().state().activeConfig = 0;
    const double fourfold = model().scanTimeMs() / 1000.0;
    EXPECT_GT(fourfold, single);
    EXPECT_DOUBLE_EQ(module_.configurations()[0].scan_time_s, fourfold);
    EXPECT_DOUBLE_EQ(module_.scan_time_s(0), fourfold);
}

TEST_F(ModuleTest, EveryKindGivesTheSampleBackAsReflectance)
{
    for (const Configuration& c : module_.configurations()) {
        const Spectrum s = module_.scan(c.index);
        ASSERT_EQ(s.size(), static_cast<std::size_t>(c.points)) << c.name;
        ASSERT_EQ(s.intensity.size(), s.size());
        ASSERT_EQ(s.reference.size(), s.size());
        EXPECT_TRUE(s.intensity_std.empty());
        EXPECT_GE(s.wavelength_nm.front(), c.start_nm - 5) << c.name;
        EXPECT_LE(s.wavelength_nm.back(), c.end_nm + 5) << c.name;
        const ReflectanceError e = reflectanceError(s, risingSample);
        EXPECT_LT(e.rms, 0.01) << c.name;
        EXPECT_LT(e.worst, 0.03) << c.name;
    }
}

TEST_F(ModuleTest, ScanMatchesTheModulesOwnRecordAndReference)
{
    const Spectrum s = module_.scan(1);
    // Interpret the file the module stored, independently of the object.
    const sim::Bytes file = *model().storedFile(sim::StoredFile::ScanData);
    const sim::Bytes cal = *model().storedFile(sim::StoredFile::CalData);
    const sim::Bytes matrix = *model().storedFile(sim::StoredFile::MatrixData);
    auto scan = std::make_unique<scanResults>();
    auto ref = std::make_unique<scanResults>();
    std::memset(scan.get(), 0, sizeof *scan);
    std::memset(ref.get(), 0, sizeof *ref);
    ASSERT_EQ(zelspec_scan_interpret(file.data(), file.size(), scan.get()), 0);
    ASSERT_EQ(zelspec_scan_interpReference(cal.data(), cal.size(), matrix.data(), matrix.size(),
                                           scan.get(), ref.get()),
              0);
    ASSERT_EQ(s.size(), static_cast<std::size_t>(scan->length));
    for (std::size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s.wavelength_nm[i], scan->wavelength[i]);
        EXPECT_EQ(s.intensity[i], scan->intensity[i]);
        EXPECT_EQ(s.reference[i], ref->intensity[i]);
    }
    EXPECT_EQ(s.metadata.serial, "ZEL00001");
    EXPECT_EQ(s.metadata.configuration, 1);
    EXPECT_EQ(s.metadata.configuration_name, "Hadamard 1");
    EXPECT_EQ(s.metadata.kind, ScanKind::Hadamard);
    EXPECT_EQ(s.metadata.gain, scan->pga);
    EXPECT_EQ(s.metadata.repeats, 1);
    EXPECT_DOUBLE_EQ(s.metadata.temperature_c, scan->system_temp / 100.0);
    EXPECT_DOUBLE_EQ(s.metadata.humidity_pct, scan->humidity / 100.0);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d", 2000 + scan->stamp[0],
                  scan->stamp[1], scan->stamp[2], scan->stamp[3], scan->stamp[4], scan->stamp[5]);
    EXPECT_EQ(s.metadata.module_time, stamp);
    EXPECT_EQ(s.metadata.host_time_utc.size(), 20u);
    EXPECT_EQ(s.metadata.software_version, version());
}

TEST_F(ModuleTest, ReferenceFilesAreReadOncePerObject)
{
    module_.scan(0);
    const uint64_t reportsBefore = model().counters().reportsOut;
    const uint64_t sizeRequests = model().commandCount(QRN_CMD_GET_FILE_SIZE);
    module_.scan(0);
    // The second scan fetches only the scan data file: one size request.
    EXPECT_EQ(model().commandCount(QRN_CMD_GET_FILE_SIZE) - sizeRequests, 1u);
    const uint64_t fileReports = (model().storedFile(sim::StoredFile::ScanData)->size() + 507) / 508 * 8;
    EXPECT_LE(model().counters().reportsOut - reportsBefore, fileReports + 16);
}

TEST_F(ModuleTest, RepeatsAverageOnTheHostWithProgress)
{
    std::vector<std::pair<int, int>> progress;
    ScanOptions options;
    options.repeats = 5;
    options.progress = [&](int done, int total) { progress.emplace_back(done, total); };
    const uint64_t scansBefore = model().scanCount();
    const Spectrum s = module_.scan(0, options);
    EXPECT_EQ(model().scanCount() - scansBefore, 5u);
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
    EXPECT_EQ(s.metadata.repeats, 5);
    ASSERT_EQ(s.intensity_std.size(), s.size());
    // Noise differs from scan to scan, so every point spreads a little and the mean is closer.
    for (std::size_t i = 0; i < s.size(); ++i) {
        EXPECT_GT(s.intensity_std[i], 0.0);
        EXPECT_LT(s.intensity_std[i], 0.05 * s.intensity[i]);
    }
    EXPECT_LT(reflectanceError(s, risingSample).rms, 0.01);
    EXPECT_EQ(errorCode([&] { module_.scan(0, ScanOptions{0, {}}); }), ZEL_E_INVALID_ARGUMENT);
}

TEST_F(ModuleTest, DerivedQuantities)
{
    Spectrum s;
    s.wavelength_nm = {900, 901, 902, 903};
    s.intensity = {50, 100, 10, -5};
    s.reference = {100, 0, -1, 50};
    const std::vector<double> r = s.reflectance();
    EXPECT_DOUBLE_EQ(r[0], 0.5);
    EXPECT_TRUE(std::isnan(r[1]));
    EXPECT_TRUE(std::isnan(r[2]));
    EXPECT_DOUBLE_EQ(r[3], -0.1);
    const std::vector<double> a = s.absorbance();
    EXPECT_NEAR(a[0], 0.30103, 1e-5);
    EXPECT_TRUE(std::isnan(a[1]));
    EXPECT_TRUE(std::isnan(a[3]));
    EXPECT_EQ(s.values(Quantity::Reference), s.reference);
    EXPECT_EQ(quantity_from_string("absorbance"), Quantity::Absorbance);
    EXPECT_FALSE(quantity_from_string("transmittance").has_value());
}

TEST_F(ModuleTest, FailuresCarryCodeAndText)
{
    const auto failure = [&](auto&& call) -> Error {
        try {
            call();
        } catch (const Error& e) {
            return e;
        }
        return Error(0, "no failure");
    };
    Error e = failure([&] { module_.scan(4); });
    EXPECT_EQ(e.code(), ZEL_E_CONFIG_INDEX);
    EXPECT_STREQ(e.what(), "scan configuration 4 of 4: no scan configuration has that index");

    sim::Fault refuse;
    refuse.kind = sim::FaultKind::ErrorField;
    refuse.value = 2;
    refuse.code = QRN_CMD_SET_PGA_GAIN;
    refuse.times = 1;
    model().injectFault(refuse);
    e = failure([&] { module_.set_gain(8); });
    EXPECT_EQ(e.code(), ZEL_E_REFUSED);
    EXPECT_STREQ(e.what(), "setting the amplifier gain: the module refused the command's argument");

    sim::Fault busy = refuse;
    busy.value = 3;
    busy.code = QRN_CMD_READ_BATT_VOLT;
    model().injectFault(busy);
    EXPECT_EQ(errorCode([&] { module_.sensors(); }), ZEL_E_BUSY);

    sim::Fault silent;
    silent.kind = sim::FaultKind::NoAnswer;
    silent.times = 1;
    model().injectFault(silent);
    e = failure([&] { module_.serial(); });
    EXPECT_EQ(e.code(), ZEL_E_TIMEOUT);
    EXPECT_EQ(module_.serial(), "ZEL00001");  // the next call is in step again
}

TEST_F(ModuleTest, UndecodableScanFailsQuietlyWithItsDiagnostics)
{
    module_.scan(0);
    sim::Fault corrupt;
    corrupt.kind = sim::FaultKind::CorruptImage;
    corrupt.value = 8;  // the image's length field
    corrupt.file = sim::StoredFile::ScanData;
    corrupt.times = 1;
    model().injectFault(corrupt);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int code = 0;
    std::vector<std::string> lines;
    try {
        module_.scan(0);
    } catch (const Error& e) {
        code = e.code();
        lines = e.diagnostics();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(code, ZEL_E_DECODE);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "zelspec_scan_read_data debug 2: -3");
}

TEST_F(ModuleTest, NoConfigurationsToScan)
{
    model().setConfigurations({});
    EXPECT_TRUE(module_.configurations().empty());
}

TEST(ModuleOpen, NamedSamplesAndBadOptions)
{
    VirtualOptions white = instantOptions();
    white.sample = "white";
    Module m = Module::open_virtual(white);
    EXPECT_LT(reflectanceError(m.scan(0), [](double) { return 1.0; }).rms, 0.01);
    VirtualOptions unknown = instantOptions();
    unknown.sample = "chalk";
    EXPECT_EQ(errorCode([&] { Module::open_virtual(unknown); }), ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(errorCode([&] { Module::open_virtual(instantOptions("TOOLONGSERIAL")); }),
              ZEL_E_INVALID_ARGUMENT);
    EXPECT_EQ(virtual_samples(), (std::vector<std::string>{"default", "white", "gray", "dark"}));
}

TEST(ModuleOpen, StatusTextsAreDistinctAndKnown)
{
    std::vector<std::string> texts;
    for (int code = ZEL_E_INTERNAL; code <= ZEL_E_INVALID_ARGUMENT; ++code) {
        const std::string text = status_text(code);
        EXPECT_NE(text, "unknown status code") << code;
        EXPECT_EQ(std::count(texts.begin(), texts.end(), text), 0) << text;
        texts.push_back(text);
    }
    for (const int code : {-1, -2, -3, -4, -5, -6, -13, -14, -15, -16, -17, -18, -19, -20, -21,
                           -22, -24, -28, -29, -30, -31, -32, -33, -34, -101, -231}) {
        EXPECT_NE(std::string(status_text(code)), "unknown status code") << code;
    }
    EXPECT_STREQ(status_text(-7), "unknown status code");
    EXPECT_STREQ(status_text(ZEL_E_STALE_SCAN), "the module did not deliver a new scan");
}

}  // namespace
}  // namespace zel::test
