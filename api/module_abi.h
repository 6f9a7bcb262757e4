// Shared pieces of the C functions of module.h: the handle, and the guard that turns every
// failure into a status code.
#ifndef ZEL_API_MODULE_ABI_H
#define ZEL_API_MODULE_ABI_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>

#include "api/module.h"
#include "device/module.h"

struct zel_module {
    zel::Module module;
};

namespace zel::api {

// Records a failure as the calling thread's last error and returns its code.
int32_t recordFailure(int32_t code, std::string_view message,
                      const std::vector<std::string>& diagnostics = {});

// Runs `body`; any exception becomes a status code (and the thread's last error).
template <typename Body>
int32_t guarded(Body&& body) noexcept
{
    try {
        body();
        return ZEL_SUCCESS;
    } catch (const Error& error) {
        return recordFailure(error.code(), error.what(), error.diagnostics());
    } catch (const std::bad_alloc&) {
        return recordFailure(ZEL_E_NO_MEMORY, status_text(ZEL_E_NO_MEMORY));
    } catch (...) {
        return recordFailure(ZEL_E_INTERNAL, status_text(ZEL_E_INTERNAL));
    }
}

// As guarded, for a call on a handle and with outputs: both must be non-null.
template <typename Body, typename... Outputs>
int32_t onModule(zel_module* module, Body&& body, const Outputs*... outputs) noexcept
{
    if (module == nullptr || ((outputs == nullptr) || ...)) {
        return recordFailure(ZEL_E_INVALID_ARGUMENT, "a handle or output pointer is null");
    }
    return guarded([&] { body(module->module); });
}

// Copies `text` into `out`, cut to `capacity` - 1 characters, always terminated.
void copyText(char* out, std::size_t capacity, std::string_view text);

}  // namespace zel::api

#endif
