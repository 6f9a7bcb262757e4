// Console transcripts on the virtual module, compared byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/console.h"
#include "protocol/qrn_codes.h"
#include "sim/hid_backend.h"
#include "tests/api/api_fixture.h"
#include "tests/api/stdout_capture.h"

namespace zel::test {
namespace {

const std::string kPrompt = "input 'q' exit: \n";
const std::string kStartUp = "Open Device Success.\n\n"
                             "Device serial number: CFGIDENT\n"
                             "Wavelength range: 900 - 1700 nm\n\n";

// A module with fixed sensors and one standard configuration of 228 points.
sim::VirtualModule& attachQuietModule()
{
    sim::VirtualModule& module = sim::attachModule();
    module.setSensorDrift(false);
    module.setConfigurations({standardConfigImage("console", 900, 1700, 228)});
    return module;
}

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zelClose(0);
        freshModule();
    }

    // Replaces the module by a new one, as it was when it left the factory.
    void freshModule()
    {
        sim::detachAll();
        sim::resetClock();
        module_ = &attachQuietModule();
    }
    void TearDown() override
    {
        EXPECT_EQ(sim::openHandleCount(), 0u) << "the console left the module open";
        sim::detachAll();
    }

    // Runs the whole program on `input`; checks that it returned 0.
    std::string session(const std::string& input)
    {
        int result = -1;
        std::string output;
        withStdin(input, [&] { output = captureStdout([&] { result = console::run(); }); });
        EXPECT_EQ(result, 0);
        return output;
    }

    sim::VirtualModule& module() { return *module_; }

private:
    sim::VirtualModule* module_ = nullptr;
};

TEST_F(ConsoleTest, StartUpShowsTheModuleAndItsConfiguration)
{
    EXPECT_EQ(session("q\n"), kStartUp + kPrompt);
}

TEST_F(ConsoleTest, SectionedConfigurationShowsItsFirstSection)
{
    sectionedScanConfig config = {};
    config.head.scan_type = ZELSPEC_SCAN_SECTIONED;
    std::memcpy(config.head.ident, "SECTIONS", 8);
    config.head.num_sections = 2;
    config.sections[0] = {ZELSPEC_SCAN_COLUMN, 6, 950, 1300, 100, 0};
    config.sections[1] = {ZELSPEC_SCAN_COLUMN, 6, 1300, 1650, 100, 0};
    size_t size = 0;
    ASSERT_EQ(zelspec_config_serialized_size(&config, &size), ZELSPEC_PASS);
    sim::Bytes image(size);
    ASSERT_EQ(zelspec_config_serialize(&config, image.data(), image.size()), ZELSPEC_PASS);
    module().setConfigurations({image});

    EXPECT_EQ(session("q"), "Open Device Success.\n\nDevice serial number: SECTIONS\n"
                            "Wavelength range: 950 - 1300 nm\n\n" + kPrompt);
}

TEST_F(ConsoleTest, EndOfInputEndsTheProgramAsQDoes)
{
    EXPECT_EQ(session(""), kStartUp + kPrompt);
    EXPECT_EQ(session("d"), kStartUp + kPrompt + "The current PGA gain is 4\n\n\n" + kPrompt);
}

TEST_F(ConsoleTest, OtherKeysDoNothing)
{
    EXPECT_EQ(session("x\n:\nA\nQ\nq\n"), kStartUp + kPrompt + kPrompt + kPrompt + kPrompt + kPrompt);
}

TEST_F(ConsoleTest, SeveralKeysOnOneLineRunInTurn)
{
    EXPECT_EQ(session("9d7q\n"), kStartUp + kPrompt + "Device UUID is: 5A:45:4C:10:20:26:12:08:\n\n" +
                                     kPrompt + "The current PGA gain is 4\n\n\n" + kPrompt +
                                     "zelGetButtonPressStatus: 0\n\n\n" + kPrompt);
}

struct KeyCase {
    const char* input;
    const char* output;
};

