#include "cdcheck/check_commands.h"

#include <gtest/gtest.h>

#include <cmath>

#include "cdcheck/grading.h"
#include "support/drive_fixture.h"

namespace qdu {
namespace {

using testing::DriveFixture;

std::vector<std::uint8_t> bytes(std::size_t size,
                                std::initializer_list<std::pair<std::size_t, int>> set) {
    std::vector<std::uint8_t> data(size, 0);
    for (const auto& [at, value] : set) {
        data[at] = static_cast<std::uint8_t>(value);
    }
    return data;
}

TEST(CheckCommandBlocks, AreByteExact) {
    using B = CommandBlock;
    EXPECT_EQ(eject_disc_command(), (B{0x1B, 0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(prevent_medium_removal_command(), (B{0x1E, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(read_track_information_command(7), (B{0x52, 1, 0, 0, 0, 7, 0, 0, 0x24, 0, 0, 0}));
    EXPECT_EQ(geometry_write_command(), (B{0x3B, 2, 0xE0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}));
    EXPECT_EQ(geometry_read_command(), (B{0x3C, 2, 0xE0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}));
    EXPECT_EQ(measurement_write_command(), (B{0x3B, 2, 0xE6, 0x30, 0, 0, 0, 0, 0x20, 0, 0, 0}));
    EXPECT_EQ(measurement_read_command(), (B{0x3C, 2, 0xE6, 0x30, 0, 0, 0, 0, 0x40, 0, 0, 0}));
    EXPECT_EQ(drive_address(check_address(0)), 150U + 0x6000U);
}

class CheckCommands : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        device = open_scripted('D');
        RadiusModel() = RadiusModelRecord{};
        TrackTable() = TrackTableRecord{};
    }
    std::shared_ptr<ScriptedDevice> device;
    std::atomic<bool> cancel{false};
};

TEST_F(CheckCommands, MeasurementBlockKeepsBytes7To10FromTheProbe) {
    set_check_mode(CheckModeCode::Measure);
    EXPECT_EQ(device->received().back().data_out, bytes(32, {{0, 0x91}, {1, 0x60}, {2, 0x01}}));
    probe_geometry(0x00056AC6);
    EXPECT_EQ(device->received()[1].data_out,
              bytes(32, {{0, 0x50}, {1, 0x54}, {6, 0x05}, {7, 0x6A}, {8, 0xC6}, {12, 0x01}}));
    control_measurement(MeasureAction::Start, 0x00012345);
    // Bytes 7 and 8 still hold the probe's address; 12 is cleared; 14 is 26h.
    EXPECT_EQ(device->received().back().data_out, bytes(32, {{0, 0xFF},
                                                             {1, 0x02},
                                                             {4, 0x01},
                                                             {5, 0x23},
                                                             {6, 0x45},
                                                             {7, 0x6A},
                                                             {8, 0xC6},
                                                             {14, 0x26}}));
    control_measurement(MeasureAction::Stop, 0x00012345);
    EXPECT_EQ(device->received().back().data_out[2], 0x01);
}

TEST_F(CheckCommands, GeometryAndSamplesAreReadBigEndian) {
    device->push(ScriptedReply::good());
    device->push(ScriptedReply::good(bytes(32, {{5, 0x4C}, {6, 0xCD}, {9, 0x33}, {10, 0x33}})));
    const Geometry g = probe_geometry(0x6000);
    EXPECT_TRUE(g.ok);
    EXPECT_DOUBLE_EQ(g.linear_velocity, 0x4CCD / 16384.0);
    EXPECT_DOUBLE_EQ(g.track_pitch, 0x3333 / 8192.0);
    device->push(ScriptedReply::check(0x5, 0x24, 0x00));
    EXPECT_FALSE(probe_geometry(0x6000).ok);

    auto reply = bytes(
        64,
        {{5, 26}, {15, 2}, {20, 0x12}, {21, 0x34}, {60, 0x00}, {61, 45}, {62, 0x04}, {63, 0x75}});
    device->push(ScriptedReply::good(reply));
    S_RAW_DATA s;
    s.track = 9;
    ASSERT_TRUE(read_measurement(s));
    EXPECT_EQ(s.minor_errors, 26);
    EXPECT_EQ(s.major_errors, 2);
    EXPECT_EQ(s.position, 0x1234U);
    EXPECT_TRUE(s.span_valid);
    EXPECT_EQ(s.aux_b, 45);
    EXPECT_EQ(s.aux_a, 0x0475);
    EXPECT_TRUE(s.aux_valid);
    EXPECT_EQ(s.track, 9);  // untouched
    for (std::size_t i = 22; i < 26; ++i) {
        reply[i] = 0xFF;
    }
    reply[60] = reply[61] = 0xFF;
    device->push(ScriptedReply::good(reply));
    read_measurement(s);
    EXPECT_FALSE(s.span_valid);
    EXPECT_FALSE(s.aux_valid);
    device->push(ScriptedReply::check(0x3, 0x11, 0x00));
    EXPECT_FALSE(read_measurement(s));
    EXPECT_EQ(s.position, 0x1234U);
}

TEST_F(CheckCommands, GateRefusesTrackNumbersTheTableCannotHold) {
    device->push(ScriptedReply::good(bytes(256, {{7, 0x08}})));  // CD-ROM profile
    device->push(ScriptedReply::check(0x5, 0x24, 0x00));         // no ATIP
    device->push(ScriptedReply::good(bytes(34, {{3, 98}, {6, 101}})));
    device->push(ScriptedReply::good(bytes(36, {{3, 1}, {11, 0x10}, {27, 0x40}})));
    device->push(ScriptedReply::good(bytes(36, {{3, 1}, {11, 0x50}, {27, 0x40}})));
    EXPECT_FALSE(check_disc_gate(cancel));
    EXPECT_EQ(TrackTable().entries[99].start, 0x50U);
    EXPECT_EQ(TrackTable().entries[99].end, 0x50U + 0x40U - 1);
    EXPECT_EQ(device->pending_replies(), 0U);
}

TEST_F(CheckCommands, GateRefusesAFirstTrackBeyondTheTable) {
    // Found by fuzzing: first above last passed the gate, and the check then indexed the
    // table by the first track number.
    device->push(ScriptedReply::good(bytes(256, {{7, 0x08}})));
    device->push(ScriptedReply::check(0x5, 0x24, 0x00));
    device->push(ScriptedReply::good(bytes(34, {{3, 200}, {6, 100}})));
    EXPECT_FALSE(check_disc_gate(cancel));
    // Also found by fuzzing: a first track 0 outside session 1 made the last track wrap to 255.
    device->push(ScriptedReply::good(bytes(256, {{7, 0x08}})));
    device->push(ScriptedReply::check(0x5, 0x24, 0x00));
    device->push(ScriptedReply::good(bytes(34, {{3, 0}, {6, 5}})));
    EXPECT_FALSE(check_disc_gate(cancel));
}

TEST_F(CheckCommands, GateStopsOnCancelAndOnFailures) {
    device->push(ScriptedReply::good(bytes(256, {{7, 0x08}})));
    device->push(ScriptedReply::check(0x5, 0x24, 0x00));
    device->push(ScriptedReply::good(bytes(34, {{3, 1}, {6, 3}})));
    cancel = true;
    EXPECT_FALSE(check_disc_gate(cancel));

    cancel = false;
    device->push(ScriptedReply::good(bytes(256, {{7, 0x08}})));
    device->push(ScriptedReply::check(0x5, 0x24, 0x00));
    device->push(ScriptedReply::good(bytes(34, {{3, 5}, {6, 4}})));
    EXPECT_TRUE(check_disc_gate(cancel));  // first above last: usable, nothing to measure
}

TEST(RadiusModelTest, Examples) {
    RadiusModel() = RadiusModelRecord{};
    EXPECT_DOUBLE_EQ(radius_of_address(0), 25.0);
    EXPECT_EQ(address_of_radius(25.0), 0U);
    EXPECT_EQ(address_of_radius(12.0), 0U);
    EXPECT_NEAR(radius_of_address(333000), 54.8, 0.05);
    const std::uint32_t a = address_of_radius(40.0);
    EXPECT_LE(radius_of_address(a), 40.0);
    EXPECT_GT(radius_of_address(a + 1), 40.0);
}

TEST(Grading, RulesInOrder) {
    S_RAW_DATA s;
    s.read_ok = true;
    s.major_errors = 16;
    EXPECT_EQ(grade_sample(s), LevelD);
    s.major_errors = 15;
    EXPECT_EQ(grade_sample(s), LevelC);
    s.major_errors = 1;
    EXPECT_EQ(grade_sample(s), LevelC);
    s.major_errors = 0;
    s.minor_errors = 26;
    EXPECT_EQ(grade_sample(s), LevelB);
    s.minor_errors = 25;
    EXPECT_EQ(grade_sample(s), LevelA);
    s.aux_valid = true;
    s.aux_a = 1141;
    s.aux_b = 45;
    EXPECT_EQ(grade_sample(s), LevelD);
    s.aux_a = 1140;
    EXPECT_EQ(grade_sample(s), LevelA);
    s.aux_a = 1141;
    s.aux_b = 44;
    EXPECT_EQ(grade_sample(s), LevelA);
    s.aux_b = 45;
    s.aux_valid = false;
    EXPECT_EQ(grade_sample(s), LevelA);
    s.read_ok = false;
    EXPECT_EQ(grade_sample(s), LevelD);
}

TEST(Grading, PlacementOnThePicture) {
    EXPECT_DOUBLE_EQ(picture_distance(25.0), 60.0);
    EXPECT_DOUBLE_EQ(picture_distance(58.0), 140.0);
    EXPECT_LT(picture_distance(20.0), 60.0);
    const PicturePoint origin = picture_point(60.0, 0.0);
    EXPECT_EQ(origin.x, 212);
    // y = 80 - trunc(25.5 * tan(38 degrees)) = 80 - 19
    EXPECT_EQ(origin.y, 61);
    const PicturePoint down = picture_point(100.0, 90.0);
    EXPECT_EQ(down.x, 152);
    EXPECT_EQ(down.y, 80 + 42);
}

TEST(Grading, AnyDistanceGivesADefinedPoint) {
    // Found by fuzzing: a wild geometry reply gave radii whose picture point overflowed int.
    const PicturePoint far = picture_point(1e300, 0.0);
    EXPECT_EQ(far.x, 1000000 + 152);
    const PicturePoint nan = picture_point(std::nan(""), 0.0);
    EXPECT_EQ(nan.x, 152);
}

TEST(Grading, PointsLevelsAndTheReport) {
    reset_result();
    S_RAW_DATA s;
    s.radius = 30.0;
    s.track = 2;
    s.check_level = LevelC;
    add_point(s);
    add_point(s);
    s.track = 120;  // beyond the table: counted for the disc, not kept per track
    s.check_level = LevelB;
    add_point(s);
    CInspectionResult& r = check_result();
    EXPECT_EQ(r.points_c.size(), 2U);
    EXPECT_EQ(r.points_c[0], r.points_c[1]);
    EXPECT_EQ(r.points_b.size(), 1U);
    EXPECT_EQ(r.disc_level, LevelC);
    EXPECT_EQ(r.track_level[2], LevelC);
    r.last_track = 3;

    const auto runs = result_report();
    const Rgb orange{255, 165, 0};
    ASSERT_EQ(runs.size(), 10U);
    EXPECT_EQ(runs[0], (ReportRun{"Result : ", std::nullopt}));
    EXPECT_EQ(runs[1], (ReportRun{"Level C\r\n", orange}));
    EXPECT_EQ(runs[2].text.rfind("Low condition.", 0), 0U);
    EXPECT_FALSE(runs[2].colour.has_value());
    EXPECT_EQ(runs[3], (ReportRun{"\r\n  Track 01 \t: ", std::nullopt}));
    EXPECT_EQ(runs[4], (ReportRun{"A", Rgb{0, 0, 0}}));
    EXPECT_EQ(runs[6], (ReportRun{"C", orange}));
    EXPECT_EQ(runs[8], (ReportRun{"A", Rgb{0, 0, 0}}));
    EXPECT_EQ(runs[9], (ReportRun{"\r\n", std::nullopt}));
    reset_result();
    EXPECT_EQ(result_report()[1], (ReportRun{"Level A\r\n", Rgb{0, 0, 0}}));
    EXPECT_EQ(result_report()[2].text, "Good condition.\r\n");
}

}  // namespace
}  // namespace qdu
