// Decoding scan data and resampling a full curve, each against the plain copy of the same bytes
// that any decoder needs at least (the baseline).
#include "spectrum/zelspec.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> scan_image(bool sectioned)
{
    uScanData scan;
    std::memset(&scan, 0, sizeof scan);
    scan.head.version = 1;
    scan.head.black_period = 24;
    if (sectioned) {
        scan.sectioned.cfg.head.scan_type = ZELSPEC_SCAN_SECTIONED;
        scan.sectioned.cfg.head.num_sections = 2;
    }
    for (int i = 0; i < ZELSPEC_ADC_DATA_LEN; ++i)
        scan.standard.adc_data[i] = 1000 + i;
    std::vector<uint8_t> image(3786);
    const int32_t form = sectioned ? ZELSPEC_FORM_SECTIONED : ZELSPEC_FORM_STANDARD;
    zelspec_scan_write_data_form(&scan, form, image.data(), image.size());
    return image;
}

void BM_CopyImage(benchmark::State &state)
{
    const std::vector<uint8_t> image = scan_image(false);
    std::vector<uint8_t> buffer(image.size());
    for (auto _ : state) {
        std::memcpy(buffer.data(), image.data(), image.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyImage);

void BM_ScanReadData(benchmark::State &state)
{
    const std::vector<uint8_t> image = scan_image(state.range(0) != 0);
    std::vector<uint8_t> buffer(image.size());
    for (auto _ : state) {
        std::memcpy(buffer.data(), image.data(), image.size());
        benchmark::DoNotOptimize(zelspec_scan_read_data(buffer.data(), buffer.size()));
    }
}
BENCHMARK(BM_ScanReadData)->ArgName("sectioned")->Arg(0)->Arg(1);

// Baseline for resampling: one pass that writes every point.
void BM_CopyCurve(benchmark::State &state)
{
    std::vector<double> grid(864), out(864);
    std::vector<int32_t> values(864), out_values(864);
    for (int i = 0; i < 864; ++i) {
        grid[i] = 900.0 + i;
        values[i] = 1000 + i;
    }
    for (auto _ : state) {
        for (int i = 0; i < 864; ++i) {
            out[i] = grid[i];
            out_values[i] = values[i];
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::DoNotOptimize(out_values.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyCurve);

void BM_InterpIntToGrid(benchmark::State &state)
{
    std::vector<double> old_grid(864), new_grid(864), grid(864);
    std::vector<int32_t> old_values(864), values(864);
    for (int i = 0; i < 864; ++i) {
        old_grid[i] = 900.0 + i;
        new_grid[i] = 900.25 + i * 0.999;
        old_values[i] = 1000 + 3 * i;
    }
    for (auto _ : state) {
        grid = old_grid;
        values = old_values;
        benchmark::DoNotOptimize(
            zelspec_num_interp_int_to_grid(new_grid.data(), 864, grid.data(), values.data(), 864));
    }
}
BENCHMARK(BM_InterpIntToGrid);

}  // namespace
