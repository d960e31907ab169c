// Scenarios: which simulated drives stand at which letters.
#pragma once

#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "drive/passthrough.h"
#include "simdrive/sim_drive.h"

namespace qdu {

struct DriveSetup {
    char letter = 0;
    DriveProfile profile;
};

struct Scenario {
    std::string name;
    std::vector<DriveSetup> drives;  // in letter order
};

// A scenario that cannot be used; what() names the source and line.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kDefaultScenario = "default";

std::vector<std::string> builtin_scenario_names();
Scenario parse_scenario(std::istream& in, const std::string& source);
// A built-in name, or the path of a scenario file.
Scenario load_scenario(const std::string& name_or_path);

// Makes a bus's drives one device shared with other processes: every operation on a drive
// runs inside around(), which brings the drive's memory up to date first and publishes what
// the operation changed afterwards.
class DriveSharing {
public:
    virtual ~DriveSharing() = default;
    virtual void around(char letter, SimulatedDrive& drive,
                        const std::function<void()>& operation) = 0;
    // Keeps every other user of the drives out until release(); nests.
    virtual void hold() = 0;
    virtual void release() = 0;
};

// The simulated bus: a provider that opens the scenario's drives by letter.
class SimulatedBus final : public DeviceProvider {
public:
    explicit SimulatedBus(const Scenario& scenario);

    void share(std::shared_ptr<DriveSharing> sharing) { sharing_ = std::move(sharing); }
    // Runs an operation that is not a command (a power cycle) the way commands run.
    void run(char letter, const std::function<void(SimulatedDrive&)>& operation);

    // While it lives, no other process or thread uses the drives: a short burst of commands
    // (read a page, apply it, read it back) sees and leaves a consistent drive.
    class Hold {
    public:
        explicit Hold(std::shared_ptr<DriveSharing> sharing);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        std::shared_ptr<DriveSharing> sharing_;
    };
    const std::shared_ptr<DriveSharing>& sharing() const { return sharing_; }

    OpenResult open(char letter) override;
    DeviceDescription describe(char letter) override;
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) override;

    // The drive at a letter, or null.
    std::shared_ptr<SimulatedDrive> drive(char letter) const;
    std::vector<char> letters() const;

private:
    std::map<char, std::shared_ptr<SimulatedDrive>> drives_;
    std::shared_ptr<DriveSharing> sharing_;
};

inline constexpr const char* kSimulatedDeviceName = "simulated";

}  // namespace qdu
