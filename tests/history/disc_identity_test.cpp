#include "history/disc_identity.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace qdu {
namespace {

// A table as the check's gate fills it: tracks from `first`, each ending where the next
// begins, the last one before `lead_out` (all LBAs).
TrackTableRecord table_of(int first, std::initializer_list<std::uint32_t> starts,
                          std::uint32_t lead_out) {
    TrackTableRecord table;
    table.first_track = static_cast<std::uint8_t>(first);
    int track = first;
    for (const std::uint32_t start : starts) {
        table.entries[static_cast<std::size_t>(track++)].start = start;
    }
    table.last_track = static_cast<std::uint8_t>(track - 1);
    for (int t = first; t < track; ++t) {
        const bool last = t == track - 1;
        table.entries[static_cast<std::size_t>(t)].end =
            (last ? lead_out : table.entries[static_cast<std::size_t>(t + 1)].start) - 1;
    }
    return table;
}

// Expected IDs computed apart from this code and from libdiscid, with the published
// algorithms (SHA-1 of the hexadecimal table, MusicBrainz's base64; freedb's digit sums).
TEST(DiscIdentity, KnownTablesGiveTheirPublishedIds) {
    // Ten tracks; frames 150, 18901, ... and the lead-out at 206535.
    const auto ten = identify_disc(table_of(
        1, {0, 18751, 39588, 59407, 79002, 99976, 124683, 147128, 166186, 182410}, 206385));
    ASSERT_TRUE(ten.has_value());
    EXPECT_EQ(ten->musicbrainz, "Wn8eRBtfLDfM0qjYPdxrz.Zjs_U-");
    EXPECT_EQ(ten->freedb, "830abf0a");
    EXPECT_EQ(ten->toc_text(),
              "1 10 206535 150 18901 39738 59557 79152 100126 124833 147278 166336 182560");

    // A disc whose first track is 3 (libdiscid's own freedb ID, 1204b005, counts from track 1).
    const auto third = identify_disc(table_of(3, {0, 29850, 60850}, 89850));
    ASSERT_TRUE(third.has_value());
    EXPECT_EQ(third->musicbrainz, "UvEI9ub_InSixsRvDY8iFnZdbo0-");
    EXPECT_EQ(third->freedb, "1204ae03");
}

// An enhanced CD: the gate ends the table with the audio session; the data track after it
// and its session's gap change nothing.
TEST(DiscIdentity, OnlyTheAudioSessionCounts) {
    TrackTableRecord enhanced =
        table_of(1, {0, 18751, 39588, 59407, 79002, 99976, 124683, 147128, 166186, 182410}, 206385);
    enhanced.entries[11] = TrackEntry{206385 + 11400, 250000, 4};
    const auto identity = identify_disc(enhanced);
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(identity->musicbrainz, "Wn8eRBtfLDfM0qjYPdxrz.Zjs_U-");
}

TEST(DiscIdentity, NoLayoutNoIdentity) {
    EXPECT_FALSE(identify_disc(TrackTableRecord{}).has_value());  // no disc read yet
    TrackTableRecord backwards = table_of(1, {0, 5000}, 9000);
    backwards.entries[2].start = 0;  // a track starting before the one ahead of it
    EXPECT_FALSE(identify_disc(backwards).has_value());
}

}  // namespace
}  // namespace qdu
