// Why a drive is or is not usable on this Linux system: the optical devices sysfs knows, their
// nodes and who may open them, and what each answered to the identification probe, with the
// command that mends each problem found.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "drive/discovery.h"
#include "drive/linux_sg.h"
#include "strings/strings.h"

namespace qdu {

struct NodeCheck {
    std::string path;
    bool exists = false;
    std::optional<LinuxSystem::NodeAccess> access;
    int open_error = 0;        // errno of opening it for reading and writing; 0 when it opened
    bool uaccess_tag = false;  // udev hands it to the user at the desktop's seat
    bool seat_grant = false;   // and an access list entry gives this user read and write
};

enum class Identification { Supported, OtherMaker, NoAnswer, NotProbed };

struct OpticalDevice {
    std::string name;  // sr0; sg2 for a drive the sr driver has not taken
    std::optional<char> letter;
    std::string vendor;
    std::string model;
    NodeCheck sr;
    std::optional<NodeCheck> sg;
    Identification identification = Identification::NotProbed;
    std::string identification_detail;  // the code, or why there is none
};

enum class ProblemKind {
    NoOpticalDevice,
    NoSgModule,
    NoSrDriver,
    NodeMissing,
    PermissionDenied,
    Busy,
    OpenFailed,
    NoAnswer,
    OtherDrive,
};

struct DoctorProblem {
    ProblemKind kind = ProblemKind::NoOpticalDevice;
    std::string subject;      // the node or device it is about
    std::string explanation;  // why, in a sentence
    std::string fix;          // the command that mends it; empty when none does
};

struct DoctorReport {
    LinuxSystem::Identity user;
    bool sg_module = false;
    std::vector<OpticalDevice> devices;
    std::vector<DoctorProblem> problems;  // the first is the one to mend first
    bool usable = false;                  // a supported drive can be used as it is
};

// `probes` are discovery's records of the letters that have a device.
DoctorReport diagnose(LinuxSystem& system, const LinuxPaths& paths,
                      const std::vector<ProbeRecord>& probes);
// The same for the installed provider, when it is this system's (not simulated drives).
std::optional<DoctorReport> diagnose_installed_provider(const std::vector<ProbeRecord>& probes);

// One line naming the problem, in the language given.
std::string problem_summary(const DoctorProblem& problem, Language language);
// "<summary> — see qdu doctor", for the window.
std::string doctor_hint(const DoctorProblem& problem, Language language);
std::string_view identification_name(Identification identification);
// "permission-denied": the kind's name in qdu's JSON.
std::string_view problem_kind_name(ProblemKind kind);

}  // namespace qdu
