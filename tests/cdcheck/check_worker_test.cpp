// Whole checks against the simulated drive: the messages, the result and the drive's state.
#include "cdcheck/check_worker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "cdcheck/check_commands.h"
#include "cdcheck/event_queue.h"
#include "status/status_commands.h"
#include "support/gui_fixture.h"

namespace qdu {
namespace {

class RecordingSink final : public CheckEventSink {
public:
    void post(const CheckEvent& event) override {
        std::lock_guard lock(mutex);
        events.push_back(event);
    }
    std::vector<CheckEvent> of(CheckMessage message) {
        std::lock_guard lock(mutex);
        std::vector<CheckEvent> found;
        for (const CheckEvent& e : events) {
            if (e.message == message) {
                found.push_back(e);
            }
        }
        return found;
    }
    // The first and last events (of one kind), or an event no worker posts when there is none,
    // so that a missing event fails the test instead of crashing the binary.
    CheckEvent first(std::optional<CheckMessage> message = std::nullopt) {
        const auto list = message ? of(*message) : all();
        return list.empty() ? kNone : list.front();
    }
    CheckEvent last(std::optional<CheckMessage> message = std::nullopt) {
        const auto list = message ? of(*message) : all();
        return list.empty() ? kNone : list.back();
    }
    std::vector<CheckEvent> all() {
        std::lock_guard lock(mutex);
        return events;
    }
    static constexpr CheckEvent kNone{static_cast<CheckMessage>(0), 0, 0};
    std::mutex mutex;
    std::vector<CheckEvent> events;
};

class CheckWorker : public ::testing::Test {
protected:
    // The drive's clock moves only when the check sleeps, so every check is instant.
    void start(const std::string& disc_lines) {
        bus = qdu::testing::install_scenario("drive D\ncode MXR 2750LC58\n" + disc_lines);
        bus->drive('D')->set_clock([this] { return now.load(); });
        set_sleeper([this](std::chrono::milliseconds ms) {
            now = now.load() + static_cast<double>(ms.count()) / 1000.0;
        });
        ASSERT_TRUE(open_drive('D'));
        send_command(CommandBlock{0x00}, DataDirection::NoData);
        RadiusModel() = RadiusModelRecord{};
        reset_result();
        sink = std::make_shared<RecordingSink>();
        context = std::make_shared<CheckContext>();
        context->sink = sink;
    }
    void TearDown() override {
        set_sleeper(nullptr);
        qdu::testing::uninstall_scenario();
    }

    void run(CheckMode mode = Full) {
        context->mode = mode;
        CheckRun check(context);
        ASSERT_TRUE(check.wait(std::chrono::seconds(20)));
    }

    void expect_drive_left_alone() {
        SimulatedDrive& d = *bus->drive('D');
        EXPECT_FALSE(d.medium_removal_prevented());
        EXPECT_TRUE(d.tray_open());
        EXPECT_EQ(d.check_mode(), 2);
        EXPECT_FALSE(d.media_notification_suppressed());
        EXPECT_FALSE(d.measuring());
        ASSERT_FALSE(sink->events.empty());
        EXPECT_EQ(sink->last().message, WM_CHECK_END);
        EXPECT_EQ(sink->of(WM_CHECK_END).size(), 1U);
    }

