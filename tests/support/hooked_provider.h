// Another provider's devices, with a look at every command before the drive gets it: to act
// at an exact moment of a flow (raise Ctrl-C, hold the command, check what is shown).
#pragma once

#include <functional>
#include <memory>

#include "drive/passthrough.h"

namespace qdu::testing {

class HookedProvider final : public DeviceProvider {
public:
    using Hook = std::function<void(const ScsiRequest&)>;
    HookedProvider(std::shared_ptr<DeviceProvider> inner, Hook hook)
        : inner_(std::move(inner)), hook_(std::move(hook)) {}
    OpenResult open(char letter) override {
        OpenResult opened = inner_->open(letter);
        if (opened.device) {
            opened.device = std::make_unique<Device>(std::move(opened.device), hook_);
        }
        return opened;
    }
    DeviceDescription describe(char letter) override { return inner_->describe(letter); }
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) override {
        return inner_->suppress_media_notification(letter);
    }

private:
    struct Device final : PassThroughDevice {
        Device(std::unique_ptr<PassThroughDevice> device, Hook look)
            : inner(std::move(device)), hook(std::move(look)) {}
        ScsiResult execute(const ScsiRequest& request) override {
            hook(request);
            return inner->execute(request);
        }
        std::unique_ptr<PassThroughDevice> inner;
        Hook hook;
    };
    std::shared_ptr<DeviceProvider> inner_;
    Hook hook_;
};

}  // namespace qdu::testing
