// A hostile host against the virtual module: arbitrary reports, any chunk size, any fault switch.
// The module must never crash, never queue a reply longer than its length field needs, and
// always answer a well-formed request that no fault swallows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sim/virtual_module.h"

namespace {

const zel::sim::VirtualModule &prototype() {
    static const zel::sim::VirtualModule module;
    return module;
}

void checkReply(zel::sim::VirtualModule &module) {
    std::size_t expected = 0;
    std::size_t got = 0;
    while (auto report = module.takeReport()) {
        if (got == expected) {  // the first report of a reply
            const std::size_t length = (*report)[2] | ((*report)[3] << 8);
            expected = got + (length + 4 + 63) / 64;
        }
        ++got;
    }
    if (got > expected) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    zel::sim::VirtualModule module = prototype();
    module.setChunkSize(static_cast<uint16_t>(data[0] * 4 + 1));
    if (data[1] % 8 != 7) {
        zel::sim::Fault fault;
        fault.kind = static_cast<zel::sim::FaultKind>(data[1] % 8);
        fault.value = static_cast<int8_t>(data[2]);
        fault.times = (data[1] >> 4) == 0 ? -1 : data[1] >> 4;
        module.injectFault(fault);
    }
    for (std::size_t at = 3; at < size; at += zel::sim::kReportSize) {
        zel::sim::Report report{};
        for (std::size_t i = 0; i < report.size() && at + i < size; ++i) {
            report[i] = data[at + i];
        }
        module.receive(report);
        if (data[1] % 8 != static_cast<int>(zel::sim::FaultKind::StrayReports)) {
            checkReply(module);
        } else {
            while (module.takeReport()) {
            }
        }
    }
    return 0;
}
