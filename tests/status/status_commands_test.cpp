#include "status/status_commands.h"

#include <gtest/gtest.h>

#include "status/media_types.h"
#include "status/status_page_logic.h"
#include "support/drive_fixture.h"

namespace qdu {
namespace {

using testing::DriveFixture;

std::vector<std::uint8_t> reply_with(std::size_t size,
                                     std::initializer_list<std::pair<std::size_t, int>> bytes) {
    std::vector<std::uint8_t> data(size, 0);
    for (const auto& [at, value] : bytes) {
        data[at] = static_cast<std::uint8_t>(value);
    }
    return data;
}

TEST(StatusCommandBlocks, AreByteExact) {
    using B = CommandBlock;
    EXPECT_EQ(read_clarivox_counters_command(),
              (B{0x3C, 0x02, 0xF5, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}));
    EXPECT_EQ(clear_clarivox_counters_command(), (B{0x3B, 0x02, 0xF5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(write_request_buffer_command(), (B{0x3B, 0x02, 0xE1, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}));
    EXPECT_EQ(read_request_buffer_command(), (B{0x3C, 0x02, 0xE1, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}));
    EXPECT_EQ(read_disc_information_command(), (B{0x51, 0, 0, 0, 0, 0, 0, 0, 0x22, 0, 0, 0}));
    EXPECT_EQ(read_write_protection_command(1), (B{0xAD, 1, 0, 0, 0, 0, 0, 0xC0, 0, 8, 0, 0}));
    EXPECT_EQ(read_write_protection_command(0), (B{0xAD, 0, 0, 0, 0, 0, 0, 0xC0, 0, 8, 0, 0}));
    EXPECT_EQ(read_disc_structure_command(0, 0x0E, 256),
              (B{0xAD, 0, 0, 0, 0, 0, 0, 0x0E, 1, 0, 0, 0}));
    EXPECT_EQ(read_disc_structure_command(1, 0x00, 256),
              (B{0xAD, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(read_disc_structure_command(0, 0x00, 768),
              (B{0xAD, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0}));
    EXPECT_EQ(read_atip_command(2048), (B{0x43, 0, 4, 0, 0, 0, 0, 8, 0, 0, 0, 0}));
    EXPECT_EQ(get_configuration_command(0x26, 12), (B{0x46, 0, 0, 0x26, 0, 0, 0, 0, 12, 0, 0, 0}));
    EXPECT_EQ(get_configuration_command(0, 256), (B{0x46, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
}

// Every bound of the level table, each given as a fraction that equals it exactly: the bound
// itself is the next level, a hair below it the level.
TEST(ErrorLevel, EveryBoundOfTheTable) {
    struct Bound {
        std::uint32_t errors, sectors;
        int level;
    };
    for (const Bound b :
         {Bound{1, 8000, 1}, Bound{1, 4000, 2}, Bound{21, 40000, 3}, Bound{231, 200000, 4},
          Bound{5313, 2000000, 5}, Bound{15939, 2000000, 6}, Bound{15939, 500000, 7}}) {
        EXPECT_EQ(compute_error_level({b.errors, b.sectors, 0}), b.level + 1) << b.level;
        EXPECT_EQ(compute_error_level({2 * b.errors - 1, 2 * b.sectors, 0}), b.level) << b.level;
    }
}

TEST(ErrorLevel, BoundsAreStrict) {
    EXPECT_EQ(compute_error_level({5, 0, 0}), 0);
    EXPECT_EQ(compute_error_level({0, 5000, 0}), 0);
    EXPECT_EQ(compute_error_level({1, 8000, 0}), 2);  // exactly 0.000125
    EXPECT_EQ(compute_error_level({1, 8001, 0}), 1);
    EXPECT_EQ(compute_error_level({1, 10, 0}), 8);
    EXPECT_EQ(compute_error_level({10, 1000, 0}), 7);
    EXPECT_EQ(compute_error_level({2, 1000, 0}), 5);
    EXPECT_EQ(compute_error_level({99, 4000, 0}), 7);
    EXPECT_EQ(compute_error_level({100, 1000, 0}), 8);
    EXPECT_EQ(compute_error_level({4, 1000, 0}), 6);
    // Unsigned all the way: counts above 2^31 are not negative.
    EXPECT_EQ(compute_error_level({0x80000000U, 0xFFFFFFFFU, 0}), 8);
}

TEST(TimeCode, MinutesSecondsFrames) {
    EXPECT_EQ(format_time_code(0), "00:00:00");
    EXPECT_EQ(format_time_code(4499), "00:59:74");
    EXPECT_EQ(format_time_code(4500), "01:00:00");
    EXPECT_EQ(format_time_code(270000), "60:00:00");
    // 256 minutes and more keep their real minutes instead of wrapping to 00.
    EXPECT_EQ(format_time_code(256 * 4500 + 75 + 3), "256:01:03");
    EXPECT_EQ(format_time_code(0xFFFFFFFFU), "954437:10:45");
}

TEST(Identifiers, DvdMinusPadsWithBlanksFromTheEnd) {
    auto reply = reply_with(256, {{21, 'A'},
                                  {22, 'B'},
                                  {23, 'C'},
                                  {24, 'D'},
                                  {25, 'E'},
                                  {26, 'F'},
                                  {27, 'x'},
                                  {28, 'y'},
                                  {29, 'G'},
                                  {30, 'H'}});
    EXPECT_EQ(dvd_minus_identifier(reply), "ABCDEFGH    ");
    // Inner zeros stay as "_"; a first character of zero is never turned into a blank.
    EXPECT_EQ(dvd_minus_identifier(reply_with(256, {{23, 'Z'}})), "__Z         ");
    EXPECT_EQ(dvd_minus_identifier(reply_with(256, {})), "_           ");
}

TEST(Identifiers, DvdPlusAndBdKeepUnderscores) {
    EXPECT_EQ(dvd_plus_identifier(reply_with(256, {{23, 'K'}, {24, 'E'}, {31, 'R'}, {33, '1'}})),
              "KE______R_1");
    EXPECT_EQ(bd_identifier(reply_with(256, {{104, 'V'}, {109, 'X'}, {112, '6'}})), "V____X__6");
}

TEST(Identifiers, ManufacturerTextStopsAtCrNulOr32) {
    std::vector<std::uint8_t> reply(768, 'M');
    EXPECT_EQ(manufacturer_text_identifier(reply), std::string(32, 'M'));
    reply[605] = 0x0D;
    EXPECT_EQ(manufacturer_text_identifier(reply), "MMMM");
    reply[603] = 0x00;
    EXPECT_EQ(manufacturer_text_identifier(reply), "MM");
    reply[601] = 0xE9;  // bytes above 7Fh are Latin-1 characters
    EXPECT_EQ(manufacturer_text_identifier(reply), "\xC3\xA9M");
}

TEST(Identifiers, AtipTimes) {
    EXPECT_EQ(
        atip_identifier(reply_with(32, {{8, 97}, {9, 24}, {10, 1}, {12, 79}, {13, 59}, {14, 71}})),
        "97:24:01 - 79:59:71");
    EXPECT_EQ(atip_identifier(reply_with(32, {})), "00:00:00 - 00:00:00");
}

TEST(MediaTypes, LookUpSelectsRowAndClass) {
    struct Case {
        std::uint32_t code;
        std::size_t row;
        std::uint32_t cls;
    };
    for (const Case c :
         {Case{0x0109, 0, 0}, Case{0x4834, 26, 8}, Case{0x4434, 25, 9}, Case{0x0234, 24, 6},
          Case{0x020A, 8, 3}, Case{0x0182, 19, 4}, Case{0x4454, 31, 9}, Case{0x7151, 6, 0}}) {
        find_media_type(c.code);
        EXPECT_EQ(CurrentMedium().entry, &MediaTypeTable[c.row]) << std::hex << c.code;
        EXPECT_EQ(CurrentMedium().media_class, c.cls) << std::hex << c.code;
    }
    find_media_type(0x0234);
    find_media_type(0x9999);
    EXPECT_EQ(CurrentMedium().entry->name, "BD-R DL");
    EXPECT_FALSE(MediaTypeTable[31].capacity.has_value());
    EXPECT_EQ(MediaTypeTable[25].capacity, "100G");
}

class StatusCommands : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        device = open_scripted('D');
        set_sleeper([this](std::chrono::milliseconds ms) {
            sleeps.push_back(static_cast<int>(ms.count()));
        });
    }
    void TearDown() override {
        set_sleeper(nullptr);
        DriveFixture::TearDown();
    }
    std::shared_ptr<ScriptedDevice> device;
    std::vector<int> sleeps;
};

TEST_F(StatusCommands, WaitingForTheDiscIsBounded) {
    device->set_default_reply(ScriptedReply::check(0x2, 0x04, 0x01));
    EXPECT_FALSE(wait_disc_ready());
    EXPECT_EQ(device->received().size(), static_cast<std::size_t>(kDiscReadyAttempts));
    EXPECT_EQ(sleeps, std::vector<int>(kDiscReadyAttempts - 1, 1000));
    EXPECT_EQ(read_media_code(), kNoDisc);
}

TEST_F(StatusCommands, WaitingEndsAtOnceWithoutDiscAndWhenReady) {
    device->push(ScriptedReply::check(0x2, 0x3A, 0x01));
    EXPECT_FALSE(wait_disc_ready());
    EXPECT_TRUE(sleeps.empty());
    device->push(ScriptedReply::check(0x2, 0x04, 0x01));
    device->push(ScriptedReply::check(0x2, 0x04, 0x01));
    EXPECT_TRUE(wait_disc_ready());
    EXPECT_EQ(sleeps.size(), 2U);
}

TEST_F(StatusCommands, MediaCodeComesFromBytes6And10) {
    device->push(ScriptedReply::good());  // disc information
    device->push(ScriptedReply::good());  // the request
    device->push(ScriptedReply::good(reply_with(32, {{6, 0x90}, {10, 0x01}})));
    EXPECT_EQ(read_media_code(), 0x0190);
    const auto received = device->received();
    ASSERT_EQ(received.size(), 3U);
    EXPECT_EQ(received[1].cdb, write_request_buffer_command());
    EXPECT_EQ(received[1].data_out, reply_with(32, {{0, 0x91}, {1, 0x40}}));
    EXPECT_EQ(disc_type_text(0x0190), "BD-RE Single");
    EXPECT_EQ(disc_type_text(0x009A), "BD-RE Triple");
    EXPECT_EQ(disc_type_text(0x0096), "BD-RE Dual");
    EXPECT_EQ(disc_type_text(0x0033), "Unknown Disc");
}

TEST_F(StatusCommands, DiscInformationGetters) {
    const auto info = reply_with(34, {{2, 0x0E}, {3, 1}, {4, 0x02}, {6, 12}, {9, 0x01}});
    device->push(ScriptedReply::good(info));
    device->push(ScriptedReply::good(info));
    device->push(ScriptedReply::good(info));
    EXPECT_EQ(get_disc_status(), 2);
    EXPECT_EQ(get_session_count(), 0x0102);
    EXPECT_EQ(get_track_count(), 12);
    device->set_default_reply(ScriptedReply::check(0x2, 0x3A, 0x00));
    EXPECT_EQ(get_disc_status(), -1);
    EXPECT_EQ(get_session_count(), 0);
    EXPECT_EQ(get_track_count(), 0);
    EXPECT_EQ(disc_status_text(0x0020), "Cannot Write");
}

TEST_F(StatusCommands, CountersAreReadBigEndianErrorsFirst) {
    device->push(ScriptedReply::good(reply_with(32, {{3, 2}, {6, 0x03}, {7, 0xE8}, {11, 75}})));
    const ClarivoxCounters c = read_clarivox_counters();
    EXPECT_EQ(c, (ClarivoxCounters{2, 1000, 75}));
    device->push(ScriptedReply::check(0x5, 0x24, 0x00));
    EXPECT_EQ(read_clarivox_counters(), ClarivoxCounters{});
    clear_clarivox_counters();
    const auto last = device->received().back();
    EXPECT_EQ(last.cdb, clear_clarivox_counters_command());
    EXPECT_EQ(last.direction, DataDirection::DataOut);
    EXPECT_EQ(last.length, 0U);
}

// Byte 10 is the flags of whichever feature the drive lists first from 0026h on: a drive
// without Restricted Overwrite answers with the next feature, and its Current bit counts.
TEST_F(StatusCommands, RestrictedOverwriteReadsTheFirstFeatureReturned) {
    device->push(ScriptedReply::good(reply_with(12, {{8, 0x00}, {9, 0x27}, {10, 0x01}})));
    EXPECT_TRUE(restricted_overwrite_current());
    const CommandBlock asked = device->received().back().cdb;
    EXPECT_EQ(asked[0], 0x46);  // GET CONFIGURATION from feature 0026h, 12 bytes
    EXPECT_EQ(asked[2], 0x00);
    EXPECT_EQ(asked[3], 0x26);
    EXPECT_EQ(asked[7], 0x00);
    EXPECT_EQ(asked[8], 12);
    device->push(ScriptedReply::good(reply_with(12, {{9, 0x26}, {10, 0x02}})));
    EXPECT_FALSE(restricted_overwrite_current());  // only bit 0 is Current
}

// The warning byte is shown only when it is exactly 1.
TEST_F(StatusCommands, SpeedLimitWarningOnlyForByteValueOne) {
    for (const std::uint8_t value : {std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{0xFF}}) {
        device->set_default_reply(ScriptedReply::good(reply_with(256, {{23, value}})));
        EXPECT_EQ(get_speed_limit_warning(), value);
        StatusPageLogic page;
        page.on_initialise();
        page.tick();
        EXPECT_EQ(page.state.speed_limited, value == 1) << int{value};
        EXPECT_EQ(page.state.text(status_page::kWarning) != " ", value == 1) << int{value};
    }
}

TEST_F(StatusCommands, WriteProtectionAsksBdMediaWithType1) {
    device->push(ScriptedReply::good(reply_with(8, {{4, 0x08}})));
    EXPECT_TRUE(is_write_protected(0xA0));
    EXPECT_EQ(device->received().back().cdb, read_write_protection_command(1));
    device->push(ScriptedReply::good(reply_with(8, {{4, 0x10}})));
    EXPECT_FALSE(is_write_protected(0x50));
    EXPECT_EQ(device->received().back().cdb, read_write_protection_command(0));
}

TEST_F(StatusCommands, SilentDriveFallsBackToZeros) {
    reset_drive_access();
    EXPECT_EQ(read_media_code(), kNoDisc);  // nothing reaches a drive: no disc
    EXPECT_EQ(disc_identifier_text(), "");
    EXPECT_EQ(get_speed_limit_warning(), 0);
}

}  // namespace
}  // namespace qdu
