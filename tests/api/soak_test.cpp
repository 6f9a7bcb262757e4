// Fault soak: a seeded stream of calls of every exported function over the virtual module, with a
// random fault before about one call in five. Every outcome is judged against the module's own
// state: a call either fails (negative status) with its outputs untouched, or succeeds with the
// right values. Calls that meet no fault must come out exactly as a fault-free call does, the call
// after a fault included, and no call may sleep longer than the module's true scan time.
//
// Outcomes allowed under a fault, because the host does not or cannot tell them from right ones:
//   - zelSetLampStatus returns 0 whatever the module answered;
//   - zelGetWavelengths does not examine the answer to setting averaging 1, so the module may
//     keep averaging as it was (the wavelengths it returns must still be right);
//   - a served image with one byte inverted, and chunks that state more bytes than remain, can
//     decode to other values than the module's.
// A slow scan (data stored later than the scan time the module reports) is left out: these
// functions fetch after exactly that time and cannot tell the previous scan's file from a new one;
// module objects do (tests/device/stale_scan_test.cpp).
#include "tests/api/api_fixture.h"

#include <algorithm>
#include <array>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

#include "protocol/qrn_codes.h"

namespace zel::test {
namespace {

constexpr uint32_t kSeed = 20261209;
constexpr int kCalls = 60000;
constexpr int kFaultOneIn = 5;
constexpr int kSamplesKept = 8;  // wrong outcomes described in the report

using sim::FaultKind;
using sim::StoredFile;

constexpr std::array kCodeFaults{FaultKind::NoAnswer, FaultKind::ErrorField,
                                 FaultKind::StallReply, FaultKind::StrayReports,
                                 FaultKind::LateAnswer};
constexpr std::array kFileFaults{FaultKind::SizeSkew, FaultKind::ChunkBeyondSize,
                                 FaultKind::CorruptImage};

const char* kindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::NoAnswer: return "no answer";
    case FaultKind::ErrorField: return "error field";
    case FaultKind::StallReply: return "stalled reply";
    case FaultKind::StrayReports: return "stray reports";
    case FaultKind::LateAnswer: return "late answer";
    case FaultKind::SizeSkew: return "size skew";
    case FaultKind::ChunkBeyondSize: return "chunk beyond size";
    case FaultKind::CorruptImage: return "corrupt image";
    case FaultKind::SlowScan: return "slow scan";
    }
    return "?";
}

// Faults after which a host may decode other bytes than the module holds, without any sign.
bool undetectable(FaultKind kind)
{
    return kind == FaultKind::CorruptImage || kind == FaultKind::ChunkBeyondSize;
}

// What one call did.
struct Outcome {
    int32_t status = 0;
    int32_t expected = 0;        // the status of the same call without a fault
    bool untouched = true;       // every output as it was before the call
    bool right = false;          // on success: outputs and the module's state agree
    bool keptState = true;       // state a fault-free call leaves but the call does not check
    uint64_t allowedSleepMs = 0; // the longest wait the module's state justifies
};

// One exported function: the commands it may send, the stored files it reads, and a run that
// makes the call and judges it.
struct Call {
    const char* name;
    std::vector<uint16_t> codes;
    std::vector<StoredFile> files;
    std::function<Outcome()> run;
};

// Outcomes of the calls that met one kind of fault, or none.
struct Row {
    int injected = 0;
    int calls = 0;
    int right = 0;           // right values, or the failure a fault-free call gives
    int failed = 0;          // a negative status with the outputs untouched (fault-free: one
                             // that a fault-free call does not give)
    int wrongSuccesses = 0;  // success with values other than the module's
    int lampSuccesses = 0;   // of those, zelSetLampStatus (allowed under a fault)
    int dirtyFailures = 0;   // a negative status with outputs written
};

