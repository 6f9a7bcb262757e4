// Interpretation of column, Hadamard and sectioned scans, rendering of column patterns and the
// decode of one order-251 group, each next to a baseline measured in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "spectrum/zelspec.h"
#include "tests/spectrum/scan_encoder.h"

namespace {

using namespace zelspec_test;

void interpret_loop(benchmark::State &state, const std::vector<uint8_t> &bytes)
{
    static scanResults results;
    for (auto _ : state) {
        const int32_t status = zelspec_scan_interpret(bytes.data(), bytes.size(), &results);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(results.intensity[0]);
    }
}

// Baseline: decoding the serialized record alone, which every interpretation starts with.
void BM_DecodeScanDataOnly(benchmark::State &state)
{
    const std::vector<uint8_t> bytes = encode_standard(standard_config(0, 950, 1600, 6, 228));
    std::vector<uint8_t> copy(bytes.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(zelspec_scan_read_data(copy.data(), copy.size()));
    }
}
BENCHMARK(BM_DecodeScanDataOnly);

void BM_InterpretColumn228(benchmark::State &state)
{
    interpret_loop(state, encode_standard(standard_config(0, 950, 1600, 6, 228)));
}
BENCHMARK(BM_InterpretColumn228);

void BM_InterpretHadamard228(benchmark::State &state)
{
    interpret_loop(state, encode_standard(standard_config(1, 950, 1600, 6, 228)));
}
BENCHMARK(BM_InterpretHadamard228);

void BM_InterpretFiveSections(benchmark::State &state)
{
    interpret_loop(state, encode_sectioned(sectioned_config({{0, 6, 950, 1100, 40, 0},
                                                             {1, 7, 1100, 1250, 45, 0},
                                                             {0, 5, 1250, 1350, 30, 0},
                                                             {1, 4, 1350, 1500, 60, 0},
                                                             {0, 8, 1500, 1600, 25, 0}})));
}
BENCHMARK(BM_InterpretFiveSections);

// One group of 250 columns, so one order-251 decode; next to it the column scan of the same
// range, whose difference is the decode.
const scanConfig group_251 = standard_config(1, 930, 1630, 1, 250);

void BM_InterpretColumn250(benchmark::State &state)
{
    scanConfig column = group_251;
    column.scan_type = 0;
    interpret_loop(state, encode_standard(column));
}
BENCHMARK(BM_InterpretColumn250);

void BM_InterpretHadamardOneGroup251(benchmark::State &state)
{
    patDefH def;
    const calibCoeffs coeffs = test_coeffs();
    if (zelspec_pattern_hadamard_def(&group_251, &coeffs, &def) != ZELSPEC_PASS ||
        def.num_sets != 1 || def.sets[0].order != 251) {
        state.SkipWithError("the configuration is not one group of order 251");
        return;
    }
    interpret_loop(state, encode_standard(group_251));
}
BENCHMARK(BM_InterpretHadamardOneGroup251);

// 624 column patterns fill 26 images of 24 bits; 854 columns rounded up to whole groups of
// four pixels, as the 24-bit layout requires.
constexpr uint32_t fb_width = 856, fb_height = 480, fb_images = 26;
constexpr std::size_t fb_bytes = std::size_t{fb_width} * fb_height * 3 * fb_images;

void BM_MemsetFrameBuffers(benchmark::State &state)
{
    std::vector<uint8_t> bytes(fb_bytes);
    for (auto _ : state) {
        std::memset(bytes.data(), 0, bytes.size());
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fb_bytes));
}
BENCHMARK(BM_MemsetFrameBuffers);

void BM_RenderColumn624(benchmark::State &state)
{
    std::vector<uint8_t> bytes(fb_bytes);
    const frameBuffer fb{bytes.data(), fb_images, fb_width, fb_height, 24};
    const scanConfig config = standard_config(0, 905, 1635, 7, 624);
    const calibCoeffs coeffs = test_coeffs();
    patDefC def;
    if (zelspec_pattern_column_def(&config, &coeffs, &def) != ZELSPEC_PASS) {
        state.SkipWithError("column definition failed");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(zelspec_pattern_column_to_fb(&def, &fb, 0));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fb_bytes));
}
BENCHMARK(BM_RenderColumn624);

}  // namespace
