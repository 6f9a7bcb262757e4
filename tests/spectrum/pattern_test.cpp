// Pattern definitions, rectangle fill, the renderers' bit planes, the row shift and the
// calibration pattern sets.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "spectrum/zelspec.h"

namespace {

// nm = column, so wavelengths name columns directly.
calibCoeffs linear_coeffs() { return calibCoeffs{{0, 0, 0}, {0.0, 1.0, 0.0}}; }

scanConfig config(uint8_t type, uint16_t start, uint16_t end, uint8_t width, uint16_t patterns)
{
    scanConfig c{};
    c.scan_type = type;
    c.wavelength_start_nm = start;
    c.wavelength_end_nm = end;
    c.width_px = width;
    c.num_patterns = patterns;
    return c;
}

int32_t column_def(scanConfig c, const calibCoeffs *coeffs, patDefC *def)
{
    return zelspec_pattern_column_def(&c, coeffs, def);
}

int32_t hadamard_def(scanConfig c, const calibCoeffs *coeffs, patDefH *def)
{
    return zelspec_pattern_hadamard_def(&c, coeffs, def);
}

// A frame buffer over its own storage.
struct Frames {
    std::vector<uint8_t> bytes;
    frameBuffer fb;
    Frames(uint32_t width, uint32_t height, uint32_t bpp, int32_t frames, uint8_t fill = 0)
        : bytes(std::size_t(width) * height * (bpp / 8) * frames, fill),
          fb{bytes.data(), frames, width, height, bpp}
    {
    }
    uint32_t pixel(int frame, uint32_t x, uint32_t y) const
    {
        const uint32_t bpp = fb.bpp / 8;
        const std::size_t at = (std::size_t(frame) * fb.height * fb.width + y * fb.width + x) * bpp;
        uint32_t v = 0;
        for (uint32_t i = 0; i < bpp; ++i)
            v |= uint32_t{bytes[at + i]} << (8 * i);
        return v;
    }
    // The columns of row y of an image whose pixels have `bit` set.
    std::vector<uint32_t> lit(int frame, int bit, uint32_t y = 0) const
    {
        std::vector<uint32_t> cols;
        for (uint32_t x = 0; x < fb.width; ++x)
            if ((pixel(frame, x, y) >> bit) & 1)
                cols.push_back(x);
        return cols;
    }
};

std::vector<uint32_t> columns(uint32_t first, uint32_t last)
{
    std::vector<uint32_t> c;
    for (uint32_t x = first; x <= last; ++x)
        c.push_back(x);
    return c;
}

TEST(PatternDefinition, ColumnCentres)
{
    const calibCoeffs coeffs = linear_coeffs();
    patDefC def;
    ASSERT_EQ(column_def(config(0, 100, 103, 5, 3), &coeffs, &def), ZELSPEC_PASS);
    EXPECT_EQ(def.num_patterns, 3);
    EXPECT_EQ(def.width_px, 5);
    EXPECT_EQ(def.mid_px[0], 100);
    EXPECT_EQ(def.mid_px[1], 101);  // 101.5 truncated
    EXPECT_EQ(def.mid_px[2], 103);
    ASSERT_EQ(column_def(config(0, 240, 500, 5, 1), &coeffs, &def), ZELSPEC_PASS);
    EXPECT_EQ(def.mid_px[0], 240);

    EXPECT_EQ(column_def(config(0, 100, 900, 5, 3), &coeffs, &def),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(column_def(config(0, 100, 200, 5, 625), &coeffs, &def),
              ZELSPEC_ERROR_INVALID_INPUT);
    const calibCoeffs flat{{0, 0, 0}, {900.0, 0.0, 0.0}};
    EXPECT_EQ(column_def(config(0, 100, 200, 5, 3), &flat, &def),
              ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_pattern_column_def(nullptr, &coeffs, &def), ZELSPEC_ERROR_NULL_POINTER);
}

TEST(PatternDefinition, HadamardGroups)
{
    const calibCoeffs coeffs = linear_coeffs();
    patDefH def;
    // 30 centres 3 apart at width 4: 9 apart at s = 3 (9 - 4 >= 2), 6 apart at s = 2 too
    // (6 - 4 = 2)... so use width 5: 6 - 5 < 2, 9 - 5 >= 2.
    ASSERT_EQ(hadamard_def(config(1, 100, 187, 5, 30), &coeffs, &def),
              ZELSPEC_PASS);
    EXPECT_EQ(def.num_sets, 3);
    EXPECT_EQ(def.num_patterns, 33);
    EXPECT_EQ(def.width_px, 5);
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(def.sets[g].num_cols, 10);
        EXPECT_EQ(def.sets[g].order, 11);
        for (int j = 0; j < 10; ++j) {
            EXPECT_EQ(def.sets[g].col_index[j], g + 3 * j);
            EXPECT_EQ(def.sets[g].mid_px[j], 100 + 3 * (g + 3 * j));
        }
    }
    // Centres 10 apart with width 8 are apart; 9 apart are not.
    ASSERT_EQ(hadamard_def(config(1, 100, 190, 8, 10), &coeffs, &def),
              ZELSPEC_PASS);
    EXPECT_EQ(def.num_sets, 1);
    ASSERT_EQ(hadamard_def(config(1, 100, 181, 8, 10), &coeffs, &def),
              ZELSPEC_PASS);
    EXPECT_EQ(def.num_sets, 2);
    EXPECT_EQ(hadamard_def(config(1, 100, 200, 5, 2), &coeffs, &def),
              ZELSPEC_ERROR_GENERAL);
    // Bands of width 40 one column apart never separate within 15 groups.
    EXPECT_EQ(hadamard_def(config(1, 100, 199, 40, 100), &coeffs, &def),
              ZELSPEC_ERROR_GENERAL);
}

// The per-pixel rule the fills must match.
void reference_fill(Frames &f, const rect &r, bool overwrite)
{
    const uint32_t bpp = f.fb.bpp / 8;
    const uint32_t mask = bpp == 4 ? 0xFFFFFFFFu : (1u << (8 * bpp)) - 1;
    for (uint32_t y = r.y; y < r.y + r.height; ++y)
        for (uint32_t x = r.x; x < r.x + r.width; ++x) {
            const std::size_t at = (std::size_t(y) * f.fb.width + x) * bpp;
            uint32_t v = 0;
            for (uint32_t i = 0; i < bpp; ++i)
                v |= uint32_t{f.bytes[at + i]} << (8 * i);
            v = overwrite ? (uint32_t(r.value) & mask) : (v | (uint32_t(r.value) & mask));
            for (uint32_t i = 0; i < bpp; ++i)
                f.bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
        }
}

TEST(FrameFill, EveryDepthMatchesThePerPixelRule)
{
    std::mt19937 random(7);
    for (uint32_t bpp : {16u, 24u, 32u}) {
        Frames fast(24, 5, bpp, 1), slow(24, 5, bpp, 1);
        for (int i = 0; i < 400; ++i) {
            rect r;
            r.x = random() % 24;
            r.width = random() % (24 - r.x + 1);
            r.y = random() % 5;
            r.height = random() % (5 - r.y + 1);
            // Uniform pixel bytes (0, all ones) take the byte-fill path at 24 bits.
            const int32_t uniform[] = {0, 0x00FFFFFF, -1};
            r.value = i % 4 == 0 ? uniform[random() % 3] : static_cast<int32_t>(random());
            if (i % 8 == 0) {
                r.x = 0;
                r.width = 24;
            }
            const bool overwrite = random() % 3 == 0;
            zelspec_fb_fill_rect(&r, &fast.fb, overwrite);
            reference_fill(slow, r, overwrite);
            ASSERT_EQ(fast.bytes, slow.bytes) << bpp << " bpp, rect " << r.x << "+" << r.width
                                              << " x " << r.y << "+" << r.height;
        }
    }
}

TEST(FrameFill, DrawsNothingOutsideTheModel)
{
    const rect whole{0, 0, 8, 2, 0x123456};
    struct Case {
        const char *name;
        uint32_t width, height, bpp;
        rect r;
    } cases[] = {
        {"24-bit width not a multiple of 4", 6, 2, 24, {0, 0, 6, 2, 1}},
        {"image not whole words", 3, 1, 16, {0, 0, 3, 1, 1}},
        {"unknown depth", 8, 2, 8, whole},
        {"rectangle past the right edge", 8, 2, 32, {4, 0, 5, 1, 1}},
        {"rectangle past the bottom", 8, 2, 32, {0, 1, 8, 2, 1}},
        {"rectangle beyond the image", 8, 2, 16, {0xFFFFFFF0u, 0, 0x20, 1, 1}},
    };
    for (const Case &c : cases) {
        Frames f(c.width, c.height, c.bpp == 8 ? 32 : c.bpp, 1, 0xEE);
        f.fb.bpp = c.bpp;
        const std::vector<uint8_t> before = f.bytes;
        zelspec_fb_fill_rect(&c.r, &f.fb, true);
        EXPECT_EQ(f.bytes, before) << c.name;
    }
}

TEST(Renderers, ColumnPatternsFillBitPlanes)
{
    const calibCoeffs coeffs = linear_coeffs();
    patDefC def;
    ASSERT_EQ(column_def(config(0, 100, 119, 3, 20), &coeffs, &def), ZELSPEC_PASS);

    Frames f16(160, 2, 16, 1, 0xFF);
    EXPECT_EQ(zelspec_pattern_column_to_fb(&def, &f16.fb, 0), 20);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(f16.lit(0, k, 0), columns(99 + k, 101 + k)) << k;
        EXPECT_EQ(f16.lit(0, k, 1), columns(99 + k, 101 + k)) << k;
    }

