// The shipped console, linked with the system's libhidapi-hidraw, against virtual modules behind
// emulated hidraw nodes: it enumerates them through udev, opens one by vendor, product and serial
// number and talks to it through a real file descriptor, in real time. Each transcript is
// compared byte for byte with the same keys on the console over the in-process virtual backend,
// which serves the default module too.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/hidraw/hidraw_testbed.h"
#include "sim/virtual_module.h"
#include "tests/system/console_process.h"
#include "tests/system/hidraw_environment.h"

namespace zel::system_test {
namespace {

using sim::VirtualModule;
using sim::hidraw::HidrawEndpoint;
using sim::hidraw::HidrawTestbed;
using std::chrono::milliseconds;

constexpr const char* kPrompt = "input 'q' exit: ";
// Real time passes on the hidraw node: scans are kept short.
constexpr uint32_t kScanTimeMs = 20;
// Longest any one key may take here: the 10 s read time-out, with room for a loaded machine.
constexpr milliseconds kKeyTimeout{40000};
constexpr milliseconds kReadTimeout{10000};

// Everything up to the first prompt, which start-up prints.
std::string startUp(const std::string& transcript)
{
    return transcript.substr(0, transcript.find(kPrompt));
}

[[maybe_unused]] const auto* const kPrivateTmpdir =
    ::testing::AddGlobalTestEnvironment(new PrivateTmpdir);

class HidrawSystemTest : public ::testing::Test {
protected:
    void SetUp() override { testbed_.emplace(); }
    void TearDown() override { testbed_.reset(); }

    HidrawEndpoint& plugModule(sim::ModuleIdentity id = sim::defaultIdentity())
    {
        HidrawEndpoint& module = testbed_->addModule(std::move(id));
        module.withModule([](VirtualModule& m) { m.setScanTime(kScanTimeMs); });
        return module;
    }

    struct Session {
        std::string transcript;
        std::vector<milliseconds> keyTimes;  // from sending each key to the prompt after it
    };

    // Runs `program`, sends each key (with its answers) after the previous one's prompt, then
    // 'q'. `beforeKey(i)` runs before key i is sent.
    static Session session(const std::string& program, const std::vector<std::string>& env,
                           const std::vector<std::string>& keys,
                           const std::function<void(std::size_t)>& beforeKey = {})
    {
        using Clock = std::chrono::steady_clock;
        Session result;
        ConsoleProcess console(program, env);
        EXPECT_TRUE(console.waitFor(kPrompt, 1, kKeyTimeout)) << "no prompt after start-up";
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (beforeKey) {
                beforeKey(i);
            }
            const auto sent = Clock::now();
            console.send(keys[i] + "\n");
            EXPECT_TRUE(console.waitFor(kPrompt, i + 2, kKeyTimeout))
                << "no prompt after key " << i << "; output so far:\n" << console.output();
            result.keyTimes.push_back(std::chrono::duration_cast<milliseconds>(Clock::now() - sent));
        }
        console.send("q\n");
        EXPECT_EQ(console.finish(kKeyTimeout), std::optional<int>(0)) << console.output();
        result.transcript = console.output();
        return result;
    }

    static Session onHidraw(const std::vector<std::string>& keys,
                            const std::function<void(std::size_t)>& beforeKey = {})
    {
        return session(ZEL_CONSOLE_PATH, preloaded(), keys, beforeKey);
    }

    static std::string onVirtualBackend(const std::vector<std::string>& keys)
    {
        return session(ZEL_CONSOLE_VIRTUAL_PATH, {}, keys).transcript;
    }

    static void expectCleanLink(HidrawEndpoint& module)
    {
        module.withModule([](VirtualModule& m) {
            EXPECT_GT(m.counters().reportsIn, 0u);
            EXPECT_EQ(m.counters().malformed, 0u);
            EXPECT_EQ(m.counters().sequenceBreaks, 0u);
        });
        EXPECT_EQ(module.queuedReports(), 0u);
    }

