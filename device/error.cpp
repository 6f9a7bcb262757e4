#include "device/error.h"

#include "device/version.h"

namespace zel {

Error::Error(int code, std::string message, std::vector<std::string> diagnostics)
    : std::runtime_error(std::move(message)), code_(code), diagnostics_(std::move(diagnostics))
{
}

const char* status_text(int code) noexcept
{
    switch (code) {
    case 0:
        return "success";
    // Module objects.
    case ZEL_E_INVALID_ARGUMENT:
        return "invalid argument";
    case ZEL_E_NO_MODULE:
        return "no matching module is attached";
    case ZEL_E_OPEN:
        return "the module could not be opened";
    case ZEL_E_PERMISSION:
        return "permission denied on the module's device node: add the user to group plugdev "
               "(udev rule 70-zel-plugdev.rules) or log in at the seat (rule 70-zel.rules), "
               "then replug the module";
    case ZEL_E_DISCONNECTED:
        return "the module was disconnected";
    case ZEL_E_CANCELLED:
        return "the call was cancelled";
    case ZEL_E_TIMEOUT:
        return "the module did not answer in time";
    case ZEL_E_LINK:
        return "a report could not be written to or read from the module";
    case ZEL_E_BUSY:
        return "the module is busy";
    case ZEL_E_REFUSED:
        return "the module refused the command's argument";
    case ZEL_E_BAD_REPLY:
        return "the module's answer was malformed";
    case ZEL_E_CONFIG_INDEX:
        return "no scan configuration has that index";
    case ZEL_E_NO_CONFIG:
        return "the module has no scan configuration";
    case ZEL_E_SCAN_TIME:
        return "the module reported no usable scan time";
    case ZEL_E_FILE:
        return "a stored file could not be read from the module";
    case ZEL_E_DECODE:
        return "data from the module could not be decoded";
    case ZEL_E_REFERENCE:
        return "the factory reference could not be put on the scan's wavelengths";
    case ZEL_E_STALE_SCAN:
        return "the module did not deliver a new scan";
    case ZEL_E_NO_MEMORY:
        return "out of memory";
    case ZEL_E_INTERNAL:
        return "internal error";
    case ZEL_E_IO:
        return "a file on the host could not be written";
    // The zel* functions (zel.h); -3 stands for two failures there.
    case -1:
        return "a report could not be written or read, or no module is open";
    case -2:
        return "the module answered with error field 3 (busy)";
    case -3:
        return "the module answered with error field 2, or the module could not be opened";
    case -4:
        return "the module's reply was malformed (error field 1, empty or too long)";
    case -5:
        return "no report arrived within 10000 ms";
    case -6:
        return "a pointer argument is null";
    case -13:
        return "no stored scan configuration";
    case -14:
        return "the scan time is unreadable or too long";
    case -15:
        return "selecting the scan configuration failed";
    case -16:
        return "configuration index not below the number stored";
    case -17:
        return "reading or decoding the scan configuration failed";
    case -18:
        return "starting the scan failed";
    case -19:
        return "asking for a stored file's size failed";
    case -20:
        return "a stored file arrived incomplete";
    case -21:
        return "the scan has fewer valid points than were asked for";
    case -22:
        return "reading the amplifier gain failed";
    case -24:
        return "setting the averaging count failed";
    case -28:
        return "a count is negative or above the array capacity";
    case -29:
        return "the scan data could not be decoded or interpreted";
    case -30:
        return "the reference interpolation failed";
    case -31:
        return "switching the Bluetooth radio on failed";
    case -32:
        return "switching the Bluetooth radio off failed";
    case -33:
        return "enabling the push-button, or reading its state, failed";
    case -34:
        return "disabling the push-button failed";
    case -101:
        return "the HID library could not be initialised";
    case -231:
        return "setting the amplifier gain failed";
    default:
        return "unknown status code";
    }
}

std::string_view version() noexcept
{
    return ZEL_VERSION_STRING;
}

}  // namespace zel
