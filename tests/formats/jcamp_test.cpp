// JCAMP-DX: the layout pinned on a small spectrum; the labels, line lengths and the XY pairs
// checked by a reader of the test's own against the spectrum, within the stated factors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "device/error.h"
#include "formats/formats.h"
#include "tests/formats/readers.h"
#include "tests/formats/sample_spectra.h"

namespace zel::formats_test {
namespace {

using namespace zel::formats;

TEST(Jcamp, LayoutOfASmallSpectrum)
{
    EXPECT_EQ(render_jcamp(small_spectrum()),
              "##TITLE=ZEL00042 Column 1 reflectance\n"
              "##JCAMP-DX=5.01\n"
              "##DATA TYPE=NEAR INFRARED SPECTRUM\n"
              "##DATA CLASS=PEAK TABLE\n"
              "##ORIGIN=zel 0.2.0, module ZEL00042\n"
              "##OWNER=\n"
              "##$SERIAL=ZEL00042\n"
              "##$CONFIGURATION=1\n"
              "##$CONFIGURATION NAME=Column 1\n"
              "##$KIND=hadamard\n"
              "##$GAIN=8\n"
              "##$AVERAGING=4\n"
              "##$REPEATS=3\n"
              "##$TEMPERATURE C=24.57\n"
              "##$HUMIDITY PCT=40.1\n"
              "##$MODULE TIME=2024-05-06T07:08:09\n"
              "##$HOST TIME UTC=2024-05-06T07:08:10Z\n"
              "##$SOFTWARE VERSION=0.2.0\n"
              "##$QUANTITY=reflectance\n"
              "##XUNITS=NANOMETERS\n"
              "##YUNITS=REFLECTANCE\n"
              "##XFACTOR=1e-06\n"
              "##YFACTOR=1e-09\n"
              "##FIRSTX=900.123456\n"
              "##LASTX=1700.000001\n"
              "##NPOINTS=2\n"
              "##FIRSTY=0.2500625\n"
              "##PEAK TABLE=(XY..XY)\n"
              "900123456,250062500 1700000001,250000000\n"
              "##END=\n");
}

TEST(Jcamp, EachQuantityHasItsUnitsAndItsPairs)
{
    const Spectrum s = random_spectrum(228, 3);
    const std::pair<Quantity, const char*> cases[] = {
        {Quantity::Intensity, "ARBITRARY UNITS"},
        {Quantity::Reference, "ARBITRARY UNITS"},
        {Quantity::Reflectance, "REFLECTANCE"},
        {Quantity::Absorbance, "ABSORBANCE"},
    };
    for (const auto& [quantity, units] : cases) {
        SCOPED_TRACE(std::string(to_string(quantity)));
        const Jcamp j = read_jcamp(render(s, Format::Jcamp, quantity));
        EXPECT_EQ(j.labels.front(), "TITLE");
        EXPECT_EQ(j.labels.back(), "END");
        for (const char* required : {"JCAMP-DX", "DATA TYPE", "ORIGIN", "OWNER", "XUNITS",
                                     "YUNITS", "XFACTOR", "YFACTOR", "FIRSTX", "LASTX",
                                     "NPOINTS", "FIRSTY", "PEAK TABLE"}) {
            EXPECT_TRUE(j.values.contains(required)) << required;
        }
        EXPECT_EQ(j.values.at("JCAMP-DX"), "5.01");
        EXPECT_EQ(j.values.at("DATA TYPE"), "NEAR INFRARED SPECTRUM");
        EXPECT_EQ(j.values.at("XUNITS"), "NANOMETERS");
        EXPECT_EQ(j.values.at("YUNITS"), units);
        EXPECT_EQ(j.values.at("$QUANTITY"), to_string(quantity));
        EXPECT_EQ(j.values.at("PEAK TABLE"), "(XY..XY)");
        expect_pairs_reproduce(j, s, quantity);
        // Nine significant digits for the largest value: the factor is no coarser than that.
        double largest = 0;
        for (long long y : j.y) {
            largest = std::max(largest, std::fabs(static_cast<double>(y)));
        }
        EXPECT_GE(largest, 1e8);
        EXPECT_LT(largest, 1e9);
    }
}

TEST(Jcamp, UndefinedValuesAreLeftOut)
{
    const Spectrum s = small_spectrum();
    const Jcamp j = read_jcamp(render_jcamp(s, Quantity::Absorbance));
    EXPECT_EQ(j.values.at("NPOINTS"), "2");
    expect_pairs_reproduce(j, s, Quantity::Absorbance);

    Spectrum dark = s;
    dark.reference = {0, 0, 0};
    try {
        render_jcamp(dark);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ZEL_E_INVALID_ARGUMENT);
        EXPECT_STREQ(e.what(), "no point of the spectrum has a defined reflectance");
    }
}

TEST(Jcamp, TextIsPrintableAsciiWithoutCommentsAndLinesStayWithin80)
{
    Spectrum s = small_spectrum();
    s.metadata.configuration_name = "caf\xc3\xa9 $$ note\n" + std::string(100, 'x');
    const std::string text = render_jcamp(s, Quantity::Intensity);
    const Jcamp j = read_jcamp(text);
    EXPECT_EQ(j.values.at("$CONFIGURATION NAME"),
              "caf?? $? note?" + std::string(80 - 22 - 14, 'x'));
    EXPECT_EQ(text.find("$$"), std::string::npos);
    expect_pairs_reproduce(j, s, Quantity::Intensity);
}

TEST(Jcamp, ManyPointsFillLinesOfAtMost80Characters)
{
    const Spectrum s = random_spectrum(500, 5);
    const std::string text = render_jcamp(s, Quantity::Intensity);
    const Jcamp j = read_jcamp(text);
    expect_pairs_reproduce(j, s, Quantity::Intensity);
    // Pairs of up to 10 + 1 + 10 characters: three to a line.
    EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 500 / 3);
    EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 500 / 3 + 40);
}

}  // namespace
}  // namespace zel::formats_test
