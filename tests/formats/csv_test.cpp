// CSV: the layout pinned on a small spectrum, and every value read back by a reader of the
// test's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/error.h"
#include "formats/formats.h"
#include "tests/formats/readers.h"
#include "tests/formats/sample_spectra.h"

namespace zel::formats_test {
namespace {

using namespace zel::formats;

TEST(Csv, LayoutOfASmallSpectrum)
{
    EXPECT_EQ(render_csv(small_spectrum()),
              "# serial: ZEL00042\n"
              "# configuration: 1\n"
              "# configuration_name: Column 1\n"
              "# kind: hadamard\n"
              "# gain: 8\n"
              "# averaging: 4\n"
              "# repeats: 3\n"
              "# temperature_c: 24.57\n"
              "# humidity_pct: 40.1\n"
              "# module_time: 2024-05-06T07:08:09\n"
              "# host_time_utc: 2024-05-06T07:08:10Z\n"
              "# software_version: 0.2.0\n"
              "wavelength_nm,intensity,reference,reflectance,intensity_std\n"
              "900.123456,1000.25,4000,0.2500625,1.5\n"
              "1300.5,2000.5,0,nan,0\n"
              "1700.000001,750,3000,0.25,2.25\n");
}

TEST(Csv, AQuantityKeepsTheWavelengthAndThatQuantity)
{
    const Spectrum s = small_spectrum();
    const Csv absorbance = read_csv(render_csv(s, Quantity::Absorbance));
    EXPECT_EQ(absorbance.names, (std::vector<std::string>{"wavelength_nm", "absorbance"}));
    expect_same(absorbance.columns[1], s.absorbance());
    // The standard deviation belongs to the intensity only.
    EXPECT_EQ(read_csv(render_csv(s, Quantity::Intensity)).names,
              (std::vector<std::string>{"wavelength_nm", "intensity", "intensity_std"}));
    EXPECT_EQ(read_csv(render_csv(s, Quantity::Reference)).names,
              (std::vector<std::string>{"wavelength_nm", "reference"}));
}

TEST(Csv, EveryValueReadsBackAsTheSameDouble)
{
    const Spectrum s = random_spectrum(228, 7);
    const Csv csv = read_csv(render(s, Format::Csv));
    ASSERT_EQ(csv.names, (std::vector<std::string>{"wavelength_nm", "intensity", "reference",
                                                    "reflectance"}));
    expect_same(csv.columns[0], s.wavelength_nm);
    expect_same(csv.columns[1], s.intensity);
    expect_same(csv.columns[2], s.reference);
    expect_same(csv.columns[3], s.reflectance());
    EXPECT_EQ(csv.metadata.at("serial"), "ZEL00001");
    EXPECT_EQ(csv.metadata.at("repeats"), "1");
    EXPECT_EQ(csv.metadata.size(), 12u);
}

TEST(Csv, TextFromTheModuleStaysOnItsLine)
{
    Spectrum s = small_spectrum();
    s.metadata.configuration_name = "two\nlines\r\x7f";
    const Csv csv = read_csv(render_csv(s));
    EXPECT_EQ(csv.metadata.at("configuration_name"), "two?lines??");
    EXPECT_EQ(csv.columns[0].size(), 3u);
}

TEST(Csv, ArraysOfDifferentLengthAreRefused)
{
    Spectrum s = small_spectrum();
    s.reference.pop_back();
    try {
        render_csv(s);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ZEL_E_INVALID_ARGUMENT);
        EXPECT_STREQ(e.what(), "the spectrum's arrays differ in length (wavelength_nm 3, "
                               "intensity 3, reference 2, intensity_std 3)");
    }
}

}  // namespace
}  // namespace zel::formats_test
