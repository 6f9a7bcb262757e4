// The parts of the extension module zel._zel, each adding its names to the module.
#ifndef ZEL_PYTHON_BINDINGS_H
#define ZEL_PYTHON_BINDINGS_H

#include <pybind11/pybind11.h>

namespace zel::python {

// zel::Error leaves as the zel.ZelError subclass of its code (made by zel._errors.error_for);
// status_text() and the version.
void bindErrors(pybind11::module_& module);
// Spectrum: the result of a scan with its arrays and metadata, and saving it.
void bindSpectrum(pybind11::module_& module);
// Module and list_modules().
void bindModule(pybind11::module_& module);

}  // namespace zel::python

#endif
