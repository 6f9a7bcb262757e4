// The `zel` command-line tool: its subcommands, the options they share, and how a failed step
// is reported.
//
// Each subcommand is added to the application by one add_* function. Parsing only records what
// to do (the Action); main runs it after the whole command line was accepted, so a usage error
// never leaves a half-done command behind. A failed step throws zel::Error, whose message names
// the step and the status text; main prints it as one line. Exit status: 0 success, 1 a module
// or I/O step failed, 2 a usage error.
#ifndef ZEL_CLI_CLI_H
#define ZEL_CLI_CLI_H

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "device/error.h"
#include "device/module.h"

namespace CLI {
class App;
}

namespace zel::cli {

// Options of the main command, read by every subcommand.
struct Globals {
    bool use_virtual = false;
    uint64_t seed = 1;
    std::string sample = "default";
    std::string serial;  // empty: the first attached module
    bool json = false;   // list, info and configs: JSON instead of a table
};

// What the parsed command line asks for; empty until a subcommand was parsed.
using Action = std::function<void()>;

void add_list(CLI::App& app, const Globals& globals, Action& action);
void add_info(CLI::App& app, const Globals& globals, Action& action);
void add_configs(CLI::App& app, const Globals& globals, Action& action);
void add_scan(CLI::App& app, const Globals& globals, Action& action);
void add_set(CLI::App& app, const Globals& globals, Action& action);
void add_serve(CLI::App& app, const Globals& globals, Action& action);

// A usage error found after parsing (exit status 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The module the global options name: the virtual one, the one with the serial, or the first.
Module open_module(const Globals& globals);

// Writes `text` to standard output; ZEL_E_IO when that fails.
void print(std::string_view text);

// Rows of cells as left-aligned columns two spaces apart, one line per row.
std::string table(const std::vector<std::vector<std::string>>& rows);

}  // namespace zel::cli

#endif
