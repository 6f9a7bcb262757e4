/* The virtual module: a software model of the spectrometer module's far end.
 *
 * It takes the 64 message bytes of every output report the host writes, reassembles write
 * messages that span several reports, runs the command, and queues the 64-byte input reports of
 * its answer, exactly as the module does on the wire. It keeps the module's state (lamp,
 * controller, gain, averaging, push-button, Bluetooth, identity, sensors, active configuration,
 * stored files) and produces scan data by physics (sim/optics.h): every scan renders the active
 * configuration's patterns with the spectrum library's own builders and stores the result as the
 * serialized images the instrument uses.
 *
 * The model knows nothing of the transport or of time: the hid_* backend (sim/hid_backend.h)
 * serves it on a virtual clock in-process, and an emulated /dev/hidraw0 serves the same model in
 * real time. Everything it says is a function of what it was told, so two sessions that send the
 * same commands receive the same bytes (sensor readings move with the module's own event count).
 *
 * Errors the module reports in the error field of an answer (bits 4-5 of the flags byte):
 *   1  unknown command, or a malformed message (declared length not that of the command)
 *   2  bad argument: index, file type, gain or count out of range, image that does not decode,
 *      file data requested with no file selected, scan with no configuration stored
 *   3  busy: never raised by the model itself, only by the fault switch below
 * A failed command changes nothing. Commands sent with no answer expected (0x002F, 0x021A,
 * 0x030D), and messages whose flags lack the answer bit (bit 6), are never answered. A write
 * answer echoes the message's sequence number and carries no payload; a read reply carries
 * sequence 0. Stored files go out in chunks of 508 bytes (8 reports) unless set otherwise.
 *
 * Device status word: bit 0 lamp lit, bit 1 light-engine controller enabled, bit 2 Bluetooth
 * on, bit 3 push-button enabled, bit 4 scan data stored, bit 5 battery below 20 %.
 *
 * The lamp: lamp control 0 leaves it to the module, 1 holds it off. Outside scans it is lit
 * while lamp control is 0 and both controller enable bytes are non-zero; during a scan the
 * module lights it itself unless it is held off (a held-off scan sees only the dark level).
 *
 * Single-threaded: a module is driven from one thread at a time. */
#ifndef ZEL_SIM_VIRTUAL_MODULE_H
#define ZEL_SIM_VIRTUAL_MODULE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zel::sim {

inline constexpr uint16_t kModuleVendorId = 0x0451;
inline constexpr std::size_t kReportSize = 64;
using Report = std::array<uint8_t, kReportSize>;
using Bytes = std::vector<uint8_t>;

/* Who a module is. The serial number is both the USB serial-number string and what the module
 * answers to a serial-number request (the first 8 characters, as bytes). */
struct ModuleIdentity {
    uint16_t productId = 0x4201;
    std::wstring serial = L"ZEL00001";
    std::array<uint8_t, 8> flashId{0x5A, 0x45, 0x4C, 0x10, 0x20, 0x26, 0x12, 0x08};
};
ModuleIdentity defaultIdentity();

/* Stored-file types as the module numbers them. */
enum class StoredFile : uint32_t { ScanData = 0, CalData = 2, MatrixData = 3 };

/* Sensor values in the module's units. With drift on (the default) the readings wander around
 * these bases with the module's event count: temperature within about ±0.4 degrees (plus 1.2
 * while the lamp is lit), humidity within ±1 %, battery slowly discharging. */
struct SensorReadings {
    int32_t temperature = 2450;       /* hundredths of a degree */
    int32_t humidity = 4130;          /* hundredths of a percent */
    int32_t batteryCentivolts = 402;  /* hundredths of a volt */
    int32_t batteryPercent = 8700;    /* hundredths of a percent */
    int32_t batteryRaw = 2491;        /* battery ADC counts */
};

/* Fault switches. Each applies to the next `times` commands it matches (-1: every one), then
 * removes itself. `code` limits it to one command code; `file` to one stored file (for
 * SizeSkew, ChunkBeyondSize and CorruptImage). */
