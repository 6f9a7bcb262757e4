#include "spectrum/zelspec.h"

#include "image_builder.h"
#include "record_fixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

using namespace zelspec_test;

// What a call prints on standard output; the engine's own messages on standard error are
// dropped.
std::string stdout_of(const std::function<void()> &call)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    call();
    std::fflush(stdout);
    testing::internal::GetCapturedStderr();
    return testing::internal::GetCapturedStdout();
}

// The 91-byte image of standard_config().
const Bytes kConfigImage = {
    0x74, 0x70, 0x6C, 0x00, 0x5B, 0x00, 0x00, 0x00,                          // "tpl", 0, 91
    0x53, 0x28, 0x63, 0x76, 0x63, 0x23, 0x63, 0x23, 0x76, 0x76, 0x63, 0x76,  // S(cvc#c#vvcv
    0x76, 0x29, 0x00,                                                          // v)
    0x08, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00,                          // 8, 40
    0x00,                                                                      // scan_type
    0x03, 0x02,                                                                // config_index
    0x43, 0x4F, 0x4C, 0x49, 0x44, 0x45, 0x4E, 0x54,                          // COLIDENT
    0x43, 0x6F, 0x6C, 0x75, 0x6D, 0x6E, 0x20, 0x31, 0, 0, 0, 0, 0, 0, 0, 0,  // Column 1
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0x84, 0x03, 0xA4, 0x06,                                                    // 900, 1700
    0x06,                                                                      // width_px
    0xE4, 0x00, 0x05, 0x00,                                                    // 228, 5
};

TEST(SerializedSize, EveryRecordTypeCode)
{
    const uScanData scan = sectioned_scan();
    const scanConfig cfg = standard_config();
    const calibCoeffs coeffs = {};
    const refCalMatrix m = refcal_matrix();
    struct {
        const void *record;
        int32_t code;
        size_t size;
    } const cases[] = {
        {&scan, ZELSPEC_TYPE_SCAN_DATA, 3701},
        {&cfg, ZELSPEC_TYPE_CONFIG, 91},
        {&coeffs, ZELSPEC_TYPE_CALIB_COEFFS, 72},
        {&m, ZELSPEC_TYPE_REFCAL_MATRIX, 2354},
        {&scan.sectioned.cfg.head, ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD, 82},
        {scan.sectioned.cfg.sections, ZELSPEC_TYPE_SECTIONS, 73},
        {&scan, ZELSPEC_TYPE_SCAN_DATA_HEAD, 160},
        {scan.sectioned.adc_data, ZELSPEC_TYPE_ADC_DATA, 3471},
    };
    for (const auto &c : cases) {
        size_t size = 0;
        EXPECT_EQ(zelspec_serialized_size(c.record, &size, c.code), ZELSPEC_PASS) << c.code;
        EXPECT_EQ(size, c.size) << c.code;
    }
}

TEST(UnknownCode, FailsEveryGlueOperation)
{
    uScanData scan = standard_scan();
    Bytes buffer(4000, 0);
    size_t size = 7;
    EXPECT_EQ(zelspec_map_record(&scan, 8), nullptr);
    EXPECT_EQ(zelspec_map_record(&scan, -1), nullptr);
    EXPECT_EQ(zelspec_serialized_size(&scan, &size, 8), ZELSPEC_ERROR_SERIALIZE);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(zelspec_serialize(&scan, buffer.data(), buffer.size(), 8), ZELSPEC_ERROR_SERIALIZE);
    EXPECT_EQ(zelspec_deserialize(buffer.data(), buffer.size(), 8), ZELSPEC_ERROR_SERIALIZE);
}

