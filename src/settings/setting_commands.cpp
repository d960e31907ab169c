#include "settings/setting_commands.h"

#include "drive/scsi.h"
#include "drive/transport.h"

namespace qdu {

using namespace scsi;

namespace {

constexpr std::uint8_t kVendorBit = 0x80;
constexpr std::uint8_t kSaveBit = 0x40;

std::uint8_t flag(bool on) {
    return on ? 1 : 0;
}

SettingsBlock fresh_block() {
    SettingsBlock block{};
    read_settings_block(block);
    return block;
}

bool is_mode_code(std::uint8_t code) {
    return code <= 3;
}

// The paired writes: an all-zero block first, then the function. A failed first write does
// not stop the second; the pair succeeded only if both did.
bool send_pair(SettingFunction function, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4 = 0) {
    const bool cleared = write_settings_block(SettingWriteBlock{});
    const bool written = write_settings_block(function_block(function, 0x00, b2, b3, b4));
    return cleared && written;
}

}  // namespace

ClarivoxParameter clarivox_parameter(ClarivoxMode mode) {
    switch (mode) {
        case ClarivoxMode::Perfect: return {0xFE, 0x01};
        case ClarivoxMode::Master: return {0x08, 0x40};
        case ClarivoxMode::Off: break;
    }
    return {0x00, 0x00};
}

CommandBlock read_settings_block_command() {
    return {kReadBuffer, kVendorMode, kSettingsBuffer, 0, 0, 0, 0x00, 0x01, 0x00, 0, 0, 0};
}

CommandBlock write_settings_block_command() {
    return {kWriteBuffer, kVendorMode, kFunctionBuffer, 0, 0, 0, 0x00, 0x01, 0x00, 0, 0, 0};
}

CommandBlock set_cd_speed_command(std::uint8_t vendor_value) {
    return {kSetCdSpeed, 0, 0x00, 0x00, 0xFE, 0x00, 0, 0, 0, 0, vendor_value, 0};
}

std::uint8_t reading_mode_vendor_value(ReadingMode mode, bool save) {
    return static_cast<std::uint8_t>(kVendorBit | (save ? kSaveBit : 0) |
                                     static_cast<std::uint8_t>(mode));
}

SettingWriteBlock function_block(SettingFunction function, std::uint8_t b1, std::uint8_t b2,
                                 std::uint8_t b3, std::uint8_t b4, std::uint8_t b5,
                                 std::uint8_t b6) {
    SettingWriteBlock block{};
    block[0] = static_cast<std::uint8_t>(function);
    block[1] = b1;
    block[2] = b2;
    block[3] = b3;
    block[4] = b4;
    block[5] = b5;
    block[6] = b6;
    return block;
}

bool read_settings_block(SettingsBlock& block) {
    block.fill(0);
    return send_command(read_settings_block_command(), DataDirection::DataIn, block,
                        kSettingsBlockSize);
}

bool write_settings_block(const SettingWriteBlock& block) {
    // send_command takes a writable span; the drive only reads it.
    SettingWriteBlock copy = block;
    return send_command(write_settings_block_command(), DataDirection::DataOut, copy,
                        kSettingsBlockSize);
}

ReadingMode reading_mode_of(const SettingsBlock& block) {
    if (is_mode_code(block[settings_byte::kReadingMode])) {
        return static_cast<ReadingMode>(block[settings_byte::kReadingMode]);
    }
    if (is_mode_code(block[settings_byte::kReadingModeCopy])) {
        return static_cast<ReadingMode>(block[settings_byte::kReadingModeCopy]);
    }
    return ReadingMode::Quiet;
}

ReadingFeature reading_feature_of(const SettingsBlock& block) {
    if (block[settings_byte::kHighSpeedRead] == 1) {
        return ReadingFeature::HighSpeedRead;
    }
    return block[settings_byte::kReadingMode] != 0 ? ReadingFeature::AdvancedQuiet
                                                   : ReadingFeature::Off;
}

ClarivoxMode clarivox_mode_of(const SettingsBlock& block) {
    if (block[settings_byte::kClarivoxOn] == 0) {
        return ClarivoxMode::Off;
    }
    return block[settings_byte::kClarivoxMode] == 0xFE ? ClarivoxMode::Perfect
                                                       : ClarivoxMode::Master;
}

ReadingMode get_reading_mode() {
    return reading_mode_of(fresh_block());
}
ReadingFeature get_reading_feature() {
    return reading_feature_of(fresh_block());
}
ClarivoxMode get_clarivox_mode() {
    return clarivox_mode_of(fresh_block());
}

bool get_real_time_clarivox() {
    return fresh_block()[settings_byte::kRealTimeClarivox] != 0;
}

bool get_real_time_clarivox_supported() {
    return fresh_block()[settings_byte::kRealTimeClarivoxSupported] != 0;
}

std::uint8_t get_bd_write_mode() {
    return fresh_block()[settings_byte::kBdWriteMode];
}
std::uint8_t get_dvd_write_mode() {
    return fresh_block()[settings_byte::kDvdWriteMode];
}
bool get_peak_power_reducer() {
    return fresh_block()[settings_byte::kPeakPowerReducer] == 1;
}
bool get_smooth_tray() {
    return fresh_block()[settings_byte::kSmoothTray] == 1;
}
bool get_led_off() {
    return fresh_block()[settings_byte::kLedOff] == 1;
}
bool get_bdr_high_speed() {
    return fresh_block()[settings_byte::kBdrHighSpeed] == 1;
}

bool set_reading_mode(ReadingMode mode, bool save) {
    return send_command(set_cd_speed_command(reading_mode_vendor_value(mode, save)),
                        DataDirection::NoData);
}

bool preset_reading_mode(ReadingMode mode) {
    const auto preceding = static_cast<ReadingMode>((static_cast<std::uint8_t>(mode) + 3) % 4);
    return send_command(set_cd_speed_command(reading_mode_vendor_value(preceding, false)),
                        DataDirection::NoData);
}

bool set_clarivox(ClarivoxMode mode, bool real_time, bool save) {
    const ClarivoxParameter parameter = clarivox_parameter(mode);
    return write_settings_block(function_block(SettingFunction::Clarivox, 0x80,
                                               flag(mode != ClarivoxMode::Off), parameter.high,
                                               parameter.low, flag(save), flag(real_time)));
}

bool set_high_speed_read(bool on, bool save) {
    return send_pair(SettingFunction::HighSpeedRead, flag(on), flag(save));
}

bool set_write_modes(std::uint8_t bd, std::uint8_t dvd, bool save) {
    return send_pair(SettingFunction::WriteModes, bd, dvd, flag(save));
}

bool set_peak_power_reducer(bool on, bool save) {
    return send_pair(SettingFunction::PeakPowerReducer, flag(on), flag(save));
}

bool set_smooth_tray(bool on, bool save) {
    return send_pair(SettingFunction::SmoothTray, flag(on), flag(save));
}

bool set_led_off(bool on, bool save) {
    return send_pair(SettingFunction::LedOff, flag(on), flag(save));
}

bool set_bdr_high_speed(bool on, bool save) {
    return send_pair(SettingFunction::BdrHighSpeed, flag(on), flag(save));
}

// Every command is sent whatever the ones before it did; true only if all succeeded.
bool restore_factory_defaults() {
    bool all = set_reading_mode(ReadingMode::Quiet, true);
    all = set_clarivox(ClarivoxMode::Off, false, true) && all;
    all = set_smooth_tray(false, true) && all;
    all = set_peak_power_reducer(false, true) && all;
    all = set_led_off(false, true) && all;
    all = set_bdr_high_speed(false, true) && all;
    all = set_write_modes(0, 0, true) && all;
    all = set_high_speed_read(false, true) && all;
    all = set_smooth_tray(false, true) && all;
    return all;
}

}  // namespace qdu
