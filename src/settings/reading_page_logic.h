// The " Setting2 " page without a screen: reading feature, rotation mode and Clarivox.
#pragma once

#include "settings/page_state.h"
#include "settings/setting_commands.h"

namespace qdu {

namespace reading_page {
inline constexpr int kFeatureCombo = 1000;
inline constexpr int kPersistentQuiet = 1003;
inline constexpr int kQuiet = 1004;
inline constexpr int kPerformance = 1005;
inline constexpr int kSave = 1006;
inline constexpr int kClarivoxOn = 1007;
inline constexpr int kPerfect = 1008;
inline constexpr int kMaster = 1009;
inline constexpr int kRealTime = 1010;

inline constexpr int kPromptDisableRealTime = 137;
inline constexpr int kPromptEnableAdvancedQuiet = 213;
}  // namespace reading_page

class ReadingPageLogic {
public:
    explicit ReadingPageLogic(ConfirmPrompt confirm);

    PageState state;

    void RefreshFromDrive();
    void ShowReadingModeRadios();
    void ApplyReadingSettings();

    // Events of the page.
    void on_initialise() { RefreshFromDrive(); }
    void on_command(int control_id);
    void on_selection_change() { ApplyReadingSettings(); }
    void on_shown() { RefreshFromDrive(); }

    // A user's click: change the one control, then run its event. Disabled or hidden
    // controls cannot be clicked; returns false for them and does nothing.
    bool click(int control_id);
    bool select_feature(int index);

private:
    void send_feature(ReadingMode mode, bool high_speed_read, bool save);

    ConfirmPrompt confirm_;
};

}  // namespace qdu
