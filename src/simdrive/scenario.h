// Scenarios: which simulated drives stand at which letters.
#pragma once

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

// The simulated bus: a provider that opens the scenario's drives by letter.
class SimulatedBus final : public DeviceProvider {
public:
    explicit SimulatedBus(const Scenario& scenario);

    OpenResult open(char letter) override;
    DeviceDescription describe(char letter) override;
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) override;

    // The drive at a letter, or null.
    std::shared_ptr<SimulatedDrive> drive(char letter) const;
    std::vector<char> letters() const;

private:
    std::map<char, std::shared_ptr<SimulatedDrive>> drives_;
};

inline constexpr const char* kSimulatedDeviceName = "simulated";

}  // namespace qdu
