#include "serve/events.h"

#include <gtest/gtest.h>

#include <thread>

namespace zel::serve {
namespace {

using namespace std::chrono_literals;

TEST(EventBus, EveryListenerGetsEachEventAsOneFrame)
{
    EventBus bus;
    auto a = bus.subscribe();
    auto b = bus.subscribe();
    bus.publish("module", R"({"serial":"ZEL00001"})");
    EXPECT_EQ(a->next(0ms), "event: module\ndata: {\"serial\":\"ZEL00001\"}\n\n");
    EXPECT_EQ(b->next(0ms), "event: module\ndata: {\"serial\":\"ZEL00001\"}\n\n");
    EXPECT_EQ(a->next(0ms), std::nullopt);
    EXPECT_FALSE(a->closed());
}

TEST(EventBus, SlowListenerLosesOldSpectraBeforeStateChanges)
{
    EventBus bus;
    auto slow = bus.subscribe();
    bus.publish("module", "0");
    for (std::size_t i = 1; i < EventBus::kQueueLimit + 3; ++i) {
        bus.publish("spectrum", std::to_string(i));
    }
    EXPECT_EQ(slow->dropped(), 3u);
    EXPECT_EQ(slow->next(0ms), "event: module\ndata: 0\n\n");
    // Spectra 1 to 3 went; 4 onwards are kept in order.
    for (std::size_t i = 4; i < EventBus::kQueueLimit + 3; ++i) {
        EXPECT_EQ(slow->next(0ms), "event: spectrum\ndata: " + std::to_string(i) + "\n\n");
    }
    EXPECT_EQ(slow->next(0ms), std::nullopt);
}

TEST(EventBus, CloseWakesAWaitingListener)
{
    EventBus bus;
    auto listener = bus.subscribe();
    std::thread closer([&bus] {
        std::this_thread::sleep_for(20ms);
        bus.close();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(listener->next(10s), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(listener->closed());
    closer.join();
    bus.publish("module", "{}");
    EXPECT_EQ(listener->next(0ms), std::nullopt);
}

TEST(EventBus, AListenerThatWentAwayIsForgotten)
{
    EventBus bus;
    bus.subscribe();  // dropped at once
    auto kept = bus.subscribe();
    bus.publish("module", "{}");
    EXPECT_EQ(kept->next(0ms), "event: module\ndata: {}\n\n");
}

}  // namespace
}  // namespace zel::serve
