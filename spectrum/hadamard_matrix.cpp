// Orders of Hadamard groups and access to the stored S-matrices.
#include "spectrum/hadamard_matrices.h"
#include "spectrum/zelspec_patterns.h"

namespace {

// The packed matrix of order n, or the status that says why there is none.
int32_t stored_matrix(uint16_t n, const uint8_t *&bits)
{
    if (n > zelspec::hadamard_max_order)
        return ZELSPEC_ERROR_INVALID_INPUT;
    bits = zelspec::hadamard_matrix_table[n];
    return bits == nullptr ? ZELSPEC_ERROR_NULL_POINTER : ZELSPEC_PASS;
}

bool bit_at(const uint8_t *bits, uint32_t i) { return (bits[i / 8] >> (i % 8)) & 1; }

// No divisor in 2..n/2; testing up to the square root finds the same divisors.
bool has_no_divisor(int64_t n)
{
    for (int64_t d = 2; d <= n / d; ++d)
        if (n % d == 0)
            return false;
    return true;
}

}  // namespace

extern "C" {

int32_t zelspec_is_prime(int32_t n) { return has_no_divisor(n) ? 1 : 0; }

// Orders beyond int32 do not occur: the column counts of a definition are at most 284.
int32_t zelspec_hadamard_order(int32_t num_cols)
{
    int64_t m = int64_t{num_cols} + 1;
    if (m < 4)
        m = 4;
    m = (m + 3) / 4 * 4;
    while (!has_no_divisor(m - 1))
        m += 4;
    return static_cast<int32_t>(m - 1);
}

int32_t zelspec_hadamard_matrix_unpack(uint16_t n, double *matrix)
{
    if (matrix == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const uint8_t *bits = nullptr;
    const int32_t status = stored_matrix(n, bits);
    if (status != ZELSPEC_PASS)
        return status;
    // Whole bytes first, eight entries each; then the bits of the last partial byte.
    const uint32_t count = uint32_t{n} * n;
    const uint32_t whole = count / 8;
    for (uint32_t b = 0; b < whole; ++b, matrix += 8) {
        const unsigned byte = bits[b];
        for (unsigned i = 0; i < 8; ++i)
            matrix[i] = static_cast<double>((byte >> i) & 1);
    }
    for (uint32_t i = whole * 8; i < count; ++i)
        *matrix++ = bit_at(bits, i) ? 1.0 : 0.0;
    return ZELSPEC_PASS;
}

int32_t zelspec_hadamard_matrix_row(uint16_t n, int32_t k, uint8_t *row)
{
    if (row == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    const uint8_t *bits = nullptr;
    const int32_t status = stored_matrix(n, bits);
    if (status != ZELSPEC_PASS)
        return status;
    if (k < 0 || k >= n)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const uint32_t first = static_cast<uint32_t>(k) * n;
    for (uint32_t c = 0; c < n; ++c)
        row[c] = bit_at(bits, first + c) ? 1 : 0;
    return ZELSPEC_PASS;
}

}  // extern "C"
