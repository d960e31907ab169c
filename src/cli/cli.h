// The qdu command-line tool.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "drive/passthrough.h"

namespace qdu::cli {

enum ExitCode : int { kExitDone = 0, kExitFailed = 1, kExitUsage = 2 };

struct Environment {
    // The provider used without --simulate; null means the operating system's.
    std::shared_ptr<DeviceProvider> system_provider;
    // The simulated drives' state file; empty means --sim-state, $QDU_SIM_STATE or the cache.
    std::string state_file;
    // Answers the pages' questions; null means the terminal.
    std::function<std::optional<bool>(const std::string&)> ask;
    // Colours and in-place redraws; unset means: when standard output is a terminal.
    std::optional<bool> terminal;
    // status --watch stops after this many readings (0: until Ctrl-C).
    int max_readings = 0;
    // The simulated drives' clock (seconds); null means the system clock.
    std::function<double()> sim_clock;
    // How long a stopped check waits for the drive (the window's 30 s unless a test says).
    std::optional<std::chrono::milliseconds> check_wait;
    // How long check --batch waits for the next disc (two minutes unless a test says).
    std::optional<std::chrono::milliseconds> batch_wait;
    // The check history; empty means --history, $QDU_HISTORY or the user's data folder.
    std::string history_file;
};

// Runs qdu with the given arguments (without the program name).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Environment& environment = {});

}  // namespace qdu::cli
