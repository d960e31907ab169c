// The qdu command-line tool.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "drive/passthrough.h"

namespace qdu::cli {

enum ExitCode : int { kExitDone = 0, kExitFailed = 1, kExitUsage = 2 };

struct Environment {
    // The provider used without --simulate; null means the operating system's.
    std::shared_ptr<DeviceProvider> system_provider;
};

// Runs qdu with the given arguments (without the program name).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Environment& environment = {});

}  // namespace qdu::cli
