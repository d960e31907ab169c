// One setting made as its page's clicks make it, and the settings as the drive reports them:
// what qdu set, qdu apply and the window's settings files share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/page_state.h"
#include "settings/setting_commands.h"

namespace qdu {

// Every setting as the drive reports it, read through the getters at one moment.
struct SettingsSnapshot {
    ReadingFeature feature{};
    ReadingMode mode{};
    ClarivoxMode clarivox{};
    bool real_time = false;
    bool real_time_supported = false;
    bool high_speed_read = false;
    std::uint8_t bd_write = 0;
    std::uint8_t dvd_write = 0;
    bool bdr_high_speed = false;
    bool peak_power_reducer = false;
    bool led_off = false;
    bool smooth_tray = false;
    bool video_audio = false;

    // A setting's value in the words qdu set takes.
    std::string word(std::string_view setting) const;
    // As a settings file: what qdu --json settings writes and qdu apply reads.
    std::string file_text(std::string_view model, char letter) const;
};
SettingsSnapshot read_settings();

// What making a setting came to: done (clicks sent), already so, or refused before anything
// was sent because another setting holds it (`reason` says which, and how to free it).
struct SettingChange {
    bool refused = false;
    bool already = false;
    std::string reason;
};
// `setting` and `value` as qdu set names them (kSettableSettings); the page's questions go to
// `prompt`. With `save`, the page's "Save setting to the drive" box is ticked.
SettingChange apply_setting(std::string_view setting, std::uint8_t value, bool save,
                            const ConfirmPrompt& prompt);

// A settings file's wishes (setting, value as qdu set words them), in the order they are made.
using SettingValues = std::vector<std::pair<std::string, std::string>>;

// What the file asks of the drive as it is now. What only follows from another setting is left
// to it: the rotation mode needs the Advanced Quiet feature, Real Time Clarivox needs Clarivox
// and a drive that has it.
SettingValues profile_changes(const SettingValues& wanted, const SettingsSnapshot& now);

struct ProfileOutcome {
    std::string cancelled_at;  // the setting whose page question was answered Cancel
    SettingValues refused;     // (setting, why) for those another setting held
    SettingValues missing;     // (setting, what the drive has) for those that did not take
    bool complete() const { return cancelled_at.empty() && refused.empty() && missing.empty(); }
};
// Makes the changes one after the other, each as its page does (an earlier one may bring a
// later one along), then reads the drive back. With `save` and no changes, each page is sent
// again with its save box ticked.
ProfileOutcome apply_changes(const SettingValues& changes, bool save, const ConfirmPrompt& prompt);

}  // namespace qdu
