// Interpretation of column, Hadamard and sectioned scans, end to end from encoded scan data, and
// the dark-level and bad-record rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "spectrum/zelspec.h"
#include "tests/spectrum/scan_encoder.h"

namespace {

using namespace zelspec_test;

struct Point {
    int32_t intensity;
    double wavelength;
};

// What a scan of the sample spectrum should give: per data point, the counts over its band and
// the wavelength at the band's middle, read from the column patterns of the same range.
std::vector<Point> expected_points(scanConfig config)
{
    config.scan_type = ZELSPEC_SCAN_COLUMN;
    std::vector<Point> points;
    for (const std::vector<int> &lit : rendered_patterns(&config))
        points.push_back({measure(lit), band_wavelength(lit)});
    return points;
}

scanResults interpret(const std::vector<uint8_t> &bytes, int32_t expected_status = ZELSPEC_PASS)
{
    scanResults results;
    std::memset(&results, 0x5A, sizeof results);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(zelspec_scan_interpret(bytes.data(), bytes.size(), &results), expected_status);
    return results;
}

void expect_points(const scanResults &results, int offset, const std::vector<Point> &points,
                   int32_t tolerance)
{
    for (std::size_t k = 0; k < points.size(); ++k) {
        EXPECT_NEAR(results.intensity[offset + k], points[k].intensity, tolerance) << k;
        EXPECT_DOUBLE_EQ(results.wavelength[offset + k], points[k].wavelength) << k;
    }
}

// Every entry at or beyond `length` is zero: callers copy whole arrays.
void expect_nothing_beyond_length(const scanResults &results)
{
    ASSERT_GE(results.length, 0);
    for (int k = results.length; k < ZELSPEC_RESULTS_LEN; ++k) {
        ASSERT_EQ(results.intensity[k], 0) << "intensity " << k << " of " << results.length;
        ASSERT_EQ(results.wavelength[k], 0.0) << "wavelength " << k << " of " << results.length;
    }
}

TEST(ScanInterpret, ColumnScanGivesTheSpectrumBack)
{
    for (uint8_t width : {6, 7}) {
        const scanConfig config = standard_config(ZELSPEC_SCAN_COLUMN, 950, 1600, width, 228);
        const scanResults results = interpret(encode_standard(config));
        ASSERT_EQ(results.length, 228);
        expect_points(results, 0, expected_points(config), 0);
        EXPECT_EQ(results.cfg.head.scan_type, ZELSPEC_SCAN_SECTIONED);
        EXPECT_EQ(results.cfg.head.num_sections, 1);
        EXPECT_EQ(results.cfg.sections[0].section_scan_type, ZELSPEC_SCAN_COLUMN);
        EXPECT_EQ(results.cfg.sections[0].wavelength_start_nm, 950);
        EXPECT_EQ(results.cfg.sections[0].wavelength_end_nm, 1600);
        EXPECT_EQ(results.cfg.sections[0].width_px, width);
        EXPECT_EQ(results.cfg.sections[0].num_patterns, 228);
        EXPECT_EQ(results.cfg.head.num_repeats, 3);
        EXPECT_EQ(results.cfg.head.config_index, 7);
        EXPECT_STREQ(results.scan_name, "test scan");
        EXPECT_EQ(results.black_period, 0);
        expect_nothing_beyond_length(results);
    }
}

TEST(ScanInterpret, HadamardScanDecodesToTheColumnScan)
{
    // Orders 79 (three groups of 76), 11 and 3 and 7 (few, small groups).
    const scanConfig configs[] = {
        standard_config(ZELSPEC_SCAN_HADAMARD, 950, 1600, 6, 228),
        standard_config(ZELSPEC_SCAN_HADAMARD, 1000, 1500, 7, 30),
        standard_config(ZELSPEC_SCAN_HADAMARD, 1000, 1100, 3, 9),
        standard_config(ZELSPEC_SCAN_HADAMARD, 1000, 1600, 9, 240),
    };
    for (const scanConfig &config : configs) {
        const scanResults results = interpret(encode_standard(config));
        ASSERT_EQ(results.length, config.num_patterns);
        // The decoding matrix is inexact in binary for most orders, so a truncation may land
        // one count low.
        expect_points(results, 0, expected_points(config), 1);
        EXPECT_EQ(results.cfg.sections[0].section_scan_type, ZELSPEC_SCAN_HADAMARD);
        // 228 points take three groups of order 79: 237 measurements, 9 more than points.
        expect_nothing_beyond_length(results);
    }
}

TEST(ScanInterpret, DirectInterpretationClearsWhatTheCallerLeftBeyondTheLastPoint)
{
    for (const uint8_t type : {ZELSPEC_SCAN_COLUMN, ZELSPEC_SCAN_HADAMARD}) {
        SCOPED_TRACE(int{type});
        const std::vector<uint8_t> bytes =
            encode_standard(standard_config(type, 950, 1600, 6, 228));
        std::vector<uint8_t> copy = bytes;
        copy.resize(std::max(copy.size(), sizeof(uScanData)));
        ASSERT_EQ(zelspec_scan_read_data(copy.data(), bytes.size()), ZELSPEC_PASS);
        uScanData scan;
        std::memcpy(&scan, copy.data(), sizeof scan);
        scanResults results;
        std::memset(&results, 0x5A, sizeof results);
        ASSERT_EQ(type == ZELSPEC_SCAN_COLUMN ? zelspec_scan_interpret_column(&scan, &results)
                                              : zelspec_scan_interpret_hadamard(&scan, &results),
                  ZELSPEC_PASS);
        ASSERT_EQ(results.length, 228);
        expect_nothing_beyond_length(results);
    }
}

TEST(ScanInterpret, SectionedScanJoinsItsSections)
{
    const sectionedScanConfig config = sectioned_config({
        {ZELSPEC_SCAN_COLUMN, 6, 950, 1100, 40, 11},
        {ZELSPEC_SCAN_HADAMARD, 7, 1100, 1250, 45, 12},
        {ZELSPEC_SCAN_COLUMN, 5, 1250, 1350, 30, 13},
        {ZELSPEC_SCAN_HADAMARD, 4, 1350, 1500, 60, 14},
        {ZELSPEC_SCAN_COLUMN, 8, 1500, 1600, 25, 15},
    });
    const scanResults results = interpret(encode_sectioned(config));
    ASSERT_EQ(results.length, 40 + 45 + 30 + 60 + 25);
    int offset = 0;
    for (int i = 0; i < 5; ++i) {
        const scanSection &s = config.sections[i];
        const scanConfig section = standard_config(s.section_scan_type, s.wavelength_start_nm,
                                                   s.wavelength_end_nm, s.width_px,
                                                   s.num_patterns);
        expect_points(results, offset, expected_points(section), 1);
        offset += s.num_patterns;
    }
    EXPECT_EQ(std::memcmp(&results.cfg, &config, sizeof config), 0);
    expect_nothing_beyond_length(results);

    // A Hadamard section first: its surplus measurements must not survive the join.
    const sectionedScanConfig hadamard_first = sectioned_config({
        {ZELSPEC_SCAN_HADAMARD, 6, 950, 1600, 228, 0},
    });
    const scanResults alone = interpret(encode_sectioned(hadamard_first));
    ASSERT_EQ(alone.length, 228);
    expect_nothing_beyond_length(alone);
}

TEST(ScanInterpret, StandardScanOfConfigurationTwoIsNotTakenAsSectioned)
{
    scanConfig config = standard_config(ZELSPEC_SCAN_COLUMN, 1000, 1200, 5, 50);
    config.config_index = 2;
    const scanResults results = interpret(encode_standard(config));
    ASSERT_EQ(results.length, 50);
    EXPECT_EQ(results.cfg.head.config_index, 2);
    EXPECT_EQ(results.cfg.head.num_sections, 1);
    expect_points(results, 0, expected_points(config), 0);
}

// A standard column record built field by field, for the dark-level and bad-record rules.
struct Record {
    uScanData scan;
    Record(std::vector<int32_t> samples, uint8_t black_first, uint8_t black_period)
    {
        std::memset(&scan, 0, sizeof scan);
        scan.head.version = 1;
        const calibCoeffs coeffs = test_coeffs();
        std::memcpy(scan.head.pixel_coeffs, coeffs.pixel_coeffs, sizeof coeffs.pixel_coeffs);
        scan.head.adc_data_length = static_cast<uint16_t>(samples.size());
        scan.head.black_first = black_first;
        scan.head.black_period = black_period;
        scanDataStandard &s = scan.standard;
        s.scan_type = ZELSPEC_SCAN_COLUMN;
        s.wavelength_start_nm = 1000;
        s.wavelength_end_nm = 1400;
        s.width_px = 5;
        s.num_patterns = static_cast<uint16_t>(samples.size());
        std::memcpy(s.adc_data, samples.data(), sizeof(int32_t) * samples.size());
    }
    std::vector<uint8_t> bytes(int32_t form = ZELSPEC_FORM_STANDARD) const
    {
        return serialized(scan, form);
    }
};

TEST(ScanInterpret, DarkLevelRules)
{
    struct Case {
        const char *name;
        std::vector<int32_t> samples;
        uint8_t black_first, black_period;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {"period 4 from 0 drops 0, 4, 8; mean 10 truncated from 31/3",
         {10, 100, 101, 102, 11, 103, 104, 105, 10, 106, 107, 108},
         0, 4, {90, 91, 92, 93, 94, 95, 96, 97, 98}},
        {"no black sample keeps everything", {5, 6, 7}, 200, 250, {5, 6, 7}},
        {"negative dark level truncates toward zero (-7 / 2 = -3)",
         {-3, 10, -4, 20}, 0, 2, {13, 23}},
        {"positions before black_first whole periods away are black too",
         {1, 50, 1, 60, 1}, 2, 2, {49, 59}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const scanResults results = interpret(Record(c.samples, c.black_first, c.black_period).bytes());
        ASSERT_EQ(results.length, static_cast<int32_t>(c.expected.size()));
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(results.intensity[i], c.expected[i]);
    }
}

TEST(ScanInterpret, VersionOtherThanOneLeavesResultsUntouched)
{
    Record r({1, 2, 3}, 0, 3);
    r.scan.head.version = 2;
    scanResults results;
    std::memset(&results, 0x5A, sizeof results);
    const std::vector<uint8_t> bytes = r.bytes();
    EXPECT_EQ(zelspec_scan_interpret(bytes.data(), bytes.size(), &results), ZELSPEC_ERROR_GENERAL);
    for (std::size_t i = 0; i < sizeof results; ++i)
        ASSERT_EQ(reinterpret_cast<const uint8_t *>(&results)[i], 0x5A);
}

TEST(ScanInterpret, RecordsTheModuleCannotMakeAreRejected)
{
    struct Case {
        const char *name;
        void (*damage)(uScanData &);
        int32_t status;
    };
    const Case cases[] = {
        {"black period 0", [](uScanData &s) { s.head.black_period = 0; },
         ZELSPEC_ERROR_INVALID_INPUT},
        {"more samples than the record holds", [](uScanData &s) { s.head.adc_data_length = 865; },
         ZELSPEC_ERROR_INVALID_INPUT},
        {"more non-black samples than patterns",
         [](uScanData &s) { s.standard.num_patterns = 2; }, ZELSPEC_ERROR_INVALID_INPUT},
        {"more than 624 patterns", [](uScanData &s) { s.standard.num_patterns = 625; },
         ZELSPEC_ERROR_INVALID_INPUT},
        {"wavelength outside the columns",
         [](uScanData &s) { s.standard.wavelength_end_nm = 1700; }, ZELSPEC_ERROR_INVALID_INPUT},
        {"unknown scan type", [](uScanData &s) { s.standard.scan_type = 5; },
         ZELSPEC_ERROR_INVALID_INPUT},
        {"Hadamard patterns that cannot be kept apart",
         [](uScanData &s) {
             s.standard.scan_type = ZELSPEC_SCAN_HADAMARD;
             s.standard.num_patterns = 2;
         },
         ZELSPEC_ERROR_GENERAL},
        {"one Hadamard group of 285 columns (wider than a group holds)",
         [](uScanData &s) {
             // nm = column: centres 0, 3, ..., 852 are apart at width 1, so one group.
             s.head.pixel_coeffs[0] = 0.0;
             s.head.pixel_coeffs[1] = 1.0;
             s.head.pixel_coeffs[2] = 0.0;
             s.standard.scan_type = ZELSPEC_SCAN_HADAMARD;
             s.standard.width_px = 1;
             s.standard.num_patterns = 285;
             s.standard.wavelength_start_nm = 0;
             s.standard.wavelength_end_nm = 852;
         },
         ZELSPEC_ERROR_INVALID_INPUT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Record r({1, 2, 3, 4, 5, 6}, 0, 3);
        c.damage(r.scan);
        interpret(r.bytes(), c.status);
    }
}

TEST(ScanInterpret, SectionedScanWithUnknownSectionTypeStops)
{
    sectionedScanConfig config = sectioned_config({
        {ZELSPEC_SCAN_COLUMN, 6, 1000, 1100, 20, 0},
        {ZELSPEC_SCAN_COLUMN, 6, 1100, 1200, 20, 0},
    });
    std::vector<uint8_t> bytes = encode_sectioned(config);
    uScanData scan;
    std::memset(&scan, 0, sizeof scan);
    std::vector<uint8_t> copy = bytes;
    copy.resize(std::max(copy.size(), sizeof scan));
    ASSERT_EQ(zelspec_scan_read_data(copy.data(), bytes.size()), ZELSPEC_PASS);
    std::memcpy(&scan, copy.data(), sizeof scan);
    scan.sectioned.cfg.sections[1].section_scan_type = 3;
    scanResults results{};
    EXPECT_EQ(zelspec_scan_interpret_sections(&scan, &results), ZELSPEC_ERROR_SCAN_TYPE);

    // Sections that run beyond the samples, and more points than a result holds.
    for (uint16_t patterns : {uint16_t{700}, uint16_t{500}}) {
        uScanData big = scan;
        big.sectioned.cfg.sections[1].section_scan_type = ZELSPEC_SCAN_COLUMN;
        big.sectioned.cfg.sections[0].num_patterns = patterns;
        big.sectioned.cfg.sections[1].num_patterns = patterns;
        EXPECT_EQ(zelspec_scan_interpret_sections(&big, &results), ZELSPEC_ERROR_INVALID_INPUT);
    }
}

TEST(ScanInterpret, SectionSpanCountsBlacksOneBeforeEachMultipleOfThePeriod)
{
    uScanData scan;
    std::memset(&scan, 0, sizeof scan);
    scan.sectioned.black_period = 4;
    scan.sectioned.cfg.head.num_sections = 2;
    scan.sectioned.cfg.sections[0] = {ZELSPEC_SCAN_COLUMN, 5, 1000, 1100, 10, 0};
    scan.sectioned.cfg.sections[1] = {ZELSPEC_SCAN_COLUMN, 5, 1100, 1200, 5, 0};
    int32_t start = -1;
    uint16_t count = 0, blacks = 0;
    ASSERT_EQ(zelspec_scan_section_span(&scan, 0, &start, &count, &blacks), ZELSPEC_PASS);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(count, 10);
    EXPECT_EQ(blacks, 3);  // positions 3, 7, 11 within 0..12
    ASSERT_EQ(zelspec_scan_section_span(&scan, 1, &start, &count, &blacks), ZELSPEC_PASS);
    EXPECT_EQ(start, 13);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(blacks, 1);  // 15 within 13..18

    scan.sectioned.black_period = 1;  // every sample black: no section ever ends
    EXPECT_EQ(zelspec_scan_section_span(&scan, 0, &start, &count, &blacks),
              ZELSPEC_ERROR_INVALID_INPUT);
    scan.sectioned.black_period = 4;
    scan.sectioned.cfg.sections[0].section_scan_type = 7;
    EXPECT_EQ(zelspec_scan_section_span(&scan, 1, &start, &count, &blacks),
              ZELSPEC_ERROR_INVALID_INPUT);
}

TEST(ScanInterpret, GetSectionCutsOutAStandardScan)
{
    uScanData scan;
    std::memset(&scan, 0, sizeof scan);
    scan.sectioned.version = 1;
    scan.sectioned.black_first = 3;
    scan.sectioned.black_period = 4;
    scan.sectioned.cfg.head.scan_type = ZELSPEC_SCAN_SECTIONED;
    scan.sectioned.cfg.head.config_index = 44;
    scan.sectioned.cfg.head.num_repeats = 6;
    scan.sectioned.cfg.head.num_sections = 2;
    scan.sectioned.cfg.sections[0] = {ZELSPEC_SCAN_COLUMN, 5, 1000, 1100, 10, 0};
    scan.sectioned.cfg.sections[1] = {ZELSPEC_SCAN_COLUMN, 6, 1100, 1200, 5, 0};
    for (int i = 0; i < 20; ++i)
        scan.sectioned.adc_data[i] = 100 + i;
    uScanData out;
    ASSERT_EQ(zelspec_scan_get_section(&scan, &out, 1), ZELSPEC_PASS);
    EXPECT_EQ(out.standard.adc_data_length, 6);
    EXPECT_EQ(out.standard.adc_data[0], 113);
    EXPECT_EQ(out.standard.adc_data[5], 118);
    EXPECT_EQ(out.standard.adc_data[6], 0);
    EXPECT_EQ(out.standard.black_first, 2);  // 3 - (13 mod 4)
    EXPECT_EQ(out.standard.scan_type, ZELSPEC_SCAN_COLUMN);
    EXPECT_EQ(out.standard.config_index, 44);
    EXPECT_EQ(out.standard.num_repeats, 6);
    EXPECT_EQ(out.standard.width_px, 6);
    EXPECT_EQ(out.standard.num_patterns, 5);
    EXPECT_EQ(zelspec_scan_get_section(&scan, &out, 2), ZELSPEC_ERROR_INVALID_INPUT);

    scan.sectioned.black_first = 0;  // wraps to 8 bits
    ASSERT_EQ(zelspec_scan_get_section(&scan, &out, 1), ZELSPEC_PASS);
    EXPECT_EQ(out.standard.black_first, 255);
}

TEST(ScanInterpret, NullArguments)
{
    scanResults results;
    uScanData scan{};
    const uint8_t byte = 0;
    EXPECT_EQ(zelspec_scan_interpret(nullptr, 1, &results), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_interpret(&byte, 1, nullptr), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_interpret_column(nullptr, &results), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_interpret_hadamard(&scan, nullptr), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_interpret_sections(nullptr, &results), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_interpret(&byte, 1, &results), ZELSPEC_ERROR_SERIALIZE);
}

}  // namespace
