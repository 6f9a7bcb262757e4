#include "api/scan_steps.h"

#include <cstring>
#include <new>
#include <utility>

#include "api/zel.h"
#include "platform/sleep.h"
#include "protocol/qrn.h"

namespace zel::api {
namespace {

// Every stored file is a few serialized records (a scan file is about 3.7 KB); a size far
// beyond that is a damaged or stale answer, not a file worth allocating for.
constexpr int32_t kMaxStoredFileSize = 1 << 20;

} // namespace

int32_t runScan(uint8_t configIndex)
{
    if (QRN_SetActiveScanConfig(configIndex) < 0) {
        return ZEL_ERROR_SELECT_CONFIG;
    }
    // A failed read of the scan time must not become the time to sleep, nor start a scan that
    // would then be fetched unfinished.
    const int32_t scanTimeMs = QRN_GetScanTime();
    if (scanTimeMs < 0) {
        return ZEL_ERROR_SCAN_TIME;
    }
    if (QRN_StartScan(0) < 0) {
        return ZEL_ERROR_START_SCAN;
    }
    Sleep(static_cast<uint32_t>(scanTimeMs));
    return ZEL_OK;
}

int32_t storedFileSize(uint32_t type)
{
    const int32_t size = QRN_GetFileSize(type);
    return size < 0 || size > kMaxStoredFileSize ? ZEL_ERROR_FILE_SIZE : size;
}

int32_t readStoredFile(int32_t size, StoredFile& file)
{
    // The size comes from the module; a size the host cannot hold is a failed read, not a crash.
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!bytes) {
        return ZEL_ERROR_FILE_READ;
    }
    if (QRN_ReadFile(bytes.get(), size) != size) {
        return ZEL_ERROR_FILE_READ;
    }
    file.bytes = std::move(bytes);
    file.size = size;
    return ZEL_OK;
}

int32_t fetchScan(scanResults& results)
{
    const int32_t size = storedFileSize(QRN_FILE_SCAN_DATA);
    if (size < 0) {
        return size;
    }
    StoredFile file;
    if (const int32_t status = readStoredFile(size, file); status != ZEL_OK) {
        return status;
    }
    std::memset(&results, 0, sizeof results);
    if (zelspec_scan_interpret(file.bytes.get(), static_cast<size_t>(file.size), &results) != 0) {
        return ZEL_ERROR_INTERPRET;
    }
    return ZEL_OK;
}

} // namespace zel::api
