// The physics oracle: scans of the virtual module, interpreted by the spectrum library, must show
// the simulated sample.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "sim/virtual_module.h"
#include "sim_test_host.h"
#include "spectrum/zelspec.h"
#include "spectrum/zelspec_scan.h"

namespace zel::sim {
namespace {

using testing::readFile;
using testing::scan;
using testing::write;

std::unique_ptr<scanResults> interpret(const std::vector<uint8_t> &data) {
    auto results = std::make_unique<scanResults>();
    EXPECT_EQ(zelspec_scan_interpret(data.data(), data.size(), results.get()), ZELSPEC_PASS);
    return results;
}

std::unique_ptr<scanResults> reference(VirtualModule &module, const scanResults &scanned) {
    const auto cal = readFile(module, 2);
    const auto matrix = readFile(module, 3);
    auto ref = std::make_unique<scanResults>();
    EXPECT_EQ(zelspec_scan_interpReference(cal.data(), cal.size(), matrix.data(), matrix.size(),
                                           &scanned, ref.get()),
              ZELSPEC_PASS);
    return ref;
}

double peak(const scanResults &r) {
    double best = 0;
    for (int i = 0; i < r.length; ++i) {
        best = std::max(best, static_cast<double>(r.intensity[i]));
    }
    return best;
}

TEST(Physics, ColumnAndHadamardScansOfOneSampleAgreeWithinNoise) {
    VirtualModule module;
    const auto column = interpret(scan(module, 0));
    const auto hadamard = interpret(scan(module, 1));
    ASSERT_EQ(column->length, 228);
    ASSERT_EQ(hadamard->length, 228);
    const double top = peak(*column);
    double meanRelative = 0;
    int counted = 0;
    for (int i = 0; i < column->length; ++i) {
        EXPECT_DOUBLE_EQ(column->wavelength[i], hadamard->wavelength[i]);
        if (column->intensity[i] < 0.05 * top) {
            continue;
        }
        const double relative =
            (hadamard->intensity[i] - column->intensity[i]) / static_cast<double>(column->intensity[i]);
        EXPECT_LT(std::fabs(relative), 0.03) << "at " << column->wavelength[i] << " nm";
        meanRelative += relative;
        ++counted;
    }
    EXPECT_GT(counted, 200);
    EXPECT_LT(std::fabs(meanRelative / counted), 0.002);
}

TEST(Physics, ColumnScanSpansTheConfiguredRangeInAscendingOrder) {
    VirtualModule module;
    const auto r = interpret(scan(module, 0));
    EXPECT_NEAR(r->wavelength[0], 900.0, 1.5);
    EXPECT_NEAR(r->wavelength[r->length - 1], 1700.0, 1.5);
    for (int i = 1; i < r->length; ++i) {
        EXPECT_GT(r->wavelength[i], r->wavelength[i - 1]);
    }
    EXPECT_EQ(r->pga, module.state().pgaGain);
}

// Scanning the white tile and dividing by the reference brought onto the scan gives 1.0, for
// every stored configuration: other widths, Hadamard coding, sections, another gain.
TEST(Physics, WhiteTileAgainstTheFactoryReferenceIsOne) {
    for (const uint8_t config : {0, 1, 2, 3}) {
        VirtualModule module;
        module.setSample(&VirtualModule::whiteReference);
        const auto scanned = interpret(scan(module, config));
        const auto ref = reference(module, *scanned);
        ASSERT_EQ(ref->length, scanned->length);
        for (int i = 0; i < scanned->length; ++i) {
            const double ratio = scanned->intensity[i] / static_cast<double>(ref->intensity[i]);
            EXPECT_NEAR(ratio, 1.0, 0.03)
                << "configuration " << int{config} << " at " << scanned->wavelength[i] << " nm";
        }
    }
}

// Scan and reference of every stored configuration hold nothing past their valid points (the
// Hadamard configuration measures 237 samples for its 228 points, and the factory reference has
// 228 points where the sectioned configuration has 220).
TEST(Physics, NothingRemainsBeyondTheValidPointsOfAnyConfiguration) {
    const int points[] = {228, 228, 220, 350};
    for (const uint8_t config : {0, 1, 2, 3}) {
        SCOPED_TRACE(int{config});
        VirtualModule module;
        const auto scanned = interpret(scan(module, config));
        const auto ref = reference(module, *scanned);
        ASSERT_EQ(scanned->length, points[config]);
        ASSERT_EQ(ref->length, points[config]);
        for (int i = points[config]; i < ZELSPEC_RESULTS_LEN; ++i) {
            ASSERT_EQ(scanned->intensity[i], 0) << i;
            ASSERT_EQ(scanned->wavelength[i], 0.0) << i;
            ASSERT_EQ(ref->intensity[i], 0) << i;
            ASSERT_EQ(ref->wavelength[i], 0.0) << i;
        }
    }
}

TEST(Physics, ReflectanceShowsTheSampleAbsorptionBands) {
    VirtualModule module;
    const auto scanned = interpret(scan(module, 0));
    const auto ref = reference(module, *scanned);
    for (int i = 0; i < scanned->length; ++i) {
        const double reflectance = scanned->intensity[i] / static_cast<double>(ref->intensity[i]);
        EXPECT_NEAR(reflectance, VirtualModule::defaultSample(scanned->wavelength[i]), 0.03)
            << "at " << scanned->wavelength[i] << " nm";
    }
}

TEST(Physics, GainScalesTheSignalAndAHeldOffLampLeavesOnlyDarkness) {
    VirtualModule module;
    write(module, 0x040C, {1, 2});
    const auto low = interpret(scan(module, 0));
    write(module, 0x040C, {1, 16});
    const auto high = interpret(scan(module, 0));
    write(module, 0x0225, {1});
    const auto dark = interpret(scan(module, 0));
    for (int i = 0; i < low->length; ++i) {
        if (low->intensity[i] > 0.1 * peak(*low)) {
            EXPECT_NEAR(high->intensity[i] / static_cast<double>(low->intensity[i]), 8.0, 0.2);
        }
        EXPECT_LT(std::abs(dark->intensity[i]), 60);
    }
}

TEST(Physics, RepeatedScansDifferOnlyByNoiseThatAveragingReduces) {
    VirtualModule module;
    const auto a = interpret(scan(module, 0));
    const auto b = interpret(scan(module, 0));
    write(module, 0x022E, {64, 0});
    const auto c = interpret(scan(module, 0));
    const auto d = interpret(scan(module, 0));
    double single = 0, averaged = 0;
    for (int i = 0; i < a->length; ++i) {
        single += std::pow(a->intensity[i] - b->intensity[i], 2);
        averaged += std::pow(c->intensity[i] - d->intensity[i], 2);
    }
    EXPECT_GT(single, 0);
    EXPECT_LT(averaged * 16, single);
}

}  // namespace
}  // namespace zel::sim
