#include "serve/events.h"

#include <algorithm>

namespace zel::serve {

std::optional<std::string> EventBus::Subscription::next(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(bus_.mutex_);
    bus_.changed_.wait_for(lock, timeout, [this] { return bus_.closed_ || !queue_.empty(); });
    if (bus_.closed_ || queue_.empty()) {
        return std::nullopt;
    }
    std::string frame = std::move(queue_.front());
    queue_.pop_front();
    return frame;
}

bool EventBus::Subscription::closed() const
{
    std::lock_guard lock(bus_.mutex_);
    return bus_.closed_;
}

std::size_t EventBus::Subscription::dropped() const
{
    std::lock_guard lock(bus_.mutex_);
    return dropped_;
}

std::shared_ptr<EventBus::Subscription> EventBus::subscribe()
{
    std::shared_ptr<Subscription> subscription(new Subscription(*this));
    std::lock_guard lock(mutex_);
    subscriptions_.push_back(subscription);
    return subscription;
}

void EventBus::publish(std::string_view name, std::string_view data)
{
    std::string frame;
    frame.reserve(name.size() + data.size() + 16);
    frame.append("event: ").append(name).append("\ndata: ").append(data).append("\n\n");
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return;
        }
        std::erase_if(subscriptions_, [](const auto& weak) { return weak.expired(); });
        for (const auto& weak : subscriptions_) {
            if (auto subscription = weak.lock()) {
                auto& queue = subscription->queue_;
                if (queue.size() == kQueueLimit) {
                    // A state change outweighs a spectrum: the oldest spectrum goes first.
                    auto victim = std::find_if(queue.begin(), queue.end(), [](const auto& f) {
                        return f.starts_with("event: spectrum\n");
                    });
                    queue.erase(victim == queue.end() ? queue.begin() : victim);
                    ++subscription->dropped_;
                }
                queue.push_back(frame);
            }
        }
    }
    changed_.notify_all();
}

void EventBus::close()
{
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

}  // namespace zel::serve
