#include "settings/apply_setting.h"

#include <nlohmann/json.hpp>

#include "settings/profile.h"
#include "settings/reading_page_logic.h"
#include "settings/setting_names.h"
#include "settings/system_page_logic.h"

namespace qdu {

namespace {

namespace rp = reading_page;
namespace sp = system_page;

constexpr const char* kVideoAudioLock =
    "the Video and Audio Mode is on and includes this setting; turn it off first: "
    "qdu set video-audio-mode off";
constexpr const char* kWritingLock =
    "the writing settings cannot be changed while Zeve Duzir Iraveri or the Video and Audio "
    "Mode is on; turn it off first: qdu set zeve-duzir-iraveri off (or video-audio-mode off)";
constexpr const char* kReadingLock =
    "the reading feature cannot be changed while Zeve Duzir Iraveri is on; turn it off first: "
    "qdu set zeve-duzir-iraveri off";

SettingChange refused(const char* why) {
    return SettingChange{true, false, why};
}

SettingChange already() {
    return SettingChange{false, true, {}};
}

SettingChange set_on_reading_page(ReadingPageLogic& page, std::string_view setting,
                                  std::uint8_t value) {
    PageState& st = page.state;
    if (setting == "reading-feature") {
        if (!st[rp::kFeatureCombo].enabled) {
            return refused(kReadingLock);
        }
        if (st.combo_selection == value) {
            return already();
        }
        page.select_feature(value);
        return {};
    }
    if (setting == "reading-mode") {
        if (!st[rp::kFeatureCombo].enabled) {
            return refused(kReadingLock);
        }
        if (st.combo_selection != static_cast<int>(ReadingFeature::AdvancedQuiet)) {
            return refused(
                "the rotation mode belongs to the Advanced Quiet Drive Feature; choose "
                "it first: qdu set reading-feature advanced-quiet");
        }
        const int radio = value == 3   ? rp::kPersistentQuiet
                          : value == 2 ? rp::kQuiet
                                       : rp::kPerformance;
        if (st.checked(radio)) {
            return already();
        }
        page.click(radio);
        return {};
    }
    if (setting == "clarivox") {
        const bool on = value != 0;
        if (!on) {
            if (!st.checked(rp::kClarivoxOn)) {
                return already();
            }
            page.click(rp::kClarivoxOn);
            return {};
        }
        const int radio = value == 1 ? rp::kPerfect : rp::kMaster;
        if (st.checked(rp::kClarivoxOn) && st.checked(radio)) {
            return already();
        }
        if (!st.checked(rp::kClarivoxOn)) {
            page.click(rp::kClarivoxOn);  // turns it on in Perfect Mode
        }
        if (!st.checked(radio)) {
            page.click(radio);
        }
        return {};
    }
    // real-time-clarivox
    if (!st[rp::kRealTime].shown) {
        return refused("this drive does not support Real Time Clarivox");
    }
    if (!st[rp::kRealTime].enabled) {
        return refused(
            "Real Time Clarivox works only with Clarivox on; turn it on first: qdu set "
            "clarivox perfect");
    }
    if (st.checked(rp::kRealTime) == (value == 1)) {
        return already();
    }
    page.click(rp::kRealTime);
    return {};
}

SettingChange set_on_system_page(SystemPageLogic& page, std::string_view setting,
                                 std::uint8_t value) {
    PageState& st = page.state;
    const bool on = value == 1;
    // "Already" is what the drive has, not what the box shows: a box that another setting
    // holds shows unchecked whatever the drive has.
    auto toggle = [&](int id, bool drive_has, const char* lock) -> SettingChange {
        if (drive_has == on) {
            return already();
        }
        if (!st[id].enabled || st.checked(id) != drive_has) {
            return refused(lock);
        }
        page.click(id);
        return {};
    };
    if (setting == "zeve-duzir-iraveri") {
        return toggle(sp::kPeakPowerReducer, get_peak_power_reducer(), kVideoAudioLock);
    }
    if (setting == "video-audio-mode") {
        return toggle(sp::kVideoAudio, video_audio_condition(), kVideoAudioLock);
    }
    if (setting == "led-off") {
        return toggle(sp::kLedOff, get_led_off(), kVideoAudioLock);
    }
    if (setting == "smooth-tray") {
        return toggle(sp::kSmoothTray, get_smooth_tray(), kVideoAudioLock);
    }
    if (setting == "bdr-high-speed") {
        page.select_media(sp::kBd);
        return toggle(sp::kBdrHighSpeed, get_bdr_high_speed(), kWritingLock);
    }
    // bd-write-mode or dvd-write-mode
    const bool bd = setting == "bd-write-mode";
    page.select_media(bd ? sp::kBd : sp::kDvd);
    const std::uint8_t current = bd ? get_bd_write_mode() : get_dvd_write_mode();
    if (current == value) {
        return already();
    }
    if (!st[sp::kOptimumWriting].enabled) {
        return refused(kWritingLock);
    }
    if (value == 0) {
        // A mode the page has no radio for shows the box unchecked: the page turns it off by
        // checking the box (its default mode) and unchecking it again.
        if (!st.checked(sp::kOptimumWriting)) {
            page.click(sp::kOptimumWriting);
        }
        page.click(sp::kOptimumWriting);
        return {};
    }
    if (!st.checked(sp::kOptimumWriting)) {
        page.click(sp::kOptimumWriting);  // turns it on in the media's default mode
    }
    const int radio = value == 1   ? sp::kSurfaceQuality
                      : value == 2 ? sp::kWriteQuality
                      : value == 3 ? sp::kOverSpeedProtection
                                   : sp::kSurfaceQualityHighSpeed;
    if (!st.checked(radio)) {
        page.click(radio);
    }
    return {};
}

}  // namespace

SettingsSnapshot read_settings() {
    SettingsSnapshot r;
    r.feature = get_reading_feature();
    r.mode = get_reading_mode();
    r.clarivox = get_clarivox_mode();
    r.real_time = get_real_time_clarivox();
    r.real_time_supported = get_real_time_clarivox_supported();
    r.high_speed_read = r.feature == ReadingFeature::HighSpeedRead;
    r.bd_write = get_bd_write_mode();
    r.dvd_write = get_dvd_write_mode();
    r.bdr_high_speed = get_bdr_high_speed();
    r.peak_power_reducer = get_peak_power_reducer();
    r.led_off = get_led_off();
    r.smooth_tray = get_smooth_tray();
    r.video_audio = video_audio_condition();
    return r;
}

std::string SettingsSnapshot::word(std::string_view setting) const {
    if (setting == "reading-feature") {
        return word_of(kReadingFeatureNames, static_cast<std::uint8_t>(feature));
    }
    if (setting == "reading-mode") {
        return word_of(kReadingModeNames, static_cast<std::uint8_t>(mode));
    }
    if (setting == "clarivox") {
        return word_of(kClarivoxNames, static_cast<std::uint8_t>(clarivox));
    }
    if (setting == "bd-write-mode") {
        return word_of(kWriteModeNames, bd_write);
    }
    if (setting == "dvd-write-mode") {
        return word_of(kWriteModeNames, dvd_write);
    }
    const bool on = setting == "real-time-clarivox"   ? real_time
                    : setting == "zeve-duzir-iraveri" ? peak_power_reducer
                    : setting == "video-audio-mode"   ? video_audio
                    : setting == "led-off"            ? led_off
                    : setting == "smooth-tray"        ? smooth_tray
                                                      : bdr_high_speed;
    return on ? "on" : "off";
}

std::string SettingsSnapshot::file_text(std::string_view model, char letter) const {
    const nlohmann::json j{
        {"profile_format", kProfileFormat},
        {"model", std::string(model)},
        {"drive", std::string(1, letter)},
        {"reading_feature", word_of(kReadingFeatureNames, static_cast<std::uint8_t>(feature))},
        {"reading_mode", word_of(kReadingModeNames, static_cast<std::uint8_t>(mode))},
        {"clarivox", word_of(kClarivoxNames, static_cast<std::uint8_t>(clarivox))},
        {"real_time_clarivox", real_time},
        {"real_time_clarivox_supported", real_time_supported},
        {"high_speed_read", high_speed_read},
        {"bd_write_mode", word_of(kWriteModeNames, bd_write)},
        {"dvd_write_mode", word_of(kWriteModeNames, dvd_write)},
        {"bdr_high_speed", bdr_high_speed},
        {"zeve_duzir_iraveri", peak_power_reducer},
        {"video_audio_mode", video_audio},
        {"led_off", led_off},
        {"smooth_tray", smooth_tray}};
    return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

SettingChange apply_setting(std::string_view setting, std::uint8_t value, bool save,
                            const ConfirmPrompt& prompt) {
    const bool reading = setting == "reading-feature" || setting == "reading-mode" ||
                         setting == "clarivox" || setting == "real-time-clarivox";
    SettingChange change;
    if (reading) {
        ReadingPageLogic page(prompt);
        page.on_initialise();
        page.state.check(rp::kSave, save);
        change = set_on_reading_page(page, setting, value);
        if (change.already && save) {
            page.click(rp::kSave);  // ticking the save box resends the page with saving
        }
    } else {
        SystemPageLogic page;
        page.on_initialise();
        page.state.check(sp::kSave, save);
        change = set_on_system_page(page, setting, value);
        if (change.already && save) {
            page.click(sp::kSave);
        }
    }
    return change;
}

SettingValues profile_changes(const SettingValues& wanted, const SettingsSnapshot& now) {
    auto wanted_word = [&wanted](std::string_view setting) {
        for (const auto& [name, value] : wanted) {
            if (name == setting) {
                return value;
            }
        }
        return std::string();
    };
    const std::string feature = wanted_word("reading-feature");
    SettingValues changes;
    for (const auto& [setting, value] : wanted) {
        if (setting == "reading-mode" && feature != "advanced-quiet" &&
            !(feature.empty() && now.feature == ReadingFeature::AdvancedQuiet)) {
            continue;
        }
        if (setting == "real-time-clarivox" &&
            (!now.real_time_supported || wanted_word("clarivox") == "off")) {
            continue;
        }
        if (now.word(setting) != value) {
            changes.emplace_back(setting, value);
        }
    }
    return changes;
}

ProfileOutcome apply_changes(const SettingValues& changes, bool save, const ConfirmPrompt& prompt) {
    ProfileOutcome outcome;
    bool cancelled = false;
    const ConfirmPrompt asked = [&](int id) {
        cancelled = !prompt(id);
        return !cancelled;
    };
    for (const auto& [setting, value] : changes) {
        if (read_settings().word(setting) == value && !save) {
            continue;  // an earlier change brought it along
        }
        const SettingChange change =
            apply_setting(setting, *value_of(find_setting(setting)->values, value), save, asked);
        if (change.refused) {
            outcome.refused.emplace_back(setting, change.reason);
        }
        if (cancelled) {
            outcome.cancelled_at = setting;
            return outcome;
        }
    }
    if (changes.empty() && save) {
        ReadingPageLogic reading(asked);
        reading.on_initialise();
        reading.click(reading_page::kSave);
        SystemPageLogic system;
        system.on_initialise();
        system.click(system_page::kSave);
    }
    const SettingsSnapshot after = read_settings();
    for (const auto& [setting, value] : changes) {
        if (std::string now = after.word(setting); now != value) {
            outcome.missing.emplace_back(setting, std::move(now));
        }
    }
    return outcome;
}

}  // namespace qdu
