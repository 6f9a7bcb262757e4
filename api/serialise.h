// One process-wide lock over the exported zel* functions: they share the module table and the
// process-wide link, so a second thread waits instead of corrupting them.
#ifndef ZEL_API_SERIALISE_H
#define ZEL_API_SERIALISE_H

#include <mutex>

namespace zel::api {

// Held by each exported function for its whole call.
[[nodiscard]] std::unique_lock<std::mutex> serialise();

}  // namespace zel::api

#endif
