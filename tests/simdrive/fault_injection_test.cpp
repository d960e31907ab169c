// Drives that fail: nothing hangs past its bound, nothing crashes, and nothing writes the
// drive's settings that the user did not ask for.
#include <gtest/gtest.h>

#include <sstream>

#include "cdcheck/check_result.h"
#include "cdcheck/check_worker.h"
#include "settings/reading_page_logic.h"
#include "settings/system_page_logic.h"
#include "simdrive/faulty_device.h"
#include "simdrive/scenario.h"
#include "status/status_commands.h"
#include "status/status_page_logic.h"
#include "support/command_text.h"

namespace qdu {
namespace {

using Kind = FaultPlan::Kind;

class Faults : public ::testing::Test {
protected:
    void start(FaultPlan plan, const std::string& disc = "disc audio-cd\n") {
        reset_drive_access();
        std::istringstream in("drive D\ncode MXR 2750LC58\n" + disc);
        bus = std::make_shared<SimulatedBus>(parse_scenario(in, "faults"));
        bus->drive('D')->set_clock([this] { return now.load(); });
        faulty = std::make_shared<FaultyProvider>(bus, FaultPlan{});
        install_device_provider(faulty);
        set_sleeper([this](std::chrono::milliseconds ms) {
            ++sleeps;
            now = now.load() + static_cast<double>(ms.count()) / 1000.0;
        });
        ASSERT_TRUE(open_drive('D'));
        send_command(CommandBlock{0x00}, DataDirection::NoData);  // the power-on reset
        bus->drive('D')->clear_received();
        plan.after_commands += faulty->commands();
        faulty->set_plan(plan);
    }
    void TearDown() override {
        set_sleeper(nullptr);
        reset_drive_access();
        install_device_provider(nullptr);
    }

    // Commands that change the drive's settings.
    std::vector<std::string> setting_writes() {
        std::vector<std::string> writes;
        for (const auto& t : testing::command_texts(bus->drive('D')->received())) {
            if (t.rfind("FN", 0) == 0 || t == "ZERO" || t.rfind("SPEED", 0) == 0) {
                writes.push_back(t);
            }
        }
        return writes;
    }

    EndCode run_check() {
        auto context = std::make_shared<CheckContext>();
        struct Last final : CheckEventSink {
            std::atomic<int> end{-1};
            void post(const CheckEvent& e) override {
                if (e.message == WM_CHECK_END) {
                    end = static_cast<int>(e.wparam);
                }
            }
        };
        auto sink = std::make_shared<Last>();
        context->sink = sink;
        CheckRun run(context);
        EXPECT_TRUE(run.wait(std::chrono::seconds(20)));
        return static_cast<EndCode>(sink->end.load());
    }

    std::shared_ptr<SimulatedBus> bus;
    std::shared_ptr<FaultyProvider> faulty;
    std::atomic<double> now{10.0};
    int sleeps = 0;
};

TEST_F(Faults, SettingsPageWithAVanishingDriveWritesNoMoreAndShowsOff) {
    start(FaultPlan{Kind::DeviceGone, 5, 3, 0});
    SystemPageLogic page;
    page.on_initialise();  // the drive goes during the refresh
    page.click(system_page::kLedOff);
    EXPECT_TRUE(setting_writes().empty());
    EXPECT_FALSE(page.state.checked(system_page::kLedOff));
    EXPECT_EQ(drive_device().last_status, DeviceUnavailable);
    EXPECT_GT(drive_device().undelivered_since_open, 0);
}

TEST_F(Faults, EndlessUnitAttentionsAreBoundedEverywhere) {
    start(FaultPlan{Kind::EndlessUnitAttention, 5, 0, 0});
    const long before = faulty->commands();
    StatusPageLogic status;
    status.on_initialise();
    status.tick();
    EXPECT_EQ(status.state.text(status_page::kTypeLabel), "No disc is found.");
    ReadingPageLogic reading([](int) { return true; });
    reading.on_initialise();
    EXPECT_EQ(reading.state.combo_selection, 0);
    // Every command was tried the bounded number of times and no more.
    const long sent = faulty->commands() - before;
    EXPECT_GT(sent, 0);
    EXPECT_EQ(sent % 16, 0);  // 16 attempts of each command
}

TEST_F(Faults, StatusTickWithTimeoutsAndEmptySenseStaysBounded) {
    for (const Kind kind : {Kind::Timeout, Kind::CheckWithoutSense, Kind::OsError}) {
        start(FaultPlan{kind, 5, 0, 0});
        StatusPageLogic page;
        page.on_initialise();
        page.tick();
        EXPECT_EQ(page.state.text(status_page::kTypeLabel), "No disc is found.");
        EXPECT_LE(sleeps, kDiscReadyAttempts);
        EXPECT_TRUE(setting_writes().empty());
        sleeps = 0;
    }
}

TEST_F(Faults, ShortTransfersReadAsZerosBeyondWhatCame) {
    start(FaultPlan{Kind::ShortTransfer, 5, 0, 0}, "disc dvd-ram\n");
    StatusPageLogic page;
    page.on_initialise();
    page.tick();
    EXPECT_EQ(page.state.text(status_page::kType), "DVD-RAM");
    // The manufacturer's text lies beyond the half that came: it reads as nothing.
    EXPECT_EQ(page.state.text(status_page::kIdentifier), "");
}

TEST_F(Faults, ACheckWhoseDriveVanishesStopsInsteadOfReportingTheDiscBad) {
    start(FaultPlan{Kind::DeviceGone, 5, 0, 0x3C},
          "disc cd-rom\ntrack 1 audio 00:30:00\n"
          "track 1 audio 00:30:00\n");
    // The drive goes at the first READ BUFFER, the measurement's first sample.
    faulty->set_plan(FaultPlan{Kind::DeviceGone, 5, 0, 0x3C});
    reset_result();
    EXPECT_EQ(run_check(), Stopped);
    EXPECT_TRUE(check_result().points_d.empty());
}

TEST_F(Faults, ACheckWaitingForADiscEndsWhenTheDriveVanishes) {
    start(FaultPlan{}, "disc audio-cd\ninsert-after never\n");
    faulty->set_plan(FaultPlan{Kind::DeviceGone, 5, faulty->commands() + 6, 0});
    EXPECT_EQ(run_check(), Stopped);
}

}  // namespace
}  // namespace qdu
