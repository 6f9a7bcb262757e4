/* Millisecond sleep of the calling thread.
 *
 * The core calls Sleep without providing it; the executable's link decides which one answers:
 * zel_platform (a real sleep) for the shipped programs, the virtual module's clock for tests. */
#ifndef ZEL_PLATFORM_SLEEP_H
#define ZEL_PLATFORM_SLEEP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Blocks the calling thread for `milliseconds` ms (0 returns at once). */
void Sleep(uint32_t milliseconds);

#ifdef __cplusplus
}
#endif

#endif
