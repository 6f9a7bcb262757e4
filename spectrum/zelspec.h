/* zel spectrum library: scan records, their serialized forms, numeric routines and wavelength
 * calibration.
 *
 * The records below are the module's own: their sizes and field offsets are pinned, because the
 * serialized image engine (tpl/tpl.h) maps them field by field and the module's images decode
 * straight into them. All multi-byte values are little-endian.
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

#include "tpl/tpl.h"

#ifdef __cplusplus
extern "C" {
#define ZELSPEC_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define ZELSPEC_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ---- Capacities ---------------------------------------------------------------------------- */

#define ZELSPEC_ADC_DATA_LEN 864             /* raw samples in a scan data record */
#define ZELSPEC_RESULTS_LEN 864              /* data points in a scanResults record */
#define ZELSPEC_MAX_SECTIONS 5               /* sections of a sectioned configuration */
#define ZELSPEC_REFCAL_WIDTHS 19             /* widths of the reference matrix */
#define ZELSPEC_REFCAL_NODES 50              /* nodes of the reference matrix */
#define ZELSPEC_SCAN_NAME_LEN 20
#define ZELSPEC_STAMP_LEN 7
#define ZELSPEC_IDENT_LEN 8
#define ZELSPEC_CONFIG_NAME_LEN 40
#define ZELSPEC_FIRST_COLUMN 0               /* the light modulator's columns (pixels) */
#define ZELSPEC_LAST_COLUMN 853

/* ---- Status codes -------------------------------------------------------------------------- */

#define ZELSPEC_PASS 0
#define ZELSPEC_ERROR_GENERAL (-1)           /* version not 1; incompatible */
#define ZELSPEC_ERROR_INVALID_INPUT (-2)     /* zero size, index or value out of range */
#define ZELSPEC_ERROR_NO_MEMORY (-3)         /* allocation failed, or the buffer is too small */
#define ZELSPEC_ERROR_SERIALIZE (-4)         /* image engine failure */
#define ZELSPEC_ERROR_SCAN_TYPE (-5)         /* scan or section type is none of the known values */
#define ZELSPEC_ERROR_NULL_POINTER (-6)      /* a required pointer argument is null */

/* ---- Scan types (scan_type, section_scan_type) --------------------------------------------- */

#define ZELSPEC_SCAN_COLUMN 0                /* one band of columns per point */
#define ZELSPEC_SCAN_HADAMARD 1              /* encoded patterns, decoded */
#define ZELSPEC_SCAN_SECTIONED 2             /* up to 5 sections, each a column or Hadamard scan */

/* ---- Record type codes: how each record travels as an image -------------------------------- */

#define ZELSPEC_TYPE_SCAN_DATA 0             /* standard-form uScanData, 3701-byte image */
#define ZELSPEC_TYPE_CONFIG 1                /* scanConfig, 91 */
#define ZELSPEC_TYPE_CALIB_COEFFS 2          /* calibCoeffs, 72 */
#define ZELSPEC_TYPE_REFCAL_MATRIX 3         /* refCalMatrix, 2354 */
#define ZELSPEC_TYPE_SECTIONED_CONFIG_HEAD 4 /* sectionedScanConfigHead, 82 */
#define ZELSPEC_TYPE_SECTIONS 5              /* 5 x scanSection, 73 */
#define ZELSPEC_TYPE_SCAN_DATA_HEAD 6        /* scanDataHead, 160 */
#define ZELSPEC_TYPE_ADC_DATA 7              /* adc_data (864 x int32), 3471 */

/* ---- Records --------------------------------------------------------------------------------- */

/* The head fields shared by scan data (both forms), scanDataHead and scanResults; they end at
 * byte 109 (pga at 108). `pattern_coeffs` and `pixel_coeffs` together form a calibCoeffs pair. */
