#include "tests/formats/readers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace zel::formats_test {

namespace {

std::vector<std::string> split(const std::string& line, char separator)
{
    std::vector<std::string> parts;
    std::stringstream in(line);
    std::string part;
    while (std::getline(in, part, separator)) {
        parts.push_back(part);
    }
    return parts;
}

}  // namespace

std::vector<double> Csv::column(const std::string& name) const
{
    const auto at = std::find(names.begin(), names.end(), name);
    EXPECT_NE(at, names.end()) << "no column " << name;
    return at == names.end() ? std::vector<double>{} : columns[at - names.begin()];
}

Csv read_csv(const std::string& text)
{
    Csv csv;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("# ")) {
            EXPECT_TRUE(csv.names.empty()) << "metadata after the header: " << line;
            const std::size_t colon = line.find(": ");
            EXPECT_NE(colon, std::string::npos) << line;
            csv.metadata[line.substr(2, colon - 2)] = line.substr(colon + 2);
        } else if (csv.names.empty()) {
            csv.names = split(line, ',');
            csv.columns.resize(csv.names.size());
        } else {
            const std::vector<std::string> fields = split(line, ',');
            EXPECT_EQ(fields.size(), csv.names.size()) << line;
            for (std::size_t c = 0; c < fields.size() && c < csv.columns.size(); ++c) {
                char* end = nullptr;
                csv.columns[c].push_back(std::strtod(fields[c].c_str(), &end));
                EXPECT_EQ(*end, '\0') << fields[c];
            }
        }
    }
    return csv;
}

double Jcamp::number(const std::string& label) const
{
    const auto at = values.find(label);
    EXPECT_NE(at, values.end()) << "no label " << label;
    return at == values.end() ? std::nan("") : std::strtod(at->second.c_str(), nullptr);
}

Jcamp read_jcamp(const std::string& text)
{
    Jcamp j;
    std::stringstream in(text);
    std::string line;
    bool in_table = false;
    while (std::getline(in, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        for (char c : line) {
            EXPECT_TRUE(c >= 0x20 && c <= 0x7e) << line;
        }
        if (line.starts_with("##")) {
            const std::size_t equals = line.find('=');
            EXPECT_NE(equals, std::string::npos) << line;
            const std::string label = line.substr(2, equals - 2);
            j.labels.push_back(label);
            j.values[label] = line.substr(equals + 1);
            in_table = label == "PEAK TABLE";
            continue;
        }
        EXPECT_TRUE(in_table) << "a line outside the table: " << line;
        std::stringstream pairs(line);
        std::string pair;
        while (pairs >> pair) {
            const std::size_t comma = pair.find(',');
            EXPECT_NE(comma, std::string::npos) << pair;
            j.x.push_back(std::stoll(pair.substr(0, comma)));
            j.y.push_back(std::stoll(pair.substr(comma + 1)));
        }
    }
    return j;
}

void expect_same(const std::vector<double>& actual, const std::vector<double>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (std::isnan(expected[i])) {
            EXPECT_TRUE(std::isnan(actual[i])) << "point " << i;
        } else {
            EXPECT_EQ(actual[i], expected[i]) << "point " << i;
        }
    }
}

void expect_pairs_reproduce(const Jcamp& j, const Spectrum& s, Quantity q)
{
    std::vector<double> xs;
    std::vector<double> ys;
    const std::vector<double> values = s.values(q);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!std::isnan(values[i])) {
            xs.push_back(s.wavelength_nm[i]);
            ys.push_back(values[i]);
        }
    }
    const double x_factor = j.number("XFACTOR");
    const double y_factor = j.number("YFACTOR");
    ASSERT_EQ(j.x.size(), xs.size());
    ASSERT_FALSE(xs.empty());
    EXPECT_EQ(j.number("NPOINTS"), static_cast<double>(xs.size()));
    EXPECT_EQ(j.number("FIRSTX"), xs.front());
    EXPECT_EQ(j.number("LASTX"), xs.back());
    EXPECT_EQ(j.number("FIRSTY"), ys.front());
    for (std::size_t i = 0; i < xs.size(); ++i) {
        EXPECT_NEAR(static_cast<double>(j.x[i]) * x_factor, xs[i], x_factor * 0.5000001) << i;
        EXPECT_NEAR(static_cast<double>(j.y[i]) * y_factor, ys[i], y_factor * 0.5000001) << i;
    }
}

}  // namespace zel::formats_test
