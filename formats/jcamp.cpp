#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include <fmt/format.h>

#include "device/error.h"
#include "formats/fields.h"
#include "formats/formats.h"

namespace zel::formats {

namespace {

constexpr std::size_t max_line = 80;
// X is kept to 1e-6 nm, Y to nine significant digits of its largest magnitude.
constexpr double finest_x_factor = 1e-6;
constexpr int x_digits = 13;
constexpr int y_digits = 9;

// Printable ASCII, and no "$$" (it starts a comment).
std::string printable(std::string_view text)
{
    std::string out;
    for (char c : text) {
        const bool ascii = c >= 0x20 && c <= 0x7e;
        const bool comment = c == '$' && !out.empty() && out.back() == '$';
        out += ascii && !comment ? c : '?';
    }
    return out;
}

void add_label(std::string& out, std::string_view label, std::string_view value)
{
    std::string line = fmt::format("##{}={}", label, printable(value));
    line.resize(std::min(line.size(), max_line));
    out += line;
    out += '\n';
}

// The power of ten that turns magnitudes up to `largest` into integers of at most `digits`
// digits.
double factor_for(double largest, int digits)
{
    if (largest == 0) {
        return 1;
    }
    const int exponent = static_cast<int>(std::floor(std::log10(largest))) - (digits - 1);
    // Parsed, so that the factor is the double nearest the power (pow need not give it).
    return std::strtod(fmt::format("1e{}", exponent).c_str(), nullptr);
}

std::string_view y_units(Quantity quantity)
{
    switch (quantity) {
    case Quantity::Reflectance:
        return "REFLECTANCE";
    case Quantity::Absorbance:
        return "ABSORBANCE";
    case Quantity::Intensity:
    case Quantity::Reference:
        break;
    }
    return "ARBITRARY UNITS";
}

// "SERIAL", "CONFIGURATION NAME", ...
std::string label_of(std::string_view key)
{
    std::string label(key);
    for (char& c : label) {
        c = c == '_' ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return label;
}

}  // namespace

std::string render_jcamp(const Spectrum& spectrum, Quantity quantity)
{
    detail::check_lengths(spectrum);
    const std::vector<double> values = spectrum.values(quantity);
    std::vector<double> xs;
    std::vector<double> ys;
    for (std::size_t i = 0; i < spectrum.size(); ++i) {
        if (std::isfinite(spectrum.wavelength_nm[i]) && std::isfinite(values[i])) {
            xs.push_back(spectrum.wavelength_nm[i]);
            ys.push_back(values[i]);
        }
    }
    const std::string_view quantity_name = to_string(quantity);
    if (xs.empty()) {
        throw Error(ZEL_E_INVALID_ARGUMENT,
                    fmt::format("no point of the spectrum has a defined {}", quantity_name));
    }
    const auto largest = [](const std::vector<double>& v) {
        double m = 0;
        for (double d : v) {
            m = std::max(m, std::fabs(d));
        }
        return m;
    };
    const double x_factor = std::max(finest_x_factor, factor_for(largest(xs), x_digits));
    const double y_factor = factor_for(largest(ys), y_digits);

    const SpectrumMetadata& m = spectrum.metadata;
    std::string title;
    for (std::string_view part : {std::string_view(m.serial),
                                  std::string_view(m.configuration_name), quantity_name}) {
        if (!part.empty()) {
            title += title.empty() ? "" : " ";
            title += part;
        }
    }

    std::string out;
    add_label(out, "TITLE", title);
    add_label(out, "JCAMP-DX", "5.01");
    add_label(out, "DATA TYPE", "NEAR INFRARED SPECTRUM");
    add_label(out, "DATA CLASS", "PEAK TABLE");
    add_label(out, "ORIGIN", fmt::format("zel {}, module {}", m.software_version, m.serial));
    add_label(out, "OWNER", "");
    for (const detail::Field& field : detail::metadata_fields(m)) {
        add_label(out, "$" + label_of(field.key), detail::value_text(field));
    }
    add_label(out, "$QUANTITY", quantity_name);
    add_label(out, "XUNITS", "NANOMETERS");
    add_label(out, "YUNITS", y_units(quantity));
    add_label(out, "XFACTOR", detail::number_text(x_factor));
    add_label(out, "YFACTOR", detail::number_text(y_factor));
    add_label(out, "FIRSTX", detail::number_text(xs.front()));
    add_label(out, "LASTX", detail::number_text(xs.back()));
    add_label(out, "NPOINTS", fmt::format("{}", xs.size()));
    add_label(out, "FIRSTY", detail::number_text(ys.front()));
    add_label(out, "PEAK TABLE", "(XY..XY)");
    std::string line;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        const std::string pair = fmt::format("{},{}", std::llround(xs[i] / x_factor),
                                             std::llround(ys[i] / y_factor));
        if (!line.empty() && line.size() + 1 + pair.size() > max_line) {
            out += line + '\n';
            line.clear();
        }
        line += line.empty() ? "" : " ";
        line += pair;
    }
    out += line + '\n';
    add_label(out, "END", "");
    return out;
}

}  // namespace zel::formats
