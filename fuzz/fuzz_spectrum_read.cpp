// Arbitrary bytes into every reading entry point of the spectrum library: scan data in either
// form, configurations in either form, and single images of every record type code. Each call
// gets its own heap copy of exactly the input's size, so a read or write past it is caught.
//
// A successful decode must also survive a round trip: writing the record back in the form that
// was read and reading that again gives the same record.
#include "spectrum/zelspec.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int quiet(const char *, ...)
{
    return 0;
}

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void scan_data(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> buffer(data, data + size);
    int32_t form = -1;
    if (zelspec_scan_read_data_form(buffer.data(), size, &form) != ZELSPEC_PASS)
        return;
    uScanData record;
    std::memcpy(&record, buffer.data(), sizeof record);
    zelspec_scan_get_type(&record);
    zelspec_scan_form_get_type(&record, form);

    std::vector<uint8_t> image(4096);
    check(zelspec_scan_write_data_form(&record, form, image.data(), image.size()) ==
          ZELSPEC_PASS);
    int32_t again = -1;
    check(zelspec_scan_read_data_form(image.data(), image.size(), &again) == ZELSPEC_PASS);
    check(again == form);
    check(std::memcmp(image.data(), &record, sizeof record) == 0);
}

void config(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> buffer(data, data + size);
    if (zelspec_config_deserialize(buffer.data(), size) != ZELSPEC_PASS)
        return;
    const bool sectioned = buffer[0] == ZELSPEC_SCAN_SECTIONED;
    const size_t record_size = sectioned ? sizeof(sectionedScanConfig) : sizeof(scanConfig);
    if (sectioned) {
        sectionedScanConfig cfg;
        std::memcpy(&cfg, buffer.data(), sizeof cfg);
        zelspec_config_scan_type(&cfg);
        zelspec_config_total_patterns(&cfg);
        zelspec_config_max_end_nm(&cfg);
    }
    std::vector<uint8_t> image(512);
    check(zelspec_config_serialize(buffer.data(), image.data(), image.size()) == ZELSPEC_PASS);
    check(zelspec_config_deserialize(image.data(), image.size()) == ZELSPEC_PASS);
    check(std::memcmp(image.data(), buffer.data(), record_size) == 0);
}

void single_images(const uint8_t *data, size_t size)
{
    for (int32_t code = ZELSPEC_TYPE_SCAN_DATA; code <= ZELSPEC_TYPE_ADC_DATA + 1; ++code) {
        std::vector<uint8_t> buffer(data, data + size);
        zelspec_deserialize(buffer.data(), size, code);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tpl_hook.report_error = quiet;
    // The diagnostic lines go to standard output; the fuzzer reports on standard error.
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    scan_data(data, size);
    config(data, size);
    single_images(data, size);
    return 0;
}
