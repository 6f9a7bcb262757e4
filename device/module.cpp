// Opening module objects, identity, sensors and controls.
#include "device/module.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "device/module_impl.h"
#include "protocol/qrn.h"
#include "usb/usb_link.h"

namespace zel {
namespace {

constexpr std::array<int, 7> kGains{1, 2, 4, 8, 16, 32, 64};

// Bits of the device status word.
constexpr int32_t kStatusLampLit = 1 << 0;
constexpr int32_t kStatusController = 1 << 1;
constexpr int32_t kStatusBluetooth = 1 << 2;
constexpr int32_t kStatusButton = 1 << 3;

sim::ModuleIdentity virtualIdentity(const VirtualOptions& options)
{
    sim::ModuleIdentity identity = sim::defaultIdentity();
    identity.serial = std::wstring(options.serial.begin(), options.serial.end());
    // The module's noise derives from its flash identifier, so the seed goes there.
    for (std::size_t i = 0; i < identity.flashId.size(); ++i) {
        identity.flashId[i] = static_cast<uint8_t>(options.seed >> (8 * (7 - i)));
    }
    return identity;
}

std::function<double(double)> namedSample(const std::string& name)
{
    if (name == "default") {
        return sim::VirtualModule::defaultSample;
    }
    if (name == "white") {
        return sim::VirtualModule::whiteReference;
    }
    if (name == "gray") {
        return [](double) { return 0.5; };
    }
    if (name == "dark") {
        return [](double) { return 0.05; };
    }
    throw Error(ZEL_E_INVALID_ARGUMENT, "unknown virtual sample \"" + name +
                                            "\" (known: default, white, gray, dark)");
}

}  // namespace

std::vector<std::string> virtual_samples()
{
    return {"default", "white", "gray", "dark"};
}

std::vector<ModuleInfo> list_modules()
{
    return device::enumerateHid();
}

Module::Module(std::unique_ptr<Impl> impl) : impl_(std::move(impl))
{
    impl_->call([&] { impl_->rememberStoredScan(); });
}

Module::Module(Module&&) noexcept = default;
Module& Module::operator=(Module&&) noexcept = default;
Module::~Module() = default;

Module Module::open()
{
    const std::vector<ModuleInfo> modules = list_modules();
    if (modules.empty()) {
        throw Error(ZEL_E_NO_MODULE, std::string("opening the first module: ") +
                                         status_text(ZEL_E_NO_MODULE));
    }
    return open_path(modules.front().path);
}

Module Module::open_serial(std::string_view serial)
{
    for (const ModuleInfo& module : list_modules()) {
        if (module.serial == serial) {
            return open_path(module.path);
        }
    }
    throw Error(ZEL_E_NO_MODULE, "opening module " + std::string(serial) + ": " +
                                     status_text(ZEL_E_NO_MODULE));
}

Module Module::open_path(std::string_view path)
{
    const std::string where(path);
    ModuleInfo info{"", USB_LINK_VENDOR_ID, 0, where};
    for (const ModuleInfo& module : list_modules()) {
        if (module.path == where) {
            info = module;
        }
    }
    return Module(std::make_unique<Impl>(device::openHidTransport(where), info));
}

Module Module::open_virtual(const VirtualOptions& options)
{
    return open_virtual(options, namedSample(options.sample));
}

Module Module::open_virtual(const VirtualOptions& options, std::function<double(double)> sample)
{
    if (options.serial.empty() || options.serial.size() > 8) {
        throw Error(ZEL_E_INVALID_ARGUMENT, "a virtual module's serial has 1 to 8 characters");
    }
    auto transport = std::make_unique<device::VirtualTransport>(virtualIdentity(options),
                                                                options.realtime);
    transport->module().setSample(std::move(sample));
    device::VirtualTransport* const virtualTransport = transport.get();
    const ModuleInfo info{options.serial, USB_LINK_VENDOR_ID,
                          transport->module().identity().productId, "virtual:" + options.serial};
    auto impl = std::make_unique<Impl>(std::move(transport), info);
    impl->virtualTransport = virtualTransport;
    return Module(std::move(impl));
}

const ModuleInfo& Module::info() const
{
    return impl_->info;
}

std::string Module::serial()
{
    return impl_->call([&] {
        char serial[QRN_SERIAL_NUMBER_SIZE] = {};
        impl_->check(QRN_GetSerialNumber(serial), "reading the serial number");
        return std::string(serial, strnlen(serial, sizeof serial));
    });
}

std::string Module::uuid()
{
    return impl_->call([&] {
        int32_t status = 0;
        impl_->check(QRN_ReadDeviceStatus(&status), "reading the device status");
        // The identifier is read with the light-engine controller off; it goes back on after.
        impl_->check(QRN_ZELCEnable(0, 0), "switching the light-engine controller off");
        uint8_t id[QRN_FLASH_UNIQUE_ID_SIZE] = {};
        const int32_t read = QRN_GetFlashUniqueID(id);
        if ((status & kStatusController) != 0) {
            impl_->check(QRN_ZELCEnable(1, 1), "switching the light-engine controller on");
        }
        impl_->check(read, "reading the unique identifier");
        std::string hex;
        for (const uint8_t byte : id) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x", byte);
            hex += digits;
        }
        return hex;
    });
}

