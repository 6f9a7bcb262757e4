// The module hub with a module that stops answering: calls fail in words, the module stays
// connected, and it answers again when the fault clears.
#include "serve/module_hub.h"

#include <gtest/gtest.h>

#include "serve/json.h"
#include "sim/virtual_module.h"

namespace zel::serve {
namespace {

using namespace std::chrono_literals;

class HubTest : public ::testing::Test {
protected:
    static Options virtual_module()
    {
        Options options;
        options.virtual_module = true;
        options.virtual_realtime = false;
        return options;
    }
    void silence(bool on)
    {
        hub_.with_module("ZEL00001", [on](Module& module) {
            module.with_virtual([on](sim::VirtualModule& far_end) {
                if (on) {
                    sim::Fault fault;
                    fault.kind = sim::FaultKind::NoAnswer;
                    fault.times = -1;
                    far_end.injectFault(fault);
                } else {
                    far_end.clearFaults();
                }
            });
            return nlohmann::json();
        });
    }
    // The last "module" event, parsed.
    nlohmann::json last_state()
    {
        nlohmann::json state;
        while (auto frame = events_view_->next(0ms)) {
            const std::string head = "event: module\ndata: ";
            if (frame->starts_with(head)) {
                state = nlohmann::json::parse(frame->substr(head.size()));
            }
        }
        return state;
    }

    Options options_ = virtual_module();
    EventBus events_;
    std::shared_ptr<EventBus::Subscription> events_view_ = events_.subscribe();
    ModuleHub hub_{options_, events_};
};

TEST_F(HubTest, SilentModuleTimesOutButStaysConnected)
{
    silence(true);
    try {
        hub_.with_module("ZEL00001", [](Module& module) { return to_json(module.sensors()); });
        FAIL() << "a silent module answered";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ZEL_E_TIMEOUT);
    }
    EXPECT_EQ(hub_.state("ZEL00001")["connected"], true);
    silence(false);
    EXPECT_NO_THROW(hub_.with_module("ZEL00001", [](Module& module) { return to_json(module.sensors()); }));
}

TEST_F(HubTest, ContinuousScanningEndsWithTheReasonWhenTheModuleFallsSilent)
{
    hub_.start_continuous("ZEL00001", 0);
    silence(true);
    nlohmann::json state;
    for (int i = 0; i < 600 && (state.empty() || state["scanning"] == true); ++i) {
        std::this_thread::sleep_for(50ms);
        if (auto s = last_state(); !s.empty()) {
            state = s;
        }
    }
    EXPECT_EQ(state["scanning"], false);
    EXPECT_EQ(state["connected"], true);
    EXPECT_TRUE(state["error"].get<std::string>().ends_with("the module did not answer in time"))
        << state["error"];
    silence(false);
    EXPECT_EQ(hub_.scan("ZEL00001", 0, 1)["metadata"]["serial"], "ZEL00001");
    EXPECT_EQ(hub_.state("ZEL00001")["error"], nullptr);
}

TEST_F(HubTest, KeepsOnlyTheRecentSpectra)
{
    const uint64_t first = hub_.scan("ZEL00001", 0, 1)["id"].get<uint64_t>();
    ASSERT_NE(hub_.spectrum(first), nullptr);
    uint64_t last = first;
    for (std::size_t i = 0; i < ModuleHub::kKeptSpectra; ++i) {
        last = hub_.scan("ZEL00001", 0, 1)["id"].get<uint64_t>();
    }
    EXPECT_EQ(last, first + ModuleHub::kKeptSpectra);
    EXPECT_EQ(hub_.spectrum(first), nullptr);
    EXPECT_NE(hub_.spectrum(first + 1), nullptr);
    EXPECT_EQ(hub_.spectrum(last)->metadata.serial, "ZEL00001");
}

}  // namespace
}  // namespace zel::serve
