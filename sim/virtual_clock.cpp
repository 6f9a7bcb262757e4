#include "sim/virtual_clock.h"

#include "platform/sleep.h"
#include "sim/hid_backend.h"

namespace zel::sim {
namespace {
uint64_t now = 0;
uint64_t slept = 0;
}  // namespace

void advanceClock(uint64_t milliseconds) {
    now += milliseconds;
    elapseAttachedModules(milliseconds);
}

uint64_t clockMs() { return now; }

uint64_t sleptMs() { return slept; }

void resetClock() {
    now = 0;
    slept = 0;
}

}  // namespace zel::sim

extern "C" void Sleep(uint32_t milliseconds) {
    zel::sim::slept += milliseconds;
    zel::sim::advanceClock(milliseconds);
}
