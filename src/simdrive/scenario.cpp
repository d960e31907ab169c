#include "simdrive/scenario.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <sstream>

#include "drive/text.h"
#include "settings/setting_names.h"

namespace qdu {

namespace {

// The built-in scenarios are written in the file format, so the parser serves both.
struct BuiltIn {
    const char* name;
    const char* text;
};

constexpr BuiltIn kBuiltIns[] = {
    {"default",
     "# Two supported drives with an empty letter and another maker's drive between them.\n"
     "drive D\n"
     "code MXR 2750LC58\n"
     "disc audio-cd\n"
     "counters 3 4000 0\n"
     "# A scratch or two, and the pace of a real drive: a Full check takes about a minute.\n"
     "defect 08:10:00 08:40:00 level-b\n"
     "defect 21:05:00 21:09:00 level-c\n"
     "defect 47:30:00 47:31:00 level-d\n"
     "defect 62:00:00 62:20:00 level-b\n"
     "sample-delay 13\n"
     "drive F\n"
     "vendor OTHERVND\n"
     "product DVD-ROM DD-1000\n"
     "revision 2.10\n"
     "vendor-buffers no\n"
     "drive H\n"
     "code MXR 2750LC31\n"
     "disc bd-r\n"
     "sessions 1\n"
     "tracks 1 1\n"},
    {"single",
     "drive E\n"
     "code MXR 2750LC58\n"},
    {"no-check",
     "drive E\n"
     "code MXR 2750LC31\n"},
    {"none", "# No optical drive at all.\n"},
    {"unsupported",
     "drive D\n"
     "vendor OTHERVND\n"
     "product DVD-ROM DD-1000\n"
     "vendor-buffers no\n"
     "drive E\n"
     "code MXR 2750LC99\n"},
};

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

class Parser {
public:
    explicit Parser(std::string source) : source_(std::move(source)) {}

    Scenario parse(std::istream& in) {
        Scenario scenario;
        scenario.name = source_;
        std::string line;
        while (std::getline(in, line)) {
            ++line_no_;
            const std::string text = trim(line);
            if (text.empty() || text[0] == '#') {
                continue;
            }
            const auto space = text.find_first_of(" \t");
            const std::string key = text.substr(0, space);
            const std::string rest = space == std::string::npos ? "" : trim(text.substr(space));
            apply(scenario, key, rest);
        }
        std::sort(scenario.drives.begin(), scenario.drives.end(),
                  [](const DriveSetup& a, const DriveSetup& b) { return a.letter < b.letter; });
        return scenario;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw ScenarioError(one_line(source_ + ":" + std::to_string(line_no_) + ": " + what, '?'));
    }

    // A value is the rest of the line, or a double-quoted text with \" \\ and \xNN escapes
    // for exact bytes.
    std::string value(const std::string& rest) const {
        if (rest.empty() || rest.front() != '"') {
            return rest;
        }
        std::string out;
        for (std::size_t i = 1; i < rest.size(); ++i) {
            const char c = rest[i];
            if (c == '"') {
                if (i + 1 != rest.size()) {
                    fail("unexpected text after the closing quote");
                }
                return out;
            }
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (i + 1 >= rest.size()) {
                fail("a backslash ends the line");
            }
            const char e = rest[++i];
            if (e == '"' || e == '\\') {
                out.push_back(e);
            } else if (e == 'x' && i + 2 < rest.size() && hex_digit(rest[i + 1]) >= 0 &&
                       hex_digit(rest[i + 2]) >= 0) {
                out.push_back(
                    static_cast<char>(hex_digit(rest[i + 1]) * 16 + hex_digit(rest[i + 2])));
                i += 2;
            } else {
                fail(std::string("unknown escape \\") + e + " (use \\\", \\\\ or \\xNN)");
            }
        }
        fail("the quoted text has no closing quote");
    }

    std::string sized(const std::string& key, const std::string& rest, std::size_t width) const {
        std::string text = value(rest);
        if (text.size() > width) {
            fail(key + " is " + std::to_string(text.size()) + " bytes long; at most " +
                 std::to_string(width) + " fit");
        }
        return text;
    }