TEST(NullPointers, AreReportedFirst)
{
    uScanData scan = standard_scan();
    Bytes buffer(4000, 0);
    size_t size = 0;
    size_t s2 = 0, s3 = 0, s4 = 0;
    EXPECT_EQ(zelspec_serialized_size(nullptr, &size, 0), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_serialized_size(&scan, nullptr, 0), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_serialize(&scan, nullptr, 10, 99), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_deserialize(nullptr, 10, 99), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_config_serialized_size(nullptr, &size), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_config_serialize(&scan, nullptr, 0), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_config_deserialize(nullptr, 0), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_data_part_sizes(nullptr, &size, &s2, &s3, &s4),
              ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_data_serialized_size(nullptr, &size), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_write_data(&scan, nullptr, 0), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_read_data(nullptr, 0), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_scan_read_data_form(buffer.data(), buffer.size(), nullptr),
              ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_refcal_matrix_serialize(nullptr, buffer.data(), 0),
              ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_FALSE(zelspec_config_is_sectioned(nullptr, 100));
    EXPECT_FALSE(zelspec_scan_data_is_split(nullptr, 100));
}

TEST(ScanDataImage, StandardFormIsOneImage)
{
    const uScanData scan = standard_scan();
    const Bytes expected = standard_scan_image();
    ASSERT_EQ(expected.size(), 3701u);
    // 3701 = 0x0E75
    EXPECT_EQ(Bytes(expected.begin(), expected.begin() + 8),
              (Bytes{0x74, 0x70, 0x6C, 0x00, 0x75, 0x0E, 0x00, 0x00}));
    size_t size = 0;
    ASSERT_EQ(zelspec_scan_data_serialized_size(&scan, &size), ZELSPEC_PASS);
    EXPECT_EQ(size, 3701u);
    Bytes buffer(3800, 0xEE);
    ASSERT_EQ(zelspec_scan_write_data(&scan, buffer.data(), buffer.size()), ZELSPEC_PASS);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 3701), expected);
    EXPECT_EQ(buffer[3701], 0xEE);
}

TEST(ScanDataImage, SectionedFormIsFourImagesBackToBack)
{
    const uScanData scan = sectioned_scan();
    const Bytes expected = sectioned_scan_image();
    ASSERT_EQ(expected.size(), 3786u);
    size_t head = 0, cfg_head = 0, sect = 0, adc = 0;
    ASSERT_EQ(zelspec_scan_data_part_sizes(&scan, &head, &cfg_head, &sect, &adc), ZELSPEC_PASS);
    EXPECT_EQ(head, 160u);
    EXPECT_EQ(cfg_head, 82u);
    EXPECT_EQ(sect, 73u);
    EXPECT_EQ(adc, 3471u);
    size_t size = 0;
    ASSERT_EQ(zelspec_scan_data_serialized_size(&scan, &size), ZELSPEC_PASS);
    EXPECT_EQ(size, 3786u);
    Bytes buffer(3786, 0xEE);
    ASSERT_EQ(zelspec_scan_write_data(&scan, buffer.data(), buffer.size()), ZELSPEC_PASS);
    EXPECT_EQ(buffer, expected);
}

TEST(ScanDataImage, BufferBelowTheImagesIsRefusedUntouched)
{
    const uScanData standard = standard_scan();
    const uScanData sectioned = sectioned_scan();
    Bytes buffer(3785, 0xEE);
    EXPECT_EQ(zelspec_scan_write_data(&sectioned, buffer.data(), 3785), ZELSPEC_ERROR_NO_MEMORY);
    EXPECT_EQ(zelspec_scan_write_data(&standard, buffer.data(), 3700), ZELSPEC_ERROR_NO_MEMORY);
    EXPECT_EQ(buffer, Bytes(3785, 0xEE));
}

TEST(ScanReadData, StandardImageDecodesInPlace)
{
    Bytes buffer = standard_scan_image();
    buffer.resize(4096, 0x5A);  // trailing bytes are accepted
    int32_t form = -1;
    ASSERT_EQ(zelspec_scan_read_data_form(buffer.data(), buffer.size(), &form), ZELSPEC_PASS);
    EXPECT_EQ(form, ZELSPEC_FORM_STANDARD);
    const uScanData expected = standard_scan();
    EXPECT_EQ(std::memcmp(buffer.data(), &expected, sizeof expected), 0);
    EXPECT_EQ(buffer[4000], 0x5A);
}

TEST(ScanReadData, SectionedImagesDecodeInPlace)
{
    Bytes buffer = sectioned_scan_image();
    buffer.resize(3900, 0x5A);
    int32_t form = -1;
    ASSERT_EQ(zelspec_scan_read_data_form(buffer.data(), buffer.size(), &form), ZELSPEC_PASS);
    EXPECT_EQ(form, ZELSPEC_FORM_SECTIONED);
    const uScanData expected = sectioned_scan();
    EXPECT_EQ(std::memcmp(buffer.data(), &expected, sizeof expected), 0);
    uScanData decoded;
    std::memcpy(&decoded, buffer.data(), sizeof decoded);
    EXPECT_EQ(zelspec_scan_get_type(&decoded), ZELSPEC_SCAN_SECTIONED);
    EXPECT_EQ(decoded.sectioned.cfg.sections[1].section_aux, 0x2222);
    EXPECT_EQ(decoded.sectioned.adc_data[863], adc_sample(863));
}

