// A sink that queues the check's messages for a thread that drains them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "cdcheck/check_worker.h"

namespace qdu {

class CheckEventQueue final : public CheckEventSink {
public:
    void post(const CheckEvent& event) override {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return;  // a worker that outlived its wait: nobody listens any more
        }
        events_.push_back(event);
        cv_.notify_one();
    }

    std::optional<CheckEvent> pop(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [this] { return !events_.empty(); })) {
            return std::nullopt;
        }
        const CheckEvent event = events_.front();
        events_.pop_front();
        return event;
    }

    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        events_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<CheckEvent> events_;
    bool closed_ = false;
};

}  // namespace qdu
