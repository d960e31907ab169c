#include "drive/linux_doctor.h"

#include <fcntl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "drive/transport.h"

namespace qdu {

namespace {

constexpr int kOpenFlags = O_RDWR | O_NONBLOCK | O_CLOEXEC;
constexpr const char* kLogInAgain = "then log out and log in again";

std::string trimmed(std::string text) {
    const auto not_space = [](unsigned char c) { return std::isspace(c) == 0; };
    text.erase(std::find_if(text.rbegin(), text.rend(), not_space).base(), text.end());
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), not_space));
    return text;
}

std::string attribute(LinuxSystem& system, const std::string& path) {
    return trimmed(system.read_text(path).value_or(""));
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// "sr12" -> 12; nullopt for anything else.
std::optional<int> index_of(const std::string& name, const std::string& prefix) {
    if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size() ||
        name.size() > prefix.size() + 4) {
        return std::nullopt;
    }
    int index = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(name[i])) == 0) {
            return std::nullopt;
        }
        index = index * 10 + (name[i] - '0');
    }
    return index;
}

// udev's record of a device node ("b11:0", "c21:0") says whether it is tagged for the seat.
bool tagged_uaccess(LinuxSystem& system, const LinuxPaths& paths, char kind,
                    const std::string& numbers) {
    if (numbers.empty()) {
        return false;
    }
    const std::string record =
        system.read_text(paths.udev_data + "/" + kind + numbers).value_or("");
    return record.find("G:uaccess\n") != std::string::npos ||
           record.find("Q:uaccess\n") != std::string::npos;
}

NodeCheck check_node(LinuxSystem& system, const LinuxPaths& paths, const std::string& path,
                     char kind, const std::string& numbers, uid_t uid) {
    NodeCheck node;
    node.path = path;
    node.exists = system.exists(path);
    if (!node.exists) {
        node.open_error = ENOENT;
        return node;
    }
    node.access = system.access_of(path);
    const int fd = system.open(path, kOpenFlags);
    if (fd >= 0) {
        system.close(fd);
    } else {
        node.open_error = -fd;
    }
    node.uaccess_tag = tagged_uaccess(system, paths, kind, numbers);
    const std::vector<uid_t> granted = system.acl_read_write_users(path);
    node.seat_grant = std::find(granted.begin(), granted.end(), uid) != granted.end();
    return node;
}

// A device by its sysfs folder, with the names its SCSI device gives.
OpticalDevice named_device(LinuxSystem& system, const std::string& name, const std::string& sys) {
    OpticalDevice device;
    device.name = name;
    device.vendor = attribute(system, sys + "/device/vendor");
    device.model = attribute(system, sys + "/device/model");
    return device;
}

void classify(OpticalDevice& device, const ProbeRecord& probe) {
    if (!probe.opened) {
        device.identification = Identification::NotProbed;
        device.identification_detail = "it could not be opened";
    } else if (probe.supported) {
        device.identification = Identification::Supported;
        device.identification_detail = "identification code \"" + probe.code + "\"";
    } else if (probe.answered) {
        device.identification = Identification::OtherMaker;
        device.identification_detail = "identification code \"" + probe.code + "\"";
    } else if (probe.status != DeviceUnavailable) {
        device.identification = Identification::OtherMaker;
        device.identification_detail =
            "it refused the identification request (status " + std::to_string(probe.status) + ")";
    } else {
        device.identification = Identification::NoAnswer;
        device.identification_detail = probe.failure;
    }
}

std::string udev_rule_fix(const NodeCheck& node, bool generic, const LinuxSystem::Identity& user) {
    const std::string match = generic ? R"(SUBSYSTEM=="scsi_generic", ATTRS{type}=="5")"
                                      : R"(SUBSYSTEM=="block", KERNEL=="sr[0-9]*")";
    std::string fix = "echo '" + match +
                      R"(, GROUP="cdrom", MODE="0660"' | sudo tee /etc/udev/rules.d/)" +
                      (generic ? "61-optical-sg.rules" : "61-optical-sr.rules") +
                      " && sudo udevadm control --reload && sudo udevadm trigger " + node.path;
    if (!contains(user.account_groups, "cdrom")) {
        fix += R"( && sudo usermod -aG cdrom "$USER"; )" + std::string(kLogInAgain);
    }
    return fix;
}