struct Tally {
    std::map<std::string, int> callsByFunction;
    std::map<std::optional<FaultKind>, Row> rows;  // by fault kind; none first
    int afterFault = 0;               // fault-free calls right after a call that met a fault
    int afterFaultWrong = 0;
    int overlongSleeps = 0;
    uint64_t longestSleepMs = 0;
    std::vector<std::string> samples;

    void sample(const std::string& text)
    {
        if (static_cast<int>(samples.size()) < kSamplesKept) {
            samples.push_back(text);
        }
    }
    // Outcomes that no allowance covers.
    int unexplained() const
    {
        int n = overlongSleeps;
        for (const auto& [kind, row] : rows) {
            n += row.dirtyFailures;
            if (!kind) {
                n += row.failed + row.wrongSuccesses;
            } else if (!undetectable(*kind)) {
                n += row.wrongSuccesses - row.lampSuccesses;
            }
        }
        return n;
    }
};

class SoakTest : public ApiTest {
protected:
    std::mt19937 rng_{kSeed};
    bool open_ = true;
    uint64_t sleptBefore_ = 0;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int oneIn) { return pick(1, oneIn) == 1; }
    template <class Container>
    const auto& any(const Container& c)
    {
        return c[static_cast<size_t>(pick(0, static_cast<int>(std::size(c)) - 1))];
    }

    // The module's scan data file as the library interprets it; empty when there is none.
    std::optional<scanResults> storedScan()
    {
        const std::optional<sim::Bytes>& file = module().storedFile(StoredFile::ScanData);
        if (!file) {
            return std::nullopt;
        }
        sim::Bytes copy = *file;
        scanResults results = {};
        if (zelspec_scan_interpret(copy.data(), copy.size(), &results) != ZELSPEC_PASS) {
            return std::nullopt;
        }
        return results;
    }

    std::vector<Call> calls();
    FaultKind inject(const Call& call);
    void judge(const Call& call, const Outcome& outcome, std::optional<FaultKind> struck,
               bool afterFault, uint64_t sleptMs, Tally& tally);
    void report(const Tally& tally) const;
};

// A scan function's success: one new scan with configuration `config`, waited for exactly as
// long as the module says a scan takes.
bool scannedOnce(sim::VirtualModule& module, uint64_t scansBefore, uint8_t config, uint64_t slept)
{
    return module.scanCount() == scansBefore + 1 && module.state().activeConfig == config &&
           slept == module.scanTimeMs();
}

