// One check as the history keeps it, and as the exports and `qdu --json` describe it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cdcheck/sample.h"
#include "history/disc_identity.h"

namespace qdu {

struct RecordedDrive {
    char letter = 0;
    std::string vendor;
    std::string product;
    std::string revision;
    std::string code;  // the drive's identification code
    bool simulated = false;
};

struct RecordedCheck {
    std::int64_t id = 0;  // given by record()
    std::string when;     // UTC, ISO 8601
    std::string program_version;
    RecordedDrive drive;
    std::string mode;                               // "full" or "quick"
    std::string end;                                // "finished", "canceled" or "stopped"
    std::optional<int> disc_level;                  // only a finished check has levels
    std::vector<std::pair<int, int>> track_levels;  // (track, level)
    std::vector<S_RAW_DATA> findings;
    std::optional<DiscIdentity> disc;
};

}  // namespace qdu