DoctorProblem access_problem(const NodeCheck& node, bool generic,
                             const LinuxSystem::Identity& user) {
    DoctorProblem problem;
    problem.subject = node.path;
    if (!node.exists) {
        problem.kind = ProblemKind::NodeMissing;
        problem.explanation = "sysfs knows the device, but udev has not made its node";
        problem.fix =
            "sudo udevadm trigger --action=add --subsystem-match=block "
            "--subsystem-match=scsi_generic";
        return problem;
    }
    if (node.open_error == EBUSY) {
        problem.kind = ProblemKind::Busy;
        problem.explanation = "another program holds it for itself; close that program";
        problem.fix = "sudo fuser -v " + node.path;
        return problem;
    }
    if (node.open_error != EACCES && node.open_error != EPERM) {
        problem.kind = ProblemKind::OpenFailed;
        problem.explanation = errno_text(node.open_error);
        return problem;
    }
    problem.kind = ProblemKind::PermissionDenied;
    const std::string owner = node.access ? node.access->owner + ":" + node.access->group +
                                                " with mode " + mode_text(node.access->mode)
                                          : std::string("unknown owner");
    std::string seat;
    if (node.uaccess_tag && !node.seat_grant) {
        seat =
            "; the desktop's seat gives access only to the user of its active session, "
            "which this is not";
    }
    const bool group_may =
        node.access && (node.access->mode & 060) == 060 && node.access->group != "root";
    if (group_may && contains(user.account_groups, node.access->group) &&
        !contains(user.session_groups, node.access->group)) {
        problem.explanation = "it is " + owner + ", and you were added to the group '" +
                              node.access->group + "' after this session began" + seat;
        problem.fix = "newgrp " + node.access->group + "   (or log out and log in again)";
    } else if (group_may && !contains(user.account_groups, node.access->group)) {
        problem.explanation =
            "it is " + owner + ", and you are not in the group '" + node.access->group + "'" + seat;
        problem.fix = "sudo usermod -aG " + node.access->group + " \"$USER\"; " + kLogInAgain;
    } else if (group_may) {
        problem.explanation =
            "it is " + owner + " and you are in the group '" + node.access->group +
            "', yet the system refused (an access list or a security module)" + seat;
        problem.fix = "getfacl " + node.path;
    } else {
        problem.explanation = "it is " + owner + ", so only its owner may open it" + seat;
        problem.fix = udev_rule_fix(node, generic, user);
    }
    return problem;
}

void add_device_problems(DoctorReport& report, const OpticalDevice& device) {
    if (device.name.rfind("sg", 0) == 0) {
        report.problems.push_back({ProblemKind::NoSrDriver, device.sg->path,
                                   "the sr driver has not taken this drive, so it has no "
                                   "/dev/srN and no drive letter",
                                   "sudo modprobe sr_mod"});
        return;
    }
    if (!device.sr.exists) {
        report.problems.push_back(access_problem(device.sr, false, report.user));
        return;
    }
    // Commands go through the generic node when there is one, as the program opens it.
    if (device.sg && device.sg->open_error != 0) {
        report.problems.push_back(access_problem(*device.sg, true, report.user));
    } else if (!device.sg && device.sr.open_error != 0) {
        report.problems.push_back(access_problem(device.sr, false, report.user));
    }
    if (device.sr.open_error != 0 && (!device.sg || device.sg->open_error != 0)) {
        return;
    }
    const std::string subject =
        device.sr.path + (device.vendor.empty() && device.model.empty()
                              ? std::string()
                              : " (" + trimmed(device.vendor + " " + device.model) + ")");
    switch (device.identification) {
        case Identification::NoAnswer:
            report.problems.push_back({ProblemKind::NoAnswer, subject, device.identification_detail,
                                       "sudo eject " + device.sr.path +
                                           "; if that fails too, switch the drive off and on"});
            break;
        case Identification::OtherMaker:
            report.problems.push_back(
                {ProblemKind::OtherDrive, subject,
                 "this utility works only with the " + std::string(kModelName) +
                     " (identification code " + std::string(kCodeWithoutCheck) + " or " +
                     std::string(kCodeWithCheck) + "); " + device.identification_detail,
                 ""});
            break;
        case Identification::Supported:
        case Identification::NotProbed: break;
    }
}

}  // namespace

