// The three settings pages driven by clicks against the simulated drive: the commands the
// drive received and the controls the page shows afterwards.
#include <gtest/gtest.h>

#include "settings/reading_page_logic.h"
#include "settings/system_page_logic.h"
#include "settings/utility_page_logic.h"
#include "simdrive/scenario.h"
#include "support/command_text.h"

namespace qdu {
namespace {

using testing::command_texts;
using testing::writes_only;
using Texts = std::vector<std::string>;

namespace rp = reading_page;
namespace sp = system_page;

class PageFlow : public ::testing::Test {
protected:
    void start(DriveSettings settings, bool real_time_supported = true) {
        reset_drive_access();
        DriveProfile profile;
        profile.identification_code = "MXR 2750LC58";
        profile.settings = settings;
        profile.real_time_clarivox_supported = real_time_supported;
        bus = std::make_shared<SimulatedBus>(Scenario{"test", {DriveSetup{'E', profile}}});
        install_device_provider(bus);
        ASSERT_TRUE(open_drive('E'));
        send_command(CommandBlock{0x00}, DataDirection::NoData);  // takes the power-on reset
        drive().clear_received();
    }
    void TearDown() override {
        reset_drive_access();
        install_device_provider(nullptr);
    }

    SimulatedDrive& drive() { return *bus->drive('E'); }
    Texts sent() {
        Texts texts = command_texts(drive().received());
        drive().clear_received();
        return texts;
    }

    ConfirmPrompt answer(bool ok) {
        return [this, ok](int id) {
            prompts.push_back(id);
            return ok;
        };
    }

