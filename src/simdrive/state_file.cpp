#include "simdrive/state_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <system_error>

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

std::uint8_t small(const json& j, const char* name, int max) {
    const int value = j.at(name).get<int>();
    if (value < 0 || value > max) {
        throw std::out_of_range(std::string(name) + " is out of range");
    }
    return static_cast<std::uint8_t>(value);
}

DriveSettings settings_from(const json& j) {
    DriveSettings s;
    s.reading_mode = small(j, "reading_mode", 3);
    s.clarivox_on = j.at("clarivox_on").get<bool>();
    s.clarivox_high = small(j, "clarivox_high", 255);
    s.clarivox_low = small(j, "clarivox_low", 255);
    s.real_time_clarivox = j.at("real_time_clarivox").get<bool>();
    s.high_speed_read = j.at("high_speed_read").get<bool>();
    s.bd_write_mode = small(j, "bd_write_mode", 4);
    s.dvd_write_mode = small(j, "dvd_write_mode", 4);
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
    c.errors = j.at("errors").get<std::uint32_t>();
    c.sectors = j.at("sectors").get<std::uint32_t>();
    c.time_code = j.at("time_code").get<std::uint32_t>();
    c.since = j.at("since").get<double>();
    return c;
}

// The whole file, checked; throws with the reason when it is not ours or not whole.
json read_state(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    json state = json::parse(text.str());
    if (!state.is_object() || state.value("format", "") != kFormat) {
        throw std::runtime_error("not a state file of this program");
    }
    if (state.value("version", 0) != kVersion) {
        throw std::runtime_error("unknown version");
    }
    if (!state.contains("scenarios") || !state["scenarios"].is_object()) {
        throw std::runtime_error("no scenarios");
    }
    for (const auto& [key, drives] : state["scenarios"].items()) {
        for (const auto& [letter, drive] : drives.items()) {
            if (letter.size() != 1) {
                throw std::runtime_error("bad drive letter '" + letter + "'");
            }
            settings_from(drive.at("current"));
            settings_from(drive.at("saved"));
            drive.at("power_on_attention").get<bool>();
            if (drive.contains("counters")) {
                counters_from(drive["counters"]);
            }
        }
    }
    return state;
}

}  // namespace

std::string default_state_path() {
    if (const char* explicit_path = std::getenv("QDU_SIM_STATE"); explicit_path && *explicit_path) {
        return explicit_path;
    }
    fs::path cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg) {
        cache = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        cache = fs::path(home) / ".cache";
    } else {
        cache = fs::temp_directory_path();
    }
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

std::string load_simulation_state(SimulatedBus& bus, const std::string& key,
                                  const std::string& path) {
    std::error_code error;
    if (!fs::exists(path, error)) {
        return {};
    }
    json state;
    try {
        state = read_state(path);
    } catch (const std::exception& e) {
        const std::string aside = path + ".damaged";
        fs::rename(path, aside, error);
        return "the simulated drives' state file " + path + " could not be used (" + e.what() +
               "); " + (error ? "left it in place" : "moved it to " + aside) +
               " and started the drives from their scenario";
    }
    const json& drives =
        state["scenarios"].contains(key) ? state["scenarios"][key] : json::object();
    for (const auto& [letter, drive] : drives.items()) {
        if (auto sim = bus.drive(letter[0])) {
            // Older files lack some parts; the drive keeps its own for those.
            SimulatedDriveMemory memory = sim->memory();
            memory.current = settings_from(drive["current"]);
            memory.saved = settings_from(drive["saved"]);
            memory.power_on_attention = drive["power_on_attention"].get<bool>();
            memory.disc_ready = drive.value("disc_ready", memory.disc_ready);
            if (drive.contains("counters")) {
                memory.counters = counters_from(drive["counters"]);
            }
            sim->restore(memory);
        }
    }
    return {};
}

std::string save_simulation_state(const SimulatedBus& bus, const std::string& key,
                                  const std::string& path) {
    json state{{"format", kFormat}, {"version", kVersion}, {"scenarios", json::object()}};
    std::error_code error;
    if (fs::exists(path, error)) {
        try {
            state = read_state(path);
        } catch (const std::exception&) {
            // A file that went bad since it was loaded is replaced by what we know now.
        }
    }
    json drives = json::object();
    for (const char letter : bus.letters()) {
        const SimulatedDriveMemory memory = bus.drive(letter)->memory();
        drives[std::string(1, letter)] = json{{"current", to_json(memory.current)},
                                              {"saved", to_json(memory.saved)},
                                              {"power_on_attention", memory.power_on_attention},
                                              {"disc_ready", memory.disc_ready},
                                              {"counters", to_json(memory.counters)}};
    }
    state["scenarios"][key] = drives;

    const fs::path target(path);
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
    }
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << state.dump(2) << "\n";
        if (!out) {
            return "could not write the simulated drives' state to " + temporary;
        }
    }
    fs::rename(temporary, path, error);
    if (error) {
        return "could not write the simulated drives' state to " + path + ": " + error.message();
    }
    return {};
}

}  // namespace qdu
