#include "sim/optics.h"

#include <algorithm>
#include <cmath>

namespace zel::sim::optics {
namespace {

constexpr double kLampKelvin = 2850.0;
constexpr double kSecondRadiation = 1.4388e7;  // hc/k in nm*K
constexpr double kCountsPerColumn = 1500.0;

double planck(double nm) {
    return 1.0 / (std::pow(nm, 5.0) * (std::exp(kSecondRadiation / (nm * kLampKelvin)) - 1.0));
}

double lamp(double nm) {
    static const double peak = planck(kSecondRadiation / (4.965 * kLampKelvin));
    return planck(nm) / peak;
}

double logistic(double x) { return 1.0 / (1.0 + std::exp(-x)); }

// InGaAs: quantum efficiency rising with wavelength, cut on by the window filter, cut off by
// the band gap.
double detector(double nm) {
    return (nm / 1600.0) * logistic((nm - 865.0) / 14.0) * logistic((1725.0 - nm) / 14.0);
}

double throughput(int column) {
    const double off = (column - 426.5) / 426.5;
    return 0.92 - 0.12 * off * off;
}

}  // namespace

double columnWavelength(double column) {
    return kCalibration[2] * column * column + kCalibration[1] * column + kCalibration[0];
}

ColumnSignals columnSignals(const std::function<double(double)> &reflectance, bool lampLit) {
    ColumnSignals signals{};
    if (!lampLit) {
        return signals;
    }
    for (int c = 0; c < kColumns; ++c) {
        const double nm = columnWavelength(c);
        const double r = std::clamp(reflectance(nm), 0.0, 1.0);
        signals[static_cast<std::size_t>(c)] =
            kCountsPerColumn * lamp(nm) * detector(nm) * throughput(c) * r;
    }
    return signals;
}

double bandSignal(const ColumnSignals &signals, int centre, int width) {
    // As the renderer draws it: a band starting left of column 0 keeps its width, one passing
    // the last column is cut.
    const int first = std::max(centre - width / 2, 0);
    const int last = std::min(first + width - 1, kColumns - 1);
    double sum = 0.0;
    for (int c = first; c <= last; ++c) {
        sum += signals[static_cast<std::size_t>(c)];
    }
    return sum;
}

double darkLevel(unsigned gain) { return 1800.0 + 90.0 * gain; }

double noiseSigma(double counts) { return std::sqrt(36.0 + 0.25 * std::max(counts, 0.0)); }

double gaussian(uint64_t seed, uint64_t index) {
    // Four splitmix64 uniforms summed (Irwin-Hall), scaled to unit variance.
    uint64_t state = seed * 0x9E3779B97F4A7C15ULL + index * 0xD1B54A32D192ED03ULL;
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) {
        state += 0x9E3779B97F4A7C15ULL;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        sum += static_cast<double>(z >> 11) * 0x1.0p-53;
    }
    return (sum - 2.0) * std::sqrt(3.0);
}

}  // namespace zel::sim::optics
