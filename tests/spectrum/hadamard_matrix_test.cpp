// The stored S-matrices against the properties every one must have, and the group orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "spectrum/hadamard_matrices.h"
#include "spectrum/zelspec.h"

namespace {

const int stored_orders[] = {3,   7,   11,  19,  23,  31,  43,  47,  59,  67,
                             71,  79,  83,  103, 107, 127, 131, 139, 151, 163,
                             167, 179, 191, 199, 211, 223, 227, 239, 251};

std::vector<double> unpacked(int n)
{
    std::vector<double> m(std::size_t(n) * n, -1.0);
    EXPECT_EQ(zelspec_hadamard_matrix_unpack(static_cast<uint16_t>(n), m.data()), ZELSPEC_PASS);
    return m;
}

// The cyclic shift that turns the quadratic-residue vector into column c, or -1.
int column_shift(const std::vector<double> &m, int n, int c)
{
    std::vector<int> q(n, 0);
    q[0] = 1;
    for (int i = 1; i < n; ++i)
        q[i * i % n] = 1;
    for (int k = 0; k < n; ++k) {
        bool match = true;
        for (int r = 0; r < n && match; ++r)
            match = m[std::size_t(r) * n + c] == q[((r - k) % n + n) % n];
        if (match)
            return k;
    }
    return -1;
}

TEST(HadamardMatrix, EveryStoredOrderIsAnSMatrixOfShiftedResidues)
{
    for (int n : stored_orders) {
        SCOPED_TRACE(n);
        const std::vector<double> m = unpacked(n);
        for (double v : m)
            ASSERT_TRUE(v == 0.0 || v == 1.0);
        for (int r = 0; r < n; ++r) {
            double ones = 0;
            for (int c = 0; c < n; ++c)
                ones += m[std::size_t(r) * n + c];
            ASSERT_EQ(ones, (n + 1) / 2) << "row " << r;
        }
        for (int a = 0; a < n; ++a)
            for (int b = a + 1; b < n; ++b) {
                int shared = 0;
                for (int c = 0; c < n; ++c)
                    shared += m[std::size_t(a) * n + c] == 1.0 && m[std::size_t(b) * n + c] == 1.0;
                ASSERT_EQ(shared, (n + 1) / 4) << "rows " << a << ", " << b;
            }
        std::vector<int> k;
        for (int c = 0; c < n; ++c)
            k.push_back(column_shift(m, n, c));
        std::vector<int> sorted = k;
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(sorted[i], i) << "the column shifts are not a permutation";

        // Packed row-major with the unused high bits of the last byte clear.
        const uint8_t *bits = zelspec::hadamard_matrix_table[n];
        const int used = n * n % 8;
        if (used != 0) {
            EXPECT_EQ(bits[n * n / 8] >> used, 0);
        }
    }
}

TEST(HadamardMatrix, TheModulesOwnOrders)
{
    const std::vector<double> m3 = unpacked(3);
    EXPECT_EQ(m3, (std::vector<double>{1, 1, 0, 1, 0, 1, 0, 1, 1}));
    const uint8_t *b3 = zelspec::hadamard_matrix_table[3];
    EXPECT_EQ(b3[0], 0xAB);
    EXPECT_EQ(b3[1], 0x01);

    const char *rows7[] = {"1011100", "1101001", "1100110", "0111010",
                           "1010011", "0110101", "0001111"};
    for (int r = 0; r < 7; ++r) {
        uint8_t row[7];
        ASSERT_EQ(zelspec_hadamard_matrix_row(7, r, row), ZELSPEC_PASS);
        for (int c = 0; c < 7; ++c)
            EXPECT_EQ(row[c], rows7[r][c] - '0') << r << "," << c;
    }
    const uint8_t bytes7[] = {0x9D, 0xE5, 0xCC, 0x55, 0xB6, 0xE2, 0x01};
    EXPECT_TRUE(std::equal(bytes7, bytes7 + 7, zelspec::hadamard_matrix_table[7]));

    const std::vector<int> k11 = {4, 3, 6, 0, 8, 10, 5, 7, 2, 1, 9};
    const std::vector<int> k19 = {9, 7, 18, 5, 11, 2, 6, 14, 13, 12, 8, 4, 17, 16, 10, 0, 3, 15, 1};
    for (const auto &[n, k] : {std::pair{11, k11}, std::pair{19, k19}}) {
        const std::vector<double> m = unpacked(n);
        for (int c = 0; c < n; ++c)
            EXPECT_EQ(column_shift(m, n, c), k[c]) << n << ", column " << c;
    }
}

TEST(HadamardMatrix, RowsMatchTheUnpackedMatrix)
{
    for (int n : {23, 251}) {
        const std::vector<double> m = unpacked(n);
        std::vector<uint8_t> row(n);
        for (int r = 0; r < n; r += 5) {
            ASSERT_EQ(zelspec_hadamard_matrix_row(static_cast<uint16_t>(n), r, row.data()),
                      ZELSPEC_PASS);
            for (int c = 0; c < n; ++c)
                ASSERT_EQ(row[c], m[std::size_t(r) * n + c]);
        }
    }
}

TEST(HadamardMatrix, MissingOrdersAndBadArguments)
{
    double m[4];
    uint8_t row[4];
    EXPECT_EQ(zelspec_hadamard_matrix_unpack(2, m), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_hadamard_matrix_unpack(15, m), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_hadamard_matrix_unpack(263, m), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_hadamard_matrix_unpack(3, nullptr), ZELSPEC_ERROR_NULL_POINTER);
    EXPECT_EQ(zelspec_hadamard_matrix_row(3, 3, row), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_hadamard_matrix_row(3, -1, row), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_hadamard_matrix_row(300, 0, row), ZELSPEC_ERROR_INVALID_INPUT);
    EXPECT_EQ(zelspec_hadamard_matrix_row(3, 0, nullptr), ZELSPEC_ERROR_NULL_POINTER);
    int filled = 0;
    for (int n = 0; n < zelspec::hadamard_table_slots; ++n)
        filled += zelspec::hadamard_matrix_table[n] != nullptr;
    EXPECT_EQ(filled, 29);
}

TEST(HadamardMatrix, GroupOrders)
{
    const std::pair<int, int> cases[] = {{0, 3},   {1, 3},    {3, 3},    {4, 7},    {7, 7},
                                         {8, 11},  {12, 19},  {20, 23},  {24, 31},  {240, 251},
                                         {251, 251}, {252, 263}, {263, 263}, {-5, 3}};
    for (auto [cols, order] : cases)
        EXPECT_EQ(zelspec_hadamard_order(cols), order) << cols;
    for (int n : {0, 1, 2, 3, 5, 251})
        EXPECT_EQ(zelspec_is_prime(n), 1) << n;
    for (int n : {4, 9, 25, 249})
        EXPECT_EQ(zelspec_is_prime(n), 0) << n;
}

}  // namespace
