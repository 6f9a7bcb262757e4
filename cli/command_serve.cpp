// zel serve: the live viewer in a browser (serve/serve.h).
#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "serve/serve.h"

namespace zel::cli {

void add_serve(CLI::App& app, const Globals& globals, Action& action)
{
    CLI::App* serve = app.add_subcommand(
        "serve",
        "Serve a live spectrum viewer to a browser until interrupted (Ctrl-C). It prints the "
        "address to open, with the access token it requires; it answers only on the bound "
        "address and to the names localhost and that address");
    auto options = std::make_shared<zel::serve::Options>();
    serve->add_option("--port", options->port, "TCP port; 0 (the default) takes a free one")
        ->check(CLI::Range(0, 65535));
    serve->add_option("--bind", options->bind,
                      "Address to listen on (default 127.0.0.1: this machine only; 0.0.0.0 "
                      "lets other machines connect)");
    serve->callback([&globals, &action, options] {
        action = [&globals, options] {
            options->virtual_module = globals.use_virtual;
            options->serial = globals.serial;
            options->virtual_seed = globals.seed;
            options->virtual_sample = globals.sample;
            zel::serve::run(*options);
        };
    });
}

}  // namespace zel::cli
