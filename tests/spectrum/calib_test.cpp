#include "spectrum/zelspec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

TEST(PixelToNm, EvaluatesThePolynomial)
{
    const double coeffs[] = {1000, 2, 0.5};
    double nm = 0;
    ASSERT_EQ(zelspec_calib_pixel_to_nm(10, coeffs, &nm), ZELSPEC_PASS);
    EXPECT_EQ(nm, 1070.0);
    // No range check in this direction.
    ASSERT_EQ(zelspec_calib_pixel_to_nm(-4, coeffs, &nm), ZELSPEC_PASS);
    EXPECT_EQ(nm, 1000.0);
    EXPECT_EQ(zelspec_calib_pixel_to_nm(1, nullptr, &nm), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_calib_pixel_to_nm(1, coeffs, nullptr), ZELSPEC_ERROR_NULL_POINTER);
}

struct InverseCase {
    const char *name;
    double coeffs[3];
    double nm;
    int32_t status;
    double pixel;  // expected when status is ZELSPEC_PASS
};

class NmToPixel : public testing::TestWithParam<InverseCase> {};

TEST_P(NmToPixel, FindsThePositionOnTheModulator)
{
    const InverseCase &c = GetParam();
    double pixel = -1234;
    EXPECT_EQ(zelspec_calib_nm_to_pixel(c.nm, c.coeffs, &pixel), c.status);
    EXPECT_EQ(pixel, c.status == ZELSPEC_PASS ? c.pixel : -1234);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NmToPixel,
    testing::Values(
        InverseCase{"Line", {900, 1, 0}, 1000, ZELSPEC_PASS, 100},
        InverseCase{"FlatLine", {900, 0, 0}, 1000, ZELSPEC_ERROR_INVALID_INPUT, 0},
        InverseCase{"LineAtLastColumn", {0, 1, 0}, 853, ZELSPEC_PASS, 853},
        InverseCase{"LineBeyondLastColumn", {0, 1, 0}, 853.5, ZELSPEC_ERROR_GENERAL, 0},
        InverseCase{"LineBeforeFirstColumn", {0, 1, 0}, -0.5, ZELSPEC_ERROR_GENERAL, 0},
        // (x - 900)(x - 10): the first candidate 900 is off the modulator.
        InverseCase{"SecondRootWhenFirstOutOfRange", {10000, -910, 1}, 1000, ZELSPEC_PASS, 10},
        // -(x - 5)(x - 20): both on the modulator, the first candidate wins.
        InverseCase{"FirstRootWins", {900, 25, -1}, 1000, ZELSPEC_PASS, 5},
        // (x - 853)(x + 1000)
        InverseCase{"RootAtLastColumn", {-853000, 147, 1}, 0, ZELSPEC_PASS, 853},
        // x (x + 5)
        InverseCase{"RootAtFirstColumn", {0, 5, 1}, 0, ZELSPEC_PASS, 0},
        // (x + 0.5)(x + 1000): a small negative root is not accepted.
        InverseCase{"SmallNegativeRoot", {500, 1000.5, 1}, 0, ZELSPEC_ERROR_GENERAL, 0},
        InverseCase{"BeyondTheCurve", {1000, 0, 1}, 900, ZELSPEC_ERROR_GENERAL, 0}),
    [](const testing::TestParamInfo<InverseCase> &param_info) { return param_info.param.name; });

TEST(PixelWidthToNm, TruncatesTheDifferenceAtTheCentreColumn)
{
    const double line[] = {0, 1, 0};
    double width = 0;
    ASSERT_EQ(zelspec_calib_pixel_width_to_nm(12.9, line, &width), ZELSPEC_PASS);
    EXPECT_EQ(width, 12.0);
    ASSERT_EQ(zelspec_calib_pixel_width_to_nm(-12.9, line, &width), ZELSPEC_PASS);
    EXPECT_EQ(width, 12.0);
    // 427^2 - 426^2
    const double square[] = {0, 0, 1};
    ASSERT_EQ(zelspec_calib_pixel_width_to_nm(1, square, &width), ZELSPEC_PASS);
    EXPECT_EQ(width, 853.0);
    EXPECT_EQ(zelspec_calib_pixel_width_to_nm(1, nullptr, &width), ZELSPEC_ERROR_NULL_POINTER);
}

