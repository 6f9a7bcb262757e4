// Fault switches: each one changes exactly the answer it names, as often as it is told to.
#include <gtest/gtest.h>

#include "sim/virtual_module.h"
#include "sim_test_host.h"

namespace zel::sim {
namespace {

using testing::le32;
using testing::payload;
using testing::read;
using testing::readArg;
using testing::readFile;
using testing::write;

TEST(ModuleFaults, NoAnswerLosesTheMessageOnceThenTheModuleAnswersAgain) {
    VirtualModule module;
    module.injectFault({FaultKind::NoAnswer, 0, 0x0224, std::nullopt, 1});
    EXPECT_TRUE(write(module, 0x0224, {1}).empty());
    EXPECT_EQ(module.state().activeConfig, 0);
    EXPECT_EQ(read(module, 0x0222).size(), 1u);  // other codes are untouched
    EXPECT_EQ(write(module, 0x0224, {1}).size(), 1u);
    EXPECT_EQ(module.state().activeConfig, 1);
}

TEST(ModuleFaults, ErrorFieldIsSetAndTheCommandIsNotRun) {
    for (const int32_t field : {1, 2, 3}) {
        VirtualModule module;
        module.injectFault({FaultKind::ErrorField, field, std::nullopt, std::nullopt, -1});
        const auto answer = write(module, 0x040C, {1, 16});
        ASSERT_EQ(answer.size(), 1u);
        EXPECT_EQ(answer[0][0], 0x40 | (field << 4));
        EXPECT_EQ(module.state().pgaGain, 4);
        EXPECT_EQ(read(module, 0x0222)[0][0], 0xC0 | (field << 4));  // every time
    }
}

TEST(ModuleFaults, StalledReplyStopsMidwayAfterTheCommandRan) {
    VirtualModule module;
    readArg(module, 0x002D, 3);
    module.injectFault({FaultKind::StallReply, 3, 0x002E, std::nullopt, 1});
    EXPECT_EQ(read(module, 0x002E).size(), 3u);
    EXPECT_EQ(read(module, 0x002E).size(), 8u);
    module.injectFault({FaultKind::StallReply, 0, std::nullopt, std::nullopt, 1});
    EXPECT_EQ(read(module, 0x002E).size(), 4u);  // half of 8 by default
}

TEST(ModuleFaults, StrayReportsFollowTheAnswer) {
    VirtualModule module;
    module.injectFault({FaultKind::StrayReports, 2, std::nullopt, std::nullopt, 1});
    const auto replies = read(module, 0x0228);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[1][0], 0xEE);
}

TEST(ModuleFaults, LateAnswerArrivesOnlyAfterTheHostsReadTimedOut) {
    VirtualModule module;
    module.injectFault({FaultKind::LateAnswer, 0, 0x040C, std::nullopt, 1});
    EXPECT_TRUE(write(module, 0x040C, {1, 16}, 7).empty());
    EXPECT_EQ(module.state().pgaGain, 16);  // the command ran
    EXPECT_EQ(module.armedFaults(), 0u);
    module.readTimedOut();
    const auto late = testing::drain(module);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0][0], 0x40);
    EXPECT_EQ(late[0][1], 7);

    // A reply of several reports is held back whole, and goes out after what is already queued.
    module.injectFault({FaultKind::LateAnswer, 0, std::nullopt, std::nullopt, 1});
    EXPECT_TRUE(readArg(module, 0x0220, 0).empty());
    module.receive(testing::report({0xC0, 0, 2, 0, 0x22, 0x02}));
    module.readTimedOut();
    const auto queued = testing::drain(module);
    ASSERT_EQ(queued.size(), 3u);
    EXPECT_EQ(payload({queued[0]}), (std::vector<uint8_t>{4}));  // 0x0222, answered on time
    EXPECT_EQ(le32(payload({queued[1], queued[2]})), 91u);      // 0x0220: image size first

    // Forgetting the link forgets a held-back answer too.
    module.injectFault({FaultKind::LateAnswer, 0, std::nullopt, std::nullopt, 1});
    read(module, 0x0222);
    module.resetLink();
    module.readTimedOut();
    EXPECT_FALSE(module.hasReport());
}

TEST(ModuleFaults, SizeSkewMakesTheFileShorterOrLongerThanItsSize) {
    VirtualModule module;
    module.injectFault({FaultKind::SizeSkew, 100, std::nullopt, StoredFile::MatrixData, 1});
    EXPECT_EQ(le32(payload(readArg(module, 0x002D, 3))), 2454u);
    EXPECT_EQ(le32(payload(readArg(module, 0x002D, 2))), 3701u);  // other files untouched
    module.injectFault({FaultKind::SizeSkew, -1000, std::nullopt, std::nullopt, 1});
    EXPECT_EQ(le32(payload(readArg(module, 0x002D, 3))), 1354u);
    EXPECT_EQ(readFile(module, 3).size(), 2354u);
}

TEST(ModuleFaults, ChunkBeyondSizeStatesMoreThanRemains) {
    VirtualModule module;
    readArg(module, 0x002D, 3);
    module.injectFault({FaultKind::ChunkBeyondSize, 300, std::nullopt, std::nullopt, -1});
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(payload(read(module, 0x002E)).size(), 808u);
    }
    const auto last = payload(read(module, 0x002E));
    ASSERT_EQ(last.size(), 622u);
    EXPECT_EQ(last[322], 0xA5);
}

TEST(ModuleFaults, CorruptImageInvertsOneByteOfTheServedFile) {
    VirtualModule module;
    const auto clean = readFile(module, 2);
    module.injectFault({FaultKind::CorruptImage, 10, std::nullopt, StoredFile::CalData, 1});
    const auto corrupt = readFile(module, 2);
    ASSERT_EQ(corrupt.size(), clean.size());
    EXPECT_EQ(corrupt[10], static_cast<uint8_t>(~clean[10]));
    EXPECT_TRUE(std::equal(clean.begin() + 11, clean.end(), corrupt.begin() + 11));
    EXPECT_EQ(readFile(module, 2), clean);
}

TEST(ModuleFaults, ResetLinkDropsQueuedReportsAndHalfMessages) {
    VirtualModule module;
    readArg(module, 0x0220, 0);
    module.receive(testing::report({0xC0, 0, 6, 0, 0x20, 0x02, 0, 0, 0, 0}));
    module.receive(testing::report({0x40, 0, 146, 0, 0x29, 0x02}));
    module.resetLink();
    EXPECT_FALSE(module.hasReport());
    EXPECT_EQ(read(module, 0x0222).size(), 1u);
}

}  // namespace
}  // namespace zel::sim
