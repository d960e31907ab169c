// Another provider's devices, with a look at every command before the drive gets it: to act
// at an exact moment of a flow (raise Ctrl-C, hold the command, check what is shown).
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "drive/passthrough.h"
#include "simdrive/recorded_command.h"

namespace qdu::testing {

class HookedProvider final : public DeviceProvider {
public:
    using Hook = std::function<void(const ScsiRequest&)>;
    // An answer given instead of the drive's, for the commands it returns one for.
    using Answer = std::function<std::optional<ScsiResult>(const ScsiRequest&)>;
    HookedProvider(std::shared_ptr<DeviceProvider> inner, Hook hook, Answer answer = {})
        : inner_(std::move(inner)), hook_(std::move(hook)), answer_(std::move(answer)) {}
    OpenResult open(char letter) override {
        OpenResult opened = inner_->open(letter);
        if (opened.device) {
            opened.device = std::make_unique<Device>(std::move(opened.device), hook_, answer_);
        }
        return opened;
    }
    DeviceDescription describe(char letter) override { return inner_->describe(letter); }
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) override {
        return inner_->suppress_media_notification(letter);
    }

private:
    struct Device final : PassThroughDevice {
        Device(std::unique_ptr<PassThroughDevice> device, Hook look, Answer instead)
            : inner(std::move(device)), hook(std::move(look)), answer(std::move(instead)) {}
        ScsiResult execute(const ScsiRequest& request) override {
            if (hook) {
                hook(request);
            }
            if (answer) {
                if (std::optional<ScsiResult> given = answer(request)) {
                    return *given;
                }
            }
            return inner->execute(request);
        }
        std::unique_ptr<PassThroughDevice> inner;
        Hook hook;
        Answer answer;
    };
    std::shared_ptr<DeviceProvider> inner_;
    Hook hook_;
    Answer answer_;
};

}  // namespace qdu::testing
