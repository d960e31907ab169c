// qdu check's part of the check history: the check kept, and compared with the last one of
// the same disc.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "cdcheck/check_result.h"
#include "cdcheck/grading.h"
#include "cli/context.h"
#include "history/history_store.h"
#include "strings/strings.h"

namespace qdu::cli {

namespace {

std::string utc_now() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string level_name(std::optional<int> level) {
    return level ? std::string(text(level_label_id(*level))) : std::string("-");
}

// One line: when the disc was last checked, its level then and now, and which way it went.
std::string comparison_line(const RecordedCheck& before, std::optional<int> now) {
    const bool ja = ui_language() == Language::Japanese;
    std::string verdict;
    if (!before.disc_level || !now) {
        verdict = ja ? "比較できません（どちらかのチェックが最後まで終わっていません）"
                     : "no comparison (one of the checks did not finish)";
    } else if (*now > *before.disc_level) {
        verdict = ja ? "悪化" : "worse";
    } else if (*now < *before.disc_level) {
        verdict = ja ? "改善" : "better";
    } else {
        verdict = ja ? "変化なし" : "unchanged";
    }
    const std::string then = level_name(before.disc_level);
    const std::string current = level_name(now);
    if (ja) {
        return "前回のチェック（" + before.when + "、履歴 " + std::to_string(before.id) +
               "）: " + then + " → 今回 " + current + ": " + verdict;
    }
    return "Last checked " + before.when + " (history " + std::to_string(before.id) + "): " + then +
           " then, " + current + " now: " + verdict;
}

}  // namespace

KeptCheck keep_check(const std::string& history, const CheckToKeep& check) {
    KeptCheck kept;
    const std::optional<DiscIdentity> disc = identify_disc(TrackTable());
    if (disc) {
        kept.musicbrainz = disc->musicbrainz;
        kept.freedb = disc->freedb;
        kept.toc = disc->toc_text();
    }
    auto store = HistoryStore::open(history, kept.error);
    if (!store) {
        return kept;
    }
    RecordedCheck record;
    record.when = utc_now();
    record.program_version = QDU_PROGRAM_VERSION;
    if (check.drive != nullptr) {
        record.drive = {check.drive->letter,   check.drive->vendor, check.drive->product,
                        check.drive->revision, check.drive->code,   check.simulated};
    }
    record.mode = check.quick ? "quick" : "full";
    record.end = check.end;
    if (check.finished) {
        const CInspectionResult& result = check_result();
        record.disc_level = result.disc_level;
        for (int track = 1; track <= result.last_track && track <= kMaxTracks; ++track) {
            record.track_levels.emplace_back(track,
                                             result.track_level[static_cast<std::size_t>(track)]);
        }
    }
    record.findings = check.findings;
    record.disc = disc;
    try {
        if (disc) {
            const auto before = store->list({disc->musicbrainz, ""});
            if (!before.empty()) {
                kept.comparison = comparison_line(before.front(), record.disc_level);
            }
        }
        kept.id = store->record(record);
    } catch (const std::exception& e) {
        kept.error =
            "the check could not be kept in the history " + history + " (" + e.what() + ")";
        kept.comparison.clear();
    }
    return kept;
}

}  // namespace qdu::cli
