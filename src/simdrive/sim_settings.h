// The simulated drive's feature settings: the values it works with now and the values it has
// saved, which a power cycle brings back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace qdu {

struct DriveSettings {
    std::uint8_t reading_mode = 2;  // Quiet
    bool clarivox_on = false;
    std::uint8_t clarivox_high = 0;  // mode parameter: FE 01 Perfect, 08 40 Master
    std::uint8_t clarivox_low = 0;
    bool real_time_clarivox = false;
    bool high_speed_read = false;
    std::uint8_t bd_write_mode = 0;
    std::uint8_t dvd_write_mode = 0;
    bool peak_power_reducer = false;
    bool smooth_tray = false;
    bool led_off = false;
    bool bdr_high_speed = false;

    bool operator==(const DriveSettings&) const = default;
};

struct SenseTriple {
    std::uint8_t key, asc, ascq;
};

class SettingsStore {
public:
    explicit SettingsStore(DriveSettings initial = {}, bool real_time_supported = true,
                           bool speed_limit_warning = false);

    std::array<std::uint8_t, 256> block() const;

    // A function block written to buffer FAh. Refused blocks change nothing.
    std::optional<SenseTriple> write_function(std::span<const std::uint8_t> block);
    // The vendor byte of SET CD SPEED.
    std::optional<SenseTriple> set_reading_mode(std::uint8_t vendor_value);

    void power_cycle() { current_ = saved_; }

    const DriveSettings& current() const { return current_; }
    const DriveSettings& saved() const { return saved_; }
    void restore(const DriveSettings& current, const DriveSettings& saved) {
        current_ = current;
        saved_ = saved;
    }

private:
    DriveSettings current_;
    DriveSettings saved_;
    bool real_time_supported_;
    bool speed_limit_warning_;
};

}  // namespace qdu
