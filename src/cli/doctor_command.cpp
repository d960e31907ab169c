#include "cli/cli.h"
#include "cli/context.h"

#ifdef __linux__
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/terminal.h"
#include "drive/linux_doctor.h"
#endif

namespace qdu::cli {

#ifdef __linux__
namespace {

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

std::string open_words(const NodeCheck& node) {
    if (!node.exists) {
        return "does not exist";
    }
    if (node.open_error == 0) {
        return "opens for reading and writing";
    }
    return "cannot be opened: " + errno_text(node.open_error);
}

std::string seat_words(const NodeCheck& node) {
    if (!node.uaccess_tag) {
        return "not given to the seat's user (no uaccess tag)";
    }
    return node.seat_grant ? "given to you through the desktop's seat (uaccess)"
                           : "given to the seat's active user (uaccess), which you are not now";
}

void print_node(const Context& ctx, const NodeCheck& node) {
    ctx.out << "  " << terminal_safe(node.path);
    if (node.access) {
        ctx.out << "  " << terminal_safe(node.access->owner) << ":"
                << terminal_safe(node.access->group) << "  " << mode_text(node.access->mode);
    }
    ctx.out << "  " << open_words(node) << "\n";
    if (node.exists) {
        ctx.out << "    seat: " << seat_words(node) << "\n";
    }
}

nlohmann::json node_json(const NodeCheck& node) {
    nlohmann::json json = {{"path", node.path},
                           {"exists", node.exists},
                           {"read_write", node.exists && node.open_error == 0},
                           {"uaccess", node.uaccess_tag},
                           {"seat_grant", node.seat_grant}};
    if (node.access) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(node.access->mode));
        json["owner"] = node.access->owner;
        json["group"] = node.access->group;
        json["mode"] = mode;
    }
    json["open_error"] = node.open_error == 0 ? nlohmann::json(nullptr)
                                              : nlohmann::json(errno_text(node.open_error));
    return json;
}

void print_json(const Context& ctx, const DoctorReport& report) {
    nlohmann::json devices = nlohmann::json::array();
    for (const OpticalDevice& device : report.devices) {
        nlohmann::json nodes = nlohmann::json::array();
        if (!device.sr.path.empty()) {
            nodes.push_back(node_json(device.sr));
        }
        if (device.sg) {
            nodes.push_back(node_json(*device.sg));
        }
        devices.push_back({{"name", device.name},
                           {"letter", device.letter ? nlohmann::json(std::string(1, *device.letter))
                                                    : nlohmann::json(nullptr)},
                           {"vendor", device.vendor},
                           {"model", device.model},
                           {"nodes", nodes},
                           {"identification",
                            {{"answer", identification_name(device.identification)},
                             {"detail", device.identification_detail}}}});
    }
    nlohmann::json problems = nlohmann::json::array();
    for (const DoctorProblem& problem : report.problems) {
        problems.push_back(
            {{"kind", problem_kind_name(problem.kind)},
             {"subject", problem.subject},
             {"summary", problem_summary(problem, Language::English)},
             {"explanation", problem.explanation},
             {"fix", problem.fix.empty() ? nlohmann::json(nullptr) : nlohmann::json(problem.fix)}});
    }
    const nlohmann::json document = {{"user",
                                      {{"name", report.user.name},
                                       {"uid", report.user.uid},
                                       {"session_groups", report.user.session_groups},
                                       {"account_groups", report.user.account_groups}}},
                                     {"sg_module", report.sg_module},
                                     {"devices", devices},
                                     {"problems", problems},
                                     {"usable", report.usable}};
    ctx.out << document.dump(2) << "\n";
}

void print_text(const Context& ctx, const DoctorReport& report) {
    ctx.out << "User: " << terminal_safe(report.user.name) << " (uid " << report.user.uid
            << "), groups: " << terminal_safe(joined(report.user.session_groups)) << "\n";
    if (report.user.account_groups != report.user.session_groups) {
        ctx.out << "  groups after logging in again: "
                << terminal_safe(joined(report.user.account_groups)) << "\n";
    }
    ctx.out << "Module sg: " << (report.sg_module ? "loaded" : "not loaded") << "\n";
    for (const OpticalDevice& device : report.devices) {
        ctx.out << "\n" << terminal_safe(device.sr.path.empty() ? device.name : device.sr.path);
        if (device.letter) {
            ctx.out << " (letter " << *device.letter << ")";
        }
        ctx.out << ": " << terminal_safe(device.vendor) << " " << terminal_safe(device.model)
                << "\n";
        if (!device.sr.path.empty()) {
            print_node(ctx, device.sr);
        }
        if (device.sg) {
            print_node(ctx, *device.sg);
        }
        ctx.out << "  identification: " << identification_name(device.identification);
        if (!device.identification_detail.empty()) {
            ctx.out << " (" << terminal_safe(device.identification_detail) << ")";
        }
        ctx.out << "\n";
    }
    ctx.out << "\n";
    if (report.problems.empty()) {
        ctx.out << "No problems found"
                << (report.usable
                        ? std::string(": the ") + std::string(kModelName) + " can be used."
                        : std::string("."))
                << "\n";
        return;
    }
    ctx.out << "Problems, the first to mend first:\n";
    int number = 0;
    for (const DoctorProblem& problem : report.problems) {
        ctx.out << "  " << ++number << ". "
                << terminal_safe(problem_summary(problem, Language::English)) << "\n"
                << "     " << terminal_safe(problem.explanation) << "\n";
        if (!problem.fix.empty()) {
            ctx.out << "     fix: " << terminal_safe(problem.fix) << "\n";
        }
    }
}

}  // namespace

int command_doctor(const Context& ctx) {
    if (ctx.simulated) {
        ctx.err << "qdu: doctor looks at this system's drives, not simulated ones; run it "
                   "without --simulate\n";
        return kExitUsage;
    }
    DriveList list;
    enumerate_drives(list);
    const std::optional<DoctorReport> report = diagnose_installed_provider(list.probes);
    if (!report) {
        ctx.err << "qdu: doctor cannot look at the drives of this provider\n";
        return kExitFailed;
    }
    if (ctx.json) {
        print_json(ctx, *report);
    } else {
        print_text(ctx, *report);
    }
    return report->usable ? kExitDone : kExitFailed;
}

#else

int command_doctor(const Context& ctx) {
    ctx.err << "qdu: doctor looks at Linux's device nodes; on Windows, a drive that is not "
               "listed is explained by 'qdu list'\n";
    return kExitFailed;
}

#endif

}  // namespace qdu::cli
