// Group 0x00: data transfer and miscellany (the stored-file commands are in stored_files.cpp).
#include <algorithm>

#include "protocol/command_steps.h"
#include "protocol/qrn_commands.h"

using zel::protocol::readReplyWithZeroByte;
using zel::protocol::readUnsignedByte;
using zel::protocol::WriteRequest;

extern "C" int32_t QRN_ReadValue0015(uint32_t *value)
{
    if (value == nullptr) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReplyWithZeroByte(QRN_CMD_READ_VALUE_0015);
    if (status <= 0) {
        return status;
    }
    *value = Msg_ReplyU32(0);
    return 0;
}

extern "C" int32_t QRN_WriteDataChunk(const uint8_t *data, uint32_t count)
{
    if (data == nullptr) {
        return MSG_ERROR_LINK;
    }
    const auto clipped = static_cast<uint16_t>(std::min<uint32_t>(count, QRN_WRITE_DATA_CHUNK_MAX));
    WriteRequest request(QRN_CMD_WRITE_DATA_CHUNK, clipped);
    request.bytes(0, data, clipped);
    const int32_t sent = request.send();
    if (sent <= 0) {
        return sent;
    }
    const int32_t answer = Msg_ReadWriteAnswer();
    return answer < 0 ? answer : clipped;
}

extern "C" int32_t QRN_WriteValues002A(uint32_t first, uint16_t second)
{
    return WriteRequest(QRN_CMD_WRITE_VALUES_002A, 6).u32(0, first).u16(4, second).writeResult();
}

extern "C" int32_t QRN_Send002F(void)
{
    return WriteRequest(QRN_CMD_SEND_002F, 0).send();
}

extern "C" int32_t QRN_WriteText0080(const char *text)
{
    if (text == nullptr) {
        return MSG_ERROR_LINK;
    }
    return WriteRequest(QRN_CMD_WRITE_TEXT_0080, 12).text(0, text, 12).writeResult();
}

extern "C" int32_t QRN_ReadByte0081(void)
{
    return readUnsignedByte(QRN_CMD_READ_BYTE_0081);
}
