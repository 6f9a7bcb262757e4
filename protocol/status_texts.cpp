// The module's status-code tables.
#include <array>
#include <cstring>
#include <span>
#include <string_view>

#include "protocol/status_texts.h"

namespace {

constexpr std::string_view undefinedText = "ERROR_UNDEFINED";

constexpr std::array<std::string_view, 8> i2cTestTexts = {
    "PASS", "ERROR_MANUID", "ERROR_DEVID", "ERROR_RESET",
    "ERROR_READREGISTER", "ERROR_WRITEREGISTER", "ERROR_TIMEOUT", "ERROR_I2C",
};

constexpr std::array<std::string_view, 10> powerTestTexts = {
    "PASS", "ERROR_TIMEOUT", "ERROR_POWERDOWN", "ERROR_POWERUP", "ERROR_STANDBY",
    "ERROR_WAEKUP", "ERROR_READREGISTER", "ERROR_WRITEREGISTER", "ERROR_CONFIGURE",
    "ERROR_SETBUFFER",
};

constexpr std::array<std::string_view, 19> fileResultTexts = {
    "PASS", "ERROR_DISK_ERR", "ERROR_INT_ERR", "ERROR_NOT_READY", "ERROR_NO_FILE",
    "ERROR_NO_PATH", "ERROR_INVALID_NAME", "ERROR_DENIED", "ERROR_EXIST",
    "ERROR_INVALID_OBJECT", "ERROR_WRITE_PROTECTED", "ERROR_INVALID_DRIVE",
    "ERROR_NOT_ENABLED", "ERROR_NO_FILESYSTEM", "ERROR_MKFS_ABORTED", "ERROR_TIMEOUT",
    "ERROR_LOCKED", "ERROR_NOT_ENOUGH_CORE", "ERROR_TOO_MANY_OPEN_FILES",
};

constexpr size_t longest(std::span<const std::string_view> table)
{
    size_t size = undefinedText.size();
    for (const std::string_view text : table) {
        size = std::max(size, text.size());
    }
    return size;
}

static_assert(longest(i2cTestTexts) + 1 == QRN_TEST_RESULT_TEXT_SIZE);
static_assert(longest(powerTestTexts) + 1 == QRN_TEST_RESULT_TEXT_SIZE);
static_assert(longest(fileResultTexts) + 1 == QRN_FILE_RESULT_TEXT_SIZE);

int32_t copyText(std::span<const std::string_view> table, uint32_t code, char* text)
{
    if (text == nullptr) {
        return -1;
    }
    const std::string_view chosen = code < table.size() ? table[code] : undefinedText;
    std::memcpy(text, chosen.data(), chosen.size());
    text[chosen.size()] = '\0';
    return 0;
}

} // namespace

extern "C" int32_t QRN_I2CTestResultText(uint32_t code, char *text)
{
    return copyText(i2cTestTexts, code, text);
}

extern "C" int32_t QRN_I2CTestResultText2(uint32_t code, char *text)
{
    return copyText(i2cTestTexts, code, text);
}

extern "C" int32_t QRN_PowerTestResultText(uint32_t code, char *text)
{
    return copyText(powerTestTexts, code, text);
}

extern "C" int32_t QRN_FileResultText(uint32_t code, char *text)
{
    return copyText(fileResultTexts, code, text);
}
