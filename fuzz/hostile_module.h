// The module end shared by the fuzz targets that play a hostile module: one interface in slot 0 of
// the scripted HID library, and input reports taken from the fuzzer's bytes.
#ifndef ZEL_FUZZ_HOSTILE_MODULE_H
#define ZEL_FUZZ_HOSTILE_MODULE_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "protocol/qrn.h"
#include "tests/support/scripted_hid.h"
#include "usb/usb_link.h"

namespace zel::fuzz {

// A failed check is a finding: abort so that libFuzzer keeps the input.
inline void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

inline void attachModule()
{
    for (int32_t slot = 0; slot < USB_LINK_MAX_DEVICES; ++slot) {
        UsbLink_Close(slot);
    }
    zel::scripted::reset();
    zel::scripted::setInterfaces({{USB_LINK_VENDOR_ID, 0x4200, L"FUZZ"}});
    UsbLink_Enumerate();
    UsbLink_Open(0);
}

// Whole reports mostly, some short ones, and bare read results up to `highestReadResult`.
inline void queueInputs(FuzzedDataProvider& in, int highestReadResult)
{
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegral<uint8_t>() % 8) {
        case 0:
            zel::scripted::queueReadResult(in.ConsumeIntegralInRange<int>(-2, highestReadResult));
            break;
        case 1:
            zel::scripted::queueReport(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 70)));
            break;
        default:
            zel::scripted::queueReport(in.ConsumeBytes<uint8_t>(MSG_REPORT_SIZE));
            break;
        }
    }
}

} // namespace zel::fuzz

#endif
