// The module's side of the wire: replies byte for byte, reassembly of long writes, stored files.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/virtual_module.h"
#include "sim_test_host.h"
#include "spectrum/zelspec.h"

namespace zel::sim {
namespace {

using testing::drain;
using testing::le32;
using testing::payload;
using testing::read;
using testing::readArg;
using testing::readFile;
using testing::report;
using testing::send;
using testing::write;

std::vector<uint8_t> head(const Report &r, std::size_t n) { return {r.begin(), r.begin() + n}; }

TEST(ModuleProtocol, ReadRequestIsAnsweredWithFlagsLengthAndPayload) {
    VirtualModule module;
    const auto replies = send(module, report({0xC0, 0x00, 0x02, 0x00, 0x22, 0x02}));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(head(replies[0], 5), (std::vector<uint8_t>{0xC0, 0x00, 0x01, 0x00, 0x04}));
}

TEST(ModuleProtocol, WriteAnswerEchoesTheSequenceNumber) {
    VirtualModule module;
    const auto replies = send(module, report({0x40, 0x05, 0x03, 0x00, 0x24, 0x02, 0x01}));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(head(replies[0], 4), (std::vector<uint8_t>{0x40, 0x05, 0x00, 0x00}));
    EXPECT_EQ(module.state().activeConfig, 1);
}

// The error field tells what went wrong: 1 for what the module does not understand, 2 for
// arguments it refuses. A refused command changes nothing.
TEST(ModuleProtocol, RefusedMessagesCarryTheirErrorField) {
    struct Case {
        const char *what;
        Report request;
        uint8_t flags;
    };
    const Case cases[] = {
        {"unknown command", report({0x40, 0, 0x02, 0, 0x99, 0x09}), 0x50},
        {"write without its data byte", report({0x40, 0, 0x02, 0, 0x24, 0x02}), 0x50},
        {"read request for a write command", report({0xC0, 0, 0x02, 0, 0x24, 0x02}), 0xD0},
        {"argument missing", report({0xC0, 0, 0x02, 0, 0x2D, 0x00}), 0xD0},
        {"length field below the code", report({0xC0, 0, 0x01, 0, 0x22, 0x02}), 0xD0},
        {"read request beyond one report", report({0xC0, 0, 0x50, 0, 0x22, 0x02}), 0xD0},
        {"configuration index out of range", report({0x40, 0, 0x03, 0, 0x24, 0x02, 4}), 0x60},
        {"gain 3", report({0x40, 0, 0x04, 0, 0x0C, 0x04, 1, 3}), 0x60},
        {"gain flag 0", report({0x40, 0, 0x04, 0, 0x0C, 0x04, 0, 8}), 0x60},
        {"averaging 0", report({0x40, 0, 0x04, 0, 0x2E, 0x02, 0, 0}), 0x60},
        {"unknown file type", report({0xC0, 0, 0x06, 0, 0x2D, 0x00, 1, 0, 0, 0}), 0xE0},
        {"chunk before a size request", report({0xC0, 0, 0x02, 0, 0x2E, 0x00}), 0xE0},
        {"configuration index 4", report({0xC0, 0, 0x06, 0, 0x20, 0x02, 4, 0, 0, 0}), 0xE0},
    };
    for (const Case &c : cases) {
        VirtualModule module;
        const auto replies = send(module, c.request);
        ASSERT_EQ(replies.size(), 1u) << c.what;
        EXPECT_EQ(replies[0][0], c.flags) << c.what;
        EXPECT_EQ(replies[0][2], 0) << c.what;
        EXPECT_EQ(module.state().activeConfig, 0) << c.what;
        EXPECT_EQ(module.state().pgaGain, 4) << c.what;
        EXPECT_EQ(module.state().scanAverage, 1) << c.what;
    }
}

TEST(ModuleProtocol, LongWriteIsReassembledFromThreeReports) {
    VirtualModule module;
    calibCoeffs coeffs{{1.0, 2.0, 3.0}, {880.0, 1.1, -1e-4}};
    std::vector<uint8_t> data(144, 0);
    ASSERT_EQ(zelspec_calib_coeffs_serialize(&coeffs, data.data() + 1, 143), ZELSPEC_PASS);
    std::vector<uint8_t> message{0x40, 0x07, 146, 0x00, 0x29, 0x02};
    message.insert(message.end(), data.begin(), data.end());
    Report first{}, second{}, third{};
    std::memcpy(first.data(), message.data(), 64);
    std::memcpy(second.data(), message.data() + 64, 64);
    std::memcpy(third.data(), message.data() + 128, message.size() - 128);
    module.receive(first);
    EXPECT_FALSE(module.hasReport());
    module.receive(second);
    EXPECT_FALSE(module.hasReport());
    module.receive(third);
    const auto replies = drain(module);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(head(replies[0], 4), (std::vector<uint8_t>{0x40, 0x07, 0x00, 0x00}));
    EXPECT_EQ(module.storedCalibration(), (std::array<double, 6>{1, 2, 3, 880, 1.1, -1e-4}));
    EXPECT_EQ(module.counters().reportsIn, 3u);
    EXPECT_EQ(module.counters().messages, 1u);

    // And it reads back as the 72-byte image.
    const auto image = payload(read(module, 0x022A));
    ASSERT_EQ(image.size(), 72u);
    std::vector<uint8_t> decoded(image.begin(), image.end());
    decoded.resize(144);
    ASSERT_EQ(zelspec_calib_coeffs_deserialize(decoded.data(), decoded.size()), ZELSPEC_PASS);
    calibCoeffs back;
    std::memcpy(&back, decoded.data(), sizeof back);
    EXPECT_EQ(back.pixel_coeffs[0], 880.0);
}

TEST(ModuleProtocol, CommandsSentWithoutAnswerAreNeverAnswered) {
    VirtualModule module;
    for (const uint16_t code : {0x002F, 0x021A, 0x030D}) {
        EXPECT_TRUE(write(module, code, {}).empty()) << code;
    }
    EXPECT_TRUE(write(module, 0x021A, {1}).empty());  // even with data it does not take
    EXPECT_EQ(module.counters().messages, 4u);
}

TEST(ModuleProtocol, ConfigurationReplyCarriesItsLengthWordAndImage) {
    VirtualModule module;
    const auto replies = readArg(module, 0x0220, 0);
    ASSERT_EQ(replies.size(), 2u);  // 4 + 4 + 91 bytes
    const auto data = payload(replies);
    ASSERT_EQ(data.size(), 95u);
    EXPECT_EQ(le32(data), 91u);
    EXPECT_EQ(head(replies[0], 11),
              (std::vector<uint8_t>{0xC0, 0, 95, 0, 91, 0, 0, 0, 't', 'p', 'l'}));
}

TEST(ModuleProtocol, StoredFileArrivesInChunksOfTheModulesChoosing) {
    VirtualModule module;
    const auto size = payload(readArg(module, 0x002D, 3));
    ASSERT_EQ(size.size(), 4u);
    EXPECT_EQ(le32(size), 2354u);
    std::vector<std::size_t> chunks;
    std::vector<std::size_t> reports;
    for (int i = 0; i < 5; ++i) {
        const auto replies = read(module, 0x002E);
        reports.push_back(replies.size());
        chunks.push_back(payload(replies).size());
    }
    EXPECT_EQ(chunks, (std::vector<std::size_t>{508, 508, 508, 508, 322}));
    EXPECT_EQ(reports, (std::vector<std::size_t>{8, 8, 8, 8, 6}));
    // Past the end: an empty reply.
    const auto after = read(module, 0x002E);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(head(after[0], 4), (std::vector<uint8_t>{0xC0, 0, 0, 0}));

    module.setChunkSize(600);
    readArg(module, 0x002D, 3);
    EXPECT_EQ(payload(read(module, 0x002E)).size(), 600u);
}

TEST(ModuleProtocol, ScanDataFileExistsOnlyAfterAScan) {
    VirtualModule module;
    EXPECT_EQ(readArg(module, 0x002D, 0)[0][0], 0xE0);
    write(module, 0x0218, {0});
    const auto data = readFile(module, 0);
    EXPECT_EQ(data.size(), 3701u);
    EXPECT_EQ(module.scanCount(), 1u);
}

TEST(ModuleProtocol, SequenceNumbersAreNoted) {
    VirtualModule module;
    for (const uint8_t seq : {0, 1, 2, 4, 5}) {
        write(module, 0x0225, {0}, seq);
        read(module, 0x0222);  // reads carry 0 and do not count
    }
    EXPECT_EQ(module.counters().sequenceBreaks, 1u);
    EXPECT_EQ(module.counters().lastWriteSeq, 5);
    EXPECT_EQ(module.commandCount(0x0225), 5u);
    EXPECT_EQ(module.commandCount(0x0222), 5u);
    EXPECT_EQ(module.lastReportsIn().back()[4], 0x22);
}

}  // namespace
}  // namespace zel::sim
