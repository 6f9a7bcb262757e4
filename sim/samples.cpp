// Samples that can lie under the module's window.
#include <array>
#include <cmath>

#include "sim/virtual_module.h"

namespace zel::sim {
namespace {

struct Band {
    double centreNm;
    double widthNm;  // standard deviation
    double depth;
};

// Overtone bands of an organic powder: C-H second overtone, C-H combination, O-H first
// overtone (water), N-H first overtone.
constexpr std::array<Band, 4> kBands{{
    {1195.0, 18.0, 0.12},
    {1395.0, 16.0, 0.06},
    {1450.0, 38.0, 0.30},
    {1575.0, 24.0, 0.09},
}};

}  // namespace

double VirtualModule::defaultSample(double nm) {
    double reflectance = 0.82 - 0.08 * (nm - 900.0) / 800.0;
    for (const Band &band : kBands) {
        const double z = (nm - band.centreNm) / band.widthNm;
        reflectance -= band.depth * std::exp(-0.5 * z * z);
    }
    return reflectance;
}

double VirtualModule::whiteReference(double) { return 1.0; }

}  // namespace zel::sim
