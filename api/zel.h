/* zel: host-side driver for the near-infrared spectrometer module attached by USB as a HID device.
 *
 * Calling order
 *   1. zelInitUsb()          finds the attached modules and fills the module table (up to 4 slots).
 *   2. zelOpenByUsb(slot)    opens one slot (below the count zelInitUsb returned); every later call
 *                            talks to the module that the last successful open made current.
 *   3. any other function, in any order.
 *   4. zelClose(slot)        releases the module.
 *   Before a successful zelOpenByUsb every command fails with the link status -1, which each
 *   function passes on or translates as its comment says.
 *
 * Threads
 *   These functions share one process-wide connection (module table, current slot, message
 *   sequence counter, report buffers). Each call holds one process-wide lock for its whole run, so
 *   calls from several threads are safe but run one at a time (a scan blocks the others). For
 *   several modules at once, or calls in parallel, use the module objects of module.h.
 *
 * Link in step
 *   Input reports left over from an earlier exchange (an answer that came after its time-out, a
 *   stray report) are read and dropped when a module is opened and before each request.
 *
 * Blocking
 *   Every function is synchronous and runs on the caller's thread. Each input report the module
 *   owes may take up to 10000 ms before the call gives up with -5 (a timeout). The scan functions
 *   also sleep for the scan time the module reports (no upper limit other than that value), and
 *   zelSetBluetoothStatus sleeps 2000 ms before it reads the answer.
 *
 * Results
 *   Every function returns a signed 32-bit status: 0 (for zelInitUsb a count) on success, a
 *   negative ZEL_* code on failure. Output arguments are written only on success. Nothing is
 *   retried. Pointer arguments must not be null; a null pointer gives ZEL_ERROR_NULL_POINTER
 *   before anything is sent.
 *
 * Units
 *   humidity and temperature in hundredths (2345 = 23.45 % or degrees), battery voltage and
 *   percentage in hundredths, wavelengths in nm (double), intensities as signed 32-bit ADC counts,
 *   times in milliseconds.
 *
 * Diagnostics
 *   Some functions print one-line diagnostics to standard output (named in their comments); the
 *   spectrum library prints its own lines when decoding fails.
 *
 * Hadamard scans
 *   The column orders of the module's stored encoding matrices are known for groups of 3, 7, 11
 *   and 19 patterns only, so a real module's Hadamard scans decode correctly only for those group
 *   sizes (see spectrum/zelspec_patterns.h). Column scans, and every scan of the virtual module,
 *   are not affected. */
#ifndef ZEL_API_ZEL_H
#define ZEL_API_ZEL_H

#include <stdint.h>

#include "spectrum/zelspec_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. */
#define ZEL_OK 0
/* Exchange status, passed on by zelGetSerialNumber, zelGetDeviceUuid, zelGetHumTemp,
 * zelGetBatteryInfo and zelGetDeviceStatus. */
#define ZEL_ERROR_LINK (-1)            /* a report could not be written or read; no module open */
#define ZEL_ERROR_FIELD_3 (-2)         /* the module answered with error field 3 */
#define ZEL_ERROR_FIELD_2 (-3)         /* the module answered with error field 2 */
#define ZEL_ERROR_BAD_REPLY (-4)       /* error field 1, or a reply that is empty or too long */
#define ZEL_ERROR_TIMEOUT (-5)         /* no report arrived within 10000 ms */
#define ZEL_ERROR_NULL_POINTER (-6)    /* a pointer argument is null; nothing was sent */
/* Connection. */
#define ZEL_ERROR_OPEN (-3)            /* zelOpenByUsb: opening the module in that slot failed */
#define ZEL_ERROR_HID_INIT (-101)      /* zelInitUsb: the HID library could not be initialised */
/* Scans. */
#define ZEL_ERROR_NO_CONFIG (-13)      /* no stored scan configuration, or reading their count failed */
#define ZEL_ERROR_SCAN_TIME (-14)      /* scan time unreadable or 2^31 ms or more; no scan started */
#define ZEL_ERROR_SELECT_CONFIG (-15)  /* selecting the scan configuration failed */
#define ZEL_ERROR_CONFIG_INDEX (-16)   /* configuration index not below the number stored */
#define ZEL_ERROR_READ_CONFIG (-17)    /* reading or decoding the scan configuration failed */
#define ZEL_ERROR_START_SCAN (-18)     /* starting the scan failed */
#define ZEL_ERROR_FILE_SIZE (-19)      /* asking for a stored file's size failed, or the size is
                                          above 1 MiB (no stored file is near that) */
