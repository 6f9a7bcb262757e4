/* zel module objects for C: find, open and drive spectrometer modules through opaque handles.
 *
 * Unlike the zel* functions of zel.h (one process-wide connection), every handle is a module of
 * its own: several modules may be open at once, and any thread may call.
 *
 * Opening
 *   zel_list_modules() finds attached modules without opening them. zel_open() opens the first,
 *   zel_open_serial() and zel_open_path() a given one, zel_open_virtual() an in-process virtual
 *   module (no hardware needed). zel_close() releases a handle (null is ignored).
 *
 * Threads
 *   Calls on one handle are serialised by the handle: any number of threads may share it. Calls on
 *   two handles run in parallel. zel_cancel() may be called from any thread while another call on
 *   the handle blocks; that call returns ZEL_E_CANCELLED promptly. Do not close a handle while
 *   another thread uses it. A progress callback runs on the scanning thread and must not call
 *   functions on the same handle.
 *
 * Blocking
 *   Calls are synchronous. Each report the module owes may take up to 10 s (ZEL_E_TIMEOUT); a scan
 *   also waits for the scan time the module reports (zel_configuration.scan_time_s);
 *   zel_set_bluetooth waits 2 s.
 *
 * Results
 *   Every function returns 0 (ZEL_SUCCESS) or a negative ZEL_E_* code of <zel/device/status.h>;
 *   outputs are written only on success. zel_strerror() names any code; zel_last_error() gives the
 *   message of the calling thread's last failure, with the lines the libraries reported during it.
 *   A module that went away fails with ZEL_E_DISCONNECTED, then every later call on the handle
 *   fails the same way at once: close it and open the module again.
 *
 * Units
 *   Temperatures in degrees Celsius, humidity and battery charge in percent, battery voltage in
 *   volts, wavelengths in nm, intensities in dark-corrected ADC counts, times in seconds. The raw_*
 *   fields carry the module's own hundredths.
 *
 * Scans and stale data
 *   A scan returns the new spectrum with the module's factory reference on the same wavelengths
 *   (read once per handle). A module that still holds the previous scan's data when asked is asked
 *   again after a short, growing wait (an eighth of the scan time more each time), up to
 *   zel_set_stale_scan_retries() times (default 8); past that the scan fails with
 *   ZEL_E_STALE_SCAN. At open, the scan data the module already holds is remembered, so even the
 *   first scan is never the old one. */
#ifndef ZEL_API_MODULE_H
#define ZEL_API_MODULE_H

#include <stddef.h>
#include <stdint.h>

#include "device/status.h"
#include "device/version.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct zel_module zel_module;

#define ZEL_SERIAL_CAPACITY 64
#define ZEL_PATH_CAPACITY 256
#define ZEL_NAME_CAPACITY 48
#define ZEL_MAX_SECTIONS 5
#define ZEL_SPECTRUM_CAPACITY 864 /* points a spectrum can hold */

/* An attached module. Text fields are zero-terminated (cut if longer). */
typedef struct zel_module_info {
    char serial[ZEL_SERIAL_CAPACITY];
    uint16_t vendor_id;
    uint16_t product_id;
    char path[ZEL_PATH_CAPACITY]; /* the HID path; "virtual:<serial>" for a virtual module */
} zel_module_info;

/* Stores up to `capacity` attached modules in `modules` (which may be null when capacity is 0)
 * and returns how many are attached (possibly more than capacity), or a negative code. */
int32_t zel_list_modules(zel_module_info *modules, int32_t capacity);

int32_t zel_open(zel_module **module);
int32_t zel_open_serial(const char *serial, zel_module **module);
int32_t zel_open_path(const char *path, zel_module **module);

/* Options of a virtual module; zel_virtual_options_init() fills the defaults. */
typedef struct zel_virtual_options {
    const char *serial; /* 1 to 8 characters; default "ZEL00001" */
    const char *sample; /* "default", "white", "gray" or "dark"; default "default" */
    uint64_t seed;      /* the module's noise; default 1 */
    int32_t realtime;   /* non-zero (default): scans take their time; 0: instant */
} zel_virtual_options;
void zel_virtual_options_init(zel_virtual_options *options);
/* `options` may be null for the defaults. */
int32_t zel_open_virtual(const zel_virtual_options *options, zel_module **module);

void zel_close(zel_module *module);

/* Ends the call blocked on `module` (from another thread). */
int32_t zel_cancel(zel_module *module);

const char *zel_strerror(int32_t code);
/* The message of the calling thread's last failed zel_* call ("" when none). */
const char *zel_last_error(void);
/* "MAJOR.MINOR.PATCH", as ZEL_VERSION_STRING of the headers the library was built with. */
const char *zel_version(void);

/* ---- Identity and sensors ---- */

int32_t zel_get_info(zel_module *module, zel_module_info *info);
/* The serial number the module reports, zero-terminated; `capacity` at least 9. */
int32_t zel_get_serial(zel_module *module, char *serial, size_t capacity);
/* The 8-byte unique identifier as 16 hex digits and a terminator. */
int32_t zel_get_uuid(zel_module *module, char uuid[17]);

