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

#include "history/recorded_check.h"

namespace SQLite {
class Database;
}

namespace qdu {

struct HistoryFilter {
    std::string musicbrainz;  // empty: every disc
    std::string since;        // empty, or the earliest `when` (ISO 8601, compared as text)
};

class HistoryStore {
public:
    ~HistoryStore();
    HistoryStore(HistoryStore&&) noexcept;
    HistoryStore& operator=(HistoryStore&&) noexcept;

    // Opens or creates the database at `path` (its folder too). On failure: nothing, and
    // `error` says why in one line.
    static std::optional<HistoryStore> open(const std::string& path, std::string& error);

    // Writes the whole check in one transaction; returns its number.
    std::int64_t record(const RecordedCheck& check);
    // Newest first, without track levels and findings (find() has them).
    std::vector<RecordedCheck> list(const HistoryFilter& filter = {}) const;
    std::optional<RecordedCheck> find(std::int64_t id) const;
    // Removes the check with its levels and findings; false when there is none by that number.
    bool forget(std::int64_t id);
    // Removes every check of the disc; returns how many there were.
    int forget_disc(const std::string& musicbrainz);

    // 1: the first; 2: checks found by date without reading them all.
    static constexpr int kSchemaVersion = 2;

private:
    explicit HistoryStore(std::unique_ptr<SQLite::Database> db);
    std::unique_ptr<SQLite::Database> db_;
};

// $QDU_HISTORY, else $XDG_DATA_HOME (or ~/.local/share)/quorvel-drive-utility/history.sqlite3.
std::string default_history_path();

}  // namespace qdu
