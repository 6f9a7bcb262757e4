// Identity and sensor readings; a failing command is reported in one line on standard output.
#include "api/zel.h"

#include <cstdio>

#include "api/serialise.h"
#include "protocol/qrn.h"

namespace {

// Prints "<command> error: <status>" for a non-zero status and hands the status back.
int32_t reported(const char* command, int32_t status)
{
    if (status != 0) {
        std::printf("%s error: %d\n", command, status);
    }
    return status;
}

} // namespace

extern "C" int32_t zelGetSerialNumber(uint8_t serial[8])
{
    const auto lock = zel::api::serialise();
    if (serial == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    return reported("QRN_GetSerialNumber", QRN_GetSerialNumber(reinterpret_cast<char*>(serial)));
}

extern "C" int32_t zelGetDeviceUuid(uint8_t uuid[8])
{
    const auto lock = zel::api::serialise();
    if (uuid == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    // The identifier is read with the light-engine controller off; if switching it off fails the
    // read is still worth trying.
    reported("QRN_ZELCEnable", QRN_ZELCEnable(0, 0));
    return reported("QRN_GetFlashUniqueID", QRN_GetFlashUniqueID(uuid));
}

extern "C" int32_t zelGetHumTemp(uint32_t* humidity, uint32_t* temperature)
{
    const auto lock = zel::api::serialise();
    if (humidity == nullptr || temperature == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    int32_t hum = 0;
    int32_t temp = 0;
    const int32_t status = reported("QRN_ReadHum", QRN_ReadHum(&hum, &temp));
    if (status == 0) {
        *humidity = static_cast<uint32_t>(hum);
        *temperature = static_cast<uint32_t>(temp);
    }
    return status;
}

extern "C" int32_t zelGetBatteryInfo(int32_t* batteryVolt, int32_t* batteryPercent)
{
    const auto lock = zel::api::serialise();
    if (batteryVolt == nullptr || batteryPercent == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    int32_t volt = 0;
    int32_t percent = 0;
    int32_t raw = 0;
    const int32_t status = reported("QRN_ReadBattVolt", QRN_ReadBattVolt(&volt, &percent, &raw));
    if (status == 0) {
        *batteryVolt = volt;
        *batteryPercent = percent;
    }
    return status;
}

extern "C" int32_t zelGetDeviceStatus(int32_t* status)
{
    const auto lock = zel::api::serialise();
    if (status == nullptr) {
        return ZEL_ERROR_NULL_POINTER;
    }
    return reported("QRN_ReadDeviceStatus", QRN_ReadDeviceStatus(status));
}
