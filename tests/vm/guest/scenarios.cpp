#include "scenarios.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "accounts.h"
#include "cdcheck/check_commands.h"
#include "cli/cli.h"
#include "drive/bytes.h"
#include "drive/discovery.h"
#include "drive/linux_sg.h"
#include "drive/scsi.h"
#include "settings/setting_commands.h"
#include "simdrive/sim_drive.h"
#include "status/status_commands.h"

namespace qdu::vm {

namespace {

constexpr char kLetter = 'C';
constexpr const char* kSr = "/dev/sr0";
constexpr const char* kSg = "/dev/sg0";
constexpr uid_t kUserId = 1000;
constexpr gid_t kUserGroup = 1000;
constexpr gid_t kCdromGroup = 24;

class Host {
public:
    explicit Host(Channel& channel) : channel_(channel) {}

    std::string ask(const std::string& request) { return channel_.ask(request); }

    void must(const std::string& request) {
        const std::string answer = channel_.ask(request);
        if (!answered_ok(answer)) {
            throw std::runtime_error("host: " + request + ": " + answer);
        }
    }

    struct Tray {
        bool open = false;
        bool locked = false;
        bool inserted = false;
    };

    Tray tray() {
        const std::string answer = channel_.ask("TRAY");
        if (!answered_ok(answer)) {
            throw std::runtime_error("host: TRAY: " + answer);
        }
        Tray t;
        t.open = answer.find("open=1") != std::string::npos;
        t.locked = answer.find("locked=1") != std::string::npos;
        t.inserted = answer.find("inserted=1") != std::string::npos;
        return t;
    }