enum class FaultKind {
    NoAnswer,         /* the message is lost: no effect, no answer */
    ErrorField,       /* answered with error field `value` (1, 2 or 3); nothing is done */
    StallReply,       /* the command runs, but its answer stops after `value` reports */
    StrayReports,     /* `value` extra reports (bytes 0xEE) follow the answer */
    LateAnswer,       /* the command runs, but its whole answer is held back until the host's
                         read has timed out (readTimedOut), then queued: it is waiting when
                         the next exchange starts */
    SizeSkew,         /* a size request announces `value` bytes more (or fewer) than the file has */
    ChunkBeyondSize,  /* every chunk states `value` bytes more than remain of the file (padded 0xA5) */
    CorruptImage,     /* the served file has the byte at offset `value` inverted */
    SlowScan,         /* a started scan replaces the scan data file only `value` ms after the
                         scan time it reports (see elapse) */
};
struct Fault {
    FaultKind kind = FaultKind::NoAnswer;
    int32_t value = 0;
    std::optional<uint16_t> code;
    std::optional<StoredFile> file;
    int32_t times = -1;
};

struct Counters {
    uint64_t reportsIn = 0;       /* output reports received */
    uint64_t reportsOut = 0;      /* input reports handed out by takeReport */
    uint64_t messages = 0;        /* complete messages received (the event count) */
    uint64_t malformed = 0;       /* messages answered with error field 1 */
    uint64_t sequenceBreaks = 0;  /* write messages whose seq was not the previous one + 1 */
    std::optional<uint8_t> lastWriteSeq;
    std::map<uint16_t, uint64_t> perCode;  /* messages seen, by command code */
};

/* The module's settable state, as it stands now. */
struct ModuleState {
    uint8_t lampControl = 0;                 /* 0: lamp under the module's control, 1: held off */
    std::array<uint8_t, 2> controllerEnable{0, 0};
    uint8_t pgaGain = 4;                     /* 1, 2, 4, 8, 16, 32 or 64 */
    uint16_t scanAverage = 1;                /* scans averaged per scan, 1 or more */
    bool buttonEnabled = false;
    uint8_t buttonPresses = 0;               /* counted while enabled; saturates at 255 */
    bool bluetooth = false;
    uint8_t activeConfig = 0;
};

class VirtualModule {
public:
    explicit VirtualModule(ModuleIdentity id = defaultIdentity());

    /* Host -> module: the 64 message bytes of one output report (report number stripped). */
    void receive(std::span<const uint8_t, kReportSize> report);
    /* Module -> host: the next queued input report, if the module has one to say. */
    std::optional<Report> takeReport();
    bool hasReport() const { return !outbox_.empty(); }
    /* The host's read found nothing to take and gave up after its time-out: answers held back
     * by a late-answer fault arrive now. The model knows nothing of time; the transport says
     * when a read timed out. */
    void readTimedOut();
    /* Forgets queued and held-back input reports and any half-received message, as a freshly
     * opened device file would. State, stored files and counters stay. */
    void resetLink();

    /* ---- control API for tests ---- */
    const ModuleIdentity &identity() const { return identity_; }
    const ModuleState &state() const { return state_; }
    ModuleState &state() { return state_; }

    /* The true column-to-wavelength polynomial (c0, c1, c2) of the simulated optics; the
     * module stores the same one until the host writes others. */
    std::array<double, 3> opticalCalibration() const;
    /* The polynomial the module stores and puts into every scan (command 0x0229 changes it). */
    std::array<double, 6> storedCalibration() const;

    /* Milliseconds the module reports for a scan; empty returns to the time that follows from
     * the active configuration and averaging. */
    void setScanTime(std::optional<uint32_t> milliseconds);
    uint32_t scanTimeMs() const;

    void setSensors(const SensorReadings &base);
    void setSensorDrift(bool on);
    /* What the module would report now. */
    SensorReadings sensors() const;

    /* The sample under the window: reflectance (0..1) as a function of wavelength in nm. */
    void setSample(std::function<double(double)> reflectance);
    static double defaultSample(double nm);    /* a few absorption bands */
    static double whiteReference(double nm);   /* the factory white tile: 1.0 */

