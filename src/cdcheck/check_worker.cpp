#include "cdcheck/check_worker.h"

#include <cmath>
#include <condition_variable>
#include <optional>

#include "cdcheck/bounded_thread.h"
#include "cdcheck/check_commands.h"
#include "cdcheck/grading.h"
#include "drive/discovery.h"
#include "drive/transport.h"
#include "status/media_types.h"
#include "status/status_commands.h"

namespace qdu {

namespace {

constexpr int kCalibrationPasses = 10;
constexpr int kSettlePasses = 20;
constexpr std::chrono::milliseconds kSettleStep{100};
// Between attempts to find the inserted disc, so that waiting does not spin.
constexpr std::chrono::milliseconds kDiscPollPause{100};
constexpr int kMaxFailures = 3;
constexpr std::uint32_t kEstimateFramesPerSecond = 600;
constexpr std::uint32_t kCdRomTypeCode = 0x0109;

std::uint32_t remaining_seconds(std::uint32_t span, std::uint32_t passed, CheckMode mode) {
    std::uint32_t seconds = span >= passed ? (span - passed) / kEstimateFramesPerSecond : 0;
    if (mode == Quick) {
        seconds = static_cast<std::uint32_t>(seconds / 3.6);
    }
    return seconds;
}

class Worker {
public:
    explicit Worker(std::shared_ptr<CheckContext> context) : ctx_(std::move(context)) {}

    void run() {
        eject_disc();
        suppress_media_notification();
        set_check_mode(CheckModeCode::Prepare);
        if (!wait_for_disc()) {
            eject_disc();
            set_check_mode(CheckModeCode::Finish);
            restore_media_notification();
            post(WM_CHECK_END, Stopped);
            return;
        }
        post(WM_CHECK_STAGE, 0);
        prevent_medium_removal();
        if (!check_disc_gate(ctx_->cancel_requested)) {
            allow_medium_removal();
            eject_disc();
            set_check_mode(CheckModeCode::Finish);
            restore_media_notification();
            post(WM_CHECK_END, NotAvailable);
            return;
        }
        find_media_type(kCdRomTypeCode);
        set_check_mode(CheckModeCode::Measure);
        measure();
        finish();
    }

private:
    bool cancelled() const { return ctx_->cancel_requested; }

    void post(CheckMessage message, std::uint32_t wparam, std::uint32_t lparam = 0) {
        if (ctx_->sink) {
            ctx_->sink->post(CheckEvent{message, wparam, lparam});
        }
    }

    // A drive that no longer takes requests (unplugged, for example) ends the check: that is
    // not a finding about the disc.
    bool drive_lost() const { return drive_device().last_status == DeviceUnavailable; }

    bool wait_for_disc() {
        for (;;) {
            if (wait_disc_ready()) {
                return true;
            }
            if (cancelled() || drive_lost()) {
                return false;
            }
            sleep_for(kDiscPollPause);
        }
    }

    void calibrate(std::uint32_t probe_address) {
        Geometry geometry;
        for (int pass = 0; pass < kCalibrationPasses; ++pass) {
            if (cancelled()) {
                return;
            }
            geometry = probe_geometry(probe_address);
            if (!geometry.ok) {
                return;
            }
        }
        const double growth =
            geometry.linear_velocity * geometry.track_pitch / 75 / 3.1415926535 * 1048576;
        // A reply of zeros would collapse every radius onto 25 mm, and one far outside what a
        // CD can be (1.2 to 1.4 m/s, 1.5 to 1.7 µm) would throw them off the disc.
        const bool plausible = geometry.linear_velocity > 0.5 && geometry.linear_velocity < 3.0 &&
                               geometry.track_pitch > 0.5 && geometry.track_pitch < 3.0;
        if (plausible && std::isfinite(growth)) {
            RadiusModel().growth = growth;
        }
    }

    void settle() {
        for (int pass = 0; pass < kSettlePasses && !cancelled(); ++pass) {
            sleep_for(kSettleStep);
        }
    }

    std::uint32_t percent_of(std::uint32_t position) const {
        if (span_ == 0) {
            return 100;  // a disc of one sector: nothing to divide by
        }
        if (position < base_) {
            return 0;  // before the first track's start
        }
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(position - base_) * 100 /
                                          span_);
    }

    void record(S_RAW_DATA& sample, std::uint32_t radius_address, int track) {
        std::lock_guard lock(ctx_->dialog_lock);
        ctx_->current_radius = radius_of_address(radius_address);
        sample.radius = ctx_->current_radius;
        sample.track = static_cast<std::uint8_t>(track);
        sample.check_level = grade_sample(sample);
        if (sample.check_level != LevelA) {
            add_point(sample);
            ctx_->findings.push_back(sample);
        }
        CInspectionResult& r = check_result();
        r.last_track = std::max(r.last_track, track);
    }

    void measure() {
        const TrackTableRecord& table = TrackTable();
        const int first = table.first_track;
        const int last = table.last_track;
        const TrackEntry& first_entry = table.entries[static_cast<std::size_t>(first)];
        const TrackEntry& last_entry = table.entries[static_cast<std::size_t>(last)];
        base_ = first_entry.start + kCheckAddressOffset;
        span_ = last_entry.end - first_entry.start;

        calibrate(drive_address(last_entry.end + kCheckAddressOffset));
        settle();

        posted_seconds_ = remaining_seconds(span_, 0, ctx_->mode);
        post(WM_CHECK_REMAINING, posted_seconds_);

        {
            std::lock_guard lock(ctx_->dialog_lock);
            ctx_->current_radius = radius_of_address(base_);
        }
        ctx_->animation_stop = false;
        if (ctx_->animation) {
            animation_ = std::make_unique<BoundedThread>(
                [context = ctx_, animate = ctx_->animation] { animate(context); });
        }

        for (int t = first; t <= last; ++t) {
            if (cancelled() || lost_) {
                break;
            }
            post(WM_CHECK_STAGE, 1, static_cast<std::uint32_t>(t + last * 256));
            measure_track(t);
            if (t >= last && !lost_) {
                completed_ = true;
            }
        }
    }

