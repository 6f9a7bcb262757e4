// The virtual module's own cost: one command round trip (the baseline), a whole stored-file
// transfer, and scans of each kind. The wire time each one would take on a full-speed endpoint
// is reported as a counter (virtual milliseconds).
#include <benchmark/benchmark.h>

#include <hidapi/hidapi.h>

#include <array>
#include <cstdint>

#include "sim/hid_backend.h"

namespace {

using zel::sim::attachModule;
using zel::sim::clockMs;

struct Link {
    hid_device *dev = nullptr;
    Link() {
        zel::sim::detachAll();
        attachModule();
        dev = hid_open(0x0451, 0x4201, L"ZEL00001");
    }
    ~Link() {
        hid_close(dev);
        zel::sim::detachAll();
    }
    // Sends one request report and reads the reply; returns the payload length.
    std::size_t exchange(std::array<unsigned char, 65> request) {
        hid_write(dev, request.data(), request.size());
        std::array<unsigned char, 64> reply{};
        hid_read_timeout(dev, reply.data(), reply.size(), 10000);
        const std::size_t length = reply[2] | (reply[3] << 8);
        for (std::size_t got = 64; got < length + 4; got += 64) {
            hid_read_timeout(dev, reply.data(), reply.size(), 10000);
        }
        return length;
    }
    void write(uint16_t code, uint8_t value) {
        exchange({0, 0x40, 0, 3, 0, static_cast<unsigned char>(code),
                  static_cast<unsigned char>(code >> 8), value});
    }
};

void reportWireTime(benchmark::State &state, uint64_t startMs) {
    state.counters["wire_ms"] =
        static_cast<double>(clockMs() - startMs) / static_cast<double>(state.iterations());
}

void BM_CommandRoundTrip(benchmark::State &state) {
    Link link;
    const uint64_t start = clockMs();
    for (auto _ : state) {
        benchmark::DoNotOptimize(link.exchange({0, 0xC0, 0, 2, 0, 0x22, 0x02}));
    }
    reportWireTime(state, start);
}
BENCHMARK(BM_CommandRoundTrip);

void BM_ReferenceMatrixTransfer(benchmark::State &state) {
    Link link;
    const uint64_t start = clockMs();
    for (auto _ : state) {
        link.exchange({0, 0xC0, 0, 6, 0, 0x2D, 0x00, 3, 0, 0, 0});
        std::size_t total = 0;
        while (total < 2354) {
            total += link.exchange({0, 0xC0, 0, 2, 0, 0x2E, 0x00});
        }
        benchmark::DoNotOptimize(total);
    }
    reportWireTime(state, start);
}
BENCHMARK(BM_ReferenceMatrixTransfer);

// Argument: the stored configuration (0 column, 1 Hadamard, 2 sectioned).
void BM_Scan(benchmark::State &state) {
    Link link;
    link.write(0x0224, static_cast<uint8_t>(state.range(0)));
    const uint64_t start = clockMs();
    for (auto _ : state) {
        link.write(0x0218, 0);
    }
    reportWireTime(state, start);
}
BENCHMARK(BM_Scan)->Arg(0)->Arg(1)->Arg(2);

void BM_ModuleConstruction(benchmark::State &state) {
    for (auto _ : state) {
        zel::sim::VirtualModule module;
        benchmark::DoNotOptimize(&module);
    }
}
BENCHMARK(BM_ModuleConstruction);

}  // namespace
