#include "device/transport.h"

namespace zel::device {

void ModuleTransport::cancel()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        cancelled_.store(true);
    }
    wake_.notify_all();
}

void ModuleTransport::markDisconnected()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        disconnected_.store(true);
    }
    wake_.notify_all();
}

void ModuleTransport::clearCancel()
{
    cancelled_.store(false);
}

bool ModuleTransport::waitFor(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, duration,
                           [this] { return cancelled_.load() || disconnected_.load(); });
}

}  // namespace zel::device
