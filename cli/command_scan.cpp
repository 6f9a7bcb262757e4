// zel scan: one spectrum (the mean of --repeat scans), written as CSV, JSON or JCAMP-DX.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <limits>
#include <memory>
#include <optional>

#include "cli/cli.h"
#include "cli/progress.h"
#include "formats/formats.h"

namespace zel::cli {

namespace {

struct ScanArguments {
    int config = 0;
    int average = 0;  // 0: as the module is
    int repeat = 1;
    std::string quantity;  // empty: the format's default columns
    std::string format;    // empty: from the file's suffix, else CSV
    std::string output;  // empty or "-": standard output
};

void run_scan(const Globals& globals, const ScanArguments& args)
{
    if (globals.json) {
        throw UsageError("--json applies to list, info and configs; scan takes --format json");
    }
    const bool to_file = !args.output.empty() && args.output != "-";
    // An explicit --format wins; then the file's suffix; CSV otherwise.
    const formats::Format format =
        formats::format_from_name(args.format)
            .value_or((to_file ? formats::format_from_path(args.output) : std::nullopt)
                          .value_or(formats::Format::Csv));
    const std::optional<Quantity> quantity = quantity_from_string(args.quantity);

    // Made first, so that an unwritable path fails before the scan.
    std::optional<formats::AtomicFile> file;
    if (to_file) {
        file.emplace(args.output);
    }
    Module module = open_module(globals);
    if (args.average > 0) {
        module.set_averaging(args.average);
    }
    Spectrum spectrum;
    {
        Progress progress;
        ScanOptions options;
        options.repeats = args.repeat;
        options.progress = [&](int done, int total) { progress.show(done, total); };
        progress.show(0, args.repeat);
        spectrum = module.scan(args.config, options);
    }
    const std::string text = formats::render(spectrum, format, quantity);
    if (file) {
        file->commit(text);
    } else {
        print(text);
    }
}

}  // namespace

void add_scan(CLI::App& app, const Globals& globals, Action& action)
{
    CLI::App* scan = app.add_subcommand(
        "scan", "Scan and write the spectrum (default: CSV of wavelength, intensity, reference "
                "and reflectance on standard output)");
    auto args = std::make_shared<ScanArguments>();
    scan->add_option("-c,--config", args->config, "Index of the scan configuration")
        ->check(CLI::Range(0, std::numeric_limits<int>::max()))
        ->capture_default_str();
    scan->add_option("-a,--average", args->average,
                     "Scans the module averages into each (1-65535); default: as the module is")
        ->check(CLI::Range(1, 65535));
    scan->add_option("-r,--repeat", args->repeat,
                     "Scans averaged on the host; more than one adds the standard deviation")
        ->check(CLI::Range(1, std::numeric_limits<int>::max()))
        ->capture_default_str();
    scan->add_option("-q,--quantity", args->quantity,
                     "Write only this quantity beside the wavelength (JCAMP-DX: the one it "
                     "carries, reflectance by default)")
        ->check(CLI::IsMember({"intensity", "reference", "reflectance", "absorbance"}));
    scan->add_option("-f,--format", args->format,
                     "Output format; default: from the file's suffix (.csv, .json, .jdx, .dx, "
                     ".jcamp), else CSV")
        ->check(CLI::IsMember({"csv", "json", "jcamp"}));
    scan->add_option("-o,--output", args->output,
                     "Write to FILE (replaced only when the whole spectrum is written) instead "
                     "of standard output")
        ->type_name("FILE");
    scan->callback([&, args] { action = [&, args] { run_scan(globals, *args); }; });
}

}  // namespace zel::cli
