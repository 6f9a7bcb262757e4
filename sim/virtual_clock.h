/* The virtual clock behind Sleep and the HID backend: milliseconds that pass only when someone
 * says so. */
#ifndef ZEL_SIM_VIRTUAL_CLOCK_H
#define ZEL_SIM_VIRTUAL_CLOCK_H

#include <cstdint>

namespace zel::sim {

void advanceClock(uint64_t milliseconds);

}  // namespace zel::sim

#endif
