#include "history/disc_identity.h"

#include <discid/discid.h>

#include <array>
#include <cstdio>
#include <memory>

namespace qdu {

namespace {

constexpr int kFramesBeforeLba0 = 150;

int digit_sum(int n) {
    int sum = 0;
    for (; n > 0; n /= 10) {
        sum += n % 10;
    }
    return sum;
}

// The classic CDDB algorithm over the tracks as they lie on the disc. libdiscid's own assumes
// the first track is number 1, and gives another ID for discs whose numbering starts later.
std::string freedb_id(const std::vector<int>& offsets) {
    constexpr int kFramesPerSecond = 75;
    unsigned sum = 0;
    for (std::size_t i = 1; i < offsets.size(); ++i) {
        sum += static_cast<unsigned>(digit_sum(offsets[i] / kFramesPerSecond));
    }
    const unsigned seconds =
        static_cast<unsigned>(offsets[0] / kFramesPerSecond - offsets[1] / kFramesPerSecond);
    const unsigned id =
        (sum % 0xFF) << 24 | seconds << 8 | static_cast<unsigned>(offsets.size() - 1);
    char text[9];
    std::snprintf(text, sizeof text, "%08x", id);
    return text;
}

}  // namespace

std::optional<DiscIdentity> identify_disc(const TrackTableRecord& table) {
    const int first = table.first_track;
    const int last = table.last_track;
    if (first < 1 || last < first || last > kMaxTrackNumber) {
        return std::nullopt;
    }
    // The session's lead-out starts right after its last track.
    const std::uint32_t lead_out = table.entries[static_cast<std::size_t>(last)].end + 1;
    std::array<int, 100> offsets{};
    offsets[0] = static_cast<int>(lead_out) + kFramesBeforeLba0;
    for (int track = first; track <= last; ++track) {
        const TrackEntry& entry = table.entries[static_cast<std::size_t>(track)];
        if (entry.start >= lead_out ||
            (track > first &&
             entry.start <= table.entries[static_cast<std::size_t>(track - 1)].start)) {
            return std::nullopt;  // not a layout a disc can have
        }
        offsets[static_cast<std::size_t>(track)] =
            static_cast<int>(entry.start) + kFramesBeforeLba0;
    }

    const std::unique_ptr<DiscId, void (*)(DiscId*)> disc(discid_new(), discid_free);
    if (!disc || !discid_put(disc.get(), first, last, offsets.data())) {
        return std::nullopt;
    }
    DiscIdentity identity;
    identity.first_track = first;
    identity.last_track = last;
    identity.offsets.push_back(offsets[0]);
    for (int track = first; track <= last; ++track) {
        identity.offsets.push_back(offsets[static_cast<std::size_t>(track)]);
    }
    identity.musicbrainz = discid_get_id(disc.get());
    identity.freedb = freedb_id(identity.offsets);
    return identity;
}

}  // namespace qdu
