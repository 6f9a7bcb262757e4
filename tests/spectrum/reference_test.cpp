// Reference interpolation: equal configurations, resampling with the width correction, gain
// scaling and the configurations and matrices that cannot be used.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "spectrum/zelspec.h"
#include "tests/spectrum/scan_encoder.h"

namespace {

using namespace zelspec_test;

// Widths 2, 4, ..., 38; every value proportional to the width, so that the correction factor
// from width a to width b is b / a at every node.
refCalMatrix proportional_matrix()
{
    refCalMatrix m{};
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        m.widths[r] = static_cast<uint8_t>(2 + 2 * r);
    for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n)
        m.nodes[n] = 900.0 + 15.0 * n;
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n)
            m.matrix[r][n] = static_cast<uint16_t>(100 * m.widths[r]);
    return m;
}

std::vector<uint8_t> image_of(const refCalMatrix &m)
{
    size_t size = 0;
    EXPECT_EQ(zelspec_serialized_size(&m, &size, ZELSPEC_TYPE_REFCAL_MATRIX), ZELSPEC_PASS);
    std::vector<uint8_t> bytes(size);
    EXPECT_EQ(zelspec_refcal_matrix_serialize(&m, bytes.data(), size), ZELSPEC_PASS);
    return bytes;
}

scanResults interpreted(const std::vector<uint8_t> &bytes)
{
    scanResults r;
    EXPECT_EQ(zelspec_scan_interpret(bytes.data(), bytes.size(), &r), ZELSPEC_PASS);
    return r;
}

struct Fixture : ::testing::Test {
    std::vector<uint8_t> ref_data =
        encode_standard(standard_config(ZELSPEC_SCAN_COLUMN, 950, 1600, 8, 228));
    refCalMatrix matrix = proportional_matrix();
    scanResults ref;

    int32_t run(const scanResults &scan, const refCalMatrix &m)
    {
        const std::vector<uint8_t> image = image_of(m);
        return zelspec_scan_interpReference(ref_data.data(), ref_data.size(), image.data(),
                                            image.size(), &scan, &ref);
    }
};

TEST_F(Fixture, EqualConfigurationGivesTheReferenceScaledForGain)
{
    scanResults scan = interpreted(ref_data);
    const scanResults plain = scan;
    ASSERT_EQ(run(scan, matrix), ZELSPEC_PASS);
    EXPECT_EQ(std::memcmp(&ref, &plain, sizeof ref), 0);

    scan.pga = 4;
    ASSERT_EQ(run(scan, matrix), ZELSPEC_PASS);
    for (int i = 0; i < plain.length; ++i)
        ASSERT_EQ(ref.intensity[i], 4 * plain.intensity[i]);
    EXPECT_EQ(ref.pga, 1);
}

TEST_F(Fixture, SectionsInsideTheReferenceAreResampledAndCorrectedPerWidth)
{
    const sectionedScanConfig cfg = sectioned_config({
        {ZELSPEC_SCAN_COLUMN, 4, 1000, 1200, 50, 0},
        {ZELSPEC_SCAN_HADAMARD, 12, 1250, 1500, 40, 0},
    });
    const scanResults scan = interpreted(encode_sectioned(cfg));
    ASSERT_EQ(scan.length, 90);
    ASSERT_EQ(run(scan, matrix), ZELSPEC_PASS);
    ASSERT_EQ(ref.length, 90);

    // The reference on the scan's wavelengths, then times 4/8 and 12/8.
    scanResults plain = interpreted(ref_data);
    std::vector<double> grid(plain.wavelength, plain.wavelength + ZELSPEC_RESULTS_LEN);
    std::vector<int32_t> values(plain.intensity, plain.intensity + ZELSPEC_RESULTS_LEN);
    ASSERT_EQ(zelspec_num_interp_int_to_grid(scan.wavelength, scan.length, grid.data(),
                                             values.data(), plain.length),
              ZELSPEC_PASS);
    for (int i = 0; i < 90; ++i) {
        EXPECT_DOUBLE_EQ(ref.wavelength[i], scan.wavelength[i]);
        const double factor = i < 50 ? 4.0 / 8.0 : 12.0 / 8.0;
        EXPECT_EQ(ref.intensity[i], static_cast<int32_t>(values[i] * factor)) << i;
    }
    // The reference had 228 points: none of the 138 beyond the scan's 90 may remain.
    for (int i = 90; i < ZELSPEC_RESULTS_LEN; ++i) {
        ASSERT_EQ(ref.intensity[i], 0) << i;
        ASSERT_EQ(ref.wavelength[i], 0.0) << i;
    }
}

TEST_F(Fixture, WidthBetweenMatrixWidthsInterpolates)
{
    // Reference width 7 lies between 6 and 8; the current width 5 in one section.
    ref_data = encode_standard(standard_config(ZELSPEC_SCAN_COLUMN, 950, 1600, 7, 228));
    const scanResults scan =
        interpreted(encode_standard(standard_config(ZELSPEC_SCAN_COLUMN, 1000, 1500, 5, 100)));
    ASSERT_EQ(run(scan, matrix), ZELSPEC_PASS);
    scanResults plain = interpreted(ref_data);
    std::vector<double> grid(plain.wavelength, plain.wavelength + ZELSPEC_RESULTS_LEN);
    std::vector<int32_t> values(plain.intensity, plain.intensity + ZELSPEC_RESULTS_LEN);
    ASSERT_EQ(zelspec_num_interp_int_to_grid(scan.wavelength, scan.length, grid.data(),
                                             values.data(), plain.length),
              ZELSPEC_PASS);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(ref.intensity[i], static_cast<int32_t>(values[i] * (500.0 / 700.0))) << i;
}

