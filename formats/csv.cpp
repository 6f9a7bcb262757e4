#include <fmt/format.h>

#include "formats/fields.h"
#include "formats/formats.h"

namespace zel::formats {

namespace {

// A header value stays on its line.
std::string one_line(std::string text)
{
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = '?';
        }
    }
    return text;
}

}  // namespace

std::string render_csv(const Spectrum& spectrum, std::optional<Quantity> quantity)
{
    const std::vector<detail::Column> columns = detail::columns(spectrum, quantity);
    std::string out;
    for (const detail::Field& field : detail::metadata_fields(spectrum.metadata)) {
        fmt::format_to(std::back_inserter(out), "# {}: {}\n", field.key,
                       one_line(detail::value_text(field)));
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
        out += c == 0 ? "" : ",";
        out += columns[c].name;
    }
    out += '\n';
    for (std::size_t row = 0; row < spectrum.size(); ++row) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            out += c == 0 ? "" : ",";
            out += detail::number_text(columns[c].values[row]);
        }
        out += '\n';
    }
    return out;
}

}  // namespace zel::formats
