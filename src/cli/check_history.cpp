// The check history on the command line: each check kept and compared with the last one of its
// disc, and `qdu history` to list, show, compare, export and forget the kept checks.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cdcheck/check_result.h"
#include "cdcheck/grading.h"
#include "cli/cli.h"
#include "cli/context.h"
#include "cli/terminal.h"
#include "drive/text.h"
#include "history/check_document.h"
#include "history/history_store.h"
#include "history/keep_check.h"
#include "simdrive/shared_file.h"
#include "status/status_commands.h"
#include "strings/strings.h"

namespace qdu::cli {

namespace {

std::string drive_text(const RecordedDrive& d) {
    std::string text = std::string(1, d.letter ? d.letter : '?') + ": " + d.vendor + " " +
                       d.product + " " + d.revision;
    return terminal_safe(d.simulated ? text + " (simulated)" : text);
}

std::optional<RecordedCheck> find_check(const Context& ctx, const HistoryStore& store,
                                        std::int64_t id) {
    auto check = store.find(id);
    if (!check) {
        ctx.err << "qdu: there is no check " << id << " in " << ctx.history
                << " (see 'qdu history' for the numbers)\n";
    }
    return check;
}

int show(const Context& ctx, const HistoryStore& store, std::int64_t id) {
    const auto check = find_check(ctx, store, id);
    if (!check) {
        return kExitFailed;
    }
    if (ctx.json) {
        ctx.out << check_json(*check).dump(2) << "\n";
        return kExitDone;
    }
    ctx.out << "Check " << check->id << ": "
            << terminal_safe(check->when + ", drive " + drive_text(check->drive) + ", " +
                             check->mode + ", " + check->end)
            << "\n\n";
    print_check(ctx, *check);
    return kExitDone;
}

int compare(const Context& ctx, const HistoryStore& store, std::int64_t a, std::int64_t b,
            bool force) {
    auto before = find_check(ctx, store, a);
    auto after = find_check(ctx, store, b);
    if (!before || !after) {
        return kExitFailed;
    }
    if (before->when > after->when || (before->when == after->when && before->id > after->id)) {
        std::swap(before, after);  // always earlier → later
    }
    const bool same_disc =
        before->disc && after->disc && before->disc->musicbrainz == after->disc->musicbrainz;
    if (!same_disc && !force) {
        ctx.err << "qdu: checks " << a << " and " << b
                << " are not of the same disc; add --force to compare them anyway\n";
        return kExitFailed;
    }
    const CheckComparison c = compare_checks(*before, *after);
    if (ctx.json) {
        auto ranges = [](const std::vector<FindingRange>& list) {
            nlohmann::json out = nlohmann::json::array();
            for (const FindingRange& r : list) {
                out.push_back({{"track", r.track},
                               {"from", format_time_code(r.first)},
                               {"to", format_time_code(r.last)},
                               {"level", std::string(text(level_letter_id(r.level)))},
                               {"samples", r.samples}});
            }
            return out;
        };
        nlohmann::json tracks = nlohmann::json::array();
        for (const TrackChange& t : c.tracks) {
            auto level = [](std::optional<int> l) {
                return l ? nlohmann::json(std::string(text(level_letter_id(*l))))
                         : nlohmann::json(nullptr);
            };
            tracks.push_back(
                {{"track", t.track}, {"then", level(t.before)}, {"now", level(t.after)}});
        }
        const char* verdicts[] = {"better", "unchanged", "worse", "not-comparable"};
        ctx.out << nlohmann::json{{"then", before->id},
                                  {"now", after->id},
                                  {"same_disc", same_disc},
                                  {"tracks", tracks},
                                  {"appeared", ranges(c.appeared)},
                                  {"went", ranges(c.went)},
                                  {"verdict", verdicts[static_cast<int>(c.verdict)]}}
                       .dump(2)
                << "\n";
        return kExitDone;
    }
    if (!same_disc) {
        ctx.out << "(not the same disc)\n";
    }
    for (const std::string& line : comparison_report(*before, *after)) {
        ctx.out << terminal_safe(line) << "\n";
    }
    return kExitDone;
}

int export_check(const Context& ctx, const HistoryStore& store, const HistoryRequest& request) {
    const auto check = find_check(ctx, store, request.ids.at(0));
    if (!check) {
        return kExitFailed;
    }
    std::string document;
    if (request.format == "json") {
        document = check_json(*check).dump(2) + "\n";
    } else if (request.format == "csv") {
        document = check_csv(*check);
    } else if (request.format == "html") {
        document = check_html(*check);
    } else {
        ctx.err << "qdu: --format takes json, csv or html, not '" << terminal_safe(request.format)
                << "'\n";
        return kExitUsage;
    }
    if (request.output.empty()) {
        ctx.out << document;
        return kExitDone;
    }
    // A file written whole or not at all: an export never leaves half a file behind.
    if (const std::string failure = replace_file(request.output, document); !failure.empty()) {
        ctx.err << "qdu: could not write " << request.output << ": " << failure << "\n";
        return kExitFailed;
    }
    ctx.err << "qdu: check " << check->id << " written to " << request.output << "\n";
    return kExitDone;
}

int forget(const Context& ctx, HistoryStore& store, const HistoryRequest& request) {
    if (request.ids.empty() == request.disc.empty()) {
        ctx.err << "qdu: say which checks to forget: a number, or --disc ID (see 'qdu history "
                   "--help')\n";
        return kExitUsage;
    }
    std::string what;
    if (!request.disc.empty()) {
        const auto checks = store.list({request.disc, ""});
        if (checks.empty()) {
            ctx.err << "qdu: no checks of the disc " << terminal_safe(request.disc)
                    << " are kept\n";
            return kExitFailed;
        }
        what = std::to_string(checks.size()) + " check" + (checks.size() == 1 ? "" : "s") +
               " of the disc " + request.disc;
    } else {
        const auto check = find_check(ctx, store, request.ids[0]);
        if (!check) {
            return kExitFailed;
        }
        what = "check " + std::to_string(check->id) + " (" + check->when + ")";
    }
    if (!ctx.yes) {
        const std::string question = "Forget " + what + "? This cannot be undone.";
        const std::optional<bool> answer = ctx.ask ? ctx.ask(question) : std::nullopt;
        if (!answer) {
            ctx.err << "qdu: there is no terminal to ask; add --yes to forget " << what << "\n";
        }
        if (!answer.value_or(false)) {
            ctx.err << "qdu: " << word(Word::Cancelled) << "\n";
            return kExitFailed;
        }
    }
    if (!request.disc.empty()) {
        store.forget_disc(request.disc);
    } else {
        store.forget(request.ids[0]);
    }
    ctx.err << "qdu: forgot " << terminal_safe(what) << "\n";
    return kExitDone;
}

int list(const Context& ctx, const HistoryStore& store, const HistoryRequest& request) {
    const auto checks = store.list({request.disc, request.since});
    if (ctx.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const RecordedCheck& c : checks) {
            list.push_back(check_json(c, false));
        }
        ctx.out << list.dump(2) << "\n";
        return kExitDone;
    }
    if (checks.empty()) {
        ctx.err << "qdu: no checks kept in " << ctx.history
                << (request.disc.empty() && request.since.empty() ? "" : " that match") << "\n";
        return kExitDone;
    }
    for (const RecordedCheck& c : checks) {
        char line[256];
        std::snprintf(line, sizeof line, "%4lld  %s  %c %-16s  %-5s  %-8s  %-8s  %s\n",
                      static_cast<long long>(c.id), terminal_safe(c.when).c_str(), c.drive.letter,
                      terminal_safe(c.drive.product).c_str(), terminal_safe(c.mode).c_str(),
                      terminal_safe(c.end).c_str(), level_text(c.disc_level).c_str(),
                      c.disc ? terminal_safe(c.disc->musicbrainz).c_str() : "-");
        ctx.out << line;
    }
    return kExitDone;
}

}  // namespace

int command_history(const Context& ctx, const HistoryRequest& request) {
    std::string error;
    auto store = HistoryStore::open(ctx.history, error);
    if (!store) {
        ctx.err << "qdu: " << error << "\n";
        return kExitFailed;
    }
    try {
        switch (request.action) {
            case HistoryRequest::Action::List: return list(ctx, *store, request);
            case HistoryRequest::Action::Show: return show(ctx, *store, request.ids.at(0));
            case HistoryRequest::Action::Compare:
                return compare(ctx, *store, request.ids.at(0), request.ids.at(1), request.force);
            case HistoryRequest::Action::Export: return export_check(ctx, *store, request);
            case HistoryRequest::Action::Forget: return forget(ctx, *store, request);
        }
    } catch (const std::exception& e) {
        ctx.err << "qdu: the check history " << ctx.history << " could not be read ("
                << one_line(e.what(), ' ') << ")\n";
    }
    return kExitFailed;
}

}  // namespace qdu::cli
