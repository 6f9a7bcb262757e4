// A minimal host written for these tests alone, so that the module's framing is checked
// against bytes laid out here rather than against the library's own framing code.
#ifndef ZEL_TESTS_SIM_SIM_TEST_HOST_H
#define ZEL_TESTS_SIM_SIM_TEST_HOST_H

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/virtual_module.h"

namespace zel::sim::testing {

inline Report report(std::initializer_list<uint8_t> bytes) {
    Report r{};
    std::size_t i = 0;
    for (const uint8_t b : bytes) {
        r[i++] = b;
    }
    return r;
}

// Every report the module has queued.
inline std::vector<Report> drain(VirtualModule &module) {
    std::vector<Report> out;
    while (auto r = module.takeReport()) {
        out.push_back(*r);
    }
    return out;
}

inline std::vector<Report> send(VirtualModule &module, const Report &r) {
    module.receive(r);
    return drain(module);
}

// A read request without data, or with a 32-bit argument.
inline std::vector<Report> read(VirtualModule &module, uint16_t code) {
    return send(module, report({0xC0, 0, 2, 0, static_cast<uint8_t>(code),
                                static_cast<uint8_t>(code >> 8)}));
}
inline std::vector<Report> readArg(VirtualModule &module, uint16_t code, uint32_t arg) {
    return send(module, report({0xC0, 0, 6, 0, static_cast<uint8_t>(code),
                                static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(arg),
                                static_cast<uint8_t>(arg >> 8), static_cast<uint8_t>(arg >> 16),
                                static_cast<uint8_t>(arg >> 24)}));
}

// A write message of any length, cut into reports as the wire carries it.
inline std::vector<Report> write(VirtualModule &module, uint16_t code,
                                 const std::vector<uint8_t> &data, uint8_t seq = 0) {
    std::vector<uint8_t> message{0x40, seq, static_cast<uint8_t>((data.size() + 2) & 0xFF),
                                 static_cast<uint8_t>((data.size() + 2) >> 8),
                                 static_cast<uint8_t>(code), static_cast<uint8_t>(code >> 8)};
    message.insert(message.end(), data.begin(), data.end());
    for (std::size_t at = 0; at < message.size(); at += kReportSize) {
        Report r{};
        for (std::size_t i = 0; i < kReportSize && at + i < message.size(); ++i) {
            r[i] = message[at + i];
        }
        module.receive(r);
    }
    return drain(module);
}

// The payload of a reassembled reply (length field of its first report).
inline std::vector<uint8_t> payload(const std::vector<Report> &reports) {
    std::vector<uint8_t> bytes;
    for (const Report &r : reports) {
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    if (bytes.size() < 4) {
        return {};
    }
    const std::size_t length = bytes[2] | (bytes[3] << 8);
    bytes.erase(bytes.begin(), bytes.begin() + 4);
    bytes.resize(std::min(bytes.size(), length));
    return bytes;
}

inline uint32_t le32(const std::vector<uint8_t> &b, std::size_t at = 0) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// A whole stored file by size request and chunk requests.
inline std::vector<uint8_t> readFile(VirtualModule &module, uint32_t type) {
    const auto size = payload(readArg(module, 0x002D, type));
    if (size.size() != 4) {
        return {};
    }
    const uint32_t total = le32(size);
    std::vector<uint8_t> file;
    while (file.size() < total) {
        const auto chunk = payload(read(module, 0x002E));
        if (chunk.empty()) {
            break;
        }
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

// Selects a configuration, runs a scan and fetches its data.
inline std::vector<uint8_t> scan(VirtualModule &module, uint8_t config) {
    write(module, 0x0224, {config});
    write(module, 0x0218, {0});
    return readFile(module, 0);
}

}  // namespace zel::sim::testing

#endif