#define ZEL_ERROR_FILE_READ (-20)      /* a stored file arrived incomplete, or no memory for it */
#define ZEL_ERROR_TOO_FEW_POINTS (-21) /* the scan has fewer valid points than were asked for */
#define ZEL_ERROR_COUNT (-28)          /* a count is negative or above the array capacity */
#define ZEL_ERROR_INTERPRET (-29)      /* the scan data could not be decoded or interpreted */
#define ZEL_ERROR_REFERENCE (-30)      /* the reference interpolation failed */
/* Control. */
#define ZEL_ERROR_GET_GAIN (-22)       /* reading the amplifier gain failed */
#define ZEL_ERROR_SET_AVERAGING (-24)  /* setting the averaging count failed */
#define ZEL_ERROR_BLUETOOTH_ON (-31)   /* switching the radio on failed */
#define ZEL_ERROR_BLUETOOTH_OFF (-32)  /* switching the radio off failed */
#define ZEL_ERROR_BUTTON (-33)         /* enabling the push-button, or reading its state, failed */
#define ZEL_ERROR_BUTTON_DISABLE (-34) /* disabling the push-button failed */
#define ZEL_ERROR_SET_GAIN (-231)      /* setting the amplifier gain failed */

/* Capacities of the arrays handed out. */
#define ZEL_MAX_WAVELENGTHS 160 /* zelGetWavelengths */
#define ZEL_MAX_POINTS 864      /* zelGetIntensities, zelGetRefIntensityFromDevice */

/* ---- Connection ---- */

/* Finds every HID interface of vendor 0x0451 and records up to 4 of them in the module table.
 * May be called again to refresh the table. Returns the number recorded (0 or more) or
 * ZEL_ERROR_HID_INIT. */
int32_t zelInitUsb(void);

/* Opens the module in `slot` and makes it current. Returns 0 or ZEL_ERROR_OPEN (also for a slot
 * outside the table). */
int32_t zelOpenByUsb(int32_t slot);

/* Closes the module in `slot`. Prints nothing; always returns 0. */
int32_t zelClose(int32_t slot);

/* ---- Identity and sensors ---- */
/* On a failing command these print "<command> error: <status>\n" and return the exchange status. */

/* The serial number: up to 8 characters. A shorter one ends with a zero byte; an 8-character one
 * has no terminator, so `serial` must hold exactly 8 bytes and is not a C string. */
int32_t zelGetSerialNumber(uint8_t serial[8]);

/* The module's 8-byte unique identifier. Switches the light-engine controller off first; a
 * failure of that step is printed but does not stop the call. */
int32_t zelGetDeviceUuid(uint8_t uuid[8]);

/* Relative humidity and temperature, both in hundredths. */
int32_t zelGetHumTemp(uint32_t* humidity, uint32_t* temperature);

/* Battery voltage and charge percentage, in hundredths, as the module gives them. */
int32_t zelGetBatteryInfo(int32_t* batteryVolt, int32_t* batteryPercent);

/* The module's 32-bit status word, as the module gives it. */
int32_t zelGetDeviceStatus(int32_t* status);

/* ---- Control ---- (print nothing) */

/* Switches the lamp on (non-zero) or off. Always returns 0: the module's answers are not checked. */
int32_t zelSetLampStatus(uint8_t on);

/* Sets the amplifier gain; the module takes 1, 2, 4, 8, 16, 32 or 64, and only the low 8 bits of
 * `gain` are sent (256 becomes 0). Not checked here. Returns 0 or ZEL_ERROR_SET_GAIN. */
int32_t zelSetPgaGain(int32_t gain);

/* Reads the amplifier gain back. Returns 0 or ZEL_ERROR_GET_GAIN. */
int32_t zelGetPgaGain(uint32_t* gain);

/* Sets the number of scans the module averages into one. Returns 0 or ZEL_ERROR_SET_AVERAGING. */
int32_t zelSetAvgTimes(uint16_t times);

