// Steps shared by the scan functions: one scan on the module, stored-file transfer, interpretation.
#ifndef ZEL_API_SCAN_STEPS_H
#define ZEL_API_SCAN_STEPS_H

#include <cstdint>
#include <memory>

#include "spectrum/zelspec.h"

namespace zel::api {

// A stored file fetched whole from the module; released when it goes out of scope.
struct StoredFile {
    std::unique_ptr<uint8_t[]> bytes;
    int32_t size = 0;
};

// Selects configuration `configIndex`, starts a scan and sleeps for the scan time the module
// reports. Returns 0, ZEL_ERROR_SELECT_CONFIG, ZEL_ERROR_SCAN_TIME or ZEL_ERROR_START_SCAN.
int32_t runScan(uint8_t configIndex);

// Asks for the size of stored file `type`, which also selects it for reading.
// Returns the size (0 to 1 MiB) or ZEL_ERROR_FILE_SIZE (also for a size above 1 MiB).
int32_t storedFileSize(uint32_t type);

// Reads the selected stored file of `size` bytes into `file`.
// Returns 0, or ZEL_ERROR_FILE_READ when fewer bytes arrived or no memory could be had.
int32_t readStoredFile(int32_t size, StoredFile& file);

// Fetches the scan data file and interprets it into `results` (zeroed first).
// Returns 0, ZEL_ERROR_FILE_SIZE, ZEL_ERROR_FILE_READ or ZEL_ERROR_INTERPRET.
int32_t fetchScan(scanResults& results);

} // namespace zel::api

#endif
