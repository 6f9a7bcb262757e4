// The C functions of module.h: opening, identity, sensors and controls.
#include "api/module.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "api/module_abi.h"

using zel::Module;
using zel::api::copyText;
using zel::api::guarded;
using zel::api::onModule;
using zel::api::recordFailure;

namespace {

thread_local std::string lastError;

void fillInfo(const zel::ModuleInfo& from, zel_module_info& to)
{
    std::memset(&to, 0, sizeof to);
    copyText(to.serial, sizeof to.serial, from.serial);
    to.vendor_id = from.vendor_id;
    to.product_id = from.product_id;
    copyText(to.path, sizeof to.path, from.path);
}

template <typename Open>
int32_t openWith(zel_module** module, Open&& open)
{
    if (module == nullptr) {
        return recordFailure(ZEL_E_INVALID_ARGUMENT, "the handle output is null");
    }
    return guarded([&] { *module = new zel_module{open()}; });
}

int32_t flag(bool value)
{
    return value ? 1 : 0;
}

}  // namespace

namespace zel::api {

int32_t recordFailure(int32_t code, std::string_view message,
                      const std::vector<std::string>& diagnostics)
{
    lastError.assign(message);
    for (const std::string& line : diagnostics) {
        lastError += '\n';
        lastError += line;
    }
    return code;
}

void copyText(char* out, std::size_t capacity, std::string_view text)
{
    if (capacity == 0) {
        return;
    }
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

}  // namespace zel::api

extern "C" int32_t zel_list_modules(zel_module_info* modules, int32_t capacity)
{
    if (capacity < 0 || (capacity > 0 && modules == nullptr)) {
        return recordFailure(ZEL_E_INVALID_ARGUMENT, "a negative capacity or a null array");
    }
    int32_t count = 0;
    const int32_t status = guarded([&] {
        const std::vector<zel::ModuleInfo> found = zel::list_modules();
        for (std::size_t i = 0; i < found.size() && i < static_cast<std::size_t>(capacity); ++i) {
            fillInfo(found[i], modules[i]);
        }
        count = static_cast<int32_t>(found.size());
    });
    return status != ZEL_SUCCESS ? status : count;
}

extern "C" int32_t zel_open(zel_module** module)
{
    return openWith(module, [] { return Module::open(); });
}

extern "C" int32_t zel_open_serial(const char* serial, zel_module** module)
{
    if (serial == nullptr) {
        return recordFailure(ZEL_E_INVALID_ARGUMENT, "the serial is null");
    }
    return openWith(module, [&] { return Module::open_serial(serial); });
}

extern "C" int32_t zel_open_path(const char* path, zel_module** module)
{
    if (path == nullptr) {
        return recordFailure(ZEL_E_INVALID_ARGUMENT, "the path is null");
    }
    return openWith(module, [&] { return Module::open_path(path); });
}

extern "C" void zel_virtual_options_init(zel_virtual_options* options)
{
    if (options != nullptr) {
        *options = zel_virtual_options{"ZEL00001", "default", 1, 1};
    }
}

extern "C" int32_t zel_open_virtual(const zel_virtual_options* options, zel_module** module)
{
    zel::VirtualOptions chosen;
    if (options != nullptr) {
        chosen.serial = options->serial != nullptr ? options->serial : chosen.serial;
        chosen.sample = options->sample != nullptr ? options->sample : chosen.sample;
        chosen.seed = options->seed;
        chosen.realtime = options->realtime != 0;
    }
    return openWith(module, [&] { return Module::open_virtual(chosen); });
}

extern "C" void zel_close(zel_module* module)
{
    delete module;
}

extern "C" int32_t zel_cancel(zel_module* module)
{
    return onModule(module, [](Module& m) { m.cancel(); });
}

extern "C" const char* zel_strerror(int32_t code)
{
    return zel::status_text(code);
}

extern "C" const char* zel_last_error(void)
{
    return lastError.c_str();
}

extern "C" const char* zel_version(void)
{
    return ZEL_VERSION_STRING;
}

extern "C" int32_t zel_get_info(zel_module* module, zel_module_info* info)
{
    return onModule(module, [&](Module& m) { fillInfo(m.info(), *info); }, info);
}

extern "C" int32_t zel_get_serial(zel_module* module, char* serial, size_t capacity)
{
    return onModule(
        module,
        [&](Module& m) {
            const std::string value = m.serial();
            if (capacity <= value.size()) {
                throw zel::Error(ZEL_E_INVALID_ARGUMENT, "the serial needs " +
                                                             std::to_string(value.size() + 1) +
                                                             " bytes");
            }
            copyText(serial, capacity, value);
        },
        serial);
}

extern "C" int32_t zel_get_uuid(zel_module* module, char uuid[17])
{
    return onModule(module, [&](Module& m) { copyText(uuid, 17, m.uuid()); }, uuid);
}

extern "C" int32_t zel_get_sensors(zel_module* module, zel_sensors* sensors)
{
    return onModule(
        module,
        [&](Module& m) {
            const zel::Sensors s = m.sensors();
            *sensors = zel_sensors{s.temperature_c,   s.humidity_pct,  s.battery_v,
                                   s.battery_pct,     s.raw_temperature, s.raw_humidity,
                                   s.raw_battery_v,   s.raw_battery_pct};
        },
        sensors);
}

extern "C" int32_t zel_get_status_word(zel_module* module, int32_t* status)
{
    return onModule(module, [&](Module& m) { *status = m.status_word(); }, status);
}

extern "C" int32_t zel_get_lamp(zel_module* module, int32_t* on)
{
    return onModule(module, [&](Module& m) { *on = flag(m.lamp()); }, on);
}

extern "C" int32_t zel_set_lamp(zel_module* module, int32_t on)
{
    return onModule(module, [&](Module& m) { m.set_lamp(on != 0); });
}

extern "C" int32_t zel_get_gain(zel_module* module, int32_t* gain)
{
    return onModule(module, [&](Module& m) { *gain = m.gain(); }, gain);
}

extern "C" int32_t zel_set_gain(zel_module* module, int32_t gain)
{
    return onModule(module, [&](Module& m) { m.set_gain(gain); });
}

extern "C" int32_t zel_accepted_gains(int32_t* gains, int32_t capacity)
{
    const std::span<const int> accepted = Module::accepted_gains();
    if (capacity < 0 || (capacity > 0 && gains == nullptr)) {
        return recordFailure(ZEL_E_INVALID_ARGUMENT, "a negative capacity or a null array");
    }
    const auto count = static_cast<int32_t>(accepted.size());
    std::copy_n(accepted.begin(), std::min(count, capacity), gains);
    return count;
}

extern "C" int32_t zel_get_averaging(zel_module* module, int32_t* scans)
{
    return onModule(module, [&](Module& m) { *scans = m.averaging(); }, scans);
}

extern "C" int32_t zel_set_averaging(zel_module* module, int32_t scans)
{
    return onModule(module, [&](Module& m) { m.set_averaging(scans); });
}

extern "C" int32_t zel_get_button_enabled(zel_module* module, int32_t* enabled)
{
    return onModule(module, [&](Module& m) { *enabled = flag(m.button_enabled()); }, enabled);
}

extern "C" int32_t zel_set_button_enabled(zel_module* module, int32_t enabled)
{
    return onModule(module, [&](Module& m) { m.set_button_enabled(enabled != 0); });
}

extern "C" int32_t zel_get_button_presses(zel_module* module, int32_t* presses)
{
    return onModule(module, [&](Module& m) { *presses = m.button_presses(); }, presses);
}

extern "C" int32_t zel_get_bluetooth(zel_module* module, int32_t* on)
{
    return onModule(module, [&](Module& m) { *on = flag(m.bluetooth()); }, on);
}

extern "C" int32_t zel_set_bluetooth(zel_module* module, int32_t on)
{
    return onModule(module, [&](Module& m) { m.set_bluetooth(on != 0); });
}
