// Configuration and scans: the command sequence, the copy of the interpreted result, and every
// failing step mapped to its code with nothing copied.
#include "tests/api/api_fixture.h"

#include <algorithm>

#include "protocol/qrn_codes.h"

namespace zel::test {
namespace {

using ScanTest = ApiTest;

TEST_F(ScanTest, ConfigurationZeroIsDecodedForTheCaller)
{
    module().setConfigurations({standardConfigImage("first", 900, 1700, 228),
                                standardConfigImage("second", 1000, 1600, 100)});
    module().state().activeConfig = 1;
    sectionedScanConfig config = sentinel<sectionedScanConfig>();
    ASSERT_EQ(zelGetConfigInfo(&config), ZEL_OK);

    scanConfig standard;
    std::memcpy(&standard, &config, sizeof standard);
    EXPECT_EQ(standard.scan_type, 0);
    EXPECT_EQ(std::string(standard.config_name), "first");
    EXPECT_EQ(std::string(standard.ident, 8), "CFGIDENT");
    EXPECT_EQ(standard.wavelength_start_nm, 900);
    EXPECT_EQ(standard.wavelength_end_nm, 1700);
    EXPECT_EQ(standard.num_patterns, 228);
}

TEST_F(ScanTest, ConfigurationFailures)
{
    struct Case {
        const char* name;
        std::function<void(sim::VirtualModule&)> arrange;
        int32_t status;
    };
    const Case cases[] = {
        {"no configuration", [](sim::VirtualModule& m) { m.setConfigurations({}); },
         ZEL_ERROR_NO_CONFIG},
        {"count unreadable",
         [](sim::VirtualModule& m) {
             sim::Fault f;
             f.kind = sim::FaultKind::ErrorField;
             f.value = 2;
             f.code = QRN_CMD_GET_NUM_SCAN_CONFIGS;
             m.injectFault(f);
         },
         ZEL_ERROR_NO_CONFIG},
        {"read fails",
         [](sim::VirtualModule& m) {
             sim::Fault f;
             f.kind = sim::FaultKind::NoAnswer;
             f.code = QRN_CMD_GET_SCAN_CONFIG;
             m.injectFault(f);
         },
         ZEL_ERROR_READ_CONFIG},
        {"not an image", [](sim::VirtualModule& m) { m.setConfigurations({sim::Bytes(91, 0x33)}); },
         ZEL_ERROR_READ_CONFIG},
        {"longer than 512 bytes",
         [](sim::VirtualModule& m) {
             sim::Bytes image = standardConfigImage("long", 900, 1700, 228);
             image.resize(600, 0);
             m.setConfigurations({image});
         },
         ZEL_ERROR_READ_CONFIG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        module().clearFaults();
        module().setConfigurations({standardConfigImage("first", 900, 1700, 228)});
        c.arrange(module());
        sectionedScanConfig config = sentinel<sectionedScanConfig>();
        EXPECT_EQ(zelGetConfigInfo(&config), c.status);
        EXPECT_TRUE(sameBytes(config, sentinel<sectionedScanConfig>()));
    }
}

TEST_F(ScanTest, ScanRunsTheCommandsInOrderAndWaitsTheScanTime)
{
    module().setScanTime(1234);
    const uint64_t scansBefore = module().scanCount();
    const uint64_t slept = sim::sleptMs();
    scanResults results = sentinel<scanResults>();
    ASSERT_EQ(zelGetScanResults(&results), ZEL_OK);

    EXPECT_EQ(module().scanCount(), scansBefore + 1);
    EXPECT_EQ(sim::sleptMs() - slept, 1234u);
    std::vector<uint16_t> codes = requestCodes();
    const std::vector<uint16_t> head = {QRN_CMD_GET_NUM_SCAN_CONFIGS,
                                        QRN_CMD_SET_ACTIVE_SCAN_CONFIG, QRN_CMD_GET_SCAN_TIME,
                                        QRN_CMD_START_SCAN, QRN_CMD_GET_FILE_SIZE};
    auto first = std::search(codes.begin(), codes.end(), head.begin(), head.end());
    ASSERT_NE(first, codes.end());
    EXPECT_TRUE(std::all_of(first + static_cast<std::ptrdiff_t>(head.size()), codes.end(),
                            [](uint16_t code) { return code == QRN_CMD_GET_FILE_DATA; }));

    const scanResults expected = interpretStoredScan(module());
    EXPECT_TRUE(sameBytes(results, expected));
    EXPECT_EQ(results.length, 228);
}

struct StepFault {
    const char* name;
    sim::Fault fault;
    int32_t status;
};

sim::Fault onCode(sim::FaultKind kind, uint16_t code, int32_t value = 2)
{
    sim::Fault fault;
    fault.kind = kind;
    fault.value = value;
    fault.code = code;
    return fault;
}

sim::Fault onScanFile(sim::FaultKind kind, int32_t value)
{
    sim::Fault fault;
    fault.kind = kind;
    fault.value = value;
    fault.file = sim::StoredFile::ScanData;
    return fault;
}

// Faults of the steps every scan function shares, from selecting the configuration on.
std::vector<StepFault> scanStepFaults()
{
    using K = sim::FaultKind;
    return {
        {"select", onCode(K::ErrorField, QRN_CMD_SET_ACTIVE_SCAN_CONFIG), ZEL_ERROR_SELECT_CONFIG},
        {"scan time", onCode(K::NoAnswer, QRN_CMD_GET_SCAN_TIME), ZEL_ERROR_SCAN_TIME},
        {"start", onCode(K::ErrorField, QRN_CMD_START_SCAN, 3), ZEL_ERROR_START_SCAN},
        {"size", onCode(K::ErrorField, QRN_CMD_GET_FILE_SIZE), ZEL_ERROR_FILE_SIZE},
        {"chunk lost", onCode(K::NoAnswer, QRN_CMD_GET_FILE_DATA), ZEL_ERROR_FILE_READ},
        {"chunk stalls", onCode(K::StallReply, QRN_CMD_GET_FILE_DATA, 1), ZEL_ERROR_FILE_READ},
        {"file shorter than announced", onScanFile(K::SizeSkew, 100), ZEL_ERROR_FILE_READ},
        {"file cut short", onScanFile(K::SizeSkew, -1000), ZEL_ERROR_INTERPRET},
        {"damaged image", onScanFile(K::CorruptImage, 9), ZEL_ERROR_INTERPRET},
    };
}

TEST_F(ScanTest, ScanResultsFailures)
{
    std::vector<StepFault> faults = scanStepFaults();
    faults.push_back({"count unreadable",
                      onCode(sim::FaultKind::ErrorField, QRN_CMD_GET_NUM_SCAN_CONFIGS),
                      ZEL_ERROR_NO_CONFIG});
    for (const StepFault& f : faults) {
        SCOPED_TRACE(f.name);
        module().clearFaults();
        module().injectFault(f.fault);
        scanResults results = sentinel<scanResults>();
        EXPECT_EQ(zelGetScanResults(&results), f.status);
        EXPECT_TRUE(sameBytes(results, sentinel<scanResults>()));
    }
}

TEST_F(ScanTest, StoredFileAboveOneMebibyteIsRefusedBeforeItIsRead)
{
    scanResults results;
    ASSERT_EQ(zelGetScanResults(&results), ZEL_OK);
    const auto fileSize =
        static_cast<int32_t>(module().storedFile(sim::StoredFile::ScanData)->size());
    struct Case {
        int32_t announced;
        int32_t status;
    };
    // At the limit the host reads, and finds the file shorter than announced.
    for (const Case c : {Case{1048577, ZEL_ERROR_FILE_SIZE}, Case{1048576, ZEL_ERROR_FILE_READ},
                         Case{0x7FFFFFFF, ZEL_ERROR_FILE_SIZE}}) {
        SCOPED_TRACE(c.announced);
        module().clearFaults();
        module().injectFault(onScanFile(sim::FaultKind::SizeSkew, c.announced - fileSize));
        const uint64_t chunks = module().commandCount(QRN_CMD_GET_FILE_DATA);
        results = sentinel<scanResults>();
        EXPECT_EQ(zelGetScanResults(&results), c.status);
        EXPECT_EQ(module().commandCount(QRN_CMD_GET_FILE_DATA) > chunks,
                  c.status == ZEL_ERROR_FILE_READ);
        EXPECT_TRUE(sameBytes(results, sentinel<scanResults>()));
    }
}

TEST_F(ScanTest, ScanTimeThatIsNoDurationStartsNoScan)
{
    module().setScanTime(0x80000000u);
    const uint64_t before = module().commandCount(QRN_CMD_START_SCAN);
    scanResults results = sentinel<scanResults>();
    EXPECT_EQ(zelGetScanResults(&results), ZEL_ERROR_SCAN_TIME);
    EXPECT_EQ(module().commandCount(QRN_CMD_START_SCAN), before);
}

TEST_F(ScanTest, NoStoredConfigurationStopsAfterOneCommand)
{
    module().setConfigurations({});
    const uint64_t before = messages();
    scanResults results = sentinel<scanResults>();
    EXPECT_EQ(zelGetScanResults(&results), ZEL_ERROR_NO_CONFIG);
    EXPECT_EQ(messages(), before + 1);
}

TEST_F(ScanTest, WavelengthsOfOneScanAtAveragingOne)
{
    module().state().scanAverage = 8;
    const uint64_t countRequests = module().commandCount(QRN_CMD_GET_NUM_SCAN_CONFIGS);
    double wavelengths[160];
    std::fill(std::begin(wavelengths), std::end(wavelengths), -1.0);
    ASSERT_EQ(zelGetWavelengths(wavelengths, 160), ZEL_OK);

    EXPECT_EQ(module().state().scanAverage, 1);
    EXPECT_EQ(module().commandCount(QRN_CMD_GET_NUM_SCAN_CONFIGS), countRequests);
    const scanResults expected = interpretStoredScan(module());
    ASSERT_GE(expected.length, 160);
    EXPECT_TRUE(std::equal(wavelengths, wavelengths + 160, expected.wavelength));
}

TEST_F(ScanTest, WavelengthCounts)
{
    double wavelengths[161];
    std::fill(std::begin(wavelengths), std::end(wavelengths), -1.0);
    const uint64_t before = messages();
    EXPECT_EQ(zelGetWavelengths(wavelengths, 161), ZEL_ERROR_COUNT);
    EXPECT_EQ(zelGetWavelengths(wavelengths, -1), ZEL_ERROR_COUNT);
    EXPECT_EQ(messages(), before);

    const uint64_t scans = module().scanCount();
    EXPECT_EQ(zelGetWavelengths(wavelengths, 0), ZEL_OK);
    EXPECT_EQ(module().scanCount(), scans + 1);
    EXPECT_EQ(wavelengths[0], -1.0);

    module().setConfigurations({standardConfigImage("short", 900, 1700, 100)});
    EXPECT_EQ(zelGetWavelengths(wavelengths, 160), ZEL_ERROR_TOO_FEW_POINTS);
    EXPECT_EQ(wavelengths[0], -1.0);
    ASSERT_EQ(zelGetWavelengths(wavelengths, 100), ZEL_OK);
    EXPECT_TRUE(std::equal(wavelengths, wavelengths + 100, interpretStoredScan(module()).wavelength));
    EXPECT_EQ(wavelengths[100], -1.0);
}

TEST_F(ScanTest, WavelengthsFailures)
{
    for (const StepFault& f : scanStepFaults()) {
        SCOPED_TRACE(f.name);
        module().clearFaults();
        module().injectFault(f.fault);
        double wavelengths[4] = {-1.0, -1.0, -1.0, -1.0};
        EXPECT_EQ(zelGetWavelengths(wavelengths, 4), f.status);
        EXPECT_EQ(wavelengths[0], -1.0);
    }
}

TEST_F(ScanTest, IntensitiesOfTheChosenConfiguration)
{
    module().setConfigurations({standardConfigImage("first", 900, 1700, 228),
                                standardConfigImage("second", 1000, 1600, 100)});
    int32_t intensities[864];
    std::fill(std::begin(intensities), std::end(intensities), -7);
    ASSERT_EQ(zelGetIntensities(1, intensities, 864), ZEL_OK);

    EXPECT_EQ(module().state().activeConfig, 1);
    const scanResults expected = interpretStoredScan(module());
    EXPECT_EQ(expected.length, 100);
    EXPECT_TRUE(std::equal(intensities, intensities + 864, expected.intensity));
}

TEST_F(ScanTest, IntensitiesHoldZerosBeyondTheValidPoints)
{
    // The Hadamard configuration measures 237 samples for its 228 points.
    int32_t intensities[864];
    std::fill(std::begin(intensities), std::end(intensities), -7);
    ASSERT_EQ(zelGetIntensities(1, intensities, 864), ZEL_OK);
    const scanResults expected = interpretStoredScan(module());
    ASSERT_EQ(expected.length, 228);
    EXPECT_TRUE(std::equal(intensities, intensities + 228, expected.intensity));
    EXPECT_TRUE(std::all_of(intensities + 228, std::end(intensities), [](int32_t v) { return v == 0; }));
}

TEST_F(ScanTest, IntensitiesConfigurationIndexAndCount)
{
    int32_t intensities[865];
    const uint64_t before = messages();
    EXPECT_EQ(zelGetIntensities(0, intensities, 865), ZEL_ERROR_COUNT);
    EXPECT_EQ(zelGetIntensities(0, intensities, -1), ZEL_ERROR_COUNT);
    EXPECT_EQ(messages(), before);

    module().setConfigurations({standardConfigImage("only", 900, 1700, 228)});
    for (const int32_t index : {1, 255, 256, -1}) {
        SCOPED_TRACE(index);
        const uint64_t start = messages();
        EXPECT_EQ(zelGetIntensities(index, intensities, 10), ZEL_ERROR_CONFIG_INDEX);
        EXPECT_EQ(messages(), start + 1);
    }

    // With nothing stored every index is out of range: the count of 0 is not itself a failure.
    module().setConfigurations({});
    EXPECT_EQ(zelGetIntensities(0, intensities, 10), ZEL_ERROR_CONFIG_INDEX);
}

TEST_F(ScanTest, IntensitiesFailures)
{
    std::vector<StepFault> faults = scanStepFaults();
    faults.push_back({"count unreadable",
                      onCode(sim::FaultKind::NoAnswer, QRN_CMD_GET_NUM_SCAN_CONFIGS),
                      ZEL_ERROR_NO_CONFIG});
    for (const StepFault& f : faults) {
        SCOPED_TRACE(f.name);
        module().clearFaults();
        module().injectFault(f.fault);
        int32_t intensities[4] = {-7, -7, -7, -7};
        EXPECT_EQ(zelGetIntensities(0, intensities, 4), f.status);
        EXPECT_EQ(intensities[0], -7);
    }
}

} // namespace
} // namespace zel::test
