// zel::Module: one opened spectrometer module as an object.
//
// Threads: every call on one Module is serialised by the object, so any number of threads may
// share it; calls on two Modules run in parallel (a scan on one never waits for the other).
// cancel() may be called from any thread while another call blocks.
//
// Blocking: calls are synchronous. A command waits at most 10 s for each report the module owes;
// a scan also waits for the scan time the module reports; set_bluetooth waits 2 s.
//
// Errors: every failure throws zel::Error with one of the ZEL_E_* codes of device/status.h, its
// text, and the diagnostic lines the libraries produced during the call. Module objects print
// nothing.
//
// Stale scans: a scan's stored data is compared with the data fetched for the previous scan of
// the same object (at open, the module's stored scan file, if any, is remembered). When the
// module hands out the old data again, the object waits a fraction of the scan time (growing)
// and fetches again, up to `stale_scan_retries()` times; past that the scan fails with
// ZEL_E_STALE_SCAN and nothing of it is kept.
#ifndef ZEL_DEVICE_MODULE_H
#define ZEL_DEVICE_MODULE_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/error.h"
#include "device/spectrum.h"
#include "device/status.h"

namespace zel {

namespace sim {
class VirtualModule;
}

// An attached module, found without opening it.
struct ModuleInfo {
    std::string serial;
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    std::string path;  // the HID path; "virtual:<serial>" for an in-process virtual module
};

// Every attached module (HID interfaces of the module's vendor), in the system's order.
std::vector<ModuleInfo> list_modules();

// An in-process virtual module.
struct VirtualOptions {
    std::string serial = "ZEL00001";
    // The sample under the window, by name: see virtual_samples().
    std::string sample = "default";
    // Seeds the module's noise and sensor drift; two modules with one seed answer alike.
    uint64_t seed = 1;
    // true: a scan takes the scan time it reports and each report a millisecond of real time.
    // false: time passes only on the module's own clock (tests and benchmarks).
    bool realtime = true;
};

// The names VirtualOptions::sample accepts.
std::vector<std::string> virtual_samples();

// Progress of a call that takes several scans: scans done and scans in all.
using ProgressFn = std::function<void(int done, int total)>;

struct ScanOptions {
    int repeats = 1;        // scans averaged on the host (mean and standard deviation per point)
    ProgressFn progress;    // called after each scan, on the calling thread
};

class Module {
public:
    // The first attached module, the one with `serial`, or the one at a HID `path`.
    static Module open();
    static Module open_serial(std::string_view serial);
    static Module open_path(std::string_view path);
    static Module open_virtual(const VirtualOptions& options = {});
    // As open_virtual, with the sample given as reflectance (0..1) over wavelength in nm.
    static Module open_virtual(const VirtualOptions& options, std::function<double(double)> sample);

    Module(Module&&) noexcept;
    Module& operator=(Module&&) noexcept;
    ~Module();

    const ModuleInfo& info() const;

    // ---- identity and sensors ----
    std::string serial();
    std::string uuid();  // 16 lower-case hex digits
    Sensors sensors();
    int32_t status_word();

    // ---- controls (each read-back asks the module, except averaging) ----
    bool lamp();
    void set_lamp(bool on);
    int gain();
    void set_gain(int gain);  // one of accepted_gains(), else ZEL_E_INVALID_ARGUMENT
    static std::span<const int> accepted_gains();
    int averaging() const;    // what this object last set (1 at open): the module cannot be asked
    void set_averaging(int scans);  // 1 to 65535
    bool button_enabled();
    void set_button_enabled(bool enabled);
    int button_presses();
    bool bluetooth();
    void set_bluetooth(bool on);

    // ---- configurations (read once per object; a copy, safe while other threads call) ----
    std::vector<Configuration> configurations();
    // The scan time the module reports for `index` at the current averaging, in seconds.
    double scan_time_s(int index);

    // ---- scans ----
    Spectrum scan(int configuration = 0, const ScanOptions& options = {});
    // Fetches of old data a scan may retry before ZEL_E_STALE_SCAN (default 8).
    int stale_scan_retries() const;
    void set_stale_scan_retries(int retries);

    // Ends the call blocked on this object now (from another thread): it throws ZEL_E_CANCELLED.
    // A cancel with no call in progress is forgotten.
    void cancel();

    // The in-process virtual module behind this object, with the object's lock held during `use`
    // (for tests and demos). ZEL_E_INVALID_ARGUMENT on a module that is not virtual.
    void with_virtual(const std::function<void(sim::VirtualModule&)>& use);
    // Simulates unplugging the virtual module: this call and every later one on the object fail
    // with ZEL_E_DISCONNECTED at once (open a new object to go on).
    void unplug_virtual();

    struct Impl;

private:
    explicit Module(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace zel

#endif