TEST_F(ConsoleTest, DeviceKeys)
{
    const KeyCase cases[] = {
        {"0", "Device seiral number is: ZEL00001\n\n"},
        {"9", "Device UUID is: 5A:45:4C:10:20:26:12:08:\n\n"},
        {"a", "Humidity: 41.30, Temperature: 24.50\n\n"},
        {"b", "BatteryVolt: 4.02, BatteryPercent: 87.00\n\n\n"},
        {"5\n1", "Set lamp on or off(1: on; 0: off): zelSetLampStatus: on\n\n\n"},
        {"5\n0", "Set lamp on or off(1: on; 0: off): zelSetLampStatus: off\n\n\n"},
        {"6\n1", "Enable button press or not(1: enable; 0: disable): \n\n"},
        {"6\n0", "Enable button press or not(1: enable; 0: disable): \n\n"},
        {"7", "zelGetButtonPressStatus: 0\n\n\n"},
        {"8\n1", "Enable bluetooth press or not(1: enable; 0: disable): \n\n"},
        {"8\n0", "Enable bluetooth press or not(1: enable; 0: disable): \n\n"},
        {"c\n16", "Input the gain value(1,2,4,8,16,32 or 64): "
                  "zelSetPgaGain ok! Current PGA gain is 16\n\n\n"},
        {"c\n3", "Input the gain value(1,2,4,8,16,32 or 64): zelSetPgaGain failure!\n\n\n"},
        {"d", "The current PGA gain is 4\n\n\n"},
        {"e\n65537", "Input the average scan times: "
                     "zelSetAvgTimes ok! Current average scan times is setted to 65537\n\n\n"},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.input);
        freshModule();
        EXPECT_EQ(session(std::string(c.input) + "\nq\n"), kStartUp + kPrompt + c.output + kPrompt);
    }
}

TEST_F(ConsoleTest, KeysReachTheModule)
{
    session("5 1\n6 1\n8 1\nc 32\ne 65537\nq\n");
    EXPECT_TRUE(module().lampLit());
    EXPECT_TRUE(module().state().buttonEnabled);
    EXPECT_TRUE(module().state().bluetooth);
    EXPECT_EQ(module().state().pgaGain, 32);
    EXPECT_EQ(module().state().scanAverage, 1);
}

TEST_F(ConsoleTest, ShortSerialNumberIsPrintedWithItsZeroBytes)
{
    sim::detachAll();
    sim::ModuleIdentity id = sim::defaultIdentity();
    id.serial = L"AB";
    sim::attachModule(id).setConfigurations({standardConfigImage("console", 900, 1700, 228)});
    EXPECT_EQ(session("0q"), kStartUp + kPrompt + "Device seiral number is: AB" +
                                 std::string(6, '\0') + "\n\n" + kPrompt);
}

TEST_F(ConsoleTest, InvalidAnswersMakeNoCall)
{
    const KeyCase cases[] = {
        {"5\n2\n", "Set lamp on or off(1: on; 0: off): input value is invalid\n\n\n"},
        {"5\n-1\n", "Set lamp on or off(1: on; 0: off): input value is invalid\n\n\n"},
        {"5\nx 1 2\n", "Set lamp on or off(1: on; 0: off): input value is invalid\n\n\n"},
        {"6\n7\n", "Enable button press or not(1: enable; 0: disable): input value is invalid\n\n\n"},
        {"8\nno\n",
         "Enable bluetooth press or not(1: enable; 0: disable): input value is invalid\n\n\n"},
        {"c\nabc\n", "Input the gain value(1,2,4,8,16,32 or 64): input value is invalid\n\n\n"},
        {"e\n99999999999\n", "Input the average scan times: input value is invalid\n\n\n"},
        {"e\n-\n", "Input the average scan times: input value is invalid\n\n\n"},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.input);
        const uint64_t before = module().counters().messages;
        EXPECT_EQ(session(std::string(c.input) + "q\n"), kStartUp + kPrompt + c.output + kPrompt);
        // Start-up reads the configuration count and configuration 0; the key adds nothing.
        const uint64_t startUp = 2;
        EXPECT_EQ(module().counters().messages, before + startUp);
    }
}

TEST_F(ConsoleTest, AnswerCutByTheEndOfInput)
{
    EXPECT_EQ(session("c"), kStartUp + kPrompt +
                                "Input the gain value(1,2,4,8,16,32 or 64): input value is invalid\n\n\n" +
                                kPrompt);
}

TEST_F(ConsoleTest, AnswerMayBeFollowedByMoreKeys)
{
    EXPECT_EQ(session("c 8d\nq"), kStartUp + kPrompt +
                                      "Input the gain value(1,2,4,8,16,32 or 64): "
                                      "zelSetPgaGain ok! Current PGA gain is 8\n\n\n" +
                                      kPrompt + "The current PGA gain is 8\n\n\n" + kPrompt);
}

