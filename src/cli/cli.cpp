#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "cli/console.h"
#include "cli/context.h"
#include "cli/terminal.h"
#include "drive/trace.h"
#include "drive/transport.h"
#ifdef QDU_HAVE_HISTORY
#include "history/history_store.h"
#endif
#include "simdrive/scenario.h"
#include "simdrive/state_file.h"

namespace qdu::cli {

namespace {

constexpr const char* kVersion = QDU_PROGRAM_VERSION;

// Leaves the process-wide drive records as it found them, whatever happens.
class DriveSession {
public:
    explicit DriveSession(std::shared_ptr<DeviceProvider> provider) {
        reset_drive_access();
        install_device_provider(std::move(provider));
    }
    ~DriveSession() {
        set_command_observer(nullptr);
        reset_drive_access();
        install_device_provider(nullptr);
    }
    DriveSession(const DriveSession&) = delete;
    DriveSession& operator=(const DriveSession&) = delete;
};

std::optional<bool> ask_on_terminal(const std::string& question) {
    if (!is_terminal(Stream::In)) {
        return std::nullopt;
    }
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "はい";
}

void print_warnings(std::ostream& err, SimulationStateFile& state) {
    for (const std::string& warning : state.take_warnings()) {
        err << "qdu: warning: " << terminal_safe(warning) << "\n";
    }
}

bool valid_letter(const std::string& value) {
    return value.size() == 1 && std::toupper(static_cast<unsigned char>(value[0])) >= 'C' &&
           std::toupper(static_cast<unsigned char>(value[0])) <= 'Z';
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Environment& environment) {
    CLI::App app{"Quorvel Drive Utility: settings, status and audio CD checks for the KVT-R42.",
                 "qdu"};
    app.set_version_flag("--version", std::string("qdu ") + kVersion);
    app.require_subcommand(0, 1);
    // Users type options after the command too: the command hands what it does not know back
    // to the tool's own options.
    app.fallthrough();

    std::string scenario;
    std::string drive;
    bool trace = false;
    bool json = false;
    auto* simulate = app.add_flag(
        "--simulate{default}", scenario,
        "Use simulated drives instead of the system's; SCENARIO is a built-in name (" +
            [] {
                std::string names;
                for (const auto& n : builtin_scenario_names()) {
                    names += names.empty() ? n : ", " + n;
                }
                return names;
            }() +
            ") or a scenario file (--simulate=SCENARIO)");
    app.add_option("-d,--drive", drive, "Drive letter to work on (C to Z)")
        ->check([](const std::string& value) -> std::string {
            return valid_letter(value) ? std::string()
                                       : "the drive is one letter from C to Z, not '" + value + "'";
        });
    app.add_flag("--trace", trace, "Print every drive command and its outcome to standard error");
    app.add_flag("--json", json, "Print results as JSON");
    std::string state_file = environment.state_file;
    app.add_option("--sim-state", state_file,
                   "State file of the simulated drives (default: $QDU_SIM_STATE, or the user's "
                   "cache directory)");

    auto* list = app.add_subcommand("list", "List the supported drives");
    auto* settings = app.add_subcommand("settings", "Show every setting as the drive reports it");
    auto* set =
        app.add_subcommand("set", "Change one setting as its page does, then show the settings");
    std::string setting;
    std::string value;
    bool save = false;
    bool yes = false;
    set->add_option("SETTING", setting, "The setting (see below)")->required();
    set->add_option("VALUE", value, "Its new value")->required();
    set->add_flag("--save", save, "Save the setting in the drive");
    set->add_flag("-y,--yes", yes, "Answer OK to the page's question");
    set->footer(set_usage());
    auto* apply = app.add_subcommand(
        "apply",
        "Apply a settings file (from 'qdu --json settings > FILE'): show the changes, "
        "ask, make them as the pages do, and check that each one took");
    std::string profile;
    apply->add_option("FILE", profile, "The settings file")->required();
    apply->add_flag("--save", save, "Save the settings in the drive");
    apply->add_flag("-y,--yes", yes, "Apply without asking, and answer OK to the pages' questions");
    auto* status = app.add_subcommand(
        "status", "Show the Clarivox counters and the disc, as the Status page does");
    std::string watch;
    bool clear = false;
    auto* watch_option =
        status->add_flag("--watch{1}", watch, "Read again every SECONDS (default 1) until Ctrl-C");
    status->add_flag("--clear", clear, "Clear the drive's counters first");
    auto* check = app.add_subcommand(
        "check", "Check the condition of an audio CD, as the CD Check tab does, and report it");
    bool quick = false;
    check->add_flag("--quick", quick, "Check quickly, at a sample every 0.05 mm of radius");
    check->add_flag("-y,--yes", yes, "Start without asking");
    bool batch = false;
    check->add_flag("--batch", batch,
                    "Check one disc after another: the next disc put in starts the next check; "
                    "Ctrl-C or a tray left empty for two minutes ends the batch with a summary");
    std::string history = environment.history_file;
    bool no_history = false;
    check->add_option("--history", history,
                      "The check history's database (default: $QDU_HISTORY, or the user's data "
                      "folder)");
    check->add_flag("--no-history", no_history, "Do not keep this check in the history");
    auto* history_list = app.add_subcommand(
        "history", "The kept checks: list them (newest first), show, compare, export, forget");
    HistoryRequest request;
    history_list->add_option("--history", history, "The check history's database");
    history_list->add_option("--disc", request.disc, "Only the checks of this disc (its ID)");
    history_list->add_option("--since", request.since,
                             "Only the checks from this date on (2026-12-01)");
    history_list->fallthrough();
    auto* history_show =
        history_list->add_subcommand("show", "The check's report, findings and disc");
    history_show->add_option("N", request.ids, "The check's number")->required()->expected(1);
    auto* history_compare = history_list->add_subcommand(
        "compare",
        "Two checks of one disc: each track then and now, the findings that came "
        "and went, and a verdict");
    history_compare->add_option("A B", request.ids, "The checks' numbers")->required()->expected(2);
    history_compare->add_flag("--force", request.force, "Compare checks of different discs too");
    auto* history_export = history_list->add_subcommand(
        "export", "Write a check as JSON, CSV or an HTML page with its picture");
    history_export->add_option("N", request.ids, "The check's number")->required()->expected(1);
    history_export->add_option("--format", request.format, "json, csv or html")->required();
    history_export->add_option("-o,--output", request.output,
                               "Write into this file (default: standard output)");
    auto* history_forget = history_list->add_subcommand(
        "forget", "Remove a check (N) or every check of a disc (--disc ID) from the history");
    history_forget->add_option("N", request.ids, "The check's number")->expected(0, 1);
    history_forget->add_flag("-y,--yes", yes, "Do not ask");
    auto* doctor = app.add_subcommand(
        "doctor",
        "Why a drive is or is not usable: the system's optical drives, their device nodes and "
        "who may open them, what each answered, and the command that mends each problem");
    auto* power_cycle = app.add_subcommand(
        "power-cycle",
        "Switch a simulated drive off and on: it comes back with its saved settings");
    auto* restore = app.add_subcommand("restore-defaults",
                                       "Restore the factory settings and save them in the drive");
    restore->add_flag("-y,--yes", yes, "Answer OK to the question");

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kExitDone;
    } catch (const CLI::CallForVersion&) {
        out << "qdu " << kVersion << "\n";
        return kExitDone;
    } catch (const CLI::ParseError& e) {
        err << "qdu: " << e.what() << " (see 'qdu --help')\n";
        return kExitUsage;
    }
    if (app.get_subcommands().empty()) {
        err << "qdu: no command given; the commands are: list, settings, set, restore-defaults, "
               "apply, status, check, history, doctor, power-cycle "
               "(see 'qdu --help')\n";
        return kExitUsage;
    }
    double watch_seconds = 0;
    if (status->parsed() && watch_option->count() > 0) {
        try {
            std::size_t used = 0;
            watch_seconds = std::stod(watch, &used);
            if (used != watch.size() || watch_seconds < 0.1 || watch_seconds > 3600) {
                throw std::invalid_argument(watch);
            }
        } catch (const std::exception&) {
            err << "qdu: --watch takes a period in seconds from 0.1 to 3600, not '" << watch
                << "' (see 'qdu status --help')\n";
            return kExitUsage;
        }
    }
    if (set->parsed()) {
        if (std::string problem = check_set_arguments(setting, value); !problem.empty()) {
            err << "qdu: " << problem << " (see 'qdu set --help')\n";
            return kExitUsage;
        }
    }

