#include <algorithm>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/context.h"
#include "cli/terminal.h"
#include "drive/transport.h"

namespace qdu::cli {

namespace {

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

}  // namespace

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

bool open_chosen_drive(const Context& ctx, DriveList& list) {
    enumerate_drives(list);
    if (list.entries.empty()) {
        explain_no_drive(ctx, list);
        return false;
    }
    if (ctx.drive == 0 || ctx.drive == list.entries.front().letter) {
        return true;
    }
    std::string letters;
    for (const DriveEntry& e : list.entries) {
        if (e.letter == ctx.drive) {
            select_drive(e.letter);
            return true;
        }
        letters += letters.empty() ? "" : ", ";
        letters += e.letter;
    }
    ctx.err << "qdu: there is no supported drive at " << ctx.drive << "; the supported drives are "
            << letters << " (see 'qdu list')\n";
    return false;
}

}  // namespace qdu::cli
