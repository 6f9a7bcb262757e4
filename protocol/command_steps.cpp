#include "protocol/command_steps.h"

#include <algorithm>
#include <cstring>

namespace zel::protocol {

WriteRequest::WriteRequest(uint16_t code, uint16_t declaredLength)
    : code_(code), length_(std::min<uint16_t>(declaredLength, MSG_MAX_DATA))
{
}

WriteRequest& WriteRequest::byte(size_t at, uint8_t value)
{
    return bytes(at, &value, 1);
}

WriteRequest& WriteRequest::u16(size_t at, uint16_t value)
{
    const uint8_t little[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    return bytes(at, little, sizeof little);
}

WriteRequest& WriteRequest::u32(size_t at, uint32_t value)
{
    const uint8_t little[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                               static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return bytes(at, little, sizeof little);
}

WriteRequest& WriteRequest::bytes(size_t at, const void* source, size_t count)
{
    if (at < length_) {
        std::memcpy(message_.data + at, source, std::min<size_t>(count, length_ - at));
    }
    return *this;
}

WriteRequest& WriteRequest::text(size_t at, const char* text, size_t width)
{
    return bytes(at, text, strnlen(text, width));
}

int32_t WriteRequest::send()
{
    Msg_InitWriteHeader(&message_, code_, length_);
    return Msg_SendWrite(&message_);
}

int32_t WriteRequest::writeResult()
{
    return send() <= 0 ? MSG_ERROR_LINK : Msg_ReadWriteAnswer();
}

int32_t readReply(uint16_t code)
{
    Msg_PrepareRead(code, 0);
    return Msg_ExchangeRead();
}

int32_t readReplyWithZeroByte(uint16_t code)
{
    Msg_PrepareRead(code, 1);
    return Msg_ExchangeRead();
}

int32_t readReplyArg(uint16_t code, uint32_t argument)
{
    Msg_PrepareReadArg(code, argument);
    return Msg_ExchangeRead();
}

int32_t readUnsignedByte(uint16_t code)
{
    const int32_t status = readReply(code);
    return status <= 0 ? status : Msg_ReplyU8(0);
}

int32_t readSignedByte(uint16_t code)
{
    const int32_t status = readReply(code);
    return status <= 0 ? status : static_cast<int8_t>(Msg_ReplyU8(0));
}

int32_t readCheckStatus(uint16_t code)
{
    const int32_t status = readReply(code);
    if (status <= 0) {
        return status;
    }
    return Msg_ReplyU8(0) == 0 ? 0 : -1;
}

int32_t readInt32s(uint16_t code, std::initializer_list<int32_t*> outputs)
{
    if (std::ranges::any_of(outputs, [](const int32_t* output) { return output == nullptr; })) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReply(code);
    if (status <= 0) {
        return status;
    }
    size_t offset = 0;
    for (int32_t* output : outputs) {
        *output = Msg_ReplyI32(offset);
        offset += 4;
    }
    return 0;
}

int32_t readBytes(uint16_t code, void* destination, size_t count)
{
    if (destination == nullptr) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReply(code);
    if (status <= 0) {
        return status;
    }
    copyReply(destination, 0, count);
    return 0;
}

void copyReply(void* destination, size_t offset, size_t count)
{
    auto* out = static_cast<uint8_t*>(destination);
    const size_t from = MSG_HEADER_SIZE + offset;
    const size_t available = from < MSG_RX_CAPACITY ? MSG_RX_CAPACITY - from : 0;
    const size_t copied = std::min(count, available);
    if (copied > 0) {
        std::memcpy(out, Msg_ReplyBuffer() + from, copied);
    }
    std::memset(out + copied, 0, count - copied);
}

} // namespace zel::protocol
