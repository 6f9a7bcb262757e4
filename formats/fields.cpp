#include "formats/fields.h"

#include <fmt/format.h>

#include "device/error.h"

namespace zel::formats::detail {

void check_lengths(const Spectrum& spectrum)
{
    const std::size_t n = spectrum.wavelength_nm.size();
    const bool std_ok = spectrum.intensity_std.empty() || spectrum.intensity_std.size() == n;
    if (spectrum.intensity.size() != n || spectrum.reference.size() != n || !std_ok) {
        throw Error(ZEL_E_INVALID_ARGUMENT,
                    fmt::format("the spectrum's arrays differ in length (wavelength_nm {}, "
                                "intensity {}, reference {}, intensity_std {})",
                                n, spectrum.intensity.size(), spectrum.reference.size(),
                                spectrum.intensity_std.size()));
    }
}

std::vector<Column> columns(const Spectrum& spectrum, std::optional<Quantity> quantity)
{
    check_lengths(spectrum);
    std::vector<Column> result;
    result.push_back({"wavelength_nm", spectrum.wavelength_nm});
    if (quantity) {
        result.push_back({to_string(*quantity), spectrum.values(*quantity)});
    } else {
        result.push_back({"intensity", spectrum.intensity});
        result.push_back({"reference", spectrum.reference});
        result.push_back({"reflectance", spectrum.reflectance()});
    }
    const bool has_intensity = !quantity || *quantity == Quantity::Intensity;
    if (has_intensity && !spectrum.intensity_std.empty()) {
        result.push_back({"intensity_std", spectrum.intensity_std});
    }
    return result;
}

std::vector<Field> metadata_fields(const SpectrumMetadata& m)
{
    return {
        {"serial", m.serial},
        {"configuration", static_cast<long long>(m.configuration)},
        {"configuration_name", m.configuration_name},
        {"kind", std::string(to_string(m.kind))},
        {"gain", static_cast<long long>(m.gain)},
        {"averaging", static_cast<long long>(m.averaging)},
        {"repeats", static_cast<long long>(m.repeats)},
        {"temperature_c", m.temperature_c},
        {"humidity_pct", m.humidity_pct},
        {"module_time", m.module_time},
        {"host_time_utc", m.host_time_utc},
        {"software_version", m.software_version},
    };
}

std::string number_text(double value)
{
    // fmt's default presentation is the shortest round-trip form.
    return fmt::format("{}", value);
}

std::string value_text(const Field& field)
{
    if (const auto* text = std::get_if<std::string>(&field.value)) {
        return *text;
    }
    if (const auto* integer = std::get_if<long long>(&field.value)) {
        return fmt::format("{}", *integer);
    }
    return number_text(std::get<double>(field.value));
}

}  // namespace zel::formats::detail
