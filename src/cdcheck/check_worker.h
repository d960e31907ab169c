// The thread that performs one audio CD check and reports through four messages.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "cdcheck/sample.h"

namespace qdu {

enum CheckMode : int { Full = 0, Quick = 1 };
enum EndCode : int { Finished = 0, NotAvailable = 1, Stopped = 2 };

enum CheckMessage : std::uint32_t {
    WM_CHECK_END = 0x8100,
    WM_CHECK_STAGE = 0x8101,
    WM_CHECK_REMAINING = 0x8102,
    WM_CHECK_PROGRESS = 0x8103,
};

struct CheckEvent {
    CheckMessage message;
    std::uint32_t wparam = 0;
    std::uint32_t lparam = 0;
    bool operator==(const CheckEvent&) const = default;
};

// Where the worker posts its messages; it never waits for the receiver.
class CheckEventSink {
public:
    virtual ~CheckEventSink() = default;
    virtual void post(const CheckEvent& event) = 0;
};

struct CheckContext;
class BoundedThread;
// The disc animation, run on its own thread while the worker measures; it ends soon after
// animation_stop is set.
using Animation = std::function<void(std::shared_ptr<CheckContext>)>;

struct CheckContext {
    CheckMode mode = Full;
    std::shared_ptr<CheckEventSink> sink;
    Animation animation;  // may be empty

    std::atomic<bool> cancel_requested{false};
    std::atomic<bool> animation_stop{false};
    // Guards check_result, current_radius, findings and whatever the animation draws into.
    std::mutex dialog_lock;
    double current_radius = 0.0;  // mm, under dialog_lock
    // Every graded finding of the check (levels B to D), for reports that want positions.
    std::vector<S_RAW_DATA> findings;  // under dialog_lock
};

// The check itself; returns 0. Leaves the tray unlocked and open, the check mode finished
// and media notification on, whatever happens.
int check_worker(std::shared_ptr<CheckContext> context);

inline constexpr std::chrono::seconds kThreadWait{30};

// Runs check_worker on its own thread. A worker that does not end within the bound is left
// to finish on its own: it keeps the context alive, and its late messages go nowhere.
class CheckRun {
public:
    explicit CheckRun(std::shared_ptr<CheckContext> context);
    ~CheckRun();
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // Sets cancel_requested and waits at most the bound; true when the worker ended.
    bool cancel_and_wait(std::chrono::milliseconds bound = kThreadWait);
    // Waits for the worker's end, at most the bound; true when it ended.
    bool wait(std::chrono::milliseconds bound = kThreadWait);

private:
    std::shared_ptr<CheckContext> context_;
    std::unique_ptr<BoundedThread> thread_;
};

}  // namespace qdu