std::vector<Call> SoakTest::calls()
{
    sim::VirtualModule& m = module();
    // The sleep of the call being run, read by the scan judges.
    auto slept = [this] { return sim::sleptMs() - sleptBefore_; };
    auto linkStatus = [this](int32_t closed) { return open_ ? ZEL_OK : closed; };
    std::vector<Call> list;

    list.push_back({"zelInitUsb", {}, {}, [] {
        Outcome o;
        o.status = zelInitUsb();
        o.expected = 1;
        o.right = o.status == 1;
        return o;
    }});
    list.push_back({"zelOpenByUsb", {}, {}, [this] {
        const int32_t slot = chance(4) ? 1 : 0;  // slot 1 holds nothing
        Outcome o;
        o.status = zelOpenByUsb(slot);
        o.expected = slot == 0 ? ZEL_OK : ZEL_ERROR_OPEN;
        o.right = true;
        open_ = open_ || o.status == ZEL_OK;
        return o;
    }});
    list.push_back({"zelClose", {}, {}, [this] {
        Outcome o;
        o.status = zelClose(0);
        o.right = true;
        open_ = false;
        return o;
    }});
    list.push_back({"zelGetSerialNumber", {QRN_CMD_GET_SERIAL_NUMBER}, {}, [&m, linkStatus] {
        std::array<uint8_t, 8> out;
        out.fill(0xAB);
        const std::array<uint8_t, 8> before = out;
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_LINK);
        o.status = zelGetSerialNumber(out.data());
        o.untouched = out == before;
        std::array<uint8_t, 8> serial{};
        for (size_t i = 0; i < serial.size() && i < m.identity().serial.size(); ++i) {
            serial[i] = static_cast<uint8_t>(m.identity().serial[i]);
        }
        o.right = out == serial;
        return o;
    }});
    list.push_back({"zelGetDeviceUuid", {QRN_CMD_ZELC_ENABLE, QRN_CMD_GET_FLASH_UNIQUE_ID}, {},
                    [&m, linkStatus] {
        std::array<uint8_t, 8> out;
        out.fill(0xAB);
        const std::array<uint8_t, 8> before = out;
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_LINK);
        o.status = zelGetDeviceUuid(out.data());
        o.untouched = out == before;
        o.right = out == m.identity().flashId;
        return o;
    }});
    list.push_back({"zelGetHumTemp", {QRN_CMD_READ_HUM}, {}, [&m, linkStatus] {
        uint32_t humidity = 0xABABABAB;
        uint32_t temperature = 0xABABABAB;
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_LINK);
        o.status = zelGetHumTemp(&humidity, &temperature);
        o.untouched = humidity == 0xABABABAB && temperature == 0xABABABAB;
        o.right = humidity == static_cast<uint32_t>(m.sensors().humidity) &&
                  temperature == static_cast<uint32_t>(m.sensors().temperature);
        return o;
    }});
    list.push_back({"zelGetBatteryInfo", {QRN_CMD_READ_BATT_VOLT}, {}, [&m, linkStatus] {
        int32_t volt = -12345;
        int32_t percent = -12345;
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_LINK);
        o.status = zelGetBatteryInfo(&volt, &percent);
        o.untouched = volt == -12345 && percent == -12345;
        o.right = volt == m.sensors().batteryCentivolts && percent == m.sensors().batteryPercent;
        return o;
    }});
    list.push_back({"zelGetDeviceStatus", {QRN_CMD_READ_DEVICE_STATUS}, {}, [&m, linkStatus] {
        int32_t word = -12345;
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_LINK);
        o.status = zelGetDeviceStatus(&word);
        o.untouched = word == -12345;
        o.right = word == m.statusWord();
        return o;
    }});
    list.push_back({"zelSetLampStatus", {QRN_CMD_SET_LAMP_CONTROL, QRN_CMD_ZELC_ENABLE}, {},
                    [this, &m] {
        const uint8_t on = static_cast<uint8_t>(pick(0, 1));
        Outcome o;
        o.status = zelSetLampStatus(on);
        const std::array<uint8_t, 2> enable = on ? std::array<uint8_t, 2>{1, 1}
                                                 : std::array<uint8_t, 2>{0, 0};
        // With no module open nothing is sent, and 0 is all the function promises.
        o.right = !open_ ||
                  (m.state().lampControl == (on ? 0 : 1) && m.state().controllerEnable == enable);
        return o;
    }});
    list.push_back({"zelSetPgaGain", {QRN_CMD_SET_PGA_GAIN}, {}, [this, &m, linkStatus] {
        // The module takes powers of two up to 64; only the low byte travels (260 is 4).
        static constexpr int32_t gains[] = {1, 2, 4, 8, 16, 32, 64, 3, 0, 260};
        const int32_t gain = any(gains);
        const auto sent = static_cast<uint8_t>(gain & 0xFF);
        const bool valid = sent != 0 && sent <= 64 && (sent & (sent - 1)) == 0;
        Outcome o;
        o.expected = valid ? linkStatus(ZEL_ERROR_SET_GAIN) : ZEL_ERROR_SET_GAIN;
        o.status = zelSetPgaGain(gain);
        o.right = m.state().pgaGain == sent;
        return o;
    }});
    list.push_back({"zelGetPgaGain", {QRN_CMD_GET_PGA_GAIN}, {}, [&m, linkStatus] {
        uint32_t gain = 0xABABABAB;
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_GET_GAIN);
        o.status = zelGetPgaGain(&gain);
        o.untouched = gain == 0xABABABAB;
        o.right = gain == m.state().pgaGain;
        return o;
    }});
    list.push_back({"zelSetAvgTimes", {QRN_CMD_SET_SCAN_AVG}, {}, [this, &m, linkStatus] {
        static constexpr uint16_t counts[] = {1, 2, 3, 8, 16, 0};  // the module refuses 0
        const uint16_t times = any(counts);
        Outcome o;
        o.expected = times != 0 ? linkStatus(ZEL_ERROR_SET_AVERAGING) : ZEL_ERROR_SET_AVERAGING;
        o.status = zelSetAvgTimes(times);
        o.right = m.state().scanAverage == times;
        return o;
    }});
    list.push_back({"zelEnableButtonPress", {QRN_CMD_SET_BUTTON_PRESS_ENABLE}, {},
                    [this, &m, linkStatus] {
        const uint8_t enable = static_cast<uint8_t>(pick(0, 1));
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_BUTTON);
        o.status = zelEnableButtonPress(enable);
        o.right = m.state().buttonEnabled == (enable != 0);
        return o;
    }});
    list.push_back({"zelGetButtonPressStatus", {QRN_CMD_GET_BUTTON_PRESS_COUNT}, {},
                    [&m, linkStatus] {
        uint8_t pressed = 0xAB;
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_BUTTON);
        o.status = zelGetButtonPressStatus(&pressed);
        o.untouched = pressed == 0xAB;
        o.right = pressed == (m.state().buttonPresses > 0 ? 1 : 0);
        return o;
    }});
    list.push_back({"zelSetBluetoothStatus", {QRN_CMD_SET_BLUETOOTH}, {}, [this, &m, linkStatus] {
        const uint8_t on = static_cast<uint8_t>(pick(0, 1));
        Outcome o;
        o.expected = linkStatus(on ? ZEL_ERROR_BLUETOOTH_ON : ZEL_ERROR_BLUETOOTH_OFF);
        o.status = zelSetBluetoothStatus(on);
        o.right = m.state().bluetooth == (on != 0);
        o.allowedSleepMs = 2000;
        return o;
    }});
    list.push_back({"zelGetConfigInfo", {QRN_CMD_GET_NUM_SCAN_CONFIGS, QRN_CMD_GET_SCAN_CONFIG},
                    {}, [&m, linkStatus] {
        const sectionedScanConfig before = sentinel<sectionedScanConfig>();
        sectionedScanConfig config = before;
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_NO_CONFIG);
        o.status = zelGetConfigInfo(&config);
        o.untouched = sameBytes(config, before);
        // Configuration 0 as the module stores it, decoded from a zeroed buffer.
        std::array<uint8_t, 512> image{};
        const sim::Bytes& stored = m.configurations().at(0);
        std::copy(stored.begin(), stored.end(), image.begin());
        if (zelspec_config_deserialize(image.data(), stored.size()) == ZELSPEC_PASS) {
            sectionedScanConfig expected;
            std::memcpy(&expected, image.data(), sizeof expected);
            o.right = sameBytes(config, expected);
        }
        return o;
    }});

    const std::vector<uint16_t> scanCodes = {
        QRN_CMD_GET_NUM_SCAN_CONFIGS, QRN_CMD_SET_ACTIVE_SCAN_CONFIG, QRN_CMD_GET_SCAN_TIME,
        QRN_CMD_START_SCAN,           QRN_CMD_GET_FILE_SIZE,          QRN_CMD_GET_FILE_DATA};
    list.push_back({"zelGetScanResults", scanCodes, {StoredFile::ScanData},
                    [this, &m, slept, linkStatus] {
        const scanResults before = sentinel<scanResults>();
        auto results = std::make_unique<scanResults>(before);
        const uint64_t scans = m.scanCount();
        Outcome o;
        o.expected = linkStatus(ZEL_ERROR_NO_CONFIG);
        o.status = zelGetScanResults(results.get());
        o.untouched = sameBytes(*results, before);
        o.allowedSleepMs = m.scanTimeMs();
        const std::optional<scanResults> stored = storedScan();
        o.right = stored && sameBytes(*results, *stored) && scannedOnce(m, scans, 0, slept());
        return o;
    }});
    std::vector<uint16_t> wavelengthCodes = scanCodes;
    wavelengthCodes.front() = QRN_CMD_SET_SCAN_AVG;
    list.push_back({"zelGetWavelengths", wavelengthCodes, {StoredFile::ScanData},
                    [this, &m, slept] {
        const int32_t count = chance(20) ? (chance(2) ? -1 : 161) : pick(0, ZEL_MAX_WAVELENGTHS);
        std::array<double, ZEL_MAX_WAVELENGTHS + 1> out;
        out.fill(-1.5);
        const auto before = out;
        const uint64_t scans = m.scanCount();
        Outcome o;
        o.expected = count < 0 || count > ZEL_MAX_WAVELENGTHS ? ZEL_ERROR_COUNT
                     : open_                                  ? ZEL_OK
                                                              : ZEL_ERROR_SELECT_CONFIG;
        o.status = zelGetWavelengths(out.data(), count);
        o.untouched = out == before;
        o.allowedSleepMs = m.scanTimeMs();
        const std::optional<scanResults> stored = storedScan();
        o.keptState = m.state().scanAverage == 1;
        o.right = o.expected != ZEL_ERROR_COUNT && stored && scannedOnce(m, scans, 0, slept()) &&
                  std::equal(out.begin(), out.begin() + count, stored->wavelength) &&
                  std::all_of(out.begin() + count, out.end(), [](double v) { return v == -1.5; });
        return o;
    }});
    list.push_back({"zelGetIntensities", scanCodes, {StoredFile::ScanData},
                    [this, &m, slept] {
        const int32_t stored_configs = static_cast<int32_t>(m.configurations().size());
        const int32_t index = chance(10) ? (chance(2) ? -1 : stored_configs)
                                         : pick(0, stored_configs - 1);
        const int32_t count = chance(20) ? (chance(2) ? -1 : ZEL_MAX_POINTS + 1)
                                         : pick(0, ZEL_MAX_POINTS);
        std::vector<int32_t> out(ZEL_MAX_POINTS + 1, -7);
        const std::vector<int32_t> before = out;
        const uint64_t scans = m.scanCount();
        Outcome o;
        o.expected = count < 0 || count > ZEL_MAX_POINTS            ? ZEL_ERROR_COUNT
                     : !open_                                        ? ZEL_ERROR_NO_CONFIG
                     : index < 0 || index >= stored_configs          ? ZEL_ERROR_CONFIG_INDEX
                                                                     : ZEL_OK;
        o.status = zelGetIntensities(index, out.data(), count);
        o.untouched = out == before;
        o.allowedSleepMs = m.scanTimeMs();
        const std::optional<scanResults> stored = storedScan();
        o.right = o.expected != ZEL_ERROR_COUNT && stored && index >= 0 &&
                  scannedOnce(m, scans, static_cast<uint8_t>(index), slept()) &&
                  std::equal(out.begin(), out.begin() + count, stored->intensity) &&
                  std::all_of(out.begin() + count, out.end(), [](int32_t v) { return v == -7; });
        return o;
    }});
    list.push_back({"zelGetRefIntensityFromDevice", {QRN_CMD_GET_FILE_SIZE, QRN_CMD_GET_FILE_DATA},
                    {StoredFile::CalData, StoredFile::MatrixData, StoredFile::ScanData},
                    [this, &m] {
        const int32_t count = chance(20) ? (chance(2) ? -1 : ZEL_MAX_POINTS + 1)
                                         : pick(0, ZEL_MAX_POINTS);
        std::vector<int32_t> out(ZEL_MAX_POINTS + 1, -7);
        const std::vector<int32_t> before = out;
        // The reference of the module's last scan, from its stored files.
        const std::optional<scanResults> stored = storedScan();
        auto reference = std::make_unique<scanResults>();
        int32_t interpolated = ZELSPEC_ERROR_GENERAL;
        if (stored) {
            const sim::Bytes cal = *m.storedFile(StoredFile::CalData);
            const sim::Bytes matrix = *m.storedFile(StoredFile::MatrixData);
            interpolated = zelspec_scan_interpReference(cal.data(), cal.size(), matrix.data(),
                                                        matrix.size(), &*stored, reference.get());
        }
        Outcome o;
        o.expected = count < 0 || count > ZEL_MAX_POINTS ? ZEL_ERROR_COUNT
                     : !open_ || !stored                 ? ZEL_ERROR_FILE_SIZE
                     : interpolated != ZELSPEC_PASS      ? ZEL_ERROR_REFERENCE
                                                         : ZEL_OK;
        o.status = zelGetRefIntensityFromDevice(out.data(), count);
        o.untouched = out == before;
        o.right = o.expected != ZEL_ERROR_COUNT && interpolated == ZELSPEC_PASS &&
                  std::equal(out.begin(), out.begin() + count, reference->intensity) &&
                  std::all_of(out.begin() + count, out.end(), [](int32_t v) { return v == -7; });
        return o;
    }});
    return list;
}

