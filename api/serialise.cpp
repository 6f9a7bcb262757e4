#include "api/serialise.h"

namespace zel::api {

std::unique_lock<std::mutex> serialise()
{
    static std::mutex apiMutex;
    return std::unique_lock<std::mutex>(apiMutex);
}

}  // namespace zel::api
