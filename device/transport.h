// Transports of module objects: the system's HID library, or an in-process virtual module. Both
// can be cancelled from another thread and notice a module that went away.
#ifndef ZEL_DEVICE_TRANSPORT_H
#define ZEL_DEVICE_TRANSPORT_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "device/module.h"
#include "protocol/link.h"
#include "sim/virtual_module.h"

namespace zel::device {

// A blocked read or wait returns as soon as cancel() is called; after a failed report write or
// read the transport counts as disconnected and refuses everything from then on.
class ModuleTransport : public protocol::Transport {
public:
    void cancel();
    // Forgets an earlier cancel; called as each call on the module object begins.
    void clearCancel();
    bool cancelled() const { return cancelled_.load(); }
    bool disconnected() const { return disconnected_.load(); }

protected:
    void markDisconnected();
    // Waits `duration` of real time; false when cancelled or unplugged first.
    bool waitFor(std::chrono::milliseconds duration);

private:
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> disconnected_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

// How long a read waits for a report the module owes, as the module table's link does.
inline constexpr std::chrono::milliseconds kReadTimeout{10000};

// The HID interface at `path`, through the hid_* functions the executable links. Throws
// zel::Error: ZEL_E_PERMISSION when the device node may not be opened, ZEL_E_OPEN otherwise.
std::unique_ptr<ModuleTransport> openHidTransport(const std::string& path);

// The HID interfaces of the module's vendor.
std::vector<ModuleInfo> enumerateHid();

// An in-process virtual module. In real time, a scan takes its scan time and every report a
// millisecond; otherwise time passes on the transport's own clock only.
class VirtualTransport final : public ModuleTransport {
public:
    VirtualTransport(sim::ModuleIdentity identity, bool realtime);

    int32_t write(const uint8_t* report) override;
    int32_t read(uint8_t* buffer) override;
    int32_t readPending(uint8_t* buffer) override;
    void sleep(uint32_t milliseconds) override;

    sim::VirtualModule& module() { return module_; }
    void unplug() { markDisconnected(); }
    // Milliseconds that have passed for this module (its own clock when not in real time).
    uint64_t elapsedMs() const { return elapsedMs_; }

private:
    bool pass(uint64_t milliseconds);
    int32_t take(uint8_t* buffer);

    sim::VirtualModule module_;
    bool realtime_;
    uint64_t elapsedMs_ = 0;
};

}  // namespace zel::device

#endif
