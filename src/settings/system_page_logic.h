// The " Setting1 " page without a screen: system settings and writing modes.
#pragma once

#include "settings/page_state.h"
#include "settings/setting_commands.h"

namespace qdu {

namespace system_page {
inline constexpr int kMediaCombo = 1000;
inline constexpr int kSave = 1006;
inline constexpr int kBdrHighSpeed = 1053;
inline constexpr int kOptimumWriting = 1055;
inline constexpr int kWriteQuality = 1056;
inline constexpr int kSurfaceQuality = 1057;
inline constexpr int kPeakPowerReducer = 1059;
inline constexpr int kVideoAudio = 1060;
inline constexpr int kSurfaceQualityHighSpeed = 1062;
inline constexpr int kLedOff = 1067;
inline constexpr int kSmoothTray = 1081;
inline constexpr int kOverSpeedProtection = 1083;

inline constexpr int kBd = 0;
inline constexpr int kDvd = 1;
}  // namespace system_page

// Zeve Duzir Iraveri, LED OFF and smooth tray on with BD-R high speed recording off.
bool video_audio_condition();

class SystemPageLogic {
public:
    SystemPageLogic();

    PageState state;

    void RefreshFromDrive();
    void ApplySystemSettings();
    void ApplyWritingSettings();

    void on_initialise() { RefreshFromDrive(); }
    void on_command(int control_id);
    void on_selection_change() { RefreshFromDrive(); }
    void on_shown() { RefreshFromDrive(); }

    // A user's click: change the one control, then run its event. Disabled or hidden
    // controls cannot be clicked; returns false for them and does nothing.
    bool click(int control_id);
    bool select_media(int index);
};

}  // namespace qdu