#define ZELSPEC_SCAN_DATA_HEAD_FIELDS                                                           \
    uint32_t version;                       /* record format version; only 1 is interpreted */ \
    char scan_name[ZELSPEC_SCAN_NAME_LEN];                                                     \
    uint8_t stamp[ZELSPEC_STAMP_LEN];                                                          \
    int16_t system_temp;                    /* hundredths of a degree */                       \
    int16_t aux_i16;                                                                           \
    uint16_t humidity;                      /* hundredths of a percent */                      \
    uint16_t aux_u16;                                                                          \
    uint32_t aux_u32;                                                                          \
    double pattern_coeffs[3];               /* carried through, never evaluated */             \
    double pixel_coeffs[3];                 /* c0, c1, c2: nm = c2*x*x + c1*x + c0 */          \
    char ident[ZELSPEC_IDENT_LEN];          /* no terminator when full */                      \
    uint16_t adc_data_length;               /* valid samples in adc_data */                    \
    uint8_t black_first;                    /* position of a black (dark) sample */            \
    uint8_t black_period;                   /* spacing of black samples; never 0 */            \
    uint8_t pga                             /* amplifier gain: 1, 2, 4, ..., 64 */

/* Record type 6. */
typedef struct scanDataHead {
    ZELSPEC_SCAN_DATA_HEAD_FIELDS;
} scanDataHead;

/* Record type 1: a standard configuration, one wavelength range. */
typedef struct scanConfig {
    uint8_t scan_type;            /* ZELSPEC_SCAN_COLUMN or ZELSPEC_SCAN_HADAMARD */
    uint16_t config_index;
    char ident[ZELSPEC_IDENT_LEN];
    char config_name[ZELSPEC_CONFIG_NAME_LEN];
    uint16_t wavelength_start_nm;
    uint16_t wavelength_end_nm;
    uint8_t width_px;             /* width of one pattern in columns */
    uint16_t num_patterns;        /* data points requested */
    uint16_t num_repeats;
} scanConfig;

/* Record type 4: the head of a sectioned configuration. */
typedef struct sectionedScanConfigHead {
    uint8_t scan_type;            /* always ZELSPEC_SCAN_SECTIONED */
    uint16_t config_index;
    char ident[ZELSPEC_IDENT_LEN];
    char config_name[ZELSPEC_CONFIG_NAME_LEN];
    uint16_t num_repeats;
    uint8_t num_sections;         /* 1 to 5 */
} sectionedScanConfigHead;

/* One section; record type 5 is the array of all 5. */
typedef struct scanSection {
    uint8_t section_scan_type;    /* ZELSPEC_SCAN_COLUMN or ZELSPEC_SCAN_HADAMARD */
    uint8_t width_px;
    uint16_t wavelength_start_nm;
    uint16_t wavelength_end_nm;
    uint16_t num_patterns;
    uint16_t section_aux;
} scanSection;

/* A head and 5 sections, of which the first num_sections are meaningful. Every scanResults
 * carries its configuration in this shape, whatever the scan type. */
typedef struct sectionedScanConfig {
    sectionedScanConfigHead head;
    scanSection sections[ZELSPEC_MAX_SECTIONS];
} sectionedScanConfig;

/* Standard form of raw scan data (record type 0): the head, then the scanConfig fields inline at
 * their natural alignment (so scan_type directly follows pga), then the samples. The
 * configuration's ident is named cfg_ident here to keep it apart from the head's. */
typedef struct scanDataStandard {
    ZELSPEC_SCAN_DATA_HEAD_FIELDS;
    uint8_t scan_type;
    uint16_t config_index;
    char cfg_ident[ZELSPEC_IDENT_LEN];
    char config_name[ZELSPEC_CONFIG_NAME_LEN];
    uint16_t wavelength_start_nm;
    uint16_t wavelength_end_nm;
    uint8_t width_px;
    uint16_t num_patterns;
    uint16_t num_repeats;
    int32_t adc_data[ZELSPEC_ADC_DATA_LEN];  /* acquisition order, black samples interleaved */
} scanDataStandard;

/* Sectioned form of raw scan data (images of codes 6, 4, 5, 7): the head, the configuration
 * from the next 2-byte boundary, then the samples of all sections in section order. */
typedef struct scanDataSectioned {
    ZELSPEC_SCAN_DATA_HEAD_FIELDS;
    sectionedScanConfig cfg;
    int32_t adc_data[ZELSPEC_ADC_DATA_LEN];
} scanDataSectioned;

