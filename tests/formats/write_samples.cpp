// Writes one spectrum in every format into a folder, for readers outside the project:
// spectrum.csv, spectrum.json and spectrum-<quantity>.jdx for each quantity.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "formats/formats.h"
#include "tests/formats/sample_spectra.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    using namespace zel;
    const std::filesystem::path folder = argv[1];
    Spectrum s = formats_test::random_spectrum(228, 17);
    // A point without reflectance and one without absorbance.
    s.reference[5] = 0;
    s.intensity[9] = -12.5;
    try {
        formats::write_file(folder / "spectrum.csv", formats::render_csv(s));
        formats::write_file(folder / "spectrum.json", formats::render_json(s));
        for (Quantity q : {Quantity::Intensity, Quantity::Reference, Quantity::Reflectance,
                           Quantity::Absorbance}) {
            formats::write_file(folder / ("spectrum-" + std::string(to_string(q)) + ".jdx"),
                                formats::render_jcamp(s, q));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
