// The zel tool end to end (process start to exit) against the same work done in-process by the
// application API, on a virtual module that paces itself in real time; the difference is the
// tool's own share (start-up, option parsing, rendering, writing the file, exit):
// - `zel scan --virtual -o FILE` against open_virtual + scan + render_csv + AtomicFile;
// - `zel --version`, the cost of starting the program at all;
// - the three renderings of one scan against copying the spectrum.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "device/module.h"
#include "formats/formats.h"

extern char** environ;

namespace {

const std::string kOutput = "/tmp/zel-bench-cli.csv";

// Runs the tool with `arguments`, its output to /dev/null; false when it failed.
bool run_tool(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), ZEL_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, ZEL_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void BM_ToolVersion(benchmark::State& state)
{
    for (auto _ : state) {
        if (!run_tool({"--version"})) {
            state.SkipWithError("zel --version failed");
        }
    }
}
BENCHMARK(BM_ToolVersion)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ToolScanToFile(benchmark::State& state)
{
    for (auto _ : state) {
        if (!run_tool({"scan", "--virtual", "-o", kOutput})) {
            state.SkipWithError("zel scan failed");
        }
    }
    unlink(kOutput.c_str());
}
BENCHMARK(BM_ToolScanToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The baseline: what the tool asks of the API, in this process.
void BM_ApiScanToFile(benchmark::State& state)
{
    for (auto _ : state) {
        zel::Module module = zel::Module::open_virtual();
        zel::formats::AtomicFile file(kOutput);
        file.commit(zel::formats::render_csv(module.scan(0)));
    }
    unlink(kOutput.c_str());
}
BENCHMARK(BM_ApiScanToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

const zel::Spectrum& oneScan()
{
    static const zel::Spectrum spectrum = [] {
        zel::VirtualOptions options;
        options.realtime = false;
        return zel::Module::open_virtual(options).scan(0);
    }();
    return spectrum;
}

void BM_CopySpectrum(benchmark::State& state)
{
    const zel::Spectrum& spectrum = oneScan();
    for (auto _ : state) {
        zel::Spectrum copy = spectrum;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_CopySpectrum)->Unit(benchmark::kMicrosecond);

void BM_Render(benchmark::State& state)
{
    const zel::Spectrum& spectrum = oneScan();
    const auto format = static_cast<zel::formats::Format>(state.range(0));
    state.SetLabel(std::string(zel::formats::to_string(format)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(zel::formats::render(spectrum, format));
    }
}
BENCHMARK(BM_Render)
    ->Arg(static_cast<int>(zel::formats::Format::Csv))
    ->Arg(static_cast<int>(zel::formats::Format::Json))
    ->Arg(static_cast<int>(zel::formats::Format::Jcamp))
    ->Unit(benchmark::kMicrosecond);

}  // namespace
