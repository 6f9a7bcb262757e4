// Report-level steps shared by the write and read exchanges.
#ifndef ZEL_PROTOCOL_REPORT_IO_H
#define ZEL_PROTOCOL_REPORT_IO_H

#include <cstddef>
#include <cstdint>

namespace zel::protocol {

// Puts report number 0 and `count` (at most 64) message bytes into the link's output report; the rest is zeroed,
// so nothing of an earlier report goes out again.
void stageReport(const uint8_t* bytes, size_t count);

// Reads one input report into the link's reply buffer at `offset`, never past its end. Returns the bytes the
// report carried (1 to 64), MSG_ERROR_LINK or MSG_ERROR_TIMEOUT. Bytes a short report did not
// carry read as zero, so no earlier reply is mistaken for this one.
int32_t readReport(size_t offset);

// The status for a reply's error field (bits 4-5 of flags): 0 when clear.
int32_t errorFieldStatus(uint8_t flags);

} // namespace zel::protocol

#endif
