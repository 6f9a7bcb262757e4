/* zel spectrum library: pattern definitions, stored S-matrices and frame buffers (part of
 * spectrum/zelspec.h).
 *
 * The module measures a spectrum by showing patterns on its light modulator, one detector sample
 * per pattern. A pattern switches on bands of adjacent columns. A column scan shows one band per
 * data point (patDefC); a Hadamard scan splits those bands into interleaved groups whose bands do
 * not touch and shows, per group, the subsets that the rows of a stored S-matrix select (patDefH).
 * Interpretation rebuilds these definitions from a scan's own configuration.
 *
 * Patterns are rendered as bit planes: pattern j of a run sets bit (j mod P) of the pixels of
 * image (j div P), P being 16 patterns per image at 16 bits per pixel and 24 at 24 or 32.
 *
 * Stored S-matrices: orders 3, 7, 11 and 19 are the module's own. For the other orders the
 * module's column orders are not known, so those matrices are one valid choice among many; until
 * they are replaced, Hadamard scans of a real module decode correctly only when every group has
 * order 3, 7, 11 or 19 (at most 19 columns per group). Scans rendered by this library decode
 * correctly at every order.
 *
 * Threads: the shared Hadamard definition (zelspec_hadamard_shared_def) is rebuilt by pattern
 * generation and by sectioned interpretation; each thread has its own, so threads that scan
 * different modules never share it.
 */
#ifndef ZEL_SPECTRUM_ZELSPEC_PATTERNS_H
#define ZEL_SPECTRUM_ZELSPEC_PATTERNS_H

#include "spectrum/zelspec.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZELSPEC_MAX_COLUMN_PATTERNS 624  /* patterns of a column definition */
#define ZELSPEC_MAX_HADAMARD_SETS 16     /* group slots of a Hadamard definition (15 are used) */
#define ZELSPEC_MAX_HADAMARD_GROUP_SETS 15
#define ZELSPEC_MAX_HADAMARD_COLS 284    /* columns of one group */
#define ZELSPEC_MAX_HADAMARD_ORDER 251   /* largest stored S-matrix */

/* Column pattern definition: one band of width_px columns per pattern, centred on mid_px[k]. */
typedef struct patDefC {
    uint16_t num_patterns;
    uint16_t width_px;
    uint16_t mid_px[ZELSPEC_MAX_COLUMN_PATTERNS];
} patDefC;

/* One Hadamard group: num_cols data points encoded by the S-matrix of `order` (order patterns). */
typedef struct hadamardSet {
    uint16_t num_cols;
    uint16_t order;
    uint16_t col_index[ZELSPEC_MAX_HADAMARD_COLS];  /* data point number of each column */
    uint16_t mid_px[ZELSPEC_MAX_HADAMARD_COLS];     /* centre column of each column */
} hadamardSet;

/* Hadamard pattern definition: num_sets groups (1 to 15); num_patterns is the sum of their
 * orders. */
typedef struct patDefH {
    uint16_t num_patterns;
    uint16_t width_px;
    uint8_t num_sets;
    hadamardSet sets[ZELSPEC_MAX_HADAMARD_SETS];
} patDefH;

/* Frame buffer: num_frames images back to back from `data`, each width x height pixels stored row
 * by row. 16 bpp: one little-endian 16-bit word per pixel; 24 bpp: three bytes per pixel, least
 * significant first, width a multiple of 4; 32 bpp: one little-endian 32-bit word per pixel (bits
 * 24-31 unused). One image is a whole number of 32-bit words. */
typedef struct frameBuffer {
    uint8_t *data;
    int32_t num_frames;
    uint32_t width;
    uint32_t height;
    uint32_t bpp;
} frameBuffer;

/* A rectangle of pixels and the value (or bit mask) it receives. */
typedef struct rect {
    uint32_t x;
    uint32_t y;
    uint32_t width;
    uint32_t height;
    int32_t value;
} rect;

/* ---- Definitions ------------------------------------------------------------------------------ */

/* Centres equally spaced in column space between the columns of wavelength_start_nm and
 * wavelength_end_nm (pixel_coeffs of `coeffs`), truncated to whole columns, accumulated pattern by
 * pattern. A wavelength outside the columns 0..853, or more than 624 patterns, gives
 * ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_pattern_column_def(const scanConfig *config, const calibCoeffs *coeffs,
                                   patDefC *def);

/* Groups the column definition of `config` into the fewest interleaved groups (1 to 15) in which
 * the bands of neighbours are at least two dark columns apart; ZELSPEC_ERROR_GENERAL when no such
 * count exists (also for fewer than 3 patterns). Group g takes the patterns g, g+s, g+2s, ... A
 * group above 284 columns gives ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_pattern_hadamard_def(const scanConfig *config, const calibCoeffs *coeffs,
                                     patDefH *def);

/* The calling thread's Hadamard definition that pattern generation and sectioned
 * interpretation build into; valid until the next build on the same thread. */
patDefH *zelspec_hadamard_shared_def(void);

/* ---- Stored S-matrices ------------------------------------------------------------------------ */

