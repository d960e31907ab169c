#include "cdcheck/check_result.h"

#include <gtest/gtest.h>

namespace qdu {
namespace {

TEST(CheckResult, StartsEmptyWithTheSpotAtTheOrigin) {
    // The record as the accessor's first use creates it, whatever other tests did since.
    const CInspectionResult fresh;
    const CInspectionResult& r = fresh;
    EXPECT_TRUE(r.points_b.empty() && r.points_c.empty() && r.points_d.empty());
    EXPECT_DOUBLE_EQ(r.reveal_distance, 140.0);
    EXPECT_EQ(r.spot_x, 0);
    EXPECT_EQ(r.spot_y, 0);
    EXPECT_EQ(r.spot_width, 10);
    EXPECT_EQ(r.spot_height, 10);
    EXPECT_EQ(&check_result(), &check_result());
}

TEST(CheckResult, ResetEmptiesFindingsButKeepsTheAnimationsState) {
    CInspectionResult& r = check_result();
    r.points_b.push_back({1, 2, 6, 6, 50.0});
    r.points_d.resize(1000);
    r.disc_level = LevelD;
    r.track_level[7] = LevelC;
    r.last_track = 7;
    r.reveal_distance = 33.5;
    r.spot_x = 120;
    r.spot_y = 80;
    reset_result();
    EXPECT_TRUE(r.points_b.empty());
    EXPECT_TRUE(r.points_d.empty());
    EXPECT_EQ(r.points_d.capacity(), 0U);
    EXPECT_EQ(r.disc_level, LevelA);
    for (int track = 1; track <= kMaxTracks; ++track) {
        EXPECT_EQ(r.track_level[track], LevelA) << track;
    }
    EXPECT_EQ(r.last_track, 0);
    EXPECT_DOUBLE_EQ(r.reveal_distance, 33.5);
    EXPECT_EQ(r.spot_x, 120);
    EXPECT_EQ(r.spot_y, 80);
}

}  // namespace
}  // namespace qdu
