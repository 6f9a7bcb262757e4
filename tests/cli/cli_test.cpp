// The zel executable on the virtual module: exit status, standard output and standard error of
// every subcommand, its failures and its usage errors. Spectra are compared value for value with
// what the application API gives for a virtual module of the same seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "device/module.h"
#include "device/version.h"
#include "tests/cli/tool_run.h"
#include "tests/formats/readers.h"

namespace zel::cli_test {
namespace {

namespace fs = std::filesystem;
using formats_test::expect_same;

ToolRun zel(const std::vector<std::string>& arguments)
{
    return run_tool(ZEL_CLI_PATH, arguments);
}

// What the API scans on a virtual module of `seed` (its clock need not be real for that).
Spectrum api_scan(uint64_t seed, int configuration = 0)
{
    VirtualOptions options;
    options.seed = seed;
    options.realtime = false;
    return Module::open_virtual(options).scan(configuration);
}

std::string read(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

class CliWithFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zel-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            result.push_back(entry.path().filename().string());
        }
        return result;
    }
    fs::path dir_;
};

TEST(Cli, VersionAndHelpOfEveryCommandGoToStandardOutput)
{
    const ToolRun version = zel({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "zel " ZEL_VERSION_STRING "\n");
    EXPECT_EQ(version.err, "");

    const std::vector<std::pair<std::vector<std::string>, std::string>> commands{
        {{}, "Usage: zel [OPTIONS] SUBCOMMAND"},
        {{"list"}, "Usage: zel list [OPTIONS]"},
        {{"info"}, "Usage: zel info [OPTIONS]"},
        {{"configs"}, "Usage: zel configs [OPTIONS]"},
        {{"scan"}, "Usage: zel scan [OPTIONS]"},
        {{"set"}, "Usage: zel set [OPTIONS] SUBCOMMAND"},
        {{"set", "lamp"}, "Usage: zel set lamp [OPTIONS] lamp"},
        {{"set", "gain"}, "Usage: zel set gain [OPTIONS] gain"},
        {{"set", "average"}, "Usage: zel set average [OPTIONS] average"},
        {{"set", "bluetooth"}, "Usage: zel set bluetooth [OPTIONS] bluetooth"},
        {{"set", "button"}, "Usage: zel set button [OPTIONS] button"},
    };
    for (const auto& [command, usage] : commands) {
        std::vector<std::string> arguments = command;
        arguments.push_back("--help");
        const ToolRun help = zel(arguments);
        EXPECT_EQ(help.status, 0) << usage;
        EXPECT_NE(help.out.find(usage + "\n"), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "") << usage;
    }
    const std::string scan_help = zel({"scan", "--help"}).out;
    for (const char* option : {"--config", "--average", "--repeat", "--quantity", "--format",
                               "--output", "absorbance", "jcamp"}) {
        EXPECT_NE(scan_help.find(option), std::string::npos) << option;
    }
}

TEST(Cli, UsageErrorsExitWithTwoAndOneLineOnStandardError)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "zel: A subcommand is required (see zel --help)\n"},
        {{"frobnicate"}, "zel: unknown command frobnicate (see zel --help)\n"},
        {{"scan", "--bogus"},
         "zel: The following argument was not expected: --bogus (see zel scan --help)\n"},
        {{"scan", "--virtual", "--quantity", "color"},
         "zel: --quantity: color not in {intensity,reference,reflectance,absorbance} "
         "(see zel scan --help)\n"},
        {{"scan", "--virtual", "--format", "xml"},
         "zel: --format: xml not in {csv,json,jcamp} (see zel scan --help)\n"},
        {{"scan", "--virtual", "--average", "0"},
         "zel: --average: Value 0 not in range 1 to 65535 (see zel scan --help)\n"},
        {{"scan", "--virtual", "--repeat", "0"},
         "zel: --repeat: Value 0 not in range 1 to 2147483647 (see zel scan --help)\n"},
        {{"scan", "--virtual", "--config", "-1"},
         "zel: --config: Value -1 not in range 0 to 2147483647 (see zel scan --help)\n"},
        {{"scan", "--virtual", "--json"},
         "zel: --json applies to list, info and configs; scan takes --format json "
         "(see zel scan --help)\n"},
        {{"set", "gain", "7", "--virtual"},
         "zel: gain: 7 not in {1,2,4,8,16,32,64} (see zel set gain --help)\n"},
        {{"set", "lamp", "maybe", "--virtual"},
         "zel: lamp: maybe not in {on,off} (see zel set lamp --help)\n"},
        {{"set", "average", "70000", "--virtual"},
         "zel: average: Value 70000 not in range 1 to 65535 (see zel set average --help)\n"},
        {{"set"}, "zel: A subcommand is required (see zel set --help)\n"},
        {{"--seed", "3", "info"}, "zel: --seed requires --virtual (see zel info --help)\n"},
        {{"info", "--virtual", "--sample", "chalk"},
         "zel: --sample: chalk not in {default,white,gray,dark} (see zel info --help)\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const ToolRun run = zel(arguments);
        EXPECT_EQ(run.status, 2) << message;
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, "") << message;
    }
}

