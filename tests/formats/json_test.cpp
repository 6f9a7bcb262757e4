// JSON: the layout pinned on a small spectrum, and every value read back by a JSON parser
// (not the writer) and compared with the spectrum.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "formats/formats.h"
#include "tests/formats/sample_spectra.h"

namespace zel::formats_test {
namespace {

using namespace zel::formats;

void expect_same(const nlohmann::json& actual, const std::vector<double>& expected)
{
    ASSERT_TRUE(actual.is_array());
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (std::isnan(expected[i])) {
            EXPECT_TRUE(actual[i].is_null()) << "point " << i;
        } else {
            EXPECT_EQ(actual[i].get<double>(), expected[i]) << "point " << i;
        }
    }
}

TEST(Json, LayoutOfASmallSpectrum)
{
    EXPECT_EQ(render_json(small_spectrum(), Quantity::Reflectance),
              R"({
  "metadata": {
    "serial": "ZEL00042",
    "configuration": 1,
    "configuration_name": "Column 1",
    "kind": "hadamard",
    "gain": 8,
    "averaging": 4,
    "repeats": 3,
    "temperature_c": 24.57,
    "humidity_pct": 40.1,
    "module_time": "2024-05-06T07:08:09",
    "host_time_utc": "2024-05-06T07:08:10Z",
    "software_version": "0.2.0"
  },
  "wavelength_nm": [
    900.123456,
    1300.5,
    1700.000001
  ],
  "reflectance": [
    0.2500625,
    null,
    0.25
  ]
}
)");
}

TEST(Json, EveryValueReadsBackAsTheSameDouble)
{
    const Spectrum s = random_spectrum(228, 11);
    const nlohmann::json j = nlohmann::json::parse(render(s, Format::Json));
    ASSERT_EQ(j.size(), 5u);
    expect_same(j["wavelength_nm"], s.wavelength_nm);
    expect_same(j["intensity"], s.intensity);
    expect_same(j["reference"], s.reference);
    expect_same(j["reflectance"], s.reflectance());
    EXPECT_EQ(j["metadata"]["configuration_name"], "random");
}

TEST(Json, RepeatsAddTheStandardDeviation)
{
    const Spectrum s = small_spectrum();
    const nlohmann::json j = nlohmann::json::parse(render_json(s));
    expect_same(j["intensity"], s.intensity);
    expect_same(j["reflectance"], s.reflectance());
    expect_same(j["intensity_std"], s.intensity_std);
    EXPECT_FALSE(nlohmann::json::parse(render_json(s, Quantity::Absorbance))
                     .contains("intensity_std"));
}

TEST(Json, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    Spectrum s = small_spectrum();
    s.metadata.configuration_name = "caf\xe9\n";
    const nlohmann::json j = nlohmann::json::parse(render_json(s));
    EXPECT_EQ(j["metadata"]["configuration_name"], "caf\xef\xbf\xbd\n");
}

}  // namespace
}  // namespace zel::formats_test
