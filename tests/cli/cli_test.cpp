#include "cli/cli.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/terminal.h"
#include "drive/transport.h"
#include "simdrive/scripted_device.h"

namespace qdu::cli {
namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome qdu(const std::vector<std::string>& args, const Environment& environment = {}) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = run(args, out, err, environment);
    return Outcome{code, out.str(), err.str()};
}

std::string first_line(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST(QduList, ListsTheSimulatedDrivesInLetterOrder) {
    const Outcome r = qdu({"--simulate", "list"});
    EXPECT_EQ(r.code, kExitDone);
    EXPECT_EQ(r.out,
              "D  simulated  D : QUORVEL BD-RW KVT-R42   1.00  CD check offered\n"
              "H  simulated  H : QUORVEL BD-RW KVT-R42   1.00  no CD check\n");
    EXPECT_EQ(r.err, "");
    // Nothing is left open for whoever runs next.
    EXPECT_EQ(drive_device().letter, 0);
}

TEST(QduList, JsonGivesTheSameDrives) {
    const Outcome r = qdu({"--json", "--simulate=default", "list"});
    ASSERT_EQ(r.code, kExitDone);
    const auto drives = nlohmann::json::parse(r.out);
    ASSERT_EQ(drives.size(), 2U);
    EXPECT_EQ(drives[0]["letter"], "D");
    EXPECT_EQ(drives[0]["device"], "simulated");
    EXPECT_EQ(drives[0]["label"], "D : QUORVEL BD-RW KVT-R42   1.00");
    EXPECT_EQ(drives[0]["cd_check"], true);
    EXPECT_EQ(drives[1]["letter"], "H");
    EXPECT_EQ(drives[1]["cd_check"], false);
}

TEST(QduList, TraceShowsTheProbeOfEveryDevice) {
    const Outcome r = qdu({"--simulate", "--trace", "list"});
    ASSERT_EQ(r.code, kExitDone);
    const std::string id = "> 3C 02 F1 00 00 00 00 00 30 00 00 00  in 48\n";
    // D meets its power-on reset first, and the probe is sent again.
    const std::string probe_of_d = id + "< CHECK CONDITION 6/29/00 status 11\n" + id + "< GOOD\n" +
                                   "> 12 00 00 00 FE 00 00 00 00 00 00 00  in 254\n< GOOD\n";
    EXPECT_EQ(r.err.substr(0, probe_of_d.size()), probe_of_d);
    EXPECT_NE(r.err.find(id + "< CHECK CONDITION 5/24/00 status 1\n"), std::string::npos);
    // Probes of D, F and H, each after the power-on reset: six identification requests.
    std::size_t count = 0;
    for (auto at = r.err.find(id); at != std::string::npos; at = r.err.find(id, at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 6U);
    EXPECT_NE(r.err.find("> 1E 00 00 00 00 00 00 00 00 00 00 00  none 0\n< GOOD\n"),
              std::string::npos);
    EXPECT_EQ(r.out.find('>'), std::string::npos);
}

TEST(QduList, NoSupportedDriveSaysWhyAndFails) {
    const Outcome none = qdu({"--simulate=none", "list"});
    EXPECT_EQ(none.code, kExitFailed);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("no supported drive found"), std::string::npos);
    EXPECT_NE(none.err.find("scenario 'none' has no drives"), std::string::npos);

    const Outcome foreign = qdu({"--simulate=unsupported", "list"});
    EXPECT_EQ(foreign.code, kExitFailed);
    EXPECT_NE(foreign.err.find("simulated (letter D): it refused the identification request "
                               "(CommandError, status 1), so it is not a KVT-R42"),
              std::string::npos);
    EXPECT_NE(foreign.err.find("simulated (letter E): its identification code \"MXR 2750LC99\" "
                               "is neither MXR 2750LC31 nor MXR 2750LC58"),
              std::string::npos);

    const Outcome json = qdu({"--json", "--simulate=none", "list"});
    EXPECT_EQ(json.code, kExitFailed);
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::array());
}

TEST(QduList, DevicesThatCannotBeOpenedAreNamedWithAdvice) {
    auto provider = std::make_shared<ScriptedProvider>();
    provider->refuse_open('C', OpenError::PermissionDenied, 13,
                          "/dev/sr0 exists but could not be opened: Permission denied; add your "
                          "user to the group 'cdrom'");
    const Outcome r = qdu({"list"}, Environment{provider});
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_NE(r.err.find("(letter C): /dev/sr0 exists but could not be opened: Permission "
                         "denied; add your user to the group 'cdrom'"),
              std::string::npos);

    const Outcome empty = qdu({"list"}, Environment{std::make_shared<ScriptedProvider>()});
    EXPECT_EQ(empty.code, kExitFailed);
    EXPECT_NE(empty.err.find("No optical drive was found (looked at /dev/sr0 to /dev/sr23)"),
              std::string::npos);
}

TEST(QduList, DriveTextsNeverReachTheTerminalAsControlCharacters) {
    char path[] = "/tmp/qdu-scenario-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    std::ofstream(path) << "drive D\nproduct \"KVT\\x1B[2J\\x07\\x85\"\ncode MXR 2750LC31\n";
    const Outcome r = qdu({std::string("--simulate=") + path, "list"});
    std::remove(path);
    ASSERT_EQ(r.code, kExitDone);
    EXPECT_EQ(r.out, "D  simulated  D : QUORVEL KVT\\x1B[2J\\x07\\x85       1.00  no CD check\n");
}

TEST(QduUsage, BadUsageIsOneLineAndExitTwo) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--bogus", "list"},
                                                                  {"-d", "B", "list"},
                                                                  {"--drive=CD", "list"},
                                                                  {},
                                                                  {"frobnicate"}}) {
        const Outcome r = qdu(args);
        EXPECT_EQ(r.code, kExitUsage) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find("qdu --help"), std::string::npos) << r.err;
    }
    EXPECT_NE(first_line(qdu({"-d", "B", "list"}).err).find("one letter from C to Z"),
              std::string::npos);
}

TEST(QduUsage, BadScenarioNamesTheProblem) {
    char path[] = "/tmp/qdu-scenario-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    std::ofstream(path) << "drive D\n\nspeed 12\n";
    const Outcome r = qdu({std::string("--simulate=") + path, "list"});
    std::remove(path);
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_EQ(
        first_line(r.err).rfind(
            "qdu: " + std::string(path) + ":3: unknown key 'speed' (known: drive, vendor,", 0),
        0U);
    EXPECT_EQ(qdu({"--simulate=nosuch", "list"}).code, kExitUsage);
}

TEST(QduUsage, HelpAndVersion) {
    const Outcome help = qdu({"--help"});
    EXPECT_EQ(help.code, kExitDone);
    EXPECT_NE(help.out.find("--simulate"), std::string::npos);
    EXPECT_NE(help.out.find("list"), std::string::npos);
    const Outcome version = qdu({"--version"});
    EXPECT_EQ(version.code, kExitDone);
    EXPECT_EQ(version.out.rfind("qdu ", 0), 0U);
}

TEST(TerminalSafe, EscapesControlsButKeepsText) {
    EXPECT_EQ(terminal_safe("plain \xC3\xA9 text"), "plain \xC3\xA9 text");
    EXPECT_EQ(terminal_safe("a\tb\x7F"), "a\\x09b\\x7F");
    EXPECT_EQ(terminal_safe("\xC2\x9B"
                            "31m"),
              "\\x9B31m");
    EXPECT_EQ(terminal_safe("\xC2\xA0"), "\xC2\xA0");
}

}  // namespace
}  // namespace qdu::cli
