#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "cli/terminal.h"
#include "drive/discovery.h"
#include "drive/trace.h"
#include "drive/transport.h"
#include "simdrive/scenario.h"

namespace qdu::cli {

namespace {

constexpr const char* kVersion = "0.1.0";

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool json = false;
    bool simulated = false;
    std::string scenario;
    char drive = 0;  // from --drive, 0 when not given
};

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

std::string describe_failure(const ProbeRecord& probe) {
    if (!probe.opened) {
        if (!probe.open_message.empty()) {
            return probe.open_message;
        }
        return "could not be opened";
    }
    if (!probe.answered) {
        if (probe.status == DeviceUnavailable) {
            return "the identification request did not reach the drive: " + probe.failure;
        }
        return std::string("it refused the identification request (") +
               command_status_name(probe.status) + ", status " + std::to_string(probe.status) +
               "), so it is not a KVT-R42";
    }
    return "its identification code \"" + probe.code + "\" is neither " +
           std::string(kCodeWithoutCheck) + " nor " + std::string(kCodeWithCheck);
}

void explain_no_drive(const Context& ctx, const DriveList& list) {
    ctx.err << "qdu: no supported drive found; this utility works with the " << kModelName
            << " (identification code " << kCodeWithoutCheck << " or " << kCodeWithCheck << ").\n";
    if (list.probes.empty()) {
        if (ctx.simulated) {
            ctx.err << "The simulated scenario '" << terminal_safe(ctx.scenario)
                    << "' has no drives.\n";
        } else {
            ctx.err << "No optical drive was found (looked at /dev/sr0 to /dev/sr23). Connect "
                       "the drive, or try it without hardware: qdu --simulate list\n";
        }
        return;
    }
    for (const ProbeRecord& probe : list.probes) {
        const std::string where = probe.device.empty() ? std::string("device") : probe.device;
        ctx.err << "  " << terminal_safe(where) << " (letter " << probe.letter
                << "): " << terminal_safe(describe_failure(probe)) << "\n";
    }
}

int command_list(const Context& ctx) {
    DriveList list;
    enumerate_drives(list);
    if (ctx.json) {
        nlohmann::json drives = nlohmann::json::array();
        for (const DriveEntry& e : list.entries) {
            drives.push_back({{"letter", std::string(1, e.letter)},
                              {"device", e.device},
                              {"node", e.node},
                              {"label", e.label},
                              {"cd_check", e.cd_check_enabled}});
        }
        ctx.out << drives.dump(2) << "\n";
    } else {
        std::size_t device_width = 0;
        std::size_t label_width = 0;
        for (const DriveEntry& e : list.entries) {
            device_width = std::max(device_width, terminal_safe(e.device).size());
            label_width = std::max(label_width, terminal_safe(e.label).size());
        }
        for (const DriveEntry& e : list.entries) {
            std::string device = terminal_safe(e.device);
            std::string label = terminal_safe(e.label);
            device.resize(device_width, ' ');
            label.resize(label_width, ' ');
            ctx.out << e.letter << "  " << device << "  " << label << "  "
                    << (e.cd_check_enabled ? "CD check offered" : "no CD check") << "\n";
        }
    }
    for (const DriveEntry& e : list.entries) {
        if (!e.note.empty()) {
            ctx.err << "qdu: note for " << e.letter << ": " << terminal_safe(e.note) << "\n";
        }
    }
    if (list.entries.empty()) {
        explain_no_drive(ctx, list);
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Environment& environment) {
    CLI::App app{"Quorvel Drive Utility: settings, status and audio CD checks for the KVT-R42.",
                 "qdu"};
    app.set_version_flag("--version", std::string("qdu ") + kVersion);
    app.require_subcommand(0, 1);

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
            if (value.size() == 1 && std::toupper(static_cast<unsigned char>(value[0])) >= 'C' &&
                std::toupper(static_cast<unsigned char>(value[0])) <= 'Z') {
                return {};
            }
            return "the drive is one letter from C to Z, not '" + value + "'";
        });
    app.add_flag("--trace", trace, "Print every drive command and its outcome to standard error");
    app.add_flag("--json", json, "Print results as JSON");
    auto* list = app.add_subcommand("list", "List the supported drives");

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
        err << "qdu: no command given; the commands are: list (see 'qdu --help')\n";
        return kExitUsage;
    }

    Context ctx{out, err, json, false, scenario, 0};
    ctx.simulated = simulate->count() > 0;
    ctx.scenario = scenario;
    ctx.drive =
        drive.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));

    std::shared_ptr<DeviceProvider> provider = environment.system_provider;
    if (ctx.simulated) {
        try {
            provider = std::make_shared<SimulatedBus>(load_scenario(scenario));
        } catch (const ScenarioError& e) {
            err << "qdu: " << terminal_safe(e.what()) << "\n";
            return kExitUsage;
        }
    } else if (!provider) {
        provider = make_system_device_provider();
    }

    DriveSession session(provider);
    if (trace) {
        set_command_observer([&err](const CommandTrace& t) { err << format_command_trace(t); });
    }
    if (list->parsed()) {
        return command_list(ctx);
    }
    return kExitUsage;
}

}  // namespace qdu::cli