    Context ctx{out, err, json, false, scenario, 0, false, nullptr};
    ctx.json = json;
    ctx.simulated = simulate->count() > 0;
    ctx.scenario = scenario;
    ctx.drive =
        drive.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));
    ctx.yes = yes;
    ctx.ask = environment.ask ? environment.ask : AskFunction(ask_on_terminal);
    ctx.terminal = environment.terminal.value_or(is_terminal(Stream::Out) &&
                                                 std::getenv("NO_COLOR") == nullptr);
    ctx.max_readings = environment.max_readings;
    if (environment.check_wait) {
        ctx.check_wait = *environment.check_wait;
    }
    if (environment.batch_wait) {
        ctx.batch_wait = *environment.batch_wait;
    }
#ifdef QDU_HAVE_HISTORY
    if (!no_history) {
        ctx.history = history.empty() ? default_history_path() : history;
    }
#else
    (void)no_history;
#endif

    std::shared_ptr<DeviceProvider> provider = environment.system_provider;
    std::shared_ptr<SimulatedBus> bus;
    std::shared_ptr<SimulationStateFile> shared_state;
    std::string key;
    if (ctx.simulated) {
        try {
            bus = std::make_shared<SimulatedBus>(load_scenario(scenario));
        } catch (const ScenarioError& e) {
            err << "qdu: " << terminal_safe(e.what()) << "\n";
            return kExitUsage;
        }
        if (state_file.empty()) {
            state_file = default_state_path();
        }
        key = scenario_key(scenario);
        shared_state = share_simulation_state(*bus, key, state_file);
        print_warnings(err, *shared_state);
        if (environment.sim_clock) {
            for (const char letter : bus->letters()) {
                bus->drive(letter)->set_clock(environment.sim_clock);
            }
        }
        provider = bus;
    } else if (!provider) {
        provider = make_system_device_provider();
    }

    int code = kExitUsage;
    {
        DriveSession session(provider);
        if (trace) {
            set_command_observer([&err](const CommandTrace& t) { err << format_command_trace(t); });
        }
        // A short command has the simulated drives to itself, as one program at a time has a
        // real drive's page: what it reads, changes and shows belongs together.
        std::optional<SimulatedBus::Hold> hold;
        if (bus && (settings->parsed() || set->parsed() || apply->parsed() || restore->parsed() ||
                    power_cycle->parsed())) {
            hold.emplace(bus->sharing());
        }
        if (list->parsed()) {
            code = command_list(ctx);
        } else if (settings->parsed()) {
            code = command_settings(ctx);
        } else if (set->parsed()) {
            code = command_set(ctx, setting, value, save);
        } else if (apply->parsed()) {
            code = command_apply(ctx, profile, save);
        } else if (status->parsed()) {
            code = command_status(ctx, clear, watch_seconds);
        } else if (check->parsed()) {
            code = command_check(ctx, quick, batch);
        } else if (history_list->parsed()) {
            request.action = history_show->parsed()      ? HistoryRequest::Action::Show
                             : history_compare->parsed() ? HistoryRequest::Action::Compare
                             : history_export->parsed()  ? HistoryRequest::Action::Export
                             : history_forget->parsed()  ? HistoryRequest::Action::Forget
                                                         : HistoryRequest::Action::List;
            code = command_history(ctx, request);
        } else if (doctor->parsed()) {
            code = command_doctor(ctx);
        } else if (power_cycle->parsed()) {
            code = command_power_cycle(ctx, bus.get());
        } else if (restore->parsed()) {
            code = command_restore_defaults(ctx);
        }
        // What a command shows is only as good as the drive's answers.
        const DriveDevice& device = drive_device();
        if (code == kExitDone && !list->parsed() && device.letter != 0 &&
            device.undelivered_since_open > 0) {
            err << "qdu: the drive at " << device.letter << " stopped answering ("
                << terminal_safe(device.last_undelivered.detail)
                << "); what is shown may be incomplete. Check the connection and try again.\n";
            code = kExitFailed;
        }
    }
    if (shared_state) {
        print_warnings(err, *shared_state);
    }
    return code;
}

}  // namespace qdu::cli
