// The device end of one emulated hidraw node: serves a virtual module to the process that opens
// the node, with the semantics of the kernel's hidraw driver for a device that has one unnumbered
// 64-byte input report and one unnumbered 64-byte output report.
//
// - A write must be 65 bytes, report number 0 first; the 64 bytes after it go to the module.
// - A read returns exactly one input report (cut to the length asked for), oldest first; with
//   none queued it fails with EAGAIN at once. poll() on the node tells when one is queued.
// - Opening the node starts with nothing queued and nothing half-received, as a new hidraw file
//   does.
// - The identification ioctls (descriptor size and descriptor, raw info, name, phys, uniq) are
//   answered; feature, input and output report ioctls fail with EPIPE, others with ENOTTY.
//
// umockdev calls the handler on its worker thread; the module is reached through withModule()
// from any thread, under the same lock.
#ifndef ZEL_SIM_HIDRAW_HIDRAW_ENDPOINT_H
#define ZEL_SIM_HIDRAW_HIDRAW_ENDPOINT_H

#include <umockdev.h>

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

#include "sim/hidraw/glib_handle.h"
#include "sim/hidraw/unique_fd.h"
#include "sim/virtual_module.h"

namespace zel::sim::hidraw {

// What the identification ioctls report.
struct NodeIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string name;
    std::string phys;
    std::string uniq;
};

class HidrawEndpoint {
public:
    // `masterFd` is the PTY master behind the node (owned by the testbed); `slavePath` its slave.
    HidrawEndpoint(ModuleIdentity id, NodeIdentity node, int masterFd, const std::string& slavePath);
    ~HidrawEndpoint();
    HidrawEndpoint(const HidrawEndpoint&) = delete;
    HidrawEndpoint& operator=(const HidrawEndpoint&) = delete;

    // The handler to attach to the node.
    UMockdevIoctlBase* handler() const { return handler_.get(); }

    template <typename F>
    decltype(auto) withModule(F&& f)
    {
        std::lock_guard lock(mutex_);
        return std::forward<F>(f)(module_);
    }

    // Input reports waiting to be read.
    std::size_t queuedReports();

private:
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static gboolean onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);

    void answerIoctl(UMockdevIoctlClient* client);
    void answerRead(UMockdevIoctlClient* client);
    void answerWrite(UMockdevIoctlClient* client);
    void startOver();

    // The PTY carries one byte per queued report, so that poll() on the client's descriptor
    // sees what is queued; the reports themselves never pass through the byte stream.
    void signalQueued();
    void consumeSignal();

    std::mutex mutex_;
    VirtualModule module_;
    const NodeIdentity node_;
    std::deque<Report> inputs_;
    std::size_t unsignalled_ = 0;  // queued reports whose byte the full PTY did not take yet
    const int masterFd_;
    UniqueFd slaveFd_;
    GObjectHandle<UMockdevIoctlBase> handler_;
};

} // namespace zel::sim::hidraw

#endif
