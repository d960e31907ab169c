#include "history/history_store.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <sstream>

#include "drive/text.h"

namespace qdu {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSchemaV1 = R"(
CREATE TABLE checks (
    id INTEGER PRIMARY KEY,
    recorded_at TEXT NOT NULL,
    program_version TEXT NOT NULL,
    drive_letter TEXT NOT NULL,
    vendor TEXT NOT NULL,
    product TEXT NOT NULL,
    revision TEXT NOT NULL,
    code TEXT NOT NULL,
    simulated INTEGER NOT NULL,
    mode TEXT NOT NULL,
    end_state TEXT NOT NULL,
    disc_level INTEGER,
    musicbrainz TEXT,
    freedb TEXT,
    toc TEXT
);
CREATE INDEX checks_by_disc ON checks (musicbrainz, recorded_at);
CREATE TABLE track_levels (
    check_id INTEGER NOT NULL REFERENCES checks (id) ON DELETE CASCADE,
    track INTEGER NOT NULL,
    level INTEGER NOT NULL,
    PRIMARY KEY (check_id, track)
);
CREATE TABLE findings (
    check_id INTEGER NOT NULL REFERENCES checks (id) ON DELETE CASCADE,
    seq INTEGER NOT NULL,
    track INTEGER NOT NULL,
    address INTEGER NOT NULL,
    radius REAL NOT NULL,
    minor_errors INTEGER NOT NULL,
    major_errors INTEGER NOT NULL,
    aux_a INTEGER NOT NULL,
    aux_b INTEGER NOT NULL,
    span_valid INTEGER NOT NULL,
    aux_valid INTEGER NOT NULL,
    read_ok INTEGER NOT NULL,
    level INTEGER NOT NULL,
    PRIMARY KEY (check_id, seq)
);
)";

// Each step takes a database from the version before to its own; a database is brought up to
// date one step after the other, in one transaction.
constexpr const char* kUpgrades[] = {
    kSchemaV1,
    "CREATE INDEX checks_by_time ON checks (recorded_at)",
};
static_assert(std::size(kUpgrades) == HistoryStore::kSchemaVersion);

#define QDU_CHECK_FIELDS                                                                       \
    "recorded_at, program_version, drive_letter, vendor, product, revision, code, simulated, " \
    "mode, end_state, disc_level, musicbrainz, freedb, toc"
constexpr const char* kCheckColumns = "id, " QDU_CHECK_FIELDS;
constexpr const char* kInsertCheck =
    "INSERT INTO checks (" QDU_CHECK_FIELDS ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
#undef QDU_CHECK_FIELDS

// The table of contents as stored ("FIRST LAST LEADOUT OFFSET..."); nothing when it is not one.
std::optional<DiscIdentity> identity_from(const std::string& musicbrainz, const std::string& freedb,
                                          const std::string& toc) {
    std::istringstream in(toc);
    DiscIdentity identity;
    in >> identity.first_track >> identity.last_track;
    for (int offset = 0; in >> offset;) {
        identity.offsets.push_back(offset);
    }
    if (identity.first_track < 1 || identity.last_track < identity.first_track ||
        identity.offsets.size() !=
            static_cast<std::size_t>(identity.last_track - identity.first_track + 2)) {
        return std::nullopt;
    }
    identity.musicbrainz = musicbrainz;
    identity.freedb = freedb;
    return identity;
}

RecordedCheck check_from(SQLite::Statement& row) {
    RecordedCheck check;
    check.id = row.getColumn(0).getInt64();
    check.when = row.getColumn(1).getString();
    check.program_version = row.getColumn(2).getString();
    const std::string letter = row.getColumn(3).getString();
    check.drive.letter = letter.empty() ? '?' : letter[0];
    check.drive.vendor = row.getColumn(4).getString();
    check.drive.product = row.getColumn(5).getString();
    check.drive.revision = row.getColumn(6).getString();
    check.drive.code = row.getColumn(7).getString();
    check.drive.simulated = row.getColumn(8).getInt() != 0;
    check.mode = row.getColumn(9).getString();
    check.end = row.getColumn(10).getString();
    if (!row.getColumn(11).isNull()) {
        check.disc_level = row.getColumn(11).getInt();
    }
    if (!row.getColumn(12).isNull()) {
        check.disc = identity_from(row.getColumn(12).getString(), row.getColumn(13).getString(),
                                   row.getColumn(14).getString());
    }
    return check;
}