Sensors Module::sensors()
{
    return impl_->call([&] {
        Sensors s;
        int32_t humidity = 0;
        int32_t temperature = 0;
        impl_->check(QRN_ReadHum(&humidity, &temperature), "reading humidity and temperature");
        int32_t volts = 0;
        int32_t percent = 0;
        int32_t raw = 0;
        impl_->check(QRN_ReadBattVolt(&volts, &percent, &raw), "reading the battery");
        s.raw_humidity = static_cast<uint32_t>(humidity);
        s.raw_temperature = static_cast<uint32_t>(temperature);
        s.raw_battery_v = volts;
        s.raw_battery_pct = percent;
        s.humidity_pct = humidity / 100.0;
        s.temperature_c = temperature / 100.0;
        s.battery_v = volts / 100.0;
        s.battery_pct = percent / 100.0;
        return s;
    });
}

int32_t Module::status_word()
{
    return impl_->call([&] {
        int32_t status = 0;
        impl_->check(QRN_ReadDeviceStatus(&status), "reading the device status");
        return status;
    });
}

bool Module::lamp()
{
    return (status_word() & kStatusLampLit) != 0;
}

void Module::set_lamp(bool on)
{
    impl_->call([&] {
        impl_->check(QRN_SetLampControl(on ? 0 : 1), "setting the lamp control");
        impl_->check(QRN_ZELCEnable(on ? 1 : 0, on ? 1 : 0),
                     "switching the light-engine controller");
    });
}

int Module::gain()
{
    return impl_->call([&] {
        const int32_t gain = QRN_GetPgaGain();
        impl_->check(gain, "reading the amplifier gain");
        return static_cast<int>(gain);
    });
}

void Module::set_gain(int gain)
{
    if (std::find(kGains.begin(), kGains.end(), gain) == kGains.end()) {
        throw Error(ZEL_E_INVALID_ARGUMENT,
                    "gain " + std::to_string(gain) + " is not one of 1, 2, 4, 8, 16, 32, 64");
    }
    impl_->call([&] {
        impl_->check(QRN_SetPgaGain(1, static_cast<uint8_t>(gain)), "setting the amplifier gain");
    });
}

std::span<const int> Module::accepted_gains()
{
    return kGains;
}

int Module::averaging() const
{
    const std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->averaging;
}

void Module::set_averaging(int scans)
{
    if (scans < 1 || scans > 65535) {
        throw Error(ZEL_E_INVALID_ARGUMENT,
                    "averaging " + std::to_string(scans) + " is outside 1 to 65535");
    }
    impl_->call([&] {
        impl_->check(QRN_SetScanAvg(static_cast<uint16_t>(scans)), "setting the averaging");
        impl_->averaging = scans;
    });
}

bool Module::button_enabled()
{
    return (status_word() & kStatusButton) != 0;
}

void Module::set_button_enabled(bool enabled)
{
    impl_->call([&] {
        impl_->check(QRN_SetButtonPressEnable(enabled ? 1 : 0), "setting the push-button");
    });
}

int Module::button_presses()
{
    return impl_->call([&] {
        uint8_t count = 0;
        impl_->check(QRN_GetButtonPressCount(&count), "reading the push-button");
        return static_cast<int>(count);
    });
}

bool Module::bluetooth()
{
    return (status_word() & kStatusBluetooth) != 0;
}

void Module::set_bluetooth(bool on)
{
    impl_->call([&] { impl_->check(QRN_SetBluetooth(on ? 1 : 0), "switching the Bluetooth radio"); });
}

void Module::cancel()
{
    impl_->transport->cancel();
}

void Module::with_virtual(const std::function<void(sim::VirtualModule&)>& use)
{
    if (impl_->virtualTransport == nullptr) {
        throw Error(ZEL_E_INVALID_ARGUMENT, "module " + impl_->info.serial + " is not virtual");
    }
    const std::lock_guard<std::mutex> lock(impl_->mutex);
    use(impl_->virtualTransport->module());
}

void Module::unplug_virtual()
{
    if (impl_->virtualTransport == nullptr) {
        throw Error(ZEL_E_INVALID_ARGUMENT, "module " + impl_->info.serial + " is not virtual");
    }
    impl_->virtualTransport->unplug();
}

}  // namespace zel
