/* zel spectrum library: scan records, their serialized forms, numeric routines and wavelength
 * calibration.
 *
 * The module's records, with their pinned layouts and codes, are in spectrum/zelspec_records.h.
 *
 * Every operation returns a signed 32-bit status: ZELSPEC_PASS (0) or a non-negative count on
 * success, a negative ZELSPEC_ERROR_* code on failure. Arguments are checked in this order: null
 * pointers (ZELSPEC_ERROR_NULL_POINTER), then sizes and ranges (ZELSPEC_ERROR_INVALID_INPUT),
 * then storage (ZELSPEC_ERROR_NO_MEMORY). A negative status from a called routine is passed on
 * unchanged. Outputs are written only as each operation states.
 *
 * Threads: operations on different records may run on different threads (the shared Hadamard
 * pattern definition is kept per thread); the engine's hooks are process-wide and must not be
 * replaced while another thread works. Diagnostic lines go through the engine's per-thread sink
 * (tpl_set_thread_sink), by default standard output.
 */
#ifndef ZEL_SPECTRUM_ZELSPEC_H
#define ZEL_SPECTRUM_ZELSPEC_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "spectrum/zelspec_records.h"
#include "tpl/tpl.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Scan data forms ------------------------------------------------------------------------- */

/* Which of the two serialized forms a uScanData record holds. The scan-type rule below reads
 * the sectioned form's scan_type first, which is the low byte of the standard form's
 * config_index; a standard record of configuration 2 (or 258, ...) would be taken as sectioned.
 * The *_form operations carry the form explicitly so such records are read and written
 * correctly. */
#define ZELSPEC_FORM_STANDARD 0              /* one code-0 image */
#define ZELSPEC_FORM_SECTIONED 1             /* four images: codes 6, 4, 5, 7 */

/* ---- Record operations ----------------------------------------------------------------------- */

/* The scan type by the module's rule: 2 when the sectioned form's scan_type is 2, otherwise the
 * standard form's scan_type (0 or 1); any other value gives ZELSPEC_ERROR_SCAN_TYPE. */
int32_t zelspec_scan_get_type(const uScanData *data);

/* The form the scan-type rule gives: ZELSPEC_FORM_SECTIONED when zelspec_scan_get_type is 2. */
int32_t zelspec_scan_form_of(const uScanData *data);

/* The scan type of a record whose form is known (as zelspec_scan_read_data_form reports it):
 * sectioned form: 2 when its configuration says 2, else ZELSPEC_ERROR_SCAN_TYPE; standard form:
 * its scan_type 0 or 1, else ZELSPEC_ERROR_SCAN_TYPE. An unknown form gives
 * ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_scan_form_get_type(const uScanData *data, int32_t form);

/* 2 when num_sections is not 1; otherwise 0 when section 0 is a column section, else 1. */
int32_t zelspec_config_scan_type(const sectionedScanConfig *cfg);

/* Sum of num_patterns over the first num_sections sections, wrapping at 16 bits (0-65535).
 * At most 5 sections are counted. */
int32_t zelspec_config_total_patterns(const sectionedScanConfig *cfg);

/* Largest wavelength_end_nm among the first num_sections sections, compared as signed 16-bit
 * values and starting from 0 (so ends of 32768 nm and above never count). At most 5 sections
 * are examined. */
int32_t zelspec_config_max_end_nm(const sectionedScanConfig *cfg);

/* The module's table of code values: 0..6 give 635, 1270, 2450, 5080, 15240, 30480, 60960;
 * any other code gives 0. */
int32_t zelspec_code_to_value(int32_t code);

/* ---- Serialization glue ---------------------------------------------------------------------- */

/* The engine mapping of the record at `address` for a record type code (its type string and
 * fixed array lengths); null for an unknown code. The caller releases it with tpl_release. */
tpl_node *zelspec_map_record(void *address, int32_t code);

/* Sizes are in bytes. A record type code other than 0..7 makes every operation here return
 * ZELSPEC_ERROR_SERIALIZE. Deserializing is in place: on success the buffer begins with the
 * decoded record (the buffer is always larger than the record). A failed deserialization leaves
 * the buffer as it was, except for the repaired magic of codes 0 and 3. */

