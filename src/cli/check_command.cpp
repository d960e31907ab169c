// qdu check: one audio CD check, as the progress dialog runs it, then the report.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "cdcheck/check_commands.h"
#include "cdcheck/event_queue.h"
#include "cdcheck/grading.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "cli/context.h"
#include "cli/interrupt.h"
#include "cli/terminal.h"
#include "drive/transport.h"
#include "history/check_document.h"
#ifdef QDU_HAVE_HISTORY
#include "history/keep_check.h"
#endif
#include "status/status_commands.h"
#include "strings/strings.h"

namespace qdu::cli {

namespace {

std::string ansi(const Rgb& c) {
    if (c == level_colour(LevelB)) {
        return "\x1b[32m";
    }
    if (c == level_colour(LevelC)) {
        return "\x1b[33m";
    }
    if (c == level_colour(LevelD)) {
        return "\x1b[31m";
    }
    return "";
}

// The report's runs as terminal text: CR LF becomes LF, level colours become ANSI colours.
std::string report_text(const CInspectionResult& result, bool colour) {
    std::string out;
    for (const ReportRun& run : result_report(result)) {
        std::string piece;
        for (const char c : run.text) {
            if (c != '\r') {
                piece.push_back(c);
            }
        }
        const std::string start = colour && run.colour ? ansi(*run.colour) : "";
        out += start.empty() ? piece : start + piece + "\x1b[0m";
    }
    return out;
}

// How the check ended for the user: the worker's end code, or the user's stop, which wins
// over an end that came after it (as a click on the dialog's Cancel does).
enum class Outcome { Finished, NotAvailable, Stopped, Canceled };

const char* end_word(Outcome end) {
    switch (end) {
        case Outcome::Finished: return "finished";
        case Outcome::NotAvailable: return "not-available";
        case Outcome::Stopped: return "stopped";
        case Outcome::Canceled: return "canceled";
    }
    return "stopped";
}

class Progress {
public:
    Progress(std::ostream& err, bool redraw) : err_(err), redraw_(redraw) {}