    std::shared_ptr<SimulatedBus> bus;
    std::atomic<double> now{100.0};
    std::shared_ptr<RecordingSink> sink;
    std::shared_ptr<CheckContext> context;
};

std::string tracks(int count, const char* length = "00:30:00") {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += std::string("track 1 audio ") + length + "\n";
    }
    return lines;
}

TEST_F(CheckWorker, FullCheckOfTenTracks) {
    start("disc cd-rom\n" + tracks(10) + "insert-after 1\n");
    run();
    EXPECT_EQ(sink->first(), (CheckEvent{WM_CHECK_STAGE, 0, 0}));
    const auto stages = sink->of(WM_CHECK_STAGE);
    ASSERT_EQ(stages.size(), 11U);
    for (std::uint32_t t = 1; t <= 10; ++t) {
        EXPECT_EQ(stages[t], (CheckEvent{WM_CHECK_STAGE, 1, 0x0A00 + t})) << t;
    }
    // span = 10 tracks of 30 s (2250 frames) - 1 = 22499 frames: 37 s at the estimate's pace.
    EXPECT_EQ(sink->first(WM_CHECK_REMAINING).wparam, 37U);
    EXPECT_EQ(sink->last(WM_CHECK_REMAINING).wparam, 0U);
    EXPECT_GE(sink->last(WM_CHECK_PROGRESS).wparam, 99U);
    EXPECT_EQ(sink->last(), (CheckEvent{WM_CHECK_END, Finished, 0}));
    EXPECT_EQ(check_result().last_track, 10);
    EXPECT_EQ(check_result().disc_level, LevelA);
    expect_drive_left_alone();
    // The probe calibrated the model from the drive's 1.2 m/s and 1.6 µm.
    const double lv = std::floor(1.2 * 16384) / 16384;
    const double tp = std::floor(1.6 * 8192) / 8192;
    EXPECT_DOUBLE_EQ(RadiusModel().growth, lv * tp / 75 / 3.1415926535 * 1048576);
}

TEST_F(CheckWorker, AnHourOfMusicEstimates450SecondsOr125Quick) {
    start("disc cd-rom\ntrack 1 audio 60:00:01\n");
    run(Full);
    EXPECT_EQ(sink->first(WM_CHECK_REMAINING).wparam, 450U);
    start("disc cd-rom\ntrack 1 audio 60:00:01\n");
    run(Quick);
    EXPECT_EQ(sink->first(WM_CHECK_REMAINING).wparam, 125U);
    EXPECT_EQ(sink->last(), (CheckEvent{WM_CHECK_END, Finished, 0}));
    expect_drive_left_alone();
}

TEST_F(CheckWorker, QuickChecksFarFewerSamplesThanFull) {
    auto samples = [this] {
        std::size_t count = 0;
        for (const auto& c : bus->drive('D')->received()) {
            count += (c.cdb[0] == 0x3C && c.cdb[2] == 0xE6) ? 1 : 0;
        }
        return count;
    };
    start("disc audio-cd\n");
    run(Full);
    const auto full = samples();
    start("disc audio-cd\n");
    run(Quick);
    const auto quick = samples();
    EXPECT_LT(quick * 3, full);
    EXPECT_EQ(sink->last(), (CheckEvent{WM_CHECK_END, Finished, 0}));
}

TEST_F(CheckWorker, RecordableCdIsNotAvailable) {
    start("disc cd-r-audio\n");
    run();
    ASSERT_EQ(sink->events.size(), 2U);
    EXPECT_EQ(sink->first(), (CheckEvent{WM_CHECK_STAGE, 0, 0}));
    EXPECT_EQ(sink->events[1], (CheckEvent{WM_CHECK_END, NotAvailable, 0}));
    expect_drive_left_alone();
}

TEST_F(CheckWorker, GateVerdictsOnTheScenarioDiscs) {
    struct Case {
        const char* disc;
        bool usable;
        int last_track;
    };
    for (const Case c :
         {Case{"audio-cd", true, 12}, Case{"cd-r-audio", false, 0}, Case{"mixed-mode-cd", false, 0},
          Case{"enhanced-cd", true, 10}, Case{"pre-emphasis-cd", true, 8},
          Case{"dvd-rom", false, 0}, Case{"bd-r", false, 0}}) {
        start(std::string("disc ") + c.disc + "\n");
        std::atomic<bool> cancel{false};
        EXPECT_EQ(check_disc_gate(cancel), c.usable) << c.disc;
        if (c.usable) {
            EXPECT_EQ(TrackTable().first_track, 1) << c.disc;
            EXPECT_EQ(TrackTable().last_track, c.last_track) << c.disc;
        }
    }
}

TEST_F(CheckWorker, CancelWhileTheTrayIsOpen) {
    start("disc audio-cd\ninsert-after never\n");
    context->mode = Full;
    CheckRun check(context);
    while (bus->drive('D')->check_mode() != 0) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(check.cancel_and_wait(std::chrono::seconds(20)));
    ASSERT_EQ(sink->events.size(), 1U);
    EXPECT_EQ(sink->first(), (CheckEvent{WM_CHECK_END, Stopped, 0}));
    expect_drive_left_alone();
    int ejects = 0;
    for (const auto& c : bus->drive('D')->received()) {
        ejects += c.cdb[0] == 0x1B ? 1 : 0;
    }
    EXPECT_EQ(ejects, 2);
}

TEST_F(CheckWorker, CancelWhileMeasuringStops) {
    start("disc audio-cd\n");
    // Cancel as soon as the third track is reached.
    struct CancellingSink final : CheckEventSink {
        std::shared_ptr<RecordingSink> inner;
        CheckContext* context = nullptr;
        void post(const CheckEvent& e) override {
            inner->post(e);
            if (e.message == WM_CHECK_STAGE && e.wparam == 1 && (e.lparam & 0xFF) == 3) {
                context->cancel_requested = true;
            }
        }
    };
    auto cancelling = std::make_shared<CancellingSink>();
    cancelling->inner = sink;
    cancelling->context = context.get();
    context->sink = cancelling;
    run();
    EXPECT_EQ(sink->last(), (CheckEvent{WM_CHECK_END, Stopped, 0}));
    EXPECT_EQ(check_result().last_track, 2);
    expect_drive_left_alone();
}

TEST_F(CheckWorker, ThreeUnreadableSamplesGiveOneDAndTheCheckGoesOn) {
    // Track 4 starts at 01:32:00 (check address 6900); it is unreadable from 01:40:00.
    start("disc cd-rom\n" + tracks(6) + "defect 01:40:00 01:50:00 unreadable\n");
    run();
    EXPECT_EQ(check_result().points_d.size(), 1U);
    EXPECT_EQ(check_result().track_level[4], LevelD);
    EXPECT_EQ(check_result().track_level[5], LevelA);
    EXPECT_EQ(check_result().last_track, 6);
    EXPECT_EQ(sink->last(), (CheckEvent{WM_CHECK_END, Finished, 0}));
    ASSERT_EQ(context->findings.size(), 1U);
    EXPECT_FALSE(context->findings[0].read_ok);
    EXPECT_EQ(context->findings[0].track, 4);
    expect_drive_left_alone();
}

// A drive that needs one retry wherever it lands has no defect, in either mode; a stretch that
// never reads is given up as one D in both.
TEST_F(CheckWorker, RetriedReadsAreNoDefectButAnUnreadableStretchIsOneD) {
    for (const CheckMode mode : {Full, Quick}) {
        SCOPED_TRACE(mode == Full ? "Full" : "Quick");
        start("disc cd-rom\n" + tracks(3) + "defect 00:00:00 01:35:00 flaky\n");
        run(mode);
        EXPECT_TRUE(check_result().points_d.empty());
        EXPECT_EQ(check_result().disc_level, LevelA);
        EXPECT_EQ(sink->last(), (CheckEvent{WM_CHECK_END, Finished, 0}));

        // Track 2 starts at 00:32:00; 00:40:00 to 00:45:00 never reads.
        start("disc cd-rom\n" + tracks(3) + "defect 00:40:00 00:45:00 unreadable\n");
        run(mode);
        EXPECT_EQ(check_result().points_d.size(), 1U);
        EXPECT_EQ(check_result().track_level[1], LevelA);
        EXPECT_EQ(check_result().track_level[2], LevelD);
        EXPECT_EQ(check_result().track_level[3], LevelA);
        expect_drive_left_alone();
    }
}

TEST_F(CheckWorker, DefectsGradeTheirTracks) {
    start("disc cd-rom\n" + tracks(4) +
          "defect 00:10:00 00:15:00 level-b\n"
          "defect 00:40:00 00:41:00 level-c\n"
          "defect 01:10:00 01:11:00 aux-level-d\n");
    run();
    const CInspectionResult& r = check_result();
    EXPECT_EQ(r.track_level[1], LevelB);
    EXPECT_EQ(r.track_level[2], LevelC);
    EXPECT_EQ(r.track_level[3], LevelD);
    EXPECT_EQ(r.track_level[4], LevelA);
    EXPECT_EQ(r.disc_level, LevelD);
    EXPECT_FALSE(r.points_b.empty());
    EXPECT_FALSE(r.points_c.empty());
    EXPECT_FALSE(r.points_d.empty());
}

TEST_F(CheckWorker, OneSectorDiscDoesNotDivideByZero) {
    start("disc cd-rom\ntrack 1 audio 00:00:01\n");
    run();
    EXPECT_EQ(sink->last(), (CheckEvent{WM_CHECK_END, Finished, 0}));
    ASSERT_FALSE(sink->of(WM_CHECK_PROGRESS).empty());
    EXPECT_EQ(sink->last(WM_CHECK_PROGRESS).wparam, 100U);
}

TEST_F(CheckWorker, GeometryOfZerosKeepsTheModel) {
    start("disc cd-rom\n" + tracks(2) + "geometry 0 0\n");
    RadiusModel().growth = 8000.0;
    run();
    EXPECT_DOUBLE_EQ(RadiusModel().growth, 8000.0);
    start("disc cd-rom\n" + tracks(2) + "geometry 3 1.6\n");  // no CD turns that fast
    RadiusModel().growth = 8000.0;
    run();
    EXPECT_DOUBLE_EQ(RadiusModel().growth, 8000.0);
    EXPECT_EQ(sink->last(), (CheckEvent{WM_CHECK_END, Finished, 0}));
}

TEST_F(CheckWorker, AnimationRunsWhileMeasuringAndIsStopped) {
    start("disc cd-rom\n" + tracks(3));
    std::atomic<int> frames{0};
    std::atomic<bool> started{false};
    std::atomic<bool> saw_stop{false};
    context->animation = [&](std::shared_ptr<CheckContext> c) {
        started = true;
        while (!c->animation_stop) {
            {
                std::lock_guard lock(c->dialog_lock);
                EXPECT_GE(c->current_radius, 25.0);
            }
            ++frames;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        saw_stop = true;
    };
    run();
    // The instant drive may finish before a frame is drawn; the thread must still have run
    // and have ended because it was told to.
    EXPECT_TRUE(started);
    EXPECT_TRUE(saw_stop);
}

TEST_F(CheckWorker, LateMessagesOfAWorkerLeftBehindGoNowhere) {
    auto queue = std::make_shared<CheckEventQueue>();
    queue->post(CheckEvent{WM_CHECK_PROGRESS, 5, 0});
    queue->close();
    queue->post(CheckEvent{WM_CHECK_END, Finished, 0});
    EXPECT_FALSE(queue->pop(std::chrono::milliseconds(0)).has_value());
}

}  // namespace
}  // namespace qdu
