// Cost of the command functions over the framing calls they are made of. Both sides move the
// same reports through the scripted HID library, so the ratio is what building the request,
// the checks and the reply conversion add.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "protocol/qrn.h"
#include "tests/support/scripted_hid.h"
#include "usb/usb_link.h"

namespace {

void attachModule()
{
    for (int32_t slot = 0; slot < USB_LINK_MAX_DEVICES; ++slot) {
        UsbLink_Close(slot);
    }
    zel::scripted::reset();
    zel::scripted::setInterfaces({{USB_LINK_VENDOR_ID, 0x4200, L"BENCH"}});
    UsbLink_Enumerate();
    UsbLink_Open(0);
}

// The scripted library keeps every report written; start afresh now and then, outside the timing.
void forgetReports(benchmark::State& state, size_t& runs)
{
    if (++runs % 4096 == 0) {
        state.PauseTiming();
        attachModule();
        state.ResumeTiming();
    }
}

const std::vector<uint8_t> batteryReply = {0x10, 0x0E, 0, 0, 0x55, 0, 0, 0, 0x34, 0x12, 0, 0};

void BM_RawBatteryExchange(benchmark::State& state)
{
    attachModule();
    size_t runs = 0;
    int32_t values[3];
    for (auto _ : state) {
        zel::scripted::queueReply(batteryReply);
        Msg_PrepareRead(QRN_CMD_READ_BATT_VOLT, 0);
        if (Msg_ExchangeRead() > 0) {
            std::memcpy(values, rxMsg + MSG_HEADER_SIZE, sizeof values);
        }
        benchmark::DoNotOptimize(values);
        forgetReports(state, runs);
    }
}
BENCHMARK(BM_RawBatteryExchange);

void BM_ReadBattVolt(benchmark::State& state)
{
    attachModule();
    size_t runs = 0;
    int32_t voltage = 0, percentage = 0, raw = 0;
    for (auto _ : state) {
        zel::scripted::queueReply(batteryReply);
        benchmark::DoNotOptimize(QRN_ReadBattVolt(&voltage, &percentage, &raw));
        forgetReports(state, runs);
    }
}
BENCHMARK(BM_ReadBattVolt);

void BM_RawScanConfigExchange(benchmark::State& state)
{
    attachModule();
    std::vector<uint8_t> reply = {0x2C, 0x01, 0, 0};
    reply.resize(4 + 300, 0x5A);
    std::vector<uint8_t> config(QRN_SCAN_CONFIG_MAX);
    size_t runs = 0;
    for (auto _ : state) {
        zel::scripted::queueReply(reply);
        Msg_PrepareReadArg(QRN_CMD_GET_SCAN_CONFIG, 0);
        if (Msg_ExchangeRead() > 0) {
            std::memcpy(config.data(), rxMsg + MSG_HEADER_SIZE + 4, 300);
        }
        benchmark::DoNotOptimize(config.data());
        forgetReports(state, runs);
    }
}
BENCHMARK(BM_RawScanConfigExchange);

void BM_GetScanConfig(benchmark::State& state)
{
    attachModule();
    std::vector<uint8_t> reply = {0x2C, 0x01, 0, 0};
    reply.resize(4 + 300, 0x5A);
    std::vector<uint8_t> config(QRN_SCAN_CONFIG_MAX);
    uint32_t length = 0;
    size_t runs = 0;
    for (auto _ : state) {
        zel::scripted::queueReply(reply);
        benchmark::DoNotOptimize(QRN_GetScanConfig(0, config.data(), &length));
        forgetReports(state, runs);
    }
}
BENCHMARK(BM_GetScanConfig);

const std::vector<uint8_t> writeAnswer = {0, 0};

void BM_RawScanAvgWrite(benchmark::State& state)
{
    attachModule();
    size_t runs = 0;
    for (auto _ : state) {
        zel::scripted::queueReply(writeAnswer);
        msg message{};
        Msg_InitWriteHeader(&message, QRN_CMD_SET_SCAN_AVG, 2);
        message.data[0] = 0x2C;
        message.data[1] = 0x01;
        benchmark::DoNotOptimize(Msg_SendWrite(&message) > 0 ? Msg_ReadWriteAnswer() : -1);
        forgetReports(state, runs);
    }
}
BENCHMARK(BM_RawScanAvgWrite);

void BM_SetScanAvg(benchmark::State& state)
{
    attachModule();
    size_t runs = 0;
    for (auto _ : state) {
        zel::scripted::queueReply(writeAnswer);
        benchmark::DoNotOptimize(QRN_SetScanAvg(300));
        forgetReports(state, runs);
    }
}
BENCHMARK(BM_SetScanAvg);

} // namespace
