// zel set: the module's lamp, gain, averaging, push-button and Bluetooth radio.
#include <CLI/CLI.hpp>

#include <memory>

#include "cli/cli.h"

namespace zel::cli {

namespace {

// `zel set NAME on|off`, through `apply(module, on)`.
void add_switch(CLI::App& set, const Globals& globals, Action& action, const std::string& name,
                const std::string& description, void (Module::*apply)(bool))
{
    CLI::App* sub = set.add_subcommand(name, description);
    auto state = std::make_shared<std::string>();
    sub->add_option(name, *state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    sub->callback([&globals, &action, name, apply, state] {
        action = [&globals, name, apply, state] {
            Module module = open_module(globals);
            (module.*apply)(*state == "on");
        };
    });
}

// `zel set NAME N`, through `apply(module, n)`.
void add_number(CLI::App& set, const Globals& globals, Action& action, const std::string& name,
                const std::string& description, const CLI::Validator& accepted,
                void (Module::*apply)(int))
{
    CLI::App* sub = set.add_subcommand(name, description);
    auto value = std::make_shared<int>();
    sub->add_option(name, *value, "The new value")->required()->check(accepted);
    sub->callback([&globals, &action, name, apply, value] {
        action = [&globals, name, apply, value] {
            Module module = open_module(globals);
            (module.*apply)(*value);
        };
    });
}

}  // namespace

void add_set(CLI::App& app, const Globals& globals, Action& action)
{
    CLI::App* set = app.add_subcommand("set", "Change one setting of the module");
    set->require_subcommand(1);
    const std::span<const int> gains = Module::accepted_gains();
    add_switch(*set, globals, action, "lamp", "Switch the lamp on or off", &Module::set_lamp);
    add_number(*set, globals, action, "gain", "Set the amplifier gain",
               CLI::IsMember(std::vector<int>(gains.begin(), gains.end())), &Module::set_gain);
    add_number(*set, globals, action, "average",
               "Set the scans the module averages into each (1-65535)", CLI::Range(1, 65535),
               &Module::set_averaging);
    add_switch(*set, globals, action, "bluetooth", "Switch the Bluetooth radio on or off",
               &Module::set_bluetooth);
    add_switch(*set, globals, action, "button", "Enable or disable the push-button",
               &Module::set_button_enabled);
}

}  // namespace zel::cli
