// Reference intensities on the wavelengths of the module's last scan.
#include "api/zel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "api/scan_steps.h"
#include "api/serialise.h"
#include "protocol/qrn.h"
#include "spectrum/zelspec.h"

using zel::api::readStoredFile;
using zel::api::StoredFile;
using zel::api::storedFileSize;

extern "C" int32_t zelGetRefIntensityFromDevice(int32_t* refIntensity, int32_t count)
{
    const auto lock = zel::api::serialise();
    if (refIntensity == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    if (count < 0 || count > ZEL_MAX_POINTS) {
        return ZEL_ERROR_COUNT;
    }

    const int32_t calSize = storedFileSize(QRN_FILE_CAL_DATA);
    if (calSize < 0) {
        return calSize;
    }
    std::printf("calSize: %d\n", calSize);
    StoredFile calibration;
    if (const int32_t status = readStoredFile(calSize, calibration); status != ZEL_OK) {
        return status;
    }

    const int32_t matrixSize = storedFileSize(QRN_FILE_MATRIX_DATA);
    if (matrixSize < 0) {
        return matrixSize;
    }
    std::printf("QRN_FILE_MATRIX_DATA size: %d\n", matrixSize);
    StoredFile matrix;
    if (const int32_t status = readStoredFile(matrixSize, matrix); status != ZEL_OK) {
        return status;
    }
    std::printf("*****debug pMatrix****\n");

    const int32_t scanSize = storedFileSize(QRN_FILE_SCAN_DATA);
    if (scanSize < 0) {
        return scanSize;
    }
    std::printf("QRN_FILE_SCAN_DATA size: %d\n", scanSize);
    std::printf("size of uScanData: %d\n", static_cast<int>(sizeof(uScanData)));
    std::printf("size of scanResults: %d\n", static_cast<int>(sizeof(scanResults)));
    StoredFile scan;
    if (const int32_t status = readStoredFile(scanSize, scan); status != ZEL_OK) {
        return status;
    }

    scanResults m_scanResults;
    std::memset(&m_scanResults, 0, sizeof m_scanResults);
    if (zelspec_scan_interpret(scan.bytes.get(), static_cast<size_t>(scan.size), &m_scanResults) != 0) {
        return ZEL_ERROR_INTERPRET;
    }
    scanResults refResults;
    std::memset(&refResults, 0, sizeof refResults);
    const int32_t status = zelspec_scan_interpReference(
        calibration.bytes.get(), static_cast<size_t>(calibration.size), matrix.bytes.get(),
        static_cast<size_t>(matrix.size), &m_scanResults, &refResults);
    if (status != 0) {
        std::printf("zelspec_scan_interpReference error: %d\n", status);
        return ZEL_ERROR_REFERENCE;
    }
    std::copy_n(refResults.intensity, count, refIntensity);
    return ZEL_OK;
}
