/* A hidapi-compatible HID library over virtual modules, on a virtual clock.
 *
 * Linking zel_sim provides hid_init, hid_exit, hid_enumerate, hid_free_enumeration, hid_open,
 * hid_open_path (paths "sim:<device>:<interface>"), hid_close, hid_write, hid_read_timeout and
 * hid_error with the signatures of <hidapi/hidapi.h>,
 * and the millisecond Sleep of platform/sleep.h. Nothing waits: Sleep advances the clock, every
 * report moved costs 1 ms (as on a full-speed interrupt endpoint), and a read that finds nothing
 * to say returns 0 at once with the clock advanced by its time-out; a positive time-out that
 * passes lets the module's late answers arrive (VirtualModule::readTimedOut). Opening a handle
 * drops the input the module had queued, as opening a hidraw node does.
 *
 * Tests attach modules and other-vendor devices here and drive the modules through their own
 * control API (sim/virtual_module.h). The device list is enumerated in attachment order.
 *
 * Single-threaded, like the library it serves. */
#ifndef ZEL_SIM_HID_BACKEND_H
#define ZEL_SIM_HID_BACKEND_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/virtual_module.h"

namespace zel::sim {

/* Attaches a module that exposes `interfaces` HID interfaces (each enumerated separately, all
 * opening the same module). The reference stays valid until detachAll. */
VirtualModule &attachModule(ModuleIdentity id = defaultIdentity(), unsigned interfaces = 1);

/* Attaches a HID device of another kind: it enumerates and opens, swallows writes, never
 * answers. */
void attachForeignDevice(uint16_t vendorId, uint16_t productId, std::wstring serial);

/* Removes every device; handles still open become dead (writes and reads fail with -1). */
void detachAll();

/* Makes hid_init fail (return -1) while set. */
void setInitFailure(bool fail);

/* Handles opened and not yet closed. */
std::size_t openHandleCount();

/* The virtual clock, in milliseconds since the start or the last resetClock; sleptMs is the
 * part of it that passed in Sleep. */
uint64_t clockMs();
uint64_t sleptMs();
void resetClock();

}  // namespace zel::sim

#endif
