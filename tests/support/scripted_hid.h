// A scripted HID library for tests: the hid_* functions the link calls, answering from a script.
//
// Interfaces to enumerate are set by the test; hid_read_timeout serves queued input reports in
// order and, once the queue is empty, is silent (0 after its time-out, on the virtual clock).
// Queued reports answer the requests to come; a read that does not wait (time-out 0) finds only
// the reports queued as already waiting (queueStaleReport), as left over from before;
// every output report written is kept for the test to compare. `Sleep` advances the same virtual
// clock, so waits are measured without time passing. Link this instead of a real HID library.
#ifndef ZEL_TESTS_SUPPORT_SCRIPTED_HID_H
#define ZEL_TESTS_SUPPORT_SCRIPTED_HID_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zel::scripted {

using Bytes = std::vector<uint8_t>;

struct Interface {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::optional<std::wstring> serial;  // nullopt: no serial-number string
};

// Back to the start: no interfaces, hid_init succeeds, nothing queued or logged, clock at 0.
// Handles still open are released, so close the link's slots first (ModuleTest does).
void reset();

void setInterfaces(std::vector<Interface> interfaces);
void setInitResult(int result);

// Input side. queueReport serves `bytes` as one input report (cut to the length asked for).
void queueReport(std::span<const uint8_t> bytes);
// A read that returns `result` without data: 0 is silence (the time-out passes), -1 an error,
// anything else a HID library misbehaving.
void queueReadResult(int result);
// A reply in reports of 64 bytes: header (flags, seq 0, `length`), then `payload`, zero-padded.
void queueMessage(uint8_t flags, uint16_t length, std::span<const uint8_t> payload);
// A well-formed reply: error field 0, length = payload size.
void queueReply(std::span<const uint8_t> payload);
size_t pendingInputs();
// A report that is already waiting before the next request: only reads that do not wait take it.
void queueStaleReport(std::span<const uint8_t> bytes);

// Output side. The next write returns `result` (the report is still recorded).
void queueWriteResult(int result);
const std::vector<Bytes>& writtenReports();

// hid_init, hid_enumerate, hid_free_enumeration, hid_open and hid_close in call order, e.g.
// "hid_enumerate(0000,0000)", "hid_open(0451,1234,SN01)" ("-" for a null serial).
const std::vector<std::string>& calls();
// Reads that wait (time-out above 0), and reads that do not.
size_t readCount();
size_t pendingReadCount();
size_t lastReadLength();
int lastReadTimeout();

uint64_t elapsedMs();
size_t liveHandles();
size_t liveEnumerations();
// Writes, reads or closes on a handle that is not open.
size_t misuses();

} // namespace zel::scripted

#endif
