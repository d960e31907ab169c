// A check history whose rows hold anything SQLite can store (a damaged or hostile file): the
// reader decodes every check, and the report, exports and comparison are made from it, without
// a crash or undefined behaviour.
#include <SQLiteCpp/SQLiteCpp.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "cdcheck/grading.h"
#include "history/check_document.h"
#include "history/history_store.h"
#include "scratch_folder.h"

using namespace qdu;

namespace {

const std::string& history_path() {
    static const std::string path =
        fuzzing::scratch_folder("qdu-fuzz-history") + "/history.sqlite3";
    return path;
}

// Any of SQLite's kinds of value, chosen by the input.
void bind_any(SQLite::Statement& statement, int index, FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0: statement.bind(index, in.ConsumeIntegral<std::int64_t>()); break;
        case 1: statement.bind(index, in.ConsumeFloatingPoint<double>()); break;
        case 2: statement.bind(index, in.ConsumeRandomLengthString(40)); break;
        case 3: {
            const std::string blob = in.ConsumeRandomLengthString(16);
            statement.bind(index, blob.data(), static_cast<int>(blob.size()));
            break;
        }
        default: statement.bind(index); break;  // NULL, where the column takes it
    }
}

void fill(SQLite::Database& db, const char* insert, int columns, FuzzedDataProvider& in) {
    SQLite::Statement statement(db, insert);
    for (int column = 1; column <= columns; ++column) {
        bind_any(statement, column, in);
    }
    try {
        statement.exec();
    } catch (const SQLite::Exception&) {
        // A row the table's constraints refuse is simply not there.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::optional<HistoryStore> store = [] {
        std::string error;
        auto opened = HistoryStore::open(history_path(), error);
        if (!opened) {
            __builtin_trap();
        }
        return opened;
    }();
    FuzzedDataProvider in(data, size);
    {
        SQLite::Database db(history_path(), SQLite::OPEN_READWRITE);
        db.exec("DELETE FROM findings; DELETE FROM track_levels; DELETE FROM checks");
        const int checks = in.ConsumeIntegralInRange(1, 2);
        for (int i = 0; i < checks; ++i) {
            fill(db, "INSERT INTO checks VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", 15,
                 in);
        }
        const int rows = in.ConsumeIntegralInRange(0, 8);
        for (int i = 0; i < rows; ++i) {
            fill(db, "INSERT INTO track_levels VALUES (?, ?, ?)", 3, in);
            fill(db, "INSERT INTO findings VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", 13, in);
        }
    }
    std::optional<RecordedCheck> previous;
    for (const RecordedCheck& summary : store->list()) {
        const auto check = store->find(summary.id);
        if (!check) {
            __builtin_trap();
        }
        (void)check_json(*check).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        (void)check_csv(*check);
        (void)check_html(*check);
        (void)result_report(result_of(*check));
        (void)finding_lines(check->findings);
        if (previous) {
            (void)comparison_report(*previous, *check);
        }
        previous = check;
    }
    return 0;
}
