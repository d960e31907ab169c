#include "cdcheck/check_commands.h"

#include <cmath>
#include <cstring>

#include "drive/bytes.h"
#include "drive/discovery.h"
#include "drive/scsi.h"
#include "drive/transport.h"
#include "status/status_commands.h"

namespace qdu {

using namespace scsi;

namespace {

constexpr std::uint8_t kBlockLength = 32;
constexpr std::uint8_t kSampleLength = 64;

std::span<std::uint8_t> data_in() {
    return command_buffers().data_in;
}
std::span<std::uint8_t> data_out() {
    return command_buffers().data_out;
}

}  // namespace

TrackTableRecord& TrackTable() {
    static TrackTableRecord table;
    return table;
}

RadiusModelRecord& RadiusModel() {
    static RadiusModelRecord model;
    return model;
}

CommandBlock eject_disc_command() {
    return {kStartStopUnit, 0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0};
}

CommandBlock prevent_medium_removal_command() {
    return {kPreventAllowMediumRemoval, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0};
}

CommandBlock read_track_information_command(std::uint32_t track) {
    return {kReadTrackInformation,
            0x01,
            static_cast<std::uint8_t>(track >> 24),
            static_cast<std::uint8_t>(track >> 16),
            static_cast<std::uint8_t>(track >> 8),
            static_cast<std::uint8_t>(track),
            0,
            0x00,
            0x24,
            0,
            0,
            0};
}

CommandBlock geometry_write_command() {
    return {kWriteBuffer, kDataMode, kGeometryBuffer, 0, 0, 0, 0, 0, kBlockLength, 0, 0, 0};
}

CommandBlock geometry_read_command() {
    return {kReadBuffer, kDataMode, kGeometryBuffer, 0, 0, 0, 0, 0, kBlockLength, 0, 0, 0};
}

CommandBlock measurement_write_command() {
    return {kWriteBuffer, kDataMode, kMeasurementBuffer, 0x30, 0, 0, 0, 0, kBlockLength, 0, 0, 0};
}

CommandBlock measurement_read_command() {
    return {kReadBuffer, kDataMode, kMeasurementBuffer, 0x30, 0, 0, 0, 0, kSampleLength, 0, 0, 0};
}

bool eject_disc() {
    return send_command(eject_disc_command(), DataDirection::NoData);
}

bool prevent_medium_removal() {
    return send_command(prevent_medium_removal_command(), DataDirection::NoData);
}

bool read_track_information(std::uint32_t track) {
    return send_command(read_track_information_command(track), DataDirection::DataIn, data_in(),
                        36);
}

bool set_check_mode(CheckModeCode mode) {
    auto out = data_out();
    std::memset(out.data(), 0, kBlockLength);
    out[0] = 0x91;
    out[1] = 0x60;
    out[2] = static_cast<std::uint8_t>(mode);
    return write_request_buffer(out);
}

Geometry probe_geometry(std::uint32_t drive_addr) {
    auto out = data_out();
    std::memset(out.data(), 0, kBlockLength);
    out[0] = 0x50;
    out[1] = 0x54;
    put_be32(out, 5, drive_addr);
    out[12] = 0x01;
    Geometry geometry;
    if (!send_command(geometry_write_command(), DataDirection::DataOut, out, kBlockLength)) {
        return geometry;
    }
    auto in = data_in();
    std::memset(in.data(), 0, kBlockLength);
    if (!send_command(geometry_read_command(), DataDirection::DataIn, in, kBlockLength)) {
        return geometry;
    }
    geometry.ok = true;
    geometry.linear_velocity = read_be32(in, 3) / 16384.0;
    geometry.track_pitch = read_be32(in, 7) / 8192.0;
    return geometry;
}

bool control_measurement(MeasureAction action, std::uint32_t drive_addr) {
    // Bytes 7..10 and 15..31 keep what the previous block left, as the drive has always seen.
    auto out = data_out();
    out[0] = 0xFF;
    out[1] = 0x02;
    out[2] = static_cast<std::uint8_t>(action);
    put_be32(out, 3, drive_addr);
    out[11] = 0;
    out[12] = 0;
    out[13] = 0;
    out[14] = 0x26;
    return send_command(measurement_write_command(), DataDirection::DataOut, out, kBlockLength);
}

void sample_from_reply(std::span<const std::uint8_t> reply, S_RAW_DATA& sample) {
    sample.minor_errors = read_be16(reply, 4);
    sample.major_errors = read_be16(reply, 14);
    sample.position = read_be32(reply, 18);
    sample.span_valid = read_be32(reply, 22) != 0xFFFFFFFFU;
    sample.aux_b = read_be16(reply, 60);
    sample.aux_a = read_be16(reply, 62);
    sample.aux_valid = sample.aux_a != 0xFFFF && sample.aux_b != 0xFFFF;
}

bool read_measurement(S_RAW_DATA& sample) {
    auto in = data_in();
    if (!send_command(measurement_read_command(), DataDirection::DataIn, in, kSampleLength)) {
        return false;
    }
    sample_from_reply(in, sample);
    return true;
}

bool check_disc_gate(const std::atomic<bool>& cancel) {
    auto in = data_in();
    send_command(get_configuration_command(0x0000, 256), DataDirection::DataIn, in, 256);
    if (((in[6] << 8) | in[7]) != 0x0008) {
        return false;
    }
    if (send_command(read_atip_command(256), DataDirection::DataIn, in, 256)) {
        return false;  // a recordable CD, even with audio on it
    }
    if (!send_command(read_disc_information_command(), DataDirection::DataIn, in, 34)) {
        return false;
    }
    TrackTableRecord& table = TrackTable();
    table.first_track = in[3];
    table.last_track = in[6];
    // Tracks are numbered from 1, and the table holds 0..99: anything else cannot be checked
    // (a first track 0 in a later session would make the last track before it wrap to 255).
    if (table.first_track == 0 || table.first_track > kMaxTrackNumber) {
        return false;
    }
    if (table.first_track > table.last_track) {
        return true;
    }
    for (int t = table.first_track; t <= table.last_track; ++t) {
        if (cancel) {
            return false;
        }
        if (t > kMaxTrackNumber) {
            return false;  // the table holds tracks 0..99; a higher number cannot be kept
        }
        if (!read_track_information(static_cast<std::uint32_t>(t))) {
            return false;
        }
        if (in[3] != 1) {
            table.last_track = static_cast<std::uint8_t>(t - 1);
            return true;
        }
        TrackEntry& entry = table.entries[static_cast<std::size_t>(t)];
        entry.start = read_be32(in, 8);
        entry.end = entry.start + read_be32(in, 24) - 1;
        entry.control = in[5] & 0x0F;
        if ((entry.control & 0x0D) != 0 && (entry.control & 0x0D) != 1) {
            return false;
        }
    }
    return true;
}

double radius_of_address(std::uint32_t address) {
    const RadiusModelRecord& model = RadiusModel();
    return std::sqrt(static_cast<double>(address) * model.growth + model.base) / 1024.0;
}

std::uint32_t address_of_radius(double radius) {
    const RadiusModelRecord& model = RadiusModel();
    const double x = radius * radius * 1048576.0;
    if (x < model.base) {
        return 0;
    }
    const double address = std::floor((x - model.base) / model.growth);
    return address >= 4294967295.0 ? 0xFFFFFFFFU : static_cast<std::uint32_t>(address);
}

}  // namespace qdu