    Frames f24(160, 2, 24, 1, 0xFF);
    EXPECT_EQ(zelspec_pattern_column_to_fb(&def, &f24.fb, 0), 20);
    for (int k = 0; k < 20; ++k)
        EXPECT_EQ(f24.lit(0, k, 1), columns(99 + k, 101 + k)) << k;
    for (int k = 20; k < 24; ++k)
        EXPECT_TRUE(f24.lit(0, k).empty()) << "the image was cleared";

    // Pattern index 30 at 24 per image: second image, bit 6, first image untouched.
    Frames f32(160, 1, 32, 2, 0x00);
    f32.bytes[160 * 4 + 0] = 0x01;  // a stale bit 0 in image 1 survives: it is not cleared
    EXPECT_EQ(zelspec_pattern_column_to_fb(&def, &f32.fb, 30), 20);
    for (uint32_t x = 0; x < 160; ++x)
        EXPECT_EQ(f32.pixel(0, x, 0), 0u);
    EXPECT_EQ(f32.lit(1, 6), columns(99, 101));
    EXPECT_EQ(f32.lit(1, 23), columns(116, 118));
    EXPECT_EQ(f32.lit(1, 0), std::vector<uint32_t>{0});

    // A first index whose image lies beyond the buffer draws nothing.
    Frames none(160, 1, 32, 1, 0xAB);
    EXPECT_EQ(zelspec_pattern_column_to_fb(&def, &none.fb, 24), 20);
    EXPECT_EQ(none.bytes, std::vector<uint8_t>(160 * 4, 0xAB));

