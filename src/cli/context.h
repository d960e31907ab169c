// What every qdu command works with.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cdcheck/check_worker.h"
#include "drive/discovery.h"
#include "history/recorded_check.h"
#include "simdrive/scenario.h"

namespace qdu::cli {

// Asks a yes/no question; nullopt when there is nobody to ask (no terminal).
using AskFunction = std::function<std::optional<bool>(const std::string& question)>;

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool json = false;
    bool simulated = false;
    std::string scenario;
    char drive = 0;    // from --drive, 0 when not given
    bool yes = false;  // --yes: answer OK to every prompt
    AskFunction ask;
    bool terminal = false;  // standard output is a terminal that takes colours
    int max_readings = 0;   // status --watch stops after this many (0: until Ctrl-C)
    // How long a stopped check waits for the drive's last command.
    std::chrono::milliseconds check_wait = kThreadWait;
    std::string history{};  // the check history's database; empty: checks are not kept
    // How long a batch of checks waits for the next disc before it ends.
    std::chrono::milliseconds batch_wait = std::chrono::minutes(2);
};

// Finds the supported drives and makes the chosen one (--drive, or the first) current.
// Explains on the error stream and returns false when there is none to work on.
bool open_chosen_drive(const Context& ctx, DriveList& list);
void explain_no_drive(const Context& ctx, const DriveList& list);

// A page's OK/Cancel prompt on the terminal; --yes answers OK. Records a Cancel.
bool confirm(const Context& ctx, int string_id, bool& cancelled);

// Empty when SETTING and VALUE name a setting and one of its values; the problem otherwise.
std::string check_set_arguments(const std::string& setting, const std::string& value);
std::string set_usage();

int command_list(const Context& ctx);
int command_settings(const Context& ctx);
int command_set(const Context& ctx, const std::string& setting, const std::string& value,
                bool save);
int command_restore_defaults(const Context& ctx);
// Applies a settings file (as qdu --json settings writes it) as the pages' clicks would.
int command_apply(const Context& ctx, const std::string& file, bool save);
int command_power_cycle(const Context& ctx, SimulatedBus* bus);
// watch_seconds 0: one reading.
int command_status(const Context& ctx, bool clear, double watch_seconds);
int command_check(const Context& ctx, bool quick, bool batch);
// The check's report as the page writes it (levels only for a finished check), its findings as
// disc times, and its disc.
void print_check(const Context& ctx, const RecordedCheck& check);

// qdu history and its commands.
struct HistoryRequest {
    enum class Action { List, Show, Compare, Export, Forget } action = Action::List;
    std::string disc;   // --disc: only this disc's checks (List, Forget)
    std::string since;  // --since: only checks from this date on (List)
    std::vector<std::int64_t> ids;
    bool force = false;  // compare checks of different discs
    std::string format;  // json, csv or html
    std::string output;  // export into this file instead of standard output
};
int command_history(const Context& ctx, const HistoryRequest& request);
// Why a drive is or is not usable here: exit 0 when a supported drive can be used.
int command_doctor(const Context& ctx);

// Words of the command line's own texts, in the user's language.
enum class Word {
    On,
    Off,
    Supported,
    NotSupported,
    Drive,
    RotationMode,
    Cancelled,
    NoTerminal,
    Already,
};
std::string_view word(Word w);

}  // namespace qdu::cli
