#include "tests/api/api_fixture.h"

namespace zel::test {

sim::Bytes standardConfigImage(const char* name, uint16_t startNm, uint16_t endNm,
                               uint16_t patterns, uint8_t scanType)
{
    scanConfig config = {};
    config.scan_type = scanType;
    std::memcpy(config.ident, "CFGIDENT", sizeof config.ident);
    std::strncpy(config.config_name, name, sizeof config.config_name - 1);
    config.wavelength_start_nm = startNm;
    config.wavelength_end_nm = endNm;
    config.width_px = 7;
    config.num_patterns = patterns;
    config.num_repeats = 1;
    size_t size = 0;
    EXPECT_EQ(zelspec_config_serialized_size(&config, &size), ZELSPEC_PASS);
    sim::Bytes image(size);
    EXPECT_EQ(zelspec_config_serialize(&config, image.data(), image.size()), ZELSPEC_PASS);
    return image;
}

scanResults interpretStoredScan(const sim::VirtualModule& module)
{
    const std::optional<sim::Bytes>& file = module.storedFile(sim::StoredFile::ScanData);
    scanResults results = {};
    EXPECT_TRUE(file.has_value());
    if (file) {
        sim::Bytes copy = *file;
        EXPECT_EQ(zelspec_scan_interpret(copy.data(), copy.size(), &results), ZELSPEC_PASS);
    }
    return results;
}

std::vector<uint16_t> ApiTest::requestCodes() const
{
    std::vector<uint16_t> codes;
    for (const sim::Report& report : module_->lastReportsIn()) {
        if (report[0] == 0x40 || report[0] == 0xC0) {
            codes.push_back(static_cast<uint16_t>(report[4] | (report[5] << 8)));
        }
    }
    return codes;
}

} // namespace zel::test