// Arms one fault on a command or stored file that the call uses.
FaultKind SoakTest::inject(const Call& call)
{
    sim::Fault fault;
    fault.times = 1;
    const bool onFile = !call.files.empty() && chance(2);
    if (onFile) {
        fault.kind = any(kFileFaults);
        fault.file = any(call.files);
    } else {
        fault.kind = any(kCodeFaults);
        if (!call.codes.empty()) {
            fault.code = any(call.codes);
        }
    }
    switch (fault.kind) {
    case FaultKind::ErrorField: fault.value = pick(1, 3); break;
    case FaultKind::StallReply: fault.value = pick(0, 2); break;  // 0: half the reports
    case FaultKind::StrayReports: fault.value = pick(1, 3); break;
    case FaultKind::SizeSkew:
        fault.value = chance(8) ? (2 << 20) : (chance(2) ? -pick(1, 2000) : pick(1, 2000));
        break;
    case FaultKind::ChunkBeyondSize: fault.value = pick(1, 600); break;
    case FaultKind::CorruptImage: fault.value = pick(0, 4000); break;
    default: break;
    }
    module().injectFault(fault);
    return fault.kind;
}

void SoakTest::judge(const Call& call, const Outcome& o, std::optional<FaultKind> struck,
                     bool afterFault, uint64_t sleptMs, Tally& tally)
{
    std::ostringstream what;
    what << call.name << ": status " << o.status << " (fault-free " << o.expected << "), "
         << (struck ? kindName(*struck) : "no fault") << ", slept " << sleptMs
         << " ms (allowed " << o.allowedSleepMs << ")";
    ++tally.callsByFunction[call.name];
    tally.longestSleepMs = std::max(tally.longestSleepMs, sleptMs);
    if (sleptMs > o.allowedSleepMs) {
        ++tally.overlongSleeps;
        tally.sample("overlong sleep: " + what.str());
    }
    Row& row = tally.rows[struck];
    ++row.calls;
    const bool fails = o.status < 0;
    // What a fault-free call does; under a fault a right success counts as right too.
    const bool right =
        (o.status == o.expected && (fails ? o.untouched : o.right && o.keptState)) ||
        (struck && !fails && o.right);
    if (right) {
        ++row.right;
    } else if (fails && !o.untouched) {
        ++row.dirtyFailures;
        tally.sample("outputs written on failure: " + what.str());
    } else if (fails) {
        ++row.failed;
        if (!struck) {
            tally.sample("failed: " + what.str());
        }
    } else {
        ++row.wrongSuccesses;
        const bool lamp = std::string(call.name) == "zelSetLampStatus";
        row.lampSuccesses += lamp ? 1 : 0;
        if (!struck || !(lamp || undetectable(*struck))) {
            tally.sample("wrong success: " + what.str());
        }
    }
    if (!struck && afterFault) {
        ++tally.afterFault;
        tally.afterFaultWrong += right ? 0 : 1;
    }
}

