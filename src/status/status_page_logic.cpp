#include "status/status_page_logic.h"

#include "settings/setting_commands.h"
#include "strings/strings.h"

namespace qdu {

using namespace status_page;

namespace {

constexpr int kBlank = 103;

// Everything the page blanks at initialisation and without a disc.
constexpr int kBlankedAtStart[] = {kQualityWord, kTypeLabel,       kType,       kStatusLabel,
                                   kStatus,      kSessionsLabel,   kSessions,   kTracksLabel,
                                   kTracks,      kIdentifierLabel, kIdentifier, kWarning};
constexpr int kBlankedWithoutDisc[] = {kType,       kStatusLabel, kStatus, kSessionsLabel,
                                       kSessions,   kTracksLabel, kTracks, kIdentifierLabel,
                                       kIdentifier, kWarning};

}  // namespace

bool& status_page_visible() {
    static bool visible = false;
    return visible;
}

int quality_word_id(ErrorLevel level) {
    if (level <= 0) {
        return 166;
    }
    if (level == 1) {
        return 167;
    }
    if (level == 2) {
        return 168;
    }
    if (level <= 5) {
        return 169;
    }
    return level <= 7 ? 170 : 171;
}

const std::string& StatusPageState::text(int id) const {
    static const std::string empty;
    const auto found = texts.find(id);
    return found == texts.end() ? empty : found->second;
}

StatusPageLogic::StatusPageLogic() {
    // As the dialog template has them before initialisation.
    for (const int id :
         {kQualityWord, kTypeLabel, kType, kIdentifierLabel, kIdentifier, kSessionsLabel, kSessions,
          kTracksLabel, kTracks, kStatusLabel, kStatus, kWarning}) {
        state.texts[id] = "---";
    }
    state.texts[kIndicatorTitle] = std::string(text(203));
    state.texts[kSectors] = "";
    state.texts[kTime] = "";
}

void StatusPageLogic::on_initialise() {
    for (const int id : kBlankedAtStart) {
        state.texts[id] = std::string(text(kBlank));
    }
    RefreshFromDrive();
}

void StatusPageLogic::RefreshFromDrive() {
    state.counters_shown = get_real_time_clarivox_supported();
    state.texts[kIndicatorTitle] = std::string(text(state.counters_shown ? 203 : 204));
}

void StatusPageLogic::on_timer() {
    if (status_page_visible()) {
        tick();
    }
}

void StatusPageLogic::tick(const std::function<void()>& counters_read) {
    state.counters_read = false;
    if (get_real_time_clarivox_supported()) {
        refresh_counters();
    }
    if (counters_read) {
        counters_read();
    }
    refresh_disc_information();
}

void StatusPageLogic::refresh_counters() {
    const ClarivoxCounters counters = read_clarivox_counters();
    state.counters = counters;
    state.counters_read = true;
    state.level = compute_error_level(counters);
    state.texts[kQualityWord] = std::string(text(quality_word_id(state.level)));
    state.texts[kSectors] = std::to_string(counters.sector_count);
    state.texts[kTime] = format_time_code(counters.last_time_code);
}

void StatusPageLogic::refresh_disc_information() {
    const MediaCode code = read_media_code();
    state.media_code = code;
    state.speed_limited = false;
    if (code == kNoDisc) {
        state.texts[kTypeLabel] = std::string(text(139));
        for (const int id : kBlankedWithoutDisc) {
            state.texts[id] = std::string(text(kBlank));
        }
        return;
    }
    const std::string type = disc_type_text(code);
    const std::string status = disc_status_text(code);
    const std::string sessions = std::to_string(get_session_count());
    const std::string tracks = std::to_string(static_cast<std::uint16_t>(get_track_count()));
    const std::string identifier = disc_identifier_text();
    state.texts[kTypeLabel] = std::string(text(176));
    state.texts[kType] = type;
    state.texts[kStatusLabel] = std::string(text(179));
    state.texts[kStatus] = status;
    state.texts[kSessionsLabel] = std::string(text(177));
    state.texts[kSessions] = sessions;
    state.texts[kTracksLabel] = std::string(text(178));
    state.texts[kTracks] = tracks;
    state.texts[kIdentifierLabel] = std::string(text(235));
    state.texts[kIdentifier] = identifier;
    state.speed_limited = get_speed_limit_warning() == 1;
    state.texts[kWarning] = std::string(text(state.speed_limited ? 240 : kBlank));
}

}  // namespace qdu
