/* Status codes of module objects (zel::Module and the zel_* C functions).
 *
 * Every code is negative and distinct, and none equals a code of the zel* functions of zel.h, so
 * zel_strerror() names each one. A C header: the C functions of module.h return these. */
#ifndef ZEL_DEVICE_STATUS_H
#define ZEL_DEVICE_STATUS_H

#define ZEL_SUCCESS 0
#define ZEL_E_INVALID_ARGUMENT (-301) /* a null pointer, an unknown name, a value out of range */
#define ZEL_E_NO_MODULE (-302)        /* no attached module matches (none, serial or path unknown) */
#define ZEL_E_OPEN (-303)             /* the module was found but could not be opened */
#define ZEL_E_PERMISSION (-304)       /* the module's device node may not be opened by this user */
#define ZEL_E_DISCONNECTED (-305)     /* the module went away while open; close the object */
#define ZEL_E_CANCELLED (-306)        /* zel_cancel() ended the call */
#define ZEL_E_TIMEOUT (-307)          /* the module did not answer in time */
#define ZEL_E_LINK (-308)             /* a report could not be written or read */
#define ZEL_E_BUSY (-309)             /* the module answered busy (error field 3) */
#define ZEL_E_REFUSED (-310)          /* the module refused the command's argument (error field 2) */
#define ZEL_E_BAD_REPLY (-311)        /* the module's answer was malformed (error field 1, bad length) */
#define ZEL_E_CONFIG_INDEX (-312)     /* no stored scan configuration has that index */
#define ZEL_E_NO_CONFIG (-313)        /* the module has no stored scan configuration */
#define ZEL_E_SCAN_TIME (-314)        /* the module reported no usable scan time */
#define ZEL_E_FILE (-315)             /* a stored file could not be read whole */
#define ZEL_E_DECODE (-316)           /* stored data (scan, configuration, reference) did not decode */
#define ZEL_E_REFERENCE (-317)        /* the factory reference could not be put on the scan's wavelengths */
#define ZEL_E_STALE_SCAN (-318)       /* the module did not deliver a new scan */
#define ZEL_E_NO_MEMORY (-319)        /* memory could not be had */
#define ZEL_E_INTERNAL (-320)         /* an unexpected failure inside the library */
#define ZEL_E_IO (-321)               /* a file on the host could not be written */

#endif
