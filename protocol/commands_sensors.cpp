// Group 0x03: sensors and power.
#include <iterator>

#include "protocol/command_steps.h"
#include "protocol/qrn_commands.h"

using zel::protocol::anyNull;
using zel::protocol::copyReply;
using zel::protocol::readBytes;
using zel::protocol::readInt32s;
using zel::protocol::readReply;
using zel::protocol::readSignedByte;
using zel::protocol::WriteRequest;

extern "C" int32_t QRN_ReadHum(int32_t *humidity, int32_t *temperature)
{
    // The module sends the temperature first.
    return readInt32s(QRN_CMD_READ_HUM, {temperature, humidity});
}

extern "C" int32_t QRN_WriteBytes0309(uint8_t first, uint8_t second, uint8_t third, uint8_t fourth,
                                      uint8_t fifth, uint8_t sixth, uint8_t seventh)
{
    const uint8_t bytes[7] = {first, second, third, fourth, fifth, sixth, seventh};
    return WriteRequest(QRN_CMD_WRITE_BYTES_0309, 7).bytes(0, bytes, sizeof bytes).writeResult();
}

extern "C" int32_t QRN_ReadBattVolt(int32_t *voltage, int32_t *percentage, int32_t *raw)
{
    return readInt32s(QRN_CMD_READ_BATT_VOLT, {voltage, percentage, raw});
}

extern "C" int32_t QRN_ReadValue030B(int32_t *value)
{
    return readInt32s(QRN_CMD_READ_VALUE_030B, {value});
}

extern "C" int32_t QRN_ReadBytes030C(uint8_t *first, uint8_t *second, uint8_t *third,
                                     uint8_t *fourth, uint8_t *fifth, uint8_t *sixth,
                                     uint8_t *seventh)
{
    if (anyNull(first, second, third, fourth, fifth, sixth, seventh)) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReply(QRN_CMD_READ_BYTES_030C);
    if (status <= 0) {
        return status;
    }
    uint8_t *const outputs[] = {first, second, third, fourth, fifth, sixth, seventh};
    for (size_t i = 0; i < std::size(outputs); ++i) {
        *outputs[i] = Msg_ReplyU8(i);
    }
    return 0;
}

extern "C" int32_t QRN_Send030D(void)
{
    return WriteRequest(QRN_CMD_SEND_030D, 0).send() <= 0 ? MSG_ERROR_LINK : 0;
}

extern "C" int32_t QRN_WriteByte030E(uint8_t value)
{
    return WriteRequest(QRN_CMD_WRITE_BYTE_030E, 1).byte(0, value).writeResult();
}

extern "C" int32_t QRN_ReadByte030F(void)
{
    return readSignedByte(QRN_CMD_READ_BYTE_030F);
}

extern "C" int32_t QRN_ReadText03EF(char *text)
{
    return readBytes(QRN_CMD_READ_TEXT_03EF, text, 20);
}

extern "C" int32_t QRN_WriteText03FC(const char *text)
{
    if (text == nullptr) {
        return MSG_ERROR_LINK;
    }
    return WriteRequest(QRN_CMD_WRITE_TEXT_03FC, 16).text(0, text, 16).writeResult();
}

extern "C" int32_t QRN_ReadText03FD(char *text)
{
    return readBytes(QRN_CMD_READ_TEXT_03FD, text, 16);
}

extern "C" int32_t QRN_ReadTextValues03FE(char *text, int32_t values[2])
{
    if (anyNull(text, values)) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReply(QRN_CMD_READ_TEXT_VALUES_03FE);
    if (status <= 0) {
        return status;
    }
    copyReply(text, 0, 8);
    values[0] = Msg_ReplyI32(8);
    values[1] = Msg_ReplyI32(12);
    return 0;
}

extern "C" int32_t QRN_GetFlashUniqueID(uint8_t *id)
{
    return readBytes(QRN_CMD_GET_FLASH_UNIQUE_ID, id, QRN_FLASH_UNIQUE_ID_SIZE);
}