TEST(ScanReadData, SectionedNeedsAllFourImages)
{
    Bytes buffer = sectioned_scan_image();
    buffer.pop_back();
    const Bytes before = buffer;
    EXPECT_EQ(zelspec_scan_read_data(buffer.data(), buffer.size()), ZELSPEC_ERROR_NO_MEMORY);
    EXPECT_EQ(buffer, before);
}

TEST(ScanReadData, DamagedMagicAndFlagsOfAStandardImageAreRepaired)
{
    Bytes buffer = standard_scan_image();
    buffer[0] = 'X';
    buffer[2] = 'Z';
    buffer[3] = 0x04;  // a flags bit no writer sets
    buffer[4] = 0x11;  // the low length byte is not compared either
    ASSERT_EQ(zelspec_scan_read_data(buffer.data(), buffer.size()), ZELSPEC_PASS);
    const uScanData expected = standard_scan();
    EXPECT_EQ(std::memcmp(buffer.data(), &expected, sizeof expected), 0);
}

TEST(ScanReadData, StandardRecordOfConfigurationTwoKeepsItsForm)
{
    uScanData scan = standard_scan();
    scan.standard.config_index = 2;
    ASSERT_EQ(zelspec_scan_get_type(&scan), ZELSPEC_SCAN_SECTIONED);  // the rule is fooled
    Bytes buffer(3701, 0);
    size_t size = 0;
    ASSERT_EQ(zelspec_scan_data_serialized_size_form(&scan, ZELSPEC_FORM_STANDARD, &size),
              ZELSPEC_PASS);
    EXPECT_EQ(size, 3701u);
    ASSERT_EQ(zelspec_scan_write_data_form(&scan, ZELSPEC_FORM_STANDARD, buffer.data(),
                                           buffer.size()),
              ZELSPEC_PASS);
    Bytes expected = standard_scan_image();
    expected[81 + 105] = 0x02;  // config_index: data starts at 81, after the head's 104 bytes
    expected[81 + 106] = 0x00;
    EXPECT_EQ(buffer, expected);

    int32_t form = -1;
    ASSERT_EQ(zelspec_scan_read_data_form(buffer.data(), buffer.size(), &form), ZELSPEC_PASS);
    EXPECT_EQ(form, ZELSPEC_FORM_STANDARD);
    uScanData decoded;
    std::memcpy(&decoded, buffer.data(), sizeof decoded);
    EXPECT_EQ(zelspec_scan_form_get_type(&decoded, form), ZELSPEC_SCAN_HADAMARD);
    EXPECT_EQ(zelspec_scan_write_data_form(&scan, 5, buffer.data(), buffer.size()),
              ZELSPEC_ERROR_INVALID_INPUT);
}

TEST(ScanReadData, RoundTripsBothForms)
{
    for (const uScanData &scan : {standard_scan(), sectioned_scan()}) {
        Bytes buffer(3786, 0);
        ASSERT_EQ(zelspec_scan_write_data(&scan, buffer.data(), buffer.size()), ZELSPEC_PASS);
        ASSERT_EQ(zelspec_scan_read_data(buffer.data(), buffer.size()), ZELSPEC_PASS);
        EXPECT_EQ(std::memcmp(buffer.data(), &scan, sizeof scan), 0);
    }
}

struct Diagnostic {
    const char *name;
    std::function<Bytes()> image;
    const char *line;
};

class ScanReadDiagnostics : public testing::TestWithParam<Diagnostic> {};

TEST_P(ScanReadDiagnostics, NamesTheFailingImageAndLeavesTheBuffer)
{
    Bytes buffer = GetParam().image();
    const Bytes before = buffer;
    int32_t status = 0;
    EXPECT_EQ(stdout_of([&] { status = zelspec_scan_read_data(buffer.data(), buffer.size()); }),
              GetParam().line);
    EXPECT_EQ(status, ZELSPEC_ERROR_SERIALIZE);
    // The single-image path repairs the header before loading; the others change nothing.
    if (std::string(GetParam().line) != "------zelspec_deserialize debug 6\n") {
        EXPECT_EQ(buffer, before);
    }
}

