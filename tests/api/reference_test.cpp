// Reference intensities from the module's stored files: the printed sizes, the result, and each
// failing step.
#include "tests/api/api_fixture.h"

#include <cmath>
#include <memory>

#include "protocol/qrn_codes.h"

namespace zel::test {
namespace {

class ReferenceTest : public ApiTest {
protected:
    void SetUp() override
    {
        ApiTest::SetUp();
        scanResults results;
        ASSERT_EQ(zelGetScanResults(&results), ZEL_OK);
    }

    size_t fileSize(sim::StoredFile file) { return module().storedFile(file)->size(); }

    // The reference of the module's last scan, from its stored files through the spectrum library.
    std::unique_ptr<scanResults> storedReference()
    {
        const scanResults scan = interpretStoredScan(module());
        const sim::Bytes cal = *module().storedFile(sim::StoredFile::CalData);
        const sim::Bytes matrix = *module().storedFile(sim::StoredFile::MatrixData);
        auto reference = std::make_unique<scanResults>();
        EXPECT_EQ(zelspec_scan_interpReference(cal.data(), cal.size(), matrix.data(),
                                               matrix.size(), &scan, reference.get()),
                  ZELSPEC_PASS);
        return reference;
    }

    std::string sizeLines()
    {
        return "calSize: " + std::to_string(fileSize(sim::StoredFile::CalData)) +
               "\nQRN_FILE_MATRIX_DATA size: " +
               std::to_string(fileSize(sim::StoredFile::MatrixData)) +
               "\n*****debug pMatrix****\nQRN_FILE_SCAN_DATA size: " +
               std::to_string(fileSize(sim::StoredFile::ScanData)) +
               "\nsize of uScanData: 3672\nsize of scanResults: 10592\n";
    }
};

TEST_F(ReferenceTest, StartsNoScanAndPrintsTheSizesItReads)
{
    const uint64_t scans = module().scanCount();
    int32_t reference[864];
    std::fill(std::begin(reference), std::end(reference), -7);
    int32_t result = -1;
    const std::string printed =
        captureStdout([&] { result = zelGetRefIntensityFromDevice(reference, 160); });
    ASSERT_EQ(result, ZEL_OK);
    EXPECT_EQ(printed, sizeLines());
    EXPECT_EQ(module().scanCount(), scans);
    EXPECT_TRUE(std::equal(reference, reference + 160, storedReference()->intensity));
    EXPECT_EQ(reference[160], -7);
}

// Against the physics: the sample reflects less than the factory's white tile, so on every
// point of the scan the reference is the scan divided by the sample's reflectance, within noise.
// The reference also holds the scan's length (220 points for the sectioned configuration, against
// 228 of the stored reference) and zeros beyond it.
TEST_F(ReferenceTest, IsTheWhiteTileOnTheScansWavelengthsForEveryConfiguration)
{
    for (const int32_t config : {0, 1, 2, 3}) {
        SCOPED_TRACE(config);
        int32_t intensities[864];
        ASSERT_EQ(zelGetIntensities(config, intensities, 864), ZEL_OK);
        int32_t reference[864];
        std::fill(std::begin(reference), std::end(reference), -7);
        int32_t result = -1;
        captureStdout([&] { result = zelGetRefIntensityFromDevice(reference, 864); });
        ASSERT_EQ(result, ZEL_OK);

        EXPECT_TRUE(std::equal(reference, reference + 864, storedReference()->intensity));
        const scanResults scan = interpretStoredScan(module());
        const int32_t peak = *std::max_element(intensities, intensities + scan.length);
        for (int i = 0; i < scan.length; ++i) {
            if (intensities[i] < peak / 10) {
                continue;  // too little light for a ratio within noise
            }
            const double reflectance = sim::VirtualModule::defaultSample(scan.wavelength[i]);
            EXPECT_NEAR(reference[i] * reflectance / intensities[i], 1.0, 0.03)
                << "at " << scan.wavelength[i] << " nm";
        }
        EXPECT_TRUE(std::all_of(reference + scan.length, std::end(reference),
                                [](int32_t v) { return v == 0; }));
    }
}

TEST_F(ReferenceTest, Counts)
{
    int32_t reference[865];
    const uint64_t before = messages();
    EXPECT_EQ(zelGetRefIntensityFromDevice(reference, 865), ZEL_ERROR_COUNT);
    EXPECT_EQ(zelGetRefIntensityFromDevice(reference, -1), ZEL_ERROR_COUNT);
    EXPECT_EQ(messages(), before);
    std::string printed =
        captureStdout([&] { EXPECT_EQ(zelGetRefIntensityFromDevice(reference, 0), ZEL_OK); });
    EXPECT_EQ(printed, sizeLines());
}

TEST_F(ReferenceTest, MissingFilesFailTheirSizeRequest)
{
    struct Case {
        sim::StoredFile file;
        int printedLines;
    };
    for (const Case c : {Case{sim::StoredFile::CalData, 0}, Case{sim::StoredFile::MatrixData, 1},
                         Case{sim::StoredFile::ScanData, 3}}) {
        SCOPED_TRACE(static_cast<int>(c.file));
        const std::string full = sizeLines();
        const std::optional<sim::Bytes> kept = module().storedFile(c.file);
        module().setStoredFile(c.file, std::nullopt);
        int32_t reference[4] = {-7, -7, -7, -7};
        int32_t result = 0;
        const std::string printed =
            captureStdout([&] { result = zelGetRefIntensityFromDevice(reference, 4); });
        EXPECT_EQ(result, ZEL_ERROR_FILE_SIZE);
        size_t end = 0;
        for (int line = 0; line < c.printedLines; ++line) {
            end = full.find('\n', end) + 1;
        }
        EXPECT_EQ(printed, full.substr(0, end));
        EXPECT_EQ(reference[0], -7);
        module().setStoredFile(c.file, kept);
    }
}

TEST_F(ReferenceTest, DamagedFiles)
{
    struct Case {
        sim::StoredFile file;
        sim::FaultKind kind;
        int32_t value;
        int32_t status;
    };
    const Case cases[] = {
        {sim::StoredFile::CalData, sim::FaultKind::SizeSkew, 50, ZEL_ERROR_FILE_READ},
        {sim::StoredFile::MatrixData, sim::FaultKind::SizeSkew, 50, ZEL_ERROR_FILE_READ},
        {sim::StoredFile::ScanData, sim::FaultKind::SizeSkew, 50, ZEL_ERROR_FILE_READ},
        {sim::StoredFile::ScanData, sim::FaultKind::CorruptImage, 9, ZEL_ERROR_INTERPRET},
        {sim::StoredFile::CalData, sim::FaultKind::CorruptImage, 9, ZEL_ERROR_REFERENCE},
        {sim::StoredFile::MatrixData, sim::FaultKind::CorruptImage, 9, ZEL_ERROR_REFERENCE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.file)) + " " + std::to_string(c.status));
        module().clearFaults();
        sim::Fault fault;
        fault.kind = c.kind;
        fault.value = c.value;
        fault.file = c.file;
        module().injectFault(fault);
        int32_t reference[4] = {-7, -7, -7, -7};
        int32_t result = 0;
        const std::string printed =
            captureStdout([&] { result = zelGetRefIntensityFromDevice(reference, 4); });
        EXPECT_EQ(result, c.status);
        EXPECT_EQ(reference[0], -7);
        if (c.status == ZEL_ERROR_REFERENCE) {
            EXPECT_NE(printed.find("zelspec_scan_interpReference error: "), std::string::npos)
                << printed;
        }
    }
}

