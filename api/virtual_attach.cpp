// Only in the libzel.so built over the virtual module: one module is attached when the library
// loads, as if it had been plugged in before the host program started.
#include "sim/hid_backend.h"

namespace {

struct AttachAtLoad {
    AttachAtLoad() { zel::sim::attachModule(); }
} attachAtLoad;

} // namespace
