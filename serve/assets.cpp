#include "serve/assets.h"

namespace zel::serve {

const Asset* find_asset(std::string_view path)
{
    for (const Asset& asset : embedded_assets()) {
        if (asset.path == path) {
            return &asset;
        }
    }
    return nullptr;
}

}  // namespace zel::serve
