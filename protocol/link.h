// The state one exchange with a module needs: where its reports go (a transport), the message
// sequence counter, the output report being sent and the reply buffer.
//
// The framing, the commands and the stored-file transfer work on the link bound to the calling
// thread (LinkBinding), or on the process-wide link of the module table (usb/usb_link.h) when
// none is bound: that one owns msgSeq, txReport and rxMsg. A module object binds its own link
// for the duration of each call, so two modules on two threads never share a byte.
#ifndef ZEL_PROTOCOL_LINK_H
#define ZEL_PROTOCOL_LINK_H

#include <cstdint>

#include "protocol/framing.h"

namespace zel::protocol {

// Moves single reports to and from one module.
class Transport {
public:
    virtual ~Transport() = default;
    // One MSG_TX_REPORT_SIZE-byte output report (report number 0 first): bytes written, or < 0.
    virtual int32_t write(const uint8_t* report) = 0;
    // One input report of up to MSG_REPORT_SIZE bytes, waiting up to the link's time-out:
    // bytes read, 0 when nothing arrived in time, or < 0.
    virtual int32_t read(uint8_t* buffer) = 0;
    // An input report that has already arrived, without waiting: bytes read, 0 for none, or < 0.
    virtual int32_t readPending(uint8_t* buffer) = 0;
    // Waits `milliseconds` (a scan, the radio's switch-over).
    virtual void sleep(uint32_t milliseconds) = 0;
};

struct Link {
    Transport& transport;
    uint8_t& seq;
    uint8_t* tx;  // MSG_TX_REPORT_SIZE bytes
    uint8_t* rx;  // MSG_RX_CAPACITY bytes
};

// A link with storage of its own, for one module object.
class OwnedLink {
public:
    explicit OwnedLink(Transport& transport) : link_{transport, seq_, tx_, rx_} {}
    OwnedLink(const OwnedLink&) = delete;
    OwnedLink& operator=(const OwnedLink&) = delete;
    Link& link() { return link_; }

private:
    uint8_t seq_ = 0;
    uint8_t tx_[MSG_TX_REPORT_SIZE] = {};
    uint8_t rx_[MSG_RX_CAPACITY] = {};
    Link link_;
};

// The link the calling thread works on.
Link& boundLink();

// Binds `link` to the calling thread until destroyed (bindings nest).
class LinkBinding {
public:
    explicit LinkBinding(Link& link);
    ~LinkBinding();
    LinkBinding(const LinkBinding&) = delete;
    LinkBinding& operator=(const LinkBinding&) = delete;

private:
    Link* previous_;
};

// Reads and drops every input report already waiting, so that an answer to an earlier exchange
// (late after a time-out, or a stray report) is never taken for the next one. Stops at the first
// silence or failure, and after a bound that no real module reaches.
void dropStaleInput(Transport& transport);

}  // namespace zel::protocol

#endif