TEST_F(Fixture, UnusableConfigurationsAndMatrices)
{
    const scanResults inside =
        interpreted(encode_standard(standard_config(ZELSPEC_SCAN_COLUMN, 1000, 1500, 5, 100)));
    const scanResults below =
        interpreted(encode_standard(standard_config(ZELSPEC_SCAN_COLUMN, 949, 1500, 5, 100)));
    EXPECT_EQ(run(below, matrix), ZELSPEC_ERROR_GENERAL);

    refCalMatrix narrow = matrix;  // widths 10..46: the reference width 8 lies below them
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        narrow.widths[r] = static_cast<uint8_t>(10 + 2 * r);
    EXPECT_EQ(run(inside, narrow), ZELSPEC_ERROR_INVALID_INPUT);
    refCalMatrix low = matrix;  // widths 1..4: the reference width 8 lies above them
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        low.widths[r] = static_cast<uint8_t>(1 + r / 6);
    EXPECT_EQ(run(inside, low), ZELSPEC_ERROR_INVALID_INPUT);
    refCalMatrix zero = matrix;
    zero.matrix[3][10] = 0;  // row of width 8, the reference width
    EXPECT_EQ(run(inside, zero), ZELSPEC_ERROR_INVALID_INPUT);

    // A sectioned reference never covers another configuration.
    ref_data = encode_sectioned(sectioned_config({
        {ZELSPEC_SCAN_COLUMN, 8, 950, 1300, 100, 0},
        {ZELSPEC_SCAN_COLUMN, 8, 1300, 1600, 100, 0},
    }));
    EXPECT_EQ(run(inside, matrix), ZELSPEC_ERROR_GENERAL);
}

TEST_F(Fixture, DamagedMatrixMagicStillDecodes)
{
    const scanResults scan =
        interpreted(encode_standard(standard_config(ZELSPEC_SCAN_COLUMN, 1000, 1500, 5, 100)));
    std::vector<uint8_t> image = image_of(matrix);
    image[0] = 'X';
    image[3] = 0x7F;
    EXPECT_EQ(zelspec_scan_interpReference(ref_data.data(), ref_data.size(), image.data(),
                                           image.size(), &scan, &ref),
              ZELSPEC_PASS);
    EXPECT_EQ(zelspec_scan_interpReference(ref_data.data(), ref_data.size(), image.data(), 0,
                                           &scan, &ref),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_scan_interpReference(nullptr, 1, image.data(), 1, &scan, &ref),
              ZELSPEC_ERROR_NULL_POINTER);
}

TEST(ScaleForPga, TruncatesAndRejectsAZeroReferenceGain)
{
    scanResults scan{}, ref{};
    scan.pga = 2;
    ref.pga = 3;
    ref.wavelength[0] = 1000.0;
    ref.wavelength[1] = 1001.0;
    ref.intensity[0] = 10;
    ref.intensity[1] = -10;
    ref.intensity[2] = 99;  // after the last wavelength: untouched
    ASSERT_EQ(zelspec_scale_for_pga(&scan, &ref), ZELSPEC_PASS);
    EXPECT_EQ(ref.intensity[0], 6);
    EXPECT_EQ(ref.intensity[1], -6);
    EXPECT_EQ(ref.intensity[2], 99);
    ref.pga = 0;
    EXPECT_EQ(zelspec_scale_for_pga(&scan, &ref), ZELSPEC_ERROR_INVALID_INPUT);
}

TEST(CalibrationScan, LabelsAndSamplesPerKind)
{
    std::vector<int32_t> samples;
    for (int i = 0; i < 16; ++i)
        samples.push_back(i % 4 == 3 ? 10 : 100 + i);
    uScanData scan;
    std::memset(&scan, 0, sizeof scan);
    fill_head(scan, samples, 4);
    std::memcpy(scan.standard.adc_data, samples.data(), sizeof(int32_t) * samples.size());
    const std::vector<uint8_t> bytes = serialized(scan, ZELSPEC_FORM_STANDARD);
    const calibCoeffs c = test_coeffs();
    auto nm = [&](double x) {
        return c.pixel_coeffs[2] * x * x + c.pixel_coeffs[1] * x + c.pixel_coeffs[0];
    };

    scanResults r;
    ASSERT_EQ(zelspec_calib_interpret_scan(bytes.data(), bytes.size(), &r, 8), ZELSPEC_PASS);
    ASSERT_EQ(r.length, 12);
    EXPECT_DOUBLE_EQ(r.wavelength[0], nm(429));
    EXPECT_DOUBLE_EQ(r.wavelength[11], nm(440));
    EXPECT_EQ(r.intensity[0], 90);
    ASSERT_EQ(zelspec_calib_interpret_scan(bytes.data(), bytes.size(), &r, 4), ZELSPEC_PASS);
    EXPECT_DOUBLE_EQ(r.wavelength[0], nm(2));
    ASSERT_EQ(zelspec_calib_interpret_scan(bytes.data(), bytes.size(), &r, 9), ZELSPEC_PASS);
    EXPECT_EQ(r.wavelength[0], 0.0);
    EXPECT_EQ(r.wavelength[5], 5.0);

    ASSERT_EQ(zelspec_calib_interpret_scan(bytes.data(), bytes.size(), &r, 3), ZELSPEC_PASS);
    ASSERT_EQ(r.length, 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(r.intensity[i], samples[i]);
    EXPECT_EQ(r.black_first, 3);
    EXPECT_EQ(r.black_period, 4);

    EXPECT_EQ(zelspec_calib_interpret_scan(bytes.data(), 100, &r, 2), ZELSPEC_ERROR_SERIALIZE);
    EXPECT_EQ(zelspec_calib_interpret_scan(nullptr, 100, &r, 2), ZELSPEC_ERROR_NULL_POINTER);
}

}  // namespace
