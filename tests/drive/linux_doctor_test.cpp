#include "drive/linux_doctor.h"

#include <gtest/gtest.h>

#include "drive/transport.h"
#include "support/fake_linux_tree.h"

namespace qdu {
namespace {

using testing::FakeLinuxTree;

// What discovery's probe found at a letter.
ProbeRecord refused(char letter) {
    ProbeRecord probe;
    probe.letter = letter;
    probe.opened = true;
    probe.status = 2;  // CHECK CONDITION to the identification request
    return probe;
}

ProbeRecord supported(char letter) {
    ProbeRecord probe;
    probe.letter = letter;
    probe.opened = true;
    probe.answered = true;
    probe.supported = true;
    probe.code = std::string(kCodeWithCheck);
    return probe;
}

std::vector<ProblemKind> kinds(const DoctorReport& report) {
    std::vector<ProblemKind> found;
    for (const DoctorProblem& problem : report.problems) {
        found.push_back(problem.kind);
    }
    return found;
}

class Doctor : public ::testing::Test {
protected:
    void SetUp() override {
        tree.drive(0, 0, "QEMU", "QEMU DVD-ROM");
        tree.owners[tree.node("sr0")] = {"root", "cdrom", 0660};
        tree.owners[tree.node("sg0")] = {"root", "cdrom", 0660};
    }
    DoctorReport run(const std::vector<ProbeRecord>& probes = {}) {
        return diagnose(tree, tree.paths(), probes);
    }
    FakeLinuxTree tree;
};

TEST_F(Doctor, AUserOutsideTheGroupIsToldWhichGroupAndHow) {
    const DoctorReport report = run();
    ASSERT_EQ(report.devices.size(), 1U);
    const OpticalDevice& device = report.devices[0];
    EXPECT_EQ(device.letter, 'C');
    EXPECT_EQ(device.vendor, "QEMU");
    EXPECT_EQ(device.model, "QEMU DVD-ROM");
    ASSERT_TRUE(device.sg.has_value());
    EXPECT_EQ(device.sg->path, tree.node("sg0"));
    EXPECT_EQ(device.sg->open_error, EACCES);
    ASSERT_EQ(kinds(report), std::vector{ProblemKind::PermissionDenied});
    EXPECT_EQ(report.problems[0].subject, tree.node("sg0"));
    EXPECT_EQ(report.problems[0].fix,
              "sudo usermod -aG cdrom \"$USER\"; then log out and log in again");
    EXPECT_FALSE(report.usable);
    // The window's line, as users are meant to read it.
    DoctorProblem at_sg0 = report.problems[0];
    at_sg0.subject = "/dev/sg0";
    EXPECT_EQ(doctor_hint(at_sg0, Language::English),
              "/dev/sg0 cannot be opened: permission denied — see qdu doctor");
    EXPECT_EQ(doctor_hint(at_sg0, Language::Japanese).rfind("/dev/sg0 を開けません", 0), 0U);

    // Added to the group since logging in: the session needs the group, not the account.
    tree.who.account_groups.push_back("cdrom");
    EXPECT_EQ(run().problems.at(0).fix.rfind("newgrp cdrom", 0), 0U);

    // In the group: usable when the drive is a supported one, named when it is not.
    tree.who.session_groups.push_back("cdrom");
    EXPECT_TRUE(run({supported('C')}).usable);
    EXPECT_TRUE(run({supported('C')}).problems.empty());
    const DoctorReport other = run({refused('C')});
    ASSERT_EQ(kinds(other), std::vector{ProblemKind::OtherDrive});
    EXPECT_EQ(problem_summary(other.problems[0], Language::English),
              tree.node("sr0") + " (QEMU QEMU DVD-ROM) is not a KVT-R42");
    EXPECT_EQ(other.devices[0].identification, Identification::OtherMaker);
}

TEST_F(Doctor, TheSeatGrantsOnlyItsActiveUser) {
    tree.write("run/udev/data/c21:0", "E:ID_CDROM=1\nG:uaccess\nQ:uaccess\n");
    DoctorReport report = run();
    EXPECT_TRUE(report.devices[0].sg->uaccess_tag);
    EXPECT_FALSE(report.devices[0].sr.uaccess_tag);  // its record is b11:0, not written
    ASSERT_FALSE(report.problems.empty());
    EXPECT_NE(report.problems[0].explanation.find("active session"), std::string::npos);

    tree.acl[tree.node("sg0")] = {1000};
    report = run({supported('C')});
    EXPECT_TRUE(report.devices[0].sg->seat_grant);
    EXPECT_TRUE(report.usable) << report.problems.at(0).explanation;
}

TEST_F(Doctor, NodesOnlyRootMayOpenNeedAUdevRule) {
    tree.owners[tree.node("sg0")] = {"root", "root", 0600};
    const DoctorReport report = run();
    ASSERT_EQ(kinds(report), std::vector{ProblemKind::PermissionDenied});
    const std::string& fix = report.problems[0].fix;
    EXPECT_NE(
        fix.find(R"(SUBSYSTEM=="scsi_generic", ATTRS{type}=="5", GROUP="cdrom", MODE="0660")"),
        std::string::npos)
        << fix;
    EXPECT_NE(fix.find("sudo udevadm trigger " + tree.node("sg0")), std::string::npos) << fix;
    EXPECT_NE(fix.find("usermod -aG cdrom"), std::string::npos) << fix;
}

TEST_F(Doctor, MissingPiecesOfTheSystemAreNamedFirst) {
    // No sg module: the drive is reached through sr only.
    FakeLinuxTree bare;
    bare.drive(1, -1, "QUORVEL", "BD-RW KVT-R42");
    bare.owners[bare.node("sr1")] = {"root", "cdrom", 0660};
    bare.who.session_groups = bare.who.account_groups = {"ripper", "cdrom"};
    DoctorReport report = diagnose(bare, bare.paths(), {supported('D')});
    ASSERT_EQ(kinds(report), std::vector{ProblemKind::NoSgModule});
    EXPECT_EQ(report.problems[0].fix,
              "sudo modprobe sg && echo sg | sudo tee /etc/modules-load.d/sg.conf");
    EXPECT_EQ(report.devices[0].letter, 'D');
    EXPECT_FALSE(report.usable);

    // A node udev has not made, and one another program holds.
    tree.who.session_groups.push_back("cdrom");
    std::filesystem::remove(tree.node("sg0"));
    EXPECT_EQ(kinds(run()), std::vector{ProblemKind::NodeMissing});
    tree.write("dev/sg0", "");
    tree.open_errors[tree.node("sg0")] = EBUSY;
    report = run();
    ASSERT_EQ(kinds(report), std::vector{ProblemKind::Busy});
    EXPECT_EQ(report.problems[0].fix, "sudo fuser -v " + tree.node("sg0"));

    // An optical drive the sr driver has not taken, and a system with none at all.
    tree.write("sys/class/scsi_generic/sg4/device/type", "5\n");
    tree.write("sys/class/scsi_generic/sg7/device/type", "0\n");  // a disk
    tree.write("dev/sg4", "");
    report = run();
    ASSERT_EQ(report.devices.size(), 2U);
    EXPECT_EQ(report.devices[1].name, "sg4");
    EXPECT_EQ(kinds(report).back(), ProblemKind::NoSrDriver);
    FakeLinuxTree empty;
    EXPECT_EQ(kinds(diagnose(empty, empty.paths(), {})), std::vector{ProblemKind::NoOpticalDevice});
}

}  // namespace
}  // namespace qdu
