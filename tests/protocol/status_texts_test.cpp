#include "protocol/qrn.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

using TextFunction = int32_t (*)(uint32_t, char*);

struct Table {
    const char* name;
    TextFunction function;
    size_t bufferSize;
    std::vector<std::string> texts;
};

const std::vector<std::string> i2cTexts = {
    "PASS", "ERROR_MANUID", "ERROR_DEVID", "ERROR_RESET",
    "ERROR_READREGISTER", "ERROR_WRITEREGISTER", "ERROR_TIMEOUT", "ERROR_I2C"};

class StatusTextTest : public ::testing::TestWithParam<Table> {};

TEST_P(StatusTextTest, EveryCodeAndTheUndefinedRest)
{
    const Table& table = GetParam();
    std::vector<uint32_t> codes;
    for (uint32_t code = 0; code < table.texts.size() + 3; ++code) {
        codes.push_back(code);
    }
    codes.push_back(0xFFFFFFFFu);  // -1 seen as unsigned
    codes.push_back(0x80000000u);
    for (const uint32_t code : codes) {
        // The buffer the table needs, then a guard that must stay untouched.
        std::array<char, 40> buffer;
        buffer.fill('#');
        ASSERT_EQ(table.function(code, buffer.data()), 0) << code;
        const std::string expected = code < table.texts.size() ? table.texts[code] : "ERROR_UNDEFINED";
        EXPECT_STREQ(buffer.data(), expected.c_str()) << code;
        EXPECT_LE(expected.size() + 1, table.bufferSize);
        EXPECT_EQ(std::string(buffer.data() + expected.size() + 1, buffer.end()),
                  std::string(buffer.size() - expected.size() - 1, '#'));
    }
    EXPECT_EQ(table.function(0, nullptr), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, StatusTextTest,
    ::testing::Values(
        Table{"I2C", QRN_I2CTestResultText, QRN_TEST_RESULT_TEXT_SIZE, i2cTexts},
        Table{"I2C2", QRN_I2CTestResultText2, QRN_TEST_RESULT_TEXT_SIZE, i2cTexts},
        Table{"Power", QRN_PowerTestResultText, QRN_TEST_RESULT_TEXT_SIZE,
              {"PASS", "ERROR_TIMEOUT", "ERROR_POWERDOWN", "ERROR_POWERUP", "ERROR_STANDBY",
               "ERROR_WAEKUP", "ERROR_READREGISTER", "ERROR_WRITEREGISTER", "ERROR_CONFIGURE",
               "ERROR_SETBUFFER"}},
        Table{"File", QRN_FileResultText, QRN_FILE_RESULT_TEXT_SIZE,
              {"PASS", "ERROR_DISK_ERR", "ERROR_INT_ERR", "ERROR_NOT_READY", "ERROR_NO_FILE",
               "ERROR_NO_PATH", "ERROR_INVALID_NAME", "ERROR_DENIED", "ERROR_EXIST",
               "ERROR_INVALID_OBJECT", "ERROR_WRITE_PROTECTED", "ERROR_INVALID_DRIVE",
               "ERROR_NOT_ENABLED", "ERROR_NO_FILESYSTEM", "ERROR_MKFS_ABORTED", "ERROR_TIMEOUT",
               "ERROR_LOCKED", "ERROR_NOT_ENOUGH_CORE", "ERROR_TOO_MANY_OPEN_FILES"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(StatusTextSizes, LongestTextsFillTheirBuffersExactly)
{
    EXPECT_EQ(QRN_TEST_RESULT_TEXT_SIZE, std::strlen("ERROR_WRITEREGISTER") + 1);
    EXPECT_EQ(QRN_FILE_RESULT_TEXT_SIZE, std::strlen("ERROR_TOO_MANY_OPEN_FILES") + 1);
}

} // namespace
