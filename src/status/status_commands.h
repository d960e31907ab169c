// The drive's live state and the inserted disc: Clarivox counters, error level, disc type,
// recording state, sessions, tracks, media identifier and the speed-limit flag.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "drive/passthrough.h"

namespace qdu {

struct ClarivoxCounters {
    std::uint32_t error_count = 0;
    std::uint32_t sector_count = 0;
    std::uint32_t last_time_code = 0;  // frames, 75 a second
    bool operator==(const ClarivoxCounters&) const = default;
};

using ErrorLevel = int;  // 0..8
using MediaCode = std::uint16_t;
inline constexpr MediaCode kNoDisc = 0xFFFF;

CommandBlock read_clarivox_counters_command();
CommandBlock clear_clarivox_counters_command();
CommandBlock write_request_buffer_command();
CommandBlock read_request_buffer_command();
CommandBlock read_disc_information_command();
CommandBlock read_disc_structure_command(std::uint8_t media_type, std::uint8_t format,
                                         std::uint16_t length);
CommandBlock read_write_protection_command(std::uint8_t media_type);
CommandBlock read_atip_command(std::uint16_t length);
CommandBlock get_configuration_command(std::uint16_t starting_feature, std::uint16_t length);

ClarivoxCounters read_clarivox_counters();
void clear_clarivox_counters();
ErrorLevel compute_error_level(const ClarivoxCounters& counters);
std::string format_time_code(std::uint32_t frames);

// The 32-byte request buffer commands (the check uses them with other requests too).
bool write_request_buffer(std::span<std::uint8_t> request);
bool read_request_buffer(std::span<std::uint8_t> answer);

// Waits while the drive reports BecomingReady, one second at a time, at most
// kDiscReadyAttempts times; a drive that never gets ready counts as having no disc.
inline constexpr int kDiscReadyAttempts = 30;
bool wait_disc_ready();
// How the wait sleeps; tests install one that returns at once.
using Sleeper = std::function<void(std::chrono::milliseconds)>;
void set_sleeper(Sleeper sleeper);
void sleep_for(std::chrono::milliseconds duration);

MediaCode read_media_code();
std::string disc_type_text(MediaCode code);
std::string disc_status_text(MediaCode code);
int get_disc_status();
std::uint16_t get_session_count();
int get_track_count();
bool is_write_protected(MediaCode code);
bool restricted_overwrite_current();
bool is_dvd_rw_restricted_overwrite();
std::string disc_identifier_text();
std::uint8_t get_speed_limit_warning();

// Reading answers, apart from sending, so that any reply can be checked on its own.
ClarivoxCounters counters_from(std::span<const std::uint8_t> reply);
std::string atip_identifier(std::span<const std::uint8_t> reply);
std::string dvd_minus_identifier(std::span<const std::uint8_t> reply);
std::string dvd_plus_identifier(std::span<const std::uint8_t> reply);
std::string bd_identifier(std::span<const std::uint8_t> reply);
std::string manufacturer_text_identifier(std::span<const std::uint8_t> reply);

}  // namespace qdu
