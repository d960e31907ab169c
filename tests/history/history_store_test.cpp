#include "history/history_store.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace qdu {
namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("qdu-history-" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        path = (folder / "sub" / "history.sqlite3").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    static RecordedCheck a_check(const std::string& when, const std::string& disc) {
        RecordedCheck check;
        check.when = when;
        check.program_version = "1.1.0.5";
        check.drive = {'D', "QUORVEL", "BD-RW KVT-R42", "1.00", "MXR 2750LC58", true};
        check.mode = "full";
        check.end = "finished";
        check.disc_level = 2;
        check.track_levels = {{1, -1}, {2, 2}};
        S_RAW_DATA finding;
        finding.position = 36900;
        finding.track = 2;
        finding.radius = 41.25;
        finding.minor_errors = 300;
        finding.major_errors = 7;
        finding.read_ok = true;
        finding.check_level = LevelC;
        check.findings = {finding};
        DiscIdentity identity;
        identity.first_track = 1;
        identity.last_track = 2;
        identity.offsets = {90000, 150, 30000};
        identity.musicbrainz = disc;
        identity.freedb = "0a04b002";
        check.disc = identity;
        return check;
    }

    std::filesystem::path folder;
    std::string path;
};

// What goes in comes out, in a database made where there was none; reopening finds it.
TEST_F(History, KeepsEveryCheckWhole) {
    std::string error;
    {
        auto store = HistoryStore::open(path, error);
        ASSERT_TRUE(store.has_value()) << error;
        RecordedCheck unfinished = a_check("2026-12-09T10:00:00Z", "disc-one");
        unfinished.end = "canceled";
        unfinished.disc_level.reset();
        unfinished.track_levels.clear();
        EXPECT_EQ(store->record(a_check("2026-12-09T09:00:00Z", "disc-one")), 1);
        EXPECT_EQ(store->record(unfinished), 2);
        EXPECT_EQ(store->record(a_check("2026-12-09T11:00:00Z", "disc-two")), 3);
    }
    auto store = HistoryStore::open(path, error);
    ASSERT_TRUE(store.has_value()) << error;
    const auto all = store->list();
    ASSERT_EQ(all.size(), 3U);
    EXPECT_EQ(all[0].id, 3);  // newest first
    EXPECT_EQ(all[2].id, 1);
    const auto one = store->list({"disc-one", ""});
    ASSERT_EQ(one.size(), 2U);
    EXPECT_EQ(store->list({"", "2026-12-09T10:00:00Z"}).size(), 2U);

    const auto first = store->find(1);
    ASSERT_TRUE(first.has_value());
    const RecordedCheck expected = a_check("2026-12-09T09:00:00Z", "disc-one");
    EXPECT_EQ(first->drive.product, expected.drive.product);
    EXPECT_TRUE(first->drive.simulated);
    EXPECT_EQ(first->disc_level, 2);
    EXPECT_EQ(first->track_levels, expected.track_levels);
    ASSERT_EQ(first->findings.size(), 1U);
    EXPECT_EQ(first->findings[0].position, 36900U);
    EXPECT_EQ(first->findings[0].radius, 41.25);
    EXPECT_EQ(first->findings[0].check_level, LevelC);
    ASSERT_TRUE(first->disc.has_value());
    EXPECT_EQ(first->disc->toc_text(), "1 2 90000 150 30000");
    EXPECT_FALSE(store->find(2)->disc_level.has_value());
    EXPECT_FALSE(store->find(4).has_value());

    // Forgetting takes the check's levels and findings with it.
    EXPECT_TRUE(store->forget(1));
    EXPECT_FALSE(store->forget(1));
    SQLite::Database raw(path);
    EXPECT_EQ(raw.execAndGet("SELECT count(*) FROM findings WHERE check_id = 1").getInt(), 0);
    EXPECT_EQ(raw.execAndGet("SELECT count(*) FROM track_levels WHERE check_id = 1").getInt(), 0);
    EXPECT_EQ(store->forget_disc("disc-one"), 1);
    ASSERT_EQ(store->list().size(), 1U);
    EXPECT_EQ(store->list()[0].id, 3);
}

