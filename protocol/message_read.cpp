// Read commands: the staged request and the reassembly of a multi-report reply.
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

// The one command whose read request carries a data byte of its own.
constexpr uint16_t codeWithZeroByte = 0x0015;

void stageRequest(uint16_t code, const uint8_t* data, uint16_t dataLength)
{
    uint8_t request[MSG_HEADER_SIZE + 2 + 4] = {MSG_FLAGS_READ, 0};
    const uint16_t length = static_cast<uint16_t>(2 + dataLength);
    request[2] = static_cast<uint8_t>(length);
    request[3] = static_cast<uint8_t>(length >> 8);
    request[4] = static_cast<uint8_t>(code);
    request[5] = static_cast<uint8_t>(code >> 8);
    std::memcpy(request + 6, data, dataLength);
    stageReport(request, MSG_HEADER_SIZE + length);
}

} // namespace

extern "C" void Msg_PrepareRead(uint16_t code, uint16_t dataLength)
{
    const uint8_t zero = 0;
    const bool withZeroByte = code == codeWithZeroByte && dataLength == 1;
    stageRequest(code, &zero, withZeroByte ? 1 : 0);
}

extern "C" void Msg_PrepareReadArg(uint16_t code, uint32_t argument)
{
    const uint8_t data[4] = {static_cast<uint8_t>(argument), static_cast<uint8_t>(argument >> 8),
                             static_cast<uint8_t>(argument >> 16), static_cast<uint8_t>(argument >> 24)};
    stageRequest(code, data, sizeof data);
}

extern "C" int32_t Msg_ExchangeRead(void)
{
    zel::protocol::Link& link = boundLink();
    dropStaleInput(link.transport);
    if (link.transport.write(link.tx) <= 0) {
        return MSG_ERROR_LINK;
    }
    size_t received = 0;
    size_t expected = MSG_REPORT_SIZE;
    while (received < expected) {
        const int32_t got = readReport(received);
        if (got < 0) {
            return got;
        }
        if (received == 0) {
            if (const int32_t status = errorFieldStatus(link.rx[0]); status != 0) {
                return status;
            }
            const uint16_t length = Msg_ReplyLength();
            // A reply that would not fit in rxMsg is refused before any more of it is read.
            if (length == 0 || MSG_HEADER_SIZE + size_t{length} > MSG_RX_CAPACITY) {
                return MSG_ERROR_BAD_REPLY;
            }
            expected = MSG_HEADER_SIZE + size_t{length};
        }
        // The last report of a reply that ends near the buffer's end is only partly kept.
        received = std::min<size_t>(received + static_cast<size_t>(got), MSG_RX_CAPACITY);
    }
    return static_cast<int32_t>(received);
}