    void measure_track(int t) {
        const TrackEntry entry = TrackTable().entries[static_cast<std::size_t>(t)];
        const std::uint32_t track_end = entry.end + kCheckAddressOffset;
        std::uint32_t pos = entry.start + kCheckAddressOffset;
        int failures = 0;
        // Where reading last failed: a sample that gets no further than that does not count
        // as progress, or a drive that reads up to a bad spot and fails just after it would
        // be restarted there for ever.
        std::optional<std::uint32_t> failed_at;
        // Where the last Quick jump landed: a sample read there is progress even when the
        // first read there failed, so failures do not add up across jumps.
        // (A flag and a value: GCC's optimiser misreads an optional here.)
        bool jumped = false;
        std::uint32_t jumped_to = 0;
        posted_percent_ = 0;
        S_RAW_DATA& sample = sample_;

        for (bool first_pass = true;; first_pass = false) {
            if (!first_pass && (pos >= track_end || cancelled())) {
                return;
            }
            if (first_pass && cancelled()) {
                return;
            }
            bool failed = !control_measurement(MeasureAction::Start, drive_address(pos));
            if (!failed) {
                if (cancelled()) {
                    return;
                }
                for (;;) {
                    if (!read_measurement(sample)) {
                        control_measurement(MeasureAction::Stop, drive_address(pos));
                        failed = true;
                        break;
                    }
                    sample.read_ok = true;
                    record(sample, sample.position, t);
                    const std::uint32_t percent = percent_of(sample.position);
                    if (percent != posted_percent_) {
                        posted_percent_ = percent;
                        post(WM_CHECK_PROGRESS, percent);
                    }
                    pos = sample.position;
                    if (!failed_at || pos > *failed_at || (jumped && pos >= jumped_to)) {
                        failures = 0;
                        failed_at.reset();
                    }
                    jumped = false;
                    const std::uint32_t passed = pos >= base_ ? pos - base_ : 0;
                    const std::uint32_t seconds = remaining_seconds(span_, passed, ctx_->mode);
                    if (seconds != posted_seconds_) {
                        posted_seconds_ = seconds;
                        post(WM_CHECK_REMAINING, seconds);
                    }
                    if (ctx_->mode == Quick && sample.span_valid && sample.aux_valid) {
                        control_measurement(MeasureAction::Stop, drive_address(pos));
                        double radius = 0.0;
                        {
                            std::lock_guard lock(ctx_->dialog_lock);
                            radius = ctx_->current_radius;
                        }
                        // Always onwards, even where the model's rounding would step back.
                        pos = std::max(address_of_radius(radius + 0.05), pos + 1);
                        jumped = true;
                        jumped_to = pos;
                        break;
                    }
                    if (pos >= track_end) {
                        control_measurement(MeasureAction::Stop, drive_address(pos));
                        return;
                    }
                    if (cancelled()) {
                        return;
                    }
                }
            }
            if (!failed) {
                continue;  // a Quick jump: measure again at the new position
            }
            failed_at = pos;
            if (drive_lost()) {
                lost_ = true;
                return;
            }
            if (++failures < kMaxFailures) {
                continue;
            }
            // Three failures in a row: the rest of the track is given up as one D.
            sample.read_ok = false;
            sample.minor_errors = 0;
            sample.major_errors = 0;
            sample.aux_a = 0;
            sample.aux_b = 0;
            sample.span_valid = true;
            sample.aux_valid = true;
            sample.position = pos;
            record(sample, pos + 38, t);
            return;
        }
    }

    void finish() {
        allow_medium_removal();
        if (animation_) {
            ctx_->animation_stop = true;
            animation_->wait(kThreadWait);
        }
        eject_disc();
        set_check_mode(CheckModeCode::Finish);
        restore_media_notification();
        post(WM_CHECK_END, completed_ ? Finished : Stopped);
    }

    std::shared_ptr<CheckContext> ctx_;
    std::uint32_t base_ = 0;
    std::uint32_t span_ = 0;
    std::uint32_t posted_percent_ = 0;
    std::uint32_t posted_seconds_ = 0;
    bool completed_ = false;
    bool lost_ = false;
    S_RAW_DATA sample_{};
    std::unique_ptr<BoundedThread> animation_;
};

}  // namespace

int check_worker(std::shared_ptr<CheckContext> context) {
    Worker(std::move(context)).run();
    return 0;
}

CheckRun::CheckRun(std::shared_ptr<CheckContext> context)
    : context_(context),
      thread_(std::make_unique<BoundedThread>([context] { check_worker(context); })) {}

CheckRun::~CheckRun() = default;

bool CheckRun::wait(std::chrono::milliseconds bound) {
    return thread_->wait(bound);
}

bool CheckRun::cancel_and_wait(std::chrono::milliseconds bound) {
    context_->cancel_requested = true;
    return wait(bound);
}

}  // namespace qdu
