// The extension module zel._zel: the C++ module objects as seen from the package zel.
#include "bindings.h"

PYBIND11_MODULE(_zel, module)
{
    module.doc() = "The C++ module objects under the package zel; use the package, not this.";
    zel::python::bindErrors(module);
    zel::python::bindSpectrum(module);
    zel::python::bindModule(module);
}