// The 72-byte image of calibCoeffs {pattern (1, 2, 3), pixel (900, 1.5, -0.5)}.
const std::vector<uint8_t> kCoeffsImage = {
    0x74, 0x70, 0x6C, 0x00, 0x48, 0x00, 0x00, 0x00,              // "tpl", flags, size 72
    0x53, 0x28, 0x66, 0x23, 0x66, 0x23, 0x29, 0x00,              // "S(f#f#)"
    0x03, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,              // dimensions 3, 3
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,              // 1.0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40,              // 2.0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x40,              // 3.0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x8C, 0x40,              // 900.0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,              // 1.5
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0xBF,              // -0.5
};

TEST(CalibCoeffsImage, SerializesToTheModuleLayout)
{
    const calibCoeffs coeffs = {{1, 2, 3}, {900, 1.5, -0.5}};
    std::vector<uint8_t> buffer(144, 0xEE);
    ASSERT_EQ(zelspec_calib_coeffs_serialize(&coeffs, buffer.data(), buffer.size()),
              ZELSPEC_PASS);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 72), kCoeffsImage);
    EXPECT_EQ(buffer[72], 0xEE);
}

TEST(CalibCoeffsImage, BufferOneByteShortIsRefusedUntouched)
{
    const calibCoeffs coeffs = {{1, 2, 3}, {900, 1.5, -0.5}};
    std::vector<uint8_t> buffer(71, 0xEE);
    testing::internal::CaptureStderr();
    EXPECT_EQ(zelspec_calib_coeffs_serialize(&coeffs, buffer.data(), buffer.size()),
              ZELSPEC_ERROR_SERIALIZE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tpl_dump: buffer too small, need 72 bytes\n");
    EXPECT_EQ(buffer, std::vector<uint8_t>(71, 0xEE));
    EXPECT_EQ(zelspec_calib_coeffs_serialize(nullptr, buffer.data(), 71),
              ZELSPEC_ERROR_NULL_POINTER);
}

TEST(CalibCoeffsImage, DeserializesInPlaceFromTheCommandBuffer)
{
    std::vector<uint8_t> buffer(144, 0);
    std::memcpy(buffer.data(), kCoeffsImage.data(), kCoeffsImage.size());
    ASSERT_EQ(zelspec_calib_coeffs_deserialize(buffer.data(), buffer.size()), ZELSPEC_PASS);
    calibCoeffs coeffs;
    std::memcpy(&coeffs, buffer.data(), sizeof coeffs);
    EXPECT_EQ(coeffs.pattern_coeffs[0], 1.0);
    EXPECT_EQ(coeffs.pattern_coeffs[2], 3.0);
    EXPECT_EQ(coeffs.pixel_coeffs[0], 900.0);
    EXPECT_EQ(coeffs.pixel_coeffs[1], 1.5);
    EXPECT_EQ(coeffs.pixel_coeffs[2], -0.5);
}

TEST(CalibCoeffsImage, FailedDecodePrintsItsLine)
{
    std::vector<uint8_t> buffer = kCoeffsImage;
    buffer[16] = 4;  // first dimension 4 instead of 3
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(zelspec_calib_coeffs_deserialize(buffer.data(), buffer.size()),
              ZELSPEC_ERROR_SERIALIZE);
    std::fflush(stdout);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "------zelspec_deserialize debug 1\n");
    EXPECT_EQ(buffer[16], 4);
    EXPECT_EQ(zelspec_calib_coeffs_deserialize(nullptr, 72), ZELSPEC_ERROR_NULL_POINTER);
}

}  // namespace