    bool yes_no(const std::string& key, const std::string& rest) const {
        if (rest == "yes") {
            return true;
        }
        if (rest == "no") {
            return false;
        }
        fail(key + " takes yes or no, not '" + rest + "'");
    }

    std::uint8_t word(const std::string& key, const std::string& rest,
                      std::span<const NamedValue> names) const {
        const auto value = value_of(names, rest);
        if (!value) {
            fail(key + " takes " + words_of(names) + ", not '" + rest + "'");
        }
        return *value;
    }

    // A mode's name, or a number up to 255: firmware may report modes the page has no radio for.
    std::uint8_t write_mode(const std::string& key, const std::string& rest) const {
        if (!rest.empty() && std::isdigit(static_cast<unsigned char>(rest[0]))) {
            return static_cast<std::uint8_t>(number(key, rest, 255));
        }
        return word(key, rest, kWriteModeNames);
    }

    struct ClarivoxParameter {
        bool on;
        std::uint8_t high, low;
    };
    static ClarivoxParameter clarivox_of(std::uint8_t mode) {
        switch (mode) {
            case 1: return {true, 0xFE, 0x01};
            case 2: return {true, 0x08, 0x40};
            default: return {false, 0, 0};
        }
    }

    static std::string known_keys() {
        return "drive, vendor, product, revision, vendor-specific, code, code-tail, "
               "vendor-buffers, real-time-clarivox-supported, speed-limit-warning, reading-mode, "
               "clarivox, real-time-clarivox, high-speed-read, bd-write-mode, dvd-write-mode, "
               "zeve-duzir-iraveri, led-off, smooth-tray, bdr-high-speed, disc, tray, " +
               std::string(kDiscKeys);
    }

    static constexpr const char* kDiscKeys =
        "disc-status, sessions, tracks, manufacturer-id, media-type-id, manufacturer-text, "
        "atip, write-protected, restricted-overwrite, spin-up, audio-playing, error-rate, "
        "counters, track, defect, geometry, insert-after, sample-frames, sample-delay";

    static bool is_disc_key(const std::string& key) {
        std::string keys = std::string(kDiscKeys) + ",";
        return keys.find(key + ",") != std::string::npos;
    }

    unsigned long number(const std::string& key, const std::string& text, unsigned long max) const {
        std::size_t used = 0;
        unsigned long value = 0;
        try {
            value = std::stoul(text, &used, 0);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != text.size() || value > max || text[0] == '-') {
            fail(key + " takes a number from 0 to " + std::to_string(max) + ", not '" + text + "'");
        }
        return value;
    }

    std::vector<std::string> fields(const std::string& key, const std::string& rest,
                                    std::size_t count, const char* shape) const {
        std::istringstream in(rest);
        std::vector<std::string> parts;
        for (std::string part; in >> part;) {
            parts.push_back(part);
        }
        if (parts.size() != count) {
            fail(key + " takes " + shape + ", not '" + rest + "'");
        }
        return parts;
    }

    std::array<std::uint8_t, 3> msf(const std::string& key, const std::string& text) const {
        unsigned m = 0;
        unsigned sec = 0;
        unsigned f = 0;
        char c1 = 0;
        char c2 = 0;
        std::istringstream in(text);
        if (!(in >> m >> c1 >> sec >> c2 >> f) || c1 != ':' || c2 != ':' || m > 255 || sec > 59 ||
            f > 74 || !in.eof()) {
            fail(key + " takes times as MM:SS:FF (seconds below 60, frames below 75), not '" +
                 text + "'");
        }
        return {static_cast<std::uint8_t>(m), static_cast<std::uint8_t>(sec),
                static_cast<std::uint8_t>(f)};
    }

