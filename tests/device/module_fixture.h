// Module objects on in-process virtual modules for the device tests.
#ifndef ZEL_TESTS_DEVICE_MODULE_FIXTURE_H
#define ZEL_TESTS_DEVICE_MODULE_FIXTURE_H

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "device/module.h"
#include "sim/virtual_module.h"

namespace zel::test {

// A virtual module on its own clock: scans take no real time.
inline VirtualOptions instantOptions(const std::string& serial = "ZEL00001", uint64_t seed = 1)
{
    VirtualOptions options;
    options.serial = serial;
    options.seed = seed;
    options.realtime = false;
    return options;
}

// Smooth samples that a scan should give back as reflectance.
inline double risingSample(double nm)
{
    return 0.55 + 0.25 * std::sin((nm - 900.0) / 250.0);
}
inline double fallingSample(double nm)
{
    return 0.75 - 0.3 * (nm - 900.0) / 800.0;
}

struct ReflectanceError {
    double rms = 0;
    double worst = 0;
};

// How far a spectrum's reflectance lies from the sample the module was given.
inline ReflectanceError reflectanceError(const Spectrum& s, const std::function<double(double)>& sample)
{
    ReflectanceError e;
    const std::vector<double> r = s.reflectance();
    double squares = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double d = r[i] - sample(s.wavelength_nm[i]);
        squares += d * d;
        e.worst = std::max(e.worst, std::abs(d));
    }
    e.rms = s.size() > 0 ? std::sqrt(squares / static_cast<double>(s.size())) : 0;
    return e;
}

// Runs `call` and returns the code of the zel::Error it throws (0 when it does not throw).
template <typename Call>
int errorCode(Call&& call)
{
    try {
        call();
    } catch (const Error& error) {
        return error.code();
    }
    return 0;
}

}  // namespace zel::test

#endif
