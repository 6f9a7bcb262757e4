// The commands with particular steps: the Bluetooth wait, long and caller-sized data, the scan
// configuration's length word, the calibration image, and arguments that are not there.
#include "protocol/qrn.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/module_fixture.h"
#include "tests/support/scripted_hid.h"

namespace zel::scripted {
namespace {

using CommandTest = ModuleTest;

Bytes counting(size_t count, uint8_t first = 0)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(first + i);
    }
    return bytes;
}

TEST_F(CommandTest, BluetoothReadsItsAnswerTwoSecondsAfterTheSend)
{
    msgSeq = 0;
    queueReply(std::vector<uint8_t>{0, 0});
    EXPECT_EQ(QRN_SetBluetooth(0), 0);
    EXPECT_EQ(elapsedMs(), 2000u);
    EXPECT_EQ(readCount(), 1u);
    EXPECT_EQ(writtenReports()[0], outReport({0x00, 0x40, 0x00, 0x03, 0x00, 0x08, 0x01, 0x00}));
}

TEST_F(CommandTest, BluetoothWaitsAlsoWhenTheSendFails)
{
    queueWriteResult(-1);
    EXPECT_EQ(QRN_SetBluetooth(1), -1);
    EXPECT_EQ(elapsedMs(), 2000u);
    EXPECT_EQ(readCount(), 0u);
}

TEST_F(CommandTest, WriteResultTakesTheAnswerValueOnlyAtLengthFour)
{
    queueReply(std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04});
    EXPECT_EQ(QRN_StartScan(0), 0x04030201);
    queueReply(std::vector<uint8_t>{0x01, 0x02});
    EXPECT_EQ(QRN_StartScan(0), 0);
    queueReply(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(QRN_StartScan(0), -1);
    queueMessage(0x10, 4, std::vector<uint8_t>{0, 0, 0, 0});
    EXPECT_EQ(QRN_StartScan(0), MSG_ERROR_BAD_REPLY);
    queueMessage(0x20, 4, std::vector<uint8_t>{0, 0, 0, 0});
    EXPECT_EQ(QRN_StartScan(0), MSG_ERROR_FIELD_2);
}

TEST_F(CommandTest, DataChunkIsCutAtFiveHundredFourBytes)
{
    const Bytes data = counting(600);
    msgSeq = 9;
    queueReply(std::vector<uint8_t>{7, 0, 0, 0});
    EXPECT_EQ(QRN_WriteDataChunk(data.data(), 600), 504);
    // Length 506: the first report and ceil((506 - 60) / 64) = 7 more.
    ASSERT_EQ(writtenReports().size(), 8u);
    Bytes first = {0x00, 0x40, 0x09, 0xFA, 0x01, 0x25, 0x00};
    first.insert(first.end(), data.begin(), data.begin() + 58);
    EXPECT_EQ(writtenReports()[0], first);
    // The last report holds message offsets 448 to 509: data bytes 442 to 503.
    Bytes last = {0x00};
    last.insert(last.end(), data.begin() + 442, data.begin() + 504);
    last.resize(65, 0);
    EXPECT_EQ(writtenReports()[7], last);

    queueReply(std::vector<uint8_t>{0, 0, 0, 0});
    EXPECT_EQ(QRN_WriteDataChunk(data.data(), 10), 10);
    EXPECT_EQ(writtenReports()[8][3], 12);
}

TEST_F(CommandTest, DataChunkPassesAFailedAnswerOn)
{
    const Bytes data = counting(4);
    queueMessage(0x30, 0, {});
    EXPECT_EQ(QRN_WriteDataChunk(data.data(), 4), MSG_ERROR_FIELD_3);
    queueWriteResult(-1);
    EXPECT_EQ(QRN_WriteDataChunk(data.data(), 4), -1);
}