    double decimal(const std::string& key, const std::string& text, double low, double high) const {
        std::size_t used = 0;
        double value = -1e300;
        try {
            value = std::stod(text, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != text.size() || !(value >= low && value <= high)) {
            fail(key + " takes a number from " + std::to_string(low) + " to " +
                 std::to_string(high) + ", not '" + text + "'");
        }
        return value;
    }

    void set_disc(DriveProfile& p, const std::string& rest) {
        tracks_given_ = 0;
        if (rest == "none") {
            p.disc.reset();
            return;
        }
        if (auto kind = disc_of_kind(rest)) {
            p.disc = *kind;
            return;
        }
        if (rest.rfind("0x", 0) == 0 || rest.rfind("0X", 0) == 0) {
            DiscSetup disc;
            disc.media_code = static_cast<std::uint16_t>(number("disc", rest, 0xFFFE));
            p.disc = disc;
            return;
        }
        std::string names;
        for (const auto name : disc_kind_names()) {
            names += names.empty() ? "" : ", ";
            names += name;
        }
        fail("disc takes none, a media code such as 0x0090, or one of: " + names + "; not '" +
             rest + "'");
    }

    void apply_disc(DiscSetup& d, const std::string& key, const std::string& rest) {
        if (key == "disc-status") {
            constexpr const char* kStates[] = {"empty", "incomplete", "complete", "other"};
            for (int i = 0; i < 4; ++i) {
                if (rest == kStates[i]) {
                    d.disc_status = i;
                    return;
                }
            }
            fail("disc-status takes empty, incomplete, complete or other, not '" + rest + "'");
        } else if (key == "sessions") {
            d.sessions = static_cast<std::uint16_t>(number(key, rest, 0xFFFF));
        } else if (key == "tracks") {
            const auto parts = fields(key, rest, 2, "FIRST LAST");
            d.first_track = static_cast<std::uint16_t>(number(key, parts[0], 0xFF));
            d.last_track = static_cast<std::uint16_t>(number(key, parts[1], 0xFFFF));
        } else if (key == "manufacturer-id") {
            d.manufacturer_id = sized(key, rest, 12);
        } else if (key == "media-type-id") {
            d.media_type_id = sized(key, rest, 3);
        } else if (key == "manufacturer-text") {
            d.manufacturer_text = sized(key, rest, 160);
        } else if (key == "atip") {
            const auto parts = fields(key, rest, 2, "LEAD-IN LEAD-OUT as MM:SS:FF MM:SS:FF");
            d.atip_lead_in = msf(key, parts[0]);
            d.atip_lead_out = msf(key, parts[1]);
        } else if (key == "write-protected") {
            d.write_protected = yes_no(key, rest);
        } else if (key == "restricted-overwrite") {
            d.restricted_overwrite = yes_no(key, rest);
        } else if (key == "spin-up") {
            if (rest == "never") {
                d.spin_up_seconds = -1.0;
            } else {
                d.spin_up_seconds = static_cast<double>(number(key, rest, 600));
            }
        } else if (key == "audio-playing") {
            d.audio_playing = yes_no(key, rest);
        } else if (key == "error-rate") {
            std::size_t used = 0;
            double rate = -1;
            try {
                rate = std::stod(rest, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != rest.size() || rate < 0.0 || rate > 1.0) {
                fail("error-rate takes errors per sector from 0 to 1, not '" + rest + "'");
            }
            d.error_rate = rate;
        } else if (key == "track") {
            const auto parts = fields(key, rest, 3,
                                      "SESSION MODE LENGTH (mode audio, "
                                      "pre-emphasis, data or a number; length "
                                      "MM:SS:FF)");
            TrackSetup track;
            track.session = static_cast<std::uint16_t>(number(key, parts[0], 0xFF));
            if (parts[1] == "audio") {
                track.control = 0;
            } else if (parts[1] == "pre-emphasis") {
                track.control = 1;
            } else if (parts[1] == "data") {
                track.control = 4;
            } else {
                track.control = static_cast<std::uint8_t>(number(key, parts[1], 15));
            }
            const auto length = msf(key, parts[2]);
            track.length = length[0] * 4500U + length[1] * 75U + length[2];
            if (tracks_given_ == 0) {
                d.track_list.clear();
            }
            ++tracks_given_;
            d.track_list.push_back(track);
            d.first_track = 1;
            d.last_track = static_cast<std::uint16_t>(d.track_list.size());
        } else if (key == "defect") {
            const auto parts = fields(key, rest, 3,
                                      "START END KIND (times MM:SS:FF; kind "
                                      "level-b, level-c, level-d, aux-level-d or "
                                      "unreadable)");
            Defect defect;
            const auto from = msf(key, parts[0]);
            const auto to = msf(key, parts[1]);
            defect.start = from[0] * 4500U + from[1] * 75U + from[2];
            defect.end = to[0] * 4500U + to[1] * 75U + to[2];
            const std::string& kind = parts[2];
            if (kind == "level-b") {
                defect.kind = DefectKind::LevelB;
            } else if (kind == "level-c") {
                defect.kind = DefectKind::LevelC;
            } else if (kind == "level-d") {
                defect.kind = DefectKind::LevelD;
            } else if (kind == "aux-level-d") {
                defect.kind = DefectKind::AuxLevelD;
            } else if (kind == "unreadable") {
                defect.kind = DefectKind::Unreadable;
            } else if (kind == "flaky") {
                defect.kind = DefectKind::Flaky;
            } else {
                fail(
                    "defect kinds are level-b, level-c, level-d, aux-level-d, unreadable and "
                    "flaky, not '" +
                    kind + "'");
            }
            if (defect.end < defect.start) {
                fail("a defect ends before it starts");
            }
            d.defects.push_back(defect);
        } else if (key == "geometry") {
            const auto parts = fields(key, rest, 2, "VELOCITY PITCH (m/s and micrometres)");
            // Zeros are allowed: a drive that answers the probe with nothing.
            d.linear_velocity = decimal(key, parts[0], 0.0, 3.0);
            d.track_pitch = decimal(key, parts[1], 0.0, 3.0);
        } else if (key == "insert-after") {
            d.insert_after = rest == "never" ? -1.0 : decimal(key, rest, 0.0, 600.0);
        } else if (key == "sample-frames") {
            d.sample_frames = static_cast<std::uint32_t>(number(key, rest, 4500));
            if (d.sample_frames == 0) {
                fail("sample-frames takes a number from 1 to 4500");
            }
        } else if (key == "sample-delay") {
            d.sample_delay_ms = decimal(key, rest, 0.0, 1000.0);
        } else if (key == "counters") {
            const auto parts = fields(key, rest, 3, "ERRORS SECTORS FRAMES");
            d.start_errors = static_cast<std::uint32_t>(number(key, parts[0], 0xFFFFFFFFUL));
            d.start_sectors = static_cast<std::uint32_t>(number(key, parts[1], 0xFFFFFFFFUL));
            d.start_time_code = static_cast<std::uint32_t>(number(key, parts[2], 0xFFFFFFFFUL));
        }
    }

    void apply(Scenario& scenario, const std::string& key, const std::string& rest) {
        if (key == "drive") {
            if (rest.size() != 1 || std::toupper(static_cast<unsigned char>(rest[0])) < 'C' ||
                std::toupper(static_cast<unsigned char>(rest[0])) > 'Z') {
                fail("drive takes one letter from C to Z, not '" + rest + "'");
            }
            const char letter =
                static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
            for (const DriveSetup& d : scenario.drives) {
                if (d.letter == letter) {
                    fail(std::string("drive ") + letter + " is given twice");
                }
            }
            scenario.drives.push_back(DriveSetup{letter, DriveProfile{}});
            return;
        }
        if (scenario.drives.empty()) {
            fail("'" + key + "' must follow a 'drive LETTER' line");
        }
        DriveProfile& p = scenario.drives.back().profile;
        if (key == "vendor") {
            p.vendor = sized(key, rest, 8);
        } else if (key == "product") {
            p.product = sized(key, rest, 16);
        } else if (key == "revision") {
            p.revision = sized(key, rest, 4);
        } else if (key == "vendor-specific") {
            p.vendor_specific = sized(key, rest, 20);
        } else if (key == "code") {
            p.identification_code = sized(key, rest, 16);
        } else if (key == "code-tail") {
            p.identification_tail = sized(key, rest, 16);
        } else if (key == "vendor-buffers") {
            p.vendor_buffers = yes_no(key, rest);
        } else if (key == "real-time-clarivox-supported") {
            p.real_time_clarivox_supported = yes_no(key, rest);
        } else if (key == "speed-limit-warning") {
            p.speed_limit_warning = yes_no(key, rest);
        } else if (key == "reading-mode") {
            p.settings.reading_mode = word(key, rest, kReadingModeNames);
        } else if (key == "clarivox") {
            const ClarivoxParameter c = clarivox_of(word(key, rest, kClarivoxNames));
            p.settings.clarivox_on = c.on;
            p.settings.clarivox_high = c.high;
            p.settings.clarivox_low = c.low;
        } else if (key == "real-time-clarivox") {
            p.settings.real_time_clarivox = word(key, rest, kSwitchNames) == 1;
        } else if (key == "high-speed-read") {
            p.settings.high_speed_read = word(key, rest, kSwitchNames) == 1;
        } else if (key == "bd-write-mode") {
            p.settings.bd_write_mode = write_mode(key, rest);
        } else if (key == "dvd-write-mode") {
            p.settings.dvd_write_mode = write_mode(key, rest);
        } else if (key == "zeve-duzir-iraveri") {
            p.settings.peak_power_reducer = word(key, rest, kSwitchNames) == 1;
        } else if (key == "led-off") {
            p.settings.led_off = word(key, rest, kSwitchNames) == 1;
        } else if (key == "smooth-tray") {
            p.settings.smooth_tray = word(key, rest, kSwitchNames) == 1;
        } else if (key == "bdr-high-speed") {
            p.settings.bdr_high_speed = word(key, rest, kSwitchNames) == 1;
        } else if (key == "disc") {
            set_disc(p, rest);
        } else if (key == "tray") {
            if (rest != "open" && rest != "closed") {
                fail("tray takes open or closed, not '" + rest + "'");
            }
            p.tray_open = rest == "open";
        } else if (is_disc_key(key)) {
            if (!p.disc) {
                fail("'" + key + "' must follow a 'disc' line");
            }
            apply_disc(*p.disc, key, rest);
        } else {
            fail("unknown key '" + key + "' (known: " + known_keys() + ")");
        }
    }

    std::string source_;
    int line_no_ = 0;
    int tracks_given_ = 0;  // track lines since the disc line: the first replaces the kind's
};

}  // namespace

constexpr const char* kGallery = "disc-gallery";

// One KVT-R42 per letter, each with another kind of disc, C to Z.
std::string gallery_text() {
    std::string text;
    char letter = 'C';
    for (const auto kind : disc_kind_names()) {
        if (letter > 'Z') {
            break;
        }
        text += std::string("drive ") + letter++ + "\ncode MXR 2750LC31\ndisc " +
                std::string(kind) + "\n";
    }
    return text;
}

std::vector<std::string> builtin_scenario_names() {
    std::vector<std::string> names;
    for (const BuiltIn& b : kBuiltIns) {
        names.emplace_back(b.name);
    }
    names.emplace_back(kGallery);
    return names;
}

Scenario parse_scenario(std::istream& in, const std::string& source) {
    return Parser(source).parse(in);
}

Scenario load_scenario(const std::string& name_or_path) {
    if (name_or_path == kGallery) {
        std::istringstream in(gallery_text());
        Scenario scenario = parse_scenario(in, kGallery);
        scenario.name = kGallery;
        return scenario;
    }
    for (const BuiltIn& b : kBuiltIns) {
        if (name_or_path == b.name) {
            std::istringstream in(b.text);
            Scenario scenario = parse_scenario(in, b.name);
            scenario.name = b.name;
            return scenario;
        }
    }
    std::ifstream file(name_or_path);
    if (!file) {
        std::string names;
        for (const std::string& name : builtin_scenario_names()) {
            names += names.empty() ? "" : ", ";
            names += name;
        }
        throw ScenarioError("'" + name_or_path + "' is neither a built-in scenario (" + names +
                            ") nor a readable scenario file");
    }
    return parse_scenario(file, name_or_path);
}

namespace {

class SimulatedHandle final : public PassThroughDevice {
public:
    SimulatedHandle(char letter, std::shared_ptr<SimulatedDrive> drive,
                    std::shared_ptr<DriveSharing> sharing)
        : letter_(letter), drive_(std::move(drive)), sharing_(std::move(sharing)) {}
    ScsiResult execute(const ScsiRequest& request) override {
        if (!sharing_) {
            return drive_->execute(request);
        }
        ScsiResult result;
        sharing_->around(letter_, *drive_, [&] { result = drive_->execute(request); });
        return result;
    }

private:
    char letter_;
    std::shared_ptr<SimulatedDrive> drive_;
    std::shared_ptr<DriveSharing> sharing_;
};

class SimulatedNotificationHold final : public MediaNotificationHold {
public:
    explicit SimulatedNotificationHold(std::shared_ptr<SimulatedDrive> drive)
        : drive_(std::move(drive)) {
        drive_->set_media_notification_suppressed(true);
    }
    ~SimulatedNotificationHold() override { drive_->set_media_notification_suppressed(false); }
    SimulatedNotificationHold(const SimulatedNotificationHold&) = delete;
    SimulatedNotificationHold& operator=(const SimulatedNotificationHold&) = delete;

private:
    std::shared_ptr<SimulatedDrive> drive_;
};

}  // namespace

SimulatedBus::SimulatedBus(const Scenario& scenario) {
    for (const DriveSetup& setup : scenario.drives) {
        drives_[setup.letter] = std::make_shared<SimulatedDrive>(setup.profile);
    }
}

OpenResult SimulatedBus::open(char letter) {
    OpenResult result;
    const auto found = drives_.find(letter);
    if (found == drives_.end()) {
        result.error = OpenError::NotPresent;
        return result;
    }
    result.device = std::make_unique<SimulatedHandle>(letter, found->second, sharing_);
    result.node = kSimulatedDeviceName;
    return result;
}

DeviceDescription SimulatedBus::describe(char letter) {
    const bool exists = drives_.count(letter) != 0;
    return DeviceDescription{exists, exists ? kSimulatedDeviceName : ""};
}

std::unique_ptr<MediaNotificationHold> SimulatedBus::suppress_media_notification(char letter) {
    const auto found = drives_.find(letter);
    if (found == drives_.end()) {
        return nullptr;
    }
    return std::make_unique<SimulatedNotificationHold>(found->second);
}

void SimulatedBus::run(char letter, const std::function<void(SimulatedDrive&)>& operation) {
    const std::shared_ptr<SimulatedDrive> sim = drive(letter);
    if (!sim) {
        return;
    }
    if (sharing_) {
        sharing_->around(letter, *sim, [&] { operation(*sim); });
    } else {
        operation(*sim);
    }
}

SimulatedBus::Hold::Hold(std::shared_ptr<DriveSharing> sharing) : sharing_(std::move(sharing)) {
    if (sharing_) {
        sharing_->hold();
    }
}

SimulatedBus::Hold::~Hold() {
    if (sharing_) {
        sharing_->release();
    }
}

std::vector<char> SimulatedBus::letters() const {
    std::vector<char> letters;
    for (const auto& [letter, drive] : drives_) {
        letters.push_back(letter);
    }
    return letters;
}

std::shared_ptr<SimulatedDrive> SimulatedBus::drive(char letter) const {
    const auto found = drives_.find(letter);
    return found == drives_.end() ? nullptr : found->second;
}

}  // namespace qdu
