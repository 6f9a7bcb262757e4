// Write commands: the header, the split into reports and the one-report answer.
#include <algorithm>
#include <cstring>

#include "protocol/framing.h"
#include "protocol/link.h"
#include "protocol/report_io.h"

using zel::protocol::boundLink;
using zel::protocol::dropStaleInput;
using zel::protocol::errorFieldStatus;
using zel::protocol::readReport;
using zel::protocol::stageReport;

namespace {

// Message bytes the first report carries after the header.
constexpr size_t firstReportLength = MSG_REPORT_SIZE - MSG_HEADER_SIZE;

} // namespace

extern "C" void Msg_InitWriteHeader(msg *message, uint16_t code, uint16_t dataLength)
{
    if (message == nullptr) {
        return;
    }
    message->flags = MSG_FLAGS_WRITE;
    message->seq = boundLink().seq++;
    message->code = code;
    message->length = static_cast<uint16_t>(std::min<uint16_t>(dataLength, MSG_MAX_DATA) + 2);
}

extern "C" int32_t Msg_SendWrite(const msg *message)
{
    if (message == nullptr) {
        return MSG_ERROR_LINK;
    }
    zel::protocol::Link& link = boundLink();
    dropStaleInput(link.transport);
    const auto* bytes = reinterpret_cast<const uint8_t*>(message);
    const size_t length = std::min<size_t>(message->length, MSG_MAX_LENGTH);
    const size_t end = MSG_HEADER_SIZE + length;

    // Only header, code and declared data go out; the rest of the last report is zero.
    size_t sent = std::min(length, firstReportLength);
    stageReport(bytes, MSG_HEADER_SIZE + sent);
    // The header announces what is sent, also when the caller's length did not fit.
    link.tx[3] = static_cast<uint8_t>(length);
    link.tx[4] = static_cast<uint8_t>(length >> 8);
    if (link.transport.write(link.tx) < 0) {
        return MSG_ERROR_LINK;
    }
    while (sent < length) {
        const size_t from = MSG_HEADER_SIZE + sent;
        stageReport(bytes + from, std::min<size_t>(MSG_REPORT_SIZE, end - from));
        if (link.transport.write(link.tx) < 0) {
            return MSG_ERROR_LINK;
        }
        sent += MSG_REPORT_SIZE;
    }
    return static_cast<int32_t>(MSG_HEADER_SIZE + sent);
}

extern "C" int32_t Msg_ReadWriteAnswer(void)
{
    const int32_t got = readReport(0);
    if (got < 0) {
        return got;
    }
    if (const int32_t status = errorFieldStatus(Msg_ReplyBuffer()[0]); status != 0) {
        return status;
    }
    return Msg_ReplyLength() == 4 ? Msg_ReplyI32(0) : 0;
}