TEST_F(ConsoleTest, WithoutAModuleEveryKeyReportsItsFailure)
{
    sim::detachAll();
    const std::string input = "0 1 2 3 4 5 1 6 1 7 8 1 9 a b c 2 d e 3 q";
    const std::string expected =
        kPrompt + "QRN_GetSerialNumber error: -1\nzelGetSerialNumber failure!\n\n\n" +
        kPrompt + "zelGetScanResults failure! -13\n" +
        kPrompt + "zelGetWavelengths ret: -15!\n\nzelGetWavelengths failure!\n" +
        kPrompt + "zelGetIntensities failure! -13\n" +
        kPrompt + "zelGetRefIntensFromDevice failure! -19\n" +
        kPrompt + "Set lamp on or off(1: on; 0: off): zelSetLampStatus: on\n\n\n" +
        kPrompt + "Enable button press or not(1: enable; 0: disable): zelEnableButtonPress failure!\n\n\n" +
        kPrompt + "zelGetButtonPressStatus failure!\n\n\n" +
        kPrompt + "Enable bluetooth press or not(1: enable; 0: disable): zelSetBluetoothStatus failure!\n\n\n" +
        kPrompt + "QRN_ZELCEnable error: -1\nQRN_GetFlashUniqueID error: -1\nzelGetDeviceUuid failure!\n\n\n" +
        kPrompt + "QRN_ReadHum error: -1\nzelGetHumTemp failure!\n" +
        kPrompt + "QRN_ReadBattVolt error: -1\nzelGetBatteryInfo failure\n" +
        kPrompt + "Input the gain value(1,2,4,8,16,32 or 64): zelSetPgaGain failure!\n\n\n" +
        kPrompt + "zelGetPgaGain failure!\n" +
        kPrompt + "Input the average scan times: zelSetAvgTimes failure!\n\n\n" +
        kPrompt;
    EXPECT_EQ(session(input), expected);
}

// "%.3f:  %d\n", the line of one spectrum point.
std::string pointLine(double wavelength, int32_t value)
{
    char line[96];
    std::snprintf(line, sizeof line, "%.3f:  %d\n", wavelength, value);
    return line;
}

std::string hundredths(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value / 100.0);
    return text;
}

// The scan keys print what the exported functions return. A twin module that receives the same
// commands in the same order gives the same bytes, so the expected transcript is built from the
// functions' own results on the twin.
TEST_F(ConsoleTest, ScanKeys)
{
    sim::detachAll();
    attachQuietModule();
    ASSERT_EQ(zelInitUsb(), 1);
    ASSERT_EQ(zelOpenByUsb(0), 0);
    sectionedScanConfig config;
    ASSERT_EQ(zelGetConfigInfo(&config), 0);
    scanResults results;
    ASSERT_EQ(zelGetScanResults(&results), 0);
    double wavelengths[160];
    ASSERT_EQ(zelGetWavelengths(wavelengths, 160), 0);
    int32_t intensities[160];
    ASSERT_EQ(zelGetIntensities(0, intensities, 160), 0);
    int32_t reference[160];
    std::string referenceLines;
    referenceLines = captureStdout([&] { ASSERT_EQ(zelGetRefIntensityFromDevice(reference, 160), 0); });
    zelClose(0);
    sim::detachAll();
    attachQuietModule();

    std::string expected = kStartUp + kPrompt + "zelGetScanResults ok!\n";
    expected += "System temprature: " + hundredths(results.system_temp) + "%\n";
    expected += "Humidity: " + hundredths(results.humidity) + "%\n";
    for (int i = 0; i < 5; ++i) {
        expected += pointLine(results.wavelength[i], results.intensity[i]);
    }
    expected += "\n" + kPrompt + "zelGetWavelengths ret: 0!\n\nzelGetWavelengths ok!\n";
    for (int i = 0; i < 5; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "wl[%d]: %.3f nm\n", i, wavelengths[i]);
        expected += line;
    }
    expected += "\n" + kPrompt + "zelGetIntensities ok!\n";
    for (int i = 100; i < 105; ++i) {
        expected += pointLine(wavelengths[i], intensities[i]);
    }
    expected += "\n" + kPrompt + referenceLines + "zelGetRefIntensFromDevice ok!\n";
    for (int i = 0; i < 5; ++i) {
        expected += pointLine(wavelengths[i], reference[i]);
    }
    expected += "\n" + kPrompt;

    EXPECT_EQ(session("1\n2\n3\n4\nq\n"), expected);
}

TEST_F(ConsoleTest, IntensitiesBeforeWavelengthsStandNextToZeros)
{
    const std::string output = session("3q");
    const std::string head = kStartUp + kPrompt + "zelGetIntensities ok!\n";
    ASSERT_EQ(output.substr(0, head.size()), head);
    EXPECT_EQ(output.substr(head.size(), 8), "0.000:  ");
}

TEST_F(ConsoleTest, ScanFailureIsReportedWithItsCode)
{
    sim::Fault fault;
    fault.kind = sim::FaultKind::NoAnswer;
    fault.code = QRN_CMD_START_SCAN;
    module().injectFault(fault);
    EXPECT_EQ(session("1 3 q"), kStartUp + kPrompt + "zelGetScanResults failure! -18\n" + kPrompt +
                                    "zelGetIntensities failure! -18\n" + kPrompt);
}

} // namespace
} // namespace zel::test
