// Spectra as Python sees them: every array a read-only numpy copy that Python owns, so nothing
// points into the library's memory once the call has returned; saved by the formats library.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bindings.h"
#include "device/error.h"
#include "device/spectrum.h"
#include "formats/formats.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

namespace py = pybind11;

namespace zel::python {
namespace {

py::array_t<double> readOnlyCopy(const std::vector<double>& values)
{
    py::array_t<double> array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    array.attr("setflags")(py::arg("write") = false);
    return array;
}

py::dict metadataOf(const SpectrumMetadata& m)
{
    py::dict d;
    d["serial"] = m.serial;
    d["configuration"] = m.configuration;
    d["configuration_name"] = m.configuration_name;
    d["kind"] = std::string(to_string(m.kind));
    d["gain"] = m.gain;
    d["averaging"] = m.averaging;
    d["repeats"] = m.repeats;
    d["temperature_c"] = m.temperature_c;
    d["humidity_pct"] = m.humidity_pct;
    d["module_time"] = m.module_time;
    d["host_time_utc"] = m.host_time_utc;
    d["software_version"] = m.software_version;
    return d;
}

formats::Format formatFor(const std::filesystem::path& path, const std::optional<std::string>& name)
{
    if (name) {
        if (const auto format = formats::format_from_name(*name)) {
            return *format;
        }
        throw Error(ZEL_E_INVALID_ARGUMENT,
                    "unknown format \"" + *name + "\" (known: csv, json, jcamp)");
    }
    if (const auto format = formats::format_from_path(path)) {
        return *format;
    }
    throw Error(ZEL_E_INVALID_ARGUMENT, "the format of " + path.string() +
                                            " is not told by its suffix (.csv, .json, .jdx, .dx, "
                                            ".jcamp): give format=");
}

void save(const Spectrum& spectrum, const std::filesystem::path& path,
          const std::optional<std::string>& format, const std::optional<std::string>& quantity)
{
    const formats::Format chosen = formatFor(path, format);
    std::optional<Quantity> values;
    if (quantity) {
        values = quantity_from_string(*quantity);
        if (!values) {
            throw Error(ZEL_E_INVALID_ARGUMENT, "unknown quantity \"" + *quantity + "\"");
        }
    }
    const py::gil_scoped_release released;
    formats::write_file(path, formats::render(spectrum, chosen, values));
}

}  // namespace

void bindSpectrum(py::module_& module)
{
    py::class_<Spectrum>(module, "Spectrum", "One scan's result, as the library holds it.")
        .def("__len__", &Spectrum::size)
        .def_property_readonly("wavelength_nm",
                               [](const Spectrum& s) { return readOnlyCopy(s.wavelength_nm); })
        .def_property_readonly("intensity",
                               [](const Spectrum& s) { return readOnlyCopy(s.intensity); })
        .def_property_readonly("reference",
                               [](const Spectrum& s) { return readOnlyCopy(s.reference); })
        .def_property_readonly("intensity_std",
                               [](const Spectrum& s) { return readOnlyCopy(s.intensity_std); })
        .def_property_readonly("reflectance",
                               [](const Spectrum& s) { return readOnlyCopy(s.reflectance()); })
        .def_property_readonly("absorbance",
                               [](const Spectrum& s) { return readOnlyCopy(s.absorbance()); })
        .def_property_readonly("metadata", [](const Spectrum& s) { return metadataOf(s.metadata); })
        .def("save", &save, py::arg("path"), py::arg("format"), py::arg("quantity"));
}

}  // namespace zel::python
