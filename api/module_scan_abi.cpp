// The C functions of module.h: configurations and scans.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "api/module.h"
#include "api/module_abi.h"

using zel::Module;
using zel::api::copyText;
using zel::api::onModule;

namespace {

int32_t kindCode(zel::ScanKind kind)
{
    switch (kind) {
    case zel::ScanKind::Hadamard:
        return ZEL_KIND_HADAMARD;
    case zel::ScanKind::Sectioned:
        return ZEL_KIND_SECTIONED;
    default:
        return ZEL_KIND_COLUMN;
    }
}

void fillConfiguration(const zel::Configuration& from, zel_configuration& to)
{
    std::memset(&to, 0, sizeof to);
    to.index = from.index;
    copyText(to.name, sizeof to.name, from.name);
    to.kind = kindCode(from.kind);
    to.start_nm = from.start_nm;
    to.end_nm = from.end_nm;
    to.width_px = from.width_px;
    to.points = from.points;
    to.repeats = from.repeats;
    to.num_sections = static_cast<int32_t>(std::min<std::size_t>(from.sections.size(), ZEL_MAX_SECTIONS));
    for (int32_t i = 0; i < to.num_sections; ++i) {
        const zel::Section& s = from.sections[static_cast<std::size_t>(i)];
        to.sections[i] = zel_section{kindCode(s.kind), s.start_nm, s.end_nm, s.width_px, s.patterns};
    }
    to.scan_time_s = from.scan_time_s;
}

void fillSpectrum(const zel::Spectrum& from, zel_spectrum& to)
{
    std::memset(&to, 0, sizeof to);
    const zel::SpectrumMetadata& m = from.metadata;
    copyText(to.metadata.serial, sizeof to.metadata.serial, m.serial);
    to.metadata.configuration = m.configuration;
    copyText(to.metadata.configuration_name, sizeof to.metadata.configuration_name,
             m.configuration_name);
    to.metadata.kind = kindCode(m.kind);
    to.metadata.gain = m.gain;
    to.metadata.averaging = m.averaging;
    to.metadata.repeats = m.repeats;
    to.metadata.temperature_c = m.temperature_c;
    to.metadata.humidity_pct = m.humidity_pct;
    copyText(to.metadata.module_time, sizeof to.metadata.module_time, m.module_time);
    copyText(to.metadata.host_time_utc, sizeof to.metadata.host_time_utc, m.host_time_utc);
    copyText(to.metadata.software_version, sizeof to.metadata.software_version,
             m.software_version);

    const std::size_t n = std::min<std::size_t>(from.size(), ZEL_SPECTRUM_CAPACITY);
    to.length = static_cast<int32_t>(n);
    const std::vector<double> reflectance = from.reflectance();
    const std::vector<double> absorbance = from.absorbance();
    std::copy_n(from.wavelength_nm.begin(), n, to.wavelength_nm);
    std::copy_n(from.intensity.begin(), n, to.intensity);
    std::copy_n(from.reference.begin(), n, to.reference);
    std::copy_n(reflectance.begin(), n, to.reflectance);
    std::copy_n(absorbance.begin(), n, to.absorbance);
    std::copy_n(from.intensity_std.begin(), std::min(n, from.intensity_std.size()), to.intensity_std);
}

}  // namespace

extern "C" int32_t zel_get_configuration_count(zel_module* module, int32_t* count)
{
    return onModule(
        module, [&](Module& m) { *count = static_cast<int32_t>(m.configurations().size()); },
        count);
}

extern "C" int32_t zel_get_configuration(zel_module* module, int32_t index,
                                         zel_configuration* config)
{
    return onModule(
        module,
        [&](Module& m) {
            const std::vector<zel::Configuration>& all = m.configurations();
            if (index < 0 || static_cast<std::size_t>(index) >= all.size()) {
                throw zel::Error(ZEL_E_CONFIG_INDEX, "scan configuration " + std::to_string(index) +
                                                         " of " + std::to_string(all.size()));
            }
            fillConfiguration(all[static_cast<std::size_t>(index)], *config);
        },
        config);
}

extern "C" int32_t zel_scan(zel_module* module, int32_t configuration, zel_spectrum* spectrum)
{
    return zel_scan_repeated(module, configuration, 1, nullptr, nullptr, spectrum);
}

extern "C" int32_t zel_scan_repeated(zel_module* module, int32_t configuration, int32_t repeats,
                                     zel_progress_fn progress, void* context,
                                     zel_spectrum* spectrum)
{
    return onModule(
        module,
        [&](Module& m) {
            zel::ScanOptions options;
            options.repeats = repeats;
            if (progress != nullptr) {
                options.progress = [&](int done, int total) { progress(context, done, total); };
            }
            fillSpectrum(m.scan(configuration, options), *spectrum);
        },
        spectrum);
}

extern "C" int32_t zel_get_stale_scan_retries(zel_module* module, int32_t* retries)
{
    return onModule(module, [&](Module& m) { *retries = m.stale_scan_retries(); }, retries);
}

extern "C" int32_t zel_set_stale_scan_retries(zel_module* module, int32_t retries)
{
    return onModule(module, [&](Module& m) { m.set_stale_scan_retries(retries); });
}
