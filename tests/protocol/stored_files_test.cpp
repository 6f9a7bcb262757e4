#include "protocol/qrn.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "tests/support/module_fixture.h"
#include "tests/support/scripted_hid.h"

// Array allocations of this test program, with a switch to make the nothrow form fail.
namespace {
bool refuseNothrowArrays = false;
}
void* operator new[](std::size_t size)
{
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return refuseNothrowArrays ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace zel::scripted {
namespace {

using StoredFileTest = ModuleTest;

const Bytes chunkRequest = outReport({0x00, 0xC0, 0x00, 0x02, 0x00, 0x2E, 0x00});

Bytes pattern(size_t size, uint8_t seed)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 13);
    }
    return bytes;
}

TEST_F(StoredFileTest, SizeRequestSelectsTheTypeAndReturnsTheSignedSize)
{
    queueReply(Bytes{0x10, 0x27, 0x00, 0x00});
    EXPECT_EQ(QRN_GetFileSize(QRN_FILE_MATRIX_DATA), 10000);
    EXPECT_EQ(writtenReports()[0],
              outReport({0x00, 0xC0, 0x00, 0x06, 0x00, 0x2D, 0x00, 0x03, 0x00, 0x00, 0x00}));

    queueReply(Bytes{0xFE, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(QRN_GetFileSize(QRN_FILE_SCAN_DATA), -2);

    queueMessage(0x30, 4, Bytes{0x10, 0x27, 0x00, 0x00});
    EXPECT_EQ(QRN_GetFileSize(QRN_FILE_CAL_DATA), MSG_ERROR_FIELD_3);
    EXPECT_EQ(QRN_GetFileSize(QRN_FILE_CAL_DATA), MSG_ERROR_TIMEOUT);
}

TEST_F(StoredFileTest, ChunkReadCopiesWhatTheReplyStates)
{
    const Bytes chunk = pattern(62, 1);
    queueReply(chunk);
    uint8_t buffer[QRN_FILE_CHUNK_CAPACITY] = {};
    int32_t bytesRead = -1;
    EXPECT_EQ(QRN_GetFileData(buffer, &bytesRead), 128);
    EXPECT_EQ(bytesRead, 62);
    EXPECT_EQ(Bytes(buffer, buffer + 62), chunk);
    EXPECT_EQ(writtenReports()[0], chunkRequest);

    const Bytes full = pattern(QRN_FILE_CHUNK_CAPACITY, 2);
    queueReply(full);
    EXPECT_EQ(QRN_GetFileData(buffer, &bytesRead), 640);
    EXPECT_EQ(bytesRead, QRN_FILE_CHUNK_CAPACITY);
    EXPECT_EQ(Bytes(buffer, buffer + sizeof buffer), full);
}

TEST_F(StoredFileTest, RefusedChunksLeaveBothOutputsUntouched)
{
    uint8_t buffer[QRN_FILE_CHUNK_CAPACITY + 16];
    std::fill(std::begin(buffer), std::end(buffer), 0xCC);
    int32_t bytesRead = -7;

    queueReply(pattern(QRN_FILE_CHUNK_CAPACITY + 1, 3));  // fits rxMsg, not the chunk buffer
    EXPECT_EQ(QRN_GetFileData(buffer, &bytesRead), MSG_ERROR_BAD_REPLY);
    queueMessage(0x20, 10, pattern(10, 4));
    EXPECT_EQ(QRN_GetFileData(buffer, &bytesRead), MSG_ERROR_FIELD_2);
    EXPECT_EQ(QRN_GetFileData(buffer, &bytesRead), MSG_ERROR_TIMEOUT);

    EXPECT_EQ(bytesRead, -7);
    EXPECT_EQ(Bytes(std::begin(buffer), std::end(buffer)), Bytes(sizeof buffer, 0xCC));

    const size_t sent = writtenReports().size();
    EXPECT_EQ(QRN_GetFileData(nullptr, &bytesRead), MSG_ERROR_LINK);
    EXPECT_EQ(QRN_GetFileData(buffer, nullptr), MSG_ERROR_LINK);
    EXPECT_EQ(writtenReports().size(), sent);
}

struct FileCase {
    const char* name;
    int32_t size;
    std::vector<int> chunks;  // chunk lengths; -1: the read fails there (silence)
    int32_t delivered;
    size_t requests;
};

class WholeFileTest : public ModuleTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(WholeFileTest, DeliversInOrderAndNeverPastTheSize)
{
    const FileCase& c = GetParam();
    Bytes file;
    for (int length : c.chunks) {
        if (length < 0) {
            queueReadResult(0);
            break;
        }
        const Bytes chunk = pattern(static_cast<size_t>(length), static_cast<uint8_t>(file.size()));
        file.insert(file.end(), chunk.begin(), chunk.end());
        queueReply(chunk);
    }
    constexpr size_t guard = 64;
    Bytes destination(static_cast<size_t>(std::max(c.size, 0)) + guard, 0xCC);

    EXPECT_EQ(QRN_ReadFile(destination.data(), c.size), c.delivered);

    EXPECT_EQ(writtenReports().size(), c.requests);
    for (const Bytes& request : writtenReports()) {
        EXPECT_EQ(request, chunkRequest);
    }
    const auto delivered = static_cast<size_t>(c.delivered);
    EXPECT_EQ(Bytes(destination.begin(), destination.begin() + delivered),
              Bytes(file.begin(), file.begin() + delivered));
    EXPECT_EQ(Bytes(destination.begin() + delivered, destination.end()),
              Bytes(destination.size() - delivered, 0xCC));
}

INSTANTIATE_TEST_SUITE_P(
    Files, WholeFileTest,
    ::testing::Values(
        FileCase{"TwoHalves", 1000, {500, 500}, 1000, 2},
        FileCase{"SecondChunkFails", 1000, {500, -1}, 500, 2},
        FileCase{"FirstChunkFails", 1000, {-1}, 0, 1},
        FileCase{"UnevenChunks", 300, {1, 60, 61, 178}, 300, 4},
        FileCase{"LastChunkOverrunsTheSize", 100, {60, 90}, 100, 2},
        FileCase{"FirstChunkLongerThanTheFile", 10, {580}, 10, 1},
        FileCase{"ChunkLongerThanTheChunkBuffer", 2000, {580, 581}, 580, 2},
        FileCase{"SizeZero", 0, {}, 0, 0},
        FileCase{"NegativeSize", -5, {}, 0, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(StoredFileTest, ChunkWithLengthZeroEndsTheRead)
{
    queueReply(pattern(20, 0));
    queueMessage(0x00, 0, Bytes{});
    uint8_t destination[100] = {};
    EXPECT_EQ(QRN_ReadFile(destination, 100), 20);
}

TEST_F(StoredFileTest, NoDestinationOrNoChunkBufferSendsNothing)
{
    EXPECT_EQ(QRN_ReadFile(nullptr, 100), -1);
    uint8_t destination[100];
    refuseNothrowArrays = true;
    const int32_t result = QRN_ReadFile(destination, 100);
    refuseNothrowArrays = false;
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(writtenReports().empty());
}

} // namespace
} // namespace zel::scripted
