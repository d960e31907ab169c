// The simulated KVT-R42: a device behind the pass-through interface that answers the way
// the real drive does, so that everything above it runs unchanged.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "simdrive/recorded_command.h"
#include "simdrive/sim_settings.h"

namespace qdu {

struct DriveProfile {
    std::string vendor = "QUORVEL";         // INQUIRY bytes 8..15
    std::string product = "BD-RW KVT-R42";  // INQUIRY bytes 16..31
    std::string revision = "1.00";          // INQUIRY bytes 32..35
    std::string vendor_specific;            // INQUIRY bytes 36..55
    // Bytes 16..31 of identification buffer F1h. A drive without vendor buffers refuses F1h.
    std::string identification_code;
    std::string identification_tail = "20261102";  // bytes 32..47 of buffer F1h
    bool vendor_buffers = true;
    DriveSettings settings;  // at power-on, current and saved alike
    bool real_time_clarivox_supported = true;
    bool speed_limit_warning = false;
};

// What a simulated drive keeps while it stays powered, so that runs of the program can
// share it the way they share a real drive.
struct SimulatedDriveMemory {
    DriveSettings current;
    DriveSettings saved;
    bool power_on_attention = false;
};

class SimulatedDrive {
public:
    explicit SimulatedDrive(DriveProfile profile);

    // Answers one command. Never writes past the request's data.
    ScsiResult execute(const ScsiRequest& request);

    // Power off and on: pending state is lost and the next command meets 6/29/00.
    void power_cycle();

    const DriveProfile& profile() const { return profile_; }
    bool medium_removal_prevented() const;
    bool media_notification_suppressed() const;
    void set_media_notification_suppressed(bool suppressed);

    SimulatedDriveMemory memory() const;
    void restore(const SimulatedDriveMemory& memory);
    DriveSettings current_settings() const;
    DriveSettings saved_settings() const;

    // Every command received since the last clear, oldest first.
    std::vector<RecordedCommand> received() const;
    void clear_received();

private:
    struct Sense {
        std::uint8_t key, asc, ascq;
    };

    ScsiResult dispatch(const ScsiRequest& request);
    ScsiResult inquiry(const ScsiRequest& request);
    ScsiResult request_sense(const ScsiRequest& request);
    ScsiResult test_unit_ready();
    ScsiResult read_buffer(const ScsiRequest& request);
    ScsiResult prevent_allow_medium_removal(const ScsiRequest& request);
    ScsiResult write_buffer(const ScsiRequest& request);
    ScsiResult set_cd_speed(const ScsiRequest& request);

    std::vector<std::uint8_t> inquiry_data() const;
    std::vector<std::uint8_t> identification_data() const;

    DriveProfile profile_;
    mutable std::mutex mutex_;
    std::optional<Sense> unit_attention_;
    SettingsStore settings_;
    bool prevent_removal_ = false;
    bool notification_suppressed_ = false;
    std::vector<RecordedCommand> received_;
};

// Copies `reply` into a data-in request, as far as both the allocation length and the
// buffer reach; returns the GOOD result with the count.
ScsiResult transfer_in(const ScsiRequest& request, const std::vector<std::uint8_t>& reply,
                       std::uint32_t allocation_length);

}  // namespace qdu