    /* Stored configurations, each the serialized image(s) the module hands out. */
    const std::vector<Bytes> &configurations() const { return configs_; }
    void setConfigurations(std::vector<Bytes> images);

    /* Stored files; an empty optional means the file does not exist (size requests fail). */
    const std::optional<Bytes> &storedFile(StoredFile file) const;
    void setStoredFile(StoredFile file, std::optional<Bytes> bytes);

    /* The chunk size the module uses for stored files (default 508: 8 reports). */
    void setChunkSize(uint16_t bytes);

    void pressButton(unsigned times = 1);

    /* Time passing for the module, as its transport tells it: a slow scan's data lands once its
     * time is up. The model keeps no clock of its own. */
    void elapse(uint64_t milliseconds);
    /* The data of the newest scan the module made, stored or still on its way (null before any
     * scan). */
    const Bytes *latestScan() const;

    void injectFault(const Fault &fault);
    void clearFaults();
    /* Fault switches still armed (a switch with `times` 1 is gone once it has struck). */
    std::size_t armedFaults() const { return faults_.size(); }

    const Counters &counters() const { return counters_; }
    uint64_t commandCount(uint16_t code) const;
    /* The most recent output reports, oldest first (at most 64). */
    const std::deque<Report> &lastReportsIn() const { return lastIn_; }
    uint64_t scanCount() const { return scanCount_; }
    /* The device status word the module reports (bits above). */
    int32_t statusWord() const;
    /* True while the lamp is lit outside a scan (lamp control 0 and the controller enabled). */
    bool lampLit() const;

private:
    struct Request {
        bool read = false;
        bool answerWanted = true;
        uint8_t seq = 0;
        uint16_t code = 0;
        std::span<const uint8_t> data;  /* the bytes after the code, as declared */
    };
    struct Answer {
        uint8_t error = 0;
        Bytes payload;
        bool silent = false;  /* the command never answers */
    };
    /* The file selected by the last size request, frozen as it was served. */
    struct Transfer {
        StoredFile file = StoredFile::ScanData;
        Bytes bytes;
        std::size_t position = 0;
    };

    void handleMessage(std::span<const uint8_t> message);
    void queueAnswer(const Request &request, const Answer &answer, const Fault *stall,
                     int32_t strayReports, std::deque<Report> &queue);
    std::optional<Fault> takeFault(FaultKind kind, std::optional<uint16_t> code,
                                   std::optional<StoredFile> file);

    /* commands.cpp */
    Answer dispatch(const Request &request);
    Answer shapeOnly(const Request &request);
    Answer fileSize(uint32_t type);
    Answer fileData();
    Answer scanConfig(uint32_t index) const;
    Answer setCalibration(std::span<const uint8_t> data);
    Answer calibration() const;
    Answer setSerialNumber(std::span<const uint8_t> data);

    /* scan.cpp */
    Answer startScan();

    /* sensors.cpp */
    SensorReadings sensorsAt(uint64_t event) const;

    ModuleIdentity identity_;
    ModuleState state_;
    Counters counters_;
    std::deque<Report> outbox_;
    std::deque<Report> heldBack_;   /* late answers, until the host's read times out */
    std::deque<Report> lastIn_;
    Bytes partial_;                 /* a write message still arriving */
    std::size_t partialExpected_ = 0;
    std::vector<Bytes> configs_;
    std::array<std::optional<Bytes>, 4> files_;
    std::optional<Transfer> transfer_;
    /* A slow scan's data and the milliseconds until it replaces the stored file. */
    struct PendingScan {
        Bytes bytes;
        uint64_t remainingMs = 0;
    };
    std::optional<PendingScan> pendingScan_;
    std::vector<Fault> faults_;
    std::map<uint16_t, Bytes> latches_;  /* last data of commands the module only stores */
    std::array<double, 6> storedCalibration_{};
    std::optional<uint32_t> scanTimeOverride_;
    SensorReadings sensorBase_;
    bool sensorDrift_ = true;
    std::function<double(double)> sample_;
    uint16_t chunkSize_ = 508;
    uint64_t scanCount_ = 0;
};

}  // namespace zel::sim

#endif
