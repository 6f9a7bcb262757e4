// Identity and sensor readings: values as the module gives them, and every exchange failure
// passed on with its printed line and the outputs left alone.
#include "tests/api/api_fixture.h"

#include <functional>

#include "protocol/qrn_codes.h"

namespace zel::test {
namespace {

using DeviceInfoTest = ApiTest;

TEST_F(DeviceInfoTest, SerialNumberIsTheModulesEightCharacters)
{
    uint8_t serial[8] = {};
    std::string printed = captureStdout([&] { EXPECT_EQ(zelGetSerialNumber(serial), ZEL_OK); });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(serial), 8), "ZEL00001");
}

TEST_F(DeviceInfoTest, ShortSerialNumberEndsWithItsTerminator)
{
    zelClose(0);
    sim::detachAll();
    sim::ModuleIdentity id = sim::defaultIdentity();
    id.serial = L"AB";
    sim::attachModule(id);
    ASSERT_EQ(zelInitUsb(), 1);
    ASSERT_EQ(zelOpenByUsb(0), ZEL_OK);

    uint8_t serial[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    ASSERT_EQ(zelGetSerialNumber(serial), ZEL_OK);
    EXPECT_EQ(serial[0], 'A');
    EXPECT_EQ(serial[1], 'B');
    EXPECT_EQ(serial[2], 0);
}

TEST_F(DeviceInfoTest, UuidIsReadWithTheControllerOff)
{
    module().state().controllerEnable = {1, 1};
    uint8_t uuid[8] = {};
    ASSERT_EQ(zelGetDeviceUuid(uuid), ZEL_OK);
    const uint8_t expected[8] = {0x5A, 0x45, 0x4C, 0x10, 0x20, 0x26, 0x12, 0x08};
    EXPECT_EQ(std::memcmp(uuid, expected, 8), 0);
    EXPECT_EQ(module().state().controllerEnable, (std::array<uint8_t, 2>{0, 0}));
}

TEST_F(DeviceInfoTest, HumidityAndTemperatureArriveInTheirOwnPointers)
{
    sim::SensorReadings readings;
    readings.temperature = 2500;
    readings.humidity = 4500;
    module().setSensors(readings);
    uint32_t humidity = 0;
    uint32_t temperature = 0;
    ASSERT_EQ(zelGetHumTemp(&humidity, &temperature), ZEL_OK);
    EXPECT_EQ(humidity, 4500u);
    EXPECT_EQ(temperature, 2500u);
}

TEST_F(DeviceInfoTest, BatteryAndStatusAsTheModuleGivesThem)
{
    int32_t volt = 0;
    int32_t percent = 0;
    ASSERT_EQ(zelGetBatteryInfo(&volt, &percent), ZEL_OK);
    EXPECT_EQ(volt, 402);
    EXPECT_EQ(percent, 8700);

    int32_t status = 0;
    ASSERT_EQ(zelGetDeviceStatus(&status), ZEL_OK);
    EXPECT_EQ(status, module().statusWord());
}

// One information function, called with outputs primed to a sentinel; `untouched` says whether
// they still hold it.
struct InfoCall {
    const char* name;
    uint16_t code;
    const char* line;
    std::function<int32_t()> call;
    std::function<bool()> untouched;
};

std::vector<InfoCall> infoCalls()
{
    static uint8_t bytes[8];
    static uint32_t u[2];
    static int32_t s[2];
    auto prime = [] {
        std::memset(bytes, 0xAB, sizeof bytes);
        u[0] = u[1] = 0xABABABAB;
        s[0] = s[1] = -12345;
    };
    auto bytesKept = [] {
        for (const uint8_t b : bytes) {
            if (b != 0xAB) return false;
        }
        return true;
    };
    return {
        {"serial", QRN_CMD_GET_SERIAL_NUMBER, "QRN_GetSerialNumber",
         [=] { prime(); return zelGetSerialNumber(bytes); }, bytesKept},
        {"uuid", QRN_CMD_GET_FLASH_UNIQUE_ID, "QRN_GetFlashUniqueID",
         [=] { prime(); return zelGetDeviceUuid(bytes); }, bytesKept},
        {"humtemp", QRN_CMD_READ_HUM, "QRN_ReadHum",
         [=] { prime(); return zelGetHumTemp(&u[0], &u[1]); },
         [] { return u[0] == 0xABABABAB && u[1] == 0xABABABAB; }},
        {"battery", QRN_CMD_READ_BATT_VOLT, "QRN_ReadBattVolt",
         [=] { prime(); return zelGetBatteryInfo(&s[0], &s[1]); },
         [] { return s[0] == -12345 && s[1] == -12345; }},
        {"status", QRN_CMD_READ_DEVICE_STATUS, "QRN_ReadDeviceStatus",
         [=] { prime(); return zelGetDeviceStatus(&s[0]); }, [] { return s[0] == -12345; }},
    };
}

TEST_F(DeviceInfoTest, ExchangeFailuresArePrintedAndPassedOn)
{
    struct Failure {
        sim::FaultKind kind;
        int32_t field;
        int32_t status;
    };
    const Failure failures[] = {
        {sim::FaultKind::ErrorField, 1, -4},
        {sim::FaultKind::ErrorField, 2, -3},
        {sim::FaultKind::ErrorField, 3, -2},
        {sim::FaultKind::NoAnswer, 0, -5},
    };
    for (const InfoCall& info : infoCalls()) {
        for (const Failure& failure : failures) {
            SCOPED_TRACE(std::string(info.name) + " status " + std::to_string(failure.status));
            module().clearFaults();
            sim::Fault fault;
            fault.kind = failure.kind;
            fault.value = failure.field;
            fault.code = info.code;
            fault.times = 1;
            module().injectFault(fault);

            int32_t result = 0;
            const std::string printed = captureStdout([&] { result = info.call(); });
            EXPECT_EQ(result, failure.status);
            EXPECT_EQ(printed, std::string(info.line) + " error: " +
                                   std::to_string(failure.status) + "\n");
            EXPECT_TRUE(info.untouched());
        }
    }
}

TEST_F(DeviceInfoTest, WithoutAModuleEveryReadingFailsWithTheLinkStatus)
{
    zelClose(0);
    for (const InfoCall& info : infoCalls()) {
        SCOPED_TRACE(info.name);
        int32_t result = 0;
        const std::string printed = captureStdout([&] { result = info.call(); });
        EXPECT_EQ(result, ZEL_ERROR_LINK);
        const std::string line = std::string(info.line) + " error: -1\n";
        EXPECT_EQ(printed, info.code == QRN_CMD_GET_FLASH_UNIQUE_ID
                               ? "QRN_ZELCEnable error: -1\n" + line
                               : line);
        EXPECT_TRUE(info.untouched());
    }
}

TEST_F(DeviceInfoTest, UuidIsReadEvenWhenTheControllerStaysOn)
{
    failCommand(QRN_CMD_ZELC_ENABLE, 2, 1);
    uint8_t uuid[8] = {};
    int32_t result = -1;
    EXPECT_EQ(captureStdout([&] { result = zelGetDeviceUuid(uuid); }),
              "QRN_ZELCEnable error: -3\n");
    EXPECT_EQ(result, ZEL_OK);
    EXPECT_EQ(uuid[0], 0x5A);
}

TEST_F(DeviceInfoTest, NullOutputsAreRefusedBeforeAnythingIsSent)
{
    const uint64_t before = messages();
    uint32_t u = 0;
    int32_t s = 0;
    EXPECT_EQ(zelGetSerialNumber(nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetDeviceUuid(nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetHumTemp(nullptr, &u), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetHumTemp(&u, nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetBatteryInfo(&s, nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetDeviceStatus(nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetPgaGain(nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetButtonPressStatus(nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetConfigInfo(nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetScanResults(nullptr), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetWavelengths(nullptr, 1), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetIntensities(0, nullptr, 1), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(zelGetRefIntensityFromDevice(nullptr, 1), ZEL_ERROR_NULL_POINTER);
    EXPECT_EQ(messages(), before);
}

} // namespace
} // namespace zel::test
