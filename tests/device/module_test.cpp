#include "device/module.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/virtual_module.h"

namespace zel {
namespace {

VirtualOptions instant()
{
    VirtualOptions options;
    options.realtime = false;
    return options;
}

double smoothSample(double nm)
{
    return 0.55 + 0.25 * std::sin((nm - 900.0) / 250.0);
}

TEST(ModuleSmoke, ScansEveryConfiguration)
{
    Module m = Module::open_virtual(instant(), smoothSample);
    const auto& configs = m.configurations();
    ASSERT_EQ(configs.size(), 4u);
    for (const Configuration& c : configs) {
        const Spectrum s = m.scan(c.index);
        double worst = 0;
        double sq = 0;
        const auto r = s.reflectance();
        for (std::size_t i = 0; i < s.size(); ++i) {
            const double e = r[i] - smoothSample(s.wavelength_nm[i]);
            worst = std::max(worst, std::abs(e));
            sq += e * e;
        }
        std::printf("%d %s points %d size %zu scan %.3f s rms %.4f worst %.4f\n", c.index,
                    c.name.c_str(), c.points, s.size(), c.scan_time_s, std::sqrt(sq / s.size()),
                    worst);
    }
}

}  // namespace
}  // namespace zel
