// zel: the spectrometer module from the shell. See `zel --help`.
#include <cstdio>
#include <exception>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "device/version.h"

namespace {

// One line, however the message was written.
std::string one_line(std::string text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

int fail(int status, const std::string& message)
{
    std::fprintf(stderr, "zel: %s\n", one_line(message).c_str());
    return status;
}

// Where the options of the command that was given are explained.
std::string help_hint(const CLI::App& app)
{
    std::string command = "zel";
    for (const CLI::App* at = &app; !at->get_subcommands().empty();) {
        at = at->get_subcommands().front();
        command += " " + at->get_name();
    }
    return " (see " + command + " --help)";
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace zel::cli;
    CLI::App app("Drives a near-infrared spectrometer module: lists, inspects, configures and "
                 "scans, and writes spectra as CSV, JSON or JCAMP-DX.",
                 "zel");
    app.set_version_flag("--version", "zel " ZEL_VERSION_STRING);
    app.footer("Global options may stand before or after the subcommand. Exit status: 0 "
               "success, 1 a module or file step failed (one line on standard error), 2 a "
               "usage error.");
    app.require_subcommand(1);
    app.fallthrough();

    Globals globals;
    CLI::Option* use_virtual = app.add_flag(
        "--virtual", globals.use_virtual,
        "Use an in-process virtual module (it paces itself in real time) instead of hardware");
    app.add_option("--seed", globals.seed, "Noise and sensor seed of the virtual module")
        ->needs(use_virtual);
    app.add_option("--sample", globals.sample, "Sample under the virtual module's window")
        ->needs(use_virtual)
        ->check(CLI::IsMember(zel::virtual_samples()));
    app.add_option("-m,--module", globals.serial, "The module with this serial number");
    app.add_flag("--json", globals.json, "list, info, configs: JSON instead of a table");

    Action action;
    add_list(app, globals, action);
    add_info(app, globals, action);
    add_configs(app, globals, action);
    add_scan(app, globals, action);
    add_set(app, globals, action);
    add_serve(app, globals, action);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // A misspelt command otherwise reads as a missing one.
        const std::vector<std::string> rest = app.remaining();
        const bool unknown = app.get_subcommands().empty() && !rest.empty();
        return fail(2, (unknown ? "unknown command " + rest.front() : std::string(e.what())) +
                           help_hint(app));
    }
    try {
        action();
    } catch (const UsageError& e) {
        return fail(2, std::string(e.what()) + help_hint(app));
    } catch (const std::exception& e) {
        return fail(1, e.what());
    }
    return 0;
}