    std::shared_ptr<SimulatedBus> bus;
    std::vector<int> prompts;
};

// Six reads with Clarivox on; without it the Real Time state is not read.
const Texts kReadingRefresh(6, "READ F4");
const Texts kReadingRefreshClarivoxOff(5, "READ F4");

DriveSettings quiet_with_clarivox(ClarivoxMode mode, bool real_time) {
    DriveSettings s;
    s.clarivox_on = mode != ClarivoxMode::Off;
    s.clarivox_high = clarivox_parameter(mode).high;
    s.clarivox_low = clarivox_parameter(mode).low;
    s.real_time_clarivox = real_time;
    return s;
}

// --- reading page ---------------------------------------------------------------------------

TEST_F(PageFlow, RefreshShowsTheFactoryState) {
    start(DriveSettings{});
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    EXPECT_EQ(sent(), kReadingRefreshClarivoxOff);
    EXPECT_EQ(page.state.combo_selection, 1);
    EXPECT_TRUE(page.state[rp::kQuiet].shown);
    EXPECT_TRUE(page.state.checked(rp::kQuiet));
    EXPECT_FALSE(page.state.checked(rp::kClarivoxOn));
    EXPECT_FALSE(page.state[rp::kPerfect].enabled);
    EXPECT_FALSE(page.state[rp::kRealTime].enabled);
    EXPECT_TRUE(page.state[rp::kRealTime].shown);
}

TEST_F(PageFlow, TickingClarivoxOnSendsPerfectWithoutRealTime) {
    start(DriveSettings{});
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    sent();
    ASSERT_TRUE(page.click(rp::kClarivoxOn));
    Texts expected{"READ F4", "ZERO", "FN 08 00 00 00 00 00 00", "SPEED 82",
                   "FN 01 80 01 FE 01 00 00"};
    expected.insert(expected.end(), kReadingRefresh.begin(), kReadingRefresh.end());
    EXPECT_EQ(sent(), expected);
    EXPECT_TRUE(page.state.checked(rp::kClarivoxOn));
    EXPECT_TRUE(page.state.checked(rp::kPerfect));
    EXPECT_TRUE(page.state[rp::kMaster].enabled);
    EXPECT_TRUE(page.state[rp::kRealTime].enabled);
    EXPECT_TRUE(drive().current_settings().clarivox_on);
    EXPECT_FALSE(drive().saved_settings().clarivox_on);
}

TEST_F(PageFlow, SavingAdvancedQuietSendsThePresetFirst) {
    DriveSettings s;
    s.reading_mode = 3;  // persistent quiet
    start(s);
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    page.state.check(rp::kSave, true);
    sent();
    ASSERT_TRUE(page.select_feature(1));
    Texts expected{"READ F4",  "ZERO",     "FN 08 00 00 01 00 00 00",
                   "SPEED 82", "SPEED C3", "FN 01 80 00 00 00 01 00"};
    expected.insert(expected.end(), kReadingRefreshClarivoxOff.begin(),
                    kReadingRefreshClarivoxOff.end());
    EXPECT_EQ(sent(), expected);
    EXPECT_EQ(drive().saved_settings().reading_mode, 3);

    page.state.check(rp::kSave, false);
    page.select_feature(1);
    EXPECT_EQ(writes_only(sent()),
              (Texts{"ZERO", "FN 08 00 00 00 00 00 00", "SPEED 83", "FN 01 80 00 00 00 00 00"}));
}

TEST_F(PageFlow, HiddenRadiosKeepTheirCheckMarks) {
    DriveSettings s;
    s.reading_mode = 1;  // performance
    start(s);
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    page.select_feature(0);
    EXPECT_FALSE(page.state[rp::kPerformance].shown);
    EXPECT_TRUE(page.state.checked(rp::kPerformance));
    EXPECT_EQ(drive().current_settings().reading_mode, 0);
    sent();
    page.select_feature(1);
    EXPECT_EQ(writes_only(sent())[2], "SPEED 81");
    EXPECT_TRUE(page.state[rp::kPerformance].shown);
}

TEST_F(PageFlow, AdvancedQuietFromNeverShownRadiosIsQuiet) {
    DriveSettings s;
    s.reading_mode = 0;
    start(s);
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    EXPECT_FALSE(page.state[rp::kQuiet].shown);
    sent();
    page.select_feature(1);
    EXPECT_EQ(writes_only(sent())[2], "SPEED 82");
}

TEST_F(PageFlow, HighSpeedReadTurnsTheFeatureOn) {
    start(DriveSettings{});
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    sent();
    page.select_feature(2);
    EXPECT_EQ(writes_only(sent()),
              (Texts{"ZERO", "FN 08 00 01 00 00 00 00", "SPEED 80", "FN 01 80 00 00 00 00 00"}));
    EXPECT_EQ(page.state.combo_selection, 2);
    EXPECT_FALSE(page.state[rp::kQuiet].shown);
}

TEST_F(PageFlow, LeavingAdvancedQuietWithRealTimeOnAsksFirst) {
    start(quiet_with_clarivox(ClarivoxMode::Perfect, true));
    ReadingPageLogic cancel(answer(false));
    cancel.on_initialise();
    ASSERT_TRUE(cancel.state.checked(rp::kRealTime));
    sent();
    cancel.select_feature(0);
    EXPECT_EQ(prompts, (std::vector<int>{rp::kPromptDisableRealTime}));
    EXPECT_TRUE(writes_only(sent()).empty());
    EXPECT_EQ(cancel.state.combo_selection, 1);

    ReadingPageLogic ok(answer(true));
    ok.on_initialise();
    sent();
    ok.select_feature(0);
    EXPECT_EQ(writes_only(sent()),
              (Texts{"ZERO", "FN 08 00 00 00 00 00 00", "SPEED 80", "FN 01 80 01 FE 01 00 00"}));
    EXPECT_EQ(ok.state.combo_selection, 0);
    EXPECT_FALSE(ok.state.checked(rp::kRealTime));
}

TEST_F(PageFlow, RealTimeOutsideAdvancedQuietSwitchesToQuiet) {
    DriveSettings s = quiet_with_clarivox(ClarivoxMode::Master, false);
    s.reading_mode = 0;
    start(s);
    ReadingPageLogic cancel(answer(false));
    cancel.on_initialise();
    sent();
    cancel.click(rp::kRealTime);
    EXPECT_EQ(prompts, (std::vector<int>{rp::kPromptEnableAdvancedQuiet}));
    EXPECT_TRUE(writes_only(sent()).empty());
    EXPECT_FALSE(cancel.state.checked(rp::kRealTime));

    ReadingPageLogic ok(answer(true));
    ok.on_initialise();
    sent();
    ok.click(rp::kRealTime);
    EXPECT_EQ(writes_only(sent()),
              (Texts{"ZERO", "FN 08 00 00 00 00 00 00", "SPEED 82", "FN 01 80 01 08 40 00 01"}));
    EXPECT_EQ(ok.state.combo_selection, 1);
    EXPECT_TRUE(ok.state.checked(rp::kQuiet));
    EXPECT_TRUE(ok.state.checked(rp::kRealTime));
}

TEST_F(PageFlow, ZeveDuzirIraveriLocksTheReadingFeature) {
    DriveSettings s;
    s.peak_power_reducer = true;
    start(s);
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    EXPECT_FALSE(page.state[rp::kFeatureCombo].enabled);
    EXPECT_FALSE(page.state[rp::kQuiet].enabled);
    EXPECT_FALSE(page.select_feature(0));
    EXPECT_FALSE(page.click(rp::kQuiet));
    sent();
    page.click(rp::kClarivoxOn);
    EXPECT_EQ(sent(), (Texts{"READ F4", "FN 01 80 01 FE 01 00 00", "READ F4", "READ F4", "READ F4",
                             "READ F4", "READ F4", "READ F4"}));
}

TEST_F(PageFlow, UnsupportedRealTimeIsHiddenButStillCarried) {
    start(quiet_with_clarivox(ClarivoxMode::Perfect, false), false);
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    EXPECT_FALSE(page.state[rp::kRealTime].shown);
    EXPECT_FALSE(page.click(rp::kRealTime));
    sent();
    page.click(rp::kMaster);
    EXPECT_EQ(writes_only(sent()).back(), "FN 01 80 01 08 40 00 00");
    EXPECT_TRUE(page.state.checked(rp::kMaster));
}

TEST_F(PageFlow, TickingSaveResendsEverythingSaved) {
    start(quiet_with_clarivox(ClarivoxMode::Master, true));
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    sent();
    page.click(rp::kSave);
    EXPECT_EQ(writes_only(sent()), (Texts{"ZERO", "FN 08 00 00 01 00 00 00", "SPEED 81", "SPEED C2",
                                          "FN 01 80 01 08 40 01 01"}));
    EXPECT_EQ(drive().saved_settings(), drive().current_settings());
}

TEST_F(PageFlow, UntickingClarivoxDisablesItsModes) {
    start(quiet_with_clarivox(ClarivoxMode::Perfect, false));
    ReadingPageLogic page(answer(true));
    page.on_initialise();
    page.click(rp::kClarivoxOn);
    EXPECT_FALSE(page.state.checked(rp::kClarivoxOn));
    EXPECT_FALSE(page.state[rp::kPerfect].enabled);
    EXPECT_FALSE(page.state[rp::kRealTime].enabled);
    EXPECT_FALSE(drive().current_settings().clarivox_on);
}

// --- system and writing page -----------------------------------------------------------------

TEST_F(PageFlow, VideoAndAudioModeSetsFiveSettingsAndLocksThePage) {
    start(DriveSettings{});
    SystemPageLogic page;
    page.on_initialise();
    sent();
    ASSERT_TRUE(page.click(sp::kVideoAudio));
    EXPECT_EQ(writes_only(sent()),
              (Texts{"ZERO", "FN 08 00 00 00 00 00 00", "ZERO", "FN 0D 00 00 00 00 00 00", "ZERO",
                     "FN 0A 00 01 00 00 00 00", "ZERO", "FN 0C 00 01 00 00 00 00", "ZERO",
                     "FN 0B 00 01 00 00 00 00"}));
    const PageState& st = page.state;
    EXPECT_TRUE(st.checked(sp::kVideoAudio));
    EXPECT_FALSE(st.checked(sp::kPeakPowerReducer));
    EXPECT_FALSE(st[sp::kPeakPowerReducer].enabled);
    EXPECT_TRUE(st.checked(sp::kLedOff));
    EXPECT_FALSE(st[sp::kLedOff].enabled);
    EXPECT_TRUE(st.checked(sp::kSmoothTray));
    EXPECT_FALSE(st[sp::kSmoothTray].enabled);
    EXPECT_FALSE(st[sp::kOptimumWriting].enabled);
    EXPECT_FALSE(st[sp::kBdrHighSpeed].enabled);
    EXPECT_TRUE(st[sp::kMediaCombo].enabled);

    // Unticking it leaves LED OFF and smooth tray on: their boxes are still checked.
    page.click(sp::kVideoAudio);
    EXPECT_EQ(writes_only(sent()),
              (Texts{"ZERO", "FN 0A 00 00 00 00 00 00", "ZERO", "FN 0C 00 01 00 00 00 00", "ZERO",
                     "FN 0B 00 01 00 00 00 00"}));
    EXPECT_FALSE(page.state.checked(sp::kVideoAudio));
    EXPECT_TRUE(page.state.checked(sp::kLedOff));
    EXPECT_TRUE(page.state[sp::kLedOff].enabled);
    EXPECT_TRUE(page.state[sp::kOptimumWriting].enabled);
}

TEST_F(PageFlow, ZeveDuzirIraveriAloneDisablesTheWritingGroup) {
    DriveSettings s;
    s.peak_power_reducer = true;
    s.led_off = true;
    start(s);
    SystemPageLogic page;
    page.on_initialise();
    EXPECT_TRUE(page.state.checked(sp::kPeakPowerReducer));
    EXPECT_TRUE(page.state[sp::kPeakPowerReducer].enabled);
    EXPECT_FALSE(page.state.checked(sp::kVideoAudio));
    EXPECT_FALSE(page.state[sp::kOptimumWriting].enabled);
    EXPECT_FALSE(page.state[sp::kWriteQuality].enabled);
    EXPECT_TRUE(page.state[sp::kMediaCombo].enabled);

    // Saving resends only the system group while Zeve Duzir Iraveri is checked.
    sent();
    page.click(sp::kSave);
    EXPECT_EQ(writes_only(sent()),
              (Texts{"ZERO", "FN 08 00 00 01 00 00 00", "ZERO", "FN 0D 00 00 01 00 00 00", "ZERO",
                     "FN 0A 00 01 01 00 00 00", "ZERO", "FN 0C 00 01 01 00 00 00", "ZERO",
                     "FN 0B 00 00 01 00 00 00"}));
}

TEST_F(PageFlow, SwitchingMediaSendsNothingAndShowsTheOtherMode) {
    DriveSettings s;
    s.bd_write_mode = 3;
    s.dvd_write_mode = 1;
    start(s);
    SystemPageLogic page;
    page.on_initialise();
    EXPECT_TRUE(page.state.checked(sp::kOverSpeedProtection));
    sent();
    page.select_media(sp::kDvd);
    EXPECT_TRUE(writes_only(sent()).empty());
    EXPECT_TRUE(page.state.checked(sp::kSurfaceQuality));
    EXPECT_TRUE(page.state.checked(sp::kOptimumWriting));
    EXPECT_FALSE(page.state[sp::kWriteQuality].shown);
    EXPECT_FALSE(page.state[sp::kBdrHighSpeed].shown);
}

TEST_F(PageFlow, OptimumWritingWithoutRadioPicksEachMediasDefault) {
    DriveSettings s;
    s.dvd_write_mode = 3;
    start(s);
    SystemPageLogic page;
    page.on_initialise();
    sent();
    page.click(sp::kOptimumWriting);
    EXPECT_EQ(writes_only(sent()),
              (Texts{"ZERO", "FN 0D 00 00 00 00 00 00", "ZERO", "FN 09 00 02 03 00 00 00"}));
    EXPECT_EQ(drive().current_settings().bd_write_mode, 2);
    EXPECT_EQ(drive().current_settings().dvd_write_mode, 3);
    EXPECT_TRUE(page.state.checked(sp::kWriteQuality));
    EXPECT_TRUE(page.state[sp::kSurfaceQuality].enabled);

    page.select_media(sp::kDvd);
    page.click(sp::kOptimumWriting);  // off
    page.click(sp::kOptimumWriting);  // on again with no radio checked
    EXPECT_EQ(drive().current_settings().dvd_write_mode, 4);
    EXPECT_EQ(drive().current_settings().bd_write_mode, 2);
}

TEST_F(PageFlow, WritingApplySendsBdrFirstThenReadsTheOtherMedia) {
    start(DriveSettings{});
    SystemPageLogic page;
    page.on_initialise();
    sent();
    page.click(sp::kBdrHighSpeed);
    const Texts texts = sent();
    ASSERT_GE(texts.size(), 5U);
    EXPECT_EQ(
        (Texts{texts.begin(), texts.begin() + 5}),
        (Texts{"ZERO", "FN 0D 00 01 00 00 00 00", "READ F4", "ZERO", "FN 09 00 00 00 00 00 00"}));
    EXPECT_TRUE(page.state.checked(sp::kBdrHighSpeed));
}

TEST_F(PageFlow, DvdWriteQualityShowsNoVisibleRadio) {
    DriveSettings s;
    s.dvd_write_mode = 2;
    start(s);
    SystemPageLogic page;
    page.on_initialise();
    page.select_media(sp::kDvd);
    EXPECT_TRUE(page.state.checked(sp::kOptimumWriting));
    EXPECT_TRUE(page.state.checked(sp::kWriteQuality));
    EXPECT_FALSE(page.state[sp::kWriteQuality].shown);
    EXPECT_FALSE(page.click(sp::kBdrHighSpeed));  // hidden for DVD
    page.click(sp::kSave);
    EXPECT_EQ(drive().current_settings().dvd_write_mode, 4);
}

// --- utility page ---------------------------------------------------------------------------

TEST_F(PageFlow, RestoreAsksAndThenSendsTheFactorySequence) {
    DriveSettings s = quiet_with_clarivox(ClarivoxMode::Master, true);
    s.led_off = true;
    s.bd_write_mode = 4;
    s.reading_mode = 1;
    start(s);
    UtilityPageLogic cancel(answer(false));
    EXPECT_FALSE(cancel.click_restore());
    EXPECT_TRUE(sent().empty());

    UtilityPageLogic ok(answer(true));
    EXPECT_TRUE(ok.click_restore());
    EXPECT_EQ(sent().size(), 16U);
    EXPECT_EQ(prompts,
              (std::vector<int>{utility_page::kPromptRestore, utility_page::kPromptRestore}));
    EXPECT_EQ(drive().saved_settings(), DriveSettings{});
    EXPECT_EQ(drive().current_settings(), DriveSettings{});

    ReadingPageLogic reading(answer(true));
    reading.on_shown();
    EXPECT_EQ(reading.state.combo_selection, 1);
    EXPECT_TRUE(reading.state.checked(rp::kQuiet));
    EXPECT_FALSE(reading.state.checked(rp::kClarivoxOn));
    SystemPageLogic system;
    system.on_shown();
    for (const int id : {sp::kPeakPowerReducer, sp::kVideoAudio, sp::kLedOff, sp::kSmoothTray,
                         sp::kBdrHighSpeed, sp::kOptimumWriting}) {
        EXPECT_FALSE(system.state.checked(id)) << id;
    }
}

// --- the simulated drive's own rules --------------------------------------------------------

TEST_F(PageFlow, DriveRefusesUnknownFunctionsAndValuesAndChangesNothing) {
    start(DriveSettings{});
    EXPECT_FALSE(write_settings_block(function_block(static_cast<SettingFunction>(0x0E), 0, 1, 1)));
    EXPECT_EQ(drive_device().last_status, CommandError);
    EXPECT_FALSE(write_settings_block(function_block(SettingFunction::WriteModes, 0, 5, 0, 1)));
    EXPECT_FALSE(write_settings_block(function_block(SettingFunction::LedOff, 0, 2, 0)));
    EXPECT_FALSE(
        write_settings_block(function_block(SettingFunction::Clarivox, 0x80, 1, 0x12, 0x34)));
    EXPECT_EQ(drive().current_settings(), DriveSettings{});
    EXPECT_FALSE(send_command(set_cd_speed_command(0x84), DataDirection::NoData));
    EXPECT_EQ(drive().current_settings().reading_mode, 2);
}

TEST_F(PageFlow, PowerCycleBringsBackTheSavedValues) {
    start(DriveSettings{});
    set_led_off(true, true);
    set_smooth_tray(true, false);
    set_reading_mode(ReadingMode::Performance, false);
    EXPECT_TRUE(get_smooth_tray());
    drive().power_cycle();
    EXPECT_FALSE(send_command(CommandBlock{0x00}, DataDirection::NoData));
    EXPECT_EQ(drive_device().last_status, MediumNotPresent);  // the reset was repeated through
    EXPECT_TRUE(get_led_off());
    EXPECT_FALSE(get_smooth_tray());
    EXPECT_EQ(get_reading_mode(), ReadingMode::Quiet);
}

TEST_F(PageFlow, RealTimeIsRefusedWhereItIsNotSupported) {
    start(DriveSettings{}, false);
    set_clarivox(ClarivoxMode::Perfect, true, false);
    EXPECT_FALSE(get_real_time_clarivox());
    EXPECT_EQ(get_clarivox_mode(), ClarivoxMode::Off);
}

}  // namespace
}  // namespace qdu
