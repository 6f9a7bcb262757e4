// Group 0x01: system.
#include "protocol/command_steps.h"
#include "protocol/link.h"
#include "protocol/qrn_commands.h"

using zel::protocol::readCheckStatus;
using zel::protocol::readInt32s;
using zel::protocol::readReply;
using zel::protocol::readSignedByte;
using zel::protocol::WriteRequest;

extern "C" int32_t QRN_CheckStatus0101(void)
{
    return readCheckStatus(QRN_CMD_CHECK_STATUS_0101);
}

extern "C" int32_t QRN_CheckStatus0102(void)
{
    return readCheckStatus(QRN_CMD_CHECK_STATUS_0102);
}

extern "C" int32_t QRN_ReadValues0103(int32_t *first, int32_t *second, int32_t *third,
                                      int32_t *fourth, int32_t *fifth)
{
    return readInt32s(QRN_CMD_READ_VALUES_0103, {first, second, third, fourth, fifth});
}

extern "C" int32_t QRN_ReadByte0104(void)
{
    return readSignedByte(QRN_CMD_READ_BYTE_0104);
}

extern "C" int32_t QRN_ZELCEnable(uint8_t first, uint8_t second)
{
    return WriteRequest(QRN_CMD_ZELC_ENABLE, 2).byte(0, first).byte(1, second).writeResult();
}

extern "C" int32_t QRN_CheckStatus0106(void)
{
    return readCheckStatus(QRN_CMD_CHECK_STATUS_0106);
}

extern "C" int32_t QRN_CheckStatus0107(void)
{
    return readCheckStatus(QRN_CMD_CHECK_STATUS_0107);
}

extern "C" int32_t QRN_SetBluetooth(uint8_t on)
{
    const int32_t sent = WriteRequest(QRN_CMD_SET_BLUETOOTH, 1).byte(0, on).send();
    // The module answers only once its radio has switched; the wait is kept after a failed
    // send as well.
    zel::protocol::boundLink().transport.sleep(QRN_BLUETOOTH_WAIT_MS);
    return sent <= 0 ? MSG_ERROR_LINK : Msg_ReadWriteAnswer();
}

extern "C" int32_t QRN_WriteByte010B(uint8_t value)
{
    return WriteRequest(QRN_CMD_WRITE_BYTE_010B, 1).byte(0, value).writeResult();
}

extern "C" int32_t QRN_GetButtonPressCount(uint8_t *count)
{
    if (count == nullptr) {
        return MSG_ERROR_LINK;
    }
    const int32_t status = readReply(QRN_CMD_GET_BUTTON_PRESS_COUNT);
    if (status <= 0) {
        return status;
    }
    *count = Msg_ReplyU8(0);
    return 0;
}

extern "C" int32_t QRN_SetButtonPressEnable(uint8_t enable)
{
    return WriteRequest(QRN_CMD_SET_BUTTON_PRESS_ENABLE, 1).byte(0, enable).writeResult();
}

extern "C" int32_t QRN_Trigger010E(void)
{
    return WriteRequest(QRN_CMD_TRIGGER_010E, 0).writeResult();
}
