// The drive's feature settings: one 256-byte settings block read through READ BUFFER F4h,
// function blocks written through WRITE BUFFER FAh, and the reading mode carried in a vendor
// byte of SET CD SPEED.
#pragma once

#include <array>
#include <cstdint>

#include "drive/passthrough.h"

namespace qdu {

enum class ReadingMode : std::uint8_t { Off = 0, Performance = 1, Quiet = 2, PersistentQuiet = 3 };
enum class ReadingFeature : std::uint8_t { Off = 0, AdvancedQuiet = 1, HighSpeedRead = 2 };
enum class ClarivoxMode : std::uint8_t { Off = 0, Perfect = 1, Master = 2 };
enum class WriteMode : std::uint8_t {
    Off = 0,
    SurfaceQuality = 1,
    WriteQuality = 2,
    OverSpeedProtection = 3,
    SurfaceQualityHighSpeed = 4,
};

enum class SettingFunction : std::uint8_t {
    None = 0x00,  // the all-zero block sent before each paired write
    Clarivox = 0x01,
    HighSpeedRead = 0x08,
    WriteModes = 0x09,
    PeakPowerReducer = 0x0A,
    SmoothTray = 0x0B,
    LedOff = 0x0C,
    BdrHighSpeed = 0x0D,
};

inline constexpr std::size_t kSettingsBlockSize = 256;
using SettingsBlock = std::array<std::uint8_t, kSettingsBlockSize>;
using SettingWriteBlock = std::array<std::uint8_t, kSettingsBlockSize>;

// Offsets in the settings block.
namespace settings_byte {
inline constexpr std::size_t kReadingMode = 2;
inline constexpr std::size_t kReadingModeCopy = 3;
inline constexpr std::size_t kClarivoxOn = 4;
inline constexpr std::size_t kClarivoxMode = 5;
inline constexpr std::size_t kClarivoxModeLow = 6;
inline constexpr std::size_t kBdWriteMode = 11;
inline constexpr std::size_t kDvdWriteMode = 13;
inline constexpr std::size_t kPeakPowerReducer = 17;
inline constexpr std::size_t kSmoothTray = 20;
inline constexpr std::size_t kSpeedLimitWarning = 23;
inline constexpr std::size_t kLedOff = 24;
inline constexpr std::size_t kBdrHighSpeed = 26;
inline constexpr std::size_t kRealTimeClarivox = 28;
inline constexpr std::size_t kRealTimeClarivoxSupported = 29;
inline constexpr std::size_t kHighSpeedRead = 41;
}  // namespace settings_byte

// The Clarivox mode parameter of the function block (bytes 3 and 4).
struct ClarivoxParameter {
    std::uint8_t high = 0;
    std::uint8_t low = 0;
};
ClarivoxParameter clarivox_parameter(ClarivoxMode mode);

CommandBlock read_settings_block_command();
CommandBlock write_settings_block_command();
CommandBlock set_cd_speed_command(std::uint8_t vendor_value);
// vv of SET CD SPEED: bit 7 set, bit 6 the save flag, bits 1..0 the mode.
std::uint8_t reading_mode_vendor_value(ReadingMode mode, bool save);

SettingWriteBlock function_block(SettingFunction function, std::uint8_t b1, std::uint8_t b2,
                                 std::uint8_t b3, std::uint8_t b4 = 0, std::uint8_t b5 = 0,
                                 std::uint8_t b6 = 0);

// Clears the block, then reads it from the current drive.
bool read_settings_block(SettingsBlock& block);
bool write_settings_block(const SettingWriteBlock& block);

// What a settings block says, as the getters read it.
ReadingMode reading_mode_of(const SettingsBlock& block);
ReadingFeature reading_feature_of(const SettingsBlock& block);
ClarivoxMode clarivox_mode_of(const SettingsBlock& block);

// Getters: each reads a fresh block; a drive that answers nothing reads as all off.
ReadingMode get_reading_mode();
ReadingFeature get_reading_feature();
ClarivoxMode get_clarivox_mode();
bool get_real_time_clarivox();
bool get_real_time_clarivox_supported();
std::uint8_t get_bd_write_mode();
std::uint8_t get_dvd_write_mode();
bool get_peak_power_reducer();
bool get_smooth_tray();
bool get_led_off();
bool get_bdr_high_speed();

// Setters: each sends all its commands, whatever the drive answers to the first, and returns
// true only when every one succeeded (the reason of a failure is in last_status).
bool set_reading_mode(ReadingMode mode, bool save);
bool preset_reading_mode(ReadingMode mode);
bool set_clarivox(ClarivoxMode mode, bool real_time, bool save);
bool set_high_speed_read(bool on, bool save);
bool set_write_modes(std::uint8_t bd, std::uint8_t dvd, bool save);
bool set_peak_power_reducer(bool on, bool save);
bool set_smooth_tray(bool on, bool save);
bool set_led_off(bool on, bool save);
bool set_bdr_high_speed(bool on, bool save);
bool restore_factory_defaults();

}  // namespace qdu
