// Group 0x02, scanning and configuration: scans, stored configurations, lamp, gain, averaging.
#include "protocol/command_steps.h"
#include "protocol/qrn_commands.h"

using zel::protocol::anyNull;
using zel::protocol::copyReply;
using zel::protocol::readInt32s;
using zel::protocol::readReply;
using zel::protocol::readReplyArg;
using zel::protocol::readSignedByte;
using zel::protocol::readUnsignedByte;
using zel::protocol::WriteRequest;

extern "C" int32_t QRN_ReadValues0216(int32_t *first, int32_t *second, int32_t *third,
                                      int32_t *fourth, int32_t *fifth, int32_t *sixth,
                                      int32_t *seventh)
{
    return readInt32s(QRN_CMD_READ_VALUES_0216, {first, second, third, fourth, fifth, sixth, seventh});
}

extern "C" int32_t QRN_StartScan(uint8_t value)
{
    return WriteRequest(QRN_CMD_START_SCAN, 1).byte(0, value).writeResult();
}

extern "C" int32_t QRN_ReadByte0219(void)
{
    return readSignedByte(QRN_CMD_READ_BYTE_0219);
}

extern "C" int32_t QRN_Send021A(void)
{
    return WriteRequest(QRN_CMD_SEND_021A, 0).send() <= 0 ? MSG_ERROR_LINK : 0;
}

extern "C" int32_t QRN_WriteByte021B(uint8_t value)
{
    return WriteRequest(QRN_CMD_WRITE_BYTE_021B, 1).byte(0, value).writeResult();
}

extern "C" int32_t QRN_WriteValues021C(uint32_t first, uint32_t second)
{
    return WriteRequest(QRN_CMD_WRITE_VALUES_021C, 8).u32(0, first).u32(4, second).writeResult();
}

extern "C" int32_t QRN_ReadValueAt021D(uint32_t argument, int32_t *value)
{
    if (value == nullptr) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReplyArg(QRN_CMD_READ_VALUE_AT_021D, argument);
    if (status <= 0) {
        return status;
    }
    *value = Msg_ReplyI32(0);
    return 0;
}

extern "C" int32_t QRN_WriteBlock021E(const uint8_t *block, uint32_t count)
{
    if (block == nullptr) {
        return MSG_ERROR_LINK;
    }
    return WriteRequest(QRN_CMD_WRITE_BLOCK_021E, 124).bytes(0, block, count).writeResult();
}

extern "C" int32_t QRN_WriteIndexedBlock021F(uint8_t index, const uint8_t *block, uint32_t count)
{
    if (block == nullptr) {
        return MSG_ERROR_LINK;
    }
    return WriteRequest(QRN_CMD_WRITE_INDEXED_BLOCK_021F, 126)
        .byte(0, 0)
        .byte(1, index)
        .byte(2, static_cast<uint8_t>(count))
        .bytes(3, block, count)
        .writeResult();
}

extern "C" int32_t QRN_GetScanConfig(uint32_t index, uint8_t *buffer, uint32_t *length)
{
    if (anyNull(buffer, length)) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReplyArg(QRN_CMD_GET_SCAN_CONFIG, index & 0xFFu);
    if (status <= 0) {
        return status;
    }
    // The length word is the module's claim about the image that follows it: it must lie within
    // the reply that arrived and fit the caller's buffer.
    const uint32_t configLength = Msg_ReplyU32(0);
    if (configLength > QRN_SCAN_CONFIG_MAX || 4 + configLength > Msg_ReplyLength()) {
        return MSG_ERROR_BAD_REPLY;
    }
    copyReply(buffer, 4, configLength);
    *length = configLength;
    return 0;
}

extern "C" int32_t QRN_Trigger0221(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_0221, 1).byte(0, QRN_TRIGGER_0221_BYTE).writeResult();
}

extern "C" int32_t QRN_GetNumScanConfigs(void)
{
    return readUnsignedByte(QRN_CMD_GET_NUM_SCAN_CONFIGS);
}

extern "C" int32_t QRN_ReadByte0223(void)
{
    return readUnsignedByte(QRN_CMD_READ_BYTE_0223);
}

extern "C" int32_t QRN_SetActiveScanConfig(uint8_t index)
{
    return WriteRequest(QRN_CMD_SET_ACTIVE_SCAN_CONFIG, 1).byte(0, index).writeResult();
}

extern "C" int32_t QRN_SetLampControl(uint8_t value)
{
    return WriteRequest(QRN_CMD_SET_LAMP_CONTROL, 1).byte(0, value).writeResult();
}

extern "C" int32_t QRN_WriteWords0226(uint16_t first, uint16_t second)
{
    return WriteRequest(QRN_CMD_WRITE_WORDS_0226, 4).u16(0, first).u16(2, second).writeResult();
}

extern "C" int32_t QRN_WriteFlags0227(int32_t first, int32_t second, int32_t third)
{
    return WriteRequest(QRN_CMD_WRITE_FLAGS_0227, 7)
        .byte(0, first != 0)
        .byte(1, second != 0)
        .byte(2, third != 0)
        .writeResult();
}

extern "C" int32_t QRN_GetPgaGain(void)
{
    return readSignedByte(QRN_CMD_GET_PGA_GAIN);
}

extern "C" int32_t QRN_Trigger022B(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_022B, 0).writeResult();
}

extern "C" int32_t QRN_ReadValues022C(int32_t *first, int32_t *second, int32_t *third)
{
    const int32_t status = readInt32s(QRN_CMD_READ_VALUES_022C, {first, second, third});
    return status < 0 ? MSG_ERROR_LINK : status;
}

extern "C" int32_t QRN_WriteByte022D(uint8_t value)
{
    return WriteRequest(QRN_CMD_WRITE_BYTE_022D, 1).byte(0, value).writeResult();
}

extern "C" int32_t QRN_SetScanAvg(uint16_t count)
{
    return WriteRequest(QRN_CMD_SET_SCAN_AVG, 2).u16(0, count).writeResult();
}

extern "C" int32_t QRN_Trigger022F(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_022F, 0).writeResult();
}

extern "C" int32_t QRN_Trigger0230(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_0230, 1).byte(0, 0).writeResult();
}
