#include "protocol/qrn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/module_fixture.h"
#include "tests/support/scripted_hid.h"

namespace zel::scripted {
namespace {

using FramingTest = ModuleTest;

msg writeMessage(uint16_t code, uint16_t dataLength)
{
    msg message{};
    Msg_InitWriteHeader(&message, code, dataLength);
    return message;
}

TEST_F(FramingTest, WorkedExamplesGoOutLiterally)
{
    queueReply(std::vector<uint8_t>{0x03});
    Msg_PrepareRead(0x0222, 0);
    EXPECT_EQ(Msg_ExchangeRead(), 64);
    EXPECT_EQ(rxMsg[4], 0x03);

    queueReply(std::vector<uint8_t>{0x01});
    Msg_PrepareRead(0x0015, 1);
    EXPECT_EQ(Msg_ExchangeRead(), 64);

    queueReply(std::vector<uint8_t>{0x01});
    Msg_PrepareReadArg(0x002D, 2);
    EXPECT_EQ(Msg_ExchangeRead(), 64);

    msgSeq = 5;
    msg message = writeMessage(0x0224, 1);
    message.data[0] = 0;
    EXPECT_EQ(Msg_SendWrite(&message), 7);
    EXPECT_EQ(msgSeq, 6);

    ASSERT_EQ(writtenReports().size(), 4u);
    EXPECT_EQ(writtenReports()[0], outReport({0x00, 0xC0, 0x00, 0x02, 0x00, 0x22, 0x02}));
    EXPECT_EQ(writtenReports()[1], outReport({0x00, 0xC0, 0x00, 0x03, 0x00, 0x15, 0x00, 0x00}));
    EXPECT_EQ(writtenReports()[2],
              outReport({0x00, 0xC0, 0x00, 0x06, 0x00, 0x2D, 0x00, 0x02, 0x00, 0x00, 0x00}));
    EXPECT_EQ(writtenReports()[3], outReport({0x00, 0x40, 0x05, 0x03, 0x00, 0x24, 0x02, 0x00}));
}

TEST_F(FramingTest, ReadRequestsCarryNoDeclaredDataAndLeaveTheSequenceAlone)
{
    msgSeq = 77;
    Msg_PrepareRead(0x0233, 8);
    EXPECT_EQ(Bytes(txReport, txReport + 65), outReport({0x00, 0xC0, 0x00, 0x02, 0x00, 0x33, 0x02}));
    Msg_PrepareRead(0x0115, 1);
    EXPECT_EQ(Bytes(txReport, txReport + 65), outReport({0x00, 0xC0, 0x00, 0x02, 0x00, 0x15, 0x01}));
    Msg_PrepareReadArg(0x0015, 0xA1B2C3D4);
    EXPECT_EQ(Bytes(txReport, txReport + 65),
              outReport({0x00, 0xC0, 0x00, 0x06, 0x00, 0x15, 0x00, 0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(msgSeq, 77);
}

TEST_F(FramingTest, WriteMessagesSplitAfterSixtyBytes)
{
    msg message = writeMessage(0x021E, 58);  // length 60
    for (size_t i = 0; i < MSG_MAX_DATA; ++i) {
        message.data[i] = static_cast<uint8_t>(0x80 + i);
    }
    EXPECT_EQ(Msg_SendWrite(&message), 64);
    ASSERT_EQ(writtenReports().size(), 1u);
    EXPECT_EQ(writtenReports()[0][4], 0x00);
    EXPECT_EQ(writtenReports()[0][3], 60);
    EXPECT_EQ(writtenReports()[0][64], 0xB9);  // data byte 57, message offset 63

    message.length = 61;
    EXPECT_EQ(Msg_SendWrite(&message), 128);
    ASSERT_EQ(writtenReports().size(), 3u);
    EXPECT_EQ(writtenReports()[2], outReport({0x00, 0xBA}));  // message offset 64 only

    message.length = 2;
    EXPECT_EQ(Msg_SendWrite(&message), 6);
    EXPECT_EQ(writtenReports()[3], outReport({0x00, 0x40, message.seq, 0x02, 0x00, 0x1E, 0x02}));
}

TEST_F(FramingTest, WriteNeverSendsPastTheDeclaredDataOrTheMessage)
{
    msg message = writeMessage(0x0025, 1);
    std::memset(message.data, 0xEE, sizeof message.data);
    EXPECT_EQ(Msg_SendWrite(&message), 7);
    EXPECT_EQ(writtenReports()[0], outReport({0x00, 0x40, message.seq, 0x03, 0x00, 0x25, 0x00, 0xEE}));

    // Full message: 9 reports, the last carrying message offsets 512-515 only.
    message.length = MSG_MAX_LENGTH;
    EXPECT_EQ(Msg_SendWrite(&message), 576);
    ASSERT_EQ(writtenReports().size(), 10u);
    EXPECT_EQ(writtenReports()[9], outReport({0x00, 0xEE, 0xEE, 0xEE, 0xEE}));

    // A length beyond the message is sent, and announced, as the whole message.
    message.length = 0xFFFF;
    EXPECT_EQ(Msg_SendWrite(&message), 576);
    ASSERT_EQ(writtenReports().size(), 19u);
    EXPECT_EQ(writtenReports()[10][3], 0x00);
    EXPECT_EQ(writtenReports()[10][4], 0x02);
    EXPECT_EQ(writtenReports()[18], outReport({0x00, 0xEE, 0xEE, 0xEE, 0xEE}));

    EXPECT_EQ(writeMessage(0x0025, 0xFFFF).length, MSG_MAX_LENGTH);
    EXPECT_EQ(Msg_SendWrite(nullptr), MSG_ERROR_LINK);
}

TEST_F(FramingTest, SequenceWrapsAfter256WriteHeaders)
{
    msgSeq = 0;
    std::vector<uint8_t> seen;
    for (int i = 0; i < 257; ++i) {
        const msg message = writeMessage(0x022F, 0);
        ASSERT_GT(Msg_SendWrite(&message), 0);
        seen.push_back(writtenReports().back()[2]);
        Msg_PrepareRead(0x0222, 0);
        queueReply(std::vector<uint8_t>{1});
        ASSERT_EQ(Msg_ExchangeRead(), 64);
        ASSERT_EQ(writtenReports().back()[2], 0x00);
    }
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[255], 255);
    EXPECT_EQ(seen[256], 0);
}

TEST_F(FramingTest, FailedReportWritesEndTheSend)
{
    msg message = writeMessage(0x021E, 124);
    queueWriteResult(-1);
    EXPECT_EQ(Msg_SendWrite(&message), MSG_ERROR_LINK);
    EXPECT_EQ(writtenReports().size(), 1u);

    queueWriteResult(65);
    queueWriteResult(-1);
    EXPECT_EQ(Msg_SendWrite(&message), MSG_ERROR_LINK);
    EXPECT_EQ(writtenReports().size(), 3u);

    // A read request that writes nothing is a link failure too, and nothing is read.
    queueWriteResult(0);
    Msg_PrepareRead(0x0222, 0);
    EXPECT_EQ(Msg_ExchangeRead(), MSG_ERROR_LINK);
    EXPECT_EQ(readCount(), 0u);
}

TEST_F(FramingTest, NoModuleOpenFailsBothKindsAndStillAdvancesTheSequence)
{
    closeAllSlots();
    msgSeq = 9;
    const msg message = writeMessage(0x0224, 1);
    EXPECT_EQ(Msg_SendWrite(&message), MSG_ERROR_LINK);
    EXPECT_EQ(msgSeq, 10);
    Msg_PrepareRead(0x0222, 0);
    EXPECT_EQ(Msg_ExchangeRead(), MSG_ERROR_LINK);
    EXPECT_TRUE(writtenReports().empty());
}

struct AnswerCase {
    const char* name;
    Bytes report;   // empty: the read returns `result` without data
    int result;
    int32_t expected;
};

class WriteAnswerTest : public ModuleTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(WriteAnswerTest, MapsTheAnswer)
{
    const AnswerCase& c = GetParam();
    // A stale answer with a value must never be read back for a report that lacks one.
    queueReport(Bytes{0x00, 0x00, 0x04, 0x00, 0x07, 0x00, 0x00, 0x00});
    ASSERT_EQ(Msg_ReadWriteAnswer(), 7);
    if (c.report.empty()) {
        queueReadResult(c.result);
    } else {
        queueReport(c.report);
    }
    EXPECT_EQ(Msg_ReadWriteAnswer(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, WriteAnswerTest,
    ::testing::Values(
        AnswerCase{"Value", {0x00, 0x00, 0x04, 0x00, 0x78, 0x56, 0x34, 0x12}, 0, 0x12345678},
        AnswerCase{"AllOnesLooksLikeLinkFailure", {0x00, 0x00, 0x04, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}, 0, -1},
        AnswerCase{"OtherFlagBitsIgnored", {0xCF, 0x99, 0x04, 0x00, 0x02, 0x00, 0x00, 0x00}, 0, 2},
        AnswerCase{"LengthTwo", {0x00, 0x00, 0x02, 0x00, 0x78, 0x56, 0x34, 0x12}, 0, 0},
        AnswerCase{"LengthZero", {0x00, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12}, 0, 0},
        AnswerCase{"LengthFourHundredSixtyEight", {0x00, 0x00, 0x04, 0x01, 0x78}, 0, 0},
        AnswerCase{"ErrorField1", {0x10, 0x00, 0x04, 0x00, 0x01}, 0, -4},
        AnswerCase{"ErrorField2", {0x20, 0x00, 0x04, 0x00, 0x01}, 0, -3},
        AnswerCase{"ErrorField3", {0x30, 0x00, 0x04, 0x00, 0x01}, 0, -2},
        AnswerCase{"ShortReportReadsAsZeros", {0x00, 0x00}, 0, 0},
        AnswerCase{"Silence", {}, 0, -5},
        AnswerCase{"ReadError", {}, -1, -1},
        AnswerCase{"LibraryClaimsMoreThanAReport", {}, 65, -1}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(FramingTest, WriteAnswerReadsOneReportWhateverItsLength)
{
    queueMessage(0x00, 100, Bytes(100, 0x01));
    EXPECT_EQ(Msg_ReadWriteAnswer(), 0);
    EXPECT_EQ(pendingInputs(), 1u);
    queueReadResult(0);
    EXPECT_EQ(Msg_ReadWriteAnswer(), 0);  // drains the leftover: nothing is flushed
    EXPECT_EQ(Msg_ReadWriteAnswer(), MSG_ERROR_TIMEOUT);
    EXPECT_EQ(elapsedMs(), 10000u);
    EXPECT_EQ(Msg_ReadWriteAnswer(), MSG_ERROR_TIMEOUT);
    EXPECT_EQ(elapsedMs(), 20000u);
}

struct ReplyCase {
    const char* name;
    uint8_t flags;
    uint16_t length;
    size_t payload;     // payload bytes actually sent
    int32_t expected;
    size_t reportsRead;
};

class ReadReplyTest : public ModuleTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReadReplyTest, ReassemblesOrRefuses)
{
    const ReplyCase& c = GetParam();
    Bytes payload(c.payload);
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    queueMessage(c.flags, c.length, payload);
    const size_t queued = pendingInputs();
    Msg_PrepareRead(0x0216, 0);

    EXPECT_EQ(Msg_ExchangeRead(), c.expected);
    EXPECT_EQ(queued - pendingInputs(), c.reportsRead);
    if (c.expected > 0) {
        EXPECT_EQ(Bytes(rxMsg + 4, rxMsg + 4 + c.length), payload);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadReplyTest,
    ::testing::Values(
        ReplyCase{"Length60OneReport", 0x00, 60, 60, 64, 1},
        ReplyCase{"Length61TwoReports", 0x00, 61, 61, 128, 2},
        ReplyCase{"Length700ElevenReports", 0x00, 700, 700, 704, 11},
        ReplyCase{"Length716FillsTheBuffer", 0x00, 716, 716, 720, 12},
        ReplyCase{"Length717DoesNotFit", 0x00, 717, 717, -4, 1},
        ReplyCase{"LengthFFFFDoesNotFit", 0x00, 0xFFFF, 1000, -4, 1},
        ReplyCase{"LengthZero", 0x00, 0, 60, -4, 1},
        ReplyCase{"ErrorField1", 0x10, 8, 8, -4, 1},
        ReplyCase{"ErrorField2", 0xC0 | 0x20, 8, 8, -3, 1},
        ReplyCase{"ErrorField3", 0x30, 8, 8, -2, 1},
        ReplyCase{"StopsMidway", 0x00, 200, 100, -5, 2}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(FramingTest, ErrorFieldCountsInTheFirstReportOnly)
{
    Bytes payload(120, 0x30);  // every later report starts with 0x30
    queueMessage(0x00, 120, payload);
    Msg_PrepareRead(0x0216, 0);
    EXPECT_EQ(Msg_ExchangeRead(), 128);
}

TEST_F(FramingTest, ReplyStalledMidwayKeepsWhatArrived)
{
    queueMessage(0x00, 300, Bytes(124, 0x5C));  // two of five reports, then silence
    Msg_PrepareRead(0x0216, 0);
    EXPECT_EQ(Msg_ExchangeRead(), MSG_ERROR_TIMEOUT);
    EXPECT_EQ(elapsedMs(), 10000u);
    EXPECT_EQ(rxMsg[127], 0x5C);
}

TEST_F(FramingTest, ShortReportsAreJoinedWhereTheLastEnded)
{
    // A reply of 70 payload bytes, delivered as reports of 30, 30 and 14 bytes.
    Bytes message = {0x00, 0x00, 70, 0x00};
    for (uint8_t i = 0; i < 70; ++i) {
        message.push_back(i);
    }
    queueReport(std::span(message).subspan(0, 30));
    queueReport(std::span(message).subspan(30, 30));
    queueReport(std::span(message).subspan(60, 14));
    Msg_PrepareRead(0x0216, 0);
    EXPECT_EQ(Msg_ExchangeRead(), 74);
    EXPECT_EQ(Bytes(rxMsg, rxMsg + 74), message);

    // A first report too short to hold a length is a reply of length 0.
    queueReport(Bytes{0x00, 0x00, 0x00});
    EXPECT_EQ(Msg_ExchangeRead(), MSG_ERROR_BAD_REPLY);
}

TEST_F(FramingTest, LinkFailuresDuringAReply)
{
    queueMessage(0x00, 200, Bytes(60, 1));
    queueReadResult(-1);
    Msg_PrepareRead(0x0216, 0);
    EXPECT_EQ(Msg_ExchangeRead(), MSG_ERROR_LINK);

    queueMessage(0x00, 200, Bytes(60, 1));
    queueReadResult(1000);
    EXPECT_EQ(Msg_ExchangeRead(), MSG_ERROR_LINK);
}

TEST(ReplyValues, ReadLittleEndianAndNeverPastTheBuffer)
{
    const uint8_t bytes[8] = {0x01, 0x02, 0x03, 0x84, 0x05, 0x06, 0x07, 0x08};
    std::memcpy(rxMsg + 4, bytes, sizeof bytes);
    rxMsg[2] = 0x34;
    rxMsg[3] = 0x12;
    EXPECT_EQ(Msg_ReplyLength(), 0x1234);
    EXPECT_EQ(Msg_ReplyU8(3), 0x84);
    EXPECT_EQ(Msg_ReplyU16(0), 0x0201);
    EXPECT_EQ(Msg_ReplyI32(0), static_cast<int32_t>(0x84030201));
    EXPECT_EQ(Msg_ReplyU64(0), 0x0807060584030201u);
    rxMsg[MSG_RX_CAPACITY - 1] = 0xAB;
    EXPECT_EQ(Msg_ReplyU32(MSG_RX_CAPACITY - 5), 0xABu);
    EXPECT_EQ(Msg_ReplyU32(100000), 0u);

}


TEST_F(FramingTest, InputWaitingBeforeARequestIsDroppedNotTakenAsItsAnswer)
{
    // A late battery answer (4-byte value 0x01020304) and a stray report are waiting.
    const std::vector<uint8_t> late{0x00, 0x00, 0x04, 0x00, 0x04, 0x03, 0x02, 0x01};
    queueStaleReport(late);
    queueStaleReport(std::vector<uint8_t>(64, 0xEE));
    queueReply(std::vector<uint8_t>{0x07});
    Msg_PrepareRead(0x0222, 0);
    EXPECT_EQ(Msg_ExchangeRead(), 64);
    EXPECT_EQ(Msg_ReplyLength(), 1);
    EXPECT_EQ(rxMsg[4], 0x07);
    EXPECT_EQ(pendingReadCount(), 3u);  // two dropped, then silence

    // The same before a write: its answer is the one read, not the stale one.
    queueStaleReport(late);
    queueMessage(0x00, 4, std::vector<uint8_t>{0x09, 0x00, 0x00, 0x00});
    msg message = writeMessage(0x0224, 1);
    EXPECT_EQ(Msg_SendWrite(&message), 7);
    EXPECT_EQ(Msg_ReadWriteAnswer(), 9);
    EXPECT_EQ(pendingInputs(), 0u);
}

TEST_F(FramingTest, DroppingStopsAtABoundAndAtALinkFailure)
{
    // A module that never stops talking: the request still goes out after a bounded drain.
    for (int i = 0; i < 1100; ++i) {
        queueStaleReport(std::vector<uint8_t>(64, 0xEE));
    }
    queueReply(std::vector<uint8_t>{0x01});
    Msg_PrepareRead(0x0222, 0);
    EXPECT_EQ(Msg_ExchangeRead(), 64);
    EXPECT_EQ(pendingReadCount(), 1024u);
    EXPECT_EQ(writtenReports().size(), 1u);

    // A closed handle fails the pending read; the request then fails on its own write.
    UsbLink_Close(0);
    Msg_PrepareRead(0x0222, 0);
    EXPECT_EQ(Msg_ExchangeRead(), MSG_ERROR_LINK);
    EXPECT_EQ(writtenReports().size(), 1u);
}

} // namespace
} // namespace zel::scripted