/* Raw scan data in either form. The sectioned form's cfg.head.scan_type lies on the low byte of
 * the standard form's config_index, one byte after the standard form's scan_type. */
typedef union uScanData {
    scanDataHead head;
    scanDataStandard standard;
    scanDataSectioned sectioned;
} uScanData;

/* An interpreted scan: entry k of wavelength and of intensity describe the same data point. */
typedef struct scanResults {
    ZELSPEC_SCAN_DATA_HEAD_FIELDS;
    sectionedScanConfig cfg;                     /* a standard scan shows as one section */
    double wavelength[ZELSPEC_RESULTS_LEN];      /* nm */
    int32_t intensity[ZELSPEC_RESULTS_LEN];
    int32_t length;                              /* valid entries in both arrays */
} scanResults;

/* Record type 2: the module's two coefficient triples (c0, c1, c2 each). */
typedef struct calibCoeffs {
    double pattern_coeffs[3];
    double pixel_coeffs[3];
} calibCoeffs;

/* Record type 3: row r holds the values for widths[r], column n the value at nodes[n]. */
typedef struct refCalMatrix {
    uint8_t widths[ZELSPEC_REFCAL_WIDTHS];       /* ascending pattern widths */
    double nodes[ZELSPEC_REFCAL_NODES];          /* nm */
    uint16_t matrix[ZELSPEC_REFCAL_WIDTHS][ZELSPEC_REFCAL_NODES];
} refCalMatrix;

ZELSPEC_STATIC_ASSERT(sizeof(scanDataHead) == 112, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataHead, stamp) == 24, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataHead, system_temp) == 32, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataHead, aux_u32) == 40, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataHead, pattern_coeffs) == 48, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataHead, pixel_coeffs) == 72, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataHead, ident) == 96, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataHead, adc_data_length) == 104, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataHead, pga) == 108, "scanDataHead layout");
ZELSPEC_STATIC_ASSERT(sizeof(scanConfig) == 62, "scanConfig layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanConfig, wavelength_start_nm) == 52, "scanConfig layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanConfig, num_patterns) == 58, "scanConfig layout");
ZELSPEC_STATIC_ASSERT(sizeof(sectionedScanConfigHead) == 56, "config head layout");
ZELSPEC_STATIC_ASSERT(offsetof(sectionedScanConfigHead, num_sections) == 54, "config head layout");
ZELSPEC_STATIC_ASSERT(sizeof(scanSection) == 10, "scanSection layout");
ZELSPEC_STATIC_ASSERT(sizeof(sectionedScanConfig) == 106, "sectionedScanConfig layout");
ZELSPEC_STATIC_ASSERT(offsetof(sectionedScanConfig, sections) == 56, "sectionedScanConfig layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataStandard, scan_type) == 109, "standard form layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataStandard, config_index) == 110, "standard form layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataStandard, num_patterns) == 166, "standard form layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataStandard, adc_data) == 172, "standard form layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataSectioned, cfg) == 110, "sectioned form layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanDataSectioned, adc_data) == 216, "sectioned form layout");
ZELSPEC_STATIC_ASSERT(sizeof(uScanData) == 3672, "uScanData layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanResults, cfg) == 110, "scanResults layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanResults, wavelength) == 216, "scanResults layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanResults, intensity) == 7128, "scanResults layout");
ZELSPEC_STATIC_ASSERT(offsetof(scanResults, length) == 10584, "scanResults layout");
ZELSPEC_STATIC_ASSERT(sizeof(scanResults) == 10592, "scanResults layout");
ZELSPEC_STATIC_ASSERT(sizeof(calibCoeffs) == 48, "calibCoeffs layout");
ZELSPEC_STATIC_ASSERT(offsetof(refCalMatrix, nodes) == 24, "refCalMatrix layout");
ZELSPEC_STATIC_ASSERT(offsetof(refCalMatrix, matrix) == 424, "refCalMatrix layout");
ZELSPEC_STATIC_ASSERT(sizeof(refCalMatrix) == 2328, "refCalMatrix layout");

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
