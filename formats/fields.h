// What every format writes: the columns of a spectrum and its metadata as named fields.
#ifndef ZEL_FORMATS_FIELDS_H
#define ZEL_FORMATS_FIELDS_H

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "device/spectrum.h"

namespace zel::formats::detail {

struct Column {
    std::string_view name;
    std::vector<double> values;
};

// The columns of formats/formats.h, wavelength_nm first. ZEL_E_INVALID_ARGUMENT when the
// spectrum's arrays differ in length.
std::vector<Column> columns(const Spectrum& spectrum, std::optional<Quantity> quantity);

// ZEL_E_INVALID_ARGUMENT when the spectrum's arrays differ in length.
void check_lengths(const Spectrum& spectrum);

struct Field {
    std::string_view key;  // lower case, words joined by '_'
    std::variant<std::string, long long, double> value;
};

// The metadata in a fixed order: serial, configuration, configuration_name, kind, gain,
// averaging, repeats, temperature_c, humidity_pct, module_time, host_time_utc,
// software_version.
std::vector<Field> metadata_fields(const SpectrumMetadata& metadata);

// The shortest text that reads back as the same double ("nan", "inf" for the others).
std::string number_text(double value);

// A field's value as text: strings as they are, numbers as number_text.
std::string value_text(const Field& field);

}  // namespace zel::formats::detail

#endif
