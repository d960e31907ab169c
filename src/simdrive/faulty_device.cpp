#include "simdrive/faulty_device.h"

#include <algorithm>
#include <cstring>

#include "simdrive/recorded_command.h"

namespace qdu {

namespace {

class FaultyDevice final : public PassThroughDevice {
public:
    FaultyDevice(std::unique_ptr<PassThroughDevice> inner,
                 std::shared_ptr<FaultyProvider::State> state)
        : inner_(std::move(inner)), state_(std::move(state)) {}

    ScsiResult execute(const ScsiRequest& request) override {
        FaultPlan plan;
        bool gone = false;
        bool triggered = false;
        {
            std::lock_guard lock(state_->mutex);
            plan = state_->plan;
            const bool applies = plan.only_opcode == 0 || plan.only_opcode == request.cdb[0];
            triggered = plan.kind != FaultPlan::Kind::None && applies &&
                        state_->commands >= plan.after_commands;
            ++state_->commands;
            if (triggered && plan.kind == FaultPlan::Kind::DeviceGone) {
                state_->gone = true;
            }
            gone = state_->gone;
        }
        if (gone) {
            return undelivered(Delivery::DeviceGone, 19, "the device is gone (unplugged)");
        }
        if (!triggered) {
            return inner_->execute(request);
        }
        switch (plan.kind) {
            case FaultPlan::Kind::OsError:
                return undelivered(Delivery::OsError, plan.os_error,
                                   "injected system call failure");
            case FaultPlan::Kind::Timeout: {
                ScsiResult r = undelivered(Delivery::HostError, 0, "timed out");
                r.host_status = 0x03;
                return r;
            }
            case FaultPlan::Kind::CheckWithoutSense: {
                ScsiResult r;
                r.scsi_status = kStatusCheckCondition;
                return r;
            }
            case FaultPlan::Kind::ShortTransfer: {
                if (request.direction != DataDirection::DataIn || request.data.empty()) {
                    return inner_->execute(request);
                }
                // The drive answers into a buffer of its own; half of it reaches the host.
                std::vector<std::uint8_t> full(request.data.size(), 0);
                ScsiRequest copy = request;
                copy.data = full;
                ScsiResult r = inner_->execute(copy);
                if (r.good()) {
                    const std::size_t half = request.data.size() / 2;
                    std::copy_n(full.begin(), half, request.data.begin());
                    r.transferred = static_cast<std::uint32_t>(half);
                }
                return r;
            }
            case FaultPlan::Kind::EndlessUnitAttention: return check_condition(0x6, 0x29, 0x00);
            case FaultPlan::Kind::DeviceGone:
            case FaultPlan::Kind::None: break;
        }
        return inner_->execute(request);
    }

private:
    static ScsiResult undelivered(Delivery delivery, int os_error, const char* detail) {
        ScsiResult r;
        r.delivery = delivery;
        r.os_error = os_error;
        r.detail = detail;
        return r;
    }

    std::unique_ptr<PassThroughDevice> inner_;
    std::shared_ptr<FaultyProvider::State> state_;
};

}  // namespace

FaultyProvider::FaultyProvider(std::shared_ptr<DeviceProvider> inner, FaultPlan plan)
    : inner_(std::move(inner)), state_(std::make_shared<State>()) {
    state_->plan = plan;
}

OpenResult FaultyProvider::open(char letter) {
    OpenResult opened = inner_->open(letter);
    if (opened.device) {
        opened.device = std::make_unique<FaultyDevice>(std::move(opened.device), state_);
    }
    return opened;
}

void FaultyProvider::set_plan(FaultPlan plan) {
    std::lock_guard lock(state_->mutex);
    state_->plan = plan;
    state_->gone = false;
}

}  // namespace qdu
