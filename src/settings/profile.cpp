#include "settings/profile.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

#include "drive/text.h"
#include "settings/setting_names.h"

namespace qdu {

namespace {

// Written beside the settings for the reader; not applied.
constexpr std::string_view kProfileExtras[] = {"profile_format", "model", "drive",
                                               "high_speed_read", "real_time_clarivox_supported"};

std::string shown(const nlohmann::json& value) {
    std::string text =
        one_line(value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), ' ');
    return text.size() > 60 ? text.substr(0, 57) + "..." : text;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> parse_profile(std::string_view text,
                                                               std::string_view model,
                                                               std::string& error) {
    if (text.size() > 65536) {
        error = "not a settings file (it is far too large)";
        return {};
    }
    const nlohmann::json profile = nlohmann::json::parse(text, nullptr, false);
    if (profile.is_discarded() || !profile.is_object()) {
        error = "not a settings file (not a JSON object, as 'qdu --json settings' writes)";
        return {};
    }
    if (const auto format = profile.find("profile_format"); format != profile.end()) {
        if (!format->is_number_integer() || format->get<long long>() < 1) {
            error = "profile_format must be a whole number from 1, not " + shown(*format);
            return {};
        }
        if (format->get<long long>() > kProfileFormat) {
            error = "written by a newer version of qdu (settings format " +
                    std::to_string(format->get<long long>()) + "); update qdu to apply it";
            return {};
        }
    }
    if (const auto named = profile.find("model"); named != profile.end()) {
        if (!named->is_string() || named->get<std::string>() != model) {
            error = "holds the settings of another drive model (" + shown(*named) +
                    "); this drive is " + std::string(model);
            return {};
        }
    }
    for (const auto& item : profile.items()) {
        const std::string& key = item.key();
        auto is = [&key](std::string_view name) { return key == name; };
        const bool known = std::any_of(std::begin(kProfileKeys), std::end(kProfileKeys),
                                       [&](const ProfileKey& k) { return is(k.key); }) ||
                           std::any_of(std::begin(kProfileExtras), std::end(kProfileExtras), is);
        if (!known) {
            error = shown(nlohmann::json(key)) +
                    " is not a setting (see 'qdu --json settings' for the names)";
            return {};
        }
    }
    std::vector<std::pair<std::string, std::string>> wanted;
    for (const ProfileKey& k : kProfileKeys) {
        const auto value = profile.find(k.key);
        if (value == profile.end()) {
            continue;
        }
        std::string word;
        if (value->is_boolean()) {
            word = value->get<bool>() ? "on" : "off";
        } else if (value->is_string()) {
            word = value->get<std::string>();
        }
        if (k.setting == "reading-mode" && word == "off") {
            continue;  // no rotation mode: the reading feature is not Advanced Quiet
        }
        const SettableSetting* setting = find_setting(k.setting);
        if (!value_of(setting->values, word)) {
            error = std::string(k.key) + " is " + shown(*value) + "; it takes " +
                    words_of(setting->values);
            return {};
        }
        wanted.emplace_back(k.setting, word);
    }
    return wanted;
}

}  // namespace qdu
