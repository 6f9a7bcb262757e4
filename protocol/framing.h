/* Command messages and their exchange with the module over HID reports.
 *
 * A message is a 4-byte header (flags, sequence, length), a 16-bit command code and up to 510
 * data bytes; all multi-byte fields are little-endian. A write command sends the whole message
 * and reads a one-report answer; a read command sends a short request and reassembles a reply of
 * one or more reports in `rxMsg`.
 *
 * Every reply is untrusted: no length field, error field or report count makes these functions
 * touch bytes outside `rxMsg`, `txReport` or the caller's 516-byte message.
 *
 * The state below belongs to the process-wide link of the module table; a module object binds a
 * link of its own to its thread (protocol/link.h), and these functions then work on that one. On
 * one link exactly one exchange may be in progress at a time.
 *
 * Before each request every input report already waiting is read and dropped, so that a late
 * answer or a stray report never passes for the answer to the request. */
#ifndef ZEL_PROTOCOL_FRAMING_H
#define ZEL_PROTOCOL_FRAMING_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    MSG_HEADER_SIZE = 4,       /* flags, seq, length */
    MSG_SIZE = 516,            /* header and the 512 bytes a length field may cover */
    MSG_MAX_LENGTH = 512,      /* largest length field: the code and MSG_MAX_DATA bytes */
    MSG_MAX_DATA = 510,        /* data bytes after the code */
    MSG_REPORT_SIZE = 64,      /* message bytes per HID report */
    MSG_TX_REPORT_SIZE = 65,   /* an output report: report number 0, then 64 message bytes */
    MSG_RX_CAPACITY = 720,     /* the reply buffer: at most 716 payload bytes after the header */
    MSG_FLAGS_WRITE = 0x40,    /* direction 0 (write), answer requested */
    MSG_FLAGS_READ = 0xC0      /* direction 1 (read request), answer requested */
};

/* Status codes of an exchange; the command functions return them unchanged. */
enum {
    MSG_ERROR_LINK = -1,       /* a report write or read failed, or no module is open */
    MSG_ERROR_FIELD_3 = -2,    /* the answer's error field is 3 */
    MSG_ERROR_FIELD_2 = -3,    /* the answer's error field is 2 */
    MSG_ERROR_BAD_REPLY = -4,  /* error field 1, or a read reply of length 0 or longer than rxMsg */
    MSG_ERROR_TIMEOUT = -5     /* no report arrived within the read time-out */
};

/* One command message, 516 bytes, in wire order (the host is little-endian). In a reply the
 * bytes from `code` on are payload: a reply carries no command code. */
typedef struct msg {
    uint8_t flags;             /* request: MSG_FLAGS_WRITE or MSG_FLAGS_READ; reply: error field in bits 4-5 */
    uint8_t seq;               /* write: the sequence number; read request: 0 */
    uint16_t length;           /* bytes after the header: 2 (the code) plus the data length */
    uint16_t code;             /* command code 0xHHLL: low byte first */
    uint8_t data[MSG_MAX_DATA];
} msg;

/* Sequence number of the next write message; wraps from 255 to 0 and is never reset. */
extern uint8_t msgSeq;
/* The output report being sent: byte 0 is the report number 0, bytes 1-64 message bytes. */
extern uint8_t txReport[MSG_TX_REPORT_SIZE];
/* The reassembled reply of the last exchange, in `msg` layout; valid until the next exchange. */
extern uint8_t rxMsg[MSG_RX_CAPACITY];

/* Fills the header of a write message: flags 0x40, seq = msgSeq (which then advances), the code,
 * and length = dataLength + 2 (dataLength above MSG_MAX_DATA counts as MSG_MAX_DATA). The data
 * bytes are left to the caller, before or after. */
void Msg_InitWriteHeader(msg *message, uint16_t code, uint16_t dataLength);

/* Sends a write message: header, code and the `length` - 2 data bytes that follow, in one report
 * when length <= 60, else in 1 + ceil((length - 60) / 64) reports; only the first carries the
 * header. Bytes after the declared data go out as zero; a length above MSG_MAX_LENGTH is sent
 * (and announced in the header) as MSG_MAX_LENGTH. Returns the message bytes the reports can
 * carry (4 + length in one report, else 64 per report), or MSG_ERROR_LINK for a failed write or
 * a null message. */
int32_t Msg_SendWrite(const msg *message);

/* Reads the one-report answer to a write message. Returns the answer's 32-bit value (reply bytes
 * 4-7, possibly negative) when its length field is exactly 4, 0 for any other length, or
 * MSG_ERROR_LINK, MSG_ERROR_TIMEOUT, or the error field's code (1: -4, 2: -3, 3: -2). */
int32_t Msg_ReadWriteAnswer(void);

/* Stages a read request in txReport (nothing is sent): flags 0xC0, seq 0, the code, length 2 and
 * no data, except that code 0x0015 with dataLength 1 carries one zero data byte (length 3).
 * msgSeq is neither read nor changed. */
void Msg_PrepareRead(uint16_t code, uint16_t dataLength);

/* Stages a read request carrying a 32-bit argument at data bytes 0-3 (length 6). */
void Msg_PrepareReadArg(uint16_t code, uint32_t argument);

/* Sends the staged request and reassembles the reply in rxMsg, report after report, until its
 * length field plus 4 bytes have arrived. Returns the bytes placed in rxMsg (whole reports: 64
 * for a reply of up to 60 payload bytes), or MSG_ERROR_LINK (the request wrote nothing, or a read
 * failed), MSG_ERROR_TIMEOUT (silence, also midway: the reports so far stay in rxMsg), the first
 * report's error field code, or MSG_ERROR_BAD_REPLY for a length field of 0 or one that would not
 * fit in rxMsg (the exchange stops reading). The error field is checked in the first report only. */
int32_t Msg_ExchangeRead(void);

/* The reply buffer of the calling thread's link (rxMsg when it is the process-wide one). */
const uint8_t *Msg_ReplyBuffer(void);

/* The reply's length field: the number of payload bytes after the header. */
static inline uint16_t Msg_ReplyLength(void)
{
    const uint8_t *reply = Msg_ReplyBuffer();
    return (uint16_t)(reply[2] | (reply[3] << 8));
}

/* Little-endian values from reply data byte `offset` on (data byte 0 is rxMsg[4]). The bytes
 * read are those of the reply buffer whatever the module sent; bytes beyond it read as 0. */
static inline uint64_t Msg_ReplyValue(size_t offset, size_t size)
{
    const uint8_t *reply = Msg_ReplyBuffer();
    uint64_t value = 0;
    for (size_t i = size; i-- > 0;) {
        const size_t at = MSG_HEADER_SIZE + offset + i;
        value = (value << 8) | (at < MSG_RX_CAPACITY ? reply[at] : 0u);
    }
    return value;
}
static inline uint8_t Msg_ReplyU8(size_t offset) { return (uint8_t)Msg_ReplyValue(offset, 1); }
static inline uint16_t Msg_ReplyU16(size_t offset) { return (uint16_t)Msg_ReplyValue(offset, 2); }
static inline uint32_t Msg_ReplyU32(size_t offset) { return (uint32_t)Msg_ReplyValue(offset, 4); }
static inline uint64_t Msg_ReplyU64(size_t offset) { return Msg_ReplyValue(offset, 8); }
static inline int32_t Msg_ReplyI32(size_t offset) { return (int32_t)Msg_ReplyU32(offset); }

#ifdef __cplusplus
}
#endif

#endif
