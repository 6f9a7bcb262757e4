// The exception of module objects and the texts of every status code.
#ifndef ZEL_DEVICE_ERROR_H
#define ZEL_DEVICE_ERROR_H

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "device/status.h"

namespace zel {

// A failed call: a ZEL_E_* code, its text, and the diagnostic lines captured during the call.
class Error : public std::runtime_error {
public:
    Error(int code, std::string message, std::vector<std::string> diagnostics = {});
    int code() const noexcept { return code_; }
    const std::vector<std::string>& diagnostics() const noexcept { return diagnostics_; }

private:
    int code_;
    std::vector<std::string> diagnostics_;
};

// The text of any status code of this library: ZEL_E_* and the zel* functions' codes alike.
const char* status_text(int code) noexcept;

// The library's version, "MAJOR.MINOR.PATCH".
std::string_view version() noexcept;

}  // namespace zel

#endif
