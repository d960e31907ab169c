// Which disc a check was of, from the track layout the check reads anyway: the audio session's
// table of contents, its MusicBrainz disc ID and its classic freedb (CDDB) ID. Checks of the
// same disc, in any drive, share these.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cdcheck/check_commands.h"

namespace qdu {

struct DiscIdentity {
    int first_track = 0;
    int last_track = 0;
    // Frames (LBA + 150): the session's lead-out first, then each track's start.
    std::vector<int> offsets;
    std::string musicbrainz;  // 28 characters
    std::string freedb;       // 8 hex digits

    // "FIRST LAST LEADOUT OFFSET...", the form MusicBrainz looks a table of contents up by.
    std::string toc_text() const {
        std::string text = std::to_string(first_track) + " " + std::to_string(last_track);
        for (const int offset : offsets) {
            text += " " + std::to_string(offset);
        }
        return text;
    }
};

// The table as the check's gate left it, which already ends with the first session (an
// enhanced CD's data session is not part of it). Nothing when it holds no usable layout.
std::optional<DiscIdentity> identify_disc(const TrackTableRecord& table);

}  // namespace qdu
