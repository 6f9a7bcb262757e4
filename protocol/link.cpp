#include "protocol/link.h"

#include "platform/sleep.h"
#include "usb/usb_link.h"

extern "C" {
uint8_t msgSeq = 0;
uint8_t txReport[MSG_TX_REPORT_SIZE] = {};
uint8_t rxMsg[MSG_RX_CAPACITY] = {};
}

namespace zel::protocol {
namespace {

// The current slot of the module table.
class ModuleTableTransport final : public Transport {
public:
    int32_t write(const uint8_t* report) override { return UsbLink_Write(report); }
    int32_t read(uint8_t* buffer) override { return UsbLink_Read(buffer); }
    int32_t readPending(uint8_t* buffer) override { return UsbLink_ReadPending(buffer); }
    void sleep(uint32_t milliseconds) override { Sleep(milliseconds); }
};

Link& processLink()
{
    static ModuleTableTransport transport;
    static Link link{transport, msgSeq, txReport, rxMsg};
    return link;
}

thread_local Link* bound = nullptr;

// A reply is at most 12 reports; a module still talking after this many is not draining.
constexpr int kMaxStaleReports = 1024;

}  // namespace

Link& boundLink()
{
    return bound != nullptr ? *bound : processLink();
}

LinkBinding::LinkBinding(Link& link) : previous_(bound)
{
    bound = &link;
}

LinkBinding::~LinkBinding()
{
    bound = previous_;
}

void dropStaleInput(Transport& transport)
{
    uint8_t report[MSG_REPORT_SIZE];
    for (int i = 0; i < kMaxStaleReports && transport.readPending(report) > 0; ++i) {
    }
}

}  // namespace zel::protocol