DoctorReport diagnose(LinuxSystem& system, const LinuxPaths& paths,
                      const std::vector<ProbeRecord>& probes) {
    DoctorReport report;
    report.user = system.identity();
    report.sg_module =
        system.exists(paths.sysfs_module + "/sg") || system.exists(paths.sysfs_generic);
    const bool root = system.is_root();

    std::vector<std::string> taken_generic;
    std::vector<std::pair<int, std::string>> block_devices;
    for (const std::string& name : system.list_dir(paths.sysfs_block)) {
        if (const auto index = index_of(name, "sr")) {
            block_devices.emplace_back(*index, name);
        }
    }
    std::sort(block_devices.begin(), block_devices.end());
    for (const auto& [index, name] : block_devices) {
        const std::string sys = paths.sysfs_block + "/" + name;
        OpticalDevice device = named_device(system, name, sys);
        device.sr = check_node(system, paths, paths.dev + "/" + name, 'b',
                               attribute(system, sys + "/dev"), report.user.uid);
        for (const std::string& generic : system.list_dir(sys + "/device/scsi_generic")) {
            if (index_of(generic, "sg")) {
                device.sg =
                    check_node(system, paths, paths.dev + "/" + generic, 'c',
                               attribute(system, sys + "/device/scsi_generic/" + generic + "/dev"),
                               report.user.uid);
                taken_generic.push_back(generic);
                break;
            }
        }
        if (index <= kLastLetter - kFirstLetter) {
            device.letter = static_cast<char>(kFirstLetter + index);
            const auto probe = std::find_if(probes.begin(), probes.end(), [&](const auto& p) {
                return p.letter == *device.letter;
            });
            if (probe != probes.end()) {
                classify(device, *probe);
            }
        }
        report.devices.push_back(std::move(device));
    }
    // Optical drives (SCSI type 5) that have a generic node but no block device.
    for (const std::string& name : system.list_dir(paths.sysfs_generic)) {
        if (!index_of(name, "sg") || contains(taken_generic, name) ||
            attribute(system, paths.sysfs_generic + "/" + name + "/device/type") != "5") {
            continue;
        }
        const std::string sys = paths.sysfs_generic + "/" + name;
        OpticalDevice device = named_device(system, name, sys);
        device.sg = check_node(system, paths, paths.dev + "/" + name, 'c',
                               attribute(system, sys + "/dev"), report.user.uid);
        report.devices.push_back(std::move(device));
    }

    if (report.devices.empty()) {
        report.problems.push_back(
            {ProblemKind::NoOpticalDevice, "",
             "the kernel has not seen an optical drive; connect the drive and switch it on, "
             "and see whether the kernel's messages mention it",
             "sudo dmesg | grep -i -e 'cd-rom' -e 'scsi' -e 'usb' | tail -n 20"});
        return report;
    }
    if (!report.sg_module) {
        report.problems.push_back(
            {ProblemKind::NoSgModule, "",
             "without it the drive's settings, counters and the CD check need root",
             "sudo modprobe sg && echo sg | sudo tee /etc/modules-load.d/sg.conf"});
    }
    for (const OpticalDevice& device : report.devices) {
        const std::size_t before = report.problems.size();
        add_device_problems(report, device);
        if (device.identification == Identification::Supported &&
            report.problems.size() == before && (report.sg_module || root)) {
            report.usable = true;
        }
    }
    return report;
}

std::optional<DoctorReport> diagnose_installed_provider(const std::vector<ProbeRecord>& probes) {
    const auto* linux_provider = dynamic_cast<const LinuxDeviceProvider*>(&device_provider());
    if (linux_provider == nullptr) {
        return std::nullopt;
    }
    return diagnose(linux_provider->system(), linux_provider->paths(), probes);
}

namespace {

// Each kind of problem: its name in qdu's JSON and its line in the string table.
struct ProblemWords {
    ProblemKind kind;
    std::string_view name;
    int text;
};
constexpr ProblemWords kProblemWords[] = {
    {ProblemKind::NoOpticalDevice, "no-optical-device", kDoctorNoOpticalDevice},
    {ProblemKind::NoSgModule, "no-sg-module", kDoctorNoSgModule},
    {ProblemKind::NoSrDriver, "no-sr-driver", kDoctorNoSrDriver},
    {ProblemKind::NodeMissing, "node-missing", kDoctorNodeMissing},
    {ProblemKind::PermissionDenied, "permission-denied", kDoctorPermissionDenied},
    {ProblemKind::Busy, "busy", kDoctorBusy},
    {ProblemKind::OpenFailed, "open-failed", kDoctorOpenFailed},
    {ProblemKind::NoAnswer, "no-answer", kDoctorNoAnswer},
    {ProblemKind::OtherDrive, "other-drive", kDoctorOtherDrive},
};

const ProblemWords& words_of(ProblemKind kind) {
    for (const ProblemWords& w : kProblemWords) {
        if (w.kind == kind) {
            return w;
        }
    }
    return kProblemWords[static_cast<std::size_t>(ProblemKind::OpenFailed)];
}

}  // namespace

std::string_view problem_kind_name(ProblemKind kind) {
    return words_of(kind).name;
}

std::string problem_summary(const DoctorProblem& problem, Language language) {
    return format_text(text(words_of(problem.kind).text, language), {problem.subject});
}

std::string doctor_hint(const DoctorProblem& problem, Language language) {
    return format_text(text(kDoctorSeeMore, language), {problem_summary(problem, language)});
}

std::string_view identification_name(Identification identification) {
    switch (identification) {
        case Identification::Supported: return "supported";
        case Identification::OtherMaker: return "another maker";
        case Identification::NoAnswer: return "no answer";
        case Identification::NotProbed: return "not probed";
    }
    return "not probed";
}

}  // namespace qdu
