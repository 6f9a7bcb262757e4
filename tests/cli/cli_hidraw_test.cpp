// The zel executable with the system's libhidapi-hidraw against virtual modules behind emulated
// hidraw nodes: no module, several modules, a module chosen by serial, a real scan, and a module
// that stops answering in the middle of a scan.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sim/hidraw/hidraw_testbed.h"
#include "sim/virtual_module.h"
#include "tests/cli/tool_run.h"
#include "tests/formats/readers.h"
#include "tests/system/hidraw_environment.h"

namespace zel::cli_test {
namespace {

namespace fs = std::filesystem;
using sim::VirtualModule;
using sim::hidraw::HidrawEndpoint;
using sim::hidraw::HidrawTestbed;

[[maybe_unused]] const auto* const kPrivateTmpdir =
    ::testing::AddGlobalTestEnvironment(new system_test::PrivateTmpdir);

// Real time passes on the hidraw node: scans are kept short.
constexpr uint32_t kScanTimeMs = 20;

class CliOnHidraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        testbed_.emplace();
        char pattern[] = "/tmp/zel-cli-hidraw-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        testbed_.reset();
        fs::remove_all(dir_);
    }

    HidrawEndpoint& plug(const std::wstring& serial = L"ZEL00001", uint16_t product = 0x4201)
    {
        sim::ModuleIdentity id = sim::defaultIdentity();
        id.serial = serial;
        id.productId = product;
        HidrawEndpoint& module = testbed_->addModule(std::move(id));
        module.withModule([](VirtualModule& m) { m.setScanTime(kScanTimeMs); });
        return module;
    }

    static ToolRun zel(const std::vector<std::string>& arguments)
    {
        return run_tool(ZEL_CLI_PATH, arguments, system_test::preloaded());
    }

    std::optional<HidrawTestbed> testbed_;
    fs::path dir_;
};

TEST_F(CliOnHidraw, NoModuleAttached)
{
    const ToolRun list = zel({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(list.err, "zel: no module is attached\n");
    EXPECT_EQ(zel({"list", "--json"}).out, "[]\n");

    const ToolRun info = zel({"info"});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "");
    EXPECT_EQ(info.err, "zel: opening the first module: no matching module is attached\n");
}

TEST_F(CliOnHidraw, ModulesAreListedAndChosenBySerial)
{
    testbed_->addDevice({0x046D, 0xC31C, L"KB0001", "Other", "USB keyboard"});
    plug();
    HidrawEndpoint& second = plug(L"ZEL00002", 0x4202);

    const ToolRun list = zel({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "serial    vendor  product  path\n"
              "ZEL00001  0451    4201     /dev/hidraw1\n"
              "ZEL00002  0451    4202     /dev/hidraw2\n");
    EXPECT_EQ(list.err, "");

    const ToolRun info = zel({"info", "-m", "ZEL00002", "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    const nlohmann::json j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["serial"], "ZEL00002");
    EXPECT_EQ(j["path"], "/dev/hidraw2");
    second.withModule([](VirtualModule& m) { EXPECT_GT(m.counters().reportsIn, 0u); });

    const ToolRun unknown = zel({"info", "-m", "ZEL09999"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "zel: opening module ZEL09999: no matching module is attached\n");
}

TEST_F(CliOnHidraw, ScanAndSettingsReachTheModule)
{
    HidrawEndpoint& module = plug();
    const fs::path file = dir_ / "spectrum.csv";

    const ToolRun scan = zel({"scan", "-o", file.string()});
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.err, "");
    std::stringstream content;
    content << std::ifstream(file).rdbuf();
    const formats_test::Csv csv = formats_test::read_csv(content.str());
    EXPECT_EQ(csv.column("wavelength_nm").size(), 228u);
    EXPECT_EQ(csv.metadata.at("serial"), "ZEL00001");

    EXPECT_EQ(zel({"set", "gain", "32"}).status, 0);
    EXPECT_EQ(zel({"set", "lamp", "off"}).status, 0);
    module.withModule([](VirtualModule& m) {
        EXPECT_EQ(m.scanCount(), 1u);
        EXPECT_EQ(m.state().pgaGain, 32);
        EXPECT_EQ(m.state().lampControl, 1);
    });
}

TEST_F(CliOnHidraw, AModuleThatStopsAnsweringMidScanFailsAndKeepsTheOldFile)
{
    HidrawEndpoint& module = plug();
    // Long enough to see the scan start from here before the tool asks for its data.
    module.withModule([](VirtualModule& m) { m.setScanTime(1000); });
    const fs::path file = dir_ / "spectrum.jdx";
    std::ofstream(file) << "earlier spectrum\n";

    std::future<ToolRun> running =
        std::async(std::launch::async, [&] { return zel({"scan", "-o", file.string()}); });
    // Once the scan has started, the module answers nothing more.
    bool started = false;
    while (!started && running.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready) {
        module.withModule([&](VirtualModule& m) {
            if (m.scanCount() > 0) {
                m.injectFault({sim::FaultKind::NoAnswer, 0, std::nullopt, std::nullopt, -1});
                started = true;
            }
        });
    }
    const ToolRun scan = running.get();

    ASSERT_TRUE(started);
    EXPECT_EQ(scan.status, 1);
    EXPECT_EQ(scan.out, "");
    EXPECT_EQ(scan.err, "zel: asking for the size of the scan data: the module did not answer in time\n");
    EXPECT_GE(scan.took, std::chrono::seconds(10));  // one whole read time-out
    std::stringstream content;
    content << std::ifstream(file).rdbuf();
    EXPECT_EQ(content.str(), "earlier spectrum\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace zel::cli_test
