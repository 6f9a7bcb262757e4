/* zel spectrum library: interpretation of raw scans, reference interpolation and calibration
 * scans (part of spectrum/zelspec.h).
 *
 * Interpretation turns the module's serialized scan data into a scanResults record: it removes
 * the dark level of the interleaved black samples, rebuilds the scan's patterns from its own
 * configuration to learn which columns each data point used, labels each point with the
 * wavelength of its centre column (that column for an odd width, half a column left of it for
 * an even width), decodes Hadamard groups with the stored S-matrices (see
 * spectrum/zelspec_patterns.h for which orders match a real module) and joins sectioned scans.
 *
 * Black samples: a sample at position p is black when (p - black_first) mod black_period is 0,
 * in signed arithmetic with the remainder taking the sign of p - black_first. The dark level is
 * the mean of the black samples truncated toward zero (0 when there is none).
 *
 * Records that the module cannot have produced are rejected with ZELSPEC_ERROR_INVALID_INPUT
 * rather than read past a table: black_period 0, adc_data_length above 864, more non-black
 * samples than patterns, more than 624 patterns, a group above 284 columns, a Hadamard total
 * above 864 measurements, sections beyond the samples or joined sections above 864 points.
 * Intensities that would not fit 32 bits are saturated.
 *
 * Single-threaded: sectioned interpretation rebuilds the process-wide Hadamard definition.
 * On failure the output record may be partly written; use it only on ZELSPEC_PASS.
 */
#ifndef ZEL_SPECTRUM_ZELSPEC_SCAN_H
#define ZEL_SPECTRUM_ZELSPEC_SCAN_H

#include "spectrum/zelspec.h"
#include "spectrum/zelspec_patterns.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Interpretation ---------------------------------------------------------------------------- */

/* Decodes the serialized scan data (either form; `data` is only read) and interprets it into
 * `results`, which is zeroed first. The form that was decoded decides column, Hadamard or
 * sectioned interpretation. A version other than 1 gives ZELSPEC_ERROR_GENERAL with `results`
 * untouched; a decode failure prints "zelspec_scan_read_data debug 2: %d\n" and is returned. */
int32_t zelspec_scan_interpret(const void *data, size_t size, scanResults *results);

/* A standard-form column scan: data point k is the k-th non-black sample. */
int32_t zelspec_scan_interpret_column(const uScanData *scan, scanResults *results);

/* A standard-form Hadamard scan: each group's measurements multiplied by the inverse of its
 * S-matrix; the decoded points go to the data point numbers the definition lists. */
int32_t zelspec_scan_interpret_hadamard(const uScanData *scan, scanResults *results);

/* A sectioned-form scan: the dark level is removed over all samples (in place), then each
 * section is interpreted on its own and the results are joined in section order. A section type
 * other than 0 and 1 gives ZELSPEC_ERROR_SCAN_TYPE. */
int32_t zelspec_scan_interpret_sections(uScanData *scan, scanResults *results);

/* Copies the head values and the configuration into `results`; a standard scan is shown as a
 * sectioned configuration of one section. The form is told by the scan-type rule. */
void zelspec_results_copy_head(const uScanData *scan, scanResults *results);

/* Fills results->intensity with the non-black samples of a standard-form scan minus the dark
 * level, and results->length with their number (at most 864 samples are read; a black_period of
 * 0 counts no sample as black). */
void zelspec_results_subtract_black(const uScanData *scan, scanResults *results);

/* Sectioned form: subtracts the dark level from every non-black sample and sets every black
 * sample to 0, in place. */
void zelspec_scan_subtract_black(uScanData *scan);

/* Where section `index` lies in the samples: its first sample, its pattern count (a Hadamard
 * section's count comes from its definition, built into the process-wide one) and the black
 * samples among its samples, counting positions p with (p + 1) mod black_period = 0. */
int32_t zelspec_scan_section_span(const uScanData *scan, int32_t index, int32_t *data_start_index,
                                  uint16_t *num_patterns, uint16_t *num_black_patterns);

/* The standard-form scan of one section: the head, the section's configuration with the head's
 * identity, and its samples. */
int32_t zelspec_scan_get_section(const uScanData *scan, uScanData *out, int32_t index);

/* ---- Reference interpolation ------------------------------------------------------------------ */

/* Interprets the stored reference scan into `ref` and brings it onto the current scan `scan`:
 * with an equal configuration only the gain is scaled; otherwise the reference (which must have
 * one section covering every section of the current one) is resampled onto the current
 * wavelengths, corrected per section for the pattern width with the reference calibration
 * matrix, then scaled for the gain. Prints "----- zelspec_deserialize debug 101\n" when the
 * matrix does not decode and "zelspec_scan_interpret debug 1: %d\n" when the reference does not
 * interpret. */
int32_t zelspec_scan_interpReference(const void *ref_data, size_t ref_size,
                                     const void *matrix_data, size_t matrix_size,
                                     const scanResults *scan, scanResults *ref);

/* 0 when both have the same sections (type, width, range, pattern count), else -1. */
int32_t zelspec_config_equal(const sectionedScanConfig *scan_cfg,
                             const sectionedScanConfig *ref_cfg);

/* 0 when the reference has one section and every current section lies inside its range. */
int32_t zelspec_config_within_reference(const sectionedScanConfig *scan_cfg,
                                        const sectionedScanConfig *ref_cfg);

/* Corrects the resampled reference for the difference between its width and each current
 * section's width, then scales for the gain. A reference width outside the matrix's widths, or a
 * matrix value of 0 at the reference width, gives ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_apply_refcal_matrix(const scanResults *scan, scanResults *ref,
                                    const refCalMatrix *matrix);

/* Multiplies the reference intensities by scan->pga / ref->pga (truncated toward zero) when the
 * gains differ; a reference gain of 0 gives ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_scale_for_pga(const scanResults *scan, scanResults *ref);

/* ---- Calibration scans ------------------------------------------------------------------------ */

/* Interprets standard scan data measured with calibration pattern kind `kind` (see
 * zelspec_pattern_calib_to_fb) into `results`, which is zeroed first. Kind 3 keeps every raw
 * sample (black ones too) and copies black_first and black_period; the others remove the dark
 * level. Kinds 4 and 8 label point i with the wavelength of the centre column of its band
 * (column i + 2, or 427 + i + 2 for kind 8); every other kind with the column number i. A
 * decode failure prints "------zelspec_deserialize debug 2\n". */
int32_t zelspec_calib_interpret_scan(const void *data, size_t size, scanResults *results,
                                     int32_t kind);

#ifdef __cplusplus
}
#endif

#endif
