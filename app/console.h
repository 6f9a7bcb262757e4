// The console test program: an interactive menu over the exported zel* functions.
#ifndef ZEL_APP_CONSOLE_H
#define ZEL_APP_CONSOLE_H

#include <cstdint>

#include "api/zel.h"

namespace zel::console {

// What the menu keeps for its whole run. The arrays keep their contents between keys; the
// wavelengths printed next to intensities are those of the last successful key '2' (zeros before).
struct Menu {
    uint8_t serial[8] = {};
    uint8_t uuid[8] = {};
    uint32_t humidity = 0;
    uint32_t temperature = 0;
    int32_t batteryVolt = 0;
    int32_t batteryPercent = 0;
    int32_t gain = 0;
    uint32_t pgaGain = 0;
    int32_t avg = 0;
    int32_t enable = 0;
    uint8_t isBtnPressed = 0;
    sectionedScanConfig config = {};
    scanResults results = {};
    double wavelengths[160] = {};
    int32_t intensities[160] = {};
    int32_t refIntensity[160] = {};
};

// Start-up, then one key at a time from standard input until 'q' or the end of input.
// Always returns 0.
int run();

// Keys of the connection, information and control functions ('0', '5' to '9', 'a' to 'e').
// Returns false for a key that is not one of them.
bool runDeviceKey(char key, Menu& menu);

// The configuration display of start-up.
void showConfiguration(Menu& menu);

// Keys of the scan functions ('1' to '4'). Returns false for a key that is not one of them.
bool runScanKey(char key, Menu& menu);

// Reads the next key, white space skipped. Returns false at the end of input.
bool readKey(char& key);

// Reads a decimal integer as "%d" does. On anything else (not a number, out of range, end of
// input) the rest of the line is discarded, "input value is invalid\n" is printed and false is
// returned.
bool readNumber(int32_t& value);

} // namespace zel::console

#endif
