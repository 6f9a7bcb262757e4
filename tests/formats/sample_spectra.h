// Spectra for the format tests, built by hand (no module involved).
#ifndef ZEL_TESTS_FORMATS_SAMPLE_SPECTRA_H
#define ZEL_TESTS_FORMATS_SAMPLE_SPECTRA_H

#include <cstdint>
#include <random>

#include "device/spectrum.h"

namespace zel::formats_test {

// Three points; the second has no reference, so no reflectance. Three scans on the host.
inline Spectrum small_spectrum()
{
    Spectrum s;
    s.metadata.serial = "ZEL00042";
    s.metadata.configuration = 1;
    s.metadata.configuration_name = "Column 1";
    s.metadata.kind = ScanKind::Hadamard;
    s.metadata.gain = 8;
    s.metadata.averaging = 4;
    s.metadata.repeats = 3;
    s.metadata.temperature_c = 24.57;
    s.metadata.humidity_pct = 40.1;
    s.metadata.module_time = "2024-05-06T07:08:09";
    s.metadata.host_time_utc = "2024-05-06T07:08:10Z";
    s.metadata.software_version = "0.2.0";
    s.wavelength_nm = {900.123456, 1300.5, 1700.000001};
    s.intensity = {1000.25, 2000.5, 750};
    s.reference = {4000, 0, 3000};
    s.intensity_std = {1.5, 0, 2.25};
    return s;
}

// `points` points of full-precision doubles over the module's range, in a fixed pseudo-random
// order of wavelengths (as sectioned scans may give them); one scan.
inline Spectrum random_spectrum(std::size_t points, uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> wavelength(900, 1700);
    std::uniform_real_distribution<double> counts(-50, 60000);
    Spectrum s;
    s.metadata.serial = "ZEL00001";
    s.metadata.configuration_name = "random";
    s.metadata.software_version = "0.2.0";
    for (std::size_t i = 0; i < points; ++i) {
        s.wavelength_nm.push_back(wavelength(random));
        s.intensity.push_back(counts(random));
        s.reference.push_back(counts(random));
    }
    return s;
}

}  // namespace zel::formats_test

#endif
