// A module slower than the scan time it reports: module objects never hand out the previous
// scan's data as a new scan.
#include "device/module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "protocol/qrn_codes.h"
#include "sim/virtual_module.h"
#include "spectrum/zelspec.h"
#include "tests/device/module_fixture.h"

namespace zel::test {
namespace {

class StaleScanTest : public ::testing::TestWithParam<int> {
protected:
    StaleScanTest() : module_(Module::open_virtual(instantOptions(), risingSample))
    {
        module_.with_virtual([&](sim::VirtualModule& m) { model_ = &m; });
        module_.scan(GetParam());  // reads the reference files
    }

    // Size requests for the scan data file, made by the next `scan`.
    uint64_t fetchesOf(const std::function<void()>& scan)
    {
        const uint64_t before = model_->commandCount(QRN_CMD_GET_FILE_SIZE);
        scan();
        return model_->commandCount(QRN_CMD_GET_FILE_SIZE) - before;
    }

    void slowDown(int32_t milliseconds, int32_t times = 1)
    {
        sim::Fault slow;
        slow.kind = sim::FaultKind::SlowScan;
        slow.value = milliseconds;
        slow.times = times;
        model_->injectFault(slow);
    }

    // The module's own record of its newest scan, interpreted.
    std::vector<double> newestIntensities()
    {
        const sim::Bytes* data = model_->latestScan();
        auto results = std::make_unique<scanResults>();
        std::memset(results.get(), 0, sizeof *results);
        EXPECT_EQ(zelspec_scan_interpret(data->data(), data->size(), results.get()), 0);
        return std::vector<double>(results->intensity, results->intensity + results->length);
    }

    Module module_;
    sim::VirtualModule* model_ = nullptr;
};

TEST_P(StaleScanTest, NormalScansFetchOnce)
{
    Spectrum s;
    EXPECT_EQ(fetchesOf([&] { s = module_.scan(GetParam()); }), 1u);
    EXPECT_EQ(s.intensity, newestIntensities());
}

TEST_P(StaleScanTest, SlowScanWithinTheLimitYieldsTheNewScan)
{
    // Scan times are about 400 ms here, so the retries wait 50, 100, 150, 200 ms ..., and each
    // fetch of the old file takes about 70 ms of reports: the new data is fetched at about 0, 120,
    // 290, 510, 780 ms after the reported scan time.
    for (const auto& [delayMs, extra] : {std::pair{20, 1u}, std::pair{200, 2u}, std::pair{600, 4u}}) {
        slowDown(delayMs);
        const uint64_t scansBefore = model_->scanCount();
        Spectrum s;
        EXPECT_EQ(fetchesOf([&] { s = module_.scan(GetParam()); }), 1 + extra) << delayMs;
        EXPECT_EQ(model_->scanCount(), scansBefore + 1);
        EXPECT_EQ(s.intensity, newestIntensities()) << delayMs;
    }
}

TEST_P(StaleScanTest, SlowScanBeyondTheLimitFailsAndLeavesNothingBehind)
{
    module_.set_stale_scan_retries(2);
    slowDown(60000);
    uint64_t fetches = 0;
    int code = 0;
    fetches = fetchesOf([&] { code = errorCode([&] { module_.scan(GetParam()); }); });
    EXPECT_EQ(code, ZEL_E_STALE_SCAN);
    EXPECT_EQ(fetches, 3u);
    // The late data lands; the next scan still returns its own.
    model_->elapse(60000);
    const Spectrum s = module_.scan(GetParam());
    EXPECT_EQ(s.intensity, newestIntensities());
    EXPECT_EQ(fetchesOf([&] { module_.scan(GetParam()); }), 1u);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, StaleScanTest, ::testing::Values(0, 1, 2),
                         [](const auto& param) {
                             return std::string(param.param == 0   ? "Column"
                                                : param.param == 1 ? "Hadamard"
                                                                  : "Sectioned");
                         });

TEST(StaleScan, FirstScanAfterOpenIsToldFromTheStoredOne)
{
    // The module already holds a scan when the object opens; the object's first scan is slow.
    Module first = Module::open_virtual(instantOptions());
    first.scan(0);
    sim::VirtualModule* model = nullptr;
    first.with_virtual([&](sim::VirtualModule& m) { model = &m; });
    sim::Fault slow;
    slow.kind = sim::FaultKind::SlowScan;
    slow.value = 100;
    slow.times = 1;
    model->injectFault(slow);
    const sim::Bytes before = *model->storedFile(sim::StoredFile::ScanData);
    const Spectrum s = first.scan(0);
    EXPECT_NE(*model->latestScan(), before);
    EXPECT_EQ(*model->storedFile(sim::StoredFile::ScanData), *model->latestScan());
    EXPECT_EQ(s.size(), 228u);
}

}  // namespace
}  // namespace zel::test
