#include "simdrive/scripted_device.h"

#include <algorithm>

namespace qdu {

namespace {

// Counts itself in a shared counter for as long as it lives.
class CountedHold {
public:
    explicit CountedHold(std::shared_ptr<int> counter) : counter_(std::move(counter)) {
        ++*counter_;
    }
    ~CountedHold() { --*counter_; }
    CountedHold(const CountedHold&) = delete;
    CountedHold& operator=(const CountedHold&) = delete;

private:
    std::shared_ptr<int> counter_;
};

class ScriptedHandle final : public PassThroughDevice {
public:
    ScriptedHandle(std::shared_ptr<ScriptedDevice> device, std::shared_ptr<int> counter)
        : device_(std::move(device)), hold_(std::move(counter)) {}
    ScsiResult execute(const ScsiRequest& request) override { return device_->execute(request); }

private:
    std::shared_ptr<ScriptedDevice> device_;
    CountedHold hold_;
};

class ScriptedNotificationHold final : public MediaNotificationHold {
public:
    explicit ScriptedNotificationHold(std::shared_ptr<int> counter) : hold_(std::move(counter)) {}

private:
    CountedHold hold_;
};

}  // namespace

ScriptedReply ScriptedReply::good(std::vector<std::uint8_t> data) {
    ScriptedReply reply;
    reply.data = std::move(data);
    return reply;
}

ScriptedReply ScriptedReply::check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    ScriptedReply reply;
    reply.result = check_condition(key, asc, ascq);
    return reply;
}

ScriptedReply ScriptedReply::status_only(std::uint8_t status) {
    ScriptedReply reply;
    reply.result.scsi_status = status;
    return reply;
}

ScriptedReply ScriptedReply::undelivered(Delivery delivery, int os_error, std::string detail) {
    ScriptedReply reply;
    reply.result.delivery = delivery;
    reply.result.os_error = os_error;
    reply.result.detail = std::move(detail);
    return reply;
}

void ScriptedDevice::push(ScriptedReply reply) {
    std::lock_guard lock(mutex_);
    replies_.push_back(std::move(reply));
}

void ScriptedDevice::set_default_reply(ScriptedReply reply) {
    std::lock_guard lock(mutex_);
    default_reply_ = std::move(reply);
}

ScsiResult ScriptedDevice::execute(const ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    received_.push_back(RecordedCommand::of(request));
    ScriptedReply reply = default_reply_;
    if (!replies_.empty()) {
        reply = std::move(replies_.front());
        replies_.pop_front();
    }
    ScsiResult result = reply.result;
    if (result.delivered() && request.direction == DataDirection::DataIn) {
        const std::size_t n = std::min(reply.data.size(), request.data.size());
        std::copy_n(reply.data.begin(), n, request.data.begin());
        result.transferred = static_cast<std::uint32_t>(n);
    }
    return result;
}

std::vector<RecordedCommand> ScriptedDevice::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::size_t ScriptedDevice::pending_replies() const {
    std::lock_guard lock(mutex_);
    return replies_.size();
}

std::shared_ptr<ScriptedDevice> ScriptedProvider::add(char letter) {
    auto device = std::make_shared<ScriptedDevice>();
    devices_[letter] = device;
    return device;
}

void ScriptedProvider::refuse_open(char letter, OpenError error, int os_error,
                                   std::string message) {
    refusals_[letter] = Refusal{error, os_error, std::move(message)};
}

OpenResult ScriptedProvider::open(char letter) {
    ++opens_;
    OpenResult result;
    if (const auto refusal = refusals_.find(letter); refusal != refusals_.end()) {
        result.error = refusal->second.error;
        result.os_error = refusal->second.os_error;
        result.message = refusal->second.message;
        result.node = std::string("scripted ") + letter;
        return result;
    }
    const auto found = devices_.find(letter);
    if (found == devices_.end()) {
        result.error = OpenError::NotPresent;
        return result;
    }
    result.device = std::make_unique<ScriptedHandle>(found->second, open_handles_);
    result.node = std::string("scripted ") + letter;
    return result;
}

DeviceDescription ScriptedProvider::describe(char letter) {
    const bool exists = devices_.count(letter) != 0 || refusals_.count(letter) != 0;
    return DeviceDescription{exists, exists ? std::string("scripted ") + letter : std::string()};
}

std::unique_ptr<MediaNotificationHold> ScriptedProvider::suppress_media_notification(char letter) {
    if (fail_notification_ || devices_.count(letter) == 0) {
        return nullptr;
    }
    return std::make_unique<ScriptedNotificationHold>(notification_holds_);
}

}  // namespace qdu
