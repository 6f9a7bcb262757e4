// zel configs: the scan configurations stored in the module.
#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cli/cli.h"

namespace zel::cli {

namespace {

void run_configs(const Globals& globals)
{
    Module module = open_module(globals);
    const std::vector<Configuration> configs =
        module.configurations();

    if (globals.json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Configuration& c : configs) {
            nlohmann::ordered_json sections = nlohmann::ordered_json::array();
            for (const Section& s : c.sections) {
                sections.push_back({{"kind", to_string(s.kind)},
                                    {"start_nm", s.start_nm},
                                    {"end_nm", s.end_nm},
                                    {"width_px", s.width_px},
                                    {"patterns", s.patterns}});
            }
            list.push_back({{"index", c.index},
                            {"name", c.name},
                            {"kind", to_string(c.kind)},
                            {"start_nm", c.start_nm},
                            {"end_nm", c.end_nm},
                            {"width_px", c.width_px},
                            {"points", c.points},
                            {"repeats", c.repeats},
                            {"scan_time_s", c.scan_time_s},
                            {"sections", std::move(sections)}});
        }
        print(list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
        return;
    }
    std::vector<std::vector<std::string>> rows{
        {"index", "name", "kind", "range (nm)", "width", "points", "scan time (s)"}};
    for (const Configuration& c : configs) {
        rows.push_back({fmt::format("{}", c.index), c.name, std::string(to_string(c.kind)),
                        fmt::format("{:.1f}-{:.1f}", c.start_nm, c.end_nm),
                        fmt::format("{}", c.width_px), fmt::format("{}", c.points),
                        fmt::format("{:.3f}", c.scan_time_s)});
    }
    print(table(rows));
}

}  // namespace

void add_configs(CLI::App& app, const Globals& globals, Action& action)
{
    CLI::App* configs = app.add_subcommand(
        "configs", "List the module's scan configurations: index, name, kind, wavelength range "
                   "(nm), pattern width (pixels), points, expected scan time at the current "
                   "averaging");
    configs->callback([&] { action = [&] { run_configs(globals); }; });
}

}  // namespace zel::cli