// Changes the first fixed dimension of the image that starts at `offset`: the image still peeks
// as before but no longer loads.
Bytes with_bad_dimension(Bytes image, size_t dimension_offset)
{
    image[dimension_offset] ^= 0x01;
    return image;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ScanReadDiagnostics,
    testing::Values(
        Diagnostic{"SingleImage",
                   [] { return with_bad_dimension(standard_scan_image(), 8 + 45); },
                   "------zelspec_deserialize debug 6\n"},
        Diagnostic{"NotAnImage", [] { return Bytes(4000, 0x33); },
                   "------zelspec_deserialize debug 6\n"},
        Diagnostic{"HeadImage",
                   [] { return with_bad_dimension(sectioned_scan_image(), 8 + 32); },
                   "------zelspec_deserialize debug 7\n"},
        Diagnostic{"ConfigHeadImage",
                   [] { return with_bad_dimension(sectioned_scan_image(), 160 + 8 + 12); },
                   "------zelspec_deserialize debug 8\n"},
        Diagnostic{"SectionsImage",
                   [] { return with_bad_dimension(sectioned_scan_image(), 242 + 8 + 11); },
                   "------zelspec_deserialize debug 9\n"},
        Diagnostic{"AdcImage",
                   [] {
                       Bytes b = sectioned_scan_image();
                       b[315] = 'X';  // magic of the ADC image
                       return b;
                   },
                   "------zelspec_deserialize debug 10\n"}),
    [](const testing::TestParamInfo<Diagnostic> &param_info) { return param_info.param.name; });

TEST(ConfigImage, StandardConfigurationIsOneImage)
{
    const scanConfig cfg = standard_config();
    size_t size = 0;
    ASSERT_EQ(zelspec_config_serialized_size(&cfg, &size), ZELSPEC_PASS);
    EXPECT_EQ(size, 91u);
    Bytes buffer(106, 0xEE);
    ASSERT_EQ(zelspec_config_serialize(&cfg, buffer.data(), buffer.size()), ZELSPEC_PASS);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 91), kConfigImage);
    EXPECT_EQ(buffer[91], 0xEE);
    Bytes small(90, 0xEE);
    EXPECT_EQ(zelspec_config_serialize(&cfg, small.data(), small.size()), ZELSPEC_ERROR_NO_MEMORY);
    EXPECT_EQ(small, Bytes(90, 0xEE));
}

TEST(ConfigImage, SectionedConfigurationIsHeadThenSections)
{
    const sectionedScanConfig cfg = sectioned_config();
    const Bytes expected = concat({config_head_image(), sections_image()});
    ASSERT_EQ(expected.size(), 155u);
    size_t size = 0;
    ASSERT_EQ(zelspec_config_serialized_size(&cfg, &size), ZELSPEC_PASS);
    EXPECT_EQ(size, 155u);
    Bytes buffer(155, 0xEE);
    ASSERT_EQ(zelspec_config_serialize(&cfg, buffer.data(), buffer.size()), ZELSPEC_PASS);
    EXPECT_EQ(buffer, expected);
    Bytes small(154, 0xEE);
    EXPECT_EQ(zelspec_config_serialize(&cfg, small.data(), small.size()), ZELSPEC_ERROR_NO_MEMORY);
    EXPECT_EQ(small, Bytes(154, 0xEE));
}

TEST(ConfigDeserialize, StandardImageBecomesAScanConfig)
{
    Bytes buffer = kConfigImage;
    buffer.resize(512, 0x5A);
    EXPECT_FALSE(zelspec_config_is_sectioned(buffer.data(), buffer.size()));
    ASSERT_EQ(zelspec_config_deserialize(buffer.data(), buffer.size()), ZELSPEC_PASS);
    const scanConfig expected = standard_config();
    EXPECT_EQ(std::memcmp(buffer.data(), &expected, sizeof expected), 0);
}

TEST(ConfigDeserialize, FirstDataByteTwoMakesASectionedScanConfig)
{
    Bytes buffer = concat({config_head_image(), sections_image()});
    buffer.resize(512, 0x5A);
    EXPECT_TRUE(zelspec_config_is_sectioned(buffer.data(), buffer.size()));
    ASSERT_EQ(zelspec_config_deserialize(buffer.data(), buffer.size()), ZELSPEC_PASS);
    const sectionedScanConfig expected = sectioned_config();
    EXPECT_EQ(std::memcmp(buffer.data(), &expected, sizeof expected), 0);
}

