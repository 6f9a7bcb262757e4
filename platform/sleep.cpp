#include "platform/sleep.h"

#include <chrono>
#include <thread>

extern "C" void Sleep(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
