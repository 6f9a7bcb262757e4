// The JSON forms of the module objects' values that the page reads.
#ifndef ZEL_SERVE_JSON_H
#define ZEL_SERVE_JSON_H

#include <cstdint>

#include <nlohmann/json.hpp>

#include "device/spectrum.h"

namespace zel::serve {

nlohmann::json to_json(const Configuration& configuration);
nlohmann::json to_json(const Sensors& sensors);
// The spectrum as stored under `id`. Every array has one entry per point; NaN
// (a point without a positive reference) becomes null.
nlohmann::json to_json(const Spectrum& spectrum, uint64_t id);

// {"error": {"code": C, "message": M, "diagnostics": [...]}}.
nlohmann::json error_json(int code, std::string_view message,
                          const std::vector<std::string>& diagnostics = {});

}  // namespace zel::serve

#endif
