// Group 0x04: device status, gain and indexed reads.
#include "protocol/command_steps.h"
#include "protocol/qrn_commands.h"

using zel::protocol::readBytes;
using zel::protocol::readInt32s;
using zel::protocol::readReplyArg;
using zel::protocol::WriteRequest;

extern "C" int32_t QRN_ReadValues0402(int32_t *first, int32_t *second, int32_t *third)
{
    const int32_t status = readInt32s(QRN_CMD_READ_VALUES_0402, {first, second, third});
    return status < 0 ? MSG_ERROR_LINK : status;
}

extern "C" int32_t QRN_ReadDeviceStatus(int32_t *status)
{
    return readInt32s(QRN_CMD_READ_DEVICE_STATUS, {status});
}

extern "C" int32_t QRN_ReadBlock0404(uint8_t *block)
{
    return readBytes(QRN_CMD_READ_BLOCK_0404, block, 20);
}

extern "C" int32_t QRN_Trigger0405(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_0405, 0).writeResult();
}

extern "C" int32_t QRN_ReadByteAt0406(uint32_t argument)
{
    const int32_t status = readReplyArg(QRN_CMD_READ_BYTE_AT_0406, argument);
    return status <= 0 ? status : Msg_ReplyU8(0);
}

extern "C" int32_t QRN_ReadWordAt0407(uint32_t argument)
{
    const int32_t status = readReplyArg(QRN_CMD_READ_WORD_AT_0407, argument & 0xFFu);
    return status <= 0 ? status : Msg_ReplyU16(0);
}

extern "C" int32_t QRN_WriteValue0408(uint32_t value)
{
    return WriteRequest(QRN_CMD_WRITE_VALUE_0408, 4).u32(0, value).writeResult();
}

extern "C" int32_t QRN_Trigger040A(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_040A, 0).writeResult();
}

extern "C" int32_t QRN_Trigger040B(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_040B, 0).writeResult();
}

extern "C" int32_t QRN_SetPgaGain(uint8_t flag, uint8_t gain)
{
    return WriteRequest(QRN_CMD_SET_PGA_GAIN, 2).byte(0, flag).byte(1, gain).writeResult();
}
