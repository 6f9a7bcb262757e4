// Every command of the set over the real link and framing: the exact request each one writes,
// the conversion of a canned reply, and the passing of failures.
#include "protocol/qrn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/module_fixture.h"
#include "tests/support/scripted_hid.h"

namespace zel::scripted {
namespace {

// Outputs start as this byte pattern, so the bytes a command writes and those it leaves show.
constexpr uint8_t marker = 0xEE;

template <typename T>
T marked()
{
    T value;
    std::memset(&value, marker, sizeof value);
    return value;
}

template <typename... T>
Bytes bytesOf(const T&... values)
{
    Bytes out;
    (out.insert(out.end(), reinterpret_cast<const uint8_t*>(&values),
                reinterpret_cast<const uint8_t*>(&values) + sizeof values),
     ...);
    return out;
}

Bytes markers(size_t count)
{
    return Bytes(count, marker);
}

// The message bytes of a report, without the report number.
Bytes messageBytes(const Bytes& report)
{
    return Bytes(report.begin() + 1, report.end());
}

Bytes padded(Bytes message)
{
    message.resize(64, 0);
    return message;
}

struct ReadCase {
    const char* name;
    Bytes request;                           // message bytes of the request report
    Bytes reply;                             // reply payload
    std::function<int32_t(Bytes&)> call;     // calls the command, hands out its outputs' bytes
    int32_t result;
    Bytes outputs;
    int32_t failure = -3;                    // result when the reply's error field is 2
};

int32_t fileData(Bytes& out)
{
    std::array<uint8_t, QRN_FILE_CHUNK_CAPACITY> chunk = marked<std::array<uint8_t, QRN_FILE_CHUNK_CAPACITY>>();
    int32_t bytesRead = marked<int32_t>();
    const int32_t result = QRN_GetFileData(chunk.data(), &bytesRead);
    out = bytesOf(bytesRead, chunk[0], chunk[1], chunk[2], chunk[3]);
    return result;
}

const std::vector<ReadCase>& readCases()
{
    static const std::vector<ReadCase> cases = {
        {"QRN_ReadValue0015", {0xC0, 0, 3, 0, 0x15, 0x00, 0x00}, {0x01, 0x02, 0x03, 0x84},
         [](Bytes& out) { auto v = marked<uint32_t>(); const int32_t r = QRN_ReadValue0015(&v); out = bytesOf(v); return r; },
         0, {0x01, 0x02, 0x03, 0x84}},
        {"QRN_GetFileSize", {0xC0, 0, 6, 0, 0x2D, 0x00, 0x02, 0, 0, 0}, {0xE8, 0x03, 0, 0},
         [](Bytes& out) { out.clear(); return QRN_GetFileSize(QRN_FILE_CAL_DATA); }, 1000, {}},
        {"QRN_GetFileData", {0xC0, 0, 2, 0, 0x2E, 0x00}, {0xAA, 0xBB, 0xCC}, fileData, 64,
         {3, 0, 0, 0, 0xAA, 0xBB, 0xCC, marker}},
        {"QRN_ReadByte0081", {0xC0, 0, 2, 0, 0x81, 0x00}, {0xF0}, [](Bytes& out) { out.clear(); return QRN_ReadByte0081(); }, 0xF0, {}},
        {"QRN_CheckStatus0101 zero", {0xC0, 0, 2, 0, 0x01, 0x01}, {0x00}, [](Bytes& out) { out.clear(); return QRN_CheckStatus0101(); }, 0, {}},
        {"QRN_CheckStatus0101 non-zero", {0xC0, 0, 2, 0, 0x01, 0x01}, {0x02}, [](Bytes& out) { out.clear(); return QRN_CheckStatus0101(); }, -1, {}},
        {"QRN_CheckStatus0102", {0xC0, 0, 2, 0, 0x02, 0x01}, {0x01}, [](Bytes& out) { out.clear(); return QRN_CheckStatus0102(); }, -1, {}},
        {"QRN_ReadValues0103", {0xC0, 0, 2, 0, 0x03, 0x01},
         {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
         [](Bytes& out) {
             auto a = marked<int32_t>(), b = a, c = a, d = a, e = a;
             const int32_t r = QRN_ReadValues0103(&a, &b, &c, &d, &e);
             out = bytesOf(a, b, c, d, e);
             return r;
         },
         0, {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"QRN_ReadByte0104", {0xC0, 0, 2, 0, 0x04, 0x01}, {0x80}, [](Bytes& out) { out.clear(); return QRN_ReadByte0104(); }, -128, {}},
        {"QRN_CheckStatus0106", {0xC0, 0, 2, 0, 0x06, 0x01}, {0x00}, [](Bytes& out) { out.clear(); return QRN_CheckStatus0106(); }, 0, {}},
        {"QRN_CheckStatus0107", {0xC0, 0, 2, 0, 0x07, 0x01}, {0xFF}, [](Bytes& out) { out.clear(); return QRN_CheckStatus0107(); }, -1, {}},
        {"QRN_GetButtonPressCount", {0xC0, 0, 2, 0, 0x0C, 0x01}, {0x05},
         [](Bytes& out) { auto v = marked<uint8_t>(); const int32_t r = QRN_GetButtonPressCount(&v); out = bytesOf(v); return r; },
         0, {0x05}},
        {"QRN_ReadValues0216", {0xC0, 0, 2, 0, 0x16, 0x02},
         {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0x80},
         [](Bytes& out) {
             auto a = marked<int32_t>(), b = a, c = a, d = a, e = a, f = a, g = a;
             const int32_t r = QRN_ReadValues0216(&a, &b, &c, &d, &e, &f, &g);
             out = bytesOf(a, b, c, d, e, f, g);
             return r;
         },
         0, {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0x80}},
        {"QRN_ReadByte0219", {0xC0, 0, 2, 0, 0x19, 0x02}, {0x7F}, [](Bytes& out) { out.clear(); return QRN_ReadByte0219(); }, 127, {}},
        {"QRN_ReadValueAt021D", {0xC0, 0, 6, 0, 0x1D, 0x02, 0x78, 0x56, 0x34, 0x12}, {0xFE, 0xFF, 0xFF, 0xFF},
         [](Bytes& out) { auto v = marked<int32_t>(); const int32_t r = QRN_ReadValueAt021D(0x12345678, &v); out = bytesOf(v); return r; },
         0, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"QRN_GetScanConfig", {0xC0, 0, 6, 0, 0x20, 0x02, 0x34, 0, 0, 0}, {3, 0, 0, 0, 0x74, 0x70, 0x6C, 0x99},
         [](Bytes& out) {
             auto config = marked<std::array<uint8_t, QRN_SCAN_CONFIG_MAX>>();
             auto length = marked<uint32_t>();
             const int32_t r = QRN_GetScanConfig(0x1234, config.data(), &length);
             out = bytesOf(length, config[0], config[1], config[2], config[3]);
             return r;
         },
         0, {3, 0, 0, 0, 0x74, 0x70, 0x6C, marker}},
        {"QRN_GetNumScanConfigs", {0xC0, 0, 2, 0, 0x22, 0x02}, {0xFF}, [](Bytes& out) { out.clear(); return QRN_GetNumScanConfigs(); }, 255, {}},
        {"QRN_ReadByte0223", {0xC0, 0, 2, 0, 0x23, 0x02}, {0x90}, [](Bytes& out) { out.clear(); return QRN_ReadByte0223(); }, 0x90, {}},
        {"QRN_GetPgaGain", {0xC0, 0, 2, 0, 0x28, 0x02}, {0xFF}, [](Bytes& out) { out.clear(); return QRN_GetPgaGain(); }, -1, {}},
        {"QRN_ReadValues022C", {0xC0, 0, 2, 0, 0x2C, 0x02}, {9, 0, 0, 0, 8, 0, 0, 0, 7, 0, 0, 0},
         [](Bytes& out) {
             auto a = marked<int32_t>(), b = a, c = a;
             const int32_t r = QRN_ReadValues022C(&a, &b, &c);
             out = bytesOf(a, b, c);
             return r;
         },
         0, {9, 0, 0, 0, 8, 0, 0, 0, 7, 0, 0, 0}, -1},
        {"QRN_GetSerialNumber", {0xC0, 0, 2, 0, 0x33, 0x02}, {0x41, 0x42, 0x00, 0x43, 0x44},
         [](Bytes& out) { auto s = marked<std::array<char, 8>>(); const int32_t r = QRN_GetSerialNumber(s.data()); out = bytesOf(s); return r; },
         0, {0x41, 0x42, 0x00, marker, marker, marker, marker, marker}},
        {"QRN_GetScanTime", {0xC0, 0, 2, 0, 0x37, 0x02}, {0xD0, 0x07, 0, 0}, [](Bytes& out) { out.clear(); return QRN_GetScanTime(); }, 2000, {}},
        {"QRN_ReadText0245", {0xC0, 0, 2, 0, 0x45, 0x02},
         {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y'},
         [](Bytes& out) { auto t = marked<std::array<char, 25>>(); const int32_t r = QRN_ReadText0245(t.data()); out = bytesOf(t); return r; },
         0, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', marker}},
        {"QRN_ReadValue0280", {0xC0, 0, 2, 0, 0x80, 0x02}, {1, 2, 3, 4, 5, 6, 7, 0x88},
         [](Bytes& out) { auto v = marked<uint64_t>(); const int32_t r = QRN_ReadValue0280(&v); out = bytesOf(v); return r; },
         0, {1, 2, 3, 4, 5, 6, 7, 0x88}},
        {"QRN_ReadHum", {0xC0, 0, 2, 0, 0x02, 0x03}, {0xC4, 0x09, 0, 0, 0x94, 0x11, 0, 0},
         [](Bytes& out) {
             auto humidity = marked<int32_t>(), temperature = humidity;
             const int32_t r = QRN_ReadHum(&humidity, &temperature);
             out = bytesOf(humidity, temperature);
             return r;
         },
         0, {0x94, 0x11, 0, 0, 0xC4, 0x09, 0, 0}},
        {"QRN_ReadBattVolt", {0xC0, 0, 2, 0, 0x0A, 0x03}, {0x10, 0x0E, 0, 0, 0x55, 0, 0, 0, 0x34, 0x12, 0, 0},
         [](Bytes& out) {
             auto voltage = marked<int32_t>(), percentage = voltage, raw = voltage;
             const int32_t r = QRN_ReadBattVolt(&voltage, &percentage, &raw);
             out = bytesOf(voltage, percentage, raw);
             return r;
         },
         0, {0x10, 0x0E, 0, 0, 0x55, 0, 0, 0, 0x34, 0x12, 0, 0}},
        {"QRN_ReadValue030B", {0xC0, 0, 2, 0, 0x0B, 0x03}, {0x01, 0x00, 0x00, 0x80},
         [](Bytes& out) { auto v = marked<int32_t>(); const int32_t r = QRN_ReadValue030B(&v); out = bytesOf(v); return r; },
         0, {0x01, 0x00, 0x00, 0x80}},
        {"QRN_ReadBytes030C", {0xC0, 0, 2, 0, 0x0C, 0x03}, {1, 2, 3, 4, 5, 6, 7, 8},
         [](Bytes& out) {
             auto a = marked<uint8_t>(), b = a, c = a, d = a, e = a, f = a, g = a;
             const int32_t r = QRN_ReadBytes030C(&a, &b, &c, &d, &e, &f, &g);
             out = bytesOf(a, b, c, d, e, f, g);
             return r;
         },
         0, {1, 2, 3, 4, 5, 6, 7}},
        {"QRN_ReadByte030F", {0xC0, 0, 2, 0, 0x0F, 0x03}, {0xFE}, [](Bytes& out) { out.clear(); return QRN_ReadByte030F(); }, -2, {}},
        {"QRN_ReadText03EF", {0xC0, 0, 2, 0, 0xEF, 0x03},
         {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K'},
         [](Bytes& out) { auto t = marked<std::array<char, 21>>(); const int32_t r = QRN_ReadText03EF(t.data()); out = bytesOf(t); return r; },
         0, {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', marker}},
        {"QRN_ReadText03FD", {0xC0, 0, 2, 0, 0xFD, 0x03},
         {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F', 'G'},
         [](Bytes& out) { auto t = marked<std::array<char, 17>>(); const int32_t r = QRN_ReadText03FD(t.data()); out = bytesOf(t); return r; },
         0, {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F', marker}},
        {"QRN_ReadTextValues03FE", {0xC0, 0, 2, 0, 0xFE, 0x03},
         {'Z', 'E', 'L', '-', 'N', 'I', 'R', '1', 0x10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F},
         [](Bytes& out) {
             auto text = marked<std::array<char, 9>>();
             auto values = marked<std::array<int32_t, 3>>();
             const int32_t r = QRN_ReadTextValues03FE(text.data(), values.data());
             out = bytesOf(text, values);
             return r;
         },
         0, {'Z', 'E', 'L', '-', 'N', 'I', 'R', '1', marker, 0x10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, marker, marker, marker, marker}},
        {"QRN_GetFlashUniqueID", {0xC0, 0, 2, 0, 0xFF, 0x03}, {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x23, 0x45, 0x67, 0x89},
         [](Bytes& out) { auto id = marked<std::array<uint8_t, 9>>(); const int32_t r = QRN_GetFlashUniqueID(id.data()); out = bytesOf(id); return r; },
         0, {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x23, 0x45, 0x67, marker}},
        {"QRN_ReadValues0402", {0xC0, 0, 2, 0, 0x02, 0x04}, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x2A, 0, 0, 0},
         [](Bytes& out) {
             auto a = marked<int32_t>(), b = a, c = a;
             const int32_t r = QRN_ReadValues0402(&a, &b, &c);
             out = bytesOf(a, b, c);
             return r;
         },
         0, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x2A, 0, 0, 0}, -1},
        {"QRN_ReadDeviceStatus", {0xC0, 0, 2, 0, 0x03, 0x04}, {0x0F, 0x00, 0x01, 0x00},
         [](Bytes& out) { auto v = marked<int32_t>(); const int32_t r = QRN_ReadDeviceStatus(&v); out = bytesOf(v); return r; },
         0, {0x0F, 0x00, 0x01, 0x00}},
        {"QRN_ReadBlock0404", {0xC0, 0, 2, 0, 0x04, 0x04},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21},
         [](Bytes& out) { auto b = marked<std::array<uint8_t, 21>>(); const int32_t r = QRN_ReadBlock0404(b.data()); out = bytesOf(b); return r; },
         0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, marker}},
        {"QRN_ReadByteAt0406", {0xC0, 0, 6, 0, 0x06, 0x04, 0x01, 0x02, 0x03, 0x04}, {0xC8},
         [](Bytes& out) { out.clear(); return QRN_ReadByteAt0406(0x04030201); }, 0xC8, {}},
        {"QRN_ReadWordAt0407", {0xC0, 0, 6, 0, 0x07, 0x04, 0xAB, 0, 0, 0}, {0x34, 0xF2},
         [](Bytes& out) { out.clear(); return QRN_ReadWordAt0407(0x1234ABu); }, 0xF234, {}},
    };
    return cases;
}

class ReadCommandTest : public ModuleTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadCommandTest, SendsItsRequestAndConvertsTheReply)
{
    const ReadCase& c = GetParam();
    msgSeq = 0x21;
    queueReply(c.reply);
    Bytes outputs;
    EXPECT_EQ(c.call(outputs), c.result);
    EXPECT_EQ(outputs, c.outputs);
    ASSERT_EQ(writtenReports().size(), 1u);
    EXPECT_EQ(messageBytes(writtenReports()[0]), padded(c.request));
    EXPECT_EQ(msgSeq, 0x21);
    EXPECT_EQ(pendingInputs(), 0u);
}

TEST_P(ReadCommandTest, PassesAFailedReadOnAndTouchesNoOutput)
{
    const ReadCase& c = GetParam();
    queueMessage(0x20, 4, std::vector<uint8_t>{1, 2, 3, 4});
    Bytes outputs;
    EXPECT_EQ(c.call(outputs), c.failure);
    EXPECT_EQ(outputs, markers(c.outputs.size()));

    queueWriteResult(-1);
    EXPECT_EQ(c.call(outputs), -1);
    EXPECT_EQ(outputs, markers(c.outputs.size()));
}

TEST_P(ReadCommandTest, SilenceIsATimeOut)
{
    const ReadCase& c = GetParam();
    Bytes outputs;
    EXPECT_EQ(c.call(outputs), c.failure == -1 ? -1 : MSG_ERROR_TIMEOUT);
    EXPECT_EQ(outputs, markers(c.outputs.size()));
}

// Test names from the command names; the words of a variant are joined by '_'.
std::string caseName(const char* name)
{
    std::string out = name;
    std::replace(out.begin(), out.end(), ' ', '_');
    std::replace(out.begin(), out.end(), '-', '_');
    return out;
}

std::string readCaseName(const ::testing::TestParamInfo<ReadCase>& test)
{
    return caseName(test.param.name);
}

// Lists a row by its command's name rather than as raw bytes.
void PrintTo(const ReadCase& row, std::ostream* os)
{
    *os << row.name;
}

INSTANTIATE_TEST_SUITE_P(AllReadCommands, ReadCommandTest, ::testing::ValuesIn(readCases()), readCaseName);

enum class Answer { read, none };

struct WriteCase {
    const char* name;
    std::function<int32_t()> call;
    Bytes message;          // the first report's message bytes; the rest of the report is zero
    size_t reports = 1;
    Answer answer = Answer::read;
    int32_t result = 42;    // with an answer of length 4 and value 42
};

const uint8_t block[200] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7};

const std::vector<WriteCase>& writeCases()
{
    static const std::vector<WriteCase> cases = {
        {"QRN_WriteDataChunk", [] { return QRN_WriteDataChunk(block, 3); },
         {0x40, 0x21, 5, 0, 0x25, 0x00, 0x00, 0x01, 0x02}, 1, Answer::read, 3},
        {"QRN_WriteValues002A", [] { return QRN_WriteValues002A(0x11223344, 0xA55A); },
         {0x40, 0x21, 8, 0, 0x2A, 0x00, 0x44, 0x33, 0x22, 0x11, 0x5A, 0xA5}},
        {"QRN_Send002F", [] { return QRN_Send002F(); }, {0x40, 0x21, 2, 0, 0x2F, 0x00}, 1, Answer::none, 6},
        {"QRN_WriteText0080", [] { return QRN_WriteText0080("ABCDEFGHIJKLMNOP"); },
         {0x40, 0x21, 14, 0, 0x80, 0x00, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'}},
        {"QRN_ZELCEnable", [] { return QRN_ZELCEnable(1, 2); }, {0x40, 0x21, 4, 0, 0x05, 0x01, 0x01, 0x02}},
        {"QRN_SetBluetooth", [] { return QRN_SetBluetooth(1); }, {0x40, 0x21, 3, 0, 0x08, 0x01, 0x01}},
        {"QRN_WriteByte010B", [] { return QRN_WriteByte010B(0xB0); }, {0x40, 0x21, 3, 0, 0x0B, 0x01, 0xB0}},
        {"QRN_SetButtonPressEnable", [] { return QRN_SetButtonPressEnable(1); }, {0x40, 0x21, 3, 0, 0x0D, 0x01, 0x01}},
        {"QRN_Trigger010E", [] { return QRN_Trigger010E(); }, {0x40, 0x21, 2, 0, 0x0E, 0x01}},
        {"QRN_StartScan", [] { return QRN_StartScan(0); }, {0x40, 0x21, 3, 0, 0x18, 0x02, 0x00}},
        {"QRN_Send021A", [] { return QRN_Send021A(); }, {0x40, 0x21, 2, 0, 0x1A, 0x02}, 1, Answer::none, 0},
        {"QRN_WriteByte021B", [] { return QRN_WriteByte021B(0x1B); }, {0x40, 0x21, 3, 0, 0x1B, 0x02, 0x1B}},
        {"QRN_WriteValues021C", [] { return QRN_WriteValues021C(0x01020304, 0xF1F2F3F4); },
         {0x40, 0x21, 10, 0, 0x1C, 0x02, 0x04, 0x03, 0x02, 0x01, 0xF4, 0xF3, 0xF2, 0xF1}},
        {"QRN_WriteBlock021E", [] { return QRN_WriteBlock021E(block + 0x10, 3); },
         {0x40, 0x21, 126, 0, 0x1E, 0x02, 0x10, 0x11, 0x12}, 3},
        {"QRN_WriteIndexedBlock021F", [] { return QRN_WriteIndexedBlock021F(7, block + 0x20, 2); },
         {0x40, 0x21, 128, 0, 0x1F, 0x02, 0x00, 0x07, 0x02, 0x20, 0x21}, 3},
        {"QRN_Trigger0221", [] { return QRN_Trigger0221(); }, {0x40, 0x21, 3, 0, 0x21, 0x02, 0x5A}},
        {"QRN_SetActiveScanConfig", [] { return QRN_SetActiveScanConfig(3); }, {0x40, 0x21, 3, 0, 0x24, 0x02, 0x03}},
        {"QRN_SetLampControl", [] { return QRN_SetLampControl(1); }, {0x40, 0x21, 3, 0, 0x25, 0x02, 0x01}},
        {"QRN_WriteWords0226", [] { return QRN_WriteWords0226(0x1234, 0xFEDC); },
         {0x40, 0x21, 6, 0, 0x26, 0x02, 0x34, 0x12, 0xDC, 0xFE}},
        {"QRN_WriteFlags0227", [] { return QRN_WriteFlags0227(-7, 0, 256); },
         {0x40, 0x21, 9, 0, 0x27, 0x02, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}},
        {"QRN_Trigger022B", [] { return QRN_Trigger022B(); }, {0x40, 0x21, 2, 0, 0x2B, 0x02}},
        {"QRN_WriteByte022D", [] { return QRN_WriteByte022D(0x2D); }, {0x40, 0x21, 3, 0, 0x2D, 0x02, 0x2D}},
        {"QRN_SetScanAvg", [] { return QRN_SetScanAvg(300); }, {0x40, 0x21, 4, 0, 0x2E, 0x02, 0x2C, 0x01}},
        {"QRN_Trigger022F", [] { return QRN_Trigger022F(); }, {0x40, 0x21, 2, 0, 0x2F, 0x02}},
        {"QRN_Trigger0230", [] { return QRN_Trigger0230(); }, {0x40, 0x21, 3, 0, 0x30, 0x02, 0x00}},
        {"QRN_SetSerialNumber", [] { return QRN_SetSerialNumber("ZEL12345"); },
         {0x40, 0x21, 10, 0, 0x32, 0x02, 'Z', 'E', 'L', '1', '2', '3', '4', '5'}},
        {"QRN_WriteText0234", [] { return QRN_WriteText0234("abc", 3); },
         {0x40, 0x21, 16, 0, 0x34, 0x02, 'a', 'b', 'c', 0x00}},
        {"QRN_Trigger0236", [] { return QRN_Trigger0236(); }, {0x40, 0x21, 2, 0, 0x36, 0x02}},
        {"QRN_Trigger0239", [] { return QRN_Trigger0239(); }, {0x40, 0x21, 2, 0, 0x39, 0x02}},
        {"QRN_WriteText0244", [] { return QRN_WriteText0244("abcdefghijklmnopqrstuvwxyz"); },
         {0x40, 0x21, 26, 0, 0x44, 0x02, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l',
          'm', 'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x'}},
        {"QRN_WriteBytes0309", [] { return QRN_WriteBytes0309(1, 2, 3, 4, 5, 6, 0xF7); },
         {0x40, 0x21, 9, 0, 0x09, 0x03, 1, 2, 3, 4, 5, 6, 0xF7}},
        {"QRN_Send030D", [] { return QRN_Send030D(); }, {0x40, 0x21, 2, 0, 0x0D, 0x03}, 1, Answer::none, 0},
        {"QRN_WriteByte030E", [] { return QRN_WriteByte030E(0x0E); }, {0x40, 0x21, 3, 0, 0x0E, 0x03, 0x0E}},
        {"QRN_WriteText03FC", [] { return QRN_WriteText03FC("0123456789ABCDEF!"); },
         {0x40, 0x21, 18, 0, 0xFC, 0x03, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B',
          'C', 'D', 'E', 'F'}},
        {"QRN_Trigger0405", [] { return QRN_Trigger0405(); }, {0x40, 0x21, 2, 0, 0x05, 0x04}},
        {"QRN_WriteValue0408", [] { return QRN_WriteValue0408(0x89ABCDEF); },
         {0x40, 0x21, 6, 0, 0x08, 0x04, 0xEF, 0xCD, 0xAB, 0x89}},
        {"QRN_Trigger040A", [] { return QRN_Trigger040A(); }, {0x40, 0x21, 2, 0, 0x0A, 0x04}},
        {"QRN_Trigger040B", [] { return QRN_Trigger040B(); }, {0x40, 0x21, 2, 0, 0x0B, 0x04}},
        {"QRN_SetPgaGain", [] { return QRN_SetPgaGain(1, 64); }, {0x40, 0x21, 4, 0, 0x0C, 0x04, 0x01, 0x40}},
    };
    return cases;
}

class WriteCommandTest : public ModuleTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteCommandTest, SendsItsMessageWithTheNextSequenceNumber)
{
    const WriteCase& c = GetParam();
    msgSeq = 0x21;
    queueReply(std::vector<uint8_t>{42, 0, 0, 0});
    EXPECT_EQ(c.call(), c.result);
    EXPECT_EQ(msgSeq, 0x22);
    ASSERT_EQ(writtenReports().size(), c.reports);
    EXPECT_EQ(messageBytes(writtenReports()[0]), padded(c.message));
    // Commands without an answer leave the module's report for whoever reads next.
    EXPECT_EQ(pendingInputs(), c.answer == Answer::read ? 0u : 1u);
}

TEST_P(WriteCommandTest, AFailedSendIsALinkFailure)
{
    const WriteCase& c = GetParam();
    msgSeq = 0x21;
    queueWriteResult(-1);
    EXPECT_EQ(c.call(), MSG_ERROR_LINK);
    EXPECT_EQ(msgSeq, 0x22);
    EXPECT_EQ(readCount(), 0u);
}

TEST_P(WriteCommandTest, PassesTheAnswersStatusOn)
{
    const WriteCase& c = GetParam();
    if (c.answer == Answer::none) {
        GTEST_SKIP() << "sent without an answer";
    }
    queueMessage(0x30, 4, std::vector<uint8_t>{42, 0, 0, 0});
    EXPECT_EQ(c.call(), MSG_ERROR_FIELD_3);
    EXPECT_EQ(c.call(), MSG_ERROR_TIMEOUT);
}

std::string writeCaseName(const ::testing::TestParamInfo<WriteCase>& test)
{
    return caseName(test.param.name);
}

void PrintTo(const WriteCase& row, std::ostream* os)
{
    *os << row.name;
}

INSTANTIATE_TEST_SUITE_P(AllWriteCommands, WriteCommandTest, ::testing::ValuesIn(writeCases()), writeCaseName);

} // namespace
} // namespace zel::scripted