    Frames odd(6, 1, 24, 1);
    EXPECT_EQ(zelspec_pattern_column_to_fb(&def, &odd.fb, 0), ZELSPEC_ERROR_INVALID_INPUT);
}

TEST(Renderers, BandsAreKeptInsideTheImage)
{
    patDefC def{};
    def.num_patterns = 3;
    def.width_px = 6;
    def.mid_px[0] = 1;    // starts at -2: moved to 0, width kept
    def.mid_px[1] = 30;   // 27..32 cut at 31
    def.mid_px[2] = 900;  // entirely beyond
    Frames f(32, 1, 32, 1);
    EXPECT_EQ(zelspec_pattern_column_to_fb(&def, &f.fb, 0), 3);
    EXPECT_EQ(f.lit(0, 0), columns(0, 5));
    EXPECT_EQ(f.lit(0, 1), columns(27, 31));
    EXPECT_TRUE(f.lit(0, 2).empty());
}

TEST(Renderers, HadamardPatternsFollowTheMatrixRowsInRowZero)
{
    const calibCoeffs coeffs = linear_coeffs();
    patDefH def;
    // 3 columns 20 apart: one group of order 3.
    ASSERT_EQ(hadamard_def(config(1, 100, 140, 3, 3), &coeffs, &def),
              ZELSPEC_PASS);
    ASSERT_EQ(def.num_sets, 1);
    Frames f(160, 2, 24, 1, 0xFF);
    EXPECT_EQ(zelspec_pattern_hadamard_to_fb(&def, &f.fb, 0), 3);
    // Rows 110, 101, 011 over the bands at 100, 120 and 140.
    auto band = [](uint32_t c) { return columns(c - 1, c + 1); };
    auto join = [](std::vector<uint32_t> a, const std::vector<uint32_t> &b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    EXPECT_EQ(f.lit(0, 0), join(band(100), band(120)));
    EXPECT_EQ(f.lit(0, 1), join(band(100), band(140)));
    EXPECT_EQ(f.lit(0, 2), join(band(120), band(140)));
    EXPECT_TRUE(f.lit(0, 3).empty());
    EXPECT_EQ(f.pixel(0, 0, 1), 0xFFFFFFu) << "rows below row 0 are left to the row shift";

    patDefH bad = def;
    bad.sets[0].num_cols = 4;
    EXPECT_EQ(zelspec_pattern_hadamard_to_fb(&bad, &f.fb, 0), ZELSPEC_ERROR_INVALID_INPUT);
    bad = def;
    bad.sets[0].order = 5;
    EXPECT_EQ(zelspec_pattern_hadamard_to_fb(&bad, &f.fb, 0), ZELSPEC_ERROR_NULL_POINTER);
}

TEST(Renderers, SectionedGenerationPacksTheSectionsTogether)
{
    const calibCoeffs coeffs = linear_coeffs();
    sectionedScanConfig cfg{};
    cfg.head.scan_type = ZELSPEC_SCAN_SECTIONED;
    cfg.head.num_sections = 2;
    cfg.sections[0] = {ZELSPEC_SCAN_COLUMN, 3, 100, 104, 5, 0};
    cfg.sections[1] = {ZELSPEC_SCAN_HADAMARD, 3, 200, 240, 3, 0};
    Frames f(256, 1, 32, 1);
    EXPECT_EQ(zelspec_scan_generate_patterns(&cfg, &coeffs, &f.fb), 8);
    EXPECT_EQ(f.lit(0, 4), columns(103, 105));
    EXPECT_EQ(f.lit(0, 5).front(), 199u);
    EXPECT_EQ(zelspec_hadamard_shared_def()->num_patterns, 3);

    cfg.sections[1].section_scan_type = 4;
    EXPECT_EQ(zelspec_scan_generate_patterns(&cfg, &coeffs, &f.fb), ZELSPEC_ERROR_INVALID_INPUT);
    cfg.head.num_sections = 6;
    EXPECT_EQ(zelspec_scan_generate_patterns(&cfg, &coeffs, &f.fb), ZELSPEC_ERROR_INVALID_INPUT);
    scanConfig unknown = config(3, 100, 200, 3, 5);
    EXPECT_EQ(zelspec_scan_generate_patterns(&unknown, &coeffs, &f.fb),
              ZELSPEC_ERROR_INVALID_INPUT);
}

TEST(RowShift, RowsAreRowZeroMovedByTheRoundedQuadratic)
{
    Frames f(8, 3, 16, 1);
    for (uint32_t x = 0; x < 8; ++x) {
        f.bytes[2 * x] = static_cast<uint8_t>(x + 1);
        f.bytes[2 * (8 + x)] = 0x77;  // rows 1 and 2 are rebuilt
    }
    const double still[3] = {0, 0, 0};
    ASSERT_EQ(zelspec_fb_shift_rows(&f.fb, still, 1), ZELSPEC_PASS);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            EXPECT_EQ(f.pixel(0, x, y), x + 1);

    const double right[3] = {1, 0, 0};
    ASSERT_EQ(zelspec_fb_shift_rows(&f.fb, right, 1), ZELSPEC_PASS);
    for (uint32_t y = 0; y < 3; ++y) {
        EXPECT_EQ(f.pixel(0, 0, y), 0u);
        for (uint32_t x = 1; x < 8; ++x)
            EXPECT_EQ(f.pixel(0, x, y), x);
    }

    // Shift -r: row 2 moves two pixels left.
    Frames g(8, 3, 32, 2);
    for (uint32_t x = 0; x < 8; ++x)
        g.bytes[4 * x] = static_cast<uint8_t>(x + 1);
    const double left[3] = {0, -1, 0};
    ASSERT_EQ(zelspec_fb_shift_rows(&g.fb, left, 1), ZELSPEC_PASS);
    EXPECT_EQ(g.pixel(0, 0, 2), 3u);
    EXPECT_EQ(g.pixel(0, 7, 2), 0u);

    const double far[3] = {5, 0, 0};  // more than half a row of 8 pixels
    const std::vector<uint8_t> before = g.bytes;
    EXPECT_EQ(zelspec_fb_shift_rows(&g.fb, far, 1), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(g.bytes, before);
    EXPECT_EQ(zelspec_fb_shift_rows(&g.fb, left, -1), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_fb_shift_rows(&g.fb, nullptr, 1), ZELSPEC_ERROR_NULL_POINTER);
    // Patterns beyond the buffer's images only reach the images there are.
    EXPECT_EQ(zelspec_fb_shift_rows(&g.fb, still, 32 * 5), ZELSPEC_PASS);
}

TEST(CalibrationPatterns, Sets)
{
    Frames big(856, 2, 24, 40);
    frameBuffer fb = big.fb;
    EXPECT_EQ(zelspec_pattern_calib_to_fb(12, &fb), ZELSPEC_ERROR_SCAN_TYPE);
    EXPECT_EQ(zelspec_pattern_calib_to_fb(1, &fb), ZELSPEC_ERROR_SCAN_TYPE);
    EXPECT_EQ(zelspec_pattern_calib_to_fb(2, nullptr), ZELSPEC_ERROR_NULL_POINTER);

    Frames one(856, 2, 16, 1);
    fb = one.fb;
    EXPECT_EQ(zelspec_pattern_calib_to_fb(2, &fb), 16);
    EXPECT_EQ(fb.data, one.bytes.data() + one.bytes.size());
    EXPECT_EQ(one.lit(0, 15, 1), columns(60, 65));

    fb = big.fb;
    EXPECT_EQ(zelspec_pattern_calib_to_fb(3, &fb), 219);
    EXPECT_EQ(big.lit(0, 0, 0), columns(0, 254));
    EXPECT_TRUE(big.lit(0, 0, 1).empty());
    EXPECT_EQ(big.lit(0, 5, 1), columns(568, 822));
    EXPECT_TRUE(big.lit(0, 5, 0).empty());
    EXPECT_EQ(big.lit(0, 6, 0), columns(0, 3));
    EXPECT_EQ(big.lit(0, 23, 1), columns(68, 71));
    EXPECT_EQ(big.lit(1, 0, 0), columns(72, 75));

    Frames many(856, 1, 32, 20);
    fb = many.fb;
    EXPECT_EQ(zelspec_pattern_calib_to_fb(4, &fb), 427);
    EXPECT_EQ(many.lit(426 / 24, 426 % 24), columns(426, 430));
    fb = many.fb;
    EXPECT_EQ(zelspec_pattern_calib_to_fb(8, &fb), 423);
    EXPECT_EQ(many.lit(0, 0), columns(427, 431));
    EXPECT_EQ(many.lit(422 / 24, 422 % 24), columns(849, 853));
}

}  // namespace
