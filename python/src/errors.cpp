#include <exception>

#include "bindings.h"
#include "device/error.h"

#include <pybind11/stl.h>

namespace py = pybind11;

namespace zel::python {

void bindErrors(py::module_& module)
{
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            std::rethrow_exception(thrown);
        } catch (const Error& error) {
            const py::object raised = py::module_::import("zel._errors")
                                          .attr("error_for")(error.code(), error.what(),
                                                             error.diagnostics());
            PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(raised.ptr())), raised.ptr());
        }
    });
    module.def("status_text", &status_text, py::arg("code"),
               "The text of a status code of the library.");
    module.def("version", [] { return std::string(version()); },
               "The library's version, \"MAJOR.MINOR.PATCH\".");
}

}  // namespace zel::python
