#include "device/spectrum.h"

#include <cmath>
#include <limits>

namespace zel {

std::string_view to_string(ScanKind kind)
{
    switch (kind) {
    case ScanKind::Column:
        return "column";
    case ScanKind::Hadamard:
        return "hadamard";
    case ScanKind::Sectioned:
        return "sectioned";
    }
    return "unknown";
}

std::string_view to_string(Quantity quantity)
{
    switch (quantity) {
    case Quantity::Intensity:
        return "intensity";
    case Quantity::Reference:
        return "reference";
    case Quantity::Reflectance:
        return "reflectance";
    case Quantity::Absorbance:
        return "absorbance";
    }
    return "unknown";
}

std::optional<Quantity> quantity_from_string(std::string_view name)
{
    for (Quantity q : {Quantity::Intensity, Quantity::Reference, Quantity::Reflectance,
                       Quantity::Absorbance}) {
        if (to_string(q) == name) {
            return q;
        }
    }
    return std::nullopt;
}

std::vector<double> Spectrum::reflectance() const
{
    std::vector<double> result(size(), std::numeric_limits<double>::quiet_NaN());
    for (std::size_t i = 0; i < result.size() && i < intensity.size() && i < reference.size(); ++i) {
        if (reference[i] > 0) {
            result[i] = intensity[i] / reference[i];
        }
    }
    return result;
}

std::vector<double> Spectrum::absorbance() const
{
    std::vector<double> result = reflectance();
    for (double& value : result) {
        value = value > 0 ? -std::log10(value) : std::numeric_limits<double>::quiet_NaN();
    }
    return result;
}

std::vector<double> Spectrum::values(Quantity quantity) const
{
    switch (quantity) {
    case Quantity::Intensity:
        return intensity;
    case Quantity::Reference:
        return reference;
    case Quantity::Reflectance:
        return reflectance();
    case Quantity::Absorbance:
        return absorbance();
    }
    return {};
}

}  // namespace zel
