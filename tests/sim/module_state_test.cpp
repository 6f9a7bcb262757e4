// What the module keeps: identity, sensors, settings, stored configurations and scan data.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "sim/virtual_module.h"
#include "sim_test_host.h"
#include "spectrum/zelspec.h"

namespace zel::sim {
namespace {

using testing::le32;
using testing::payload;
using testing::read;
using testing::readArg;
using testing::readFile;
using testing::scan;
using testing::write;

std::vector<uint8_t> text(const char *s, std::size_t width) {
    std::vector<uint8_t> out(width, 0);
    std::memcpy(out.data(), s, std::min(width, std::strlen(s)));
    return out;
}

TEST(ModuleState, IdentityAnswersAndTheSerialNumberCanBeRewritten) {
    VirtualModule module;
    EXPECT_EQ(payload(read(module, 0x0233)), text("ZEL00001", 8));
    EXPECT_EQ(payload(read(module, 0x03FF)),
              (std::vector<uint8_t>{0x5A, 0x45, 0x4C, 0x10, 0x20, 0x26, 0x12, 0x08}));
    write(module, 0x0232, text("AB12", 8));
    EXPECT_EQ(payload(read(module, 0x0233)), text("AB12", 8));
    EXPECT_EQ(module.identity().serial, L"AB12");
    EXPECT_EQ(write(module, 0x0232, text("", 8))[0][0], 0x60);
}

TEST(ModuleState, SensorsMovePlausiblyWithTheEventCountAlone) {
    VirtualModule a, b;
    std::vector<int32_t> temperatures;
    for (int i = 0; i < 200; ++i) {
        const auto ra = payload(read(a, 0x0302));
        EXPECT_EQ(ra, payload(read(b, 0x0302)));
        const auto temperature = static_cast<int32_t>(le32(ra, 0));
        const auto humidity = static_cast<int32_t>(le32(ra, 4));
        EXPECT_NEAR(temperature, 2450, 60);
        EXPECT_NEAR(humidity, 4130, 120);
        temperatures.push_back(temperature);
        const auto battery = payload(read(a, 0x030A));
        EXPECT_EQ(battery, payload(read(b, 0x030A)));
        EXPECT_LE(static_cast<int32_t>(le32(battery, 0)), 402);
        EXPECT_GT(static_cast<int32_t>(le32(battery, 4)), 8000);
    }
    EXPECT_GT(*std::max_element(temperatures.begin(), temperatures.end()) -
                  *std::min_element(temperatures.begin(), temperatures.end()),
              30);

    a.setSensorDrift(false);
    a.setSensors({2500, 4500, 380, 5000, 2300});
    const auto fixed = payload(read(a, 0x0302));
    EXPECT_EQ(fixed, (std::vector<uint8_t>{0xC4, 0x09, 0, 0, 0x94, 0x11, 0, 0}));
}

TEST(ModuleState, LampControllerBluetoothAndButtonShowInTheStatusWord) {
    VirtualModule module;
    const auto status = [&] { return le32(payload(read(module, 0x0403))); };
    EXPECT_EQ(status(), 0u);
    write(module, 0x0225, {0});
    write(module, 0x0105, {1, 1});
    EXPECT_TRUE(module.lampLit());
    write(module, 0x0108, {1});
    write(module, 0x010D, {1});
    EXPECT_EQ(status(), 0x0Fu);
    write(module, 0x0225, {1});
    write(module, 0x0105, {0, 0});
    EXPECT_FALSE(module.lampLit());
    EXPECT_EQ(write(module, 0x0108, {2})[0][0], 0x60);
    EXPECT_TRUE(module.state().bluetooth);
    write(module, 0x0218, {0});
    EXPECT_EQ(status(), 0x1Cu);
}

TEST(ModuleState, ButtonPressesCountWhileEnabledFromEachEnable) {
    VirtualModule module;
    module.pressButton();
    EXPECT_EQ(payload(read(module, 0x010C)), std::vector<uint8_t>{0});
    write(module, 0x010D, {1});
    module.pressButton(3);
    EXPECT_EQ(payload(read(module, 0x010C)), std::vector<uint8_t>{3});
    module.pressButton(1000);
    EXPECT_EQ(payload(read(module, 0x010C)), std::vector<uint8_t>{255});
    write(module, 0x010D, {1});
    EXPECT_EQ(payload(read(module, 0x010C)), std::vector<uint8_t>{0});
}

TEST(ModuleState, GainAndAveragingAreKeptAndSetTheScanTime) {
    VirtualModule module;
    write(module, 0x040C, {1, 32});
    EXPECT_EQ(payload(read(module, 0x0228)), std::vector<uint8_t>{32});
    // Configuration 0: 228 patterns and 9 black samples of 635 us, plus 250 ms of setup.
    EXPECT_EQ(le32(payload(read(module, 0x0237))), 401u);
    write(module, 0x022E, {2, 0});
    EXPECT_EQ(le32(payload(read(module, 0x0237))), 551u);
    module.setScanTime(40);
    EXPECT_EQ(le32(payload(read(module, 0x0237))), 40u);
}

TEST(ModuleState, StoredConfigurationsAreRealImages) {
    VirtualModule module;
    ASSERT_EQ(payload(read(module, 0x0222)), std::vector<uint8_t>{4});
    struct Expected {
        uint8_t type;
        const char *name;
        std::size_t imageSize;
    };
    const Expected expected[] = {
        {0, "Column 1", 91}, {1, "Hadamard 1", 91}, {2, "Sectioned 1", 155}, {0, "Column fine", 91}};
    for (uint32_t i = 0; i < 4; ++i) {
        auto data = payload(readArg(module, 0x0220, i));
        ASSERT_EQ(le32(data), expected[i].imageSize);
        std::vector<uint8_t> buffer(data.begin() + 4, data.end());
        buffer.resize(512);
        ASSERT_EQ(zelspec_config_deserialize(buffer.data(), buffer.size()), ZELSPEC_PASS);
        EXPECT_EQ(buffer[0], expected[i].type);
        const char *name = expected[i].type == 2
                               ? reinterpret_cast<sectionedScanConfig *>(buffer.data())->head.config_name
                               : reinterpret_cast<scanConfig *>(buffer.data())->config_name;
        EXPECT_STREQ(name, expected[i].name);
    }
    std::vector<uint8_t> sectioned(payload(readArg(module, 0x0220, 2)));
    sectioned.erase(sectioned.begin(), sectioned.begin() + 4);
    sectioned.resize(512);
    zelspec_config_deserialize(sectioned.data(), sectioned.size());
    const auto &cfg = *reinterpret_cast<sectionedScanConfig *>(sectioned.data());
    EXPECT_EQ(cfg.head.num_sections, 2);
    EXPECT_EQ(cfg.sections[0].section_scan_type, 0);
    EXPECT_EQ(cfg.sections[1].section_scan_type, 1);
}

std::unique_ptr<uScanData> decodeScan(std::vector<uint8_t> bytes, int32_t *form) {
    bytes.resize(std::max<std::size_t>(bytes.size(), sizeof(uScanData)));
    EXPECT_EQ(zelspec_scan_read_data_form(bytes.data(), bytes.size(), form), ZELSPEC_PASS);
    auto data = std::make_unique<uScanData>();
    std::memcpy(data.get(), bytes.data(), sizeof(uScanData));
    return data;
}

TEST(ModuleState, ScanDataCarriesTheModulesSettingsInTheInstrumentsForm) {
    VirtualModule module;
    write(module, 0x040C, {1, 8});
    int32_t form = -1;
    const auto standard = decodeScan(scan(module, 0), &form);
    EXPECT_EQ(form, ZELSPEC_FORM_STANDARD);
    EXPECT_EQ(standard->head.version, 1u);
    EXPECT_EQ(standard->head.pga, 8);
    EXPECT_EQ(standard->head.black_first, 23);
    EXPECT_EQ(standard->head.black_period, 24);
    EXPECT_EQ(standard->head.adc_data_length, 237);
    EXPECT_EQ(std::string(standard->head.ident, 8), "ZEL00001");
    EXPECT_STREQ(standard->head.scan_name, "Column 1");
    EXPECT_EQ(standard->head.pixel_coeffs[0], 895.0);
    EXPECT_EQ(standard->standard.num_patterns, 228);
    EXPECT_EQ(zelspec_scan_get_type(standard.get()), 0);
    // Black samples read the dark level only.
    EXPECT_NEAR(standard->standard.adc_data[23], 1800 + 90 * 8, 40);

    const auto data = scan(module, 2);
    EXPECT_EQ(data.size(), 3786u);
    const auto sections = decodeScan(data, &form);
    EXPECT_EQ(form, ZELSPEC_FORM_SECTIONED);
    EXPECT_EQ(zelspec_scan_get_type(sections.get()), 2);
    EXPECT_EQ(sections->sectioned.cfg.head.num_sections, 2);
}

TEST(ModuleState, FactoryReferenceAndMatrixAreStoredImages) {
    VirtualModule module;
    int32_t form = -1;
    const auto reference = decodeScan(readFile(module, 2), &form);
    EXPECT_EQ(form, ZELSPEC_FORM_STANDARD);
    EXPECT_EQ(reference->head.pga, 2);
    EXPECT_EQ(reference->standard.width_px, 10);
    EXPECT_STREQ(reference->standard.config_name, "Factory reference");

    auto matrix = readFile(module, 3);
    ASSERT_EQ(matrix.size(), 2354u);
    ASSERT_EQ(zelspec_deserialize(matrix.data(), matrix.size(), ZELSPEC_TYPE_REFCAL_MATRIX),
              ZELSPEC_PASS);
    refCalMatrix decoded;
    std::memcpy(&decoded, matrix.data(), sizeof decoded);
    EXPECT_EQ(decoded.widths[0], 2);
    EXPECT_EQ(decoded.widths[18], 20);
    EXPECT_EQ(decoded.nodes[0], 900.0);
    EXPECT_EQ(decoded.nodes[49], 1700.0);
    for (int n = 0; n < 50; ++n) {
        EXPECT_EQ(decoded.matrix[18][n], 60000);
        for (int r = 1; r < 19; ++r) {
            EXPECT_GT(decoded.matrix[r][n], decoded.matrix[r - 1][n]);
        }
    }
}

TEST(ModuleState, WritesTheModuleOnlyStoresReadBack) {
    VirtualModule module;
    write(module, 0x0244, text("calibrated 2026-11-20", 24));
    EXPECT_EQ(payload(read(module, 0x0245)), text("calibrated 2026-11-20", 24));
    EXPECT_EQ(payload(read(module, 0x0101)), std::vector<uint8_t>{0});
    EXPECT_EQ(payload(read(module, 0x0103)).size(), 20u);
    EXPECT_EQ(payload(read(module, 0x03FE)).size(), 16u);
    EXPECT_EQ(write(module, 0x0221, {0x5A})[0][0], 0x40);
    EXPECT_EQ(write(module, 0x0221, {0x00})[0][0], 0x60);
    EXPECT_EQ(write(module, 0x0025, std::vector<uint8_t>(504, 7))[0][0], 0x40);
    EXPECT_EQ(write(module, 0x0025, std::vector<uint8_t>(505, 7))[0][0], 0x50);
}

}  // namespace
}  // namespace zel::sim

namespace zel::sim {
namespace {

// Two modules told the same things say the same bytes, scans included: what a session prints
// depends on its keys alone.
TEST(ModuleState, ModulesToldAlikeAnswerAlike) {
    VirtualModule a, b;
    const auto session = [](VirtualModule &m) {
        std::vector<Report> all;
        const auto keep = [&all](const std::vector<Report> &replies) {
            all.insert(all.end(), replies.begin(), replies.end());
        };
        keep(testing::read(m, 0x0302));
        keep(testing::write(m, 0x040C, {1, 16}));
        for (const uint8_t config : {0, 1, 2}) {
            keep(testing::write(m, 0x0224, {config}));
            keep(testing::write(m, 0x0218, {0}));
            keep(testing::readArg(m, 0x002D, 0));
            for (int chunk = 0; chunk < 8; ++chunk) {
                keep(testing::read(m, 0x002E));
            }
        }
        keep(testing::read(m, 0x030A));
        return all;
    };
    const auto first = session(a);
    EXPECT_EQ(first, session(b));
    EXPECT_GT(first.size(), 150u);
}

}  // namespace
}  // namespace zel::sim
