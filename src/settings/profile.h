// A settings file: what 'qdu --json settings' writes, read back to be applied. Each setting is
// checked against the names and values qdu set takes; anything else refuses the whole file.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qdu {

inline constexpr int kProfileFormat = 1;

// The settings a file can carry, in the order they are applied: what locks the others (the
// Video and Audio Mode, Zeve Duzir Iraveri) comes first, so that turning it off frees them.
struct ProfileKey {
    std::string_view key;      // in the file
    std::string_view setting;  // as qdu set names it
};
inline constexpr ProfileKey kProfileKeys[] = {
    {"video_audio_mode", "video-audio-mode"},
    {"zeve_duzir_iraveri", "zeve-duzir-iraveri"},
    {"reading_feature", "reading-feature"},
    {"reading_mode", "reading-mode"},
    {"clarivox", "clarivox"},
    {"real_time_clarivox", "real-time-clarivox"},
    {"bd_write_mode", "bd-write-mode"},
    {"dvd_write_mode", "dvd-write-mode"},
    {"bdr_high_speed", "bdr-high-speed"},
    {"led_off", "led-off"},
    {"smooth_tray", "smooth-tray"},
};

// (setting, value) in the order they are applied. Empty, with `error` saying why in one line,
// when the text is not a settings file for a drive of `model`.
std::vector<std::pair<std::string, std::string>> parse_profile(std::string_view text,
                                                               std::string_view model,
                                                               std::string& error);

}  // namespace qdu