// A history as the first format left it is brought up to date and keeps its checks.
TEST_F(History, UpgradesTheFirstFormatKeepingItsChecks) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    {
        SQLite::Database first(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        first.exec(R"(
            CREATE TABLE checks (id INTEGER PRIMARY KEY, recorded_at TEXT NOT NULL,
                program_version TEXT NOT NULL, drive_letter TEXT NOT NULL, vendor TEXT NOT NULL,
                product TEXT NOT NULL, revision TEXT NOT NULL, code TEXT NOT NULL,
                simulated INTEGER NOT NULL, mode TEXT NOT NULL, end_state TEXT NOT NULL,
                disc_level INTEGER, musicbrainz TEXT, freedb TEXT, toc TEXT);
            CREATE INDEX checks_by_disc ON checks (musicbrainz, recorded_at);
            CREATE TABLE track_levels (check_id INTEGER NOT NULL REFERENCES checks (id)
                ON DELETE CASCADE, track INTEGER NOT NULL, level INTEGER NOT NULL,
                PRIMARY KEY (check_id, track));
            CREATE TABLE findings (check_id INTEGER NOT NULL REFERENCES checks (id)
                ON DELETE CASCADE, seq INTEGER NOT NULL, track INTEGER NOT NULL,
                address INTEGER NOT NULL, radius REAL NOT NULL, minor_errors INTEGER NOT NULL,
                major_errors INTEGER NOT NULL, aux_a INTEGER NOT NULL, aux_b INTEGER NOT NULL,
                span_valid INTEGER NOT NULL, aux_valid INTEGER NOT NULL, read_ok INTEGER NOT NULL,
                level INTEGER NOT NULL, PRIMARY KEY (check_id, seq));
            INSERT INTO checks VALUES (1, '2026-11-30T08:00:00Z', '0.1.0', 'D', 'QUORVEL',
                'BD-RW KVT-R42', '1.00', 'MXR 2750LC58', 0, 'full', 'finished', 3,
                'old-disc', '0a04b002', '1 2 90000 150 30000');
            INSERT INTO track_levels VALUES (1, 1, -1), (1, 2, 3);
            INSERT INTO findings VALUES (1, 0, 2, 36900, 41.25, 0, 20, 0, 0, 1, 0, 1, 3);
            PRAGMA user_version = 1;)");
    }
    std::string error;
    auto store = HistoryStore::open(path, error);
    ASSERT_TRUE(store.has_value()) << error;
    SQLite::Database raw(path);
    EXPECT_EQ(raw.execAndGet("PRAGMA user_version").getInt(), 2);
    EXPECT_EQ(
        raw.execAndGet("SELECT count(*) FROM sqlite_master WHERE name = 'checks_by_time'").getInt(),
        1);
    const auto old = store->find(1);
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->disc_level, 3);
    EXPECT_FALSE(old->drive.simulated);
    ASSERT_EQ(old->findings.size(), 1U);
    EXPECT_EQ(old->findings[0].major_errors, 20);
    EXPECT_EQ(store->list({"old-disc", ""}).size(), 1U);
    EXPECT_EQ(store->record(a_check("2026-12-09T09:00:00Z", "old-disc")), 2);
}

// A file that is not a history, or one from a newer program, is refused in one line and left
// exactly as it was.
TEST_F(History, NeverTouchesADatabaseItCannotUse) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string junk(4096, 'x');
    std::ofstream(path, std::ios::binary) << junk;
    std::string error;
    EXPECT_FALSE(HistoryStore::open(path, error).has_value());
    EXPECT_NE(error.find("cannot be used"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(path), junk.size());

    std::filesystem::remove(path);
    ASSERT_TRUE(HistoryStore::open(path, error).has_value());
    // A later format, as a newer program would leave it.
    SQLite::Database(path, SQLite::OPEN_READWRITE).exec("PRAGMA user_version = 9");
    EXPECT_FALSE(HistoryStore::open(path, error).has_value());
    EXPECT_NE(error.find("newer version"), std::string::npos) << error;
}

}  // namespace
}  // namespace qdu