void SoakTest::report(const Tally& t) const
{
    std::ostringstream out;
    int calls = 0;
    for (const auto& [name, n] : t.callsByFunction) {
        calls += n;
    }
    out << "soak: seed " << kSeed << ", " << calls << " calls:";
    for (const auto& [name, n] : t.callsByFunction) {
        out << " " << name << " " << n << ";";
    }
    out << "\nsoak: fault (injected): calls met / right / failed / wrong successes (lamp) / "
           "failures with outputs written\n";
    for (const auto& [kind, row] : t.rows) {
        out << "soak:   " << (kind ? kindName(*kind) : "none");
        if (kind) {
            out << " (" << row.injected << ")";
        }
        out << ": " << row.calls << " / " << row.right << " / " << row.failed << " / "
            << row.wrongSuccesses << " (" << row.lampSuccesses << ") / " << row.dirtyFailures
            << "\n";
    }
    out << "soak: fault-free calls right after a fault: " << t.afterFault << ", "
        << t.afterFaultWrong << " of them not right\n";
    out << "soak: longest sleep " << t.longestSleepMs << " ms; " << t.overlongSleeps
        << " calls slept longer than the module's scan time\n";
    for (const std::string& s : t.samples) {
        out << "soak: e.g. " << s << "\n";
    }
    std::cout << out.str();
}

