#include "status/status_page_logic.h"

#include <gtest/gtest.h>

#include "support/gui_fixture.h"

namespace qdu {
namespace {

namespace st = status_page;
using qdu::testing::take_commands;

class StatusPage : public ::testing::Test {
protected:
    void start(const std::string& drive_lines) {
        bus = qdu::testing::install_scenario("drive E\ncode MXR 2750LC58\n" + drive_lines);
        bus->drive('E')->set_clock([this] { return now; });
        ASSERT_TRUE(open_drive('E'));
        send_command(CommandBlock{0x00}, DataDirection::NoData);
        bus->drive('E')->clear_received();
        status_page_visible() = true;
    }
    void TearDown() override {
        status_page_visible() = false;
        qdu::testing::uninstall_scenario();
    }

    std::shared_ptr<SimulatedBus> bus;
    double now = 50.0;
};

TEST_F(StatusPage, CountersGiveLevelWordAndNumbers) {
    struct Case {
        const char* counters;
        ErrorLevel level;
        const char* word;
        bool red;
    };
    for (const Case c :
         {Case{"2 1000 0", 5, "Not Good", false}, Case{"100 1000 0", 8, "Fatal", true},
          Case{"99 4000 0", 7, "Bad", false}, Case{"0 5000 0", 0, "Perfect", false},
          Case{"1 8001 0", 1, "Better", false}, Case{"1 8000 0", 2, "Good", false}}) {
        start(std::string("disc audio-cd\naudio-playing no\ncounters ") + c.counters + "\n");
        StatusPageLogic page;
        page.on_initialise();
        page.on_timer();
        EXPECT_EQ(page.state.level, c.level) << c.counters;
        EXPECT_EQ(page.state.text(st::kQualityWord), c.word) << c.counters;
        EXPECT_EQ(page.state.quality_word_red(), c.red) << c.counters;
    }
    EXPECT_EQ(StatusPageLogic().state.text(st::kQualityWord), "---");
}

TEST_F(StatusPage, PlayingAudioCountsAndClearStartsAgain) {
    start("disc audio-cd\nerror-rate 0.002\ncounters 0 0 4500\n");
    StatusPageLogic page;
    page.on_initialise();
    now += 20.0;  // 1500 sectors at single speed
    page.on_timer();
    EXPECT_EQ(page.state.text(st::kSectors), "1500");
    EXPECT_EQ(page.state.text(st::kTime), "01:20:00");
    EXPECT_EQ(page.state.level, 5);
    page.on_clear();
    page.on_timer();
    EXPECT_EQ(page.state.text(st::kSectors), "0");
    EXPECT_EQ(page.state.text(st::kQualityWord), "Perfect");
    EXPECT_EQ(page.state.text(st::kTime), "01:20:00");  // the position goes on
}

TEST_F(StatusPage, TickReadsInTheOrderOfThePage) {
    start("disc cd-r\n");
    StatusPageLogic page;
    page.on_initialise();
    take_commands(*bus->drive('E'));
    page.on_timer();
    const std::vector<std::string> expected = {
        "READ F4",                              // RT supported?
        "3C 02 F5 00 00 00 00 00 20 00 00 00",  // counters
        "51 00 00 00 00 00 00 00 22 00 00 00",  // ready?
        "3B 02 E1 00 00 00 00 00 20 00 00 00",  // media-code request
        "3C 02 E1 00 00 00 00 00 20 00 00 00",  // its answer
        "51 00 00 00 00 00 00 00 22 00 00 00",  // status
        "51 00 00 00 00 00 00 00 22 00 00 00",  // sessions
        "51 00 00 00 00 00 00 00 22 00 00 00",  // tracks
        "51 00 00 00 00 00 00 00 22 00 00 00",  // identifier: code again
        "3B 02 E1 00 00 00 00 00 20 00 00 00",
        "3C 02 E1 00 00 00 00 00 20 00 00 00",
        "43 00 04 00 00 00 00 08 00 00 00 00",  // ATIP
        "READ F4"};                             // speed limit
    EXPECT_EQ(take_commands(*bus->drive('E')), expected);
    EXPECT_EQ(page.state.text(st::kTypeLabel), "Disc Type");
    EXPECT_EQ(page.state.text(st::kType), "CD-R");
    EXPECT_EQ(page.state.text(st::kStatusLabel), "Disc Status");
    EXPECT_EQ(page.state.text(st::kStatus), "Finalized Disc");
    EXPECT_EQ(page.state.text(st::kIdentifierLabel), "MID");
    EXPECT_EQ(page.state.text(st::kIdentifier), "97:24:01 - 79:59:71");
    EXPECT_EQ(page.state.text(st::kSessions), "1");
    EXPECT_EQ(page.state.text(st::kTracks), "1");
    EXPECT_EQ(page.state.text(st::kWarning), " ");
}

TEST_F(StatusPage, HiddenTabSendsNothing) {
    start("disc cd-r\n");
    StatusPageLogic page;
    page.on_initialise();
    take_commands(*bus->drive('E'));
    status_page_visible() = false;
    page.on_timer();
    EXPECT_TRUE(take_commands(*bus->drive('E')).empty());
    EXPECT_EQ(page.state.text(st::kType), " ");  // blank until the first tick
}

TEST_F(StatusPage, WithoutRealTimeClarivoxTheCountersAreNotRead) {
    start("real-time-clarivox-supported no\ndisc bd-re\n");
    StatusPageLogic page;
    page.on_initialise();
    EXPECT_FALSE(page.state.counters_shown);
    EXPECT_EQ(page.state.text(st::kIndicatorTitle), "Does not support Real Time Clarivox.");
    take_commands(*bus->drive('E'));
    page.on_timer();
    const auto commands = take_commands(*bus->drive('E'));
    for (const auto& c : commands) {
        EXPECT_NE(c.rfind("3C 02 F5", 0), 0U) << "counters read";
    }
    EXPECT_EQ(page.state.text(st::kType), "BD-RE Single");
}

TEST_F(StatusPage, EmptyDriveShowsTheNoDiscLineAndBlanks) {
    start("speed-limit-warning yes\n");
    StatusPageLogic page;
    page.on_initialise();
    page.on_timer();
    EXPECT_EQ(page.state.text(st::kTypeLabel), "No disc is found.");
    for (const int id : {st::kType, st::kStatusLabel, st::kStatus, st::kSessions, st::kTracks,
                         st::kIdentifier, st::kWarning}) {
        EXPECT_EQ(page.state.text(id), " ") << id;
    }
}

TEST_F(StatusPage, SpeedLimitWarningOnlyForOne) {
    start("speed-limit-warning yes\ndisc dvd-r\n");
    StatusPageLogic page;
    page.on_initialise();
    page.on_timer();
    EXPECT_EQ(page.state.text(st::kWarning),
              "The disc or temp, the drive limits the read/write speed.");
    EXPECT_TRUE(page.state.speed_limited);
}

}  // namespace
}  // namespace qdu
