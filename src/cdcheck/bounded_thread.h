// A thread that is awaited with a bound and, if it has not ended by then, left to finish on
// its own rather than blocking whoever waits.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace qdu {

class BoundedThread {
public:
    explicit BoundedThread(std::function<void()> body) : done_(std::make_shared<Done>()) {
        thread_ = std::thread([done = done_, body = std::move(body)] {
            body();
            std::lock_guard lock(done->mutex);
            done->finished = true;
            done->cv.notify_all();
        });
    }

    // Joins a thread that has ended; detaches one that still runs (it owns what it uses).
    ~BoundedThread() {
        if (!thread_.joinable()) {
            return;
        }
        if (finished()) {
            thread_.join();
        } else {
            thread_.detach();
        }
    }
    BoundedThread(const BoundedThread&) = delete;
    BoundedThread& operator=(const BoundedThread&) = delete;

    // Waits at most the bound; true (and joined) when the thread has ended.
    bool wait(std::chrono::milliseconds bound) {
        if (!thread_.joinable()) {
            return true;
        }
        bool ended = false;
        {
            std::unique_lock lock(done_->mutex);
            ended = done_->cv.wait_for(lock, bound, [this] { return done_->finished; });
        }
        if (ended) {
            thread_.join();
        }
        return ended;
    }

private:
    bool finished() {
        std::lock_guard lock(done_->mutex);
        return done_->finished;
    }

    struct Done {
        std::mutex mutex;
        std::condition_variable cv;
        bool finished = false;
    };
    std::shared_ptr<Done> done_;
    std::thread thread_;
};

}  // namespace qdu