void read_details(const SQLite::Database& db, RecordedCheck& check) {
    SQLite::Statement levels(db,
                             "SELECT track, level FROM track_levels WHERE check_id = ? "
                             "ORDER BY track");
    levels.bind(1, check.id);
    while (levels.executeStep()) {
        check.track_levels.emplace_back(levels.getColumn(0).getInt(), levels.getColumn(1).getInt());
    }
    SQLite::Statement findings(db,
                               "SELECT track, address, radius, minor_errors, major_errors, aux_a, "
                               "aux_b, span_valid, aux_valid, read_ok, level FROM findings "
                               "WHERE check_id = ? ORDER BY seq");
    findings.bind(1, check.id);
    while (findings.executeStep()) {
        S_RAW_DATA f;
        f.track = static_cast<std::uint8_t>(findings.getColumn(0).getInt());
        f.position = static_cast<std::uint32_t>(findings.getColumn(1).getInt64());
        f.radius = findings.getColumn(2).getDouble();
        f.minor_errors = static_cast<std::uint16_t>(findings.getColumn(3).getInt());
        f.major_errors = static_cast<std::uint16_t>(findings.getColumn(4).getInt());
        f.aux_a = static_cast<std::uint16_t>(findings.getColumn(5).getInt());
        f.aux_b = static_cast<std::uint16_t>(findings.getColumn(6).getInt());
        f.span_valid = findings.getColumn(7).getInt() != 0;
        f.aux_valid = findings.getColumn(8).getInt() != 0;
        f.read_ok = findings.getColumn(9).getInt() != 0;
        f.check_level = static_cast<CheckLevel>(findings.getColumn(10).getInt());
        check.findings.push_back(f);
    }
}

}  // namespace

HistoryStore::HistoryStore(std::unique_ptr<SQLite::Database> db) : db_(std::move(db)) {}
HistoryStore::~HistoryStore() = default;
HistoryStore::HistoryStore(HistoryStore&&) noexcept = default;
HistoryStore& HistoryStore::operator=(HistoryStore&&) noexcept = default;

std::optional<HistoryStore> HistoryStore::open(const std::string& path, std::string& error) {
    try {
        const fs::path file(path);
        if (file.has_parent_path()) {
            fs::create_directories(file.parent_path());
        }
        auto db = std::make_unique<SQLite::Database>(
            path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE | SQLite::OPEN_FULLMUTEX);
        // Another program writing waits its turn instead of failing.
        db->setBusyTimeout(10000);
        const int version = db->execAndGet("PRAGMA user_version").getInt();
        if (version > kSchemaVersion) {
            error = "the check history " + path + " was written by a newer version of this " +
                    "program (format " + std::to_string(version) +
                    "); checks are not kept in it until this program is updated";
            return std::nullopt;
        }
        db->exec("PRAGMA journal_mode = WAL");
        db->exec("PRAGMA foreign_keys = ON");
        if (version < kSchemaVersion) {
            SQLite::Transaction upgrade(*db, SQLite::TransactionBehavior::IMMEDIATE);
            // Another program may have brought it up to date meanwhile.
            for (int step = db->execAndGet("PRAGMA user_version").getInt(); step < kSchemaVersion;
                 ++step) {
                db->exec(kUpgrades[step]);
            }
            db->exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
            upgrade.commit();
        }
        return HistoryStore(std::move(db));
    } catch (const std::exception& e) {
        error = one_line("the check history " + path + " cannot be used (" + e.what() +
                             "); checks are not kept until it is moved away or mended",
                         ' ');
        return std::nullopt;
    }
}

