// Group 0x02, identity and texts: serial number, scan time, text fields and the 64-bit value.
#include "protocol/command_steps.h"
#include "protocol/qrn_commands.h"

using zel::protocol::readBytes;
using zel::protocol::readReply;
using zel::protocol::WriteRequest;

extern "C" int32_t QRN_SetSerialNumber(const char *serial)
{
    if (serial == nullptr) {
        return MSG_ERROR_LINK;
    }
    return WriteRequest(QRN_CMD_SET_SERIAL_NUMBER, QRN_SERIAL_NUMBER_SIZE)
        .text(0, serial, QRN_SERIAL_NUMBER_SIZE)
        .writeResult();
}

extern "C" int32_t QRN_GetSerialNumber(char *serial)
{
    if (serial == nullptr) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReply(QRN_CMD_GET_SERIAL_NUMBER);
    if (status <= 0) {
        return status;
    }
    for (size_t i = 0; i < QRN_SERIAL_NUMBER_SIZE; ++i) {
        serial[i] = static_cast<char>(Msg_ReplyU8(i));
        if (serial[i] == '\0') {
            break;
        }
    }
    return 0;
}

extern "C" int32_t QRN_WriteText0234(const char *text, uint32_t length)
{
    if (text == nullptr) {
        return MSG_ERROR_LINK;
    }
    // The terminator is the zero the field already holds after the text; a text of 14 or more
    // characters fills the field and goes out without one.
    return WriteRequest(QRN_CMD_WRITE_TEXT_0234, 14).bytes(0, text, length).writeResult();
}

extern "C" int32_t QRN_Trigger0236(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_0236, 0).writeResult();
}

extern "C" int32_t QRN_GetScanTime(void)
{
    const int32_t status = readReply(QRN_CMD_GET_SCAN_TIME);
    return status <= 0 ? status : static_cast<int32_t>(Msg_ReplyU32(0));
}

extern "C" int32_t QRN_Trigger0239(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_0239, 0).writeResult();
}

extern "C" int32_t QRN_WriteText0244(const char *text)
{
    if (text == nullptr) {
        return MSG_ERROR_LINK;
    }
    return WriteRequest(QRN_CMD_WRITE_TEXT_0244, 24).text(0, text, 24).writeResult();
}

extern "C" int32_t QRN_ReadText0245(char *text)
{
    return readBytes(QRN_CMD_READ_TEXT_0245, text, 24);
}

extern "C" int32_t QRN_ReadValue0280(uint64_t *value)
{
    if (value == nullptr) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReply(QRN_CMD_READ_VALUE_0280);
    if (status <= 0) {
        return status;
    }
    *value = Msg_ReplyU64(0);
    return 0;
}
