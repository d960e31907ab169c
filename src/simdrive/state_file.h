// The simulated drives stay powered between runs of the program, as a real drive does: their
// settings, pending power-on reset and counters are kept in a state file. Every process that
// simulates them works on that file as on one shared device: each command runs under a lock
// on the file, after taking the drive's memory from it, and what the command changed is
// written back before the lock is let go.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "simdrive/scenario.h"
#include "simdrive/shared_file.h"

namespace qdu {

// QDU_SIM_STATE when set, else the user's cache directory.
std::string default_state_path();

// The key a scenario's drives are kept under: a built-in name, or the file's absolute path.
std::string scenario_key(const std::string& name_or_path);

// Reads a state file's text; throws std::runtime_error with a one-line reason when it is not
// a whole state file of this program.
void check_simulation_state(const std::string& text);

class SimulationStateFile final : public DriveSharing {
public:
    // Opens (creating when needed) the lock file beside `path`.
    SimulationStateFile(std::string path, std::string key);
    ~SimulationStateFile() override;
    SimulationStateFile(const SimulationStateFile&) = delete;
    SimulationStateFile& operator=(const SimulationStateFile&) = delete;

    void around(char letter, SimulatedDrive& drive,
                const std::function<void()>& operation) override;
    void hold() override;
    void release() override;

    // One-line warnings since the last call: a damaged file moved aside, a failed write.
    std::vector<std::string> take_warnings();

private:
    bool refresh();
    void publish(char letter, const SimulatedDriveMemory& memory);
    void warn(std::string text);

    std::string path_;
    std::string key_;
    std::unique_ptr<FileLock> lock_;
    std::recursive_mutex mutex_;
    int depth_ = 0;
    std::string text_;        // the file as last read or written by us
    unsigned version_ = 0;    // counts changes of text_ made by others
    std::string unreadable_;  // why the file could not be read last time, if it could not
    struct Synced {
        unsigned version = 0;
        std::optional<SimulatedDriveMemory> memory;  // what the file holds for the drive
    };
    std::map<char, Synced> synced_;
    std::mutex warnings_mutex_;
    std::vector<std::string> warnings_;
};

// Shares the bus's drives through the state file at `path` and brings each drive up to it at
// once (taking its memory from the file, or publishing the scenario's). Warnings are collected
// in the returned store.
std::shared_ptr<SimulationStateFile> share_simulation_state(SimulatedBus& bus,
                                                            const std::string& key,
                                                            const std::string& path);

}  // namespace qdu
