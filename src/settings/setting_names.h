// The words the command line and scenario files use for setting values.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qdu {

struct NamedValue {
    std::string_view word;
    std::uint8_t value;
};

inline constexpr NamedValue kReadingFeatureNames[] = {
    {"off", 0}, {"advanced-quiet", 1}, {"high-speed-read", 2}};
inline constexpr NamedValue kReadingModeNames[] = {
    {"off", 0}, {"performance", 1}, {"quiet", 2}, {"persistent-quiet", 3}};
inline constexpr NamedValue kClarivoxNames[] = {{"off", 0}, {"perfect", 1}, {"master", 2}};
inline constexpr NamedValue kWriteModeNames[] = {{"off", 0},
                                                 {"surface-quality", 1},
                                                 {"write-quality", 2},
                                                 {"over-speed-protection", 3},
                                                 {"surface-quality-high-speed", 4}};
inline constexpr NamedValue kSwitchNames[] = {{"off", 0}, {"on", 1}};
// DVD media have no write quality mode.
inline constexpr NamedValue kDvdWriteModeNames[] = {{"off", 0},
                                                    {"surface-quality", 1},
                                                    {"over-speed-protection", 3},
                                                    {"surface-quality-high-speed", 4}};
inline constexpr NamedValue kSettableReadingModes[] = {
    {"persistent-quiet", 3}, {"quiet", 2}, {"performance", 1}};

// Each setting a user changes by name (qdu set, settings files) and the words of its values.
struct SettableSetting {
    std::string_view name;
    std::span<const NamedValue> values;
};
inline constexpr SettableSetting kSettableSettings[] = {
    {"reading-feature", kReadingFeatureNames},
    {"reading-mode", kSettableReadingModes},
    {"clarivox", kClarivoxNames},
    {"real-time-clarivox", kSwitchNames},
    {"zeve-duzir-iraveri", kSwitchNames},
    {"video-audio-mode", kSwitchNames},
    {"led-off", kSwitchNames},
    {"smooth-tray", kSwitchNames},
    {"bdr-high-speed", kSwitchNames},
    {"bd-write-mode", kWriteModeNames},
    {"dvd-write-mode", kDvdWriteModeNames},
};
const SettableSetting* find_setting(std::string_view name);

std::optional<std::uint8_t> value_of(std::span<const NamedValue> names, std::string_view word);
// The word for a value, or "unknown (N)" for one no word stands for.
std::string word_of(std::span<const NamedValue> names, std::uint8_t value);
// "a|b|c", for messages.
std::string words_of(std::span<const NamedValue> names);

}  // namespace qdu
