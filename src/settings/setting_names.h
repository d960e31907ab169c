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

std::optional<std::uint8_t> value_of(std::span<const NamedValue> names, std::string_view word);
// The word for a value, or "unknown (N)" for one no word stands for.
std::string word_of(std::span<const NamedValue> names, std::uint8_t value);
// "a|b|c", for messages.
std::string words_of(std::span<const NamedValue> names);

}  // namespace qdu