std::int64_t HistoryStore::record(const RecordedCheck& check) {
    SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
    SQLite::Statement insert(*db_, kInsertCheck);
    insert.bind(1, check.when);
    insert.bind(2, check.program_version);
    insert.bind(3, std::string(1, check.drive.letter));
    insert.bind(4, check.drive.vendor);
    insert.bind(5, check.drive.product);
    insert.bind(6, check.drive.revision);
    insert.bind(7, check.drive.code);
    insert.bind(8, check.drive.simulated ? 1 : 0);
    insert.bind(9, check.mode);
    insert.bind(10, check.end);
    if (check.disc_level) {
        insert.bind(11, *check.disc_level);
    }
    if (check.disc) {
        insert.bind(12, check.disc->musicbrainz);
        insert.bind(13, check.disc->freedb);
        insert.bind(14, check.disc->toc_text());
    }
    insert.exec();
    const std::int64_t id = db_->getLastInsertRowid();

    SQLite::Statement level(*db_, "INSERT INTO track_levels VALUES (?, ?, ?)");
    for (const auto& [track, value] : check.track_levels) {
        level.bind(1, id);
        level.bind(2, track);
        level.bind(3, value);
        level.exec();
        level.reset();
    }
    SQLite::Statement finding(
        *db_, "INSERT INTO findings VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    int seq = 0;
    for (const S_RAW_DATA& f : check.findings) {
        finding.bind(1, id);
        finding.bind(2, seq++);
        finding.bind(3, f.track);
        finding.bind(4, static_cast<std::int64_t>(f.position));
        finding.bind(5, f.radius);
        finding.bind(6, f.minor_errors);
        finding.bind(7, f.major_errors);
        finding.bind(8, f.aux_a);
        finding.bind(9, f.aux_b);
        finding.bind(10, f.span_valid ? 1 : 0);
        finding.bind(11, f.aux_valid ? 1 : 0);
        finding.bind(12, f.read_ok ? 1 : 0);
        finding.bind(13, static_cast<int>(f.check_level));
        finding.exec();
        finding.reset();
    }
    transaction.commit();
    return id;
}

std::vector<RecordedCheck> HistoryStore::list(const HistoryFilter& filter) const {
    SQLite::Statement query(*db_, std::string("SELECT ") + kCheckColumns +
                                      " FROM checks WHERE (?1 = '' OR musicbrainz = ?1) AND "
                                      "(?2 = '' OR recorded_at >= ?2) ORDER BY recorded_at "
                                      "DESC, id DESC");
    query.bind(1, filter.musicbrainz);
    query.bind(2, filter.since);
    std::vector<RecordedCheck> checks;
    while (query.executeStep()) {
        checks.push_back(check_from(query));
    }
    return checks;
}

std::optional<RecordedCheck> HistoryStore::find(std::int64_t id) const {
    SQLite::Statement query(*db_,
                            std::string("SELECT ") + kCheckColumns + " FROM checks WHERE id = ?");
    query.bind(1, id);
    if (!query.executeStep()) {
        return std::nullopt;
    }
    RecordedCheck check = check_from(query);
    read_details(*db_, check);
    return check;
}

bool HistoryStore::forget(std::int64_t id) {
    SQLite::Statement remove(*db_, "DELETE FROM checks WHERE id = ?");
    remove.bind(1, id);
    return remove.exec() > 0;
}

int HistoryStore::forget_disc(const std::string& musicbrainz) {
    SQLite::Statement remove(*db_, "DELETE FROM checks WHERE musicbrainz = ?");
    remove.bind(1, musicbrainz);
    return remove.exec();
}

std::string default_history_path() {
    if (const char* explicit_path = std::getenv("QDU_HISTORY"); explicit_path && *explicit_path) {
        return explicit_path;
    }
    fs::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        data = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        data = fs::path(home) / ".local" / "share";
    } else {
        data = fs::temp_directory_path();
    }
    return (data / "quorvel-drive-utility" / "history.sqlite3").string();
}

}  // namespace qdu