TEST(ConfigDeserialize, SectionedNeedsBothImages)
{
    Bytes buffer = concat({config_head_image(), sections_image()});
    buffer.pop_back();
    const Bytes before = buffer;
    EXPECT_EQ(zelspec_config_deserialize(buffer.data(), buffer.size()), ZELSPEC_ERROR_NO_MEMORY);
    EXPECT_EQ(buffer, before);
    Bytes standard = kConfigImage;
    standard.pop_back();
    EXPECT_EQ(zelspec_config_deserialize(standard.data(), standard.size()),
              ZELSPEC_ERROR_NO_MEMORY);
}

TEST(ConfigDeserialize, DamagedMagicIsNotRepaired)
{
    Bytes buffer = kConfigImage;
    buffer[0] = 'X';
    int32_t status = 0;
    EXPECT_EQ(stdout_of([&] { status = zelspec_config_deserialize(buffer.data(), buffer.size()); }),
              "------zelspec_deserialize debug 3\n");
    EXPECT_EQ(status, ZELSPEC_ERROR_SERIALIZE);
}

TEST(ConfigDeserialize, HeadAndSectionsFailuresPrintTheirLines)
{
    Bytes head_bad = concat({with_bad_dimension(config_head_image(), 8 + 12), sections_image()});
    int32_t status = 0;
    EXPECT_EQ(stdout_of([&] {
                  status = zelspec_config_deserialize(head_bad.data(), head_bad.size());
              }),
              "------zelspec_deserialize debug 4\n");
    EXPECT_EQ(status, ZELSPEC_ERROR_SERIALIZE);
    Bytes sections_bad = concat({config_head_image(), with_bad_dimension(sections_image(), 19)});
    EXPECT_EQ(stdout_of([&] {
                  status = zelspec_config_deserialize(sections_bad.data(), sections_bad.size());
              }),
              "------zelspec_deserialize debug 5\n");
    EXPECT_EQ(status, ZELSPEC_ERROR_SERIALIZE);
}

TEST(Peeks, RecogniseTheSerializedForms)
{
    const Bytes scan = standard_scan_image();
    const Bytes split = sectioned_scan_image();
    EXPECT_FALSE(zelspec_scan_data_is_split(scan.data(), scan.size()));
    EXPECT_TRUE(zelspec_scan_data_is_split(split.data(), split.size()));
    EXPECT_FALSE(zelspec_scan_data_is_split(split.data(), 6));
    const Bytes garbage(100, 0);
    EXPECT_FALSE(zelspec_scan_data_is_split(garbage.data(), garbage.size()));
    EXPECT_FALSE(zelspec_config_is_sectioned(garbage.data(), garbage.size()));
    EXPECT_FALSE(zelspec_config_is_sectioned(kConfigImage.data(), 20));
}

TEST(RefCalMatrixImage, SerializesAndRepairsItsHeaderOnLoad)
{
    const refCalMatrix m = refcal_matrix();
    const Bytes expected = refcal_image();
    ASSERT_EQ(expected.size(), 2354u);
    Bytes buffer(2400, 0xEE);
    ASSERT_EQ(zelspec_refcal_matrix_serialize(&m, buffer.data(), buffer.size()), ZELSPEC_PASS);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 2354), expected);

    buffer[1] = 'q';
    buffer[3] = 0xFF;
    ASSERT_EQ(zelspec_deserialize(buffer.data(), buffer.size(), ZELSPEC_TYPE_REFCAL_MATRIX),
              ZELSPEC_PASS);
    EXPECT_EQ(std::memcmp(buffer.data(), &m, sizeof m), 0);
}

TEST(Deserialize, BufferSmallerThanTheRecordIsNotTouched)
{
    Bytes buffer(4, 0x77);
    EXPECT_EQ(zelspec_deserialize(buffer.data(), buffer.size(), ZELSPEC_TYPE_SCAN_DATA),
              ZELSPEC_ERROR_SERIALIZE);
    EXPECT_EQ(buffer, Bytes(4, 0x77));
}

}  // namespace