TEST_F(ReferenceTest, FileAboveOneMebibyteIsRefusedBeforeAnythingIsPrinted)
{
    sim::Fault fault;
    fault.kind = sim::FaultKind::SizeSkew;
    fault.value = (1 << 20) + 1 - static_cast<int32_t>(fileSize(sim::StoredFile::CalData));
    fault.file = sim::StoredFile::CalData;
    module().injectFault(fault);
    const uint64_t chunks = module().commandCount(QRN_CMD_GET_FILE_DATA);
    int32_t reference[4] = {-7, -7, -7, -7};
    int32_t result = 0;
    EXPECT_EQ(captureStdout([&] { result = zelGetRefIntensityFromDevice(reference, 4); }), "");
    EXPECT_EQ(result, ZEL_ERROR_FILE_SIZE);
    EXPECT_EQ(module().commandCount(QRN_CMD_GET_FILE_DATA), chunks);
    EXPECT_EQ(reference[0], -7);
}

TEST_F(ReferenceTest, LostChunk)
{
    silenceCommand(QRN_CMD_GET_FILE_DATA);
    int32_t reference[4] = {-7, -7, -7, -7};
    int32_t result = 0;
    const std::string printed =
        captureStdout([&] { result = zelGetRefIntensityFromDevice(reference, 4); });
    EXPECT_EQ(result, ZEL_ERROR_FILE_READ);
    EXPECT_EQ(printed, "calSize: " + std::to_string(fileSize(sim::StoredFile::CalData)) + "\n");
}

} // namespace
} // namespace zel::test
