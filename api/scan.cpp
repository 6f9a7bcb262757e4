// Configuration, scan results, wavelengths and intensities of a new scan.
#include "api/zel.h"

#include <algorithm>
#include <cstring>

#include "api/scan_steps.h"
#include "api/serialise.h"
#include "protocol/qrn.h"
#include "spectrum/zelspec.h"

namespace {

constexpr uint32_t kConfigBufferSize = 512;

bool countFits(int32_t count, int32_t capacity)
{
    return count >= 0 && count <= capacity;
}

} // namespace

extern "C" int32_t zelGetConfigInfo(sectionedScanConfig* config)
{
    const auto lock = zel::api::serialise();
    if (config == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    if (QRN_GetNumScanConfigs() <= 0) {
        return ZEL_ERROR_NO_CONFIG;
    }
    uint8_t buffer[kConfigBufferSize] = {};
    uint32_t serializedSize = 0;
    if (QRN_GetScanConfig(0, buffer, &serializedSize) < 0) {
        return ZEL_ERROR_READ_CONFIG;
    }
    // A configuration that does not decode would hand the caller its undecoded image.
    if (zelspec_config_deserialize(buffer, serializedSize) != ZELSPEC_PASS) {
        return ZEL_ERROR_READ_CONFIG;
    }
    static_assert(sizeof(sectionedScanConfig) <= kConfigBufferSize);
    std::memcpy(config, buffer, sizeof(sectionedScanConfig));
    return ZEL_OK;
}

extern "C" int32_t zelGetScanResults(scanResults* results)
{
    const auto lock = zel::api::serialise();
    if (results == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    if (QRN_GetNumScanConfigs() <= 0) {
        return ZEL_ERROR_NO_CONFIG;
    }
    if (const int32_t status = zel::api::runScan(0); status != ZEL_OK) {
        return status;
    }
    scanResults tResults;
    if (const int32_t status = zel::api::fetchScan(tResults); status != ZEL_OK) {
        return status;
    }
    std::memcpy(results, &tResults, sizeof tResults);
    return ZEL_OK;
}

extern "C" int32_t zelGetWavelengths(double* wavelengths, int32_t count)
{
    const auto lock = zel::api::serialise();
    if (wavelengths == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    if (!countFits(count, ZEL_MAX_WAVELENGTHS)) {
        return ZEL_ERROR_COUNT;
    }
    // Averaging does not change the wavelengths; one scan is the quickest way to learn them.
    QRN_SetScanAvg(1);
    if (const int32_t status = zel::api::runScan(0); status != ZEL_OK) {
        return status;
    }
    scanResults tResults;
    if (const int32_t status = zel::api::fetchScan(tResults); status != ZEL_OK) {
        return status;
    }
    if (count > tResults.length) {
        return ZEL_ERROR_TOO_FEW_POINTS;
    }
    std::copy_n(tResults.wavelength, count, wavelengths);
    return ZEL_OK;
}

extern "C" int32_t zelGetIntensities(int32_t configIndex, int32_t* intensities, int32_t count)
{
    const auto lock = zel::api::serialise();
    if (intensities == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    if (!countFits(count, ZEL_MAX_POINTS)) {
        return ZEL_ERROR_COUNT;
    }
    const int32_t configCount = QRN_GetNumScanConfigs();
    if (configCount < 0) {
        return ZEL_ERROR_NO_CONFIG;
    }
    // A negative index names no configuration; its low byte would select one the caller never meant.
    if (configIndex < 0 || configIndex >= configCount) {
        return ZEL_ERROR_CONFIG_INDEX;
    }
    if (const int32_t status = zel::api::runScan(static_cast<uint8_t>(configIndex & 0xFF));
        status != ZEL_OK) {
        return status;
    }
    scanResults tResults;
    if (const int32_t status = zel::api::fetchScan(tResults); status != ZEL_OK) {
        return status;
    }
    std::copy_n(tResults.intensity, count, intensities);
    return ZEL_OK;
}
