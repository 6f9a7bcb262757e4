#include "serve/module_hub.h"

#include <set>

#include "serve/json.h"

namespace zel::serve {

namespace {

constexpr const char* kDefaultVirtualSerial = "ZEL00001";

}  // namespace

ModuleHub::ModuleHub(const Options& options, EventBus& events) : options_(options), events_(events)
{
    if (options_.virtual_module) {
        auto slot = std::make_unique<Slot>();
        slot->serial = options_.serial.empty() ? kDefaultVirtualSerial : options_.serial;
        slot->path = "virtual:" + slot->serial;
        slot->is_virtual = true;
        std::lock_guard lock(mutex_);
        open_slot(*slot);
        slots_.emplace(slot->serial, std::move(slot));
    } else {
        list();
    }
}

ModuleHub::~ModuleHub()
{
    stop_all();
}

nlohmann::json ModuleHub::state(const std::string& serial)
{
    std::lock_guard lock(mutex_);
    return describe(find(serial));
}

void ModuleHub::stop_all()
{
    std::vector<std::string> serials;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [serial, slot] : slots_) {
            serials.push_back(serial);
        }
    }
    for (const std::string& serial : serials) {
        stop(serial);
    }
}

nlohmann::json ModuleHub::list()
{
    std::lock_guard lock(mutex_);
    if (!options_.virtual_module) {
        std::set<std::string> present;
        for (const ModuleInfo& info : list_modules()) {
            if (!options_.serial.empty() && info.serial != options_.serial) {
                continue;
            }
            present.insert(info.serial);
            auto& slot = slots_[info.serial];
            if (!slot) {
                slot = std::make_unique<Slot>();
                slot->serial = info.serial;
            }
            slot->path = info.path;
            if (!slot->module) {
                open_slot(*slot);
                publish_state(*slot);
            }
        }
        for (auto& [serial, slot] : slots_) {
            if (slot->module && !present.contains(serial)) {
                mark_disconnected(*slot, status_text(ZEL_E_DISCONNECTED));
            }
        }
    }
    nlohmann::json modules = nlohmann::json::array();
    for (const auto& [serial, slot] : slots_) {
        modules.push_back(describe(*slot));
    }
    return modules;
}

nlohmann::json ModuleHub::with_module(const std::string& serial,
                                      const std::function<nlohmann::json(Module&)>& call)
{
    std::shared_ptr<Module> module;
    {
        std::lock_guard lock(mutex_);
        Slot& slot = find(serial);
        module = slot.module;
        if (!module) {
            throw Error(ZEL_E_DISCONNECTED,
                        slot.error.empty() ? status_text(ZEL_E_DISCONNECTED) : slot.error);
        }
    }
    try {
        nlohmann::json result = call(*module);
        std::lock_guard lock(mutex_);
        Slot& slot = find(serial);
        if (!slot.error.empty() && slot.module == module) {
            slot.error.clear();  // the module answers again
            publish_state(slot);
        }
        return result;
    } catch (const Error& e) {
        if (e.code() == ZEL_E_DISCONNECTED) {
            std::lock_guard lock(mutex_);
            Slot& slot = find(serial);
            if (slot.module == module) {
                mark_disconnected(slot, e.what());
            }
        }
        throw;
    }
}

nlohmann::json ModuleHub::scan(const std::string& serial, int configuration, int repeats)
{
    {
        std::lock_guard lock(mutex_);
        if (find(serial).scanning) {
            throw Error(ZEL_E_BUSY, "continuous scanning is running: stop it first");
        }
    }
    return with_module(serial, [&](Module& module) {
        ScanOptions scan_options;
        scan_options.repeats = repeats;
        Spectrum spectrum = module.scan(configuration, scan_options);
        const uint64_t id = keep(spectrum);
        return to_json(spectrum, id);
    });
}

void ModuleHub::start_continuous(const std::string& serial, int configuration)
{
    std::lock_guard control(control_mutex_);
    Slot* slot = nullptr;
    {
        std::lock_guard lock(mutex_);
        slot = &find(serial);
        if (!slot->module) {
            throw Error(ZEL_E_DISCONNECTED,
                        slot->error.empty() ? status_text(ZEL_E_DISCONNECTED) : slot->error);
        }
        slot->configuration = configuration;
        if (slot->scanning) {
            return;
        }
    }
    join_scanner(*slot);
    std::lock_guard lock(mutex_);
    slot->scanning = true;
    slot->error.clear();
    publish_state(*slot);
    slot->scanner = std::thread([this, slot] { scan_loop(*slot); });
}

void ModuleHub::stop(const std::string& serial)
{
    std::lock_guard control(control_mutex_);
    Slot* slot = nullptr;
    std::shared_ptr<Module> module;
    {
        std::lock_guard lock(mutex_);
        slot = &find(serial);
        module = slot->module;
        slot->scanning = false;
    }
    if (module) {
        module->cancel();
    }
    join_scanner(*slot);
}

