// A scan through the Python package against the same scan through the C++ API, on in-process
// virtual modules alike, in one process (Python embedded): the ratio of the two is what the
// binding adds to a scan (the hand-over to the module's thread, the GIL, the numpy arrays and the
// Python layer).
//
// Argument 0: the module does not pace itself, so a scan costs only the host's and the model's
// work and the binding's share shows in full. Argument 1: the module takes the scan time a real
// one reports, as a user sees it.
#include <benchmark/benchmark.h>
#include <pybind11/embed.h>

#include "device/module.h"

namespace py = pybind11;

namespace {

zel::Module openModule(bool realtime)
{
    zel::VirtualOptions options;
    options.realtime = realtime;
    return zel::Module::open_virtual(options);
}

void BM_ScanCpp(benchmark::State& state)
{
    zel::Module module = openModule(state.range(0) != 0);
    module.scan(0);  // the reference files are fetched once, at the first scan
    for (auto _ : state) {
        zel::Spectrum spectrum = module.scan(0);
        benchmark::DoNotOptimize(spectrum.intensity.data());
    }
}

void BM_ScanPython(benchmark::State& state)
{
    const py::object module =
        py::module_::import("zel").attr("open_virtual")(py::arg("realtime") = state.range(0) != 0);
    const py::object scan = module.attr("scan");
    scan(0);
    for (auto _ : state) {
        const py::object spectrum = scan(0);
        benchmark::DoNotOptimize(spectrum.ptr());
    }
    module.attr("close")();
}

BENCHMARK(BM_ScanCpp)->Arg(0);
BENCHMARK(BM_ScanPython)->Arg(0);
BENCHMARK(BM_ScanCpp)->Arg(1)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanPython)->Arg(1)->Iterations(8)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    const py::scoped_interpreter python;
    py::module_::import("sys").attr("path").attr("insert")(0, ZEL_PYTHON_BUILD_DIR);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
