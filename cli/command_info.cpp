// zel info: identity, sensors and controls of one module.
#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cli/cli.h"

namespace zel::cli {

namespace {

const char* on_off(bool on)
{
    return on ? "on" : "off";
}

void run_info(const Globals& globals)
{
    Module module = open_module(globals);
    const ModuleInfo& where = module.info();
    const std::string serial = module.serial();
    const std::string uuid = module.uuid();
    const Sensors sensors = module.sensors();
    const bool lamp = module.lamp();
    const int gain = module.gain();
    const bool button = module.button_enabled();
    const int presses = module.button_presses();
    const bool bluetooth = module.bluetooth();

    if (globals.json) {
        const nlohmann::ordered_json info = {
            {"serial", serial},
            {"uuid", uuid},
            {"path", where.path},
            {"vendor_id", where.vendor_id},
            {"product_id", where.product_id},
            {"temperature_c", sensors.temperature_c},
            {"humidity_pct", sensors.humidity_pct},
            {"battery_v", sensors.battery_v},
            {"battery_pct", sensors.battery_pct},
            {"lamp", lamp},
            {"gain", gain},
            // The module cannot be asked, and this process set nothing.
            {"averaging", nullptr},
            {"button_enabled", button},
            {"button_presses", presses},
            {"bluetooth", bluetooth},
        };
        print(info.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
        return;
    }
    print(table({
        {"serial", serial},
        {"uuid", uuid},
        {"path", where.path},
        {"temperature", fmt::format("{:.2f} °C", sensors.temperature_c)},
        {"humidity", fmt::format("{:.2f} %", sensors.humidity_pct)},
        {"battery", fmt::format("{:.2f} V, {:.2f} %", sensors.battery_v, sensors.battery_pct)},
        {"lamp", on_off(lamp)},
        {"gain", fmt::format("{}", gain)},
        {"averaging", "unknown (the module does not report it)"},
        {"button", fmt::format("{}, pressed {} times", button ? "enabled" : "disabled", presses)},
        {"bluetooth", on_off(bluetooth)},
    }));
}

}  // namespace

void add_info(CLI::App& app, const Globals& globals, Action& action)
{
    CLI::App* info = app.add_subcommand(
        "info", "Show the module's identity, sensors (°C, %, V), lamp, gain, push-button and "
                "Bluetooth radio (the averaging is shown as unknown: the module does not report "
                "it)");
    info->callback([&] { action = [&] { run_info(globals); }; });
}

}  // namespace zel::cli
