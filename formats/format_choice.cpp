#include <algorithm>
#include <cctype>

#include "formats/formats.h"

namespace zel::formats {

std::string_view to_string(Format format)
{
    switch (format) {
    case Format::Csv:
        return "csv";
    case Format::Json:
        return "json";
    case Format::Jcamp:
        return "jcamp";
    }
    return "unknown";
}

std::optional<Format> format_from_name(std::string_view name)
{
    for (Format format : {Format::Csv, Format::Json, Format::Jcamp}) {
        if (to_string(format) == name) {
            return format;
        }
    }
    return std::nullopt;
}

std::optional<Format> format_from_path(const std::filesystem::path& path)
{
    std::string suffix = path.extension().string();
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (suffix == ".csv") {
        return Format::Csv;
    }
    if (suffix == ".json") {
        return Format::Json;
    }
    if (suffix == ".jdx" || suffix == ".dx" || suffix == ".jcamp") {
        return Format::Jcamp;
    }
    return std::nullopt;
}

std::string render(const Spectrum& spectrum, Format format, std::optional<Quantity> quantity)
{
    switch (format) {
    case Format::Csv:
        return render_csv(spectrum, quantity);
    case Format::Json:
        return render_json(spectrum, quantity);
    case Format::Jcamp:
        return render_jcamp(spectrum, quantity.value_or(Quantity::Reflectance));
    }
    return {};
}

}  // namespace zel::formats
