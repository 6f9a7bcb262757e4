#include "protocol/report_io.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "protocol/framing.h"
#include "usb/usb_link.h"

static_assert(std::endian::native == std::endian::little, "msg fields are stored in wire order");
static_assert(sizeof(msg) == MSG_SIZE);
static_assert(int{MSG_REPORT_SIZE} == int{USB_LINK_IN_REPORT_SIZE});
static_assert(int{MSG_TX_REPORT_SIZE} == int{USB_LINK_OUT_REPORT_SIZE});

extern "C" {
uint8_t msgSeq = 0;
uint8_t txReport[MSG_TX_REPORT_SIZE] = {};
uint8_t rxMsg[MSG_RX_CAPACITY] = {};
}

namespace zel::protocol {

void stageReport(const uint8_t* bytes, size_t count)
{
    count = std::min<size_t>(count, MSG_REPORT_SIZE);
    txReport[0] = 0;
    std::memcpy(txReport + 1, bytes, count);
    std::memset(txReport + 1 + count, 0, MSG_REPORT_SIZE - count);
}

int32_t readReport(size_t offset)
{
    uint8_t report[MSG_REPORT_SIZE] = {};
    const int32_t got = UsbLink_Read(report);
    if (got == 0) {
        return MSG_ERROR_TIMEOUT;
    }
    // A HID library claiming more than the report it was given is as broken as one that fails.
    if (got < 0 || got > MSG_REPORT_SIZE) {
        return MSG_ERROR_LINK;
    }
    if (offset < MSG_RX_CAPACITY) {
        std::memcpy(rxMsg + offset, report, std::min<size_t>(MSG_REPORT_SIZE, MSG_RX_CAPACITY - offset));
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
