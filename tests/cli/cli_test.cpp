#include "cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>
#include <thread>

#include "cli/terminal.h"
#include "drive/trace.h"
#include "drive/transport.h"
#include "settings/setting_commands.h"
#include "simdrive/faulty_device.h"
#include "simdrive/scenario.h"
#include "simdrive/scripted_device.h"
#include "simdrive/shared_file.h"
#include "simdrive/state_file.h"
#include "status/status_commands.h"
#include "strings/strings.h"
#ifdef QDU_HAVE_HISTORY
#include "history/history_store.h"
#endif
#include "support/child_process.h"
#include "support/hooked_provider.h"
#ifdef __linux__
#include "drive/linux_sg.h"
#include "support/fake_linux_tree.h"
#endif

namespace qdu::cli {
namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

// Each test has simulated drives of its own: a state file in a folder of its own.
class Qdu : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder of its own, whatever the system: the test's name and a counter.
        static int made = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() /
            ("qdu-cli-" + std::string(info->name()) + "-" + std::to_string(++made) + "-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        ASSERT_TRUE(std::filesystem::create_directory(dir));
        folder = dir.generic_string();
        state = folder + "/state.json";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    Outcome qdu(const std::vector<std::string>& args, Environment environment = {}) {
        if (environment.state_file.empty()) {
            environment.state_file = state;
        }
        if (environment.history_file.empty()) {
            environment.history_file = folder + "/history.sqlite3";
        }
        if (!environment.ask) {
            environment.ask = [this](const std::string& question) -> std::optional<bool> {
                questions.push_back(question);
                return answer;
            };
        }
        std::ostringstream out;
        std::ostringstream err;
        const int code = run(args, out, err, environment);
        return Outcome{code, out.str(), err.str()};
    }

    Environment with_provider(std::shared_ptr<DeviceProvider> provider) {
        Environment environment;
        environment.system_provider = std::move(provider);
        return environment;
    }

    std::string folder;
    std::string state;
    std::vector<std::string> questions;
    std::optional<bool> answer;  // nullopt: no terminal
};

using qdu::testing::child_role;
using qdu::testing::ChildProcess;
using qdu::testing::HookedProvider;

Scenario parse_scenario_text(const std::string& text) {
    std::istringstream in(text);
    return parse_scenario(in, "test.scn");
}

std::string first_line(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST_F(Qdu, ListListsTheSimulatedDrivesInLetterOrder) {
    const Outcome r = qdu({"--simulate", "list"});
    EXPECT_EQ(r.code, kExitDone);
    EXPECT_EQ(r.out,
              "D  simulated  D : QUORVEL BD-RW KVT-R42   1.00  CD check offered\n"
              "H  simulated  H : QUORVEL BD-RW KVT-R42   1.00  no CD check\n");
    EXPECT_EQ(r.err, "");
    // Nothing is left open for whoever runs next.
    EXPECT_EQ(drive_device().letter, 0);
}

TEST_F(Qdu, ListJsonGivesTheSameDrives) {
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

TEST_F(Qdu, ListTraceShowsTheProbeOfEveryDevice) {
    const Outcome r = qdu({"--simulate", "--trace", "list"});
    ASSERT_EQ(r.code, kExitDone);
    const std::string id = "> 3C 02 F1 00 00 00 00 00 30 00 00 00  in 48\n";
    // D meets its power-on reset first, and the probe is sent again.
    const std::string probe_of_d = id + "< CHECK CONDITION 6/29/00 status 11\n" + id + "< GOOD\n" +
                                   "> 12 00 00 00 FE 00 00 00 00 00 00 00  in 254\n< GOOD\n";
    EXPECT_EQ(r.err.substr(0, probe_of_d.size()), probe_of_d);
    // F, another maker's drive, does not know READ BUFFER at all.
    EXPECT_NE(r.err.find(id + "< CHECK CONDITION 5/20/00 status 1\n"), std::string::npos);
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

TEST_F(Qdu, ListNoSupportedDriveSaysWhyAndFails) {
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

TEST_F(Qdu, ListDevicesThatCannotBeOpenedAreNamedWithAdvice) {
    auto provider = std::make_shared<ScriptedProvider>();
    provider->refuse_open('C', OpenError::PermissionDenied, 13,
                          "/dev/sr0 exists but could not be opened: Permission denied; add your "
                          "user to the group 'cdrom'");
    const Outcome r = qdu({"list"}, with_provider(provider));
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_NE(r.err.find("(letter C): /dev/sr0 exists but could not be opened: Permission "
                         "denied; add your user to the group 'cdrom'"),
              std::string::npos);

    const Outcome empty = qdu({"list"}, with_provider(std::make_shared<ScriptedProvider>()));
    EXPECT_EQ(empty.code, kExitFailed);
    EXPECT_NE(empty.err.find("No optical drive was found (looked at /dev/sr0 to /dev/sr23)"),
              std::string::npos);
}

#ifdef __linux__
TEST_F(Qdu, DoctorNamesEachNodeAndTheCommandThatMendsIt) {
    auto tree = std::make_shared<qdu::testing::FakeLinuxTree>();
    tree->drive(0, 0, "QUORVEL", "BD-RW KVT-R42");
    tree->owners[tree->node("sr0")] = {"root", "cdrom", 0660};
    tree->owners[tree->node("sg0")] = {"root", "cdrom", 0660};
    tree->who.account_groups = {"ripper", "cdrom"};  // added, not yet logged in again
    const auto provider = std::make_shared<LinuxDeviceProvider>(tree, tree->paths());

    const Outcome json = qdu({"--json", "doctor"}, with_provider(provider));
    EXPECT_EQ(json.code, kExitFailed);
    const auto report = nlohmann::json::parse(json.out);
    EXPECT_EQ(report["user"]["session_groups"], nlohmann::json({"ripper"}));
    const auto& device = report["devices"].at(0);
    EXPECT_EQ(device["letter"], "C");
    EXPECT_EQ(device["model"], "BD-RW KVT-R42");
    EXPECT_EQ(device["nodes"].at(1)["path"], tree->node("sg0"));
    EXPECT_EQ(device["nodes"].at(1)["mode"], "0660");
    EXPECT_EQ(device["nodes"].at(1)["read_write"], false);
    EXPECT_EQ(device["identification"]["answer"], "not probed");
    ASSERT_EQ(report["problems"].size(), 1U);
    EXPECT_EQ(report["problems"][0]["kind"], "permission-denied");
    EXPECT_EQ(report["problems"][0]["fix"], "newgrp cdrom   (or log out and log in again)");

    const Outcome text = qdu({"doctor"}, with_provider(provider));
    EXPECT_EQ(text.code, kExitFailed);
    EXPECT_NE(text.out.find(tree->node("sg0") + "  root:cdrom  rw-rw----  cannot be opened: "
                                                "Permission denied"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("  1. " + tree->node("sg0") + " cannot be opened: permission denied\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("     fix: newgrp cdrom"), std::string::npos) << text.out;

    EXPECT_EQ(qdu({"--simulate", "doctor"}).code, kExitUsage);
}
#endif

TEST_F(Qdu, ListDriveTextsNeverReachTheTerminalAsControlCharacters) {
    const std::string path = folder + "/scenario.scn";
    std::ofstream(path) << "drive D\nproduct \"KVT\\x1B[2J\\x07\\x85\"\ncode MXR 2750LC31\n";
    const Outcome r = qdu({std::string("--simulate=") + path, "list"});
    ASSERT_EQ(r.code, kExitDone);
    EXPECT_EQ(r.out, "D  simulated  D : QUORVEL KVT\\x1B[2J\\x07\\x85       1.00  no CD check\n");
}

TEST_F(Qdu, UsageBadUsageIsOneLineAndExitTwo) {
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

TEST_F(Qdu, UsageBadScenarioNamesTheProblem) {
    const std::string path = folder + "/scenario.scn";
    std::ofstream(path) << "drive D\n\nspeed 12\n";
    const Outcome r = qdu({std::string("--simulate=") + path, "list"});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_EQ(first_line(r.err).rfind(
                  "qdu: " + path + ":3: unknown key 'speed' (known: drive, vendor,", 0),
              0U);
    EXPECT_EQ(qdu({"--simulate=nosuch", "list"}).code, kExitUsage);
}

TEST_F(Qdu, UsageHelpAndVersion) {
    const Outcome help = qdu({"--help"});
    EXPECT_EQ(help.code, kExitDone);
    EXPECT_NE(help.out.find("--simulate"), std::string::npos);
    EXPECT_NE(help.out.find("list"), std::string::npos);
    const Outcome version = qdu({"--version"});
    EXPECT_EQ(version.code, kExitDone);
    EXPECT_EQ(version.out, "qdu 1.1.0.5\n");  // the version the version dialog names
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

namespace qdu::cli {
namespace {

// Trace lines that change the drive: WRITE BUFFER and SET CD SPEED with their data lines.
std::vector<std::string> traced_writes(const std::string& trace) {
    std::vector<std::string> writes;
    std::istringstream in(trace);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("> 3B", 0) == 0 || line.rfind("> BB", 0) == 0) {
            writes.push_back(line);
        } else if (line.rfind("  data", 0) == 0 && !writes.empty()) {
            writes.back() += " |" + line.substr(6);
        }
    }
    return writes;
}

const std::string kWrite = "> 3B 01 FA 00 00 00 00 01 00 00 00 00  out 256 |";

class QduSettings : public Qdu {
protected:
    std::string scenario(const std::string& text) {
        const std::string path = folder + "/scenario.scn";
        std::ofstream(path) << text;
        return "--simulate=" + path;
    }
};

TEST_F(QduSettings, SetLedOffSendsThePageSequenceAndTheDriveKeepsIt) {
    const Outcome set = qdu({"--simulate", "--trace", "set", "led-off", "on", "--save"});
    ASSERT_EQ(set.code, kExitDone) << set.err;
    EXPECT_EQ(traced_writes(set.err),
              (std::vector<std::string>{kWrite, kWrite + " 0A 00 00 01", kWrite,
                                        kWrite + " 0C 00 01 01", kWrite, kWrite + " 0B 00 00 01"}));
    EXPECT_NE(set.out.find("LED OFF: on\n"), std::string::npos);

    const Outcome shown = qdu({"--simulate", "settings"});
    EXPECT_NE(shown.out.find("LED OFF: on\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(state));
}

// A settings file written by 'settings --json' brings a drive back to it, in an order that
// unlocks first (LED OFF cannot change while the Video and Audio Mode holds it); a file for
// another model or a newer format is refused before anything is sent.
TEST_F(QduSettings, ApplyingASettingsFile) {
    const std::string profile = folder + "/profile.json";
    std::ofstream(profile) << qdu({"--simulate", "--json", "settings"}).out;
    ASSERT_EQ(qdu({"--simulate", "set", "clarivox", "master", "--yes"}).code, kExitDone);
    ASSERT_EQ(qdu({"--simulate", "set", "video-audio-mode", "on", "--yes"}).code, kExitDone);

    answer = false;
    const Outcome declined = qdu({"--simulate", "--trace", "apply", profile});
    EXPECT_EQ(declined.code, kExitFailed);
    EXPECT_EQ(traced_writes(declined.err), std::vector<std::string>{});
    EXPECT_NE(declined.out.find("  video-audio-mode: on -> off\n"), std::string::npos)
        << declined.out;
    EXPECT_NE(declined.out.find("  clarivox: master -> off\n"), std::string::npos);
    ASSERT_EQ(questions.size(), 1U);
    EXPECT_EQ(questions[0], "Apply 5 changes?");  // the mode had turned on three others

    const Outcome applied = qdu({"--simulate", "apply", profile, "--yes"});
    ASSERT_EQ(applied.code, kExitDone) << applied.err;
    EXPECT_EQ(qdu({"--simulate", "--json", "settings"}).out, [&] {
        std::stringstream text;
        text << std::ifstream(profile).rdbuf();
        return text.str();
    }());
    EXPECT_NE(qdu({"--simulate", "apply", profile}).err.find("already has the settings"),
              std::string::npos);

    for (const auto& [file_text, reason] : std::vector<std::pair<std::string, std::string>>{
             {R"({"model": "KVT-R99", "led_off": true})", "another drive model (\"KVT-R99\")"},
             {R"({"profile_format": 2})", "newer version of qdu (settings format 2)"},
             {R"({"led_off": "maybe"})", "led_off is \"maybe\"; it takes off|on"},
             {"not json", "not a settings file"}}) {
        std::ofstream(profile) << file_text;
        const Outcome refused = qdu({"--simulate", "--trace", "apply", profile, "--yes"});
        EXPECT_EQ(refused.code, kExitFailed);
        EXPECT_NE(refused.err.find(reason), std::string::npos) << refused.err;
        EXPECT_EQ(traced_writes(refused.err), std::vector<std::string>{});
    }
}

TEST_F(QduSettings, RestoreDefaultsSendsTheFixedSequenceAfterAsking) {
    qdu({"--simulate", "set", "smooth-tray", "on"});
    const Outcome r = qdu({"--simulate", "--trace", "restore-defaults", "--yes"});
    ASSERT_EQ(r.code, kExitDone) << r.err;
    const std::string speed = "> BB 00 00 00 FE 00 00 00 00 00 C2 00  none 0";
    EXPECT_EQ(traced_writes(r.err),
              (std::vector<std::string>{
                  speed, kWrite + " 01 80 00 00 00 01", kWrite, kWrite + " 0B 00 00 01", kWrite,
                  kWrite + " 0A 00 00 01", kWrite, kWrite + " 0C 00 00 01", kWrite,
                  kWrite + " 0D 00 00 01", kWrite, kWrite + " 09 00 00 00 01", kWrite,
                  kWrite + " 08 00 00 01", kWrite, kWrite + " 0B 00 00 01"}));
    EXPECT_NE(r.out.find("The smooth tray loading mode: off\n"), std::string::npos);
    EXPECT_TRUE(questions.empty());
}

TEST_F(QduSettings, WithoutTerminalOrYesTheAnswerIsCancel) {
    const Outcome r = qdu({"--simulate", "--trace", "restore-defaults"});
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_TRUE(traced_writes(r.err).empty());
    EXPECT_NE(r.err.find("Reset all of the settings to the factory default. OK? there is no "
                         "terminal to ask; add --yes to answer OK"),
              std::string::npos);

    questions.clear();
    answer = false;
    const Outcome no = qdu({"--simulate", "--trace", "restore-defaults"});
    EXPECT_EQ(no.code, kExitFailed);
    EXPECT_EQ(questions,
              (std::vector<std::string>{"Reset all of the settings to the factory default. OK?"}));
    EXPECT_TRUE(traced_writes(no.err).empty());
    EXPECT_NE(no.err.find("cancelled"), std::string::npos);
}

TEST_F(QduSettings, PromptOfThePageIsAskedOnTheTerminal) {
    const std::string sim = scenario(
        "drive D\ncode MXR 2750LC58\nclarivox perfect\n"
        "real-time-clarivox on\n");
    answer = true;
    const Outcome r = qdu({sim, "set", "reading-feature", "off"});
    ASSERT_EQ(r.code, kExitDone) << r.err;
    EXPECT_EQ(questions, (std::vector<std::string>{"Disable the Real Time Clarivox. OK?"}));
    EXPECT_NE(r.out.find("Reading Mode Setting: OFF\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Real Time Clarivox: off\n"), std::string::npos);
    EXPECT_NE(r.out.find("Clarivox3+: on, Perfect Mode\n"), std::string::npos);
}

TEST_F(QduSettings, SettingsThePageWouldLockAreRefused) {
    const std::string sim = scenario(
        "drive D\ncode MXR 2750LC58\nzeve-duzir-iraveri on\n"
        "led-off on\nsmooth-tray on\n");
    const Outcome feature = qdu({sim, "--trace", "set", "reading-feature", "off"});
    EXPECT_EQ(feature.code, kExitFailed);
    EXPECT_TRUE(traced_writes(feature.err).empty());
    EXPECT_NE(feature.err.find("while Zeve Duzir Iraveri is on"), std::string::npos);

    const Outcome write = qdu({sim, "--trace", "set", "bd-write-mode", "write-quality"});
    EXPECT_EQ(write.code, kExitFailed);
    EXPECT_TRUE(traced_writes(write.err).empty());

    const Outcome led = qdu({sim, "set", "led-off", "off"});
    EXPECT_EQ(led.code, kExitFailed);
    EXPECT_NE(led.err.find("video-audio-mode off"), std::string::npos);

    // "Already" is what the drive has, not the box the Video and Audio Mode holds unchecked.
    const Outcome zeve_off = qdu({sim, "--trace", "set", "zeve-duzir-iraveri", "off"});
    EXPECT_EQ(zeve_off.code, kExitFailed);
    EXPECT_TRUE(traced_writes(zeve_off.err).empty());
    EXPECT_NE(zeve_off.err.find("video-audio-mode off"), std::string::npos);
    const Outcome zeve_on = qdu({sim, "--trace", "set", "zeve-duzir-iraveri", "on"});
    EXPECT_EQ(zeve_on.code, kExitDone);
    EXPECT_NE(zeve_on.err.find("already has this setting"), std::string::npos);
    EXPECT_TRUE(traced_writes(zeve_on.err).empty());
}

TEST_F(QduSettings, AWriteModeThePageHasNoRadioForTurnsOff) {
    for (const std::string media : {"bd", "dvd"}) {
        const std::string sim =
            scenario("drive D\ncode MXR 2750LC58\n" + media + "-write-mode 7\n");
        ASSERT_EQ(qdu({sim, "set", media + "-write-mode", "off"}).code, kExitDone);
        const auto j = nlohmann::json::parse(qdu({"--json", sim, "settings"}).out);
        EXPECT_EQ(j[media + "_write_mode"], "off") << media;
    }
}

TEST_F(QduSettings, MultiClickSettingsReachTheirValue) {
    ASSERT_EQ(qdu({"--simulate", "set", "clarivox", "master"}).code, kExitDone);
    ASSERT_EQ(qdu({"--simulate", "set", "dvd-write-mode", "surface-quality"}).code, kExitDone);
    ASSERT_EQ(qdu({"--simulate", "set", "reading-mode", "performance"}).code, kExitDone);
    const Outcome r = qdu({"--json", "--simulate", "settings"});
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["clarivox"], "master");
    EXPECT_EQ(j["dvd_write_mode"], "surface-quality");
    EXPECT_EQ(j["bd_write_mode"], "off");
    EXPECT_EQ(j["reading_feature"], "advanced-quiet");
    EXPECT_EQ(j["reading_mode"], "performance");
    EXPECT_EQ(j["drive"], "D");
    for (const char* key :
         {"real_time_clarivox", "real_time_clarivox_supported", "high_speed_read", "bdr_high_speed",
          "zeve_duzir_iraveri", "video_audio_mode", "led_off", "smooth_tray"}) {
        EXPECT_TRUE(j.contains(key)) << key;
    }
}

TEST_F(QduSettings, AlreadySetSendsNothingUnlessSaving) {
    const Outcome same = qdu({"--simulate", "--trace", "set", "led-off", "off"});
    EXPECT_EQ(same.code, kExitDone);
    EXPECT_TRUE(traced_writes(same.err).empty());
    EXPECT_NE(same.err.find("already has this setting"), std::string::npos);

    const Outcome saved = qdu({"--simulate", "--trace", "set", "led-off", "off", "--save"});
    EXPECT_EQ(saved.code, kExitDone);
    EXPECT_FALSE(traced_writes(saved.err).empty());
}

// A drive that refuses a change: the user is told, with the sense and its meaning, and qdu
// fails, though every command of the page was sent as on the page.
TEST_F(QduSettings, ARefusedChangeIsReportedAndFails) {
    auto bus = std::make_shared<SimulatedBus>(load_scenario(kDefaultScenario));
    int writes = 0;
    const auto refusing = std::make_shared<HookedProvider>(
        bus, nullptr, [&](const ScsiRequest& request) -> std::optional<ScsiResult> {
            if (request.cdb[0] != 0x3B) {  // WRITE BUFFER
                return std::nullopt;
            }
            ++writes;
            return check_condition(0x5, 0x26, 0x00);
        });
    const Outcome set = qdu({"set", "led-off", "on", "--yes"}, with_provider(refusing));
    EXPECT_EQ(set.code, kExitFailed);
    EXPECT_EQ(writes, 6);  // three pairs: Zeve Duzir Iraveri, LED OFF, smooth tray
    EXPECT_NE(set.err.find("the drive refused 6 of the commands (sense 5/26/00: a value of the "
                           "settings sent is not valid)"),
              std::string::npos)
        << set.err;
    EXPECT_NE(set.out.find("LED OFF: off\n"), std::string::npos);

    const Outcome restore = qdu({"restore-defaults", "--yes"}, with_provider(refusing));
    EXPECT_EQ(restore.code, kExitFailed);
    EXPECT_NE(restore.err.find("the drive refused 15 of the commands"), std::string::npos)
        << restore.err;
}

// The tool's own options may come after the command, as users type them.
TEST_F(QduSettings, GlobalOptionsAfterTheCommand) {
    const std::string other_state = folder + "/other.json";
    const Outcome r =
        qdu({"settings", "--json", "--trace", "-d", "H", "--simulate", "--sim-state", other_state});
    ASSERT_EQ(r.code, kExitDone) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["drive"], "H");
    EXPECT_NE(r.err.find("> 3C"), std::string::npos);  // traced
    EXPECT_TRUE(std::filesystem::exists(other_state));
    EXPECT_EQ(qdu({"set", "led-off", "on", "--simulate", "--save"}).code, kExitDone);
    EXPECT_EQ(qdu({"list", "--bogus", "--simulate"}).code, kExitUsage);
}

TEST_F(QduSettings, UnknownSettingsAndValuesListTheValidOnes) {
    const Outcome setting = qdu({"--simulate", "set", "volume", "11"});
    EXPECT_EQ(setting.code, kExitUsage);
    EXPECT_NE(setting.err.find("unknown setting 'volume'; the settings are: reading-feature,"),
              std::string::npos);
    const Outcome value = qdu({"--simulate", "set", "dvd-write-mode", "write-quality"});
    EXPECT_EQ(value.code, kExitUsage);
    EXPECT_NE(value.err.find("use off|surface-quality|over-speed-protection|"
                             "surface-quality-high-speed"),
              std::string::npos);
}

TEST_F(QduSettings, DriveOptionChoosesAmongTheSupportedDrives) {
    qdu({"--simulate", "-d", "h", "set", "led-off", "on"});
    EXPECT_NE(qdu({"--simulate", "-d", "H", "settings"}).out.find("LED OFF: on"),
              std::string::npos);
    EXPECT_NE(qdu({"--simulate", "settings"}).out.find("LED OFF: off"), std::string::npos);
    const Outcome missing = qdu({"--simulate", "-d", "F", "settings"});
    EXPECT_EQ(missing.code, kExitFailed);
    EXPECT_NE(missing.err.find("no supported drive at F; the supported drives are D, H"),
              std::string::npos);
}

TEST_F(QduSettings, DamagedStateFileIsSetAsideWithOneWarning) {
    std::ofstream(state) << "{ not json";
    const Outcome r = qdu({"--simulate", "settings"});
    EXPECT_EQ(r.code, kExitDone);
    EXPECT_NE(r.err.find("qdu: warning: the simulated drives' state file " + state +
                         " could not be used"),
              std::string::npos);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_TRUE(std::filesystem::exists(state + ".damaged"));

    std::ofstream(state) << R"({"format": "something else"})";
    EXPECT_NE(qdu({"--simulate", "settings"}).err.find("not a state file of this program"),
              std::string::npos);
}

TEST_F(QduSettings, TheDriveResetIsSeenOnlyByTheFirstRun) {
    const std::string reset = "< CHECK CONDITION 6/29/00 status 11";
    EXPECT_NE(qdu({"--simulate", "--trace", "list"}).err.find(reset), std::string::npos);
    EXPECT_EQ(qdu({"--simulate", "--trace", "list"}).err.find(reset), std::string::npos);
}

TEST_F(QduSettings, PowerCycleBringsBackWhatWasSaved) {
    qdu({"--simulate", "set", "led-off", "on", "--save"});
    qdu({"--simulate", "set", "smooth-tray", "on"});
    const Outcome r = qdu({"--simulate", "--trace", "power-cycle"});
    ASSERT_EQ(r.code, kExitDone) << r.err;
    EXPECT_NE(r.out.find("LED OFF: on\n"), std::string::npos);
    EXPECT_NE(r.out.find("The smooth tray loading mode: off\n"), std::string::npos);
    EXPECT_NE(r.err.find("< CHECK CONDITION 6/29/00 status 11"), std::string::npos);
    EXPECT_EQ(qdu({"power-cycle"}, with_provider(std::make_shared<ScriptedProvider>())).code,
              kExitFailed);
}

// Programs and threads sharing the simulated drives, each changing its own setting many times
// at once, lose nothing: the drives behave as one device, as a real drive does.
TEST_F(QduSettings, ConcurrentUsersKeepEveryonesSavedSettings) {
    constexpr int kRounds = 10;
    if (!child_role().empty()) {  // one of the other programs: SETTING|STATE
        const std::string& role = child_role();
        std::filesystem::remove_all(folder);
        state = role.substr(role.find('|') + 1);
        int failures = 0;
        for (int round = 0; round < kRounds; ++round) {
            const bool last = round == kRounds - 1;
            const Outcome r = qdu({"--simulate", "set", role.substr(0, role.find('|')),
                                   (round % 2 == 1 || last) ? "on" : "off", "--save", "--yes"});
            failures += r.code == kExitDone || r.code == kExitFailed ? 0 : 1;
            failures += r.err.find("warning") != std::string::npos ? 1 : 0;
        }
        std::_Exit(failures == 0 ? 0 : 1);
    }
    std::vector<ChildProcess> others;
    others.reserve(3);
    for (const char* setting : {"led-off", "smooth-tray", "bdr-high-speed"}) {
        others.emplace_back("QduSettings.ConcurrentUsersKeepEveryonesSavedSettings",
                            std::string(setting) + "|" + state);
    }

    // Threads of this process, each a program of its own on the same file.
    auto writer = [this](auto block_of) {
        SimulatedBus bus(load_scenario(kDefaultScenario));
        const auto store = share_simulation_state(bus, kDefaultScenario, state);
        OpenResult opened = bus.open('D');
        for (int round = 0; round < kRounds * 2; ++round) {
            SettingWriteBlock block = block_of(round);
            ScsiRequest request{write_settings_block_command(), DataDirection::DataOut, block};
            opened.device->execute(request);  // a unit attention first is fine
        }
        return store->take_warnings();
    };
    std::vector<std::string> warnings_a;
    std::vector<std::string> warnings_b;
    std::atomic<bool> done{false};
    std::atomic<int> bad_reads{0};
    std::thread high_speed([&] {
        warnings_a = writer([](int round) {
            return function_block(SettingFunction::HighSpeedRead, 0, round % 2, 1);  // saved
        });
    });
    std::thread write_modes([&] {
        warnings_b = writer([](int round) {  // BD 1 to 4, DVD 2, saved
            return function_block(SettingFunction::WriteModes, 0, round % 4 + 1, 2, 1);
        });
    });
    // Whoever reads the file at any moment finds it whole (a reader that, on Windows, lets
    // others replace the file while it reads, as every reader of ours does).
    std::thread reader([&] {
        while (!done) {
            const SharedRead read = read_shared_file(state);
            if (!read.text.empty()) {
                try {
                    check_simulation_state(read.text);
                } catch (const std::exception&) {
                    ++bad_reads;
                }
            }
        }
    });
    high_speed.join();
    write_modes.join();
    for (ChildProcess& other : others) {
        EXPECT_EQ(other.wait(), 0);
    }
    done = true;
    reader.join();

    EXPECT_EQ(bad_reads, 0);
    EXPECT_TRUE(warnings_a.empty() && warnings_b.empty())
        << (warnings_a.empty() ? "" : warnings_a[0]) << (warnings_b.empty() ? "" : warnings_b[0]);
    EXPECT_FALSE(std::filesystem::exists(state + ".damaged"));
    const Outcome r = qdu({"--simulate", "power-cycle"});
    ASSERT_EQ(r.code, kExitDone) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* line :
         {"LED OFF: on\n", "The smooth tray loading mode: on\n",
          "BD-R high speed recording mode: on\n", "High speed data read mode: on\n",
          "BD Write Setting: Disc Record Surface Quality Mode(High Speed)\n",
          "DVD Write Setting: Write Quality Mode ON\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    }
}

TEST_F(QduSettings, StatusShowsCountersAndDisc) {
    const std::string sim = scenario(
        "drive D\ncode MXR 2750LC58\ndisc cd-r\naudio-playing no\n"
        "counters 2 1000 1234\nspeed-limit-warning yes\n");
    const Outcome r = qdu({sim, "status"});
    ASSERT_EQ(r.code, kExitDone) << r.err;
    EXPECT_EQ(r.out,
              "Error Indicator: [#####...]  Not Good\n"
              "The number of transfer sector: 1000\n"
              "Last transferred time: 00:16:34\n"
              "Disc Type: CD-R\n"
              "MID: 97:24:01 - 79:59:71\n"
              "Number of session/border: 1\n"
              "Number of track: 1\n"
              "Disc Status: Finalized Disc\n"
              "The disc or temp, the drive limits the read/write speed.\n");

    const Outcome json = qdu({sim, "--json", "status", "--clear"});
    const auto j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["level"], 0);
    EXPECT_EQ(j["sector_count"], 0);
    EXPECT_EQ(j["disc"]["type"], "CD-R");
    EXPECT_EQ(j["disc"]["media_code"], "0x0020");
    EXPECT_EQ(j["disc"]["tracks"], 1);
    EXPECT_EQ(j["speed_limit_warning"], true);
}

TEST_F(QduSettings, StatusWithoutDiscOrCounters) {
    const std::string sim =
        scenario("drive D\ncode MXR 2750LC58\nreal-time-clarivox-supported no\ntray open\n");
    const Outcome r = qdu({sim, "status"});
    EXPECT_EQ(r.out, "Does not support Real Time Clarivox.\nNo disc is found.\n");
    const Outcome j = qdu({sim, "--json", "status"});
    const auto reading = nlohmann::json::parse(j.out);
    EXPECT_TRUE(reading["disc"].is_null());
    EXPECT_FALSE(reading.contains("level"));
}

TEST_F(QduSettings, StatusWatchReadsOncePerPeriod) {
    double now = 100.0;
    Environment environment;
    environment.sim_clock = [&now] { return now; };
    environment.max_readings = 3;
    set_sleeper([&now](std::chrono::milliseconds ms) { now += ms.count() / 1000.0; });
    const Outcome r = qdu({"--simulate", "--json", "status", "--watch=2"}, environment);
    set_sleeper(nullptr);
    ASSERT_EQ(r.code, kExitDone) << r.err;
    std::istringstream lines(r.out);
    std::vector<long> sectors;
    for (std::string line; std::getline(lines, line);) {
        sectors.push_back(nlohmann::json::parse(line)["sector_count"].get<long>());
    }
    // The default audio CD starts at 4000 sectors; 2 s at 75 sectors a second add 150.
    EXPECT_EQ(sectors, (std::vector<long>{4000, 4150, 4300}));

    EXPECT_EQ(qdu({"--simulate", "status", "--watch=0"}).code, kExitUsage);
    EXPECT_EQ(qdu({"--simulate", "status", "--watch=x"}).code, kExitUsage);
}

TEST_F(QduSettings, StatusOnATerminalIsColouredAndRedrawnInPlace) {
    Environment environment;
    environment.terminal = true;
    environment.max_readings = 2;
    set_sleeper([](std::chrono::milliseconds) {});
    const std::string sim = scenario(
        "drive D\ncode MXR 2750LC58\ndisc cd-rom\naudio-playing no\n"
        "counters 100 1000 0\n");
    const Outcome r = qdu({sim, "status", "--watch"}, environment);
    set_sleeper(nullptr);
    EXPECT_NE(r.out.find("\x1b[31m\u25A0"), std::string::npos);        // red segments
    EXPECT_NE(r.out.find("\x1b[31mFatal\x1b[0m"), std::string::npos);  // the word in red
    EXPECT_NE(r.out.find("\x1b[8A\x1b[J"), std::string::npos);         // the redraw
}

class QduCheck : public QduSettings {
protected:
    void SetUp() override {
        QduSettings::SetUp();
        environment.sim_clock = [this] { return now.load(); };
        set_sleeper([this](std::chrono::milliseconds ms) {
            now = now.load() + static_cast<double>(ms.count()) / 1000.0;
        });
    }
    void TearDown() override {
        set_sleeper(nullptr);
        QduSettings::TearDown();
    }
    std::atomic<double> now{500.0};
    Environment environment;
};

TEST_F(QduCheck, FullCheckReportsLevelsAndWhereTheFindingsAre) {
    const std::string sim = scenario(
        "drive D\ncode MXR 2750LC58\ndisc audio-cd\n"
        "defect 08:10:00 08:10:30 level-b\ndefect 21:05:00 21:05:40 level-c\n");
    const Outcome r = qdu({sim, "check", "--yes"}, environment);
    ASSERT_EQ(r.code, kExitDone) << r.err;
    EXPECT_NE(r.err.find("Insert audio CD.\nReading disc information...\nTrack No. 1 / 12\n"),
              std::string::npos);
    EXPECT_NE(r.err.find("Checking was finished."), std::string::npos);
    EXPECT_EQ(r.out.rfind("Result : Level C\nLow condition.", 0), 0U);
    EXPECT_NE(r.out.find("  Track 02 \t: B\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Track 04 \t: C\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Track 12 \t: A\n"), std::string::npos);
    EXPECT_NE(r.out.find("Findings:\n  Track 02  08:10:"), std::string::npos);
    EXPECT_NE(r.out.find("  Track 04  21:05:"), std::string::npos);
}

TEST_F(QduCheck, QuickCheckAsJson) {
    const std::string sim =
        scenario("drive D\ncode MXR 2750LC58\ndisc audio-cd\ndefect 00:02:00 00:30:00 level-d\n");
    const Outcome r = qdu({sim, "--json", "check", "--quick", "--yes"}, environment);
    ASSERT_EQ(r.code, kExitDone) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["mode"], "quick");
    EXPECT_EQ(j["end"], "finished");
    EXPECT_EQ(j["disc_level"], "D");
    EXPECT_EQ(j["tracks"].size(), 12U);
    EXPECT_EQ(j["tracks"][0]["level"], "D");
    ASSERT_FALSE(j["findings"].empty());
    EXPECT_EQ(j["findings"][0]["track"], 1);
    EXPECT_EQ(j["findings"][0]["time"], "00:02:00");
    EXPECT_EQ(j["findings"][0]["level"], "D");
    EXPECT_GT(j["findings"][0]["radius_mm"].get<double>(), 24.9);
}

TEST_F(QduCheck, NotAvailableAndRefusedDrives) {
    const Outcome cdr = qdu(
        {scenario("drive D\ncode MXR 2750LC58\ndisc cd-r-audio\n"), "check", "--yes"}, environment);
    EXPECT_EQ(cdr.code, kExitFailed);
    EXPECT_NE(cdr.err.find("This disc is not available."), std::string::npos);
    EXPECT_EQ(cdr.out, "");

    const Outcome no_check = qdu({"--simulate", "-d", "H", "check", "--yes"}, environment);
    EXPECT_EQ(no_check.code, kExitFailed);
    EXPECT_NE(no_check.err.find("offered only for drives with the identification code "
                                "MXR 2750LC58"),
              std::string::npos);

    const Outcome unasked = qdu({"--simulate", "--trace", "check"}, environment);
    EXPECT_EQ(unasked.code, kExitFailed);
    EXPECT_EQ(unasked.err.find("> 1B"), std::string::npos);  // the tray never opened
}

constexpr const char* kScratchedDisc =
    "drive D\ncode MXR 2750LC58\ndisc audio-cd\ndefect 08:10:00 08:10:30 level-b\n";

// Ctrl-C as the drive gets the check's last eject: the worker then posts its Finished, but the
// stop came first and wins, as a click on the dialog's Cancel does.
TEST_F(QduCheck, CtrlCBeforeTheEndIsHandledWinsOverALateFinish) {
    for (const bool json : {false, true}) {
        SCOPED_TRACE(json ? "json" : "text");
        auto bus = std::make_shared<SimulatedBus>(parse_scenario_text(kScratchedDisc));
        bus->drive('D')->set_clock([this] { return now.load(); });
        bool measured = false;
        bool raised = false;
        environment.system_provider =
            std::make_shared<HookedProvider>(bus, [&](const ScsiRequest& request) {
                measured = measured || request.cdb[0] == 0x52;  // READ TRACK INFORMATION
                if (request.cdb[0] == 0x1B && measured && !raised) {
                    raised = true;
                    std::raise(SIGINT);
                }
            });
        std::vector<std::string> args = {"check", "--yes"};
        if (json) {
            args.insert(args.begin(), "--json");
        }
        const Outcome r = qdu(args, environment);
        ASSERT_TRUE(raised);
        EXPECT_EQ(r.code, kExitFailed);
        EXPECT_NE(r.err.find("Checking was canceled."), std::string::npos);
        EXPECT_EQ(r.err.find("Checking was finished."), std::string::npos);
        if (json) {
            const auto j = nlohmann::json::parse(r.out);
            EXPECT_EQ(j["end"], "canceled");
            EXPECT_TRUE(j["disc_level"].is_null());
            EXPECT_TRUE(j["tracks"].empty());
            EXPECT_FALSE(j["findings"].empty());
        } else {
            EXPECT_EQ(r.out.find("Result"), std::string::npos) << r.out;
            EXPECT_EQ(r.out.rfind("Findings so far (the check did not finish", 0), 0U) << r.out;
            EXPECT_NE(r.out.find("  Track 02  08:10:"), std::string::npos);
        }
    }
}

// A check the worker stops by itself (the drive went away) reports no level either.
TEST_F(QduCheck, AStoppedCheckGivesNoLevel) {
    auto bus = std::make_shared<SimulatedBus>(parse_scenario_text(kScratchedDisc));
    bus->drive('D')->set_clock([this] { return now.load(); });
    // Gone in the middle of the measurement, long after the discovery's commands.
    environment.system_provider =
        std::make_shared<FaultyProvider>(bus, FaultPlan{FaultPlan::Kind::DeviceGone, 5, 400, 0});
    const Outcome r = qdu({"--json", "check", "--yes"}, environment);
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_NE(r.err.find("Checking was canceled."), std::string::npos);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["end"], "stopped");
    EXPECT_TRUE(j["disc_level"].is_null());
}

// A drive stuck in a command after Ctrl-C: qdu gives up after the bound, says so and ends.
TEST_F(QduCheck, ALateWorkerIsLeftAfterTheBound) {
    if (!child_role().empty()) {  // the qdu that is left with its worker; the role is the folder
        std::filesystem::remove_all(folder);
        std::freopen((child_role() + "/out.txt").c_str(), "w", stdout);
        std::freopen((child_role() + "/err.txt").c_str(), "w", stderr);
        auto bus = std::make_shared<SimulatedBus>(parse_scenario_text(kScratchedDisc));
        bus->drive('D')->set_clock([this] { return now.load(); });
        environment.system_provider =
            std::make_shared<HookedProvider>(bus, [](const ScsiRequest& request) {
                if (request.cdb[0] == 0x52) {  // a drive read that never comes back
                    std::raise(SIGINT);
                    for (;;) {
                        std::this_thread::sleep_for(std::chrono::hours(1));
                    }
                }
            });
        environment.check_wait = std::chrono::milliseconds(300);
        environment.state_file = child_role() + "/state.json";
        std::_Exit(run({"check", "--yes"}, std::cout, std::cerr, environment));
    }
    ChildProcess left("QduCheck.ALateWorkerIsLeftAfterTheBound", folder);
    EXPECT_EQ(left.wait(), kExitFailed);
    std::stringstream err_text;
    err_text << std::ifstream(folder + "/err.txt").rdbuf();
    const std::string err = err_text.str();
    EXPECT_NE(err.find("Checking was canceled."), std::string::npos);
    EXPECT_NE(err.find("did not finish its last command within 0 seconds"), std::string::npos)
        << err;
}

#ifdef QDU_HAVE_HISTORY
// Every check of a disc is kept; the next one names the disc and says how it compares.
TEST_F(QduCheck, ChecksAreKeptAndComparedByDisc) {
    const std::string sim = scenario(kScratchedDisc);
    const Outcome first = qdu({sim, "--json", "check", "--quick", "--yes"}, environment);
    ASSERT_EQ(first.code, kExitDone) << first.err;
    const auto j = nlohmann::json::parse(first.out);
    EXPECT_EQ(j["history_id"], 1);
    const std::string disc = j["disc"]["musicbrainz"];
    EXPECT_EQ(disc.size(), 28U);

    const Outcome second = qdu({sim, "check", "--quick", "--yes"}, environment);
    ASSERT_EQ(second.code, kExitDone) << second.err;
    EXPECT_NE(second.out.find("\nDisc ID: " + disc + "  (freedb "), std::string::npos);
    EXPECT_NE(second.out.find("(history 1): Level A then, Level A now: unchanged\n"),
              std::string::npos)
        << second.out;

    std::string error;
    auto store = HistoryStore::open(folder + "/history.sqlite3", error);
    ASSERT_TRUE(store.has_value()) << error;
    const auto kept = store->find(1);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->drive.letter, 'D');
    EXPECT_EQ(kept->drive.vendor, "QUORVEL");
    EXPECT_EQ(kept->drive.product, "BD-RW KVT-R42");
    EXPECT_EQ(kept->drive.revision, "1.00");
    EXPECT_NE(kept->drive.code.find("2750LC58"), std::string::npos);
    EXPECT_TRUE(kept->drive.simulated);
    EXPECT_EQ(kept->mode, "quick");
    EXPECT_EQ(kept->end, "finished");
    EXPECT_EQ(kept->disc_level, LevelA);
    EXPECT_EQ(kept->track_levels.size(), 12U);

    // Not kept when asked not to, and a history that cannot be used never stops the check.
    // Naming the disc and keeping the check sends the drive nothing more: the commands in
    // order (how often the drive is polled while it gets ready may vary).
    auto commands_of_check = [this](std::vector<std::string> args) {
        auto bus = std::make_shared<SimulatedBus>(parse_scenario_text(kScratchedDisc));
        bus->drive('D')->set_clock([this] { return now.load(); });
        auto sent = std::make_shared<std::vector<std::string>>();
        auto guard = std::make_shared<std::mutex>();
        Environment hooked = environment;
        hooked.system_provider =
            std::make_shared<HookedProvider>(bus, [sent, guard](const ScsiRequest& r) {
                const std::lock_guard lock(*guard);
                const std::string cdb = hex_bytes(std::span(r.cdb));
                if (sent->empty() || sent->back() != cdb) {
                    sent->push_back(cdb);
                }
            });
        args.insert(args.begin(), {"check", "--quick", "--yes"});
        const Outcome ran = qdu(args, hooked);
        EXPECT_EQ(ran.code, kExitDone) << ran.err;
        return *sent;
    };
    const auto unkept = commands_of_check({"--no-history"});
    const auto kept_check = commands_of_check({});
    EXPECT_FALSE(kept_check.empty());
    EXPECT_EQ(kept_check, unkept);
    std::ofstream(folder + "/junk.sqlite3") << std::string(4096, 'x');
    const Outcome junk =
        qdu({sim, "check", "--quick", "--yes", "--history", folder + "/junk.sqlite3"}, environment);
    EXPECT_EQ(junk.code, kExitDone);
    EXPECT_NE(junk.err.find("cannot be used"), std::string::npos) << junk.err;

    // The list: newest first, by disc.
    const Outcome listed = qdu({"history"}, environment);
    ASSERT_EQ(listed.code, kExitDone) << listed.err;
    EXPECT_EQ(listed.out.rfind("   3  ", 0), 0U) << listed.out;
    EXPECT_NE(listed.out.find("\n   1  "), std::string::npos);
    EXPECT_NE(listed.out.find("D BD-RW KVT-R42     quick  finished  Level A   " + disc),
              std::string::npos)
        << listed.out;
    const auto other = nlohmann::json::parse(
        qdu({"--json", "history", "--disc", "another-disc"}, environment).out);
    EXPECT_TRUE(other.empty());
    const auto same =
        nlohmann::json::parse(qdu({"--json", "history", "--disc", disc}, environment).out);
    ASSERT_EQ(same.size(), 3U);
    EXPECT_EQ(same[0]["history_id"], 3);
    EXPECT_EQ(same[0]["disc"]["musicbrainz"], disc);
}

// The window and several qdu check at once: every check is kept, none is lost or half written.
TEST_F(QduCheck, ChecksKeptByManyProgramsAtOnce) {
    constexpr int kChecksEach = 5;
    constexpr int kWindowChecks = 40;
    if (!child_role().empty()) {  // one qdu process; the role is the shared folder
        auto bus = std::make_shared<SimulatedBus>(parse_scenario_text(kScratchedDisc));
        bus->drive('D')->set_clock([this] { return now.load(); });
        environment.system_provider = bus;
        environment.history_file = child_role() + "/history.sqlite3";
        int failures = 0;
        for (int i = 0; i < kChecksEach; ++i) {
            std::ostringstream out;
            std::ostringstream err;
            failures += run({"check", "--quick", "--yes"}, out, err, environment) != kExitDone;
        }
        std::filesystem::remove_all(folder);
        std::_Exit(failures);
    }
    std::vector<ChildProcess> programs;
    for (int i = 0; i < 3; ++i) {
        programs.emplace_back("QduCheck.ChecksKeptByManyProgramsAtOnce", folder);
    }
    std::string error;
    auto window = HistoryStore::open(folder + "/history.sqlite3", error);
    ASSERT_TRUE(window.has_value()) << error;
    RecordedCheck check;
    check.when = "2026-12-09T12:00:00Z";
    check.mode = "full";
    check.end = "finished";
    check.disc_level = LevelB;
    check.track_levels = {{1, LevelB}};
    check.findings.resize(50);
    for (int i = 0; i < kWindowChecks; ++i) {
        window->record(check);
    }
    for (ChildProcess& program : programs) {
        EXPECT_EQ(program.wait(), 0);
    }
    const auto kept = window->list();
    EXPECT_EQ(kept.size(), static_cast<std::size_t>(3 * kChecksEach + kWindowChecks));
    for (const RecordedCheck& summary : kept) {
        const auto whole = window->find(summary.id);
        ASSERT_TRUE(whole.has_value());
        EXPECT_EQ(whole->track_levels.size(), summary.mode == "quick" ? 12U : 1U);
    }
}

// A batch: the disc put back after each check starts the next; a tray left empty ends the
// batch, and the summary compares each disc with its last check.
TEST_F(QduCheck, ABatchChecksUntilTheTrayStaysEmpty) {
    auto bus = std::make_shared<SimulatedBus>(parse_scenario_text(kScratchedDisc));
    bus->drive('D')->set_clock([this] { return now.load(); });
    int ejects = 0;
    environment.system_provider = std::make_shared<HookedProvider>(bus, [&](const ScsiRequest& r) {
        // Each check ejects as it starts and as it ends; after the second, no disc comes back.
        if (r.cdb[0] == 0x1B && r.cdb[4] == 0x02 && ++ejects == 4) {
            bus->drive('D')->set_insert_after(-1);
        }
    });
    environment.batch_wait = std::chrono::milliseconds(300);
    const Outcome r = qdu({"check", "--quick", "--yes", "--batch"}, environment);
    EXPECT_EQ(r.code, kExitDone) << r.err;
    EXPECT_NE(r.err.find("qdu: check 2 done. Put the next disc in"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no disc was put in within 0 s; the batch ends"), std::string::npos);
    const std::size_t summary = r.out.find("\nBatch: 2 checks\n");
    ASSERT_NE(summary, std::string::npos) << r.out;
    const std::string rows = r.out.substr(summary);
    EXPECT_NE(rows.find("\n  1  "), std::string::npos);
    EXPECT_NE(rows.find("      12  A        first check\n"), std::string::npos) << rows;
    EXPECT_NE(rows.find("      12  A        unchanged\n"), std::string::npos) << rows;
    EXPECT_EQ(nlohmann::json::parse(qdu({"--json", "history"}, environment).out).size(), 2U);
}

// The same disc got worse: the check says so, and history shows, compares, exports, forgets.
TEST_F(QduCheck, HistoryShowsComparesExportsAndForgets) {
    ASSERT_EQ(qdu({scenario(kScratchedDisc), "check", "--yes"}, environment).code, kExitDone);
    const Outcome worse =
        qdu({scenario(std::string(kScratchedDisc) + "defect 21:05:00 21:05:40 level-c\n"), "check",
             "--yes"},
            environment);
    ASSERT_EQ(worse.code, kExitDone) << worse.err;
    EXPECT_NE(worse.out.find("(history 1): Level B then, Level C now: worse\n"), std::string::npos)
        << worse.out;

    const Outcome shown = qdu({"history", "show", "2"}, environment);
    ASSERT_EQ(shown.code, kExitDone) << shown.err;
    EXPECT_EQ(shown.out.rfind("Check 2: ", 0), 0U);
    EXPECT_NE(shown.out.find("\n\nResult : Level C\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("Findings:\n  Track 02  08:10:"), std::string::npos);
    EXPECT_NE(shown.out.find("\nDisc ID: "), std::string::npos);

    const Outcome compared = qdu({"history", "compare", "2", "1"}, environment);
    ASSERT_EQ(compared.code, kExitDone) << compared.err;
    EXPECT_NE(compared.out.find("Then: check 1,"), std::string::npos);
    EXPECT_NE(compared.out.find("  Track 04  A -> C  *\n"), std::string::npos) << compared.out;
    EXPECT_NE(compared.out.find("Findings that appeared:\n  Track 04  21:05:"), std::string::npos);
    EXPECT_NE(compared.out.find("Findings that went: none\n"), std::string::npos);
    EXPECT_NE(compared.out.find("\nVerdict: worse\n"), std::string::npos);
    EXPECT_EQ(qdu({"history", "compare", "1", "9"}, environment).code, kExitFailed);

    // Another disc is compared only when asked to.
    {
        std::string error;
        auto store = HistoryStore::open(folder + "/history.sqlite3", error);
        ASSERT_TRUE(store.has_value()) << error;
        RecordedCheck other = *store->find(1);
        other.disc->musicbrainz = "another-disc";
        store->record(other);
    }
    const Outcome refused = qdu({"history", "compare", "1", "3"}, environment);
    EXPECT_EQ(refused.code, kExitFailed);
    EXPECT_NE(refused.err.find("not of the same disc; add --force"), std::string::npos);
    EXPECT_EQ(qdu({"history", "compare", "1", "3", "--force"}, environment).code, kExitDone);

    const std::string page = folder + "/check.html";
    ASSERT_EQ(qdu({"history", "export", "2", "--format", "html", "-o", page}, environment).code,
              kExitDone);
    std::stringstream html;
    html << std::ifstream(page).rdbuf();
    EXPECT_EQ(html.str().rfind("<!DOCTYPE html>", 0), 0U);
    EXPECT_NE(html.str().find("<svg"), std::string::npos);
    EXPECT_EQ(qdu({"history", "export", "2", "--format", "xml"}, environment).code, kExitUsage);

    answer = false;
    EXPECT_EQ(qdu({"history", "forget", "1"}, environment).code, kExitFailed);
    ASSERT_EQ(questions.size(), 1U);
    EXPECT_EQ(
        questions[0],
        "Forget check 1 (" +
            nlohmann::json::parse(qdu({"--json", "history", "show", "1"}, environment).out)["when"]
                .get<std::string>() +
            ")? This cannot be undone.");
    EXPECT_EQ(qdu({"history", "forget", "--disc", "another-disc", "--yes"}, environment).code,
              kExitDone);
    const auto left = nlohmann::json::parse(qdu({"--json", "history"}, environment).out);
    ASSERT_EQ(left.size(), 2U);
    EXPECT_EQ(left[1]["history_id"], 1);
}
#endif

// Without a terminal, the progress still says how far the check is and how long it has left.
TEST_F(QduCheck, PlainProgressLinesCarryTheRemainingTime) {
    const Outcome r = qdu({scenario(kScratchedDisc), "check", "--yes"}, environment);
    ASSERT_EQ(r.code, kExitDone) << r.err;
    EXPECT_NE(r.err.find("  10%  (Remaining time "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  50%  (Remaining time "), std::string::npos);
}

TEST_F(QduSettings, ADriveThatStopsAnsweringIsReported) {
    auto inner = std::make_shared<SimulatedBus>(load_scenario("default"));
    // The drive goes after the discovery and the first settings reads.
    auto faulty =
        std::make_shared<FaultyProvider>(inner, FaultPlan{FaultPlan::Kind::DeviceGone, 5, 12, 0});
    const Outcome r = qdu({"settings"}, with_provider(faulty));
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_NE(r.err.find("qdu: the drive at D stopped answering (the device is gone (unplugged)); "
                         "what is shown may be incomplete"),
              std::string::npos);
}

TEST_F(QduSettings, JapaneseUsersGetJapaneseTexts) {
    set_ui_language(Language::Japanese);
    const Outcome r = qdu({"--simulate", "settings"});
    set_ui_language(Language::English);
    EXPECT_NE(r.out.find("読み込みモード設定: Advanced Quiet Drive Feature（静音機能）\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("LED 消灯: オフ\n"), std::string::npos);
}

}  // namespace
}  // namespace qdu::cli
