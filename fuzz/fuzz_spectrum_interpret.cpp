// Interpretation of arbitrary scan data, and reference interpolation of arbitrary reference data
// and matrices against the result.
//
// Input: two little-endian 16-bit lengths a and b, then a bytes of scan data, b bytes of
// reference scan data, and the rest as the reference calibration matrix image.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "spectrum/zelspec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    std::size_t scan_size = data[0] | std::size_t{data[1]} << 8;
    std::size_t ref_size = data[2] | std::size_t{data[3]} << 8;
    data += 4;
    size -= 4;
    if (scan_size > size)
        scan_size = size;
    if (ref_size > size - scan_size)
        ref_size = size - scan_size;
    // Exact-size copies, so that any read past a part is caught.
    const std::vector<uint8_t> scan_data(data, data + scan_size);
    const std::vector<uint8_t> ref_data(data + scan_size, data + scan_size + ref_size);
    const std::vector<uint8_t> matrix(data + scan_size + ref_size, data + size);

    static scanResults scan, ref;
    std::memset(&scan, 0, sizeof scan);
    zelspec_scan_interpret(scan_data.data(), scan_data.size(), &scan);
    zelspec_calib_interpret_scan(scan_data.data(), scan_data.size(), &ref,
                                 scan_data.empty() ? 3 : 2 + scan_data.back() % 10);
    zelspec_scan_interpReference(ref_data.data(), ref_data.size(), matrix.data(), matrix.size(),
                                 &scan, &ref);
    return 0;
}
