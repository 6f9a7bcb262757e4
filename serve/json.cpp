#include "serve/json.h"

#include <cmath>

namespace zel::serve {

namespace {

nlohmann::json to_json(const Section& section)
{
    return {{"kind", to_string(section.kind)},
            {"start_nm", section.start_nm},
            {"end_nm", section.end_nm},
            {"width_px", section.width_px},
            {"patterns", section.patterns}};
}

nlohmann::json numbers(const std::vector<double>& values)
{
    nlohmann::json array = nlohmann::json::array();
    for (double v : values) {
        array.push_back(std::isfinite(v) ? nlohmann::json(v) : nlohmann::json(nullptr));
    }
    return array;
}

}  // namespace

nlohmann::json to_json(const Configuration& configuration)
{
    nlohmann::json sections = nlohmann::json::array();
    for (const Section& section : configuration.sections) {
        sections.push_back(to_json(section));
    }
    return {{"index", configuration.index},
            {"name", configuration.name},
            {"kind", to_string(configuration.kind)},
            {"start_nm", configuration.start_nm},
            {"end_nm", configuration.end_nm},
            {"width_px", configuration.width_px},
            {"points", configuration.points},
            {"repeats", configuration.repeats},
            {"scan_time_s", configuration.scan_time_s},
            {"sections", sections}};
}

nlohmann::json to_json(const Sensors& sensors)
{
    return {{"temperature_c", sensors.temperature_c},
            {"humidity_pct", sensors.humidity_pct},
            {"battery_v", sensors.battery_v},
            {"battery_pct", sensors.battery_pct}};
}

nlohmann::json to_json(const Spectrum& spectrum, uint64_t id)
{
    const SpectrumMetadata& m = spectrum.metadata;
    return {{"id", id},
            {"metadata",
             {{"serial", m.serial},
              {"configuration", m.configuration},
              {"configuration_name", m.configuration_name},
              {"kind", to_string(m.kind)},
              {"gain", m.gain},
              {"averaging", m.averaging},
              {"repeats", m.repeats},
              {"temperature_c", m.temperature_c},
              {"humidity_pct", m.humidity_pct},
              {"module_time", m.module_time},
              {"host_time_utc", m.host_time_utc},
              {"software_version", m.software_version}}},
            {"wavelength_nm", numbers(spectrum.wavelength_nm)},
            {"intensity", numbers(spectrum.intensity)},
            {"reference", numbers(spectrum.reference)},
            {"intensity_std", numbers(spectrum.intensity_std)}};
}

nlohmann::json error_json(int code, std::string_view message,
                          const std::vector<std::string>& diagnostics)
{
    return {{"error", {{"code", code}, {"message", message}, {"diagnostics", diagnostics}}}};
}

}  // namespace zel::serve