    std::optional<HidrawTestbed> testbed_;
};

TEST_F(HidrawSystemTest, NodeAnswersAsTheKernelDriverDoes)
{
    HidrawEndpoint& module = plugModule();
    ConsoleProcess probe(ZEL_HIDRAW_PROBE_PATH, preloaded(), {"/dev/hidraw0"});

    ASSERT_EQ(probe.finish(kKeyTimeout), std::optional<int>(0)) << probe.output();
    EXPECT_EQ(probe.output(),
              "descriptor size 0\n"
              "size 27\n"
              "descriptor 0\n"
              "bytes 0600FF0901A101150026FF007508954009018102954009019102C0\n"
              "info 0\n"
              "bus 3 vendor 0451 product 4201\n"
              "name 24\n"
              "NIR spectrometer module\n"
              "uniq 9\n"
              "ZEL00001\n"
              "uniq cut 4\n"
              "feature -1 Broken pipe\n"
              "idle poll 0\n"
              "short write -1 Invalid argument\n"
              "numbered write -1 Invalid argument\n"
              "write 65\n"
              "poll 1\n"
              // One report per read, however much room the read offers.
              "read 64\n"
              "reply C00008005A454C3030303031" + std::string(104, '0') + "\n"
              "drained poll 0\n"
              "drained read -1 Resource temporarily unavailable\n");
    // Only the well-formed report reached the module.
    module.withModule([](VirtualModule& m) { EXPECT_EQ(m.counters().reportsIn, 1u); });
}

TEST_F(HidrawSystemTest, StartUpOpensTheModuleAndShowsItsConfiguration)
{
    HidrawEndpoint& module = plugModule();

    const std::string transcript = onHidraw({}).transcript;

    EXPECT_EQ(transcript, onVirtualBackend({}));
    EXPECT_EQ(transcript.rfind("Open Device Success.\n\nDevice serial number: ", 0), 0u) << transcript;
    EXPECT_NE(startUp(transcript).find("\nWavelength range: "), std::string::npos) << transcript;
    expectCleanLink(module);
}

TEST_F(HidrawSystemTest, InformationAndControlKeysAnswerAsOnTheVirtualBackend)
{
    HidrawEndpoint& module = plugModule();
    const std::vector<std::string> keys{"0",     "9",   "a",     "b",   "5\n1", "5\n0",
                                        "5\n2",  "6\n1", "7",    "6\n0", "8\n1", "8\n0",
                                        "c\n16", "d",   "e\n3", "x",   "A"};

    const std::string transcript = onHidraw(keys).transcript;

    EXPECT_EQ(transcript, onVirtualBackend(keys));
    EXPECT_NE(transcript.find("Device seiral number is: ZEL00001\n\n"), std::string::npos) << transcript;
    module.withModule([](VirtualModule& m) {
        EXPECT_EQ(m.state().lampControl, 1);  // the last lamp key switched it off
        EXPECT_FALSE(m.state().buttonEnabled);
        EXPECT_FALSE(m.state().bluetooth);
        EXPECT_EQ(m.state().pgaGain, 16);
        EXPECT_EQ(m.state().scanAverage, 3);
    });
    expectCleanLink(module);
}

TEST_F(HidrawSystemTest, ScanKeysRunRealScansAndTheReference)
{
    HidrawEndpoint& module = plugModule();
    // Key '3' first, while the wavelengths are still those before any key '2'.
    const std::vector<std::string> keys{"3", "1", "2", "3", "4"};

    const std::string transcript = onHidraw(keys).transcript;

    EXPECT_EQ(transcript, onVirtualBackend(keys));
    for (const char* line : {"zelGetScanResults ok!\n", "zelGetWavelengths ok!\n",
                             "zelGetIntensities ok!\n", "zelGetRefIntensFromDevice ok!\n"}) {
        EXPECT_NE(transcript.find(line), std::string::npos) << line << " missing in\n" << transcript;
    }
    module.withModule([](VirtualModule& m) { EXPECT_EQ(m.scanCount(), 4u); });
    expectCleanLink(module);
}

TEST_F(HidrawSystemTest, SerialLongerThanEightCharactersCannotBeOpened)
{
    // The module table keeps 8 characters, which no longer match the interface's own serial.
    sim::ModuleIdentity id = sim::defaultIdentity();
    id.serial = L"ZEL000012345";
    HidrawEndpoint& module = plugModule(id);

    const std::string transcript = onHidraw({"0", "a", "1"}).transcript;

    EXPECT_EQ(transcript,
              "input 'q' exit: \n"
              "QRN_GetSerialNumber error: -1\n"
              "zelGetSerialNumber failure!\n"
              "\n\n"
              "input 'q' exit: \n"
              "QRN_ReadHum error: -1\n"
              "zelGetHumTemp failure!\n"
              "input 'q' exit: \n"
              "zelGetScanResults failure! -13\n"
              "input 'q' exit: \n");
    module.withModule([](VirtualModule& m) { EXPECT_EQ(m.counters().reportsIn, 0u); });
}

TEST_F(HidrawSystemTest, FirstModuleIsOpenedAmongTwoModulesAndAnOtherVendorDevice)
{
    // Enumerated in port order: the other vendor's device comes first and is not recorded.
    testbed_->addDevice({0x046D, 0xC31C, L"KB0001", "Other", "USB keyboard"});
    HidrawEndpoint& first = plugModule();
    sim::ModuleIdentity secondId = sim::defaultIdentity();
    secondId.productId = 0x4202;
    secondId.serial = L"ZEL00002";
    HidrawEndpoint& second = plugModule(secondId);
    const std::vector<std::string> keys{"0", "a", "1"};

    const std::string transcript = onHidraw(keys).transcript;

    EXPECT_EQ(transcript, onVirtualBackend(keys));
    expectCleanLink(first);
    second.withModule([](VirtualModule& m) { EXPECT_EQ(m.counters().reportsIn, 0u); });
}

TEST_F(HidrawSystemTest, ModuleThatStopsAnsweringTimesOutOnceAfterTenSeconds)
{
    HidrawEndpoint& module = plugModule();

    const Session run = onHidraw({"a", "a"}, [&](std::size_t key) {
        if (key == 0) {
            module.withModule([](VirtualModule& m) {
                m.injectFault({sim::FaultKind::NoAnswer, 0, std::nullopt, std::nullopt, 1});
            });
        }
    });

    const std::string prompt = kPrompt;
    const std::string silent = prompt + "\nQRN_ReadHum error: -5\nzelGetHumTemp failure!\n";
    const std::size_t at = run.transcript.find(silent);
    ASSERT_NE(at, std::string::npos) << run.transcript;
    // One read waited the whole time-out; the module answers again at the next key.
    ASSERT_EQ(run.keyTimes.size(), 2u);
    EXPECT_GE(run.keyTimes[0], kReadTimeout);
    EXPECT_LT(run.keyTimes[0], 2 * kReadTimeout);
    const std::string answered = prompt + "\nHumidity: ";
    EXPECT_EQ(run.transcript.compare(at + silent.size(), answered.size(), answered), 0)
        << run.transcript;
    expectCleanLink(module);
}

} // namespace
} // namespace zel::system_test