/* The image size of the record at `record` for `code`. */
int32_t zelspec_serialized_size(const void *record, size_t *size, int32_t code);

/* Writes the record's image at the start of `buffer`; a buffer smaller than the image gives
 * ZELSPEC_ERROR_SERIALIZE (and the engine's message) with nothing written. */
int32_t zelspec_serialize(const void *record, void *buffer, size_t size, int32_t code);

/* Decodes one image of `code` at the start of `buffer`; bytes after the image are allowed. For
 * codes 0 and 3 the first five bytes are first rewritten as "tpl", flags 0 and a zero low length
 * byte, so such images load even with a damaged magic or flags byte. */
int32_t zelspec_deserialize(void *buffer, size_t size, int32_t code);

/* True when the image's first data byte is 2 (a sectioned configuration's head). */
bool zelspec_config_is_sectioned(const void *buffer, size_t size);

/* True when the buffer holds an image whose type string is not the standard scan data one. */
bool zelspec_scan_data_is_split(const void *buffer, size_t size);

/* A configuration is a scanConfig, or a sectionedScanConfig when its first byte (scan_type) is
 * 2; it travels as one code-1 image, or as a code-4 image followed by a code-5 image. */
int32_t zelspec_config_serialized_size(const void *config, size_t *size);
int32_t zelspec_config_serialize(const void *config, void *buffer, size_t size);

/* Decodes either configuration form; the buffer then begins with a 62-byte scanConfig or a
 * 106-byte sectionedScanConfig, as zelspec_config_is_sectioned said. A buffer too small for the
 * images (91 or 155 bytes) gives ZELSPEC_ERROR_NO_MEMORY before any byte changes. An image that
 * does not load prints "------zelspec_deserialize debug 3\n" (standard), "... debug 4\n" (head)
 * or "... debug 5\n" (sections) and gives ZELSPEC_ERROR_SERIALIZE. */
int32_t zelspec_config_deserialize(void *buffer, size_t size);

/* Image sizes of the four parts of sectioned scan data: codes 6, 4, 5 and 7. */
int32_t zelspec_scan_data_part_sizes(const uScanData *data, size_t *size_data_head,
                                     size_t *size_cfg_head, size_t *size_sect,
                                     size_t *size_adc_data);

/* Image size and image of scan data in the form zelspec_scan_form_of gives. */
int32_t zelspec_scan_data_serialized_size(const uScanData *data, size_t *size);
int32_t zelspec_scan_write_data(const uScanData *data, void *buffer, size_t size);

/* The same in an explicit form (ZELSPEC_FORM_*; another value gives
 * ZELSPEC_ERROR_INVALID_INPUT). */
int32_t zelspec_scan_data_serialized_size_form(const uScanData *data, int32_t form, size_t *size);
int32_t zelspec_scan_write_data_form(const uScanData *data, int32_t form, void *buffer,
                                     size_t size);

/* Decodes scan data in either form; the buffer then begins with a uScanData. A buffer that
 * holds no sectioned scan data is read as one standard image (3701 bytes); sectioned data needs
 * all four images (3786 bytes), else ZELSPEC_ERROR_NO_MEMORY before any byte changes. An image
 * that does not load prints "------zelspec_deserialize debug 6\n" (standard), or "... debug 7\n"
 * to "... debug 10\n" (head, configuration head, sections, samples) and gives
 * ZELSPEC_ERROR_SERIALIZE; only the standard path has repaired the magic by then. */
int32_t zelspec_scan_read_data(void *buffer, size_t size);

/* As zelspec_scan_read_data, and reports in *form which form was decoded (written on success
 * only). Interpretation uses this form rather than the scan-type rule. */
int32_t zelspec_scan_read_data_form(void *buffer, size_t size, int32_t *form);

/* One code-3 image of the matrix. */
int32_t zelspec_refcal_matrix_serialize(const refCalMatrix *matrix, void *buffer, size_t size);

#ifdef __cplusplus
}
#endif

#include "spectrum/numeric.h"
#include "spectrum/calib.h"

/* ---- Patterns, frame buffers, interpretation, reference and calibration scans -------------- */
/* Their headers are included here. */
#include "spectrum/zelspec_patterns.h"
#include "spectrum/zelspec_scan.h"

#endif
