// What a module object holds, and how each of its calls runs: under the object's lock, on its
// own link bound to the calling thread, with the libraries' diagnostic lines captured.
#ifndef ZEL_DEVICE_MODULE_IMPL_H
#define ZEL_DEVICE_MODULE_IMPL_H

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/module.h"
#include "device/transport.h"
#include "protocol/link.h"

namespace zel {

struct Module::Impl {
    Impl(std::unique_ptr<device::ModuleTransport> transport, ModuleInfo info);

    // Runs `body` as one call of the object; every failure leaves as zel::Error.
    template <typename Body>
    auto call(Body&& body) -> decltype(body())
    {
        const std::lock_guard<std::mutex> lock(mutex);
        Call active(*this);
        try {
            return body();
        } catch (const Error& error) {
            throw active.failure(error.code(), error.what());
        }
    }

    // Keeps the scan data file the module holds now, if any, so that the first scan is told
    // from it. A module without one (or failing to hand it out) leaves nothing to compare.
    void rememberStoredScan();

    // Throws for a negative exchange status: `step` says what was being done.
    void check(int32_t status, const char* step) const;
    [[noreturn]] void fail(int code, const std::string& step) const;

    // The active call: binds the link, captures diagnostics, clears an earlier cancel.
    class Call {
    public:
        explicit Call(Impl& impl);
        ~Call();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;
        Error failure(int code, const std::string& message) const;

    private:
        Impl& impl_;
        protocol::LinkBinding binding_;
    };

    std::mutex mutex;
    std::unique_ptr<device::ModuleTransport> transport;
    device::VirtualTransport* virtualTransport = nullptr;  // the same object, when virtual
    protocol::OwnedLink link;
    ModuleInfo info;
    std::vector<std::string> diagnostics;  // of the active call

    int averaging = 1;
    int staleScanRetries = 8;
    std::optional<std::vector<Configuration>> configurations;
    int scanTimesAveraging = 0;  // the averaging the configurations' scan times were read at
    // The factory reference files, read once: they never change.
    std::optional<std::vector<uint8_t>> referenceScan;
    std::optional<std::vector<uint8_t>> referenceMatrix;
    // The scan data file as last fetched, to tell a new scan from the previous one.
    std::vector<uint8_t> lastScanFile;
    // Set after a scan gave up on a slow module: its data may still land, so the next scan
    // first remembers what the module holds.
    bool resyncStoredScan = false;
};

}  // namespace zel

#endif
