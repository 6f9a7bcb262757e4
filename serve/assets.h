// The viewer's page and the plotting library, compiled into the program at build time.
#ifndef ZEL_SERVE_ASSETS_H
#define ZEL_SERVE_ASSETS_H

#include <span>
#include <string_view>

namespace zel::serve {

struct Asset {
    std::string_view path;  // the URL path: "/", "/app.js", ...
    std::string_view content_type;
    std::string_view body;
};

// Every embedded file (generated from serve/web by the build).
std::span<const Asset> embedded_assets();

// The file served at `path`, or null.
const Asset* find_asset(std::string_view path);

}  // namespace zel::serve

#endif