TEST_F(CommandTest, BlocksLongerThanTheirFieldAreCutThere)
{
    const Bytes block = counting(200, 0x40);
    queueReply(std::vector<uint8_t>{0, 0});
    EXPECT_EQ(QRN_WriteBlock021E(block.data(), 200), 0);
    ASSERT_EQ(writtenReports().size(), 3u);
    // Message offsets 128 and 129 are data bytes 122 and 123, the last of the 124.
    EXPECT_EQ(writtenReports()[2], outReport({0x00, 0xBA, 0xBB}));

    queueReply(std::vector<uint8_t>{0, 0});
    EXPECT_EQ(QRN_WriteIndexedBlock021F(9, block.data(), 300), 0);
    ASSERT_EQ(writtenReports().size(), 6u);
    EXPECT_EQ(writtenReports()[3][7], 0x00);
    EXPECT_EQ(writtenReports()[3][8], 9);
    EXPECT_EQ(writtenReports()[3][9], 0x2C);  // 300, low byte
    EXPECT_EQ(writtenReports()[3][10], 0x40);
    // Message offsets 128 to 131 are data bytes 122 to 125: block bytes 119 to 122, the last of
    // the 123 that fit.
    EXPECT_EQ(writtenReports()[5], outReport({0x00, 0xB7, 0xB8, 0xB9, 0xBA}));
}

