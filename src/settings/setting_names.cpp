#include "settings/setting_names.h"

namespace qdu {

std::optional<std::uint8_t> value_of(std::span<const NamedValue> names, std::string_view word) {
    for (const NamedValue& n : names) {
        if (n.word == word) {
            return n.value;
        }
    }
    return std::nullopt;
}

std::string word_of(std::span<const NamedValue> names, std::uint8_t value) {
    for (const NamedValue& n : names) {
        if (n.value == value) {
            return std::string(n.word);
        }
    }
    return "unknown (" + std::to_string(value) + ")";
}

std::string words_of(std::span<const NamedValue> names) {
    std::string text;
    for (const NamedValue& n : names) {
        text += text.empty() ? "" : "|";
        text += n.word;
    }
    return text;
}

const SettableSetting* find_setting(std::string_view name) {
    for (const SettableSetting& s : kSettableSettings) {
        if (s.name == name) {
            return &s;
        }
    }
    return nullptr;
}

}  // namespace qdu
