// The configuration display of start-up and the keys of the scan functions.
#include <cstdio>
#include <cstring>

#include "app/console.h"

namespace zel::console {

namespace {

constexpr int32_t kArrayCount = 160;

void scanResultsKey(Menu& menu)
{
    const int32_t status = zelGetScanResults(&menu.results);
    if (status < 0) {
        std::printf("zelGetScanResults failure! %d\n", status);
        return;
    }
    const scanResults& r = menu.results;
    std::printf("zelGetScanResults ok!\n");
    std::printf("System temprature: %.2f%%\n", r.system_temp / 100.0);
    std::printf("Humidity: %.2f%%\n", r.humidity / 100.0);
    for (int i = 0; i < 5; ++i) {
        std::printf("%.3f:  %d\n", r.wavelength[i], r.intensity[i]);
    }
    std::printf("\n");
}

void wavelengthsKey(Menu& menu)
{
    const int32_t status = zelGetWavelengths(menu.wavelengths, kArrayCount);
    std::printf("zelGetWavelengths ret: %d!\n\n", status);
    if (status < 0) {
        std::printf("zelGetWavelengths failure!\n");
        return;
    }
    std::printf("zelGetWavelengths ok!\n");
    for (int i = 0; i < 5; ++i) {
        std::printf("wl[%d]: %.3f nm\n", i, menu.wavelengths[i]);
    }
    std::printf("\n");
}

void intensitiesKey(Menu& menu)
{
    const int32_t status = zelGetIntensities(0, menu.intensities, kArrayCount);
    if (status < 0) {
        std::printf("zelGetIntensities failure! %d\n", status);
        return;
    }
    std::printf("zelGetIntensities ok!\n");
    for (int i = 100; i < 105; ++i) {
        std::printf("%.3f:  %d\n", menu.wavelengths[i], menu.intensities[i]);
    }
    std::printf("\n");
}

void referenceKey(Menu& menu)
{
    const int32_t status = zelGetRefIntensityFromDevice(menu.refIntensity, kArrayCount);
    if (status < 0) {
        std::printf("zelGetRefIntensFromDevice failure! %d\n", status);
        return;
    }
    std::printf("zelGetRefIntensFromDevice ok!\n");
    for (int i = 0; i < 5; ++i) {
        std::printf("%.3f:  %d\n", menu.wavelengths[i], menu.refIntensity[i]);
    }
    std::printf("\n");
}

} // namespace

void showConfiguration(Menu& menu)
{
    if (zelGetConfigInfo(&menu.config) != 0) {
        return;
    }
    const sectionedScanConfig& config = menu.config;
    int start = config.sections[0].wavelength_start_nm;
    int end = config.sections[0].wavelength_end_nm;
    if (config.head.scan_type != ZELSPEC_SCAN_SECTIONED) {
        // A standard configuration has its one range in its own fields, not in sections.
        scanConfig standard;
        std::memcpy(&standard, &config, sizeof standard);
        start = standard.wavelength_start_nm;
        end = standard.wavelength_end_nm;
    }
    // `ident` fills all 8 bytes without a terminator when the text is 8 characters long.
    std::printf("Device serial number: %.8s\n", config.head.ident);
    std::printf("Wavelength range: %d - %d nm\n\n", start, end);
}

bool runScanKey(char key, Menu& menu)
{
    switch (key) {
    case '1': scanResultsKey(menu); return true;
    case '2': wavelengthsKey(menu); return true;
    case '3': intensitiesKey(menu); return true;
    case '4': referenceKey(menu); return true;
    default: return false;
    }
}

} // namespace zel::console
