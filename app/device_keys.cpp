// Keys of the connection, information and control functions.
#include <cstdio>
#include <cstring>

#include "app/console.h"

namespace zel::console {

namespace {

void blank()
{
    std::printf("\n\n");
}

// An on/off prompt: 1 or 0 is stored in `menu.enable`; any other answer is refused.
bool askOnOff(const char* prompt, Menu& menu)
{
    std::printf("%s", prompt);
    if (!readNumber(menu.enable)) {
        return false;
    }
    if (menu.enable != 0 && menu.enable != 1) {
        std::printf("input value is invalid\n");
        return false;
    }
    return true;
}

void serialNumberKey(Menu& menu)
{
    std::memset(menu.serial, 0, sizeof menu.serial);
    if (zelGetSerialNumber(menu.serial) < 0) {
        std::printf("zelGetSerialNumber failure!\n");
    } else {
        std::printf("Device seiral number is: ");
        // All eight bytes, zero bytes too: a shorter serial number is padded with them.
        for (const uint8_t byte : menu.serial) {
            std::printf("%c", byte);
        }
    }
    blank();
}

void lampKey(Menu& menu)
{
    if (askOnOff("Set lamp on or off(1: on; 0: off): ", menu)) {
        const int32_t status = zelSetLampStatus(static_cast<uint8_t>(menu.enable));
        std::printf("zelSetLampStatus: %s\n", menu.enable == 1 ? "on" : "off");
        if (status < 0) {
            std::printf("zelSetLampStatus failure!\n");
        }
    }
    blank();
}

void buttonEnableKey(Menu& menu)
{
    if (askOnOff("Enable button press or not(1: enable; 0: disable): ", menu) &&
        zelEnableButtonPress(static_cast<uint8_t>(menu.enable)) < 0) {
        std::printf("zelEnableButtonPress failure!\n");
    }
    blank();
}

void buttonStatusKey(Menu& menu)
{
    menu.isBtnPressed = 0;
    if (zelGetButtonPressStatus(&menu.isBtnPressed) < 0) {
        std::printf("zelGetButtonPressStatus failure!\n");
    } else {
        std::printf("zelGetButtonPressStatus: %d\n", menu.isBtnPressed);
    }
    blank();
}

void bluetoothKey(Menu& menu)
{
    if (askOnOff("Enable bluetooth press or not(1: enable; 0: disable): ", menu) &&
        zelSetBluetoothStatus(static_cast<uint8_t>(menu.enable)) < 0) {
        std::printf("zelSetBluetoothStatus failure!\n");
    }
    blank();
}

void uuidKey(Menu& menu)
{
    std::memset(menu.uuid, 0, sizeof menu.uuid);
    if (zelGetDeviceUuid(menu.uuid) < 0) {
        std::printf("zelGetDeviceUuid failure!\n");
    } else {
        std::printf("Device UUID is: ");
        for (const uint8_t byte : menu.uuid) {
            std::printf("%02X:", byte);
        }
    }
    blank();
}

void humTempKey(Menu& menu)
{
    if (zelGetHumTemp(&menu.humidity, &menu.temperature) < 0) {
        std::printf("zelGetHumTemp failure!\n");
        return;
    }
    std::printf("Humidity: %.2f, Temperature: %.2f\n\n", menu.humidity / 100.0,
                menu.temperature / 100.0);
}

void batteryKey(Menu& menu)
{
    if (zelGetBatteryInfo(&menu.batteryVolt, &menu.batteryPercent) < 0) {
        std::printf("zelGetBatteryInfo failure\n");
        return;
    }
    std::printf("BatteryVolt: %.2f, BatteryPercent: %.2f\n", menu.batteryVolt / 100.0,
                menu.batteryPercent / 100.0);
    blank();
}

void setGainKey(Menu& menu)
{
    std::printf("Input the gain value(1,2,4,8,16,32 or 64): ");
    if (readNumber(menu.gain)) {
        if (zelSetPgaGain(menu.gain) < 0) {
            std::printf("zelSetPgaGain failure!\n");
        } else {
            std::printf("zelSetPgaGain ok! Current PGA gain is %d\n", menu.gain);
        }
    }
    blank();
}

void getGainKey(Menu& menu)
{
    if (zelGetPgaGain(&menu.pgaGain) < 0) {
        std::printf("zelGetPgaGain failure!\n");
        return;
    }
    std::printf("The current PGA gain is %d\n", static_cast<int>(menu.pgaGain));
    blank();
}

void averagingKey(Menu& menu)
{
    std::printf("Input the average scan times: ");
    if (readNumber(menu.avg)) {
        // Only the low 16 bits reach the module; the answer is echoed as typed.
        if (zelSetAvgTimes(static_cast<uint16_t>(menu.avg & 0xFFFF)) < 0) {
            std::printf("zelSetAvgTimes failure!\n");
        } else {
            std::printf("zelSetAvgTimes ok! Current average scan times is setted to %d\n", menu.avg);
        }
    }
    blank();
}

} // namespace

bool runDeviceKey(char key, Menu& menu)
{
    switch (key) {
    case '0': serialNumberKey(menu); return true;
    case '5': lampKey(menu); return true;
    case '6': buttonEnableKey(menu); return true;
    case '7': buttonStatusKey(menu); return true;
    case '8': bluetoothKey(menu); return true;
    case '9': uuidKey(menu); return true;
    case 'a': humTempKey(menu); return true;
    case 'b': batteryKey(menu); return true;
    case 'c': setGainKey(menu); return true;
    case 'd': getGainKey(menu); return true;
    case 'e': averagingKey(menu); return true;
    default: return false;
    }
}

} // namespace zel::console
