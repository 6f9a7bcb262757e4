#include <nlohmann/json.hpp>

#include "formats/fields.h"
#include "formats/formats.h"

namespace zel::formats {

std::string render_json(const Spectrum& spectrum, std::optional<Quantity> quantity)
{
    const std::vector<detail::Column> columns = detail::columns(spectrum, quantity);
    nlohmann::ordered_json metadata = nlohmann::ordered_json::object();
    for (const detail::Field& field : detail::metadata_fields(spectrum.metadata)) {
        std::visit([&](const auto& value) { metadata[std::string(field.key)] = value; },
                   field.value);
    }
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    document["metadata"] = std::move(metadata);
    for (const detail::Column& column : columns) {
        // NaN is dumped as null.
        document[std::string(column.name)] = column.values;
    }
    // Text from the module need not be UTF-8: invalid bytes become U+FFFD instead of throwing.
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace zel::formats
