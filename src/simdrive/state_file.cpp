#include "simdrive/state_file.h"

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "drive/text.h"

namespace qdu {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kFormat = "quorvel-simulated-drives";
constexpr int kVersion = 1;

json to_json(const DriveSettings& s) {
    return json{{"reading_mode", s.reading_mode},
                {"clarivox_on", s.clarivox_on},
                {"clarivox_high", s.clarivox_high},
                {"clarivox_low", s.clarivox_low},
                {"real_time_clarivox", s.real_time_clarivox},
                {"high_speed_read", s.high_speed_read},
                {"bd_write_mode", s.bd_write_mode},
                {"dvd_write_mode", s.dvd_write_mode},
                {"peak_power_reducer", s.peak_power_reducer},
                {"smooth_tray", s.smooth_tray},
                {"led_off", s.led_off},
                {"bdr_high_speed", s.bdr_high_speed}};
}

// Whole numbers only: a float or a huge value must not reach a narrowing conversion.
std::uint64_t whole(const json& j, const char* name, std::uint64_t max) {
    const json& value = j.at(name);
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() > max) {
        throw std::out_of_range(std::string(name) + " is out of range");
    }
    return value.get<std::uint64_t>();
}

std::uint8_t small(const json& j, const char* name, int max) {
    return static_cast<std::uint8_t>(whole(j, name, static_cast<std::uint64_t>(max)));
}

DriveSettings settings_from(const json& j) {
    DriveSettings s;
    s.reading_mode = small(j, "reading_mode", 3);
    s.clarivox_on = j.at("clarivox_on").get<bool>();
    s.clarivox_high = small(j, "clarivox_high", 255);
    s.clarivox_low = small(j, "clarivox_low", 255);
    s.real_time_clarivox = j.at("real_time_clarivox").get<bool>();
    s.high_speed_read = j.at("high_speed_read").get<bool>();
    s.bd_write_mode = small(j, "bd_write_mode", 255);
    s.dvd_write_mode = small(j, "dvd_write_mode", 255);
    s.peak_power_reducer = j.at("peak_power_reducer").get<bool>();
    s.smooth_tray = j.at("smooth_tray").get<bool>();
    s.led_off = j.at("led_off").get<bool>();
    s.bdr_high_speed = j.at("bdr_high_speed").get<bool>();
    return s;
}

json to_json(const CounterMemory& c) {
    return json{{"errors", c.errors},
                {"sectors", c.sectors},
                {"time_code", c.time_code},
                {"since", c.since}};
}

CounterMemory counters_from(const json& j) {
    CounterMemory c;
    constexpr std::uint64_t kMax32 = 0xFFFFFFFF;
    c.errors = static_cast<std::uint32_t>(whole(j, "errors", kMax32));
    c.sectors = static_cast<std::uint32_t>(whole(j, "sectors", kMax32));
    c.time_code = static_cast<std::uint32_t>(whole(j, "time_code", kMax32));
    c.since = j.at("since").get<double>();
    return c;
}

json to_json(const SimulatedDriveMemory& memory) {
    return json{{"current", to_json(memory.current)},
                {"saved", to_json(memory.saved)},
                {"power_on_attention", memory.power_on_attention},
                {"disc_ready", memory.disc_ready},
                {"counters", to_json(memory.counters)}};
}

// Older files lack some parts; the drive keeps its own for those.
SimulatedDriveMemory memory_from(const json& drive, SimulatedDriveMemory memory) {
    memory.current = settings_from(drive.at("current"));
    memory.saved = settings_from(drive.at("saved"));
    memory.power_on_attention = drive.at("power_on_attention").get<bool>();
    memory.disc_ready = drive.value("disc_ready", memory.disc_ready);
    if (drive.contains("counters")) {
        memory.counters = counters_from(drive["counters"]);
    }
    return memory;
}

// The whole file, checked; throws with the reason when it is not ours or not whole.
json parse_state(const std::string& text) {
    json state = json::parse(text);
    if (!state.is_object() || !state.contains("format") || state["format"] != kFormat) {
        throw std::runtime_error("not a state file of this program");
    }
    if (!state.contains("version") || state["version"] != kVersion) {
        throw std::runtime_error("unknown version");
    }
    if (!state.contains("scenarios") || !state["scenarios"].is_object()) {
        throw std::runtime_error("no scenarios");
    }
    for (const auto& [key, drives] : state["scenarios"].items()) {
        if (!drives.is_object()) {
            throw std::runtime_error("scenario '" + key + "' is not an object");
        }
        for (const auto& [letter, drive] : drives.items()) {
            if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z') {
                throw std::runtime_error("bad drive letter '" + letter + "'");
            }
            if (!drive.is_object()) {
                throw std::runtime_error("drive " + letter + " is not an object");
            }
            memory_from(drive, {});
        }
    }
    return state;
}

json empty_state() {
    return json{{"format", kFormat}, {"version", kVersion}, {"scenarios", json::object()}};
}

}  // namespace

