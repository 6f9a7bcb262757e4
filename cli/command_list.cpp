// zel list: the attached modules.
#include <cstdio>

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cli/cli.h"

namespace zel::cli {

namespace {

void run_list(const Globals& globals)
{
    std::vector<ModuleInfo> modules;
    if (globals.use_virtual) {
        modules.push_back(open_module(globals).info());
    } else {
        modules = list_modules();
    }
    if (modules.empty()) {
        std::fputs("zel: no module is attached\n", stderr);
    }
    if (globals.json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const ModuleInfo& m : modules) {
            list.push_back({{"serial", m.serial},
                            {"vendor_id", m.vendor_id},
                            {"product_id", m.product_id},
                            {"path", m.path}});
        }
        print(list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
        return;
    }
    if (modules.empty()) {
        return;
    }
    std::vector<std::vector<std::string>> rows{{"serial", "vendor", "product", "path"}};
    for (const ModuleInfo& m : modules) {
        rows.push_back({m.serial, fmt::format("{:04x}", m.vendor_id),
                        fmt::format("{:04x}", m.product_id), m.path});
    }
    print(table(rows));
}

}  // namespace

void add_list(CLI::App& app, const Globals& globals, Action& action)
{
    CLI::App* list = app.add_subcommand(
        "list", "List the attached modules: serial number, USB vendor and product id, HID path "
                "(none attached: nothing on standard output, a note on standard error, exit 0)");
    list->callback([&] { action = [&] { run_list(globals); }; });
}

}  // namespace zel::cli
