/* What a module leaves the factory with: its scan configurations, the white reference scan taken
 * with a configuration of its own, and the reference calibration matrix that carries that
 * reference to other pattern widths. All are serialized images, as the module stores them.
 *
 * Configurations (each 900-1700 nm or inside it, 24 samples per black sample):
 *   0 "Column 1"      column,   900-1700 nm, width 7, 228 points
 *   1 "Hadamard 1"    Hadamard, 900-1700 nm, width 7, 228 points
 *   2 "Sectioned 1"   column 900-1295 nm width 7, 100 points; Hadamard 1300-1700 nm width 9,
 *                     120 points
 *   3 "Column fine"   column,   950-1650 nm, width 6, 350 points
 * Reference: "Factory reference", column, 900-1700 nm, width 10, 228 points, white tile, gain 2,
 * 64 scans averaged. Matrix: widths 2 to 20, 50 nodes from 900 to 1700 nm; row r at node n is
 * the white tile's signal with a band of widths[r] centred at that node, relative to width 20
 * (60000), so the ratio of two rows is the optics' own width correction. */
#ifndef ZEL_SIM_FACTORY_DATA_H
#define ZEL_SIM_FACTORY_DATA_H

#include <array>
#include <vector>

#include "sim/virtual_module.h"

namespace zel::sim::factory {

/* The module's first coefficient triple (stored and carried in every scan, never evaluated). */
inline constexpr std::array<double, 3> kPatternCoeffs{0.8, -0.0125, 1.5e-5};
inline constexpr unsigned kReferenceGain = 2;
inline constexpr unsigned kReferenceAverage = 64;

std::vector<Bytes> configurations(const ModuleIdentity &id);
/* Empty when the scan engine can not build the reference (it always can with the stock data). */
std::optional<Bytes> referenceScan(const ModuleIdentity &id);
Bytes referenceMatrix();

/* The serial number as the 8 bytes of a record's ident field. */
std::array<char, 8> identBytes(const std::wstring &serial);

}  // namespace zel::sim::factory

#endif