    void line(const std::string& text) {
        clear();
        err_ << text << "\n";
        err_.flush();
    }
    void stage(const std::string& text) {
        stage_ = text;
        update();
    }
    // Without a terminal to redraw on, a plain line every 10 %, with the time left.
    void percent(std::uint32_t value) {
        percent_ = value;
        if (!redraw_ && value / 10 != shown_tenth_) {
            shown_tenth_ = value / 10;
            err_ << "  " << value << "%" << (remaining_.empty() ? "" : "  " + remaining_) << "\n";
            err_.flush();
        }
        update();
    }
    void remaining(std::uint32_t seconds) {
        remaining_ =
            formatted_text(157, static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
        update();
    }
    void clear() {
        if (redraw_ && drawn_) {
            err_ << "\r\x1b[K";
            drawn_ = false;
        }
    }

private:
    void update() {
        if (!redraw_) {
            return;
        }
        std::string bar(20, '.');
        const std::uint32_t filled = std::min<std::uint32_t>(percent_, 100) / 5;
        std::fill_n(bar.begin(), filled, '#');
        err_ << "\r\x1b[K" << stage_ << "  [" << bar << "] "
             << std::min<std::uint32_t>(percent_, 100) << "%  " << remaining_;
        err_.flush();
        drawn_ = true;
    }

    std::ostream& err_;
    bool redraw_;
    bool drawn_ = false;
    std::string stage_;
    std::string remaining_;
    std::uint32_t percent_ = 0;
    std::uint32_t shown_tenth_ = 0;
};

}  // namespace

void print_check(const Context& ctx, const RecordedCheck& check) {
    const auto ranges = finding_ranges(check.findings);
    if (check.disc_level) {
        ctx.out << report_text(result_of(check), ctx.terminal);
        if (!ranges.empty()) {
            ctx.out << "\nFindings:\n";
        }
    } else if (!ranges.empty()) {
        ctx.out << "Findings so far (the check did not finish, so no level is given for "
                   "the disc or its tracks):\n";
    }
    for (const std::string& line : finding_lines(check.findings)) {
        ctx.out << line << "\n";
    }
    if (check.disc) {
        ctx.out << "\n" << terminal_safe(disc_line(*check.disc)) << "\n";
    }
}

namespace {

// One check as the progress dialog runs it; in a batch, a tray left empty for `disc_wait`
// ends it before it reads anything.
struct CheckRunResult {
    Outcome outcome = Outcome::Stopped;
    bool measured = false;
    bool kept = false;
    bool interrupted = false;
    bool no_disc = false;
    RecordedCheck record;
    std::string comparison;
    std::optional<Verdict> verdict;  // against the last check of the disc
};

CheckRunResult run_one_check(const Context& ctx, const DriveEntry* current, bool quick,
                             std::optional<std::chrono::milliseconds> disc_wait) {
    reset_result();
    auto queue = std::make_shared<CheckEventQueue>();
    auto context = std::make_shared<CheckContext>();
    context->mode = quick ? Quick : Full;
    context->sink = queue;

    const bool redraw = ctx.terminal && is_terminal(Stream::Err);
    Progress progress(ctx.err, redraw);
    progress.line(std::string(text(155)));
    CheckRun run(context);
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> give_up_at;  // the bound on the worker after a stop
    int end = Stopped;
    bool ended = false;
    bool measured = false;  // the check got as far as reading the disc
    bool cancel_sent = false;
    bool no_disc = false;
    const auto started = Clock::now();
    auto stop = [&] {
        if (!cancel_sent) {
            cancel_sent = true;
            context->cancel_requested = true;
            give_up_at = Clock::now() + ctx.check_wait;
            progress.line("qdu: stopping the check...");
        }
    };
    // What is left of the bound once a stop was sent; the whole bound before.
    auto time_left = [&] {
        if (!give_up_at) {
            return ctx.check_wait;
        }
        return std::max(
            std::chrono::milliseconds(0),
            std::chrono::duration_cast<std::chrono::milliseconds>(*give_up_at - Clock::now()));
    };
    while (!ended) {
        if (InterruptGuard::interrupted()) {
            stop();
        }
        if (disc_wait && !measured && !cancel_sent && Clock::now() - started > *disc_wait) {
            no_disc = true;
            stop();
        }
        auto wait = std::chrono::milliseconds(100);
        if (give_up_at) {
            if (time_left().count() == 0) {
                break;
            }
            wait = std::min(wait, time_left());
        }
        const auto event = queue->pop(wait);
        if (!event) {
            if (cancel_sent && run.wait(std::chrono::milliseconds(0))) {
                break;
            }
            continue;
        }
        switch (event->message) {
            case WM_CHECK_STAGE:
                disc_wait.reset();  // a disc is in
                measured = measured || event->wparam != 0;
                if (event->wparam == 0) {
                    progress.line(std::string(text(156)));
                } else {
                    const std::string stage =
                        formatted_text(124, static_cast<int>(event->lparam & 0xFF),
                                       static_cast<int>((event->lparam >> 8) & 0xFF));
                    if (redraw) {
                        progress.stage(stage);
                    } else {
                        progress.line(stage);
                    }
                }
                break;
            case WM_CHECK_REMAINING: progress.remaining(event->wparam); break;
            case WM_CHECK_PROGRESS: progress.percent(event->wparam); break;
            case WM_CHECK_END:
                end = static_cast<int>(event->wparam);
                ended = true;
                // A Ctrl-C that came before this end was handled wins over it.
                if (InterruptGuard::interrupted()) {
                    stop();
                }
                break;
        }
    }
    const bool worker_ended = run.wait(time_left());
    queue->close();
    progress.clear();

    const Outcome outcome = cancel_sent           ? Outcome::Canceled
                            : end == Finished     ? Outcome::Finished
                            : end == NotAvailable ? Outcome::NotAvailable
                                                  : Outcome::Stopped;
    const int end_text = outcome == Outcome::Finished       ? 123
                         : outcome == Outcome::NotAvailable ? 159
                                                            : 128;
    if (!(no_disc && !measured)) {
        ctx.err << text(end_text) << "\n";
    }

    std::vector<S_RAW_DATA> findings;
    {
        std::lock_guard lock(context->dialog_lock);
        findings = context->findings;
    }
    // The check as the history keeps it and --json describes it; levels only for a check that
    // went through the whole disc.
    RecordedCheck record;
    record.when = utc_timestamp();
    record.program_version = QDU_PROGRAM_VERSION;
    if (current != nullptr) {
        record.drive = {current->letter,   current->vendor, current->product,
                        current->revision, current->code,   ctx.simulated};
    }
    record.mode = quick ? "quick" : "full";
    record.end = end_word(outcome);
    if (outcome == Outcome::Finished) {
        const CInspectionResult& result = check_result();
        record.disc_level = result.disc_level;
        for (int track = 1; track <= result.last_track && track <= kMaxTracks; ++track) {
            record.track_levels.emplace_back(track,
                                             result.track_level[static_cast<std::size_t>(track)]);
        }
    }
    record.findings = findings;
    CheckRunResult result;
    result.outcome = outcome;
    result.measured = measured;
    result.interrupted = InterruptGuard::interrupted();
    result.no_disc = no_disc && !measured;
    // Every check that read the disc is kept, however it ended (not one left running).
#ifdef QDU_HAVE_HISTORY
    if (measured && worker_ended && outcome != Outcome::NotAvailable) {
        const KeptCheck kept = keep_check(ctx.history, record);
        if (!kept.error.empty()) {
            ctx.err << "qdu: " << kept.error << "\n";
        }
        result.comparison = kept.comparison;
        result.verdict = kept.verdict;
        result.kept = record.id != 0;
    }
#endif
    if (!ctx.json && outcome != Outcome::NotAvailable && !result.no_disc) {
        print_check(ctx, record);
        if (!result.comparison.empty()) {
            ctx.out << result.comparison << "\n";
        }
    }
    if (!worker_ended) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(ctx.check_wait);
        ctx.err << "qdu: the drive did not finish its last command within " << seconds.count()
                << " seconds of the stop; leaving it (take the disc out once the drive is idle)\n";
        // The worker still runs and still uses the drive records; ending the process here,
        // before anything is torn down under it, is the only safe way out.
        if (ctx.json) {
            ctx.out << check_json(record).dump(2) << "\n";
        }
        ctx.out.flush();
        ctx.err.flush();
        std::_Exit(kExitFailed);
    }
    result.record = std::move(record);
    return result;
}

// The batch's last word: a line for each disc checked.
void print_summary(const Context& ctx, const std::vector<CheckRunResult>& checks) {
    ctx.out << "\nBatch: " << checks.size() << " check" << (checks.size() == 1 ? "" : "s")
            << "\n  #  Disc ID                       Tracks  Level    Since last time\n";
    int n = 0;
    for (const CheckRunResult& c : checks) {
        const RecordedCheck& r = c.record;
        std::string since = "first check";
        if (c.outcome == Outcome::NotAvailable) {
            since = "not an audio CD the check can read";
        } else if (r.end != "finished") {
            since = r.end;
        } else if (c.verdict) {
            since = verdict_text(*c.verdict);
        }
        char line[200];
        std::snprintf(
            line, sizeof line, "%3d  %-28s  %6zu  %-7s  %s\n", ++n,
            r.disc ? r.disc->musicbrainz.c_str() : "-",
            r.disc ? r.disc->offsets.size() - 1 : std::size_t{0},
            r.disc_level ? std::string(text(level_letter_id(*r.disc_level))).c_str() : "-",
            since.c_str());
        ctx.out << line;
    }
}

}  // namespace

int command_check(const Context& ctx, bool quick, bool batch) {
    DriveList list;
    if (!open_chosen_drive(ctx, list)) {
        return kExitFailed;
    }
    const char letter_of_drive = drive_device().letter;
    const DriveEntry* current = nullptr;
    for (const DriveEntry& e : list.entries) {
        current = e.letter == letter_of_drive ? &e : current;
    }
    if (current != nullptr && !current->cd_check_enabled) {
        ctx.err << "qdu: the audio CD check is offered only for drives with the "
                   "identification code "
                << kCodeWithCheck << "; the drive at " << current->letter
                << " does not have it (see 'qdu list')\n";
        return kExitFailed;
    }
    ctx.err << "qdu: the check opens the drive's tray; put the audio CD in when it is open.\n";
    if (batch) {
        ctx.err << "qdu: after each check the tray opens again: put the next disc in. Ctrl-C, or "
                   "an empty tray for "
                << std::chrono::duration_cast<std::chrono::seconds>(ctx.batch_wait).count()
                << " s, ends the batch.\n";
    }
    bool cancelled = false;
    if (!ctx.yes) {
        const std::optional<bool> answer =
            ctx.ask ? ctx.ask(batch ? "Start checking discs?" : "Start the check?") : std::nullopt;
        if (!answer) {
            ctx.err << "qdu: there is no terminal to ask; add --yes to start the check\n";
        }
        cancelled = !answer.value_or(false);
    }
    if (cancelled) {
        ctx.err << "qdu: " << word(Word::Cancelled) << "\n";
        return kExitFailed;
    }

    InterruptGuard guard;
    std::vector<CheckRunResult> checks;
    for (;;) {
        if (batch && !checks.empty()) {
            ctx.err << "\nqdu: check " << checks.size()
                    << " done. Put the next disc in (Ctrl-C ends the batch).\n";
        }
        CheckRunResult check = run_one_check(
            ctx, current, quick,
            batch ? std::optional<std::chrono::milliseconds>(ctx.batch_wait) : std::nullopt);
        const bool last =
            !batch || check.interrupted || check.no_disc || check.outcome == Outcome::Stopped;
        if (check.no_disc) {
            ctx.err << "qdu: no disc was put in within "
                    << std::chrono::duration_cast<std::chrono::seconds>(ctx.batch_wait).count()
                    << " s; the batch ends\n";
        } else {
            checks.push_back(std::move(check));
        }
        if (last) {
            break;
        }
    }
    if (ctx.json) {
        nlohmann::json out = nlohmann::json::array();
        for (const CheckRunResult& c : checks) {
            out.push_back(check_json(c.record));
        }
        ctx.out << (batch         ? out.dump(2)
                    : out.empty() ? std::string("null")
                                  : out[0].dump(2))
                << "\n";
    } else if (batch) {
        print_summary(ctx, checks);
    }
    const bool all_finished =
        !checks.empty() && std::all_of(checks.begin(), checks.end(), [](const CheckRunResult& c) {
            return c.outcome == Outcome::Finished;
        });
    return all_finished ? kExitDone : kExitFailed;
}

#ifndef QDU_HAVE_HISTORY
int command_history(const Context& ctx, const HistoryRequest&) {
    ctx.err << "qdu: this build of qdu keeps no check history\n";
    return kExitFailed;
}
#endif

}  // namespace qdu::cli
