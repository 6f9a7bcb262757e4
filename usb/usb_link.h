/* USB HID link: the table of attached modules, open and close, one report out, one report in.
 *
 * The link moves single reports and never looks into them. It calls the hid_* functions of
 * <hidapi/hidapi.h> without providing them: the executable's link decides which HID library
 * answers (the system hidapi, the virtual module, or a test's own backend).
 *
 * All state is process-global and starts zeroed. Single-threaded, not reentrant: every call runs
 * on the caller's thread, and UsbLink_Read blocks for up to USB_LINK_READ_TIMEOUT_MS. */
#ifndef ZEL_USB_USB_LINK_H
#define ZEL_USB_USB_LINK_H

#include <stddef.h>
#include <stdint.h>

#include <hidapi/hidapi.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    USB_LINK_VENDOR_ID = 0x0451,       /* the only vendor whose interfaces are recorded */
    USB_LINK_MAX_DEVICES = 4,          /* slots of the module table */
    USB_LINK_SERIAL_UNITS = 8,         /* serial-number units kept per slot */
    USB_LINK_OUT_REPORT_SIZE = 65,     /* report number 0, then 64 message bytes */
    USB_LINK_IN_REPORT_SIZE = 64,      /* message bytes only */
    USB_LINK_READ_TIMEOUT_MS = 10000   /* time-out of every report read */
};

/* The link's own failure codes; other negative values come from the HID library. */
enum {
    USB_LINK_ERROR_INIT = -101,        /* the HID library could not be initialised */
    USB_LINK_ERROR_OPEN = -102,        /* no interface matches the slot, or the slot is not recorded */
    USB_LINK_ERROR_WRITE_CLOSED = -103,/* write with no handle in the current slot */
    USB_LINK_ERROR_READ_CLOSED = -104  /* read with no handle in the current slot */
};

/* One slot of the module table. */
typedef struct UsbDeviceEntry {
    int32_t index;                               /* the slot's own number, 0 to 3 */
    wchar_t serial[USB_LINK_SERIAL_UNITS + 1];   /* first 8 units of the serial, always terminated */
    hid_device *handle;                          /* null until the slot is opened */
    uint16_t vendorId;                           /* always USB_LINK_VENDOR_ID once recorded */
    uint16_t productId;                          /* any value */
} UsbDeviceEntry;

/* Records every HID interface of vendor 0x0451, in the HID library's order, into slots 0 to 3
 * (further interfaces are ignored). Handles of the slots are kept. Returns the number of slots
 * filled, or USB_LINK_ERROR_INIT (the table is then left as it was). */
int32_t UsbLink_Enumerate(void);

/* Makes slot `index` current and opens it by its vendor id, product id and serial, closing a
 * handle the slot already held. Returns 0, or USB_LINK_ERROR_OPEN when no interface matches; an
 * index outside the slots of the last enumeration gives USB_LINK_ERROR_OPEN with no HID call and
 * leaves the current slot as it was. */
int32_t UsbLink_Open(int32_t index);

/* Closes the handle of slot `index` and clears it; an index outside the table or a slot without
 * a handle is left alone. The current slot does not change. Always returns 0. */
int32_t UsbLink_Close(int32_t index);

/* Writes one USB_LINK_OUT_REPORT_SIZE-byte output report to the current slot. Returns the HID
 * library's result (bytes written, or -1), or USB_LINK_ERROR_WRITE_CLOSED; -1 for a null report. */
int32_t UsbLink_Write(const uint8_t *report);

/* Reads one input report of up to USB_LINK_IN_REPORT_SIZE bytes from the current slot, waiting
 * at most USB_LINK_READ_TIMEOUT_MS. Returns the HID library's result (bytes read, 0 when nothing
 * arrived in time, or -1), or USB_LINK_ERROR_READ_CLOSED; -1 for a null buffer. */
int32_t UsbLink_Read(uint8_t *buffer);

/* Reads an input report of the current slot that has already arrived, without waiting. Returns
 * the HID library's result (bytes read, 0 when none is waiting, or -1), or
 * USB_LINK_ERROR_READ_CLOSED; -1 for a null buffer. */
int32_t UsbLink_ReadPending(uint8_t *buffer);

/* The slot `index` as recorded (read-only), or null for an index outside the table. */
const UsbDeviceEntry *UsbLink_Entry(int32_t index);

#ifdef __cplusplus
}
#endif

#endif
