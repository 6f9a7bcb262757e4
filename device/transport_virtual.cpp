// Module objects over an in-process virtual module.
#include <algorithm>
#include <cstring>

#include "device/transport.h"

namespace zel::device {

VirtualTransport::VirtualTransport(sim::ModuleIdentity identity, bool realtime)
    : module_(std::move(identity)), realtime_(realtime)
{
}

bool VirtualTransport::pass(uint64_t milliseconds)
{
    elapsedMs_ += milliseconds;
    module_.elapse(milliseconds);
    if (realtime_) {
        return waitFor(std::chrono::milliseconds(milliseconds));
    }
    return !cancelled();
}

int32_t VirtualTransport::write(const uint8_t* report)
{
    // As on a full-speed interrupt endpoint: a report a millisecond.
    if (disconnected() || !pass(1)) {
        return -1;
    }
    module_.receive(std::span<const uint8_t, sim::kReportSize>(report + 1, sim::kReportSize));
    return static_cast<int32_t>(sim::kReportSize + 1);
}

int32_t VirtualTransport::take(uint8_t* buffer)
{
    const std::optional<sim::Report> report = module_.takeReport();
    if (!report) {
        return 0;
    }
    if (!pass(1)) {
        return -1;
    }
    std::memcpy(buffer, report->data(), report->size());
    return static_cast<int32_t>(report->size());
}

int32_t VirtualTransport::read(uint8_t* buffer)
{
    if (disconnected()) {
        return -1;
    }
    if (const int32_t got = take(buffer); got != 0) {
        return got;
    }
    // The module answers as it receives, so nothing comes later: the whole time-out passes.
    if (!pass(static_cast<uint64_t>(kReadTimeout.count()))) {
        return -1;
    }
    module_.readTimedOut();
    return 0;
}

int32_t VirtualTransport::readPending(uint8_t* buffer)
{
    return disconnected() ? -1 : take(buffer);
}

void VirtualTransport::sleep(uint32_t milliseconds)
{
    pass(milliseconds);
}

}  // namespace zel::device
