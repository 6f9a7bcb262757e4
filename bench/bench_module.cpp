// Module objects against the process-wide zel* functions on in-process virtual modules:
// - the cost of one call (a one-report command and answer) through each;
// - reports on the wire for a scan with its reference: Module::scan against zelGetScanResults
//   followed by zelGetRefIntensityFromDevice, and Module::scan of a module slower than it says;
// - host CPU per scan (module object, module's own clock) against the module alone replaying
//   the same requests;
// - two real-time modules scanning on two threads against one scan alone (wall time).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "api/zel.h"
#include "device/module.h"
#include "sim/hid_backend.h"
#include "sim/virtual_module.h"

namespace {

using zel::Module;
using zel::sim::VirtualModule;

zel::VirtualOptions instant()
{
    zel::VirtualOptions options;
    options.realtime = false;
    return options;
}

uint64_t reportsMoved(const VirtualModule& module)
{
    return module.counters().reportsIn + module.counters().reportsOut;
}

VirtualModule& modelOf(Module& module)
{
    VirtualModule* model = nullptr;
    module.with_virtual([&](VirtualModule& m) { model = &m; });
    return *model;
}

VirtualModule& openGlobal()
{
    zelClose(0);
    zel::sim::detachAll();
    VirtualModule& module = zel::sim::attachModule();
    zelInitUsb();
    zelOpenByUsb(0);
    return module;
}

// zelGetRefIntensityFromDevice prints its file sizes; the benchmark's output stays readable.
class QuietStdout {
public:
    QuietStdout() : saved_(dup(STDOUT_FILENO))
    {
        std::fflush(stdout);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

void BM_GlobalGainRead(benchmark::State& state)
{
    openGlobal();
    uint32_t gain = 0;
    for (auto _ : state) {
        zelGetPgaGain(&gain);
        benchmark::DoNotOptimize(gain);
    }
    zelClose(0);
}
BENCHMARK(BM_GlobalGainRead);

void BM_ModuleGainRead(benchmark::State& state)
{
    Module module = Module::open_virtual(instant());
    for (auto _ : state) {
        benchmark::DoNotOptimize(module.gain());
    }
}
BENCHMARK(BM_ModuleGainRead);

void BM_GlobalScanAndReference(benchmark::State& state)
{
    VirtualModule& module = openGlobal();
    scanResults results;
    std::vector<int32_t> reference(ZEL_MAX_POINTS);
    uint64_t reports = 0;
    for (auto _ : state) {
        const uint64_t before = reportsMoved(module);
        zelGetScanResults(&results);
        {
            const QuietStdout quiet;
            zelGetRefIntensityFromDevice(reference.data(), ZEL_MAX_POINTS);
        }
        reports += reportsMoved(module) - before;
    }
    state.counters["reports_per_scan"] =
        static_cast<double>(reports) / static_cast<double>(state.iterations());
    zelClose(0);
}
BENCHMARK(BM_GlobalScanAndReference)->Unit(benchmark::kMicrosecond);

void BM_ModuleScan(benchmark::State& state)
{
    Module module = Module::open_virtual(instant());
    VirtualModule& model = modelOf(module);
    module.scan(0);  // the reference files are read with the first scan
    uint64_t reports = 0;
    for (auto _ : state) {
        const uint64_t before = reportsMoved(model);
        benchmark::DoNotOptimize(module.scan(0));
        reports += reportsMoved(model) - before;
    }
    const int fileSize = static_cast<int>(model.storedFile(zel::sim::StoredFile::ScanData)->size());
    state.counters["reports_per_scan"] =
        static_cast<double>(reports) / static_cast<double>(state.iterations());
    // Four one-report commands with one-report answers, then the scan file in 508-byte chunks.
    state.counters["scan_file_reports"] = 4 * 2 + (fileSize + 507) / 508 * 9;
}
BENCHMARK(BM_ModuleScan)->Unit(benchmark::kMicrosecond);

// The same, with a module that stores every scan 100 ms after the scan time it reports: the
// extra fetches are the wire cost of a slow module.
void BM_ModuleScanSlowBy100ms(benchmark::State& state)
{
    Module module = Module::open_virtual(instant());
    VirtualModule& model = modelOf(module);
    module.scan(0);
    zel::sim::Fault slow;
    slow.kind = zel::sim::FaultKind::SlowScan;
    slow.value = 100;
    model.injectFault(slow);
    uint64_t reports = 0;
    for (auto _ : state) {
        const uint64_t before = reportsMoved(model);
        benchmark::DoNotOptimize(module.scan(0));
        reports += reportsMoved(model) - before;
    }
    state.counters["reports_per_scan"] =
        static_cast<double>(reports) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ModuleScanSlowBy100ms)->Unit(benchmark::kMicrosecond);

// Baseline: the module alone, fed the output reports of one Module::scan.
void BM_ModuleAloneForAScan(benchmark::State& state)
{
    std::vector<zel::sim::Report> requests;
    {
        Module module = Module::open_virtual(instant());
        VirtualModule& model = modelOf(module);
        module.scan(0);
        const uint64_t before = model.counters().reportsIn;
        module.scan(0);
        const auto count = static_cast<std::size_t>(model.counters().reportsIn - before);
        requests.assign(model.lastReportsIn().end() - static_cast<std::ptrdiff_t>(count),
                        model.lastReportsIn().end());
    }
    VirtualModule module;
    for (auto _ : state) {
        for (const zel::sim::Report& report : requests) {
            module.receive(report);
            while (auto answer = module.takeReport()) {
                benchmark::DoNotOptimize(*answer);
            }
        }
    }
    state.counters["requests_replayed"] = static_cast<double>(requests.size());
}
BENCHMARK(BM_ModuleAloneForAScan)->Unit(benchmark::kMicrosecond);

zel::VirtualOptions realtime(const char* serial)
{
    zel::VirtualOptions options;
    options.serial = serial;
    return options;
}

void BM_OneRealtimeScan(benchmark::State& state)
{
    Module module = Module::open_virtual(realtime("ZELA0001"));
    module.scan(0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(module.scan(0));
    }
}
BENCHMARK(BM_OneRealtimeScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

void BM_TwoRealtimeScansOnTwoThreads(benchmark::State& state)
{
    Module first = Module::open_virtual(realtime("ZELA0001"));
    Module second = Module::open_virtual(realtime("ZELB0002"));
    first.scan(0);
    second.scan(0);
    for (auto _ : state) {
        std::thread other([&] { benchmark::DoNotOptimize(second.scan(0)); });
        benchmark::DoNotOptimize(first.scan(0));
        other.join();
    }
}
BENCHMARK(BM_TwoRealtimeScansOnTwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

}  // namespace
