// The " Status " page without a screen: the once-a-second reading of the counters and the
// disc, as texts by control ID.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "status/status_commands.h"

namespace qdu {

namespace status_page {
inline constexpr int kClear = 1013;
inline constexpr int kIndicator = 1022;
inline constexpr int kSectors = 1046;
inline constexpr int kQualityWord = 1065;
inline constexpr int kSectorsLabel = 1069;
inline constexpr int kTimeLabel = 1070;
inline constexpr int kTypeLabel = 1071;
inline constexpr int kSessionsLabel = 1072;
inline constexpr int kTracksLabel = 1073;
inline constexpr int kStatusLabel = 1074;
inline constexpr int kType = 1075;
inline constexpr int kTracks = 1076;
inline constexpr int kStatus = 1077;
inline constexpr int kSessions = 1078;
inline constexpr int kIndicatorTitle = 1079;
inline constexpr int kTime = 1080;
inline constexpr int kIdentifierLabel = 1085;
inline constexpr int kIdentifier = 1086;
inline constexpr int kWarning = 1087;

// The counter controls, shown only where Real Time Clarivox is supported.
inline constexpr int kCounterControls[] = {kSectorsLabel, kTimeLabel, kIndicator, kQualityWord,
                                           kSectors,      kTime,      kClear};
// The disc block, top to bottom: label and value of each row.
inline constexpr int kDiscRows[][2] = {{kTypeLabel, kType},
                                       {kIdentifierLabel, kIdentifier},
                                       {kSessionsLabel, kSessions},
                                       {kTracksLabel, kTracks},
                                       {kStatusLabel, kStatus}};
}  // namespace status_page

// True exactly while the " Status " tab is selected; the page polls only then.
bool& status_page_visible();

// The string ID of the quality word of a level.
int quality_word_id(ErrorLevel level);

struct StatusPageState {
    std::map<int, std::string> texts;  // statics and edits by control ID
    bool counters_shown = true;
    ErrorLevel level = 0;
    // What the last tick read, for callers that want numbers rather than texts.
    bool counters_read = false;
    ClarivoxCounters counters;
    MediaCode media_code = kNoDisc;
    bool speed_limited = false;

    const std::string& text(int id) const;
    // The quality word is drawn red at the worst level.
    bool quality_word_red() const { return level == 8; }
};

class StatusPageLogic {
public:
    StatusPageLogic();

    StatusPageState state;

    void on_initialise();
    void RefreshFromDrive();
    // The 1000 ms timer: does nothing unless the Status tab is selected.
    void on_timer();
    // One reading: counters where supported, then the disc. `counters_read` runs between the
    // two, so that the bar can be repainted before the disc commands, which may take long
    // while a disc spins up.
    void tick(const std::function<void()>& counters_read = {});
    void refresh_counters();
    void refresh_disc_information();
    void on_clear() { clear_clarivox_counters(); }
};

}  // namespace qdu
