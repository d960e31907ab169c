// What the audio CD check sends to the drive, the gate that accepts a disc, and the disc's
// radius model.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "cdcheck/sample.h"
#include "drive/passthrough.h"

namespace qdu {

struct TrackEntry {
    std::uint32_t start = 0;  // LBA of the first sector
    std::uint32_t end = 0;    // LBA of the last sector
    std::uint8_t control = 0;
};

inline constexpr int kMaxTrackNumber = 99;

struct TrackTableRecord {
    std::uint8_t first_track = 0;
    std::uint8_t last_track = 0;
    std::array<TrackEntry, kMaxTrackNumber + 1> entries{};  // by track number
};
TrackTableRecord& TrackTable();

struct RadiusModelRecord {
    double growth = 7476.495202;  // area per frame, scaled by 2^20
    double base = 655360000.0;    // (25 mm)^2 scaled by 2^20
};
RadiusModelRecord& RadiusModel();

inline constexpr std::uint32_t kCheckAddressOffset = 150;
inline constexpr std::uint32_t kDriveAddressOffset = 0x6000;
constexpr std::uint32_t check_address(std::uint32_t lba) {
    return lba + kCheckAddressOffset;
}
constexpr std::uint32_t drive_address(std::uint32_t check) {
    return check + kDriveAddressOffset;
}

enum class CheckModeCode : std::uint8_t { Prepare = 0, Measure = 1, Finish = 2 };
enum class MeasureAction : std::uint8_t { Start = 0, Stop = 1 };

CommandBlock eject_disc_command();
CommandBlock prevent_medium_removal_command();
CommandBlock read_track_information_command(std::uint32_t track);
CommandBlock geometry_write_command();
CommandBlock geometry_read_command();
CommandBlock measurement_write_command();
CommandBlock measurement_read_command();

bool eject_disc();
bool prevent_medium_removal();
// Into command_buffers().data_in.
bool read_track_information(std::uint32_t track);
bool set_check_mode(CheckModeCode mode);

struct Geometry {
    bool ok = false;
    double linear_velocity = 0.0;  // m/s
    double track_pitch = 0.0;      // µm
};
Geometry probe_geometry(std::uint32_t drive_addr);
bool control_measurement(MeasureAction action, std::uint32_t drive_addr);
bool read_measurement(S_RAW_DATA& sample);
// The sample fields of a 64-byte measurement reply.
void sample_from_reply(std::span<const std::uint8_t> reply, S_RAW_DATA& sample);

// Decides whether the inserted disc is an audio CD to check and fills the TrackTable.
bool check_disc_gate(const std::atomic<bool>& cancel);

double radius_of_address(std::uint32_t address);
std::uint32_t address_of_radius(double radius);

}  // namespace qdu