std::string default_state_path() {
    if (const char* explicit_path = std::getenv("QDU_SIM_STATE"); explicit_path && *explicit_path) {
        return explicit_path;
    }
    const std::string folder = user_cache_folder();
    const fs::path cache = folder.empty() ? fs::temp_directory_path() : fs::path(folder);
    return (cache / "quorvel-drive-utility" / "simulated-drives.json").string();
}

std::string scenario_key(const std::string& name_or_path) {
    for (const std::string& name : builtin_scenario_names()) {
        if (name == name_or_path) {
            return name;
        }
    }
    std::error_code error;
    const fs::path absolute = fs::absolute(name_or_path, error);
    return "file:" + (error ? name_or_path : absolute.lexically_normal().string());
}

void check_simulation_state(const std::string& text) {
    try {
        parse_state(text);
    } catch (const std::exception& e) {
        throw std::runtime_error(one_line(e.what(), ' '));
    }
}

SimulationStateFile::SimulationStateFile(std::string path, std::string key)
    : path_(std::move(path)), key_(std::move(key)) {
    const fs::path target(path_);
    std::error_code error;
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
    }
    lock_ = std::make_unique<FileLock>(path_ + ".lock");
    if (!lock_->valid()) {
        warn("could not open " + path_ + ".lock (" + lock_->error() +
             "); other programs using the simulated drives at the same time may undo this "
             "one's changes");
    }
}

SimulationStateFile::~SimulationStateFile() = default;

void SimulationStateFile::hold() {
    mutex_.lock();
    if (depth_++ == 0) {
        lock_->lock();
    }
}

void SimulationStateFile::release() {
    if (--depth_ == 0) {
        lock_->unlock();
    }
    mutex_.unlock();
}

void SimulationStateFile::warn(std::string text) {
    std::lock_guard lock(warnings_mutex_);
    warnings_.push_back(one_line(std::move(text), ' '));
}

std::vector<std::string> SimulationStateFile::take_warnings() {
    std::lock_guard lock(warnings_mutex_);
    return std::exchange(warnings_, {});
}

// Under the lock: notices what other processes wrote since we last looked. False when the file
// is there but could not be read: writing it then would undo what others saved in it.
bool SimulationStateFile::refresh() {
    SharedRead read = read_shared_file(path_);
    if (!read.error.empty()) {
        if (read.error != unreadable_) {
            warn("could not read the simulated drives' state file " + path_ + " (" + read.error +
                 "); this program's changes to the drives are not kept in it");
        }
        unreadable_ = read.error;
        return false;
    }
    unreadable_.clear();
    if (read.text == text_) {
        return true;
    }
    text_ = std::move(read.text);
    ++version_;
    if (text_.empty()) {
        return true;
    }
    try {
        parse_state(text_);
    } catch (const std::exception& e) {
        const std::string aside = path_ + ".damaged";
        std::error_code error;
        fs::rename(path_, aside, error);
        warn("the simulated drives' state file " + path_ + " could not be used (" + e.what() +
             "); " + (error ? "left it in place" : "moved it to " + aside) +
             " and started the drives from their scenario");
        text_.clear();
    }
    return true;
}

void SimulationStateFile::publish(char letter, const SimulatedDriveMemory& memory) {
    json state = text_.empty() ? empty_state() : parse_state(text_);
    state["scenarios"][key_][std::string(1, letter)] = to_json(memory);
    std::string text = state.dump(2) + "\n";
    if (const std::string failure = replace_file(path_, text); !failure.empty()) {
        warn("could not write the simulated drives' state to " + path_ + ": " + failure);
        return;
    }
    text_ = std::move(text);
    synced_[letter].memory = memory;
}

void SimulationStateFile::around(char letter, SimulatedDrive& drive,
                                 const std::function<void()>& operation) {
    hold();
    try {
        const bool readable = refresh();
        Synced& synced = synced_[letter];
        if (synced.version != version_) {
            synced.version = version_;
            synced.memory.reset();
            if (!text_.empty()) {
                const json state = parse_state(text_);
                const std::string name(1, letter);
                if (state["scenarios"].contains(key_) && state["scenarios"][key_].contains(name)) {
                    drive.restore(memory_from(state["scenarios"][key_][name], drive.memory()));
                    synced.memory = drive.memory();
                }
            }
        }
        operation();
        const SimulatedDriveMemory now = drive.memory();
        if (readable && synced.memory != now) {
            publish(letter, now);
        }
    } catch (...) {
        release();
        throw;
    }
    release();
}

std::shared_ptr<SimulationStateFile> share_simulation_state(SimulatedBus& bus,
                                                            const std::string& key,
                                                            const std::string& path) {
    auto store = std::make_shared<SimulationStateFile>(path, key);
    bus.share(store);
    for (const char letter : bus.letters()) {
        bus.run(letter, [](SimulatedDrive&) {});
    }
    return store;
}

}  // namespace qdu
