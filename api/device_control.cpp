// Lamp, amplifier gain, averaging, push-button and Bluetooth radio.
#include "api/zel.h"

#include "api/serialise.h"
#include "protocol/qrn.h"

extern "C" int32_t zelSetLampStatus(uint8_t on)
{
    const auto lock = zel::api::serialise();
    // The module's answers to these two commands carry nothing the caller could act on.
    if (on != 0) {
        QRN_SetLampControl(0);
        QRN_ZELCEnable(1, 1);
    } else {
        QRN_SetLampControl(1);
        QRN_ZELCEnable(0, 0);
    }
    return ZEL_OK;
}

extern "C" int32_t zelSetPgaGain(int32_t gain)
{
    const auto lock = zel::api::serialise();
    const auto gainByte = static_cast<uint8_t>(gain & 0xFF);
    return QRN_SetPgaGain(1, gainByte) < 0 ? ZEL_ERROR_SET_GAIN : ZEL_OK;
}

extern "C" int32_t zelGetPgaGain(uint32_t* gain)
{
    const auto lock = zel::api::serialise();
    if (gain == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    const int32_t value = QRN_GetPgaGain();
    if (value < 0) {
        return ZEL_ERROR_GET_GAIN;
    }
    *gain = static_cast<uint32_t>(value);
    return ZEL_OK;
}

extern "C" int32_t zelSetAvgTimes(uint16_t times)
{
    const auto lock = zel::api::serialise();
    return QRN_SetScanAvg(times) < 0 ? ZEL_ERROR_SET_AVERAGING : ZEL_OK;
}

extern "C" int32_t zelEnableButtonPress(uint8_t enable)
{
    const auto lock = zel::api::serialise();
    // Disabling is the sequence enable, then disable; a failed enable ends it.
    if (QRN_SetButtonPressEnable(1) != 0) {
        return ZEL_ERROR_BUTTON;
    }
    if (enable == 0 && QRN_SetButtonPressEnable(0) != 0) {
        return ZEL_ERROR_BUTTON_DISABLE;
    }
    return ZEL_OK;
}

extern "C" int32_t zelGetButtonPressStatus(uint8_t* pressed)
{
    const auto lock = zel::api::serialise();
    if (pressed == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    uint8_t count = 0;
    if (QRN_GetButtonPressCount(&count) != 0) {
        return ZEL_ERROR_BUTTON;
    }
    *pressed = count > 0 ? 1 : 0;
    return ZEL_OK;
}

extern "C" int32_t zelSetBluetoothStatus(uint8_t on)
{
    const auto lock = zel::api::serialise();
    if (on != 0) {
        return QRN_SetBluetooth(1) != 0 ? ZEL_ERROR_BLUETOOTH_ON : ZEL_OK;
    }
    return QRN_SetBluetooth(0) != 0 ? ZEL_ERROR_BLUETOOTH_OFF : ZEL_OK;
}
