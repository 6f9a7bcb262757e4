// GoogleTest fixture: one virtual module attached, enumerated and opened in slot 0 through the
// exported functions, on the virtual clock.
#ifndef ZEL_TESTS_API_API_FIXTURE_H
#define ZEL_TESTS_API_API_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "api/zel.h"
#include "sim/hid_backend.h"
#include "spectrum/zelspec.h"
#include "tests/api/stdout_capture.h"

namespace zel::test {

// Fills a record with a byte pattern, so that a test can tell whether a call wrote to it.
template <typename T>
T sentinel()
{
    T value;
    std::memset(&value, 0xAB, sizeof value);
    return value;
}

template <typename T>
bool sameBytes(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A standard configuration with the given range and pattern count, as the module stores it.
sim::Bytes standardConfigImage(const char* name, uint16_t startNm, uint16_t endNm,
                               uint16_t patterns, uint8_t scanType = 0);

// The module's scan data file, interpreted by the spectrum library straight from its store.
scanResults interpretStoredScan(const sim::VirtualModule& module);

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zelClose(0);
        sim::detachAll();
        sim::setInitFailure(false);
        sim::resetClock();
        module_ = &sim::attachModule();
        module_->setSensorDrift(false);
        ASSERT_EQ(zelInitUsb(), 1);
        ASSERT_EQ(zelOpenByUsb(0), 0);
    }

    void TearDown() override
    {
        zelClose(0);
        EXPECT_EQ(sim::openHandleCount(), 0u);
        sim::detachAll();
    }

    sim::VirtualModule& module() { return *module_; }

    // Faults one command: every answer to `code` carries error field `field`.
    void failCommand(uint16_t code, int32_t field = 2, int32_t times = -1)
    {
        sim::Fault fault;
        fault.kind = sim::FaultKind::ErrorField;
        fault.value = field;
        fault.code = code;
        fault.times = times;
        module_->injectFault(fault);
    }

    void silenceCommand(uint16_t code)
    {
        sim::Fault fault;
        fault.kind = sim::FaultKind::NoAnswer;
        fault.code = code;
        module_->injectFault(fault);
    }

    uint64_t messages() const { return module_->counters().messages; }

    // The command codes of the requests among the last output reports, oldest first (every
    // request these tests look at fits in one report).
    std::vector<uint16_t> requestCodes() const;

private:
    sim::VirtualModule* module_ = nullptr;
};

} // namespace zel::test

#endif
