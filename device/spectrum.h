// Value types that module objects hand out: configurations, sensor readings and spectra.
#ifndef ZEL_DEVICE_SPECTRUM_H
#define ZEL_DEVICE_SPECTRUM_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// How a configuration modulates the light: one band of columns per point, encoded groups of
// bands (decoded on the host), or up to five sections each of one of the two.
enum class ScanKind { Column, Hadamard, Sectioned };

// "column", "hadamard", "sectioned".
std::string_view to_string(ScanKind kind);

// One wavelength range of a configuration.
struct Section {
    ScanKind kind = ScanKind::Column;  // Column or Hadamard
    double start_nm = 0;
    double end_nm = 0;
    int width_px = 0;  // columns of the light modulator per pattern
    int patterns = 0;  // data points the section asks for
};

// A scan configuration stored in the module.
struct Configuration {
    int index = 0;
    std::string name;
    ScanKind kind = ScanKind::Column;
    double start_nm = 0;  // lowest start over the sections
    double end_nm = 0;    // highest end over the sections
    int width_px = 0;     // the first section's pattern width
    int points = 0;       // valid points a scan of it yields
    int repeats = 0;      // the configuration's own repeat count
    std::vector<Section> sections;
    double scan_time_s = 0;  // what the module expects one scan to take at the current averaging
};

// The module's sensors, in SI-friendly units and as the module reports them (hundredths).
struct Sensors {
    double temperature_c = 0;
    double humidity_pct = 0;
    double battery_v = 0;
    double battery_pct = 0;
    uint32_t raw_temperature = 0;  // hundredths of a degree
    uint32_t raw_humidity = 0;     // hundredths of a percent
    int32_t raw_battery_v = 0;     // hundredths of a volt
    int32_t raw_battery_pct = 0;   // hundredths of a percent
};

// Which values of a spectrum a caller looks at.
enum class Quantity { Intensity, Reference, Reflectance, Absorbance };

// "intensity", "reference", "reflectance", "absorbance".
std::string_view to_string(Quantity quantity);
// The quantity of one of the names above; empty for any other text.
std::optional<Quantity> quantity_from_string(std::string_view name);

// What is known of how a spectrum was taken.
struct SpectrumMetadata {
    std::string serial;           // the module's serial number
    int configuration = 0;        // index of the configuration scanned
    std::string configuration_name;
    ScanKind kind = ScanKind::Column;
    int gain = 0;                 // amplifier gain during the scan
    int averaging = 1;            // scans the module averaged into each
    int repeats = 1;              // scans the host averaged (1: a single scan)
    double temperature_c = 0;     // the module's reading stored with the scan
    double humidity_pct = 0;
    std::string module_time;      // the module's own clock, "YYYY-MM-DDTHH:MM:SS" (no zone)
    std::string host_time_utc;    // when the host received the scan, "YYYY-MM-DDTHH:MM:SSZ"
    std::string software_version; // this library's version
};

// One spectrum: entry k of every array describes the same valid point, in ascending order of
// acquisition. Intensities are dark-corrected ADC counts (the mean over the host's repeats);
// the reference is the module's factory white reference on the same wavelengths.
struct Spectrum {
    SpectrumMetadata metadata;
    std::vector<double> wavelength_nm;
    std::vector<double> intensity;
    std::vector<double> reference;
    std::vector<double> intensity_std;  // standard deviation over the repeats; empty for one scan

    std::size_t size() const { return wavelength_nm.size(); }
    // intensity / reference; NaN where the reference is not positive.
    std::vector<double> reflectance() const;
    // -log10(reflectance); NaN where the reflectance is not positive.
    std::vector<double> absorbance() const;
    // The values of `quantity`, one per point.
    std::vector<double> values(Quantity quantity) const;
};

}  // namespace zel

#endif
