// The whole check worker against a drive whose every status, sense and reply comes from the
// input. It must always end, post WM_CHECK_END last, leave the tray unlocked, media notification
// on, the check mode finished and no measurement running, and never read or write out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "cdcheck/check_commands.h"
#include "cdcheck/check_worker.h"
#include "drive/transport.h"
#include "status/status_commands.h"

using namespace qdu;

namespace {

// Answers each command from the next bytes of the input: one byte picks the outcome, then
// come sense or data. When the input runs out the drive is gone, as when it is unplugged.
class InputDrive final : public PassThroughDevice, public DeviceProvider {
public:
    InputDrive(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // What the drive is left with: the tray lock, the check mode last asked for, whether a
    // measurement the drive started was never asked to stop.
    ScsiResult execute(const ScsiRequest& request) override {
        if (request.cdb[0] == 0x1E) {
            locked_ = (request.cdb[4] & 1) != 0;
        }
        const bool block = request.cdb[0] == 0x3B && request.data.size() >= 3;
        const bool mode = block && request.data[0] == 0x91 && request.data[1] == 0x60;
        const bool measure = block && request.data[0] == 0xFF && request.data[1] == 0x02;
        if (mode) {
            last_mode_ = request.data[2];
        }
        const bool start = measure && request.data[2] == 0;
        if (measure && !start) {
            measuring_ = false;
        }
        const ScsiResult result = answer(request);
        if (start && result.good()) {
            measuring_ = true;
        }
        return result;
    }

    ScsiResult answer(const ScsiRequest& request) {
        ScsiResult result;
        if (at_ >= size_) {
            result.delivery = Delivery::DeviceGone;
            return result;
        }
        const std::uint8_t pick = data_[at_++];
        switch (pick % 4) {
            case 0: {  // GOOD with data
                const std::size_t n = std::min(request.data.size(), size_ - at_);
                if (request.direction == DataDirection::DataIn) {
                    std::memcpy(request.data.data(), data_ + at_, n);
                }
                at_ += std::min<std::size_t>(n, pick / 4 + 1);
                return result;
            }
            case 1: {  // CHECK CONDITION with sense
                result.scsi_status = kStatusCheckCondition;
                const std::size_t n = std::min<std::size_t>(18, size_ - at_);
                std::memcpy(result.sense.data(), data_ + at_, n);
                at_ += n;
                return result;
            }
            case 2:  // another status, empty sense
                result.scsi_status = static_cast<std::uint8_t>(pick);
                return result;
            default: result.delivery = Delivery::OsError; return result;
        }
    }

    OpenResult open(char) override {
        OpenResult r;
        r.device = std::make_unique<Forward>(this);
        return r;
    }
    DeviceDescription describe(char) override { return {true, "fuzz"}; }
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char) override {
        return std::make_unique<Hold>(holds_);
    }

    bool locked() const { return locked_; }
    // Left as the check found it: notification on, check mode finished (when it was ever
    // changed), no measurement running.
    bool restored() const {
        return *holds_ == 0 && (last_mode_ < 0 || last_mode_ == 2) && !measuring_;
    }

private:
    struct Forward final : PassThroughDevice {
        explicit Forward(InputDrive* drive) : drive_(drive) {}
        ScsiResult execute(const ScsiRequest& r) override { return drive_->execute(r); }
        InputDrive* drive_;
    };

    struct Hold final : MediaNotificationHold {
        explicit Hold(std::shared_ptr<int> count) : holds(std::move(count)) { ++*holds; }
        ~Hold() override { --*holds; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        std::shared_ptr<int> holds;
    };

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool locked_ = false;
    std::shared_ptr<int> holds_ = std::make_shared<int>(0);
    int last_mode_ = -1;
    bool measuring_ = false;
};

class LastMessage final : public CheckEventSink {
public:
    void post(const CheckEvent& e) override {
        std::lock_guard lock(mutex);
        if (ended) {
            __builtin_trap();  // nothing may follow WM_CHECK_END
        }
        ended = e.message == WM_CHECK_END;
    }
    std::mutex mutex;
    bool ended = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    set_sleeper([](std::chrono::milliseconds) {});
    auto drive = std::make_shared<InputDrive>(data, size);
    reset_drive_access();
    install_device_provider(drive);
    open_drive('D');
    RadiusModel() = RadiusModelRecord{};
    TrackTable() = TrackTableRecord{};
    reset_result();

    auto context = std::make_shared<CheckContext>();
    auto sink = std::make_shared<LastMessage>();
    context->sink = sink;
    context->mode = (size & 1) != 0 ? Quick : Full;
    check_worker(context);
    if (!sink->ended || drive->locked() || !drive->restored()) {
        __builtin_trap();
    }
    reset_drive_access();
    install_device_provider(nullptr);
    return 0;
}
