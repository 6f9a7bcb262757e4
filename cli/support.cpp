#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include <fmt/format.h>

#include "cli/cli.h"

namespace zel::cli {

Module open_module(const Globals& globals)
{
    if (globals.use_virtual) {
        VirtualOptions options;
        // The one virtual module is attached under its own serial number.
        if (!globals.serial.empty() && globals.serial != options.serial) {
            throw Error(ZEL_E_NO_MODULE, fmt::format("opening module {}: {}", globals.serial,
                                                     status_text(ZEL_E_NO_MODULE)));
        }
        options.seed = globals.seed;
        options.sample = globals.sample;
        options.realtime = true;
        return Module::open_virtual(options);
    }
    return globals.serial.empty() ? Module::open() : Module::open_serial(globals.serial);
}

void print(std::string_view text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        throw Error(ZEL_E_IO,
                    "writing standard output: " + std::generic_category().message(errno));
    }
}

std::string table(const std::vector<std::vector<std::string>>& rows)
{
    // Width in characters, not bytes: names and units may be UTF-8.
    const auto width = [](const std::string& cell) {
        std::size_t n = 0;
        for (unsigned char c : cell) {
            n += (c & 0xc0) != 0x80;
        }
        return n;
    };
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], width(row[c]));
        }
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            // Text from the module stays in its cell.
            for (char ch : row[c]) {
                line += static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f ? '?' : ch;
            }
            if (c + 1 < row.size()) {
                line.append(widths[c] - width(row[c]) + 2, ' ');
            }
        }
        out += line + '\n';
    }
    return out;
}

}  // namespace zel::cli
