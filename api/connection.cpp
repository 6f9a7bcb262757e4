// Finding, opening and closing modules: thin translations of the USB link's results.
#include "api/zel.h"

#include "usb/usb_link.h"

extern "C" int32_t zelInitUsb(void)
{
    return UsbLink_Enumerate();
}

extern "C" int32_t zelOpenByUsb(int32_t slot)
{
    return UsbLink_Open(slot) == 0 ? ZEL_OK : ZEL_ERROR_OPEN;
}

extern "C" int32_t zelClose(int32_t slot)
{
    UsbLink_Close(slot);
    return ZEL_OK;
}
