// Interpretation of scans measured with the fixed calibration pattern sets.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "spectrum/scan_internal.h"
#include "spectrum/scratch.h"

namespace {

// Kind 3 keeps the raw samples, black ones included, with the black positions.
void copy_raw_samples(const uScanData &scan, scanResults &results)
{
    const int32_t count = scan.head.adc_data_length;
    std::copy(scan.standard.adc_data, scan.standard.adc_data + count, results.intensity);
    results.black_first = scan.head.black_first;
    results.black_period = scan.head.black_period;
    results.length = count;
}

}  // namespace

extern "C" int32_t zelspec_calib_interpret_scan(const void *data, size_t size,
                                                scanResults *results, int32_t kind)
{
    if (data == nullptr || results == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    auto copy = zelspec::make_scratch<unsigned char>(std::max(size, sizeof(uScanData)));
    if (!copy)
        return ZELSPEC_ERROR_NO_MEMORY;
    std::memcpy(copy.get(), data, size);
    const int32_t status = zelspec_deserialize(copy.get(), size, ZELSPEC_TYPE_SCAN_DATA);
    if (status != ZELSPEC_PASS) {
        std::fputs("------zelspec_deserialize debug 2\n", stdout);
        return status;
    }
    uScanData scan;
    std::memcpy(&scan, copy.get(), sizeof scan);
    if (scan.head.adc_data_length > ZELSPEC_ADC_DATA_LEN ||
        (kind != 3 && scan.head.black_period == 0))
        return ZELSPEC_ERROR_INVALID_INPUT;

    std::memset(results, 0, sizeof *results);
    zelspec::copy_head(scan, ZELSPEC_FORM_STANDARD, *results);
    if (kind == 3)
        copy_raw_samples(scan, *results);
    else
        zelspec_results_subtract_black(&scan, results);

    const int start_column = kind == 8 ? 427 : 0;
    for (int32_t i = 0; i < results->length; ++i) {
        if (kind == 4 || kind == 8) {
            const int32_t converted = zelspec_calib_pixel_to_nm(
                start_column + i + 2, scan.head.pixel_coeffs, &results->wavelength[i]);
            if (converted != ZELSPEC_PASS)
                return converted;
        } else {
            results->wavelength[i] = start_column + i;
        }
    }
    return ZELSPEC_PASS;
}
