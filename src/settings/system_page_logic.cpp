#include "settings/system_page_logic.h"

namespace qdu {

using namespace system_page;

namespace {

bool is_write_radio(int id) {
    return id == kWriteQuality || id == kSurfaceQualityHighSpeed || id == kSurfaceQuality ||
           id == kOverSpeedProtection;
}

}  // namespace

bool video_audio_condition() {
    return !get_bdr_high_speed() && get_led_off() && get_smooth_tray() && get_peak_power_reducer();
}

SystemPageLogic::SystemPageLogic()
    : state({kMediaCombo, kSave, kBdrHighSpeed, kOptimumWriting, kWriteQuality, kSurfaceQuality,
             kPeakPowerReducer, kVideoAudio, kSurfaceQualityHighSpeed, kLedOff, kSmoothTray,
             kOverSpeedProtection}) {
    state.combo_selection = kBd;
}

void SystemPageLogic::ApplySystemSettings() {
    const bool save = state.checked(kSave);
    if (state.checked(kVideoAudio) || state.checked(kPeakPowerReducer)) {
        const bool video_audio = state.checked(kVideoAudio);
        set_high_speed_read(false, save);
        set_bdr_high_speed(false, save);
        set_peak_power_reducer(true, save);
        set_led_off(video_audio || state.checked(kLedOff), save);
        set_smooth_tray(video_audio || state.checked(kSmoothTray), save);
        return;
    }
    set_peak_power_reducer(false, save);
    set_led_off(state.checked(kLedOff), save);
    set_smooth_tray(state.checked(kSmoothTray), save);
}

void SystemPageLogic::ApplyWritingSettings() {
    const bool save = state.checked(kSave);
    if (state.checked(kVideoAudio) || state.checked(kPeakPowerReducer)) {
        return;
    }
    set_bdr_high_speed(state.checked(kBdrHighSpeed), save);
    const bool on = state.checked(kOptimumWriting);
    if (state.combo_selection == kBd) {
        WriteMode bd = WriteMode::Off;
        if (on) {
            bd = state.checked(kWriteQuality)              ? WriteMode::WriteQuality
                 : state.checked(kSurfaceQualityHighSpeed) ? WriteMode::SurfaceQualityHighSpeed
                 : state.checked(kSurfaceQuality)          ? WriteMode::SurfaceQuality
                 : state.checked(kOverSpeedProtection)     ? WriteMode::OverSpeedProtection
                                                           : WriteMode::WriteQuality;
        }
        set_write_modes(static_cast<std::uint8_t>(bd), get_dvd_write_mode(), save);
        return;
    }
    WriteMode dvd = WriteMode::Off;
    if (on) {
        dvd = state.checked(kSurfaceQualityHighSpeed) ? WriteMode::SurfaceQualityHighSpeed
              : state.checked(kSurfaceQuality)        ? WriteMode::SurfaceQuality
              : state.checked(kOverSpeedProtection)   ? WriteMode::OverSpeedProtection
                                                      : WriteMode::SurfaceQualityHighSpeed;
    }
    set_write_modes(get_bd_write_mode(), static_cast<std::uint8_t>(dvd), save);
}

void SystemPageLogic::RefreshFromDrive() {
    const bool bd = state.combo_selection == kBd;
    state.show({kBdrHighSpeed, kWriteQuality}, bd);

    state[kMediaCombo].enabled = true;
    if (video_audio_condition()) {
        state[kPeakPowerReducer] = {false, false, state[kPeakPowerReducer].shown};
        state[kVideoAudio].enabled = true;
        state.check(kVideoAudio, true);
        state.enable({kLedOff, kSmoothTray, kBdrHighSpeed, kOptimumWriting, kWriteQuality,
                      kSurfaceQualityHighSpeed, kSurfaceQuality, kOverSpeedProtection},
                     false);
    } else if (get_peak_power_reducer()) {
        state[kPeakPowerReducer].enabled = true;
        state.check(kPeakPowerReducer, true);
        state[kVideoAudio].enabled = true;
        state.check(kVideoAudio, false);
        state.enable({kLedOff, kSmoothTray}, true);
        state.enable({kBdrHighSpeed, kOptimumWriting, kWriteQuality, kSurfaceQualityHighSpeed,
                      kSurfaceQuality, kOverSpeedProtection},
                     false);
    } else {
        state[kPeakPowerReducer].enabled = true;
        state.check(kPeakPowerReducer, false);
        state[kVideoAudio].enabled = true;
        state.check(kVideoAudio, false);
        state.enable({kLedOff, kSmoothTray, kBdrHighSpeed, kOptimumWriting}, true);
        const std::uint8_t mode = bd ? get_bd_write_mode() : get_dvd_write_mode();
        if (mode <= 4) {
            state.enable(
                {kWriteQuality, kSurfaceQualityHighSpeed, kSurfaceQuality, kOverSpeedProtection},
                mode != 0);
        }
    }

    state.check(kSmoothTray, get_smooth_tray());
    state.check(kVideoAudio, video_audio_condition());
    state.check(kLedOff, get_led_off());
    state.check(kBdrHighSpeed, get_bdr_high_speed());

    const std::uint8_t mode = bd ? get_bd_write_mode() : get_dvd_write_mode();
    state.uncheck({kOptimumWriting, kWriteQuality, kSurfaceQualityHighSpeed, kSurfaceQuality,
                   kOverSpeedProtection});
    switch (mode) {
        case 1: state.check(kSurfaceQuality, true); break;
        case 2: state.check(kWriteQuality, true); break;
        case 3: state.check(kOverSpeedProtection, true); break;
        case 4: state.check(kSurfaceQualityHighSpeed, true); break;
        default: return;
    }
    state.check(kOptimumWriting, true);
}

void SystemPageLogic::on_command(int control_id) {
    if (control_id == kMediaCombo) {
        return;
    }
    if (control_id == kSave) {
        ApplySystemSettings();
        ApplyWritingSettings();
    } else if (control_id == kPeakPowerReducer || control_id == kVideoAudio ||
               control_id == kLedOff || control_id == kSmoothTray) {
        ApplySystemSettings();
    } else {
        ApplyWritingSettings();
    }
    RefreshFromDrive();
}

bool SystemPageLogic::click(int control_id) {
    const ControlState& control = state[control_id];
    if (control_id == kMediaCombo || !control.enabled || !control.shown) {
        return false;
    }
    if (is_write_radio(control_id)) {
        state.uncheck(
            {kWriteQuality, kSurfaceQualityHighSpeed, kSurfaceQuality, kOverSpeedProtection});
        state.check(control_id, true);
    } else {
        state.check(control_id, !state.checked(control_id));
    }
    on_command(control_id);
    return true;
}

bool SystemPageLogic::select_media(int index) {
    if (index != kBd && index != kDvd) {
        return false;
    }
    state.combo_selection = index;
    on_selection_change();
    return true;
}

}  // namespace qdu