/* 1 unless some d in 2..n/2 divides n (so 0 to 3 count as prime). */
int32_t zelspec_is_prime(int32_t n);

/* The smallest prime p >= num_cols with p mod 4 = 3 (3 for up to 3 columns). */
int32_t zelspec_hadamard_order(int32_t num_cols);

/* matrix[r*n + c] = entry (r, c) of the stored matrix of order n, as 0.0 or 1.0. Null matrix or
 * an order without a stored matrix: ZELSPEC_ERROR_NULL_POINTER; n above 251:
 * ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_hadamard_matrix_unpack(uint16_t n, double *matrix);

/* row[c] = entry (k, c) of the stored matrix of order n, as a byte 0 or 1, for c < n. Checks as
 * for unpacking; k outside 0..n-1 gives ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_hadamard_matrix_row(uint16_t n, int32_t k, uint8_t *row);

/* ---- Frame buffers ---------------------------------------------------------------------------- */

/* Sets every pixel of the rectangle to r->value (overwrite) or ORs it in, using the low 16, 24 or
 * 32 bits of the value by fb->bpp. Draws nothing for a null argument, a bpp other than 16, 24 or
 * 32, a geometry outside the model above, or a rectangle that does not lie inside the image. */
void zelspec_fb_fill_rect(const rect *r, const frameBuffer *fb, bool overwrite);
void zelspec_fb_fill_rect_16(const rect *r, const frameBuffer *fb, bool overwrite);
void zelspec_fb_fill_rect_24(const rect *r, const frameBuffer *fb, bool overwrite);
void zelspec_fb_fill_rect_32(const rect *r, const frameBuffer *fb, bool overwrite);

/* Renderers. Pattern j of the run goes to pattern index first + j: image (first + j) div P of
 * fb->data, bit (first + j) mod P. An image is cleared when its bit 0 is about to be drawn; the
 * caller's descriptor is not changed. Rendering stops quietly at the end of the frame buffer; the
 * result is still the definition's pattern count. A frame buffer outside the model gives
 * ZELSPEC_ERROR_INVALID_INPUT with nothing drawn. */

/* Column patterns: the band of each centre (cut at the image edges) over the full image height. */
int32_t zelspec_pattern_column_to_fb(const patDefC *def, const frameBuffer *fb, uint32_t first);

/* Hadamard patterns, group by group and row by row of each group's S-matrix: the bands of the
 * group's columns that the row selects, in image row 0 only (zelspec_fb_shift_rows fills the
 * others). A group with more columns than its order, or more than 284, gives
 * ZELSPEC_ERROR_INVALID_INPUT; an order without a stored matrix fails as unpacking does. */
int32_t zelspec_pattern_hadamard_to_fb(const patDefH *def, const frameBuffer *fb, uint32_t first);

/* Builds the definition of a configuration and renders it from pattern index 0: `config` is a
 * scanConfig, or a sectionedScanConfig when its first byte (scan_type) is 2. Returns the number
 * of patterns. Hadamard definitions are built into the thread's shared one. */
int32_t zelspec_scan_generate_patterns(const void *config, const calibCoeffs *coeffs,
                                       const frameBuffer *fb);

/* The sections' patterns one after another in the bit planes; returns their total. More than 5
 * sections, or a section type other than 0 and 1, gives ZELSPEC_ERROR_INVALID_INPUT. */
int32_t zelspec_scan_generate_section_patterns(const sectionedScanConfig *config,
                                               const calibCoeffs *coeffs, const frameBuffer *fb);

/* Rebuilds every row r of the first ceil(patterns / bpp) images (at most num_frames) from the
 * image's row 0 moved sideways by round(c2*r*r + c1*r + c0) pixels (quadratic = c0, c1, c2),
 * toward higher columns when positive; pixels moved in from beyond the row are 0. A shift of more
 * than half a row gives ZELSPEC_ERROR_INVALID_INPUT with nothing changed. */
int32_t zelspec_fb_shift_rows(const frameBuffer *fb, const double quadratic[3], int32_t patterns);

/* ---- Calibration pattern sets ----------------------------------------------------------------- */

/* The fixed sets of calibration pattern kinds 2 to 11, left columns x in steps of s while
 * x <= last + 1 - w (each band full image height):
 *   kind 2: columns 0..853, w 6, s 4 (213 bands)
 *   kind 3: six half-height bands 255 wide at x = 0, 284, 568 (upper half, then lower half from
 *           row height / 2), then columns 0..853, w 4, s 4 (213 bands)
 *   kinds 4-7: columns 0..430, w 5, s 1 (427 bands); kinds 8-11: columns 427..853, w 5, s 1 (423)
 * Renders from bit plane 0 of the caller's first image and advances fb->data past every image it
 * completes. Returns the number of bands drawn (fewer at the end of the frame buffer). A kind
 * outside 2..11 gives ZELSPEC_ERROR_SCAN_TYPE; bands passing the image's right edge are cut. */
int32_t zelspec_pattern_calib_to_fb(int32_t kind, frameBuffer *fb);

#ifdef __cplusplus
}
#endif

#endif
