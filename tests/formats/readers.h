// Readers of the tests' own for the text formats: they share no code with the writers and
// check the layout rules while they read (GoogleTest expectations).
#ifndef ZEL_TESTS_FORMATS_READERS_H
#define ZEL_TESTS_FORMATS_READERS_H

#include <map>
#include <string>
#include <vector>

#include "device/spectrum.h"

namespace zel::formats_test {

struct Csv {
    std::map<std::string, std::string> metadata;  // the "# key: value" lines
    std::vector<std::string> names;               // the column header
    std::vector<std::vector<double>> columns;
    std::vector<double> column(const std::string& name) const;
};

Csv read_csv(const std::string& text);

struct Jcamp {
    std::vector<std::string> labels;  // in the order of the file
    std::map<std::string, std::string> values;
    std::vector<long long> x;  // the pairs as written, before the factors
    std::vector<long long> y;
    double number(const std::string& label) const;
};

// Also expects every line to be printable ASCII of at most 80 characters.
Jcamp read_jcamp(const std::string& text);

// The same double at every point, or NaN where `expected` is NaN.
void expect_same(const std::vector<double>& actual, const std::vector<double>& expected);

// The pairs give the points of `spectrum` whose `quantity` is defined, each within half the
// stated factor, and FIRSTX, LASTX, FIRSTY and NPOINTS agree with them.
void expect_pairs_reproduce(const Jcamp& jcamp, const Spectrum& spectrum, Quantity quantity);

}  // namespace zel::formats_test

#endif
