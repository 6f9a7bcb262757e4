// Finding, opening and closing modules: thin translations of the USB link's results.
#include "api/zel.h"

#include "api/serialise.h"
#include "protocol/link.h"
#include "usb/usb_link.h"

extern "C" int32_t zelInitUsb(void)
{
    const auto lock = zel::api::serialise();
    return UsbLink_Enumerate();
}

extern "C" int32_t zelOpenByUsb(int32_t slot)
{
    const auto lock = zel::api::serialise();
    if (UsbLink_Open(slot) != 0) {
        return ZEL_ERROR_OPEN;
    }
    // Whatever the module said before this open is no answer to anything the host will ask.
    zel::protocol::dropStaleInput(zel::protocol::boundLink().transport);
    return ZEL_OK;
}

extern "C" int32_t zelClose(int32_t slot)
{
    const auto lock = zel::api::serialise();
    UsbLink_Close(slot);
    return ZEL_OK;
}