std::shared_ptr<const Spectrum> ModuleHub::spectrum(uint64_t id) const
{
    std::lock_guard lock(spectra_mutex_);
    for (const auto& [kept_id, spectrum] : spectra_) {
        if (kept_id == id) {
            return spectrum;
        }
    }
    return nullptr;
}

void ModuleHub::unplug_virtual(const std::string& serial)
{
    std::shared_ptr<Module> module;
    {
        std::lock_guard lock(mutex_);
        Slot& slot = find(serial);
        if (!slot.is_virtual) {
            throw Error(ZEL_E_INVALID_ARGUMENT, "only the virtual module can be unplugged");
        }
        module = slot.module;
    }
    if (!module) {
        return;
    }
    module->unplug_virtual();
    std::lock_guard lock(mutex_);
    Slot& slot = find(serial);
    if (slot.module == module) {
        mark_disconnected(slot, status_text(ZEL_E_DISCONNECTED));
    }
}

void ModuleHub::replug_virtual(const std::string& serial)
{
    std::lock_guard control(control_mutex_);
    Slot* slot = nullptr;
    {
        std::lock_guard lock(mutex_);
        slot = &find(serial);
        if (!slot->is_virtual) {
            throw Error(ZEL_E_INVALID_ARGUMENT, "only the virtual module can be plugged in");
        }
        if (slot->module) {
            return;
        }
    }
    // A scan loop that the unplug ended is gone or about to be; the new module starts idle.
    join_scanner(*slot);
    std::lock_guard lock(mutex_);
    open_slot(*slot);
    publish_state(*slot);
}

ModuleHub::Slot& ModuleHub::find(const std::string& serial)
{
    auto it = slots_.find(serial);
    if (it == slots_.end()) {
        throw Error(ZEL_E_NO_MODULE, "no module with serial number \"" + serial + "\" is served");
    }
    return *it->second;
}

nlohmann::json ModuleHub::describe(const Slot& slot) const
{
    return {{"serial", slot.serial},
            {"path", slot.path},
            {"virtual", slot.is_virtual},
            {"connected", slot.module != nullptr},
            {"scanning", slot.scanning.load()},
            {"configuration", slot.configuration.load()},
            {"error", slot.error.empty() ? nlohmann::json(nullptr) : nlohmann::json(slot.error)}};
}

void ModuleHub::publish_state(const Slot& slot)
{
    events_.publish("module", describe(slot).dump());
}

void ModuleHub::mark_disconnected(Slot& slot, const std::string& reason)
{
    slot.module.reset();
    slot.error = reason;
    publish_state(slot);
}

void ModuleHub::open_slot(Slot& slot)
{
    try {
        if (slot.is_virtual) {
            VirtualOptions virtual_options;
            virtual_options.serial = slot.serial;
            virtual_options.seed = options_.virtual_seed;
            virtual_options.sample = options_.virtual_sample;
            virtual_options.realtime = options_.virtual_realtime;
            slot.module = std::make_shared<Module>(Module::open_virtual(virtual_options));
        } else {
            slot.module = std::make_shared<Module>(Module::open_serial(slot.serial));
        }
        slot.error.clear();
    } catch (const Error& e) {
        slot.module.reset();
        slot.error = e.what();
    }
}

uint64_t ModuleHub::keep(Spectrum spectrum)
{
    std::lock_guard lock(spectra_mutex_);
    const uint64_t id = next_id_++;
    spectra_.emplace_back(id, std::make_shared<const Spectrum>(std::move(spectrum)));
    if (spectra_.size() > kKeptSpectra) {
        spectra_.pop_front();
    }
    return id;
}

void ModuleHub::scan_loop(Slot& slot)
{
    std::shared_ptr<Module> module;
    {
        std::lock_guard lock(mutex_);
        module = slot.module;
    }
    while (module && slot.scanning) {
        try {
            Spectrum spectrum = module->scan(slot.configuration);
            const uint64_t id = keep(spectrum);
            events_.publish("spectrum", to_json(spectrum, id).dump());
        } catch (const Error& e) {
            std::lock_guard lock(mutex_);
            if (e.code() == ZEL_E_CANCELLED && !slot.scanning) {
                break;
            }
            if (e.code() == ZEL_E_DISCONNECTED && slot.module == module) {
                slot.module.reset();
            }
            slot.error = e.what();
            break;
        } catch (const std::exception& e) {
            std::lock_guard lock(mutex_);
            slot.error = e.what();
            break;
        }
    }
    std::lock_guard lock(mutex_);
    slot.scanning = false;
    publish_state(slot);
}

void ModuleHub::join_scanner(Slot& slot)
{
    if (slot.scanner.joinable()) {
        slot.scanner.join();
    }
}

}  // namespace zel::serve
