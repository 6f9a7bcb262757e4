// The push channel: named events fanned out to every page that listens (server-sent events).
#ifndef ZEL_SERVE_EVENTS_H
#define ZEL_SERVE_EVENTS_H

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::serve {

class EventBus {
public:
    // A listener's queue. A slow listener loses its oldest spectrum (else its oldest event)
    // beyond `kQueueLimit`: a live view wants the newest spectrum, not a backlog.
    class Subscription {
    public:
        // The next event as one server-sent-events frame ("event: NAME\ndata: JSON\n\n"); empty
        // after `timeout` with nothing new, or once the bus is closed (then closed() is true).
        std::optional<std::string> next(std::chrono::milliseconds timeout);
        bool closed() const;
        // Events this listener lost to its queue limit.
        std::size_t dropped() const;

    private:
        friend class EventBus;
        explicit Subscription(EventBus& bus) : bus_(bus) {}
        EventBus& bus_;
        std::deque<std::string> queue_;
        std::size_t dropped_ = 0;
    };

    static constexpr std::size_t kQueueLimit = 8;

    std::shared_ptr<Subscription> subscribe();
    // `data` is one line of JSON.
    void publish(std::string_view name, std::string_view data);
    // Wakes every listener for good; later publishes are dropped.
    void close();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::weak_ptr<Subscription>> subscriptions_;
    bool closed_ = false;
};

}  // namespace zel::serve

#endif
