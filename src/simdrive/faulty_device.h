// Faults a drive or its connection can show, put in front of any device: failed system calls,
// a device that vanishes, timeouts, CHECK CONDITION without sense, short transfers, endless
// unit attentions.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "drive/passthrough.h"

namespace qdu {

struct FaultPlan {
    enum class Kind {
        None,
        OsError,              // the system call fails with os_error
        DeviceGone,           // from the trigger on, nothing reaches the device any more
        Timeout,              // the adapter gives up (host status timeout)
        CheckWithoutSense,    // CHECK CONDITION with an empty sense area
        ShortTransfer,        // data-in moves only half of what was asked
        EndlessUnitAttention  // every command answers 6/29/00
    };
    Kind kind = Kind::None;
    int os_error = 5;              // EIO
    long after_commands = 0;       // the fault starts after this many commands went through
    std::uint8_t only_opcode = 0;  // 0: any command; else only this operation code
};

// Opens through another provider and puts the plan in front of every device it opens. The
// count of commands runs over all devices it opened.
class FaultyProvider final : public DeviceProvider {
public:
    FaultyProvider(std::shared_ptr<DeviceProvider> inner, FaultPlan plan);

    OpenResult open(char letter) override;
    DeviceDescription describe(char letter) override { return inner_->describe(letter); }
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) override {
        return inner_->suppress_media_notification(letter);
    }

    void set_plan(FaultPlan plan);
    long commands() const { return state_->commands; }

    struct State {
        std::mutex mutex;
        FaultPlan plan;
        long commands = 0;
        bool gone = false;
    };

private:
    std::shared_ptr<DeviceProvider> inner_;
    std::shared_ptr<State> state_;
};

}  // namespace qdu
