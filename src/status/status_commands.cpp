#include "status/status_commands.h"

#include <array>
#include <cstdio>
#include <thread>
#include <vector>

#include "drive/bytes.h"
#include "drive/scsi.h"
#include "drive/text.h"
#include "drive/transport.h"
#include "settings/setting_commands.h"
#include "strings/strings.h"

namespace qdu {

using namespace scsi;

namespace {

constexpr std::uint8_t kRequestLength = 32;
constexpr std::uint8_t kDiscInformationLength = 34;

std::uint8_t hi(std::uint16_t v) {
    return static_cast<std::uint8_t>(v >> 8);
}
std::uint8_t lo(std::uint16_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

Sleeper& sleeper_slot() {
    static Sleeper sleeper;
    return sleeper;
}

// One read of the disc information into a zeroed buffer; false when it failed.
bool disc_information(std::array<std::uint8_t, 256>& buffer) {
    buffer.fill(0);
    return send_command(read_disc_information_command(), DataDirection::DataIn, buffer,
                        kDiscInformationLength);
}

// Reads into a zeroed 4096-byte buffer; the outcome does not matter to the identifier.
std::vector<std::uint8_t> read_structure(std::uint8_t media_type, std::uint8_t format,
                                         std::uint16_t length) {
    std::vector<std::uint8_t> buffer(4096, 0);
    send_command(read_disc_structure_command(media_type, format, length), DataDirection::DataIn,
                 buffer, length);
    return buffer;
}

std::string bytes_with_underscores(std::span<const std::uint8_t> bytes) {
    std::string raw;
    for (const std::uint8_t b : bytes) {
        raw.push_back(b == 0 ? '_' : static_cast<char>(b));
    }
    return raw;
}

bool is_read_only(std::uint8_t c) {
    return c == 0x00 || c == 0x40 || c == 0x44 || c == 0x46 || c == 0x80 || c == 0x86;
}

bool is_protectable(std::uint8_t c) {
    switch (c) {
        case 0x50:
        case 0x90:
        case 0x96:
        case 0x9A:
        case 0xA0:
        case 0xA6:
        case 0xAA:
        case 0xAE: return true;
        default: return false;
    }
}

}  // namespace

CommandBlock read_clarivox_counters_command() {
    return {kReadBuffer, kDataMode, kCountersBuffer, 0, 0, 0, 0, 0, kRequestLength, 0, 0, 0};
}

CommandBlock clear_clarivox_counters_command() {
    return {kWriteBuffer, kDataMode, kCountersBuffer, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

CommandBlock write_request_buffer_command() {
    return {kWriteBuffer, kDataMode, kRequestBuffer, 0, 0, 0, 0, 0, kRequestLength, 0, 0, 0};
}

CommandBlock read_request_buffer_command() {
    return {kReadBuffer, kDataMode, kRequestBuffer, 0, 0, 0, 0, 0, kRequestLength, 0, 0, 0};
}

CommandBlock read_disc_information_command() {
    return {kReadDiscInformation, 0, 0, 0, 0, 0, 0, 0, kDiscInformationLength, 0, 0, 0};
}

CommandBlock read_disc_structure_command(std::uint8_t media_type, std::uint8_t format,
                                         std::uint16_t length) {
    return {kReadDiscStructure, media_type, 0, 0, 0, 0, 0, format, hi(length), lo(length), 0, 0};
}

CommandBlock read_write_protection_command(std::uint8_t media_type) {
    return read_disc_structure_command(media_type, 0xC0, 8);
}

CommandBlock read_atip_command(std::uint16_t length) {
    return {kReadTocPmaAtip, 0, 0x04, 0, 0, 0, 0, hi(length), lo(length), 0, 0, 0};
}

CommandBlock get_configuration_command(std::uint16_t starting_feature, std::uint16_t length) {
    return {kGetConfiguration,
            0,
            hi(starting_feature),
            lo(starting_feature),
            0,
            0,
            0,
            hi(length),
            lo(length),
            0,
            0,
            0};
}

ClarivoxCounters counters_from(std::span<const std::uint8_t> reply) {
    return ClarivoxCounters{read_be32(reply, 0), read_be32(reply, 4), read_be32(reply, 8)};
}

ClarivoxCounters read_clarivox_counters() {
    std::array<std::uint8_t, 256> buffer{};
    send_command(read_clarivox_counters_command(), DataDirection::DataIn, buffer, kRequestLength);
    return counters_from(buffer);
}

void clear_clarivox_counters() {
    send_command(clear_clarivox_counters_command(), DataDirection::DataOut, {}, 0);
}

ErrorLevel compute_error_level(const ClarivoxCounters& counters) {
    if (counters.sector_count == 0) {
        return 0;
    }
    const double r =
        static_cast<double>(counters.error_count) / static_cast<double>(counters.sector_count);
    if (r == 0.0) {
        return 0;
    }
    constexpr double kBounds[] = {0.000125,  0.00025,   0.000525, 0.001155,
                                  0.0026565, 0.0079695, 0.031878};
    for (int level = 1; level <= 7; ++level) {
        if (r < kBounds[level - 1]) {
            return level;
        }
    }
    return 8;
}

std::string format_time_code(std::uint32_t frames) {
    // Minutes are shown in full: a count of 256 minutes or more keeps its real minutes.
    const std::uint32_t minutes = frames / 4500;
    const std::uint32_t seconds = (frames - 4500 * minutes) / 75;
    const std::uint32_t rest = frames - 4500 * minutes - 75 * seconds;
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", minutes, seconds, rest);
    return text;
}

bool write_request_buffer(std::span<std::uint8_t> request) {
    return send_command(write_request_buffer_command(), DataDirection::DataOut, request,
                        kRequestLength);
}

bool read_request_buffer(std::span<std::uint8_t> answer) {
    return send_command(read_request_buffer_command(), DataDirection::DataIn, answer,
                        kRequestLength);
}

void set_sleeper(Sleeper sleeper) {
    sleeper_slot() = std::move(sleeper);
}

void sleep_for(std::chrono::milliseconds duration) {
    if (sleeper_slot()) {
        sleeper_slot()(duration);
    } else {
        std::this_thread::sleep_for(duration);
    }
}

bool wait_disc_ready() {
    std::array<std::uint8_t, 256> buffer{};
    for (int attempt = 1;; ++attempt) {
        if (send_command(read_disc_information_command(), DataDirection::DataIn, buffer,
                         kDiscInformationLength)) {
            return true;
        }
        if (drive_device().last_status != BecomingReady || attempt >= kDiscReadyAttempts) {
            return false;
        }
        sleep_for(std::chrono::milliseconds(1000));
    }
}

MediaCode read_media_code() {
    if (!wait_disc_ready()) {
        return kNoDisc;
    }
    std::array<std::uint8_t, 256> buffer{};
    buffer[0] = 0x91;
    buffer[1] = 0x40;
    write_request_buffer(buffer);
    read_request_buffer(buffer);
    return static_cast<MediaCode>((buffer[10] << 8) | buffer[6]);
}

std::string disc_type_text(MediaCode code) {
    int id = 202;
    switch (code & 0xFF) {
        case 0x00: id = 180; break;
        case 0x10: id = 182; break;
        case 0x20: id = 181; break;
        case 0x40: id = 183; break;
        case 0x44:
        case 0x46: id = 184; break;
        case 0x50: id = 185; break;
        case 0x51: id = 188; break;
        case 0x60: id = 186; break;
        case 0x61: id = 189; break;
        case 0x66: id = 190; break;
        case 0x67: id = 191; break;
        case 0x68: id = 187; break;
        case 0x70: id = 192; break;
        case 0x80: id = 193; break;
        case 0x86: id = 194; break;
        case 0x90: id = 195; break;
        case 0x96: id = 197; break;
        case 0x9A: id = 196; break;
        case 0xA0: id = 198; break;
        case 0xA6: id = 199; break;
        case 0xAA: id = 200; break;
        case 0xAE: id = 201; break;
        default: break;
    }
    return std::string(text(id));
}

std::string disc_status_text(MediaCode code) {
    const auto c = static_cast<std::uint8_t>(code & 0xFF);
    if (is_read_only(c)) {
        return std::string(text(214));
    }
    if (c == 0x70) {
        return std::string(text(is_write_protected(c) ? 219 : 218));
    }
    if (is_protectable(c) && is_write_protected(c)) {
        return std::string(text(219));
    }
    switch (get_disc_status()) {
        case 0: return std::string(text(215));
        case 1: return std::string(text(218));
        case 2: {
            bool writable = false;
            if (c == 0x10) {
                writable = restricted_overwrite_current();
            } else if (c == 0x50) {
                writable = is_dvd_rw_restricted_overwrite();
            } else if (c == 0x51 || (c & 0xF0) == 0x90) {
                writable = true;
            }
            return std::string(text(writable ? 218 : 217));
        }
        default: return std::string(text(219));
    }
}

int get_disc_status() {
    std::array<std::uint8_t, 256> buffer{};
    return disc_information(buffer) ? (buffer[2] & 0x03) : -1;
}

std::uint16_t get_session_count() {
    std::array<std::uint8_t, 256> buffer{};
    if (!disc_information(buffer)) {
        return 0;
    }
    return static_cast<std::uint16_t>((buffer[9] << 8) | buffer[4]);
}

int get_track_count() {
    std::array<std::uint8_t, 256> buffer{};
    if (!disc_information(buffer)) {
        return 0;
    }
    return ((buffer[11] << 8) | buffer[6]) - buffer[3] + 1;
}

bool is_write_protected(MediaCode code) {
    const std::uint8_t kind = code & 0xF0;
    const std::uint8_t media_type = (kind == 0x90 || kind == 0xA0) ? 1 : 0;
    std::array<std::uint8_t, 256> buffer{};
    send_command(read_write_protection_command(media_type), DataDirection::DataIn, buffer, 8);
    return (buffer[4] & 0x0F) != 0;
}

bool restricted_overwrite_current() {
    std::array<std::uint8_t, 256> buffer{};
    send_command(get_configuration_command(0x0026, 12), DataDirection::DataIn, buffer, 12);
    return (buffer[10] & 0x01) != 0;
}

bool is_dvd_rw_restricted_overwrite() {
    std::array<std::uint8_t, 512> buffer{};
    send_command(get_configuration_command(0x0000, 256), DataDirection::DataIn, buffer, 256);
    return ((buffer[6] << 8) | buffer[7]) == 0x0013;
}

std::string atip_identifier(std::span<const std::uint8_t> reply) {
    char text[64];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u - %02u:%02u:%02u", unsigned{reply[8]},
                  unsigned{reply[9]}, unsigned{reply[10]}, unsigned{reply[12]}, unsigned{reply[13]},
                  unsigned{reply[14]});
    return text;
}

std::string dvd_minus_identifier(std::span<const std::uint8_t> reply) {
    std::string id =
        bytes_with_underscores(reply.subspan(21, 6)) + bytes_with_underscores(reply.subspan(29, 6));
    // Trailing padding becomes blanks; the first character always stays.
    for (std::size_t i = id.size() - 1; i >= 1 && id[i] == '_'; --i) {
        id[i] = ' ';
    }
    return latin1_to_utf8(id);
}

std::string dvd_plus_identifier(std::span<const std::uint8_t> reply) {
    return latin1_to_utf8(bytes_with_underscores(reply.subspan(23, 11)));
}

std::string bd_identifier(std::span<const std::uint8_t> reply) {
    return latin1_to_utf8(bytes_with_underscores(reply.subspan(104, 9)));
}

std::string manufacturer_text_identifier(std::span<const std::uint8_t> reply) {
    std::string raw;
    for (std::size_t i = 601; i < reply.size() && raw.size() < 32; ++i) {
        if (reply[i] == 0x0D || reply[i] == 0x00) {
            break;
        }
        raw.push_back(static_cast<char>(reply[i]));
    }
    return latin1_to_utf8(raw);
}

std::string disc_identifier_text() {
    const MediaCode code = read_media_code();
    switch (code) {
        case 0x0000:
        case 0x0040:
        case 0x0044:
        case 0x0046:
        case 0x0080:
        case 0x0086: return "-----";
        case 0x0010:
        case 0x0020: {
            std::vector<std::uint8_t> buffer(4096, 0);
            send_command(read_atip_command(2048), DataDirection::DataIn, buffer, 2048);
            return atip_identifier(buffer);
        }
        case 0x0050:
        case 0x0060:
        case 0x0066:
        case 0x0068: return dvd_minus_identifier(read_structure(0, 0x0E, 256));
        case 0x0051:
        case 0x0061:
        case 0x0067: return dvd_plus_identifier(read_structure(0, 0x00, 256));
        case 0x0090:
        case 0x0096:
        case 0x009A:
        case 0x00A0:
        case 0x00A6:
        case 0x00AA:
        case 0x00AE: return bd_identifier(read_structure(1, 0x00, 256));
        default: return manufacturer_text_identifier(read_structure(0, 0x00, 768));
    }
}

std::uint8_t get_speed_limit_warning() {
    SettingsBlock block{};
    read_settings_block(block);
    return block[settings_byte::kSpeedLimitWarning];
}

}  // namespace qdu
