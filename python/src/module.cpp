// Module objects as Python sees them. Every call that talks to the module runs as a BlockingCall
// on the module's session (GIL released, Ctrl-C cancels it); values come back as plain tuples and dicts that the package
// turns into its own types.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bindings.h"
#include "device/module.h"
#include "session.h"
#include "sim/optics.h"
#include "sim/virtual_module.h"

#include <pybind11/functional.h>
#include <pybind11/stl.h>

namespace py = pybind11;

namespace zel::python {
namespace {

// A module as Python holds it. Python may close it while another Python thread still has a call
// running on it: that call keeps the session alive until it returns.
class ModuleHandle {
public:
    explicit ModuleHandle(Module module) : session_(std::make_shared<Session>(std::move(module))) {}

    std::shared_ptr<Session> get() const
    {
        if (!session_) {
            throw Error(ZEL_E_INVALID_ARGUMENT, "the module is closed");
        }
        return session_;
    }

    void close()
    {
        if (session_) {
            session_->close();
            session_.reset();
        }
    }

    bool closed() const { return !session_; }

private:
    std::shared_ptr<Session> session_;
};

template <typename Body>
auto onModule(const ModuleHandle& handle, Body&& body)
{
    const std::shared_ptr<Session> session = handle.get();
    return blocking(*session, [&] { return body(session->module()); });
}

// As onModule, on the virtual module behind it (under the object's lock).
template <typename Body>
auto onVirtual(const ModuleHandle& handle, Body&& body)
{
    return onModule(handle, [&](Module& module) {
        using Result = decltype(body(std::declval<sim::VirtualModule&>()));
        if constexpr (std::is_void_v<Result>) {
            module.with_virtual([&](sim::VirtualModule& v) { body(v); });
        } else {
            Result result{};
            module.with_virtual([&](sim::VirtualModule& v) { result = body(v); });
            return result;
        }
    });
}

py::tuple infoTuple(const ModuleInfo& info)
{
    return py::make_tuple(info.serial, info.vendor_id, info.product_id, info.path);
}

py::dict configurationDict(const Configuration& c)
{
    py::list sections;
    for (const Section& s : c.sections) {
        py::dict d;
        d["kind"] = std::string(to_string(s.kind));
        d["start_nm"] = s.start_nm;
        d["end_nm"] = s.end_nm;
        d["width"] = s.width_px;
        d["patterns"] = s.patterns;
        sections.append(d);
    }
    py::dict d;
    d["index"] = c.index;
    d["name"] = c.name;
    d["kind"] = std::string(to_string(c.kind));
    d["start_nm"] = c.start_nm;
    d["end_nm"] = c.end_nm;
    d["width"] = c.width_px;
    d["points"] = c.points;
    d["scan_time_s"] = c.scan_time_s;
    d["repeats"] = c.repeats;
    d["sections"] = sections;
    return d;
}

py::dict sensorsDict(const Sensors& s)
{
    py::dict d;
    d["temperature_c"] = s.temperature_c;
    d["humidity_pct"] = s.humidity_pct;
    d["battery_v"] = s.battery_v;
    d["battery_pct"] = s.battery_pct;
    return d;
}

VirtualOptions virtualOptions(const std::string& serial, uint64_t seed, bool realtime)
{
    VirtualOptions options;
    options.serial = serial;
    options.seed = seed;
    options.realtime = realtime;
    return options;
}

// The virtual module looks at its sample only at the wavelengths of its modulator columns, so the
// callable is asked there once, now, instead of from the scan's thread under the GIL; between
// columns (never asked) the values are joined by straight lines.
std::function<double(double)> tabulatedSample(const py::function& sample)
{
    std::vector<double> nm(sim::optics::kColumns);
    std::vector<double> reflectance(nm.size());
    for (std::size_t c = 0; c < nm.size(); ++c) {
        nm[c] = sim::optics::columnWavelength(static_cast<double>(c));
        reflectance[c] = py::float_(sample(nm[c]));
        if (!std::isfinite(reflectance[c])) {
            throw Error(ZEL_E_INVALID_ARGUMENT, "the sample is not finite at " +
                                                    std::to_string(nm[c]) + " nm");
        }
    }
    return [nm = std::move(nm), reflectance = std::move(reflectance)](double at) {
        const auto above = std::upper_bound(nm.begin(), nm.end(), at);
        if (above == nm.begin()) {
            return reflectance.front();
        }
        if (above == nm.end()) {
            return reflectance.back();
        }
        const auto i = static_cast<std::size_t>(above - nm.begin());
        const double t = (at - nm[i - 1]) / (nm[i] - nm[i - 1]);
        return reflectance[i - 1] + t * (reflectance[i] - reflectance[i - 1]);
    };
}

sim::FaultKind faultKind(const std::string& name)
{
    static const std::map<std::string, sim::FaultKind> kinds{
        {"no_answer", sim::FaultKind::NoAnswer},
        {"error_field", sim::FaultKind::ErrorField},
        {"stall_reply", sim::FaultKind::StallReply},
        {"stray_reports", sim::FaultKind::StrayReports},
        {"size_skew", sim::FaultKind::SizeSkew},
        {"chunk_beyond_size", sim::FaultKind::ChunkBeyondSize},
        {"corrupt_image", sim::FaultKind::CorruptImage}};
    const auto found = kinds.find(name);
    if (found == kinds.end()) {
        throw Error(ZEL_E_INVALID_ARGUMENT, "unknown fault \"" + name + "\"");
    }
    return found->second;
}

sim::StoredFile storedFile(const std::string& name)
{
    static const std::map<std::string, sim::StoredFile> files{
        {"scan_data", sim::StoredFile::ScanData},
        {"reference_scan", sim::StoredFile::CalData},
        {"reference_matrix", sim::StoredFile::MatrixData}};
    const auto found = files.find(name);
    if (found == files.end()) {
        throw Error(ZEL_E_INVALID_ARGUMENT, "unknown stored file \"" + name + "\"");
    }
    return found->second;
}

template <typename Open>
ModuleHandle openReleased(Open&& open)
{
    const py::gil_scoped_release released;
    return ModuleHandle(open());
}

void bindOpening(py::class_<ModuleHandle>& handle)
{
    handle
        .def_static("open", [] { return openReleased([] { return Module::open(); }); })
        .def_static("open_serial",
                    [](const std::string& serial) {
                        return openReleased([&] { return Module::open_serial(serial); });
                    })
        .def_static("open_path",
                    [](const std::string& path) {
                        return openReleased([&] { return Module::open_path(path); });
                    })
        .def_static("open_virtual",
                    [](const std::string& serial, const std::string& sample, uint64_t seed,
                       bool realtime) {
                        VirtualOptions options = virtualOptions(serial, seed, realtime);
                        options.sample = sample;
                        return openReleased([&] { return Module::open_virtual(options); });
                    })
        .def_static("open_virtual_with",
                    [](const std::string& serial, const py::function& sample, uint64_t seed,
                       bool realtime) {
                        const VirtualOptions options = virtualOptions(serial, seed, realtime);
                        std::function<double(double)> table = tabulatedSample(sample);
                        return openReleased(
                            [&] { return Module::open_virtual(options, std::move(table)); });
                    })
        .def("close", &ModuleHandle::close)
        .def_property_readonly("closed", &ModuleHandle::closed)
        .def("info", [](const ModuleHandle& h) { return infoTuple(h.get()->module().info()); })
        .def("cancel", [](const ModuleHandle& h) { h.get()->module().cancel(); });
}

void bindControls(py::class_<ModuleHandle>& handle)
{
    handle
        .def("serial", [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.serial(); }); })
        .def("uuid", [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.uuid(); }); })
        .def("sensors",
             [](const ModuleHandle& h) {
                 return sensorsDict(onModule(h, [](Module& m) { return m.sensors(); }));
             })
        .def("status_word",
             [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.status_word(); }); })
        .def("lamp", [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.lamp(); }); })
        .def("set_lamp",
             [](const ModuleHandle& h, bool on) { onModule(h, [&](Module& m) { m.set_lamp(on); }); })
        .def("gain", [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.gain(); }); })
        .def("set_gain",
             [](const ModuleHandle& h, int gain) { onModule(h, [&](Module& m) { m.set_gain(gain); }); })
        .def("averaging",
             [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.averaging(); }); })
        .def("set_averaging",
             [](const ModuleHandle& h, int scans) {
                 onModule(h, [&](Module& m) { m.set_averaging(scans); });
             })
        .def("button_enabled",
             [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.button_enabled(); }); })
        .def("set_button_enabled",
             [](const ModuleHandle& h, bool enabled) {
                 onModule(h, [&](Module& m) { m.set_button_enabled(enabled); });
             })
        .def("button_presses",
             [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.button_presses(); }); })
        .def("bluetooth",
             [](const ModuleHandle& h) { return onModule(h, [](Module& m) { return m.bluetooth(); }); })
        .def("set_bluetooth",
             [](const ModuleHandle& h, bool on) { onModule(h, [&](Module& m) { m.set_bluetooth(on); }); })
        .def("stale_scan_retries",
             [](const ModuleHandle& h) {
                 return onModule(h, [](Module& m) { return m.stale_scan_retries(); });
             })
        .def("set_stale_scan_retries", [](const ModuleHandle& h, int retries) {
            onModule(h, [&](Module& m) { m.set_stale_scan_retries(retries); });
        });
}

