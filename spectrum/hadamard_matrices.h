// The stored S-matrices: slot n holds the packed matrix of order n, or null when n is not a
// prime with n mod 4 = 3. Entry (r, c) is bit r*n + c, in byte (r*n + c) / 8 at bit (r*n + c) % 8.
#ifndef ZEL_SPECTRUM_HADAMARD_MATRICES_H
#define ZEL_SPECTRUM_HADAMARD_MATRICES_H

#include <cstdint>

namespace zelspec {

inline constexpr int hadamard_max_order = 251;
inline constexpr int hadamard_table_slots = hadamard_max_order + 1;

extern const uint8_t *const hadamard_matrix_table[hadamard_table_slots];

}  // namespace zelspec

#endif
