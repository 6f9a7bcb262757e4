// Writes the seed inputs of fuzz_spectrum_interpret: valid column, Hadamard and sectioned scans,
// each with a column reference scan and a reference calibration matrix, in the fuzzer's input
// layout (two 16-bit lengths, scan data, reference data, matrix image).
//
// Build and run from the repository root, after building zel_spectrum into build/<dir>:
//   c++ -std=c++20 -I. tools/make_interpret_corpus.cpp build/<dir>/spectrum/libzel_spectrum.a \
//       build/<dir>/tpl/libzel_tpl.a -o /tmp/make_corpus && /tmp/make_corpus fuzz/corpus/fuzz_spectrum_interpret
#include <cstdio>
#include <string>
#include <vector>

#include "tests/spectrum/scan_encoder.h"

using namespace zelspec_test;

namespace {

std::vector<uint8_t> matrix_image()
{
    refCalMatrix m{};
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        m.widths[r] = static_cast<uint8_t>(2 + r);
    for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n)
        m.nodes[n] = 900.0 + 15.0 * n;
    for (int r = 0; r < ZELSPEC_REFCAL_WIDTHS; ++r)
        for (int n = 0; n < ZELSPEC_REFCAL_NODES; ++n)
            m.matrix[r][n] = static_cast<uint16_t>(1000 + 40 * r + n);
    std::vector<uint8_t> bytes(4096);
    size_t size = 0;
    zelspec_serialized_size(&m, &size, ZELSPEC_TYPE_REFCAL_MATRIX);
    bytes.resize(size);
    zelspec_refcal_matrix_serialize(&m, bytes.data(), bytes.size());
    return bytes;
}

void write_seed(const std::string &path, const std::vector<uint8_t> &scan,
                const std::vector<uint8_t> &ref, const std::vector<uint8_t> &matrix)
{
    std::vector<uint8_t> out = {static_cast<uint8_t>(scan.size()),
                                static_cast<uint8_t>(scan.size() >> 8),
                                static_cast<uint8_t>(ref.size()),
                                static_cast<uint8_t>(ref.size() >> 8)};
    out.insert(out.end(), scan.begin(), scan.end());
    out.insert(out.end(), ref.begin(), ref.end());
    out.insert(out.end(), matrix.begin(), matrix.end());
    FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return;
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<uint8_t> ref =
        encode_standard(standard_config(ZELSPEC_SCAN_COLUMN, 950, 1600, 7, 228));
    const std::vector<uint8_t> matrix = matrix_image();
    write_seed(dir + "/column", encode_standard(standard_config(0, 950, 1600, 6, 228)), ref,
               matrix);
    write_seed(dir + "/column_same_as_reference",
               encode_standard(standard_config(0, 950, 1600, 7, 228)), ref, matrix);
    write_seed(dir + "/hadamard", encode_standard(standard_config(1, 1000, 1500, 7, 60)), ref,
               matrix);
    write_seed(dir + "/sectioned",
               encode_sectioned(sectioned_config({{0, 6, 950, 1100, 40, 0},
                                                  {1, 7, 1100, 1250, 45, 0},
                                                  {0, 5, 1250, 1350, 30, 0},
                                                  {1, 4, 1350, 1500, 60, 0},
                                                  {0, 8, 1500, 1600, 25, 0}})),
               ref, matrix);
    return 0;
}
