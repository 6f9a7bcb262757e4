// Cost of the framing and the stored-file transfer over moving the same reports through the HID
// library directly. Both sides queue and move identical reports on the scripted HID library, so
// the ratio is what reassembly, status mapping and copying add.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <hidapi/hidapi.h>

#include "protocol/qrn.h"
#include "tests/support/scripted_hid.h"
#include "usb/usb_link.h"

namespace {

constexpr int32_t fileSize = 10600;  // about one scan file
constexpr size_t chunkSize = 500;

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

void queueFile()
{
    const std::vector<uint8_t> chunk(chunkSize, 0x5A);
    for (size_t sent = 0; sent < static_cast<size_t>(fileSize); sent += chunkSize) {
        zel::scripted::queueReply(chunk);
    }
}

// Baseline: one request report out and the chunk's reports in, per chunk, straight to hidapi.
void BM_RawReports(benchmark::State& state)
{
    zel::scripted::reset();
    zel::scripted::setInterfaces({{USB_LINK_VENDOR_ID, 0x4200, L"BENCH"}});
    hid_device* device = hid_open(USB_LINK_VENDOR_ID, 0x4200, L"BENCH");
    std::vector<uint8_t> file(fileSize);
    uint8_t request[65] = {0x00, 0xC0, 0x00, 0x02, 0x00, 0x2E, 0x00};
    uint8_t report[64];
    const size_t reportsPerChunk = (chunkSize + 4 + 63) / 64;
    for (auto _ : state) {
        queueFile();
        for (size_t sent = 0; sent < file.size(); sent += chunkSize) {
            hid_write(device, request, sizeof request);
            for (size_t r = 0; r < reportsPerChunk; ++r) {
                hid_read_timeout(device, report, sizeof report, 10000);
            }
        }
        benchmark::DoNotOptimize(report);
    }
    hid_close(device);
    state.SetBytesProcessed(state.iterations() * fileSize);
}
BENCHMARK(BM_RawReports);

void BM_ReadFile(benchmark::State& state)
{
    attachModule();
    std::vector<uint8_t> file(fileSize);
    for (auto _ : state) {
        queueFile();
        benchmark::DoNotOptimize(QRN_ReadFile(file.data(), fileSize));
    }
    state.SetBytesProcessed(state.iterations() * fileSize);
}
BENCHMARK(BM_ReadFile);

// Baseline: the nine reports of a full write message handed to hidapi without framing.
void BM_RawWriteReports(benchmark::State& state)
{
    zel::scripted::reset();
    zel::scripted::setInterfaces({{USB_LINK_VENDOR_ID, 0x4200, L"BENCH"}});
    hid_device* device = hid_open(USB_LINK_VENDOR_ID, 0x4200, L"BENCH");
    uint8_t report[65] = {};
    for (auto _ : state) {
        for (int r = 0; r < 9; ++r) {
            hid_write(device, report, sizeof report);
        }
        benchmark::ClobberMemory();
        state.PauseTiming();
        zel::scripted::reset();
        zel::scripted::setInterfaces({{USB_LINK_VENDOR_ID, 0x4200, L"BENCH"}});
        device = hid_open(USB_LINK_VENDOR_ID, 0x4200, L"BENCH");
        state.ResumeTiming();
    }
    hid_close(device);
}
BENCHMARK(BM_RawWriteReports);

void BM_SendWrite(benchmark::State& state)
{
    msg message{};
    std::memset(message.data, 0x33, sizeof message.data);
    Msg_InitWriteHeader(&message, 0x021E, MSG_MAX_DATA);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Msg_SendWrite(&message));
        state.PauseTiming();
        attachModule();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SendWrite);

} // namespace
