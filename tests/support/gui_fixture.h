// Simulated drives for widget tests: a scenario written inline, installed as the system's.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "drive/transport.h"
#include "simdrive/scenario.h"
#include "support/command_text.h"

namespace qdu::testing {

inline std::shared_ptr<SimulatedBus> install_scenario(const std::string& text) {
    reset_drive_access();
    std::istringstream in(text);
    auto bus = std::make_shared<SimulatedBus>(parse_scenario(in, "test"));
    install_device_provider(bus);
    return bus;
}

// Empties the check history the test's windows keep their checks in ($QDU_HISTORY), so that
// no check of an earlier run is compared with.
inline void empty_check_history() {
    if (const char* path = std::getenv("QDU_HISTORY"); path != nullptr && *path != 0) {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(std::string(path) + suffix);
        }
    }
}

inline void uninstall_scenario() {
    reset_drive_access();
    install_device_provider(nullptr);
}

// The commands a drive received since the last call, in the compact form.
inline std::vector<std::string> take_commands(SimulatedDrive& drive) {
    auto texts = command_texts(drive.received());
    drive.clear_received();
    return texts;
}

}  // namespace qdu::testing
