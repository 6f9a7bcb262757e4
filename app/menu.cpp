// Start-up and the menu loop.
#include <cstdio>
#include <memory>

#include "app/console.h"

namespace zel::console {

int run()
{
    // About 13 KiB of records and arrays: kept off the stack.
    auto menu = std::make_unique<Menu>();

    zelInitUsb();
    if (zelOpenByUsb(0) == 0) {
        std::printf("Open Device Success.\n\n");
    }
    showConfiguration(*menu);

    for (;;) {
        std::printf("input 'q' exit: ");
        char key = 'q';
        // The end of input ends the program as 'q' does.
        const bool gotKey = readKey(key);
        std::printf("\n");
        if (!gotKey || key == 'q') {
            break;
        }
        if (!runScanKey(key, *menu)) {
            runDeviceKey(key, *menu);
        }
    }
    zelClose(0);
    std::fflush(stdout);
    return 0;
}

} // namespace zel::console
