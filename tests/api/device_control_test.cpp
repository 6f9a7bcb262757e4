// Lamp, gain, averaging, push-button and Bluetooth: what reaches the module, and each failure code.
#include "tests/api/api_fixture.h"

#include "protocol/qrn_codes.h"

namespace zel::test {
namespace {

using DeviceControlTest = ApiTest;

// The message bytes after the sequence number of the last output report: length, code, data.
std::vector<uint8_t> lastWriteAfterSeq(const sim::VirtualModule& module, size_t count)
{
    const sim::Report& report = module.lastReportsIn().back();
    return {report.begin() + 2, report.begin() + 2 + static_cast<std::ptrdiff_t>(count)};
}

TEST_F(DeviceControlTest, LampOnAndOff)
{
    ASSERT_EQ(zelSetLampStatus(1), ZEL_OK);
    EXPECT_EQ(module().state().lampControl, 0);
    EXPECT_EQ(module().state().controllerEnable, (std::array<uint8_t, 2>{1, 1}));
    EXPECT_TRUE(module().lampLit());

    ASSERT_EQ(zelSetLampStatus(0), ZEL_OK);
    EXPECT_EQ(module().state().lampControl, 1);
    EXPECT_EQ(module().state().controllerEnable, (std::array<uint8_t, 2>{0, 0}));
    EXPECT_FALSE(module().lampLit());
}

TEST_F(DeviceControlTest, LampReportsSuccessWhateverTheModuleSays)
{
    failCommand(QRN_CMD_SET_LAMP_CONTROL);
    failCommand(QRN_CMD_ZELC_ENABLE);
    EXPECT_EQ(zelSetLampStatus(1), ZEL_OK);
    zelClose(0);
    EXPECT_EQ(zelSetLampStatus(0), ZEL_OK);
}

TEST_F(DeviceControlTest, GainIsSetAndReadBack)
{
    ASSERT_EQ(zelSetPgaGain(16), ZEL_OK);
    EXPECT_EQ(module().state().pgaGain, 16);
    uint32_t gain = 0;
    ASSERT_EQ(zelGetPgaGain(&gain), ZEL_OK);
    EXPECT_EQ(gain, 16u);
}

TEST_F(DeviceControlTest, GainTravelsAsItsLowByte)
{
    // 256 goes out as gain byte 0, which the module refuses.
    EXPECT_EQ(zelSetPgaGain(256), ZEL_ERROR_SET_GAIN);
    EXPECT_EQ(lastWriteAfterSeq(module(), 6),
              (std::vector<uint8_t>{0x04, 0x00, 0x0C, 0x04, 0x01, 0x00}));
    EXPECT_EQ(module().state().pgaGain, 4);
}

TEST_F(DeviceControlTest, GainFailures)
{
    failCommand(QRN_CMD_SET_PGA_GAIN);
    EXPECT_EQ(zelSetPgaGain(8), ZEL_ERROR_SET_GAIN);
    failCommand(QRN_CMD_GET_PGA_GAIN);
    uint32_t gain = 77;
    EXPECT_EQ(zelGetPgaGain(&gain), ZEL_ERROR_GET_GAIN);
    EXPECT_EQ(gain, 77u);
}

TEST_F(DeviceControlTest, Averaging)
{
    ASSERT_EQ(zelSetAvgTimes(300), ZEL_OK);
    EXPECT_EQ(module().state().scanAverage, 300);
    EXPECT_EQ(lastWriteAfterSeq(module(), 6),
              (std::vector<uint8_t>{0x04, 0x00, 0x2E, 0x02, 0x2C, 0x01}));
    failCommand(QRN_CMD_SET_SCAN_AVG);
    EXPECT_EQ(zelSetAvgTimes(2), ZEL_ERROR_SET_AVERAGING);
    EXPECT_EQ(module().state().scanAverage, 300);
}

TEST_F(DeviceControlTest, DisablingTheButtonSendsEnableThenDisable)
{
    ASSERT_EQ(zelEnableButtonPress(1), ZEL_OK);
    EXPECT_TRUE(module().state().buttonEnabled);
    EXPECT_EQ(module().commandCount(QRN_CMD_SET_BUTTON_PRESS_ENABLE), 1u);

    ASSERT_EQ(zelEnableButtonPress(0), ZEL_OK);
    EXPECT_FALSE(module().state().buttonEnabled);
    EXPECT_EQ(module().commandCount(QRN_CMD_SET_BUTTON_PRESS_ENABLE), 3u);
    const auto& reports = module().lastReportsIn();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[reports.size() - 2][6], 1);
    EXPECT_EQ(reports[reports.size() - 1][6], 0);
}

TEST_F(DeviceControlTest, ButtonEnableFailureSendsNothingMore)
{
    for (const uint8_t enable : {1, 0}) {
        SCOPED_TRACE(enable);
        module().clearFaults();
        failCommand(QRN_CMD_SET_BUTTON_PRESS_ENABLE, 2, 1);
        const uint64_t before = module().commandCount(QRN_CMD_SET_BUTTON_PRESS_ENABLE);
        EXPECT_EQ(zelEnableButtonPress(enable), ZEL_ERROR_BUTTON);
        EXPECT_EQ(module().commandCount(QRN_CMD_SET_BUTTON_PRESS_ENABLE), before + 1);
    }
}

TEST_F(DeviceControlTest, StrayReportIsNotTakenForTheNextAnswer)
{
    // The enable's answer is followed by a stray report (flags 0xEE, error field 2). The disable
    // drops it before its request and reads its own answer.
    sim::Fault stray;
    stray.kind = sim::FaultKind::StrayReports;
    stray.value = 1;
    stray.code = QRN_CMD_SET_BUTTON_PRESS_ENABLE;
    stray.times = 1;
    module().injectFault(stray);
    EXPECT_EQ(zelEnableButtonPress(0), ZEL_OK);
    EXPECT_FALSE(module().state().buttonEnabled);
    EXPECT_FALSE(module().hasReport());
}

TEST_F(DeviceControlTest, ButtonPressedForAnyNonZeroCount)
{
    ASSERT_EQ(zelEnableButtonPress(1), ZEL_OK);
    uint8_t pressed = 7;
    ASSERT_EQ(zelGetButtonPressStatus(&pressed), ZEL_OK);
    EXPECT_EQ(pressed, 0);
    for (const unsigned presses : {1u, 254u}) {
        module().pressButton(presses);
        pressed = 7;
        ASSERT_EQ(zelGetButtonPressStatus(&pressed), ZEL_OK);
        EXPECT_EQ(pressed, 1) << module().state().buttonPresses;
    }
    EXPECT_EQ(module().state().buttonPresses, 255);

    failCommand(QRN_CMD_GET_BUTTON_PRESS_COUNT);
    pressed = 7;
    EXPECT_EQ(zelGetButtonPressStatus(&pressed), ZEL_ERROR_BUTTON);
    EXPECT_EQ(pressed, 7);
}

TEST_F(DeviceControlTest, BluetoothWaitsTwoSecondsForItsAnswer)
{
    const uint64_t slept = sim::sleptMs();
    ASSERT_EQ(zelSetBluetoothStatus(1), ZEL_OK);
    EXPECT_TRUE(module().state().bluetooth);
    EXPECT_EQ(sim::sleptMs() - slept, 2000u);
    ASSERT_EQ(zelSetBluetoothStatus(0), ZEL_OK);
    EXPECT_FALSE(module().state().bluetooth);
}

TEST_F(DeviceControlTest, BluetoothFailures)
{
    failCommand(QRN_CMD_SET_BLUETOOTH);
    EXPECT_EQ(zelSetBluetoothStatus(1), ZEL_ERROR_BLUETOOTH_ON);
    EXPECT_EQ(zelSetBluetoothStatus(0), ZEL_ERROR_BLUETOOTH_OFF);
    zelClose(0);
    const uint64_t slept = sim::sleptMs();
    EXPECT_EQ(zelSetBluetoothStatus(1), ZEL_ERROR_BLUETOOTH_ON);
    EXPECT_EQ(sim::sleptMs() - slept, 2000u);
}

TEST_F(DeviceControlTest, WithoutAModuleControlsFailWithTheirOwnCodes)
{
    zelClose(0);
    uint32_t gain = 0;
    uint8_t pressed = 0;
    EXPECT_EQ(zelSetPgaGain(4), ZEL_ERROR_SET_GAIN);
    EXPECT_EQ(zelGetPgaGain(&gain), ZEL_ERROR_GET_GAIN);
    EXPECT_EQ(zelSetAvgTimes(1), ZEL_ERROR_SET_AVERAGING);
    EXPECT_EQ(zelEnableButtonPress(1), ZEL_ERROR_BUTTON);
    EXPECT_EQ(zelGetButtonPressStatus(&pressed), ZEL_ERROR_BUTTON);
}

} // namespace
} // namespace zel::test
