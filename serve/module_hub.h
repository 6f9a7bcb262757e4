// The modules the viewer serves: one zel::Module per attached module, the continuous-scanning
// thread of each, and the recent spectra kept for download.
#ifndef ZEL_SERVE_MODULE_HUB_H
#define ZEL_SERVE_MODULE_HUB_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include <nlohmann/json.hpp>

#include "device/module.h"
#include "serve/events.h"
#include "serve/serve.h"

namespace zel::serve {

class ModuleHub {
public:
    // Spectra kept for download; older ones are forgotten.
    static constexpr std::size_t kKeptSpectra = 64;

    // Opens the virtual module, or every attached module that `options.serial` admits.
    ModuleHub(const Options& options, EventBus& events);
    // Stops every continuous scan.
    ~ModuleHub();
    ModuleHub(const ModuleHub&) = delete;
    ModuleHub& operator=(const ModuleHub&) = delete;

    // Every module known, as [{serial, path, virtual, connected, scanning, error}]. Real modules
    // are enumerated again first: new ones are opened, disconnected ones that are back are
    // opened again, open ones that are gone are marked disconnected.
    nlohmann::json list();

    // One module as list() describes it (without enumerating). ZEL_E_NO_MODULE when unknown.
    nlohmann::json state(const std::string& serial);

    // Ends continuous scanning on every module.
    void stop_all();

    // Runs `call` on the module `serial`. Throws zel::Error: ZEL_E_NO_MODULE for a serial not
    // known, ZEL_E_DISCONNECTED for one that is not connected, and whatever `call` throws; a
    // ZEL_E_DISCONNECTED from `call` marks the module disconnected (and tells the pages). A
    // success clears the module's last failure.
    nlohmann::json with_module(const std::string& serial,
                               const std::function<nlohmann::json(Module&)>& call);

    // One scan of `configuration`, kept; its JSON. ZEL_E_BUSY while continuous scanning runs.
    nlohmann::json scan(const std::string& serial, int configuration, int repeats);

    // Scans `configuration` again and again, publishing each spectrum as event "spectrum",
    // until stop(). Called while running, switches the configuration from the next scan on.
    void start_continuous(const std::string& serial, int configuration);
    // Ends continuous scanning and cancels the scan in progress.
    void stop(const std::string& serial);

    // A kept spectrum, or null when `id` is unknown or forgotten.
    std::shared_ptr<const Spectrum> spectrum(uint64_t id) const;

    // The virtual module: unplug (calls fail with ZEL_E_DISCONNECTED) and plug in again as a
    // fresh module. ZEL_E_INVALID_ARGUMENT for a real module.
    void unplug_virtual(const std::string& serial);
    void replug_virtual(const std::string& serial);

private:
    struct Slot {
        std::string serial;
        std::string path;
        bool is_virtual = false;
        std::shared_ptr<Module> module;  // null while disconnected
        std::string error;               // the last failure, in words; empty after success
        std::atomic<bool> scanning{false};
        std::atomic<int> configuration{0};
        std::thread scanner;
    };

    Slot& find(const std::string& serial);           // with mutex_ held
    nlohmann::json describe(const Slot& slot) const;  // with mutex_ held
    void publish_state(const Slot& slot);             // with mutex_ held
    void mark_disconnected(Slot& slot, const std::string& reason);  // with mutex_ held
    void open_slot(Slot& slot);                                     // with mutex_ held
    uint64_t keep(Spectrum spectrum);
    void scan_loop(Slot& slot);
    void join_scanner(Slot& slot);

    Options options_;
    EventBus& events_;
    std::mutex control_mutex_;  // orders starts, stops and replugs (never taken by a scan loop)
    mutable std::mutex mutex_;  // the slots' state
    std::map<std::string, std::unique_ptr<Slot>> slots_;
    mutable std::mutex spectra_mutex_;
    std::deque<std::pair<uint64_t, std::shared_ptr<const Spectrum>>> spectra_;
    uint64_t next_id_ = 1;
};

}  // namespace zel::serve

#endif
