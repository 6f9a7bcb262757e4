// Steps the command functions share: a write message built field by field and sent, read
// exchanges, and conversions out of the reply.
#ifndef ZEL_PROTOCOL_COMMAND_STEPS_H
#define ZEL_PROTOCOL_COMMAND_STEPS_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "protocol/framing.h"

namespace zel::protocol {

// A write message for one command. Its data start zeroed, and only the declared data length goes
// on the wire: every put is cut there, so no caller length reaches past the message.
class WriteRequest {
public:
    WriteRequest(uint16_t code, uint16_t declaredLength);

    WriteRequest& byte(size_t at, uint8_t value);
    WriteRequest& u16(size_t at, uint16_t value);
    WriteRequest& u32(size_t at, uint32_t value);
    // `count` bytes of `source` from data byte `at` on.
    WriteRequest& bytes(size_t at, const void* source, size_t count);
    // Characters of `text` up to its first zero byte, at most `width`: a short C string is not
    // read past its end, and the rest of the field stays zero.
    WriteRequest& text(size_t at, const char* text, size_t width);

    // Heads the message with the next sequence number and sends it: the send's result.
    int32_t send();
    // Sends and reads the answer: the write result.
    int32_t writeResult();

private:
    msg message_{};
    uint16_t code_;
    uint16_t length_;
};

// Stages the read request for `code` and exchanges it: the exchange's result.
int32_t readReply(uint16_t code);
// The same with the one zero data byte that only 0x0015 carries.
int32_t readReplyWithZeroByte(uint16_t code);
// The same with a 32-bit argument.
int32_t readReplyArg(uint16_t code, uint32_t argument);

// Reply byte 0 returned unsigned, or sign-extended, after a read of `code`.
int32_t readUnsignedByte(uint16_t code);
int32_t readSignedByte(uint16_t code);
// 0 when reply byte 0 is 0, else -1.
int32_t readCheckStatus(uint16_t code);
// Reply bytes 4k to 4k+3 into outputs[k].
int32_t readInt32s(uint16_t code, std::initializer_list<int32_t*> outputs);
// Reply bytes 0 to count-1 into `destination`.
int32_t readBytes(uint16_t code, void* destination, size_t count);

// Copies `count` reply data bytes from data byte `offset` on; bytes beyond rxMsg read as 0.
void copyReply(void* destination, size_t offset, size_t count);

template <typename... Pointers>
constexpr bool anyNull(const Pointers*... pointers)
{
    return ((pointers == nullptr) || ...);
}

} // namespace zel::protocol

#endif
