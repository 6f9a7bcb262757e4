// Configurations and scans of module objects: each scan with its factory reference, checked to be
// the module's new scan, and averaged over repeats on the host.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

#include "device/module.h"
#include "device/module_impl.h"
#include "device/version.h"
#include "protocol/qrn.h"
#include "spectrum/zelspec.h"

namespace zel {
namespace {

// Every stored file is a few serialized records; a larger size is a corrupt reply.
constexpr int32_t kMaxStoredFile = 1 << 20;

std::string text(const char* bytes, std::size_t capacity)
{
    return std::string(bytes, strnlen(bytes, capacity));
}

ScanKind kindOf(uint8_t scanType)
{
    switch (scanType) {
    case ZELSPEC_SCAN_HADAMARD:
        return ScanKind::Hadamard;
    case ZELSPEC_SCAN_SECTIONED:
        return ScanKind::Sectioned;
    default:
        return ScanKind::Column;
    }
}

// A decoded configuration record (either shape) as a Configuration without its scan time.
Configuration describe(int index, const uint8_t* record)
{
    Configuration c;
    c.index = index;
    if (record[0] == ZELSPEC_SCAN_SECTIONED) {
        sectionedScanConfig config;
        std::memcpy(&config, record, sizeof config);
        c.name = text(config.head.config_name, sizeof config.head.config_name);
        c.repeats = config.head.num_repeats;
        const int count = std::min<int>(config.head.num_sections, ZELSPEC_MAX_SECTIONS);
        for (int i = 0; i < count; ++i) {
            const scanSection& s = config.sections[i];
            c.sections.push_back({kindOf(s.section_scan_type), static_cast<double>(s.wavelength_start_nm),
                                  static_cast<double>(s.wavelength_end_nm), s.width_px, s.num_patterns});
        }
        c.kind = count == 1 ? c.sections[0].kind : ScanKind::Sectioned;
    } else {
        scanConfig config;
        std::memcpy(&config, record, sizeof config);
        c.name = text(config.config_name, sizeof config.config_name);
        c.repeats = config.num_repeats;
        c.kind = kindOf(config.scan_type);
        c.sections.push_back({c.kind, static_cast<double>(config.wavelength_start_nm),
                              static_cast<double>(config.wavelength_end_nm), config.width_px,
                              config.num_patterns});
    }
    c.start_nm = c.sections.empty() ? 0 : c.sections.front().start_nm;
    c.end_nm = 0;
    for (const Section& s : c.sections) {
        c.start_nm = std::min(c.start_nm, s.start_nm);
        c.end_nm = std::max(c.end_nm, s.end_nm);
        c.points += s.patterns;
    }
    c.width_px = c.sections.empty() ? 0 : c.sections.front().width_px;
    return c;
}

std::string moduleTime(const uint8_t (&stamp)[ZELSPEC_STAMP_LEN])
{
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d", 2000 + stamp[0], stamp[1],
                  stamp[2], stamp[3], stamp[4], stamp[5]);
    return out;
}

std::string utcNow()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    char out[32];
    std::strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return out;
}

// Running sums of the repeats of one spectrum.
struct Accumulator {
    std::vector<double> sum;
    std::vector<double> squares;
    int count = 0;

    void add(const scanResults& scan)
    {
        sum.resize(static_cast<std::size_t>(scan.length));
        squares.resize(sum.size());
        for (std::size_t i = 0; i < sum.size(); ++i) {
            sum[i] += scan.intensity[i];
            const auto value = static_cast<double>(scan.intensity[i]);
            squares[i] += value * value;
        }
        ++count;
    }
};

}  // namespace

