// A device that answers with what a test gives it and records every command it receives.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "simdrive/recorded_command.h"

namespace qdu {

struct ScriptedReply {
    ScsiResult result;
    std::vector<std::uint8_t> data;  // copied into a data-in buffer, as far as it reaches

    static ScriptedReply good(std::vector<std::uint8_t> data = {});
    static ScriptedReply check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
    static ScriptedReply status_only(std::uint8_t status);  // no sense at all
    static ScriptedReply undelivered(Delivery delivery, int os_error, std::string detail);
};

class ScriptedDevice {
public:
    // Replies are used in order; once they run out every command gets the default reply.
    void push(ScriptedReply reply);
    void set_default_reply(ScriptedReply reply);
    ScsiResult execute(const ScsiRequest& request);

    std::vector<RecordedCommand> received() const;
    std::size_t pending_replies() const;

private:
    mutable std::mutex mutex_;
    std::deque<ScriptedReply> replies_;
    ScriptedReply default_reply_ = ScriptedReply::good();
    std::vector<RecordedCommand> received_;
};

// Places scripted devices at letters. A letter without one has no device.
class ScriptedProvider final : public DeviceProvider {
public:
    std::shared_ptr<ScriptedDevice> add(char letter);
    void refuse_open(char letter, OpenError error, int os_error, std::string message);
    void fail_notification(bool fail) { fail_notification_ = fail; }

    OpenResult open(char letter) override;
    DeviceDescription describe(char letter) override;
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) override;

    int opens() const { return opens_; }
    int open_handles() const { return *open_handles_; }
    int notification_holds() const { return *notification_holds_; }

private:
    struct Refusal {
        OpenError error;
        int os_error;
        std::string message;
    };
    std::map<char, std::shared_ptr<ScriptedDevice>> devices_;
    std::map<char, Refusal> refusals_;
    bool fail_notification_ = false;
    int opens_ = 0;
    std::shared_ptr<int> open_handles_ = std::make_shared<int>(0);
    std::shared_ptr<int> notification_holds_ = std::make_shared<int>(0);
};

}  // namespace qdu
