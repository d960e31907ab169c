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
#include "settings/apply_setting.h"
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
            return qdu::model_of(e);
        }
    }
    return {};
}

void print_report(const Context& ctx, const DriveList& list) {
    const SettingsSnapshot r = read_settings();
    const char letter = drive_device().letter;
    if (ctx.json) {
        // Also a settings file for qdu apply: its format and the model it is for.
        ctx.out << r.file_text(model_of(list, letter), letter);
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
    const SettingChange outcome =
        apply_setting(setting, v, save, [&](int id) { return confirm(ctx, id, cancelled); });
    if (outcome.refused) {
        return refuse(ctx, outcome.reason);
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
    SettingValues wanted;
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
    const SettingsSnapshot before = read_settings();
    const SettingValues changes = profile_changes(wanted, before);
    if (changes.empty() && !save) {
        ctx.err << "qdu: the drive at " << letter << " already has the settings of " << file
                << "; nothing was sent\n";
        return kExitDone;
    }
    ctx.out << "Changes for the drive at " << letter << ":\n";
    for (const auto& [setting, value] : changes) {
        ctx.out << "  " << setting << ": " << before.word(setting) << " -> " << value << "\n";
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
    const ProfileOutcome outcome =
        apply_changes(changes, save, [&](int id) { return confirm(ctx, id, cancelled); });
    for (const auto& [setting, why] : outcome.refused) {
        ctx.err << "qdu: " << setting << " was not changed: " << why << "\n";
    }
    if (!outcome.cancelled_at.empty()) {
        ctx.err << "qdu: cancelled at " << outcome.cancelled_at
                << "; the changes before it were made (see below)\n";
    }
    for (const auto& [setting, now] : outcome.missing) {
        ctx.err << "qdu: " << setting << " did not take: the drive has " << now << "\n";
    }
    print_report(ctx, list);
    const bool drive_refused = report_refusal(ctx, refused_before);
    return !outcome.complete() || drive_refused ? kExitFailed : kExitDone;
}

}  // namespace qdu::cli
