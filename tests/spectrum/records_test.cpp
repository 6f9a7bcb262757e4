#include "spectrum/zelspec.h"

#include <gtest/gtest.h>

#include <cstring>

extern "C" int zelspec_c_header_layout_ok(void);

namespace {

uScanData zeroed_scan()
{
    uScanData data;
    std::memset(&data, 0, sizeof data);
    return data;
}

TEST(Records, HeaderCompilesAsCWithTheSameLayout)
{
    EXPECT_EQ(zelspec_c_header_layout_ok(), 1);
}

TEST(Records, SectionedScanTypeLiesOnTheLowByteOfTheStandardConfigIndex)
{
    uScanData data = zeroed_scan();
    data.standard.config_index = 0x0102;
    EXPECT_EQ(data.sectioned.cfg.head.scan_type, 2);
    data.standard.scan_type = 7;
    auto *bytes = reinterpret_cast<const unsigned char *>(&data);
    EXPECT_EQ(bytes[109], 7);
}

TEST(ScanGetType, FollowsTheModulesRule)
{
    uScanData data = zeroed_scan();
    data.standard.scan_type = ZELSPEC_SCAN_HADAMARD;
    EXPECT_EQ(zelspec_scan_get_type(&data), ZELSPEC_SCAN_HADAMARD);
    data.standard.scan_type = 5;
    EXPECT_EQ(zelspec_scan_get_type(&data), ZELSPEC_ERROR_SCAN_TYPE);
    EXPECT_EQ(zelspec_scan_form_of(&data), ZELSPEC_FORM_STANDARD);
    // A standard record of configuration 2 is taken as sectioned by the rule.
    data.standard.scan_type = ZELSPEC_SCAN_COLUMN;
    data.standard.config_index = 2;
    EXPECT_EQ(zelspec_scan_get_type(&data), ZELSPEC_SCAN_SECTIONED);
    EXPECT_EQ(zelspec_scan_form_of(&data), ZELSPEC_FORM_SECTIONED);
    EXPECT_EQ(zelspec_scan_get_type(nullptr), ZELSPEC_ERROR_NULL_POINTER);
}

TEST(ScanGetType, SectionedWhateverTheHeadHolds)
{
    uScanData data = zeroed_scan();
    std::memset(&data, 0xA5, sizeof data);
    data.sectioned.cfg.head.scan_type = ZELSPEC_SCAN_SECTIONED;
    EXPECT_EQ(zelspec_scan_get_type(&data), ZELSPEC_SCAN_SECTIONED);
}

TEST(ScanFormGetType, TheKnownFormDecides)
{
    uScanData data = zeroed_scan();
    data.standard.scan_type = ZELSPEC_SCAN_HADAMARD;
    data.standard.config_index = 2;
    EXPECT_EQ(zelspec_scan_form_get_type(&data, ZELSPEC_FORM_STANDARD), ZELSPEC_SCAN_HADAMARD);
    EXPECT_EQ(zelspec_scan_form_get_type(&data, ZELSPEC_FORM_SECTIONED), ZELSPEC_SCAN_SECTIONED);
    data.standard.config_index = 3;
    data.standard.scan_type = 2;
    EXPECT_EQ(zelspec_scan_form_get_type(&data, ZELSPEC_FORM_STANDARD), ZELSPEC_ERROR_SCAN_TYPE);
    EXPECT_EQ(zelspec_scan_form_get_type(&data, ZELSPEC_FORM_SECTIONED), ZELSPEC_ERROR_SCAN_TYPE);
    EXPECT_EQ(zelspec_scan_form_get_type(&data, 2), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_scan_form_get_type(nullptr, 0), ZELSPEC_ERROR_NULL_POINTER);
}

sectionedScanConfig sections(uint8_t count, std::initializer_list<scanSection> list)
{
    sectionedScanConfig cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.head.scan_type = ZELSPEC_SCAN_SECTIONED;
    cfg.head.num_sections = count;
    int i = 0;
    for (const scanSection &s : list)
        cfg.sections[i++] = s;
    return cfg;
}

TEST(ConfigScanType, OneSectionGivesItsOwnType)
{
    const sectionedScanConfig column = sections(1, {{0, 6, 0, 0, 0, 0}});
    EXPECT_EQ(zelspec_config_scan_type(&column), ZELSPEC_SCAN_COLUMN);
    const sectionedScanConfig hadamard = sections(1, {{1, 6, 0, 0, 0, 0}});
    EXPECT_EQ(zelspec_config_scan_type(&hadamard), ZELSPEC_SCAN_HADAMARD);
    const sectionedScanConfig odd = sections(1, {{9, 6, 0, 0, 0, 0}});
    EXPECT_EQ(zelspec_config_scan_type(&odd), ZELSPEC_SCAN_HADAMARD);
    const sectionedScanConfig two = sections(2, {{0, 6, 0, 0, 0, 0}, {0, 6, 0, 0, 0, 0}});
    EXPECT_EQ(zelspec_config_scan_type(&two), ZELSPEC_SCAN_SECTIONED);
    const sectionedScanConfig none = sections(0, {});
    EXPECT_EQ(zelspec_config_scan_type(&none), ZELSPEC_SCAN_SECTIONED);
}

TEST(ConfigTotalPatterns, WrapsAtSixteenBitsAndCountsOnlyTheSections)
{
    const sectionedScanConfig cfg =
        sections(2, {{0, 6, 0, 0, 65535, 0}, {1, 6, 0, 0, 2, 0}, {0, 6, 0, 0, 100, 0}});
    EXPECT_EQ(zelspec_config_total_patterns(&cfg), 1);
    const sectionedScanConfig three =
        sections(3, {{0, 6, 0, 0, 10, 0}, {1, 6, 0, 0, 20, 0}, {0, 6, 0, 0, 30, 0}});
    EXPECT_EQ(zelspec_config_total_patterns(&three), 60);
    // A count beyond the record's five sections reads no further.
    const sectionedScanConfig many = sections(200, {{0, 6, 0, 0, 1, 0}, {0, 6, 0, 0, 1, 0},
                                              {0, 6, 0, 0, 1, 0}, {0, 6, 0, 0, 1, 0},
                                              {0, 6, 0, 0, 1, 0}});
    EXPECT_EQ(zelspec_config_total_patterns(&many), 5);
    EXPECT_EQ(zelspec_config_total_patterns(nullptr), ZELSPEC_ERROR_NULL_POINTER);
}

TEST(ConfigMaxEndNm, ComparesAsSignedSixteenBits)
{
    const sectionedScanConfig cfg =
        sections(3, {{0, 6, 900, 1000, 1, 0}, {0, 6, 900, 40000, 1, 0}, {0, 6, 900, 1700, 1, 0}});
    EXPECT_EQ(zelspec_config_max_end_nm(&cfg), 1700);
    const sectionedScanConfig high = sections(1, {{0, 6, 900, 50000, 1, 0}});
    EXPECT_EQ(zelspec_config_max_end_nm(&high), 0);
    const sectionedScanConfig unused =
        sections(1, {{0, 6, 900, 1000, 1, 0}, {0, 6, 0, 2000, 1, 0}});
    EXPECT_EQ(zelspec_config_max_end_nm(&unused), 1000);
    EXPECT_EQ(zelspec_config_max_end_nm(nullptr), ZELSPEC_ERROR_NULL_POINTER);
}

TEST(CodeToValue, FixedTable)
{
    const int32_t expected[] = {635, 1270, 2450, 5080, 15240, 30480, 60960};
    for (int32_t code = 0; code < 7; ++code)
        EXPECT_EQ(zelspec_code_to_value(code), expected[code]) << code;
    EXPECT_EQ(zelspec_code_to_value(7), 0);
    EXPECT_EQ(zelspec_code_to_value(-1), 0);
}

}  // namespace
