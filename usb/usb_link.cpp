#include "usb/usb_link.h"

namespace {

UsbDeviceEntry usbDevices[USB_LINK_MAX_DEVICES];
int32_t currentDevice = 0;
int32_t deviceCount = 0;
const int32_t readTimeoutMs = USB_LINK_READ_TIMEOUT_MS;

bool inTable(int32_t index)
{
    return index >= 0 && index < USB_LINK_MAX_DEVICES;
}

void record(UsbDeviceEntry& slot, int32_t index, const hid_device_info& info)
{
    slot.index = index;
    slot.vendorId = info.vendor_id;
    slot.productId = info.product_id;
    size_t units = 0;
    if (info.serial_number != nullptr) {
        for (; units < USB_LINK_SERIAL_UNITS && info.serial_number[units] != L'\0'; ++units) {
            slot.serial[units] = info.serial_number[units];
        }
    }
    for (; units <= USB_LINK_SERIAL_UNITS; ++units) {
        slot.serial[units] = L'\0';
    }
}

void closeSlot(UsbDeviceEntry& slot)
{
    if (slot.handle != nullptr) {
        hid_close(slot.handle);
        slot.handle = nullptr;
    }
}

} // namespace

extern "C" int32_t UsbLink_Enumerate(void)
{
    hid_device_info *const list = hid_enumerate(0, 0);
    if (hid_init() < 0) {
        hid_free_enumeration(list);
        return USB_LINK_ERROR_INIT;
    }
    int32_t filled = 0;
    for (const hid_device_info *info = list; info != nullptr && filled < USB_LINK_MAX_DEVICES;
         info = info->next) {
        if (info->vendor_id == USB_LINK_VENDOR_ID) {
            record(usbDevices[filled], filled, *info);
            ++filled;
        }
    }
    deviceCount = filled;
    hid_free_enumeration(list);
    return deviceCount;
}

extern "C" int32_t UsbLink_Open(int32_t index)
{
    if (index < 0 || index >= deviceCount) {
        return USB_LINK_ERROR_OPEN;
    }
    currentDevice = index;
    UsbDeviceEntry& slot = usbDevices[index];
    closeSlot(slot);
    slot.handle = hid_open(slot.vendorId, slot.productId, slot.serial);
    return slot.handle != nullptr ? 0 : USB_LINK_ERROR_OPEN;
}

extern "C" int32_t UsbLink_Close(int32_t index)
{
    if (inTable(index)) {
        closeSlot(usbDevices[index]);
    }
    return 0;
}

extern "C" int32_t UsbLink_Write(const uint8_t *report)
{
    hid_device *const handle = usbDevices[currentDevice].handle;
    if (handle == nullptr) {
        return USB_LINK_ERROR_WRITE_CLOSED;
    }
    if (report == nullptr) {
        return -1;
    }
    return hid_write(handle, report, USB_LINK_OUT_REPORT_SIZE);
}

namespace {

int32_t readCurrent(uint8_t *buffer, int32_t timeoutMs)
{
    hid_device *const handle = usbDevices[currentDevice].handle;
    if (handle == nullptr) {
        return USB_LINK_ERROR_READ_CLOSED;
    }
    if (buffer == nullptr) {
        return -1;
    }
    return hid_read_timeout(handle, buffer, USB_LINK_IN_REPORT_SIZE, timeoutMs);
}

} // namespace

extern "C" int32_t UsbLink_Read(uint8_t *buffer)
{
    return readCurrent(buffer, readTimeoutMs);
}

extern "C" int32_t UsbLink_ReadPending(uint8_t *buffer)
{
    return readCurrent(buffer, 0);
}

extern "C" const UsbDeviceEntry *UsbLink_Entry(int32_t index)
{
    return inTable(index) ? &usbDevices[index] : nullptr;
}