TEST(Cli, ListShowsTheVirtualModule)
{
    const ToolRun table = zel({"list", "--virtual"});
    EXPECT_EQ(table.status, 0);
    EXPECT_EQ(table.out,
              "serial    vendor  product  path\n"
              "ZEL00001  0451    4201     virtual:ZEL00001\n");
    EXPECT_EQ(table.err, "");

    const ToolRun json = zel({"--json", "list", "--virtual"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out,
              "[\n"
              "  {\n"
              "    \"serial\": \"ZEL00001\",\n"
              "    \"vendor_id\": 1105,\n"
              "    \"product_id\": 16897,\n"
              "    \"path\": \"virtual:ZEL00001\"\n"
              "  }\n"
              "]\n");
}

TEST(Cli, WithoutHardwareListSaysSoAndInfoFails)
{
    if (!list_modules().empty()) {
        GTEST_SKIP() << "a module is attached to this machine";
    }
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

TEST(Cli, AnUnknownSerialIsNoModule)
{
    const ToolRun run = zel({"info", "--virtual", "-m", "ZEL09999"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "zel: opening module ZEL09999: no matching module is attached\n");
    EXPECT_EQ(zel({"info", "--virtual", "--module", "ZEL00001"}).status, 0);
}

TEST(Cli, InfoAsTableAndAsJson)
{
    const ToolRun table = zel({"info", "--virtual", "--seed", "4"});
    EXPECT_EQ(table.status, 0);
    EXPECT_EQ(table.err, "");
    std::vector<std::string> keys;
    std::stringstream lines(table.out);
    for (std::string line; std::getline(lines, line);) {
        keys.push_back(line.substr(0, line.find(' ')));
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"serial", "uuid", "path", "temperature", "humidity",
                                              "battery", "lamp", "gain", "averaging", "button",
                                              "bluetooth"}));
    EXPECT_NE(table.out.find("\nlamp         off\n"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find(" °C\n"), std::string::npos) << table.out;

    const ToolRun json = zel({"info", "--virtual", "--json"});
    ASSERT_EQ(json.status, 0);
    const nlohmann::json info = nlohmann::json::parse(json.out);
    EXPECT_EQ(info["serial"], "ZEL00001");
    EXPECT_EQ(info["uuid"].get<std::string>().size(), 16u);
    EXPECT_EQ(info["path"], "virtual:ZEL00001");
    EXPECT_EQ(info["lamp"], false);
    EXPECT_EQ(info["gain"], 4);
    EXPECT_TRUE(info["averaging"].is_null());
    EXPECT_EQ(info["button_enabled"], false);
    EXPECT_EQ(info["button_presses"], 0);
    EXPECT_EQ(info["bluetooth"], false);
    EXPECT_NEAR(info["temperature_c"].get<double>(), 24.5, 2);
    EXPECT_NEAR(info["humidity_pct"].get<double>(), 41.3, 2);
    EXPECT_NEAR(info["battery_v"].get<double>(), 4.02, 0.1);
}

TEST(Cli, ConfigsAsTableAndAsJsonAgreeWithTheApi)
{
    VirtualOptions options;
    options.realtime = false;
    Module module = Module::open_virtual(options);
    const std::vector<Configuration> expected = module.configurations();

    const ToolRun json = zel({"configs", "--virtual", "--json"});
    ASSERT_EQ(json.status, 0);
    const nlohmann::json configs = nlohmann::json::parse(json.out);
    ASSERT_EQ(configs.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(configs[i]["index"], expected[i].index);
        EXPECT_EQ(configs[i]["name"], expected[i].name);
        EXPECT_EQ(configs[i]["kind"], to_string(expected[i].kind));
        EXPECT_EQ(configs[i]["start_nm"], expected[i].start_nm);
        EXPECT_EQ(configs[i]["end_nm"], expected[i].end_nm);
        EXPECT_EQ(configs[i]["points"], expected[i].points);
        EXPECT_EQ(configs[i]["scan_time_s"], expected[i].scan_time_s);
        EXPECT_EQ(configs[i]["sections"].size(), expected[i].sections.size());
    }

    const ToolRun table = zel({"configs", "--virtual"});
    EXPECT_EQ(table.status, 0);
    EXPECT_EQ(table.err, "");
    EXPECT_EQ(table.out.substr(0, table.out.find('\n') + 1),
              "index  name         kind       range (nm)    width  points  scan time (s)\n");
    EXPECT_NE(table.out.find("\n0      Column 1     column     900.0-1700.0  7      228     0.401\n"),
              std::string::npos)
        << table.out;
}

TEST(Cli, ScanWritesCsvOnStandardOutputValueForValue)
{
    const ToolRun run = zel({"scan", "--virtual", "--seed", "9"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");  // not a terminal: no progress bar
    const Spectrum expected = api_scan(9);
    const formats_test::Csv csv = formats_test::read_csv(run.out);
    EXPECT_EQ(csv.names, (std::vector<std::string>{"wavelength_nm", "intensity", "reference",
                                                    "reflectance"}));
    expect_same(csv.column("wavelength_nm"), expected.wavelength_nm);
    expect_same(csv.column("intensity"), expected.intensity);
    expect_same(csv.column("reference"), expected.reference);
    expect_same(csv.column("reflectance"), expected.reflectance());
    EXPECT_EQ(csv.metadata.at("serial"), "ZEL00001");
    EXPECT_EQ(csv.metadata.at("configuration"), "0");
    EXPECT_EQ(csv.metadata.at("configuration_name"), "Column 1");
    EXPECT_EQ(csv.metadata.at("repeats"), "1");
    EXPECT_EQ(csv.metadata.at("software_version"), ZEL_VERSION_STRING);
}

TEST_F(CliWithFiles, ScanChoosesTheFormatFromTheSuffixUnlessOneIsGiven)
{
    const Spectrum expected = api_scan(2, 1);
    const std::string json_path = (dir_ / "s.json").string();
    const ToolRun json = zel({"scan", "--virtual", "--seed", "2", "-c", "1", "-o", json_path});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out, "");
    EXPECT_EQ(json.err, "");
    const nlohmann::json j = nlohmann::json::parse(read(json_path));
    EXPECT_EQ(j["metadata"]["kind"], "hadamard");
    EXPECT_EQ(j["wavelength_nm"].get<std::vector<double>>(), expected.wavelength_nm);
    EXPECT_EQ(j["intensity"].get<std::vector<double>>(), expected.intensity);

    const std::string jdx_path = (dir_ / "s.JDX").string();
    ASSERT_EQ(zel({"scan", "--virtual", "--seed", "2", "-c", "1", "-o", jdx_path}).status, 0);
    const formats_test::Jcamp jcamp = formats_test::read_jcamp(read(jdx_path));
    EXPECT_EQ(jcamp.values.at("YUNITS"), "REFLECTANCE");
    formats_test::expect_pairs_reproduce(jcamp, expected, Quantity::Reflectance);

    // --format wins over the suffix; an unknown suffix gets CSV.
    const std::string txt_path = (dir_ / "s.txt").string();
    ASSERT_EQ(zel({"scan", "--virtual", "-o", txt_path}).status, 0);
    EXPECT_EQ(read(txt_path).rfind("# serial: ZEL00001\n", 0), 0u);
    ASSERT_EQ(zel({"scan", "--virtual", "-f", "jcamp", "-o", txt_path}).status, 0);
    EXPECT_EQ(read(txt_path).rfind("##TITLE=", 0), 0u);
    EXPECT_EQ(names().size(), 3u);
}

TEST(Cli, ScanQuantityRepeatsAndAveraging)
{
    const ToolRun absorbance = zel({"scan", "--virtual", "-f", "jcamp", "-q", "absorbance"});
    ASSERT_EQ(absorbance.status, 0) << absorbance.err;
    const formats_test::Jcamp jcamp = formats_test::read_jcamp(absorbance.out);
    EXPECT_EQ(jcamp.values.at("YUNITS"), "ABSORBANCE");
    formats_test::expect_pairs_reproduce(jcamp, api_scan(1), Quantity::Absorbance);

    const ToolRun repeated = zel({"scan", "--virtual", "--repeat", "3", "--average", "2",
                                  "--quantity", "intensity"});
    ASSERT_EQ(repeated.status, 0) << repeated.err;
    EXPECT_EQ(repeated.err, "");
    const formats_test::Csv csv = formats_test::read_csv(repeated.out);
    EXPECT_EQ(csv.names,
              (std::vector<std::string>{"wavelength_nm", "intensity", "intensity_std"}));
    EXPECT_EQ(csv.metadata.at("repeats"), "3");
    EXPECT_EQ(csv.metadata.at("averaging"), "2");
    double spread = 0;
    for (double s : csv.column("intensity_std")) {
        EXPECT_GE(s, 0);
        spread += s;
    }
    EXPECT_GT(spread, 0);  // three noisy scans differ
}

TEST_F(CliWithFiles, AFailedScanOrAnUnwritablePathLeavesFilesAsTheyWere)
{
    const ToolRun unwritable = zel({"scan", "--virtual", "-o", "/sys/zel-spectrum.csv"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_EQ(unwritable.err, "zel: cannot write /sys/zel-spectrum.csv: Permission denied\n");

    const fs::path kept = dir_ / "kept.csv";
    std::ofstream(kept) << "earlier spectrum\n";
    const ToolRun no_config = zel({"scan", "--virtual", "--config", "9", "-o", kept.string()});
    EXPECT_EQ(no_config.status, 1);
    EXPECT_EQ(no_config.out, "");
    EXPECT_EQ(no_config.err, "zel: scan configuration 9 of 4: no scan configuration has that index\n");
    EXPECT_EQ(read(kept), "earlier spectrum\n");
    EXPECT_EQ(names(), std::vector<std::string>{"kept.csv"});

    const ToolRun missing = zel({"scan", "--virtual", "-o", (dir_ / "no" / "s.csv").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "zel: cannot write " + (dir_ / "no" / "s.csv").string() + ": No such file or directory\n");
}

TEST(Cli, AFullStandardOutputIsAnError)
{
    const ToolRun run = run_tool("/bin/sh", {"-c", "exec \"$0\" list --virtual >/dev/full", ZEL_CLI_PATH});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "zel: writing standard output: No space left on device\n");
}

TEST(Cli, SetChangesEachSettingQuietly)
{
    const std::vector<std::vector<std::string>> commands{
        {"set", "lamp", "on"},      {"set", "lamp", "off"},       {"set", "gain", "16"},
        {"set", "average", "100"},  {"set", "button", "on"},      {"set", "bluetooth", "off"},
    };
    for (std::vector<std::string> arguments : commands) {
        arguments.push_back("--virtual");
        const ToolRun run = zel(arguments);
        EXPECT_EQ(run.status, 0) << arguments[1] << ": " << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
    }
}

}  // namespace
}  // namespace zel::cli_test