TEST_F(SoakTest, EveryOutcomeMatchesTheModule)
{
    const std::vector<Call> list = calls();
    Tally tally;
    bool lastStruck = false;
    // The functions' own diagnostic lines are not what this test reads.
    captureStdout([&] {
        for (int n = 0; n < kCalls; ++n) {
            // With no module open, the next call opens one half of the time.
            const Call& call = !open_ && chance(2) ? list[1] : any(list);
            if (chance(10)) {
                module().pressButton(static_cast<unsigned>(pick(1, 3)));
            }
            std::optional<FaultKind> kind;
            if (chance(kFaultOneIn)) {
                kind = inject(call);
                ++tally.rows[kind].injected;
            }
            sleptBefore_ = sim::sleptMs();
            const Outcome outcome = call.run();
            const uint64_t slept = sim::sleptMs() - sleptBefore_;
            // A fault still armed never struck.
            const bool struck = kind && module().armedFaults() == 0;
            module().clearFaults();
            judge(call, outcome, struck ? kind : std::nullopt, lastStruck, slept, tally);
            lastStruck = struck;
        }
    });
    report(tally);
    const Row& clean = tally.rows[std::nullopt];
    RecordProperty("calls", kCalls);
    RecordProperty("fault_free_not_right", clean.failed + clean.wrongSuccesses + clean.dirtyFailures);
    RecordProperty("after_fault_not_right", tally.afterFaultWrong);
    RecordProperty("overlong_sleeps", tally.overlongSleeps);
    EXPECT_EQ(clean.failed, 0);
    EXPECT_EQ(clean.wrongSuccesses, 0);
    EXPECT_EQ(tally.afterFaultWrong, 0);
    EXPECT_EQ(tally.overlongSleeps, 0);
    EXPECT_EQ(tally.unexplained(), 0);
    for (const auto& kinds : {std::vector<FaultKind>(kCodeFaults.begin(), kCodeFaults.end()),
                              std::vector<FaultKind>(kFileFaults.begin(), kFileFaults.end())}) {
        for (const FaultKind kind : kinds) {
            EXPECT_GT(tally.rows[kind].calls, 0) << kindName(kind);
        }
    }
}

} // namespace
} // namespace zel::test
