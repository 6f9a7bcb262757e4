// zelGetScanResults on the virtual module: host CPU time per scan against the wire time of the
// reports it moves (1 ms each, as on a full-speed interrupt endpoint), and the report count against
// the least the protocol allows.
//
// The measured time of a call includes the virtual module's own work (rendering and serializing
// the scan). The baseline replays the same output reports straight into a fresh module, without
// the library; the difference is the host's share.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "api/zel.h"
#include "sim/hid_backend.h"

namespace {

using zel::sim::VirtualModule;

constexpr double kWireMsPerReport = 1.0;
constexpr int kChunkCapacity = 580;  // the host's staging buffer: no chunk may be longer
constexpr int kReportBytes = 64;
constexpr int kReplyHeader = 4;

// Reports of the least costly transfer of `fileSize` bytes: each chunk is one request report and
// ceil((length + 4) / 64) reply reports, with chunks of at most kChunkCapacity bytes.
uint64_t leastFileReports(int fileSize)
{
    std::vector<uint64_t> least(static_cast<size_t>(fileSize) + 1,
                                std::numeric_limits<uint64_t>::max());
    least[0] = 0;
    for (int done = 1; done <= fileSize; ++done) {
        for (int chunk = 1; chunk <= std::min(done, kChunkCapacity); ++chunk) {
            const uint64_t cost = 1 + static_cast<uint64_t>((chunk + kReplyHeader + kReportBytes - 1) /
                                                            kReportBytes);
            least[static_cast<size_t>(done)] =
                std::min(least[static_cast<size_t>(done)], least[static_cast<size_t>(done - chunk)] + cost);
        }
    }
    return least[static_cast<size_t>(fileSize)];
}

uint64_t reportsMoved(const VirtualModule& module)
{
    return module.counters().reportsIn + module.counters().reportsOut;
}

VirtualModule& openModule()
{
    zelClose(0);
    zel::sim::detachAll();
    VirtualModule& module = zel::sim::attachModule();
    zelInitUsb();
    zelOpenByUsb(0);
    return module;
}

void BM_GetScanResults(benchmark::State& state)
{
    VirtualModule& module = openModule();
    scanResults results;
    uint64_t reports = 0;
    for (auto _ : state) {
        const uint64_t before = reportsMoved(module);
        if (zelGetScanResults(&results) != ZEL_OK) {
            state.SkipWithError("scan failed");
            break;
        }
        reports += reportsMoved(module) - before;
        benchmark::DoNotOptimize(results);
    }
    const auto scans = static_cast<double>(state.iterations());
    const double perScan = static_cast<double>(reports) / scans;
    // Five one-report commands with one-report answers, then the file.
    const int fileSize = static_cast<int>(module.storedFile(zel::sim::StoredFile::ScanData)->size());
    state.counters["reports_per_scan"] = perScan;
    state.counters["least_reports"] = static_cast<double>(5 * 2 + leastFileReports(fileSize));
    state.counters["file_bytes"] = fileSize;
    state.counters["wire_ms_per_scan"] = perScan * kWireMsPerReport;
    zelClose(0);
}
BENCHMARK(BM_GetScanResults)->Unit(benchmark::kMicrosecond);

// Baseline: the module alone, fed the output reports of one zelGetScanResults.
void BM_ModuleAlone(benchmark::State& state)
{
    VirtualModule& recorder = openModule();
    scanResults results;
    zelGetScanResults(&results);
    const std::vector<zel::sim::Report> requests(recorder.lastReportsIn().begin(),
                                                 recorder.lastReportsIn().end());
    zelClose(0);
    zel::sim::detachAll();

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
BENCHMARK(BM_ModuleAlone)->Unit(benchmark::kMicrosecond);

} // namespace