void Module::Impl::rememberStoredScan()
{
    const int32_t size = QRN_GetFileSize(QRN_FILE_SCAN_DATA);
    lastScanFile.clear();
    if (size <= 0 || size > kMaxStoredFile) {
        return;
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    if (QRN_ReadFile(bytes.data(), size) == size) {
        lastScanFile = std::move(bytes);
    }
}

namespace {

std::vector<uint8_t> fetchFile(Module::Impl& impl, uint32_t type, const char* what)
{
    const int32_t size = QRN_GetFileSize(type);
    impl.check(size, (std::string("asking for the size of the ") + what).c_str());
    if (size > kMaxStoredFile) {
        impl.fail(ZEL_E_FILE, std::string("the ") + what + " claims " + std::to_string(size) +
                                  " bytes");
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && QRN_ReadFile(bytes.data(), size) != size) {
        impl.fail(ZEL_E_FILE, std::string("reading the ") + what);
    }
    return bytes;
}

std::vector<Configuration>& loadConfigurations(Module::Impl& impl)
{
    if (!impl.configurations) {
        const int32_t count = QRN_GetNumScanConfigs();
        impl.check(count, "counting the scan configurations");
        std::vector<Configuration> configs;
        for (int32_t i = 0; i < count; ++i) {
            uint8_t buffer[QRN_SCAN_CONFIG_MAX] = {};
            uint32_t length = 0;
            impl.check(QRN_GetScanConfig(static_cast<uint32_t>(i), buffer, &length),
                       "reading a scan configuration");
            if (zelspec_config_deserialize(buffer, length) != ZELSPEC_PASS) {
                impl.fail(ZEL_E_DECODE, "decoding scan configuration " + std::to_string(i));
            }
            configs.push_back(describe(i, buffer));
        }
        impl.configurations = std::move(configs);
        impl.scanTimesAveraging = 0;
    }
    return *impl.configurations;
}

int32_t selectAndTime(Module::Impl& impl, int index)
{
    impl.check(QRN_SetActiveScanConfig(static_cast<uint8_t>(index)),
               ("selecting scan configuration " + std::to_string(index)).c_str());
    const int32_t scanTimeMs = QRN_GetScanTime();
    if (scanTimeMs < 0) {
        impl.check(scanTimeMs, "reading the scan time");
        impl.fail(ZEL_E_SCAN_TIME, "reading the scan time");
    }
    return scanTimeMs;
}

void checkIndex(Module::Impl& impl, int index)
{
    const std::vector<Configuration>& configs = loadConfigurations(impl);
    if (configs.empty()) {
        impl.fail(ZEL_E_NO_CONFIG, "scanning");
    }
    if (index < 0 || static_cast<std::size_t>(index) >= configs.size()) {
        impl.fail(ZEL_E_CONFIG_INDEX, "scan configuration " + std::to_string(index) + " of " +
                                          std::to_string(configs.size()));
    }
}

// One scan of configuration `index`: its data file, once the module holds a new one.
std::vector<uint8_t> acquire(Module::Impl& impl, int index)
{
    const int32_t scanTimeMs = selectAndTime(impl, index);
    impl.check(QRN_StartScan(0), "starting the scan");
    impl.transport->sleep(static_cast<uint32_t>(scanTimeMs));
    for (int attempt = 0;; ++attempt) {
        if (impl.transport->cancelled()) {
            impl.fail(ZEL_E_CANCELLED, "waiting for the scan");
        }
        std::vector<uint8_t> file = fetchFile(impl, QRN_FILE_SCAN_DATA, "scan data");
        if (file != impl.lastScanFile) {
            impl.lastScanFile = file;
            return file;
        }
        if (attempt == impl.staleScanRetries) {
            // Whatever the module stores later belongs to no scan the caller will be given.
            impl.resyncStoredScan = true;
            impl.fail(ZEL_E_STALE_SCAN, "scan of configuration " + std::to_string(index) +
                                            " after " + std::to_string(attempt) + " retries");
        }
        // A slow module gets an eighth of the scan time more at each retry.
        const auto waitMs = std::max<int64_t>(10, int64_t{scanTimeMs} * (attempt + 1) / 8);
        impl.transport->sleep(static_cast<uint32_t>(waitMs));
    }
}

void loadReference(Module::Impl& impl)
{
    if (!impl.referenceScan) {
        impl.referenceScan = fetchFile(impl, QRN_FILE_CAL_DATA, "reference scan");
    }
    if (!impl.referenceMatrix) {
        impl.referenceMatrix = fetchFile(impl, QRN_FILE_MATRIX_DATA, "reference matrix");
    }
}

}  // namespace

std::vector<Configuration> Module::configurations()
{
    return impl_->call([&] {
        std::vector<Configuration>& configs = loadConfigurations(*impl_);
        // Scan times follow the averaging; read them again when it changed.
        if (impl_->scanTimesAveraging != impl_->averaging) {
            for (Configuration& c : configs) {
                c.scan_time_s = selectAndTime(*impl_, c.index) / 1000.0;
            }
            impl_->scanTimesAveraging = impl_->averaging;
        }
        return configs;
    });
}

double Module::scan_time_s(int index)
{
    return impl_->call([&] {
        checkIndex(*impl_, index);
        return selectAndTime(*impl_, index) / 1000.0;
    });
}

int Module::stale_scan_retries() const
{
    const std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->staleScanRetries;
}

void Module::set_stale_scan_retries(int retries)
{
    if (retries < 0 || retries > 1000) {
        throw Error(ZEL_E_INVALID_ARGUMENT, "stale scan retries outside 0 to 1000");
    }
    const std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->staleScanRetries = retries;
}

Spectrum Module::scan(int configuration, const ScanOptions& options)
{
    if (options.repeats < 1) {
        throw Error(ZEL_E_INVALID_ARGUMENT, "repeats must be 1 or more");
    }
    return impl_->call([&] {
        Impl& impl = *impl_;
        checkIndex(impl, configuration);
        const Configuration& config = (*impl.configurations)[static_cast<std::size_t>(configuration)];
        loadReference(impl);
        if (impl.resyncStoredScan) {
            impl.rememberStoredScan();
            impl.resyncStoredScan = false;
        }

        auto scan = std::make_unique<scanResults>();
        auto first = std::make_unique<scanResults>();
        Accumulator sums;
        for (int done = 0; done < options.repeats; ++done) {
            const std::vector<uint8_t> file = acquire(impl, configuration);
            std::memset(scan.get(), 0, sizeof *scan);
            if (zelspec_scan_interpret(file.data(), file.size(), scan.get()) != ZELSPEC_PASS) {
                impl.fail(ZEL_E_DECODE, "interpreting the scan data");
            }
            if (done == 0) {
                std::memcpy(first.get(), scan.get(), sizeof *scan);
            } else if (scan->length != first->length) {
                impl.fail(ZEL_E_DECODE, "repeat " + std::to_string(done + 1) +
                                            " has a different number of points");
            }
            sums.add(*scan);
            if (options.progress) {
                options.progress(done + 1, options.repeats);
            }
        }

        auto reference = std::make_unique<scanResults>();
        std::memset(reference.get(), 0, sizeof *reference);
        if (zelspec_scan_interpReference(impl.referenceScan->data(), impl.referenceScan->size(),
                                         impl.referenceMatrix->data(),
                                         impl.referenceMatrix->size(), first.get(),
                                         reference.get()) != ZELSPEC_PASS) {
            impl.fail(ZEL_E_REFERENCE, "interpolating the reference");
        }

        Spectrum s;
        const auto points = static_cast<std::size_t>(first->length);
        s.wavelength_nm.assign(first->wavelength, first->wavelength + points);
        s.reference.assign(reference->intensity, reference->intensity + points);
        s.intensity.resize(points);
        for (std::size_t i = 0; i < points; ++i) {
            s.intensity[i] = sums.sum[i] / sums.count;
        }
        if (sums.count > 1) {
            s.intensity_std.resize(points);
            for (std::size_t i = 0; i < points; ++i) {
                const double n = sums.count;
                const double variance = (sums.squares[i] - sums.sum[i] * sums.sum[i] / n) / (n - 1);
                s.intensity_std[i] = std::sqrt(std::max(variance, 0.0));
            }
        }
        SpectrumMetadata& m = s.metadata;
        m.serial = impl.info.serial;
        m.configuration = configuration;
        m.configuration_name = config.name;
        m.kind = config.kind;
        m.gain = first->pga;
        m.averaging = impl.averaging;
        m.repeats = options.repeats;
        m.temperature_c = first->system_temp / 100.0;
        m.humidity_pct = first->humidity / 100.0;
        m.module_time = moduleTime(first->stamp);
        m.host_time_utc = utcNow();
        m.software_version = ZEL_VERSION_STRING;
        return s;
    });
}

}  // namespace zel
