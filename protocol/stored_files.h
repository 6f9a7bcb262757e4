/* Stored files of the module: the last scan, the reference calibration scan and the reference
 * calibration matrix, pulled across in chunks whose size the module chooses.
 *
 * A transfer is QRN_GetFileSize (which selects the file on the module), then QRN_ReadFile of that
 * many bytes, with no other command in between. Chunks pass through the link's reply buffer. */
#ifndef ZEL_PROTOCOL_STORED_FILES_H
#define ZEL_PROTOCOL_STORED_FILES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Stored-file types, sent as a 32-bit value. */
enum {
    QRN_FILE_SCAN_DATA = 0,    /* serialized scan data of the last scan */
    QRN_FILE_CAL_DATA = 2,     /* serialized scan data of the reference calibration scan */
    QRN_FILE_MATRIX_DATA = 3   /* serialized reference calibration matrix */
};

enum {
    QRN_FILE_CHUNK_CAPACITY = 580  /* longest chunk taken; a chunk buffer holds this many bytes */
};

/* Selects the stored file `fileType` on the module and returns its size in bytes (reply data
 * bytes 0-3, signed), or the exchange's negative status. */
int32_t QRN_GetFileSize(uint32_t fileType);

/* Reads the next chunk of the selected file into `buffer`, which holds QRN_FILE_CHUNK_CAPACITY
 * bytes, and stores its length in `*bytesRead`. Returns the exchange's positive byte count, or a
 * negative status with both outputs untouched: the exchange's own, MSG_ERROR_BAD_REPLY for a
 * chunk longer than QRN_FILE_CHUNK_CAPACITY, or MSG_ERROR_LINK (nothing sent) for a null output. */
int32_t QRN_GetFileData(uint8_t *buffer, int32_t *bytesRead);

/* Pulls `byteCount` bytes of the selected file into `destination`, chunk after chunk, and returns
 * the number of bytes delivered: byteCount, or fewer when a chunk read fails (the read ends
 * there). Never writes more than byteCount bytes, whatever the chunks hold. A byteCount of 0 or
 * less sends nothing and returns 0; a null destination or no memory for the chunk buffer gives
 * -1 with nothing sent. */
int32_t QRN_ReadFile(uint8_t *destination, int32_t byteCount);

#ifdef __cplusplus
}
#endif

#endif
