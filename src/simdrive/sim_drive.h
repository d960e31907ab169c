// The simulated KVT-R42: a device behind the pass-through interface that answers the way
// the real drive does, so that everything above it runs unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "simdrive/recorded_command.h"
#include "simdrive/sim_disc.h"
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
    std::optional<DiscSetup> disc;  // none: an empty drive
    bool tray_open = false;         // for an empty drive: 2/3A/02 rather than 2/3A/01
};

// The Clarivox counters as the drive keeps them: a base and the time it started counting
// from it while audio plays.
struct CounterMemory {
    std::uint32_t errors = 0;
    std::uint32_t sectors = 0;
    std::uint32_t time_code = 0;
    double since = 0.0;  // clock seconds

    bool operator==(const CounterMemory&) const = default;
};

// What a simulated drive keeps while it stays powered, so that runs of the program can
// share it the way they share a real drive.
struct SimulatedDriveMemory {
    DriveSettings current;
    DriveSettings saved;
    bool power_on_attention = false;
    bool disc_ready = false;
    CounterMemory counters;

    bool operator==(const SimulatedDriveMemory&) const = default;
};

// Seconds on the drive's clock; the default is the system clock, so that playing time
// goes on between runs of the program.
using SimClock = std::function<double()>;
double system_clock_seconds();

class SimulatedDrive {
public:
    explicit SimulatedDrive(DriveProfile profile);

    // Answers one command. Never writes past the request's data.
    ScsiResult execute(const ScsiRequest& request);

    // Power off and on: pending state is lost and the next command meets 6/29/00; a disc
    // inside spins up again.
    void power_cycle();
    // Tests run the drive on their own clock; the drive counts from the clock's now.
    void set_clock(SimClock clock);
    // How long the simulated user takes to put the disc back after an eject (negative: never,
    // as when the collection is done).
    void set_insert_after(double seconds);

    bool tray_open() const;
    bool disc_inserted() const;
    std::uint8_t check_mode() const;  // 0 prepare, 1 measure, 2 finished
    bool measuring() const;

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
    ScsiResult read_disc_information(const ScsiRequest& request);
    ScsiResult read_toc(const ScsiRequest& request);
    ScsiResult read_disc_structure(const ScsiRequest& request);
    ScsiResult get_configuration(const ScsiRequest& request);
    ScsiResult start_stop_unit(const ScsiRequest& request);
    ScsiResult read_track_information(const ScsiRequest& request);
    ScsiResult read_sample(const ScsiRequest& request);
    ScsiResult control_measurement(const ScsiRequest& request);
    bool disc_in() const { return profile_.disc.has_value() && disc_in_; }

    // CHECK CONDITION when the command needs a readable disc and there is none yet.
    std::optional<ScsiResult> medium_problem() const;
    void update_readiness();
    void start_spin_up();
    std::vector<std::uint8_t> counters_reply() const;
    std::uint32_t played_sectors() const;

    std::vector<std::uint8_t> inquiry_data() const;
    std::vector<std::uint8_t> identification_data() const;

    DriveProfile profile_;
    mutable std::mutex mutex_;
    std::deque<Sense> unit_attentions_;
    SimClock clock_ = system_clock_seconds;
    double ready_at_ = 0.0;
    bool disc_ready_ = false;
    CounterMemory counters_;
    std::array<std::uint8_t, 32> request_{};
    bool disc_in_ = true;
    bool tray_open_ = false;
    double insert_at_ = 0.0;
    std::uint8_t check_mode_ = 2;  // finished
    bool measuring_ = false;
    std::uint32_t measure_position_ = 0;
    std::set<std::uint32_t> failed_once_;  // positions of flaky stretches read once
    std::array<std::uint8_t, 32> geometry_request_{};
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