TEST_F(CommandTest, Text0234EndsWithAZeroOnlyWhenItFits)
{
    const char text[20] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j',
                           'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r', 's', 't'};
    msgSeq = 0;
    for (uint32_t length : {13u, 14u, 20u}) {
        queueReply(std::vector<uint8_t>{0, 0});
        EXPECT_EQ(QRN_WriteText0234(text, length), 0);
    }
    ASSERT_EQ(writtenReports().size(), 3u);
    EXPECT_EQ(writtenReports()[0], outReport({0x00, 0x40, 0x00, 0x10, 0x00, 0x34, 0x02, 'a', 'b', 'c', 'd',
                                              'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 0x00}));
    const Bytes full = outReport({0x00, 0x40, 0x01, 0x10, 0x00, 0x34, 0x02, 'a', 'b', 'c', 'd', 'e', 'f',
                                  'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n'});
    EXPECT_EQ(writtenReports()[1], full);
    Bytes cut = full;
    cut[2] = 0x02;
    EXPECT_EQ(writtenReports()[2], cut);
}

TEST_F(CommandTest, FixedWidthTextsStopAtAShortStringsEnd)
{
    msgSeq = 0;
    queueReply(std::vector<uint8_t>{0, 0});
    EXPECT_EQ(QRN_SetSerialNumber("AB"), 0);
    EXPECT_EQ(writtenReports()[0], outReport({0x00, 0x40, 0x00, 0x0A, 0x00, 0x32, 0x02, 'A', 'B'}));
}

TEST_F(CommandTest, SerialNumberOfEightCharactersArrivesWithoutTerminator)
{
    queueReply(std::vector<uint8_t>{'Z', 'E', 'L', '0', '0', '0', '0', '1', 'X'});
    std::array<char, 9> serial{};
    serial.fill('#');
    EXPECT_EQ(QRN_GetSerialNumber(serial.data()), 0);
    EXPECT_EQ(std::string(serial.data(), 9), "ZEL00001#");
}

TEST_F(CommandTest, ScanConfigOverSeveralReportsIsCopiedWhole)
{
    Bytes reply = {0x2C, 0x01, 0x00, 0x00};  // 300
    const Bytes config = counting(300, 0x11);
    reply.insert(reply.end(), config.begin(), config.end());
    queueReply(reply);
    std::vector<uint8_t> buffer(QRN_SCAN_CONFIG_MAX, 0xEE);
    uint32_t length = 0;
    EXPECT_EQ(QRN_GetScanConfig(0, buffer.data(), &length), 0);
    EXPECT_EQ(length, 300u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 300), config);
    EXPECT_EQ(buffer[300], 0xEE);
    EXPECT_EQ(writtenReports()[0], outReport({0x00, 0xC0, 0x00, 0x06, 0x00, 0x20, 0x02, 0, 0, 0, 0}));
}

TEST_F(CommandTest, ScanConfigLengthWordMustLieInsideTheReplyAndTheBuffer)
{
    struct Case {
        const char* what;
        Bytes reply;
        int32_t result;
        uint32_t length;
    };
    const std::vector<Case> cases = {
        {"empty configuration", {0, 0, 0, 0}, 0, 0},
        {"exactly the reply", {2, 0, 0, 0, 0xAA, 0xBB}, 0, 2},
        {"one byte beyond the reply", {3, 0, 0, 0, 0xAA, 0xBB}, MSG_ERROR_BAD_REPLY, 0xEEEEEEEE},
        {"no room for the word", {1, 0}, MSG_ERROR_BAD_REPLY, 0xEEEEEEEE},
        {"above the buffer", {0x01, 0x02, 0, 0}, MSG_ERROR_BAD_REPLY, 0xEEEEEEEE},
        {"huge", {0xFF, 0xFF, 0xFF, 0xFF}, MSG_ERROR_BAD_REPLY, 0xEEEEEEEE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes reply = c.reply;
        if (std::string(c.what) == "above the buffer") {
            reply.resize(4 + 513, 0x5A);  // 513 bytes really sent
        }
        queueReply(reply);
        std::vector<uint8_t> buffer(QRN_SCAN_CONFIG_MAX, 0xEE);
        uint32_t length = 0xEEEEEEEE;
        EXPECT_EQ(QRN_GetScanConfig(0, buffer.data(), &length), c.result);
        EXPECT_EQ(length, c.length);
        if (c.result != 0) {
            EXPECT_EQ(buffer, std::vector<uint8_t>(QRN_SCAN_CONFIG_MAX, 0xEE));
        }
    }
}

TEST_F(CommandTest, CalibrationCoefficientsTravelAsAnImageAndComeBack)
{
    const calibCoeffs sent = {{1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}};
    queueReply(std::vector<uint8_t>{0, 0});
    msgSeq = 3;
    EXPECT_EQ(QRN_SetCalibCoeffs(&sent), 0);
    ASSERT_EQ(writtenReports().size(), 3u);  // length 146
    Bytes message;
    for (const Bytes& report : writtenReports()) {
        message.insert(message.end(), report.begin() + 1, report.end());
    }
    EXPECT_EQ(Bytes(message.begin(), message.begin() + 10),
              (Bytes{0x40, 0x03, 0x92, 0x00, 0x29, 0x02, 0x00, 't', 'p', 'l'}));
    // Data bytes 73 to 143 follow the 72-byte image.
    EXPECT_EQ(Bytes(message.begin() + 6 + 73, message.begin() + 6 + 144), Bytes(71, 0));

    // The module hands the same image back.
    queueReply(Bytes(message.begin() + 7, message.begin() + 7 + 143));
    calibCoeffs received{};
    EXPECT_EQ(QRN_GetCalibCoeffs(&received), 0);
    EXPECT_EQ(std::memcmp(&received, &sent, sizeof sent), 0);
    EXPECT_EQ(writtenReports().back(), outReport({0x00, 0xC0, 0x00, 0x02, 0x00, 0x2A, 0x02}));
}

TEST_F(CommandTest, CalibrationReplyThatIsNoImageIsHandedOnAsItIs)
{
    Bytes reply = counting(60, 0x30);
    queueReply(reply);
    calibCoeffs received{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(QRN_GetCalibCoeffs(&received), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "------zelspec_deserialize debug 1\n");
    Bytes got(sizeof received);
    std::memcpy(got.data(), &received, sizeof received);
    EXPECT_EQ(got, Bytes(reply.begin(), reply.begin() + 48));
}

TEST_F(CommandTest, CalibrationReplyShorterThanTheRecordLeavesZerosAfterIt)
{
    queueReply(std::vector<uint8_t>{1, 2, 3});
    calibCoeffs received;
    std::memset(&received, 0xEE, sizeof received);
    testing::internal::CaptureStdout();
    EXPECT_EQ(QRN_GetCalibCoeffs(&received), 0);
    testing::internal::GetCapturedStdout();
    Bytes expected(48, 0);
    expected[0] = 1;
    expected[1] = 2;
    expected[2] = 3;
    Bytes got(sizeof received);
    std::memcpy(got.data(), &received, sizeof received);
    EXPECT_EQ(got, expected);
}

TEST_F(CommandTest, MissingArgumentsSendNothing)
{
    const std::vector<std::pair<const char*, std::function<int32_t()>>> calls = {
        {"QRN_ReadValue0015", [] { return QRN_ReadValue0015(nullptr); }},
        {"QRN_WriteDataChunk", [] { return QRN_WriteDataChunk(nullptr, 4); }},
        {"QRN_WriteText0080", [] { return QRN_WriteText0080(nullptr); }},
        {"QRN_ReadValues0103", [] { int32_t v; return QRN_ReadValues0103(&v, &v, nullptr, &v, &v); }},
        {"QRN_GetButtonPressCount", [] { return QRN_GetButtonPressCount(nullptr); }},
        {"QRN_ReadValues0216", [] { int32_t v; return QRN_ReadValues0216(&v, &v, &v, &v, &v, &v, nullptr); }},
        {"QRN_ReadValueAt021D", [] { return QRN_ReadValueAt021D(0, nullptr); }},
        {"QRN_WriteBlock021E", [] { return QRN_WriteBlock021E(nullptr, 1); }},
        {"QRN_WriteIndexedBlock021F", [] { return QRN_WriteIndexedBlock021F(0, nullptr, 1); }},
        {"QRN_GetScanConfig buffer", [] { uint32_t n; return QRN_GetScanConfig(0, nullptr, &n); }},
        {"QRN_GetScanConfig length", [] { uint8_t b[QRN_SCAN_CONFIG_MAX]; return QRN_GetScanConfig(0, b, nullptr); }},
        {"QRN_SetCalibCoeffs", [] { return QRN_SetCalibCoeffs(nullptr); }},
        {"QRN_GetCalibCoeffs", [] { return QRN_GetCalibCoeffs(nullptr); }},
        {"QRN_ReadValues022C", [] { int32_t v; return QRN_ReadValues022C(nullptr, &v, &v); }},
        {"QRN_SetSerialNumber", [] { return QRN_SetSerialNumber(nullptr); }},
        {"QRN_GetSerialNumber", [] { return QRN_GetSerialNumber(nullptr); }},
        {"QRN_WriteText0234", [] { return QRN_WriteText0234(nullptr, 0); }},
        {"QRN_WriteText0244", [] { return QRN_WriteText0244(nullptr); }},
        {"QRN_ReadText0245", [] { return QRN_ReadText0245(nullptr); }},
        {"QRN_ReadValue0280", [] { return QRN_ReadValue0280(nullptr); }},
        {"QRN_ReadHum", [] { int32_t v; return QRN_ReadHum(&v, nullptr); }},
        {"QRN_ReadBattVolt", [] { int32_t v; return QRN_ReadBattVolt(nullptr, &v, &v); }},
        {"QRN_ReadValue030B", [] { return QRN_ReadValue030B(nullptr); }},
        {"QRN_ReadBytes030C", [] { uint8_t v; return QRN_ReadBytes030C(&v, &v, &v, nullptr, &v, &v, &v); }},
        {"QRN_ReadText03EF", [] { return QRN_ReadText03EF(nullptr); }},
        {"QRN_WriteText03FC", [] { return QRN_WriteText03FC(nullptr); }},
        {"QRN_ReadText03FD", [] { return QRN_ReadText03FD(nullptr); }},
        {"QRN_ReadTextValues03FE", [] { char t[8]; return QRN_ReadTextValues03FE(t, nullptr); }},
        {"QRN_GetFlashUniqueID", [] { return QRN_GetFlashUniqueID(nullptr); }},
        {"QRN_ReadValues0402", [] { int32_t v; return QRN_ReadValues0402(&v, nullptr, &v); }},
        {"QRN_ReadDeviceStatus", [] { return QRN_ReadDeviceStatus(nullptr); }},
        {"QRN_ReadBlock0404", [] { return QRN_ReadBlock0404(nullptr); }},
    };
    msgSeq = 50;
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        EXPECT_EQ(call(), -1);
    }
    EXPECT_TRUE(writtenReports().empty());
    EXPECT_EQ(msgSeq, 50);
}

TEST_F(CommandTest, LampSequenceOfTheDeviceApiGoesOutInOrder)
{
    msgSeq = 255;
    queueReply(std::vector<uint8_t>{0, 0});
    queueReply(std::vector<uint8_t>{0, 0});
    EXPECT_EQ(QRN_SetLampControl(0), 0);
    EXPECT_EQ(QRN_ZELCEnable(1, 1), 0);
    ASSERT_EQ(writtenReports().size(), 2u);
    EXPECT_EQ(writtenReports()[0], outReport({0x00, 0x40, 0xFF, 0x03, 0x00, 0x25, 0x02, 0x00}));
    EXPECT_EQ(writtenReports()[1], outReport({0x00, 0x40, 0x00, 0x04, 0x00, 0x05, 0x01, 0x01, 0x01}));
}

} // namespace
} // namespace zel::scripted
