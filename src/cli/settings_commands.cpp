// qdu settings, qdu set and qdu restore-defaults: the settings pages' behaviour on a terminal.
#include <algorithm>
#include <iomanip>
#include <iterator>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>

#include "cli/cli.h"
#include "cli/context.h"
#include "cli/terminal.h"
#include "drive/text.h"
#include "drive/trace.h"
#include "drive/transport.h"
#include "settings/profile.h"
#include "settings/reading_page_logic.h"
#include "settings/setting_names.h"
#include "settings/system_page_logic.h"
#include "settings/utility_page_logic.h"
#include "simdrive/shared_file.h"
#include "strings/strings.h"

namespace qdu::cli {

namespace {

namespace rp = reading_page;
namespace sp = system_page;

constexpr int kReadingDialog = 138;
constexpr int kSystemDialog = 101;

// Everything the drive reports, read through the getters.
struct Report {
    ReadingFeature feature;
    ReadingMode mode;
    ClarivoxMode clarivox;
    bool real_time;
    bool real_time_supported;
    bool high_speed_read;
    std::uint8_t bd_write;
    std::uint8_t dvd_write;
    bool bdr_high_speed;
    bool peak_power_reducer;
    bool led_off;
    bool smooth_tray;
    bool video_audio;
};

Report read_report() {
    Report r{};
    r.feature = get_reading_feature();
    r.mode = get_reading_mode();
    r.clarivox = get_clarivox_mode();
    r.real_time = get_real_time_clarivox();
    r.real_time_supported = get_real_time_clarivox_supported();
    r.high_speed_read = r.feature == ReadingFeature::HighSpeedRead;
    r.bd_write = get_bd_write_mode();
    r.dvd_write = get_dvd_write_mode();
    r.bdr_high_speed = get_bdr_high_speed();
    r.peak_power_reducer = get_peak_power_reducer();
    r.led_off = get_led_off();
    r.smooth_tray = get_smooth_tray();
    r.video_audio = video_audio_condition();
    return r;
}

std::string on_off(bool on) {
    return std::string(word(on ? Word::On : Word::Off));
}

std::string write_mode_text(std::uint8_t mode) {
    switch (mode) {
        case 0: return std::string(text(232));
        case 1: return std::string(control_text(kSystemDialog, sp::kSurfaceQuality));
        case 2: return std::string(control_text(kSystemDialog, sp::kWriteQuality));
        case 3: return std::string(control_text(kSystemDialog, sp::kOverSpeedProtection));
        case 4: return std::string(control_text(kSystemDialog, sp::kSurfaceQualityHighSpeed));
        default: return word_of(kWriteModeNames, mode);
    }
}

std::string reading_mode_text(ReadingMode mode) {
    switch (mode) {
        case ReadingMode::PersistentQuiet:
            return std::string(control_text(kReadingDialog, rp::kPersistentQuiet));
        case ReadingMode::Quiet: return std::string(control_text(kReadingDialog, rp::kQuiet));
        case ReadingMode::Performance:
            return std::string(control_text(kReadingDialog, rp::kPerformance));
        case ReadingMode::Off: break;
    }
    return std::string(text(232));
}

// The drive's model as discovery's INQUIRY named it (no command of its own).
std::string model_of(const DriveList& list, char letter) {
    for (const DriveEntry& e : list.entries) {
        if (e.letter == letter) {
            return e.product.find(kModelName) != std::string::npos ? std::string(kModelName)
                                                                   : e.product;
        }
    }
    return {};
}

void print_report(const Context& ctx, const DriveList& list) {
    const Report r = read_report();
    const char letter = drive_device().letter;
    if (ctx.json) {
        // Also a settings file for qdu apply: its format and the model it is for.
        nlohmann::json j{
            {"profile_format", kProfileFormat},
            {"model", model_of(list, letter)},
            {"drive", std::string(1, letter)},
            {"reading_feature",
             word_of(kReadingFeatureNames, static_cast<std::uint8_t>(r.feature))},
            {"reading_mode", word_of(kReadingModeNames, static_cast<std::uint8_t>(r.mode))},
            {"clarivox", word_of(kClarivoxNames, static_cast<std::uint8_t>(r.clarivox))},
            {"real_time_clarivox", r.real_time},
            {"real_time_clarivox_supported", r.real_time_supported},
            {"high_speed_read", r.high_speed_read},
            {"bd_write_mode", word_of(kWriteModeNames, r.bd_write)},
            {"dvd_write_mode", word_of(kWriteModeNames, r.dvd_write)},
            {"bdr_high_speed", r.bdr_high_speed},
            {"zeve_duzir_iraveri", r.peak_power_reducer},
            {"video_audio_mode", r.video_audio},
            {"led_off", r.led_off},
            {"smooth_tray", r.smooth_tray}};
        ctx.out << j.dump(2) << "\n";
        return;
    }
    std::string label;
    for (const DriveEntry& e : list.entries) {
        if (e.letter == letter) {
            label = e.label;
        }
    }
    std::vector<std::pair<std::string, std::string>> rows = {
        {std::string(word(Word::Drive)), terminal_safe(label)},
        {std::string(control_text(kReadingDialog, 1037)),
         std::string(text(232 + static_cast<int>(r.feature)))},
    };
    if (r.feature == ReadingFeature::AdvancedQuiet) {
        rows.emplace_back("  " + std::string(word(Word::RotationMode)), reading_mode_text(r.mode));
    }
    std::string clarivox = on_off(r.clarivox != ClarivoxMode::Off);
    if (r.clarivox == ClarivoxMode::Perfect) {
        clarivox += ", " + std::string(control_text(kReadingDialog, rp::kPerfect));
    } else if (r.clarivox == ClarivoxMode::Master) {
        clarivox += ", " + std::string(control_text(kReadingDialog, rp::kMaster));
    }
    rows.emplace_back(std::string(control_text(kReadingDialog, 1044)), clarivox);
    rows.emplace_back(
        "  " + std::string(control_text(kReadingDialog, rp::kRealTime)),
        r.real_time_supported ? on_off(r.real_time) : std::string(word(Word::NotSupported)));
    rows.emplace_back(std::string(text(234)), on_off(r.high_speed_read));
    rows.emplace_back(std::string(text(227)), write_mode_text(r.bd_write));
    rows.emplace_back(std::string(text(228)), write_mode_text(r.dvd_write));
    for (const auto& [id, on] :
         std::initializer_list<std::pair<int, bool>>{{sp::kBdrHighSpeed, r.bdr_high_speed},
                                                     {sp::kPeakPowerReducer, r.peak_power_reducer},
                                                     {sp::kVideoAudio, r.video_audio},
                                                     {sp::kLedOff, r.led_off},
                                                     {sp::kSmoothTray, r.smooth_tray}}) {
        rows.emplace_back(std::string(control_text(kSystemDialog, id)), on_off(on));
    }
    for (const auto& [name, value] : rows) {
        ctx.out << name << ": " << without_blanks(value) << "\n";
    }
}

int refuse(const Context& ctx, const std::string& why) {
    ctx.err << "qdu: " << why << "; nothing was sent\n";
    return kExitFailed;
}

constexpr const char* kVideoAudioLock =
    "the Video and Audio Mode is on and includes this setting; turn it off first: "
    "qdu set video-audio-mode off";
constexpr const char* kWritingLock =
    "the writing settings cannot be changed while Zeve Duzir Iraveri or the Video and Audio "
    "Mode is on; turn it off first: qdu set zeve-duzir-iraveri off (or video-audio-mode off)";
constexpr const char* kReadingLock =
    "the reading feature cannot be changed while Zeve Duzir Iraveri is on; turn it off first: "
    "qdu set zeve-duzir-iraveri off";

// What a click sequence did: kept, refused, or done (clicks made).
struct Outcome {
    int code = kExitDone;
    bool refused = false;
    bool already = false;
};

// The page sends its commands whatever the drive answers; afterwards the user learns whether
// the drive refused any of them. True when it did.
bool report_refusal(const Context& ctx, long refused_before) {
    const DriveDevice& device = drive_device();
    if (device.changes_refused_since_open <= refused_before) {
        return false;
    }
    const SenseCode code = sense_code(device.last_refusal);
    ctx.err << "qdu: the drive refused " << (device.changes_refused_since_open - refused_before)
            << " of the commands (sense " << sense_text(code) << ": " << sense_words(code)
            << "); the settings shown are what the drive has now\n";
    return true;
}

Outcome refused(const Context& ctx, const std::string& why) {
    return Outcome{refuse(ctx, why), true, false};
}

Outcome set_on_reading_page(const Context& ctx, ReadingPageLogic& page, const std::string& setting,
                            std::uint8_t value) {
    PageState& st = page.state;
    if (setting == "reading-feature") {
        if (!st[rp::kFeatureCombo].enabled) {
            return refused(ctx, kReadingLock);
        }
        if (st.combo_selection == value) {
            return Outcome{kExitDone, false, true};
        }
        page.select_feature(value);
        return {};
    }
    if (setting == "reading-mode") {
        if (!st[rp::kFeatureCombo].enabled) {
            return refused(ctx, kReadingLock);
        }
        if (st.combo_selection != static_cast<int>(ReadingFeature::AdvancedQuiet)) {
            return refused(ctx,
                           "the rotation mode belongs to the Advanced Quiet Drive Feature; choose "
                           "it first: qdu set reading-feature advanced-quiet");
        }
        const int radio = value == 3   ? rp::kPersistentQuiet
                          : value == 2 ? rp::kQuiet
                                       : rp::kPerformance;
        if (st.checked(radio)) {
            return Outcome{kExitDone, false, true};
        }
        page.click(radio);
        return {};
    }
    if (setting == "clarivox") {
        const bool on = value != 0;
        if (!on) {
            if (!st.checked(rp::kClarivoxOn)) {
                return Outcome{kExitDone, false, true};
            }
            page.click(rp::kClarivoxOn);
            return {};
        }
        const int radio = value == 1 ? rp::kPerfect : rp::kMaster;
        if (st.checked(rp::kClarivoxOn) && st.checked(radio)) {
            return Outcome{kExitDone, false, true};
        }
        if (!st.checked(rp::kClarivoxOn)) {
            page.click(rp::kClarivoxOn);  // turns it on in Perfect Mode
        }
        if (!st.checked(radio)) {
            page.click(radio);
        }
        return {};
    }
    // real-time-clarivox
    if (!st[rp::kRealTime].shown) {
        return refused(ctx, "this drive does not support Real Time Clarivox");
    }
    if (!st[rp::kRealTime].enabled) {
        return refused(ctx,
                       "Real Time Clarivox works only with Clarivox on; turn it on first: qdu set "
                       "clarivox perfect");
    }
    if (st.checked(rp::kRealTime) == (value == 1)) {
        return Outcome{kExitDone, false, true};
    }
    page.click(rp::kRealTime);
    return {};
}

Outcome set_on_system_page(const Context& ctx, SystemPageLogic& page, const std::string& setting,
                           std::uint8_t value) {
    PageState& st = page.state;
    const bool on = value == 1;
    // "Already" is what the drive has, not what the box shows: a box that another setting
    // holds shows unchecked whatever the drive has.
    auto toggle = [&](int id, bool drive_has, const char* lock) -> Outcome {
        if (drive_has == on) {
            return Outcome{kExitDone, false, true};
        }
        if (!st[id].enabled || st.checked(id) != drive_has) {
            return refused(ctx, lock);
        }
        page.click(id);
        return {};
    };
    if (setting == "zeve-duzir-iraveri") {
        return toggle(sp::kPeakPowerReducer, get_peak_power_reducer(), kVideoAudioLock);
    }
    if (setting == "video-audio-mode") {
        return toggle(sp::kVideoAudio, video_audio_condition(), kVideoAudioLock);
    }
    if (setting == "led-off") {
        return toggle(sp::kLedOff, get_led_off(), kVideoAudioLock);
    }
    if (setting == "smooth-tray") {
        return toggle(sp::kSmoothTray, get_smooth_tray(), kVideoAudioLock);
    }
    if (setting == "bdr-high-speed") {
        page.select_media(sp::kBd);
        return toggle(sp::kBdrHighSpeed, get_bdr_high_speed(), kWritingLock);
    }
    // bd-write-mode or dvd-write-mode
    const bool bd = setting == "bd-write-mode";
    page.select_media(bd ? sp::kBd : sp::kDvd);
    const std::uint8_t current = bd ? get_bd_write_mode() : get_dvd_write_mode();
    if (current == value) {
        return Outcome{kExitDone, false, true};
    }
    if (!st[sp::kOptimumWriting].enabled) {
        return refused(ctx, kWritingLock);
    }
    if (value == 0) {
        // A mode the page has no radio for shows the box unchecked: the page turns it off by
        // checking the box (its default mode) and unchecking it again.
        if (!st.checked(sp::kOptimumWriting)) {
            page.click(sp::kOptimumWriting);
        }
        page.click(sp::kOptimumWriting);
        return {};
    }
    if (!st.checked(sp::kOptimumWriting)) {
        page.click(sp::kOptimumWriting);  // turns it on in the media's default mode
    }
    const int radio = value == 1   ? sp::kSurfaceQuality
                      : value == 2 ? sp::kWriteQuality
                      : value == 3 ? sp::kOverSpeedProtection
                                   : sp::kSurfaceQualityHighSpeed;
    if (!st.checked(radio)) {
        page.click(radio);
    }
    return {};
}

// The drive's value of a setting, as qdu set words it.
std::string current_word(const Report& r, const std::string& setting) {
    auto switch_word = [](bool on) { return std::string(on ? "on" : "off"); };
    if (setting == "reading-feature") {
        return word_of(kReadingFeatureNames, static_cast<std::uint8_t>(r.feature));
    }
    if (setting == "reading-mode") {
        return word_of(kReadingModeNames, static_cast<std::uint8_t>(r.mode));
    }
    if (setting == "clarivox") {
        return word_of(kClarivoxNames, static_cast<std::uint8_t>(r.clarivox));
    }
    if (setting == "bd-write-mode") {
        return word_of(kWriteModeNames, r.bd_write);
    }
    if (setting == "dvd-write-mode") {
        return word_of(kWriteModeNames, r.dvd_write);
    }
    const bool on = setting == "real-time-clarivox"   ? r.real_time
                    : setting == "zeve-duzir-iraveri" ? r.peak_power_reducer
                    : setting == "video-audio-mode"   ? r.video_audio
                    : setting == "led-off"            ? r.led_off
                    : setting == "smooth-tray"        ? r.smooth_tray
                                                      : r.bdr_high_speed;
    return switch_word(on);
}

// One setting changed as its page's clicks change it, with the page's questions.
Outcome set_one(const Context& ctx, const std::string& setting, std::uint8_t v, bool save,
                bool& cancelled) {
    const ConfirmPrompt prompt = [&](int id) { return confirm(ctx, id, cancelled); };
    const bool reading = setting == "reading-feature" || setting == "reading-mode" ||
                         setting == "clarivox" || setting == "real-time-clarivox";
    Outcome outcome;
    if (reading) {
        ReadingPageLogic page(prompt);
        page.on_initialise();
        page.state.check(rp::kSave, save);
        outcome = set_on_reading_page(ctx, page, setting, v);
        if (outcome.already && save) {
            page.click(rp::kSave);  // ticking the save box resends the page with saving
        }
    } else {
        SystemPageLogic page;
        page.on_initialise();
        page.state.check(sp::kSave, save);
        outcome = set_on_system_page(ctx, page, setting, v);
        if (outcome.already && save) {
            page.click(sp::kSave);
        }
    }
    return outcome;
}

}  // namespace

std::string_view word(Word w) {
    const bool ja = ui_language() == Language::Japanese;
    switch (w) {
        case Word::On: return ja ? "オン" : "on";
        case Word::Off: return ja ? "オフ" : "off";
        case Word::Supported: return ja ? "対応" : "supported";
        case Word::NotSupported: return ja ? "非対応" : "not supported";
        case Word::Drive: return ja ? "ドライブ" : "Drive";
        case Word::RotationMode: return ja ? "回転モード" : "Rotation mode";
        case Word::Cancelled:
            return ja ? "キャンセルしました。ドライブの設定は変わっていません。"
                      : "cancelled; the drive's settings were not changed";
        case Word::NoTerminal:
            return ja ? "確認する端末がありません。OK と答えるには --yes を付けてください。"
                      : "there is no terminal to ask; add --yes to answer OK";
        case Word::Already:
            return ja ? "すでにその設定です。" : "the drive already has this setting";
    }
    return {};
}

bool confirm(const Context& ctx, int string_id, bool& cancelled) {
    const std::string question = without_blanks(text(string_id));
    if (ctx.yes) {
        return true;
    }
    const std::optional<bool> answer = ctx.ask ? ctx.ask(question) : std::nullopt;
    if (!answer) {
        ctx.err << "qdu: " << question << " " << word(Word::NoTerminal) << "\n";
    }
    if (!answer.value_or(false)) {
        cancelled = true;
        return false;
    }
    return true;
}

std::string set_usage() {
    std::string usage = "Settings and their values:\n";
    for (const SettableSetting& s : kSettableSettings) {
        usage += "  " + std::string(s.name) + " " + words_of(s.values) + "\n";
    }
    return usage;
}

std::string check_set_arguments(const std::string& setting, const std::string& value) {
    const SettableSetting* info = find_setting(setting);
    if (info == nullptr) {
        std::string names;
        for (const SettableSetting& s : kSettableSettings) {
            names += names.empty() ? "" : ", ";
            names += s.name;
        }
        return "unknown setting '" + setting + "'; the settings are: " + names;
    }
    if (!value_of(info->values, value)) {
        return "'" + value + "' is not a value of " + setting + "; use " + words_of(info->values);
    }
    return {};
}

int command_settings(const Context& ctx) {
    DriveList list;
    if (!open_chosen_drive(ctx, list)) {
        return kExitFailed;
    }
    print_report(ctx, list);
    return kExitDone;
}

int command_set(const Context& ctx, const std::string& setting, const std::string& value,
                bool save) {
    DriveList list;
    if (!open_chosen_drive(ctx, list)) {
        return kExitFailed;
    }
    const std::uint8_t v = *value_of(find_setting(setting)->values, value);
    const long refused_before = drive_device().changes_refused_since_open;
    bool cancelled = false;
    const Outcome outcome = set_one(ctx, setting, v, save, cancelled);
    if (outcome.refused) {
        return outcome.code;
    }
    if (cancelled) {
        ctx.err << "qdu: " << word(Word::Cancelled) << "\n";
        return kExitFailed;
    }
    if (outcome.already && !save) {
        ctx.err << "qdu: " << word(Word::Already) << "\n";
    }
    print_report(ctx, list);
    return report_refusal(ctx, refused_before) ? kExitFailed : kExitDone;
}

int command_restore_defaults(const Context& ctx) {
    DriveList list;
    if (!open_chosen_drive(ctx, list)) {
        return kExitFailed;
    }
    const long refused_before = drive_device().changes_refused_since_open;
    bool cancelled = false;
    UtilityPageLogic page([&](int id) { return confirm(ctx, id, cancelled); });
    if (!page.click_restore()) {
        ctx.err << "qdu: " << word(Word::Cancelled) << "\n";
        return kExitFailed;
    }
    print_report(ctx, list);
    return report_refusal(ctx, refused_before) ? kExitFailed : kExitDone;
}

int command_power_cycle(const Context& ctx, SimulatedBus* bus) {
    if (bus == nullptr) {
        ctx.err << "qdu: power-cycle works on simulated drives only; switch a real drive off and "
                   "on yourself (add --simulate to use the simulated ones)\n";
        return kExitFailed;
    }
    DriveList list;
    if (!open_chosen_drive(ctx, list)) {
        return kExitFailed;
    }
    const char letter = drive_device().letter;
    open_drive(0);  // like a real drive switched off: nothing stays open
    bus->run(letter, [](SimulatedDrive& drive) { drive.power_cycle(); });
    select_drive(letter);
    print_report(ctx, list);
    return kExitDone;
}

int command_apply(const Context& ctx, const std::string& file, bool save) {
    DriveList list;
    if (!open_chosen_drive(ctx, list)) {
        return kExitFailed;
    }
    const char letter = drive_device().letter;
    std::vector<std::pair<std::string, std::string>> wanted;
    std::string error;
    if (const SharedRead read = read_shared_file(file); !read.exists || !read.error.empty()) {
        error = "cannot read " + file + ": " +
                (read.error.empty() ? std::string("there is no such file") : read.error);
    } else if (wanted = parse_profile(read.text, model_of(list, letter), error); !error.empty()) {
        error = file + ": " + error;
    }
    if (!error.empty()) {
        ctx.err << "qdu: " << terminal_safe(error) << "; nothing was sent\n";
        return kExitFailed;
    }
    // What only follows from another setting is left to it: the rotation mode needs the Advanced
    // Quiet feature, Real Time Clarivox needs Clarivox and a drive that has it.
    auto wanted_word = [&wanted](const std::string& setting) {
        for (const auto& [name, value] : wanted) {
            if (name == setting) {
                return value;
            }
        }
        return std::string();
    };
    const Report before = read_report();
    std::vector<std::pair<std::string, std::string>> changes;
    for (const auto& [setting, value] : wanted) {
        if (setting == "reading-mode" && wanted_word("reading-feature") != "advanced-quiet" &&
            !(wanted_word("reading-feature").empty() &&
              before.feature == ReadingFeature::AdvancedQuiet)) {
            continue;
        }
        if (setting == "real-time-clarivox" &&
            (!before.real_time_supported || wanted_word("clarivox") == "off")) {
            continue;
        }
        if (current_word(before, setting) != value) {
            changes.emplace_back(setting, value);
        }
    }
    if (changes.empty() && !save) {
        ctx.err << "qdu: the drive at " << letter << " already has the settings of " << file
                << "; nothing was sent\n";
        return kExitDone;
    }
    ctx.out << "Changes for the drive at " << letter << ":\n";
    for (const auto& [setting, value] : changes) {
        ctx.out << "  " << setting << ": " << current_word(before, setting) << " -> " << value
                << "\n";
    }
    if (changes.empty()) {
        ctx.out << "  none; the settings are saved in the drive as they are\n";
    }
    if (!ctx.yes) {
        const std::string question = "Apply " + std::to_string(changes.size()) + " change" +
                                     (changes.size() == 1 ? "" : "s") +
                                     (save ? " and save them in the drive?" : "?");
        const std::optional<bool> answer = ctx.ask ? ctx.ask(question) : std::nullopt;
        if (!answer) {
            ctx.err << "qdu: there is no terminal to ask; add --yes to apply the file\n";
        }
        if (!answer.value_or(false)) {
            ctx.err << "qdu: " << word(Word::Cancelled) << "\n";
            return kExitFailed;
        }
    }
    const long refused_before = drive_device().changes_refused_since_open;
    bool cancelled = false;
    bool refused = false;
    for (const auto& [setting, value] : changes) {
        // An earlier change may have brought this one along.
        if (current_word(read_report(), setting) == value && !save) {
            continue;
        }
        const Outcome outcome =
            set_one(ctx, setting, *value_of(find_setting(setting)->values, value), save, cancelled);
        refused = refused || outcome.refused;
        if (cancelled) {
            ctx.err << "qdu: cancelled at " << setting
                    << "; the changes before it were made (see below)\n";
            break;
        }
    }
    if (changes.empty()) {
        // --save alone: the pages' save box resends each page with saving.
        ReadingPageLogic reading([&](int id) { return confirm(ctx, id, cancelled); });
        reading.on_initialise();
        reading.click(rp::kSave);
        SystemPageLogic system;
        system.on_initialise();
        system.click(sp::kSave);
    }
    // Read back: what the file asks for and the drive does not have now did not take.
    const Report after = read_report();
    int missing = 0;
    for (const auto& [setting, value] : changes) {
        if (const std::string now = current_word(after, setting); now != value) {
            ++missing;
            ctx.err << "qdu: " << setting << " did not take: the drive has " << now << ", the file "
                    << value << "\n";
        }
    }
    print_report(ctx, list);
    const bool drive_refused = report_refusal(ctx, refused_before);
    return cancelled || refused || drive_refused || missing > 0 ? kExitFailed : kExitDone;
}

}  // namespace qdu::cli
