/* The virtual clock behind Sleep and the HID backend: milliseconds that pass only when someone
 * says so. */
#ifndef ZEL_SIM_VIRTUAL_CLOCK_H
#define ZEL_SIM_VIRTUAL_CLOCK_H

#include <cstdint>

namespace zel::sim {

/* Moves the clock on; every attached module is told the time passed. */
void advanceClock(uint64_t milliseconds);

/* hid_backend.cpp: tells every attached module that `milliseconds` passed. */
void elapseAttachedModules(uint64_t milliseconds);

}  // namespace zel::sim

#endif
