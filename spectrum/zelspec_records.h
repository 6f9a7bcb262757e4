/* The module's records and their codes: types and constants only, so that a host program can
 * use them without the spectrum library's functions (zel.h hands them out).
 *
 * Sizes and field offsets are pinned, because the serialized image engine maps them field by
 * field and the module's images decode straight into them. All multi-byte values are
 * little-endian. */
#ifndef ZEL_SPECTRUM_ZELSPEC_RECORDS_H
#define ZEL_SPECTRUM_ZELSPEC_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
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

#endif
