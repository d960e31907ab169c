#include "settings/reading_page_logic.h"

namespace qdu {

using namespace reading_page;

namespace {

constexpr int kRadioGroupModes[] = {kPersistentQuiet, kQuiet, kPerformance};
constexpr int kRadioGroupClarivox[] = {kPerfect, kMaster};

template <std::size_t N>
bool in(const int (&group)[N], int id) {
    for (const int member : group) {
        if (member == id) {
            return true;
        }
    }
    return false;
}

}  // namespace

ReadingPageLogic::ReadingPageLogic(ConfirmPrompt confirm)
    : state({kFeatureCombo, kPersistentQuiet, kQuiet, kPerformance, kSave, kClarivoxOn, kPerfect,
             kMaster, kRealTime}),
      confirm_(std::move(confirm)) {}

void ReadingPageLogic::send_feature(ReadingMode mode, bool high_speed_read, bool save) {
    set_high_speed_read(high_speed_read, save);
    if (save) {
        preset_reading_mode(mode);
    }
    set_reading_mode(mode, save);
}

void ReadingPageLogic::ApplyReadingSettings() {
    const bool save = state.checked(kSave);
    bool real_time_declined = false;

    if (!get_peak_power_reducer()) {
        if (state.combo_selection == static_cast<int>(ReadingFeature::AdvancedQuiet)) {
            ReadingMode mode = ReadingMode::Quiet;
            if (state.checked(kPersistentQuiet)) {
                mode = ReadingMode::PersistentQuiet;
            } else if (state.checked(kQuiet)) {
                mode = ReadingMode::Quiet;
            } else if (state.checked(kPerformance)) {
                mode = ReadingMode::Performance;
            }
            send_feature(mode, false, save);
        } else {
            bool switched_to_quiet = false;
            if (get_real_time_clarivox() && state.checked(kRealTime)) {
                if (!confirm_(kPromptDisableRealTime)) {
                    RefreshFromDrive();
                    return;
                }
                real_time_declined = true;
            } else if (!get_real_time_clarivox() && state.checked(kRealTime)) {
                if (!confirm_(kPromptEnableAdvancedQuiet)) {
                    RefreshFromDrive();
                    return;
                }
                send_feature(ReadingMode::Quiet, false, save);
                switched_to_quiet = true;
            }
            if (!switched_to_quiet) {
                send_feature(ReadingMode::Off, state.combo_selection != 0, save);
            }
        }
    }

    ClarivoxMode clarivox = ClarivoxMode::Off;
    if (state.checked(kClarivoxOn)) {
        clarivox = state.checked(kPerfect)  ? ClarivoxMode::Perfect
                   : state.checked(kMaster) ? ClarivoxMode::Master
                                            : ClarivoxMode::Perfect;
    }
    set_clarivox(clarivox, state.checked(kRealTime) && !real_time_declined, save);
    RefreshFromDrive();
}

void ReadingPageLogic::RefreshFromDrive() {
    const bool reducer = get_peak_power_reducer();
    state.enable({kPersistentQuiet, kQuiet, kPerformance, kFeatureCombo}, !reducer);

    const ReadingFeature feature = get_reading_feature();
    state.combo_selection = static_cast<int>(feature);
    if (feature == ReadingFeature::AdvancedQuiet) {
        ShowReadingModeRadios();
    } else {
        state.show({kPersistentQuiet, kQuiet, kPerformance}, false);
    }

    state.uncheck({kClarivoxOn, kPerfect, kMaster});
    state.enable({kRealTime}, false);
    const ClarivoxMode clarivox = get_clarivox_mode();
    switch (clarivox) {
        case ClarivoxMode::Off: state.enable({kPerfect, kMaster, kRealTime}, false); break;
        case ClarivoxMode::Perfect:
            state.enable({kPerfect, kMaster}, true);
            state.check(kClarivoxOn, true);
            state.check(kPerfect, true);
            break;
        case ClarivoxMode::Master:
            state.enable({kPerfect, kMaster}, true);
            state.check(kClarivoxOn, true);
            state.check(kMaster, true);
            break;
    }
    state.show({kRealTime}, get_real_time_clarivox_supported());
    if (clarivox == ClarivoxMode::Off) {
        state.check(kRealTime, false);
        return;
    }
    state.enable({kRealTime}, true);
    state.check(kRealTime, get_real_time_clarivox());
}

void ReadingPageLogic::ShowReadingModeRadios() {
    state.show({kPersistentQuiet, kQuiet, kPerformance}, true);
    const ReadingMode mode = get_reading_mode();
    state.uncheck({kPerformance, kQuiet, kPersistentQuiet});
    switch (mode) {
        case ReadingMode::PersistentQuiet: state.check(kPersistentQuiet, true); break;
        case ReadingMode::Quiet: state.check(kQuiet, true); break;
        case ReadingMode::Performance: state.check(kPerformance, true); break;
        case ReadingMode::Off: break;
    }
}

void ReadingPageLogic::on_command(int control_id) {
    if (control_id == kFeatureCombo) {
        return;
    }
    ApplyReadingSettings();
    if (control_id == kClarivoxOn) {
        state.enable({kPerfect, kMaster, kRealTime}, state.checked(kClarivoxOn));
    }
}

bool ReadingPageLogic::click(int control_id) {
    const ControlState& control = state[control_id];
    if (control_id == kFeatureCombo || !control.enabled || !control.shown) {
        return false;
    }
    if (in(kRadioGroupModes, control_id)) {
        state.uncheck({kPersistentQuiet, kQuiet, kPerformance});
        state.check(control_id, true);
    } else if (in(kRadioGroupClarivox, control_id)) {
        state.uncheck({kPerfect, kMaster});
        state.check(control_id, true);
    } else {
        state.check(control_id, !state.checked(control_id));
    }
    on_command(control_id);
    return true;
}

bool ReadingPageLogic::select_feature(int index) {
    if (!state[kFeatureCombo].enabled || index < 0 || index > 2) {
        return false;
    }
    state.combo_selection = index;
    on_selection_change();
    return true;
}

}  // namespace qdu
