/* The simulated optics of the module: what each light-modulator column delivers to the detector.
 *
 * Light from a tungsten-halogen lamp (a 2850 K black body) is reflected by the sample, dispersed
 * across the modulator's 854 columns by a grating whose column-to-wavelength map is a quadratic
 * (about 895 nm at column 0 to 1715 nm at column 853), and every column that a pattern switches
 * on sends its light to one InGaAs detector (cut-on near 865 nm, cut-off near 1725 nm). The
 * throughput falls off gently towards both ends of the modulator. One column of the white tile
 * gives about 1500 ADC counts at gain 1 near the peak.
 *
 * The detector adds a dark level (offset plus amplified dark current) and noise: read noise and
 * shot noise, drawn from a deterministic generator so that every run of the same scan gives the
 * same samples. */
#ifndef ZEL_SIM_OPTICS_H
#define ZEL_SIM_OPTICS_H

#include <array>
#include <cstdint>
#include <functional>

namespace zel::sim::optics {

inline constexpr int kColumns = 854;
using ColumnSignals = std::array<double, kColumns>;

/* c0, c1, c2 of the true column-to-wavelength map: nm = c2*x*x + c1*x + c0. */
inline constexpr std::array<double, 3> kCalibration{895.0, 1.0637, -1.2e-4};

double columnWavelength(double column);

/* Counts per column at gain 1, before the dark level, for a sample of the given reflectance;
 * all zero when the lamp is dark. */
ColumnSignals columnSignals(const std::function<double(double)> &reflectance, bool lampLit);

/* Sum of the signals of the band that a pattern of width `width` centred on column `centre`
 * lights: columns centre - width/2 ... centre - width/2 + width - 1, moved right to start at
 * column 0 when they would start left of it, cut at the last column. */
double bandSignal(const ColumnSignals &signals, int centre, int width);

/* The dark level the ADC reads at a gain. */
double darkLevel(unsigned gain);

/* Standard deviation of the noise of one sample whose amplified signal is `counts`. */
double noiseSigma(double counts);

/* A deterministic standard normal deviate for (seed, index). */
double gaussian(uint64_t seed, uint64_t index);

}  // namespace zel::sim::optics

#endif