/* Enables (non-zero) or disables the push-button. Disabling sends enable, then disable.
 * Returns 0, ZEL_ERROR_BUTTON (the enable failed) or ZEL_ERROR_BUTTON_DISABLE. */
int32_t zelEnableButtonPress(uint8_t enable);

/* Stores 1 in `pressed` if the push-button was pressed, else 0. Returns 0 or ZEL_ERROR_BUTTON. */
int32_t zelGetButtonPressStatus(uint8_t* pressed);

/* Switches the Bluetooth radio on (non-zero) or off. Blocks at least 2000 ms.
 * Returns 0, ZEL_ERROR_BLUETOOTH_ON or ZEL_ERROR_BLUETOOTH_OFF. */
int32_t zelSetBluetoothStatus(uint8_t on);

/* ---- Scans ----
 * zelGetScanResults, zelGetWavelengths and zelGetIntensities run a scan: they select a stored
 * configuration, start the scan, sleep for the scan time the module reports and fetch the scan data
 * file. The new scan stays in the module, where zelGetRefIntensityFromDevice reads it. */

/* Reads stored configuration 0 (whatever configuration is active) into the 106 bytes of `config`.
 * When config->head.scan_type is 2 they hold a whole sectionedScanConfig; otherwise a scanConfig
 * (62 bytes) followed by 44 bytes of no significance.
 * Returns 0, ZEL_ERROR_NO_CONFIG or ZEL_ERROR_READ_CONFIG (also for a configuration that does not
 * decode or is longer than 512 bytes). */
int32_t zelGetConfigInfo(sectionedScanConfig* config);

/* Scans with configuration 0 and stores the whole interpreted result.
 * Returns 0, ZEL_ERROR_NO_CONFIG, ZEL_ERROR_SELECT_CONFIG, ZEL_ERROR_SCAN_TIME,
 * ZEL_ERROR_START_SCAN, ZEL_ERROR_FILE_SIZE, ZEL_ERROR_FILE_READ or ZEL_ERROR_INTERPRET. */
int32_t zelGetScanResults(scanResults* results);

/* Scans with configuration 0 and averaging 1 (which the module keeps afterwards) and stores the
 * first `count` wavelengths (nm). `count` may be 0 to ZEL_MAX_WAVELENGTHS.
 * Returns 0, ZEL_ERROR_COUNT (before anything is sent), ZEL_ERROR_SELECT_CONFIG,
 * ZEL_ERROR_SCAN_TIME, ZEL_ERROR_START_SCAN, ZEL_ERROR_FILE_SIZE, ZEL_ERROR_FILE_READ,
 * ZEL_ERROR_INTERPRET or ZEL_ERROR_TOO_FEW_POINTS. */
int32_t zelGetWavelengths(double* wavelengths, int32_t count);

/* Scans with configuration `configIndex` and stores the first `count` intensities. `count` may be
 * 0 to ZEL_MAX_POINTS; entries beyond the scan's valid points are 0.
 * Returns 0, ZEL_ERROR_COUNT (before anything is sent), ZEL_ERROR_NO_CONFIG, ZEL_ERROR_CONFIG_INDEX,
 * ZEL_ERROR_SELECT_CONFIG, ZEL_ERROR_SCAN_TIME, ZEL_ERROR_START_SCAN, ZEL_ERROR_FILE_SIZE,
 * ZEL_ERROR_FILE_READ or ZEL_ERROR_INTERPRET. */
int32_t zelGetIntensities(int32_t configIndex, int32_t* intensities, int32_t count);

/* Starts no scan: reads the module's reference scan, its reference calibration matrix and the data
 * of the last scan, and stores the first `count` reference intensities on the last scan's
 * wavelengths. `count` may be 0 to ZEL_MAX_POINTS. Prints the file sizes it reads
 * ("calSize: ...", "QRN_FILE_MATRIX_DATA size: ...", ...) and, on ZEL_ERROR_REFERENCE, the
 * interpolation's status.
 * Returns 0, ZEL_ERROR_COUNT (before anything is sent), ZEL_ERROR_FILE_SIZE, ZEL_ERROR_FILE_READ,
 * ZEL_ERROR_INTERPRET or ZEL_ERROR_REFERENCE. */
int32_t zelGetRefIntensityFromDevice(int32_t* refIntensity, int32_t count);

#ifdef __cplusplus
}
#endif

#endif
