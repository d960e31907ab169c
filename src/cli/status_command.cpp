// qdu status: the Status page on a terminal, once or once a period.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "cli/context.h"
#include "cli/interrupt.h"
#include "cli/terminal.h"
#include "drive/transport.h"
#include "status/status_page_logic.h"
#include "strings/strings.h"

namespace qdu::cli {

namespace {

namespace st = status_page;

constexpr int kDialog = 139;

std::string control(int id) {
    return std::string(control_text(kDialog, id));
}

// The eight segments as the indicator lights them: green, yellow or red by the level.
std::string bar(ErrorLevel level, bool colour) {
    const char* lit = level <= 2 ? "\x1b[32m" : level <= 5 ? "\x1b[33m" : "\x1b[31m";
    std::string out = colour ? "" : "[";
    for (int i = 0; i < 8; ++i) {
        const bool on = i < level;
        if (colour) {
            out += on ? lit : "\x1b[90m";
            out += on ? "\u25A0" : "\u25A1";
        } else {
            out += on ? "#" : ".";
        }
    }
    out += colour ? "\x1b[0m" : "]";
    return out;
}

std::string render(const StatusPageState& s, bool colour) {
    std::ostringstream out;
    out << without_blanks(s.text(st::kIndicatorTitle));
    if (s.counters_shown) {
        std::string word = s.text(st::kQualityWord);
        if (colour && s.quality_word_red()) {
            word = "\x1b[31m" + word + "\x1b[0m";
        }
        out << ": " << bar(s.level, colour) << "  " << word << "\n";
        out << control(st::kSectorsLabel) << ": " << s.text(st::kSectors) << "\n";
        out << control(st::kTimeLabel) << ": " << s.text(st::kTime) << "\n";
    } else {
        out << "\n";
    }
    if (s.media_code == kNoDisc) {
        out << s.text(st::kTypeLabel) << "\n";
    } else {
        for (const auto& row : st::kDiscRows) {
            out << s.text(row[0]) << ": " << terminal_safe(s.text(row[1])) << "\n";
        }
    }
    if (s.speed_limited) {
        out << s.text(st::kWarning) << "\n";
    }
    return out.str();
}

nlohmann::json reading_json(const StatusPageState& s, char letter) {
    nlohmann::json j{{"drive", std::string(1, letter)},
                     {"real_time_clarivox_supported", s.counters_shown}};
    if (s.counters_read) {
        j["level"] = s.level;
        j["quality"] = s.text(st::kQualityWord);
        j["error_count"] = s.counters.error_count;
        j["sector_count"] = s.counters.sector_count;
        j["time_code"] = s.text(st::kTime);
    }
    if (s.media_code == kNoDisc) {
        j["disc"] = nullptr;
    } else {
        char code[8];
        std::snprintf(code, sizeof code, "0x%04X", s.media_code);
        j["disc"] = {{"media_code", code},
                     {"type", s.text(st::kType)},
                     {"status", s.text(st::kStatus)},
                     {"sessions", std::stoi(s.text(st::kSessions))},
                     {"tracks", std::stoi(s.text(st::kTracks))},
                     {"identifier", s.text(st::kIdentifier)}};
    }
    j["speed_limit_warning"] = s.speed_limited;
    return j;
}

}  // namespace

int command_status(const Context& ctx, bool clear, double watch_seconds) {
    DriveList list;
    if (!open_chosen_drive(ctx, list)) {
        return kExitFailed;
    }
    const bool colour = ctx.terminal;
    StatusPageLogic page;
    page.on_initialise();
    if (clear) {
        page.on_clear();
    }
    InterruptGuard guard;
    std::size_t drawn_lines = 0;
    for (int reading = 1;; ++reading) {
        page.tick();
        if (ctx.json) {
            ctx.out << reading_json(page.state, drive_device().letter).dump() << "\n";
        } else {
            const std::string frame = render(page.state, colour);
            if (colour && drawn_lines > 0) {
                ctx.out << "\x1b[" << drawn_lines << "A\x1b[J";  // redraw in place
            } else if (drawn_lines > 0) {
                ctx.out << "\n";
            }
            ctx.out << frame;
            drawn_lines = static_cast<std::size_t>(std::count(frame.begin(), frame.end(), '\n'));
        }
        ctx.out.flush();
        const bool enough = ctx.max_readings > 0 && reading >= ctx.max_readings;
        if (watch_seconds <= 0 || enough || InterruptGuard::interrupted()) {
            break;
        }
        // Sleep in short steps so that Ctrl-C ends the watch at once.
        const auto period = std::chrono::milliseconds(static_cast<long>(watch_seconds * 1000));
        const auto step = std::chrono::milliseconds(100);
        for (auto slept = std::chrono::milliseconds(0);
             slept < period && !InterruptGuard::interrupted(); slept += step) {
            sleep_for(std::min(step, period - slept));
        }
        if (InterruptGuard::interrupted()) {
            break;
        }
    }
    return kExitDone;
}

}  // namespace qdu::cli
