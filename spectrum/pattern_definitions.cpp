// Column and Hadamard pattern definitions from a configuration and the calibration polynomial.
#include <cstdlib>

#include "spectrum/zelspec_patterns.h"

namespace {

// One per thread, so that threads scanning different modules never rebuild each other's.
thread_local patDefH shared_hadamard_def;

// Neighbouring bands are apart when at least two dark columns separate them.
bool apart(int a, int b, int width) { return std::abs(a - b) - width >= 2; }

// The fewest interleaved groups in which the patterns p and p + s are apart for every examined
// p (the pair that ends at the last pattern is not examined); 0 when no count up to 15 works.
int group_count(const patDefC &columns)
{
    const int n = columns.num_patterns;
    for (int s = 1; s <= ZELSPEC_MAX_HADAMARD_GROUP_SETS; ++s) {
        bool examined = false, all_apart = true;
        for (int p = 0; p <= n - s - 2 && all_apart; ++p) {
            examined = true;
            all_apart = apart(columns.mid_px[p], columns.mid_px[p + s], columns.width_px);
        }
        if (examined && all_apart)
            return s;
    }
    return 0;
}

}  // namespace

extern "C" {

int32_t zelspec_pattern_column_def(const scanConfig *config, const calibCoeffs *coeffs,
                                   patDefC *def)
{
    if (config == nullptr || coeffs == nullptr || def == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (config->num_patterns > ZELSPEC_MAX_COLUMN_PATTERNS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    double start_px = 0.0, end_px = 0.0;
    if (zelspec_calib_nm_to_pixel(config->wavelength_start_nm, coeffs->pixel_coeffs, &start_px) !=
            ZELSPEC_PASS ||
        zelspec_calib_nm_to_pixel(config->wavelength_end_nm, coeffs->pixel_coeffs, &end_px) !=
            ZELSPEC_PASS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const int count = config->num_patterns;
    const double step = count > 1 ? (end_px - start_px) / (count - 1) : 0.0;
    def->num_patterns = config->num_patterns;
    def->width_px = config->width_px;
    // Accumulated, as the module does, rather than start + k * step.
    double position = start_px;
    for (int k = 0; k < count; ++k) {
        def->mid_px[k] = static_cast<uint16_t>(static_cast<int>(position));
        position += step;
    }
    return ZELSPEC_PASS;
}

int32_t zelspec_pattern_hadamard_def(const scanConfig *config, const calibCoeffs *coeffs,
                                     patDefH *def)
{
    if (config == nullptr || coeffs == nullptr || def == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    patDefC columns;
    const int32_t status = zelspec_pattern_column_def(config, coeffs, &columns);
    if (status != ZELSPEC_PASS)
        return status;
    const int sets = group_count(columns);
    if (sets == 0)
        return ZELSPEC_ERROR_GENERAL;
    // Group g holds every sets-th pattern from g, so the largest group has ceil(n / sets).
    if ((columns.num_patterns + sets - 1) / sets > ZELSPEC_MAX_HADAMARD_COLS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    def->num_sets = static_cast<uint8_t>(sets);
    def->num_patterns = 0;
    for (int g = 0; g < sets; ++g) {
        hadamardSet &set = def->sets[g];
        int j = 0;
        for (int entry = g; entry < columns.num_patterns; entry += sets, ++j) {
            set.col_index[j] = static_cast<uint16_t>(entry);
            set.mid_px[j] = columns.mid_px[entry];
        }
        set.num_cols = static_cast<uint16_t>(j);
        set.order = static_cast<uint16_t>(zelspec_hadamard_order(j));
        def->num_patterns = static_cast<uint16_t>(def->num_patterns + set.order);
    }
    def->width_px = columns.width_px;
    return ZELSPEC_PASS;
}

patDefH *zelspec_hadamard_shared_def(void) { return &shared_hadamard_def; }

}  // extern "C"
