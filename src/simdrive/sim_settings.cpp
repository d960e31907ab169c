#include "simdrive/sim_settings.h"

#include <functional>

namespace qdu {

namespace {

constexpr SenseTriple kInvalidFieldInParameterList{0x5, 0x26, 0x00};
constexpr SenseTriple kInvalidFieldInCdb{0x5, 0x24, 0x00};

bool is_flag(std::uint8_t value) {
    return value <= 1;
}

bool valid_clarivox_parameter(std::uint8_t on, std::uint8_t high, std::uint8_t low) {
    if (high == 0xFE && low == 0x01) {
        return true;
    }
    if (high == 0x08 && low == 0x40) {
        return true;
    }
    return on == 0 && high == 0 && low == 0;
}

}  // namespace

SettingsStore::SettingsStore(DriveSettings initial, bool real_time_supported,
                             bool speed_limit_warning)
    : current_(initial),
      saved_(initial),
      real_time_supported_(real_time_supported),
      speed_limit_warning_(speed_limit_warning) {}

std::array<std::uint8_t, 256> SettingsStore::block() const {
    std::array<std::uint8_t, 256> b{};
    const DriveSettings& s = current_;
    b[2] = s.reading_mode;
    b[3] = s.reading_mode;
    b[4] = s.clarivox_on ? 1 : 0;
    b[5] = s.clarivox_high;
    b[6] = s.clarivox_low;
    b[11] = s.bd_write_mode;
    b[13] = s.dvd_write_mode;
    b[17] = s.peak_power_reducer ? 1 : 0;
    b[20] = s.smooth_tray ? 1 : 0;
    b[23] = speed_limit_warning_ ? 1 : 0;
    b[24] = s.led_off ? 1 : 0;
    b[26] = s.bdr_high_speed ? 1 : 0;
    b[28] = s.real_time_clarivox ? 1 : 0;
    b[29] = real_time_supported_ ? 1 : 0;
    b[41] = s.high_speed_read ? 1 : 0;
    return b;
}

std::optional<SenseTriple> SettingsStore::write_function(std::span<const std::uint8_t> block) {
    if (block.size() < 7) {
        return kInvalidFieldInParameterList;
    }
    // A valid block names the fields it sets; with its save byte they are saved too, and
    // only they.
    std::function<void(DriveSettings&)> change;
    bool save = false;
    auto switch_setting = [&](bool DriveSettings::*member) {
        if (block[1] != 0 || !is_flag(block[2]) || !is_flag(block[3])) {
            return;
        }
        const bool on = block[2] == 1;
        change = [member, on](DriveSettings& s) { s.*member = on; };
        save = block[3] == 1;
    };
    switch (block[0]) {
        case 0x00:
            // The all-zero block that precedes each paired write: it prepares, changes nothing.
            return std::nullopt;
        case 0x01:
            if (block[1] == 0x80 && is_flag(block[2]) &&
                valid_clarivox_parameter(block[2], block[3], block[4]) && is_flag(block[5]) &&
                is_flag(block[6]) && (block[6] == 0 || real_time_supported_)) {
                const bool on = block[2] == 1;
                const std::uint8_t high = block[3];
                const std::uint8_t low = block[4];
                const bool real_time = block[6] == 1;
                change = [=](DriveSettings& s) {
                    s.clarivox_on = on;
                    s.clarivox_high = high;
                    s.clarivox_low = low;
                    s.real_time_clarivox = real_time;
                };
                save = block[5] == 1;
            }
            break;
        case 0x08: switch_setting(&DriveSettings::high_speed_read); break;
        case 0x09:
            if (block[1] == 0 && block[2] <= 4 && block[3] <= 4 && is_flag(block[4])) {
                const std::uint8_t bd = block[2];
                const std::uint8_t dvd = block[3];
                change = [=](DriveSettings& s) {
                    s.bd_write_mode = bd;
                    s.dvd_write_mode = dvd;
                };
                save = block[4] == 1;
            }
            break;
        case 0x0A: switch_setting(&DriveSettings::peak_power_reducer); break;
        case 0x0B: switch_setting(&DriveSettings::smooth_tray); break;
        case 0x0C: switch_setting(&DriveSettings::led_off); break;
        case 0x0D: switch_setting(&DriveSettings::bdr_high_speed); break;
        default: break;
    }
    if (!change) {
        return kInvalidFieldInParameterList;
    }
    change(current_);
    if (save) {
        change(saved_);
    }
    return std::nullopt;
}

std::optional<SenseTriple> SettingsStore::set_reading_mode(std::uint8_t vendor_value) {
    if ((vendor_value & 0x80) == 0) {
        return std::nullopt;  // an ordinary speed request: nothing to do with the settings
    }
    if ((vendor_value & 0x3C) != 0) {
        return kInvalidFieldInCdb;
    }
    current_.reading_mode = vendor_value & 0x03;
    if ((vendor_value & 0x40) != 0) {
        saved_.reading_mode = current_.reading_mode;
    }
    return std::nullopt;
}

}  // namespace qdu