    std::uint32_t sectors(const std::string& disc) {
        const std::string answer = channel_.ask("SECTORS " + disc);
        if (!answered_ok(answer)) {
            throw std::runtime_error("host: SECTORS: " + answer);
        }
        return static_cast<std::uint32_t>(std::stoul(answer.substr(3)));
    }

private:
    Channel& channel_;
};

std::string tray_text(const Host::Tray& t) {
    return std::string(t.open ? "open" : "closed") + (t.locked ? ", locked" : "") +
           (t.inserted ? ", medium inserted" : ", no medium");
}

std::string hex16(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void use_system_drives() {
    reset_drive_access();
    install_device_provider(make_system_device_provider());
}

void open_fresh() {
    use_system_drives();
    if (!open_drive(kLetter)) {
        throw std::runtime_error(std::string("cannot open drive C: ") +
                                 drive_device().open_message);
    }
}

bool test_unit_ready() {
    return send_command(CommandBlock{scsi::kTestUnitReady}, DataDirection::NoData);
}

// Sends TEST UNIT READY until no unit attention is pending, so that a scenario starts from a
// quiet drive; says what it met.
std::string drain_unit_attentions() {
    AttemptLog log;
    for (int i = 0; i < 8; ++i) {
        if (test_unit_ready() || log.attempts().back().sense.key != scsi::kSenseUnitAttention) {
            break;
        }
    }
    return attempts_text(log.attempts());
}

// Puts disc `name` in the closed tray and waits until the drive has reported the change.
void load_disc(Host& host, const std::string& name) {
    host.must("CHANGE " + name);
    drain_unit_attentions();
}

std::string text_field(const InquiryBuffer& buffer, std::size_t at, std::size_t length) {
    std::string text(buffer.begin() + static_cast<std::ptrdiff_t>(at),
                     buffer.begin() + static_cast<std::ptrdiff_t>(at + length));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

struct Toc {
    bool read = false;
    int first = 0;
    int last = 0;
    int tracks = 0;
    std::uint8_t first_control = 0;
    std::uint32_t first_start = 0;
    std::uint32_t lead_out = 0;
};

CommandBlock read_toc_command(std::uint16_t length) {
    CommandBlock cdb{scsi::kReadTocPmaAtip, 0, 0, 0, 0, 0, 1};  // format 0 from track 1
    put_be16(cdb, 7, length);
    return cdb;
}

Toc read_toc() {
    constexpr std::uint16_t kLength = 4 + 8 * 100;
    std::array<std::uint8_t, kLength> buffer{};
    Toc toc;
    toc.read = send_command(read_toc_command(kLength), DataDirection::DataIn, buffer, kLength);
    if (!toc.read) {
        return toc;
    }
    const std::size_t length = std::min<std::size_t>(read_be16(buffer, 0) + 2u, kLength);
    toc.first = buffer[2];
    toc.last = buffer[3];
    for (std::size_t at = 4; at + 8 <= length; at += 8) {
        const std::uint8_t track = buffer[at + 2];
        const std::uint32_t start = read_be32(buffer, at + 4);
        if (track == 0xAA) {
            toc.lead_out = start;
        } else {
            if (toc.tracks == 0) {
                toc.first_control = buffer[at + 1];
                toc.first_start = start;
            }
            ++toc.tracks;
        }
    }
    return toc;
}

const Attempt* first_with(const std::vector<Attempt>& attempts, std::uint8_t opcode) {
    for (const Attempt& a : attempts) {
        if (a.opcode == opcode) {
            return &a;
        }
    }
    return nullptr;
}

bool is_sense(const Attempt& a, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    return a.delivered && a.scsi_status == kStatusCheckCondition && a.sense.key == key &&
           a.sense.asc == asc && a.sense.ascq == ascq;
}

std::array<std::uint8_t, 256> pattern_buffer() {
    std::array<std::uint8_t, 256> buffer{};
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = static_cast<std::uint8_t>(0xA5 ^ i);
    }
    return buffer;
}

// --- the scenarios ---

void discovery(Check& check) {
    use_system_drives();
    AttemptLog log;
    DriveList list;
    enumerate_drives(list);
    check.expect(list.entries.empty(), "QEMU's drive was listed as supported");
    check.expect(list.selected == -1, "a drive is selected although none is supported");
    check.expect(list.probes.size() == 1,
                 "expected one probed device, found " + std::to_string(list.probes.size()));
    if (list.probes.empty()) {
        return;
    }
    const ProbeRecord& probe = list.probes.front();
    check.expect(probe.letter == kLetter, std::string("probed letter ") + probe.letter);
    check.expect(probe.device == kSr, "probed device " + probe.device);
    check.expect(probe.node == kSg, "commands went through " + probe.node + ", not " + kSg);
    check.expect(probe.opened, "the device did not open: " + probe.open_message);
    check.expect(!probe.answered, "the identification buffer was answered");
    check.expect(probe.status == CommandError,
                 "identification refusal gave status " + std::to_string(probe.status));
    const Attempt* refused = first_with(log.attempts(), scsi::kReadBuffer);
    check.expect(refused != nullptr && is_sense(*refused, 5, 0x20, 0x00),
                 "identification request answered " + attempts_text(log.attempts()));
    check.note(probe.device + " through " + probe.node + ": identification refused with " +
               (refused != nullptr ? sense_text(refused->sense) : std::string("nothing")) +
               ", status " + std::to_string(probe.status));
}

void list_explains(Check& check) {
    use_system_drives();
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::run({"list"}, out, err);
    const std::string why = std::string(kSr) +
                            " (letter C): it refused the identification request (CommandError, "
                            "status 1), so it is not a KVT-R42";
    check.expect(code == cli::kExitFailed, "qdu list exited with " + std::to_string(code));
    check.expect(out.str().empty(), "qdu list printed drives: " + out.str());
    check.expect(contains(err.str(), "no supported drive found"),
                 "qdu list did not say that no drive is supported: " + err.str());
    check.expect(contains(err.str(), why),
                 "qdu list did not explain " + std::string(kSr) + ": " + err.str());
    check.note("exit " + std::to_string(code) + ", \"" + why + "\"");
}

void identify(Check& check) {
    open_fresh();
    InquiryBuffer buffer{};
    check.expect(inquiry(buffer), std::string("INQUIRY failed with status ") +
                                      command_status_name(drive_device().last_status));
    const std::string vendor = text_field(buffer, 8, 8);
    const std::string product = text_field(buffer, 16, 16);
    const std::string revision = text_field(buffer, 32, 4);
    check.expect((buffer[0] & 0x1F) == 0x05, "peripheral type " + std::to_string(buffer[0]));
    check.expect((buffer[1] & 0x80) != 0, "the medium is not removable");
    check.expect(vendor == "QEMU", "vendor \"" + vendor + "\"");
    check.expect(product == "QEMU CD-ROM", "product \"" + product + "\"");
    check.expect(drive_device().node == kSg, "opened " + drive_device().node);
    check.note("\"" + vendor + "\" \"" + product + "\" \"" + revision + "\", type 5, removable");
}

void configuration(Check& check) {
    open_fresh();
    std::array<std::uint8_t, 8> header{};
    const bool ok = send_command(get_configuration_command(0, 8), DataDirection::DataIn, header, 8);
    check.expect(ok, std::string("GET CONFIGURATION failed: ") +
                         command_status_name(drive_device().last_status));
    const unsigned profile = read_be16(header, 6);
    check.expect(profile == 0x0008, "current profile " + hex16(profile) + ", not CD-ROM 0008");
    check.expect(!is_dvd_rw_restricted_overwrite(), "a CD-ROM was taken for a DVD-RW");
    check.note("current profile " + hex16(profile) + " (CD-ROM)");
}

void disc_information(Check& check) {
    open_fresh();
    std::array<std::uint8_t, 256> buffer{};
    const CommandBlock cdb = read_disc_information_command();
    const bool ok = send_command(cdb, DataDirection::DataIn, buffer, cdb[8]);
    check.expect(ok, std::string("READ DISC INFORMATION failed: ") +
                         command_status_name(drive_device().last_status));
    const int status = get_disc_status();
    const int sessions = get_session_count();
    const int tracks = get_track_count();
    check.expect(status == 2, "disc status " + std::to_string(status) + ", not complete (2)");
    check.expect(sessions == 1, std::to_string(sessions) + " sessions");
    check.expect(tracks == 1, std::to_string(tracks) + " tracks");
    check.note("length " + std::to_string(read_be16(buffer, 0) + 2) +
               ", complete disc, 1 session, 1 track");
}

void toc(Check& check, Host& host) {
    open_fresh();
    const std::uint32_t sectors = host.sectors("a");
    const Toc t = read_toc();
    check.expect(
        t.read, std::string("READ TOC failed: ") + command_status_name(drive_device().last_status));
    check.expect(t.first == 1 && t.last == 1 && t.tracks == 1,
                 "tracks " + std::to_string(t.first) + ".." + std::to_string(t.last));
    check.expect(t.first_control == 0x14, "track 1 ADR/control " + std::to_string(t.first_control));
    check.expect(t.first_start == 0, "track 1 starts at " + std::to_string(t.first_start));
    check.expect(t.lead_out == sectors, "lead-out at " + std::to_string(t.lead_out) +
                                            ", the image has " + std::to_string(sectors));
    check.note("one data track at 0, lead-out at " + std::to_string(t.lead_out));
}

void vendor_read_buffer(Check& check) {
    open_fresh();
    AttemptLog log;
    const auto before = pattern_buffer();
    auto buffer = before;
    const CommandBlock cdb = read_identification_buffer_command();
    const bool identified = send_command(cdb, DataDirection::DataIn, buffer, cdb[8]);
    check.expect(!identified, "the identification buffer was read");
    check.expect(drive_device().last_status == CommandError,
                 "status " + std::to_string(drive_device().last_status));
    check.expect(buffer == before, "the buffer changed after the refused identification");
    auto answer = before;
    const bool answered = read_request_buffer(answer);
    check.expect(!answered, "the request buffer was read");
    check.expect(answer == before, "the buffer changed after the refused request buffer");
    check.expect(log.attempts().size() == 2 && is_sense(log.attempts()[0], 5, 0x20, 0) &&
                     is_sense(log.attempts()[1], 5, 0x20, 0),
                 "answers: " + attempts_text(log.attempts()));
    check.note("F1h and E1h: " + attempts_text(log.attempts()) + ", status 1, buffers unchanged");
}

void vendor_write_buffer(Check& check) {
    open_fresh();
    AttemptLog log;
    const auto before = pattern_buffer();
    auto request = before;
    const bool written = write_request_buffer(std::span(request).first(32));
    check.expect(!written, "WRITE BUFFER succeeded");
    check.expect(drive_device().last_status == CommandError,
                 "status " + std::to_string(drive_device().last_status));
    check.expect(request == before, "the buffer changed after the refused WRITE BUFFER");
    check.expect(log.attempts().size() == 1 && is_sense(log.attempts()[0], 5, 0x20, 0),
                 "answers: " + attempts_text(log.attempts()));
    check.note("WRITE BUFFER E1h: " + attempts_text(log.attempts()) + ", status 1");
}

void eject(Check& check, Host& host) {
    open_fresh();
    load_disc(host, "a");
    check.expect(!host.tray().open, "the tray was open before the eject");
    check.expect(eject_disc(),
                 std::string("eject failed: ") + command_status_name(drive_device().last_status));
    const Host::Tray after = host.tray();
    check.expect(after.open, "QEMU says the tray is " + tray_text(after));

    int sleeps = 0;
    set_sleeper([&sleeps](std::chrono::milliseconds) { ++sleeps; });
    AttemptLog log;
    const bool ready = wait_disc_ready();
    set_sleeper(nullptr);
    check.expect(!ready, "wait_disc_ready found a disc in the open tray");
    check.expect(drive_device().last_status == MediumNotPresent,
                 std::string("status ") + command_status_name(drive_device().last_status));
    check.expect(sleeps == 0 && log.attempts().size() == 1,
                 "the wait slept " + std::to_string(sleeps) + " times over " +
                     attempts_text(log.attempts()));
    check.note("QEMU: tray " + tray_text(after) + "; wait_disc_ready: " +
               attempts_text(log.attempts()) + " -> MediumNotPresent at once");
    load_disc(host, "a");
}

void removal_lock(Check& check, Host& host) {
    open_fresh();
    load_disc(host, "a");
    check.expect(prevent_medium_removal(), "PREVENT failed");
    const Host::Tray locked = host.tray();
    check.expect(locked.locked, "QEMU says the tray is " + tray_text(locked));
    const std::string refused = host.ask("EJECT");
    check.expect(!answered_ok(refused), "QEMU ejected a locked disc");
    const Host::Tray still = host.tray();
    check.expect(!still.open && still.inserted, "after the refused eject: " + tray_text(still));

    check.expect(allow_medium_removal(), "ALLOW failed");
    check.expect(!host.tray().locked, "QEMU still says locked after ALLOW");
    const std::string allowed = host.ask("EJECT");
    check.expect(answered_ok(allowed), "the host eject after ALLOW: " + allowed);
    const Host::Tray ejected = host.tray();
    check.expect(ejected.open, "after the allowed eject: " + tray_text(ejected));
    check.note("locked: host eject refused (" +
               refused.substr(std::min<std::size_t>(4, refused.size())) +
               "); allowed: " + tray_text(ejected));
    load_disc(host, "a");
}

// How the second unit attention of a medium change reaches the program.
enum class ChangeReport {
    Repeated,  // 6/28/00 arrives and our transport repeats the command
    Absorbed,  // the driver stack consumes it: the repeat's answer comes without one
};

void medium_change(Check& check, Host& host, ChangeReport report) {
    open_fresh();
    load_disc(host, "a");
    const Toc first = read_toc();
    check.expect(first.read && first.lead_out == host.sectors("a"), "disc a's TOC not read");

    host.must("CHANGE b");
    AttemptLog log;
    // GET CONFIGURATION is answered while the attentions wait, and leaves them waiting.
    std::array<std::uint8_t, 8> header{};
    const bool configured =
        send_command(get_configuration_command(0, 8), DataDirection::DataIn, header, 8);
    check.expect(configured && log.attempts().size() == 1 && read_be16(header, 6) == 0x0008,
                 "GET CONFIGURATION after the change: " + attempts_text(log.attempts()));
    log.clear();
    const Toc tray_moved = read_toc();
    const std::vector<Attempt> tray_attempts = log.attempts();
    const std::int32_t tray_status = drive_device().last_status;
    log.clear();
    const Toc changed = read_toc();
    const std::vector<Attempt> change_attempts = log.attempts();

    // QEMU reports the tray's opening first (6/3A/00): not one of the repeated unit
    // attentions, so the caller sees it as a failed command. Then 6/28/00, which is repeated.
    check.expect(!tray_moved.read && tray_status == CommandError && tray_attempts.size() == 1 &&
                     is_sense(tray_attempts[0], 6, 0x3A, 0x00),
                 "first READ TOC after the change: " + attempts_text(tray_attempts) + ", status " +
                     std::to_string(tray_status));
    if (report == ChangeReport::Repeated) {
        check.expect(changed.read && change_attempts.size() == 2 &&
                         is_sense(change_attempts[0], 6, 0x28, 0x00) &&
                         change_attempts[1].scsi_status == kStatusGood,
                     "second READ TOC: " + attempts_text(change_attempts));
        check.expect(
            drive_device().last_status == MediumMayHaveChanged,
            "last_status " + std::to_string(drive_device().last_status) + " after the repeat");
    } else {
        // A GOOD answer leaves last_status as the failure before it left it.
        check.expect(changed.read && change_attempts.size() == 1 &&
                         change_attempts[0].scsi_status == kStatusGood,
                     "second READ TOC: " + attempts_text(change_attempts));
        check.expect(drive_device().last_status == CommandError,
                     "last_status " + std::to_string(drive_device().last_status));
    }
    const std::uint32_t sectors_b = host.sectors("b");
    check.expect(changed.lead_out == sectors_b, "new TOC lead-out " +
                                                    std::to_string(changed.lead_out) +
                                                    ", disc b has " + std::to_string(sectors_b));
    check.note("after the change: " + attempts_text(tray_attempts) + " (status " +
               std::to_string(tray_status) + "), then " + attempts_text(change_attempts) +
               " with last_status " + std::to_string(drive_device().last_status) +
               "; disc b's lead-out " + std::to_string(changed.lead_out));
    load_disc(host, "a");
}

void user_through_sg(Check& check) {
    set_node_access(kSr, 0, kCdromGroup, 0660);
    set_node_access(kSg, 0, kCdromGroup, 0660);
    run_as({kUserId, kUserGroup, {kCdromGroup}}, check, [](Check& mine) {
        mine.expect(open_drive(kLetter), "open failed: " + drive_device().open_message);
        mine.expect(drive_device().node == kSg, "commands go through " + drive_device().node);
        AttemptLog log;
        auto request = pattern_buffer();
        write_request_buffer(std::span(request).first(32));
        mine.expect(log.attempts().size() == 1 && is_sense(log.attempts()[0], 5, 0x20, 0),
                    "WRITE BUFFER as the user: " + attempts_text(log.attempts()));
        mine.note("uid 1000 in group cdrom: WRITE BUFFER through " + drive_device().node +
                  " reached QEMU, which answered " + attempts_text(log.attempts()));
    });
}

void user_without_sg(Check& check) {
    set_node_access(kSr, 0, kCdromGroup, 0660);
    set_node_access(kSg, 0, 0, 0600);
    run_as({kUserId, kUserGroup, {kCdromGroup}}, check, [](Check& mine) {
        mine.expect(open_drive(kLetter), "open failed: " + drive_device().open_message);
        const DriveDevice& device = drive_device();
        mine.expect(device.node == kSr, "commands go through " + device.node);
        mine.expect(contains(device.open_message, std::string(kSg) + " could not be opened"),
                    "no word about " + std::string(kSg) + " when opening: " + device.open_message);

        AttemptLog log;
        InquiryBuffer identity{};
        mine.expect(inquiry(identity), "INQUIRY through /dev/sr0 failed");
        log.clear();
        auto request = pattern_buffer();
        const bool written = write_request_buffer(std::span(request).first(32));
        mine.expect(!written, "WRITE BUFFER through /dev/sr0 reported success");
        mine.expect(device.last_status == DeviceUnavailable,
                    "status " + std::to_string(device.last_status));
        const std::string why = device.last_undelivered.detail;  // qdu list resets it
        mine.expect(log.attempts().size() == 1 && !log.attempts()[0].delivered,
                    "WRITE BUFFER through /dev/sr0: " + attempts_text(log.attempts()));
        mine.expect(
            contains(why, "SG_IO on /dev/sr0 failed: Operation not permitted") &&
                contains(why, std::string(kSg) + " is owned by root:root with mode rw-------"),
            "the refusal does not explain the permissions: " + why);

        std::ostringstream out;
        std::ostringstream err;
        const int code = cli::run({"list"}, out, err);
        mine.expect(code == cli::kExitFailed, "qdu list exited with " + std::to_string(code));
        // READ BUFFER is among the commands the kernel lets users send through /dev/sr0, so
        // the identification reaches the drive and the refusal is QEMU's.
        mine.expect(contains(err.str(), std::string(kSr) +
                                            " (letter C): it refused the identification request"),
                    "qdu list as the user: " + err.str());
        mine.note(
            "INQUIRY and READ BUFFER pass /dev/sr0; the kernel refused WRITE BUFFER there "
            "(status 12): " +
            why);
    });
    set_node_access(kSg, 0, kCdromGroup, 0660);
}

// qdu doctor against the kernel: root sees QEMU's drive answer as another maker's; a user whose
// account is in cdrom but whose session is not is told to take the group.
void doctor(Check& check) {
    set_node_access(kSr, 0, kCdromGroup, 0660);
    set_node_access(kSg, 0, kCdromGroup, 0660);
    const auto doctor_json = [](Check& mine) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = cli::run({"--json", "doctor"}, out, err);
        mine.expect(code == cli::kExitFailed, "qdu doctor exited with " + std::to_string(code));
        try {
            return nlohmann::json::parse(out.str());
        } catch (const nlohmann::json::exception&) {
            mine.expect(false, "qdu doctor --json wrote: " + out.str() + err.str());
            return nlohmann::json::object();
        }
    };
    const nlohmann::json report = doctor_json(check);
    // Missing members read as empty, so that a wrong document fails the check, not the guest.
    const auto at = [](const nlohmann::json& json, const std::string& pointer) {
        return json.value(nlohmann::json::json_pointer(pointer), std::string());
    };
    check.expect(report.value("sg_module", false), "the sg module is not seen as loaded");
    check.expect(report.value("devices", nlohmann::json::array()).size() == 1 &&
                     at(report, "/devices/0/name") == "sr0" &&
                     at(report, "/devices/0/letter") == "C" &&
                     at(report, "/devices/0/vendor") == "QEMU",
                 "devices: " + report.dump());
    check.expect(at(report, "/devices/0/nodes/1/path") == kSg &&
                     at(report, "/devices/0/nodes/1/group") == "cdrom" &&
                     at(report, "/devices/0/nodes/1/mode") == "0660",
                 "nodes: " + report.dump());
    check.expect(at(report, "/devices/0/identification/answer") == "another maker",
                 "identification: " + report.dump());
    check.expect(report.value("problems", nlohmann::json::array()).size() == 1 &&
                     at(report, "/problems/0/kind") == "other-drive",
                 "problems as root: " + report.dump());
    run_as({kUserId, kUserGroup, {}}, check, [&](Check& mine) {
        const nlohmann::json as_user = doctor_json(mine);
        mine.expect(at(as_user, "/problems/0/kind") == "permission-denied" &&
                        at(as_user, "/problems/0/subject") == kSg &&
                        at(as_user, "/problems/0/fix").rfind("newgrp cdrom", 0) == 0,
                    "problems as the user: " + as_user.dump());
        mine.note("as uid 1000 outside its group cdrom: " + at(as_user, "/problems/0/summary") +
                  "; fix: " + at(as_user, "/problems/0/fix"));
    });
}

// The transfer length a command block asks for, and its direction.
std::pair<DataDirection, std::uint32_t> transfer_of(const CommandBlock& cdb) {
    std::uint32_t length = 0;
    switch (cdb[0]) {
        case scsi::kInquiry: length = read_be16(cdb, 3); break;
        case scsi::kReadBuffer:
        case scsi::kWriteBuffer: length = read_be24(cdb, 6); break;
        case scsi::kReadTocPmaAtip:
        case scsi::kGetConfiguration:
        case scsi::kReadDiscInformation:
        case scsi::kReadTrackInformation: length = read_be16(cdb, 7); break;
        case scsi::kReadDiscStructure: length = read_be16(cdb, 8); break;
        default: break;
    }
    if (length == 0) {
        return {DataDirection::NoData, 0};
    }
    return {cdb[0] == scsi::kWriteBuffer ? DataDirection::DataOut : DataDirection::DataIn, length};
}

// Every kind of command the program sends, through /dev/sr0 as an ordinary user: the kernel
// must refuse exactly the WRITE BUFFERs, and say so.
void user_commands_through_sr(Check& check, Host& host) {
    open_fresh();
    load_disc(host, "a");
    set_node_access(kSr, 0, kCdromGroup, 0660);
    set_node_access(kSg, 0, 0, 0600);
    run_as({kUserId, kUserGroup, {kCdromGroup}}, check, [](Check& mine) {
        mine.expect(open_drive(kLetter) && drive_device().node == kSr,
                    "not opened through /dev/sr0: " + drive_device().node);
        const std::vector<std::pair<std::string, CommandBlock>> commands = {
            {"TEST UNIT READY", CommandBlock{scsi::kTestUnitReady}},
            {"INQUIRY", inquiry_command()},
            {"READ BUFFER F1h", read_identification_buffer_command()},
            {"READ BUFFER F4h", read_settings_block_command()},
            {"WRITE BUFFER FAh", write_settings_block_command()},
            {"SET CD SPEED", set_cd_speed_command(0)},
            {"READ BUFFER F5h", read_clarivox_counters_command()},
            {"WRITE BUFFER F5h", clear_clarivox_counters_command()},
            {"WRITE BUFFER E1h", write_request_buffer_command()},
            {"READ BUFFER E1h", read_request_buffer_command()},
            {"WRITE BUFFER E0h", geometry_write_command()},
            {"READ DISC INFORMATION", read_disc_information_command()},
            {"READ DISC STRUCTURE", read_disc_structure_command(0, 0, 2052)},
            {"READ TOC/ATIP", read_atip_command(28)},
            {"GET CONFIGURATION", get_configuration_command(0, 8)},
            {"READ TRACK INFORMATION", read_track_information_command(1)},
            {"PREVENT", prevent_medium_removal_command()},
            {"ALLOW", allow_medium_removal_command()},
            {"START STOP UNIT (eject)", eject_disc_command()},
        };
        std::string refused;
        int passed = 0;
        for (const auto& [name, cdb] : commands) {
            AttemptLog log;
            std::vector<std::uint8_t> data(4096, 0);
            const auto [direction, length] = transfer_of(cdb);
            send_command(cdb, direction, data, length);
            const bool delivered = !log.attempts().empty() && log.attempts().front().delivered;
            const bool write_buffer = cdb[0] == scsi::kWriteBuffer;
            mine.expect(delivered != write_buffer,
                        name + (delivered ? " reached the drive" : " was refused: ") +
                            (delivered ? "" : log.attempts().front().detail));
            if (!delivered) {
                refused += (refused.empty() ? "" : ", ") + name;
                mine.expect(
                    drive_device().last_status == DeviceUnavailable &&
                        contains(drive_device().last_undelivered.detail, "Operation not permitted"),
                    name + ": " + drive_device().last_undelivered.detail);
            } else {
                ++passed;
            }
        }
        mine.note("refused by the kernel: " + refused + "; " + std::to_string(passed) +
                  " others reached the drive");
    });
    set_node_access(kSg, 0, kCdromGroup, 0660);
    load_disc(host, "a");  // the user's eject opened the tray
}

// A simulated drive of another maker, holding a disc like QEMU's, must answer what QEMU
// answers in every byte the program reads.
void simulation_agrees(Check& check, Host& host) {
    open_fresh();
    load_disc(host, "a");
    DriveProfile profile;
    profile.vendor = "QEMU";
    profile.product = "QEMU CD-ROM";
    profile.vendor_buffers = false;
    DiscSetup disc;
    disc.media_code = 0x0000;  // CD-ROM
    disc.track_list = {TrackSetup{1, 0x04, host.sectors("a")}};
    profile.disc = disc;
    SimulatedDrive simulated(profile);
    ScsiRequest first;  // meets the simulated drive's power-on attention
    first.cdb = CommandBlock{scsi::kTestUnitReady};
    simulated.execute(first);

    struct Probe {
        std::string name;
        CommandBlock cdb;
        DataDirection direction;
        std::size_t length;
        std::vector<std::size_t> bytes;  // compared when both answer GOOD
    };
    auto range = [](std::size_t from, std::size_t to) {
        std::vector<std::size_t> r;
        for (std::size_t i = from; i < to; ++i) {
            r.push_back(i);
        }
        return r;
    };
    const std::vector<Probe> probes = {
        {"INQUIRY", inquiry_command(), DataDirection::DataIn, inquiry_command()[4], {0, 1}},
        {"GET CONFIGURATION", get_configuration_command(0, 8), DataDirection::DataIn, 8, {6, 7}},
        {"READ DISC INFORMATION", read_disc_information_command(), DataDirection::DataIn,
         read_disc_information_command()[8], range(0, 12)},
        // All but the lead-out's control nibble, which QEMU sets to 6 (data, copy permitted)
        // whatever the last track is; nothing reads it.
        {"READ TOC", read_toc_command(804), DataDirection::DataIn, 804,
         [&range] {
             auto r = range(0, 20);
             r.erase(r.begin() + 13);
             return r;
         }()},
        {"READ BUFFER F1h",
         read_identification_buffer_command(),
         DataDirection::DataIn,
         read_identification_buffer_command()[8],
         {}},
        {"WRITE BUFFER E1h", write_request_buffer_command(), DataDirection::DataOut, 32, {}},
    };
    PassThroughDevice& qemu = *drive_device().handle;
    for (const Probe& probe : probes) {
        std::vector<std::uint8_t> from_qemu(probe.length, 0);
        std::vector<std::uint8_t> from_sim(probe.length, 0);
        ScsiRequest request;
        request.cdb = probe.cdb;
        request.direction = probe.direction;
        request.data = from_qemu;
        const ScsiResult q = qemu.execute(request);
        request.data = from_sim;
        const ScsiResult m = simulated.execute(request);
        if (!q.delivered() || q.scsi_status != m.scsi_status) {
            check.expect(false, probe.name + ": QEMU status " + std::to_string(q.scsi_status) +
                                    " " + sense_text(sense_code(q.sense)) + ", simulated " +
                                    std::to_string(m.scsi_status) + " " +
                                    sense_text(sense_code(m.sense)));
            continue;
        }
        if (q.scsi_status != kStatusGood) {
            check.expect(sense_text(sense_code(q.sense)) == sense_text(sense_code(m.sense)),
                         probe.name + ": QEMU " + sense_text(sense_code(q.sense)) + ", simulated " +
                             sense_text(sense_code(m.sense)));
            continue;
        }
        for (std::size_t i : probe.bytes) {
            check.expect(from_qemu[i] == from_sim[i], probe.name + " byte " + std::to_string(i) +
                                                          ": QEMU " + std::to_string(from_qemu[i]) +
                                                          ", simulated " +
                                                          std::to_string(from_sim[i]));
        }
    }
    check.note(
        "INQUIRY type, current profile, disc information, TOC and the refusals of READ "
        "BUFFER and WRITE BUFFER agree");
}

}  // namespace

std::vector<Scenario> virtio_scenarios(Channel& channel) {
    auto host = std::make_shared<Host>(channel);
    return {
        {"discovery", discovery},
        {"qdu-list", list_explains},
        {"inquiry", identify},
        {"configuration", configuration},
        {"disc-information", disc_information},
        {"toc", [host](Check& c) { toc(c, *host); }},
        {"simulated-drive-agrees", [host](Check& c) { simulation_agrees(c, *host); }},
        {"vendor-read-buffer", vendor_read_buffer},
        {"vendor-write-buffer", vendor_write_buffer},
        {"eject", [host](Check& c) { eject(c, *host); }},
        {"removal-lock", [host](Check& c) { removal_lock(c, *host); }},
        {"medium-change", [host](Check& c) { medium_change(c, *host, ChangeReport::Repeated); }},
        {"user-through-sg", user_through_sg},
        {"user-without-sg", user_without_sg},
        {"user-commands-through-sr", [host](Check& c) { user_commands_through_sr(c, *host); }},
        {"qdu-doctor", doctor},
    };
}

std::vector<Scenario> lsi_scenarios(Channel& channel) {
    auto host = std::make_shared<Host>(channel);
    return {
        {"discovery", discovery},
        {"inquiry", identify},
        {"toc", [host](Check& c) { toc(c, *host); }},
        {"eject", [host](Check& c) { eject(c, *host); }},
        {"medium-change", [host](Check& c) { medium_change(c, *host, ChangeReport::Absorbed); }},
    };
}

}  // namespace qdu::vm
