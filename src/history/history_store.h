// Every check kept: an SQLite database the window and qdu write at once (WAL, a busy timeout,
// one transaction per check). A database that cannot be used is never deleted or replaced:
// opening it says why in one line, and the program goes on without a history.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cdcheck/sample.h"
#include "history/disc_identity.h"

namespace SQLite {
class Database;
}

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

struct HistoryFilter {
    std::string musicbrainz;  // empty: every disc
    std::string since;        // empty, or the earliest `when` (ISO 8601, compared as text)
};

class HistoryStore {
public:
    ~HistoryStore();
    HistoryStore(HistoryStore&&) noexcept;

    // Opens or creates the database at `path` (its folder too). On failure: nothing, and
    // `error` says why in one line.
    static std::optional<HistoryStore> open(const std::string& path, std::string& error);

    // Writes the whole check in one transaction; returns its number.
    std::int64_t record(const RecordedCheck& check);
    // Newest first, without track levels and findings (find() has them).
    std::vector<RecordedCheck> list(const HistoryFilter& filter = {}) const;
    std::optional<RecordedCheck> find(std::int64_t id) const;

    static constexpr int kSchemaVersion = 1;

private:
    explicit HistoryStore(std::unique_ptr<SQLite::Database> db);
    std::unique_ptr<SQLite::Database> db_;
};

// $QDU_HISTORY, else $XDG_DATA_HOME (or ~/.local/share)/quorvel-drive-utility/history.sqlite3.
std::string default_history_path();

}  // namespace qdu