void bindScans(py::class_<ModuleHandle>& handle)
{
    handle
        .def("configurations",
             [](const ModuleHandle& h) {
                 const std::vector<Configuration> configs =
                     onModule(h, [](Module& m) { return m.configurations(); });
                 py::list list;
                 for (const Configuration& c : configs) {
                     list.append(configurationDict(c));
                 }
                 return list;
             })
        .def("scan_time_s",
             [](const ModuleHandle& h, int index) {
                 return onModule(h, [&](Module& m) { return m.scan_time_s(index); });
             })
        .def("scan", [](const ModuleHandle& h, int configuration, int repeats, py::object progress) {
            const std::shared_ptr<Session> session = h.get();
            BlockingCall call(*session, progress);
            ScanOptions options;
            options.repeats = repeats;
            if (!progress.is_none()) {
                options.progress = [&call](int done, int total) { call.report(done, total); };
            }
            std::optional<Spectrum> spectrum;
            call.run([&] { spectrum.emplace(session->module().scan(configuration, options)); });
            return std::move(*spectrum);
        });
}

void bindVirtualControls(py::class_<ModuleHandle>& handle)
{
    handle
        .def("virtual_unplug", [](const ModuleHandle& h) { h.get()->module().unplug_virtual(); })
        .def("virtual_fault",
             [](const ModuleHandle& h, const std::string& kind, int32_t value,
                std::optional<uint16_t> command, std::optional<std::string> file, int32_t times) {
                 sim::Fault fault;
                 fault.kind = faultKind(kind);
                 fault.value = value;
                 fault.code = command;
                 if (file) {
                     fault.file = storedFile(*file);
                 }
                 fault.times = times;
                 onVirtual(h, [&](sim::VirtualModule& v) { v.injectFault(fault); });
             })
        .def("virtual_clear_faults",
             [](const ModuleHandle& h) { onVirtual(h, [](sim::VirtualModule& v) { v.clearFaults(); }); })
        .def("virtual_press_button",
             [](const ModuleHandle& h, unsigned times) {
                 onVirtual(h, [&](sim::VirtualModule& v) { v.pressButton(times); });
             })
        .def("virtual_scan_count", [](const ModuleHandle& h) {
            return onVirtual(h, [](sim::VirtualModule& v) { return v.scanCount(); });
        });
}

}  // namespace

void bindModule(py::module_& module)
{
    module.def("list_modules", [] {
        std::vector<ModuleInfo> found;
        {
            const py::gil_scoped_release released;
            found = list_modules();
        }
        py::list list;
        for (const ModuleInfo& info : found) {
            list.append(infoTuple(info));
        }
        return list;
    });
    module.def("virtual_samples", &virtual_samples);
    module.attr("GAINS") = py::tuple(py::cast(std::vector<int>(Module::accepted_gains().begin(),
                                                                 Module::accepted_gains().end())));

    py::class_<ModuleHandle> handle(module, "Module", "An opened module, as the library holds it.");
    bindOpening(handle);
    bindControls(handle);
    bindScans(handle);
    bindVirtualControls(handle);
}

}  // namespace zel::python
