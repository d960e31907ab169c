// qdu check's part of the check history: the check kept, and compared with the last one of
// the same disc.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "cdcheck/check_result.h"
#include "cdcheck/grading.h"
#include "cli/cli.h"
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

int command_history(const Context& ctx, const std::string& disc, const std::string& since) {
    std::string error;
    auto store = HistoryStore::open(ctx.history, error);
    if (!store) {
        ctx.err << "qdu: " << error << "\n";
        return kExitFailed;
    }
    const auto checks = store->list({disc, since});
    if (ctx.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const RecordedCheck& c : checks) {
            list.push_back({{"id", c.id},
                            {"when", c.when},
                            {"drive",
                             {{"letter", std::string(1, c.drive.letter)},
                              {"vendor", c.drive.vendor},
                              {"product", c.drive.product},
                              {"revision", c.drive.revision},
                              {"simulated", c.drive.simulated}}},
                            {"mode", c.mode},
                            {"end", c.end},
                            {"disc_level", c.disc_level ? nlohmann::json(std::string(
                                                              text(level_letter_id(*c.disc_level))))
                                                        : nlohmann::json(nullptr)},
                            {"disc", c.disc ? nlohmann::json{{"musicbrainz", c.disc->musicbrainz},
                                                             {"freedb", c.disc->freedb}}
                                            : nlohmann::json(nullptr)}});
        }
        ctx.out << list.dump(2) << "\n";
        return kExitDone;
    }
    if (checks.empty()) {
        ctx.err << "qdu: no checks kept in " << ctx.history
                << (disc.empty() && since.empty() ? "" : " that match") << "\n";
        return kExitDone;
    }
    for (const RecordedCheck& c : checks) {
        char line[256];
        std::snprintf(line, sizeof line, "%4lld  %s  %c %-16s  %-5s  %-8s  %-8s  %s\n",
                      static_cast<long long>(c.id), c.when.c_str(), c.drive.letter,
                      c.drive.product.c_str(), c.mode.c_str(), c.end.c_str(),
                      level_name(c.disc_level).c_str(), c.disc ? c.disc->musicbrainz.c_str() : "-");
        ctx.out << line;
    }
    return kExitDone;
}

}  // namespace qdu::cli