typedef struct zel_sensors {
    double temperature_c;
    double humidity_pct;
    double battery_v;
    double battery_pct;
    uint32_t raw_temperature;
    uint32_t raw_humidity;
    int32_t raw_battery_v;
    int32_t raw_battery_pct;
} zel_sensors;
int32_t zel_get_sensors(zel_module *module, zel_sensors *sensors);
/* Bit 0 lamp lit, 1 light-engine controller on, 2 Bluetooth on, 3 push-button enabled. */
int32_t zel_get_status_word(zel_module *module, int32_t *status);

/* ---- Controls ---- (read-backs ask the module, except averaging) */

int32_t zel_get_lamp(zel_module *module, int32_t *on);
int32_t zel_set_lamp(zel_module *module, int32_t on);
int32_t zel_get_gain(zel_module *module, int32_t *gain);
/* One of the accepted gains, else ZEL_E_INVALID_ARGUMENT. */
int32_t zel_set_gain(zel_module *module, int32_t gain);
/* Stores up to `capacity` accepted gains and returns how many there are (7). */
int32_t zel_accepted_gains(int32_t *gains, int32_t capacity);
/* What this handle last set (1 at open): the module cannot be asked. */
int32_t zel_get_averaging(zel_module *module, int32_t *scans);
/* 1 to 65535. */
int32_t zel_set_averaging(zel_module *module, int32_t scans);
int32_t zel_get_button_enabled(zel_module *module, int32_t *enabled);
int32_t zel_set_button_enabled(zel_module *module, int32_t enabled);
int32_t zel_get_button_presses(zel_module *module, int32_t *presses);
int32_t zel_get_bluetooth(zel_module *module, int32_t *on);
int32_t zel_set_bluetooth(zel_module *module, int32_t on);

/* ---- Configurations ---- */

typedef enum zel_scan_kind {
    ZEL_KIND_COLUMN = 0,
    ZEL_KIND_HADAMARD = 1,
    ZEL_KIND_SECTIONED = 2
} zel_scan_kind;

typedef struct zel_section {
    int32_t kind; /* ZEL_KIND_COLUMN or ZEL_KIND_HADAMARD */
    double start_nm;
    double end_nm;
    int32_t width_px;
    int32_t patterns;
} zel_section;

typedef struct zel_configuration {
    int32_t index;
    char name[ZEL_NAME_CAPACITY];
    int32_t kind;      /* zel_scan_kind */
    double start_nm;   /* lowest start over the sections */
    double end_nm;     /* highest end over the sections */
    int32_t width_px;  /* the first section's pattern width */
    int32_t points;    /* valid points a scan yields */
    int32_t repeats;
    int32_t num_sections;
    zel_section sections[ZEL_MAX_SECTIONS];
    double scan_time_s; /* at the current averaging */
} zel_configuration;

int32_t zel_get_configuration_count(zel_module *module, int32_t *count);
/* ZEL_E_CONFIG_INDEX for an index outside 0 to count - 1. */
int32_t zel_get_configuration(zel_module *module, int32_t index, zel_configuration *config);

/* ---- Scans ---- */

typedef struct zel_spectrum_metadata {
    char serial[ZEL_SERIAL_CAPACITY];
    int32_t configuration;
    char configuration_name[ZEL_NAME_CAPACITY];
    int32_t kind;        /* zel_scan_kind */
    int32_t gain;
    int32_t averaging;   /* scans the module averaged into each */
    int32_t repeats;     /* scans the host averaged */
    double temperature_c;
    double humidity_pct;
    char module_time[32];   /* the module's clock, "YYYY-MM-DDTHH:MM:SS" */
    char host_time_utc[32]; /* "YYYY-MM-DDTHH:MM:SSZ" */
    char software_version[16];
} zel_spectrum_metadata;

/* One spectrum: entries 0 to length - 1 of every array describe the same point; the rest are 0.
 * reflectance = intensity / reference, absorbance = -log10(reflectance), both NaN where the
 * reference (or the reflectance) is not positive. intensity_std is the standard deviation over
 * the repeats (0 for a single scan). About 41 KB: allocate it, rather than on a small stack. */
typedef struct zel_spectrum {
    zel_spectrum_metadata metadata;
    int32_t length;
    double wavelength_nm[ZEL_SPECTRUM_CAPACITY];
    double intensity[ZEL_SPECTRUM_CAPACITY];
    double reference[ZEL_SPECTRUM_CAPACITY];
    double reflectance[ZEL_SPECTRUM_CAPACITY];
    double absorbance[ZEL_SPECTRUM_CAPACITY];
    double intensity_std[ZEL_SPECTRUM_CAPACITY];
} zel_spectrum;

/* Called after each scan of a repeated scan: scans done and in all. */
typedef void (*zel_progress_fn)(void *context, int32_t done, int32_t total);

int32_t zel_scan(zel_module *module, int32_t configuration, zel_spectrum *spectrum);
/* `repeats` scans (1 or more) averaged on the host; `progress` may be null. */
int32_t zel_scan_repeated(zel_module *module, int32_t configuration, int32_t repeats,
                          zel_progress_fn progress, void *context, zel_spectrum *spectrum);

int32_t zel_get_stale_scan_retries(zel_module *module, int32_t *retries);
/* 0 to 1000. */
int32_t zel_set_stale_scan_retries(zel_module *module, int32_t retries);

#ifdef __cplusplus
}
#endif

#endif
