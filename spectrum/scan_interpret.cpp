// Interpretation of serialized scan data: decode a private copy, then dispatch on its form.
#include <algorithm>
#include <cstring>

#include "spectrum/scan_internal.h"
#include "spectrum/scratch.h"

namespace zelspec {
int32_t interpret_column(const uScanData &scan, scanResults &results);
int32_t interpret_hadamard(const uScanData &scan, scanResults &results);
}  // namespace zelspec

extern "C" int32_t zelspec_scan_interpret(const void *data, size_t size, scanResults *results)
{
    if (data == nullptr || results == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    // The record is decoded in place; the copy is never smaller than the record it becomes.
    auto copy = zelspec::make_scratch<unsigned char>(std::max(size, sizeof(uScanData)));
    if (!copy)
        return ZELSPEC_ERROR_NO_MEMORY;
    std::memcpy(copy.get(), data, size);
    int32_t form = ZELSPEC_FORM_STANDARD;
    const int32_t status = zelspec_scan_read_data_form(copy.get(), size, &form);
    if (status != ZELSPEC_PASS) {
        tpl_emit(1, "zelspec_scan_read_data debug 2: %d\n", status);
        if (status < 0)
            return status;
    }
    uScanData scan;
    std::memcpy(&scan, copy.get(), sizeof scan);
    if (scan.head.version != 1)
        return ZELSPEC_ERROR_GENERAL;
    std::memset(results, 0, sizeof *results);
    switch (zelspec_scan_form_get_type(&scan, form)) {
    case ZELSPEC_SCAN_COLUMN:
        return zelspec::interpret_column(scan, *results);
    case ZELSPEC_SCAN_HADAMARD:
        return zelspec::interpret_hadamard(scan, *results);
    case ZELSPEC_SCAN_SECTIONED:
        return zelspec_scan_interpret_sections(&scan, results);
    default:
        return ZELSPEC_ERROR_INVALID_INPUT;
    }
}
