#include "protocol/report_io.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "protocol/framing.h"
#include "protocol/link.h"
#include "usb/usb_link.h"

static_assert(std::endian::native == std::endian::little, "msg fields are stored in wire order");
static_assert(sizeof(msg) == MSG_SIZE);
static_assert(int{MSG_REPORT_SIZE} == int{USB_LINK_IN_REPORT_SIZE});
static_assert(int{MSG_TX_REPORT_SIZE} == int{USB_LINK_OUT_REPORT_SIZE});

extern "C" const uint8_t *Msg_ReplyBuffer(void)
{
    return zel::protocol::boundLink().rx;
}

namespace zel::protocol {

void stageReport(const uint8_t* bytes, size_t count)
{
    uint8_t* const tx = boundLink().tx;
    count = std::min<size_t>(count, MSG_REPORT_SIZE);
    tx[0] = 0;
    std::memcpy(tx + 1, bytes, count);
    std::memset(tx + 1 + count, 0, MSG_REPORT_SIZE - count);
}

int32_t readReport(size_t offset)
{
    Link& link = boundLink();
    uint8_t report[MSG_REPORT_SIZE] = {};
    const int32_t got = link.transport.read(report);
    if (got == 0) {
        return MSG_ERROR_TIMEOUT;
    }
    // A HID library claiming more than the report it was given is as broken as one that fails.
    if (got < 0 || got > MSG_REPORT_SIZE) {
        return MSG_ERROR_LINK;
    }
    if (offset < MSG_RX_CAPACITY) {
        std::memcpy(link.rx + offset, report, std::min<size_t>(MSG_REPORT_SIZE, MSG_RX_CAPACITY - offset));
    }
    return got;
}

int32_t errorFieldStatus(uint8_t flags)
{
    switch ((flags >> 4) & 0x3) {
    case 1:
        return MSG_ERROR_BAD_REPLY;
    case 2:
        return MSG_ERROR_FIELD_2;
    case 3:
        return MSG_ERROR_FIELD_3;
    default:
        return 0;
    }
}

} // namespace zel::protocol
