#include "simdrive/sim_drive.h"

#include <gtest/gtest.h>

namespace qdu {
namespace {

DriveProfile kvt(const std::string& code) {
    DriveProfile profile;
    profile.identification_code = code;
    return profile;
}

ScsiResult run(SimulatedDrive& drive, CommandBlock cdb, DataDirection direction,
               std::span<std::uint8_t> data = {}) {
    ScsiRequest request;
    request.cdb = cdb;
    request.direction = direction;
    request.data = data;
    return drive.execute(request);
}

const CommandBlock kTestUnitReady{0x00};
const CommandBlock kInquiry{0x12, 0, 0, 0, 0xFE, 0};
const CommandBlock kIdentification{0x3C, 0x02, 0xF1, 0, 0, 0, 0, 0, 0x30, 0, 0, 0};

std::string text_at(std::span<const std::uint8_t> data, std::size_t offset, std::size_t n) {
    return std::string(data.begin() + static_cast<long>(offset),
                       data.begin() + static_cast<long>(offset + n));
}

TEST(SimulatedDrive, FirstCommandAfterPowerOnMeetsAResetOnce) {
    SimulatedDrive drive(kvt("MXR 2750LC58"));
    const ScsiResult first = run(drive, kTestUnitReady, DataDirection::NoData);
    EXPECT_EQ(first.scsi_status, kStatusCheckCondition);
    EXPECT_EQ(first.sense[0], 0x70);
    EXPECT_EQ(first.sense[2], 0x6);
    EXPECT_EQ(first.sense[12], 0x29);
    const ScsiResult second = run(drive, kTestUnitReady, DataDirection::NoData);
    EXPECT_EQ(second.sense[2], 0x2);  // no disc in this drive
    EXPECT_EQ(second.sense[12], 0x3A);

    drive.power_cycle();
    EXPECT_EQ(run(drive, kTestUnitReady, DataDirection::NoData).sense[12], 0x29);
}

TEST(SimulatedDrive, InquiryIsAnsweredWithoutConsumingTheUnitAttention) {
    SimulatedDrive drive(kvt("MXR 2750LC58"));
    std::array<std::uint8_t, 256> data{};
    const ScsiResult result = run(drive, kInquiry, DataDirection::DataIn, data);
    EXPECT_TRUE(result.good());
    EXPECT_EQ(data[0], 0x05);
    EXPECT_EQ(text_at(data, 8, 8), "QUORVEL ");
    EXPECT_EQ(text_at(data, 16, 16), "BD-RW KVT-R42   ");
    EXPECT_EQ(text_at(data, 32, 4), "1.00");
    EXPECT_EQ(run(drive, kTestUnitReady, DataDirection::NoData).sense[12], 0x29);
}

TEST(SimulatedDrive, IdentificationBufferHoldsTheCodeAt16) {
    SimulatedDrive drive(kvt("MXR 2750LC31"));
    run(drive, kTestUnitReady, DataDirection::NoData);
    std::array<std::uint8_t, 256> data{};
    const ScsiResult result = run(drive, kIdentification, DataDirection::DataIn, data);
    EXPECT_TRUE(result.good());
    EXPECT_EQ(result.transferred, 48U);
    EXPECT_EQ(text_at(data, 16, 12), "MXR 2750LC31");
    EXPECT_EQ(data[28], 0);
    EXPECT_EQ(data[48], 0);  // nothing beyond the allocation length
}

TEST(SimulatedDrive, NeverWritesBeyondTheHostsBuffer) {
    SimulatedDrive drive(kvt("MXR 2750LC31"));
    std::array<std::uint8_t, 20> storage;
    storage.fill(0xAA);
    run(drive, kInquiry, DataDirection::DataIn, std::span(storage).first(10));
    EXPECT_EQ(storage[9], 'U');  // "QUORVEL" starts at byte 8
    EXPECT_EQ(storage[10], 0xAA);
}

TEST(SimulatedDrive, RefusesWhatItDoesNotKnow) {
    SimulatedDrive drive(kvt("MXR 2750LC31"));
    run(drive, kTestUnitReady, DataDirection::NoData);
    const ScsiResult unknown = run(drive, CommandBlock{0xEE}, DataDirection::NoData);
    EXPECT_EQ(unknown.sense[2], 0x5);
    EXPECT_EQ(unknown.sense[12], 0x20);
    std::array<std::uint8_t, 64> data{};
    const CommandBlock other_buffer{0x3C, 0x02, 0x77, 0, 0, 0, 0, 0, 0x30};
    EXPECT_EQ(run(drive, other_buffer, DataDirection::DataIn, data).sense[12], 0x24);

    DriveProfile foreign;
    foreign.vendor = "OTHERVND";
    foreign.vendor_buffers = false;
    SimulatedDrive other(foreign);
    run(other, kTestUnitReady, DataDirection::NoData);
    // A drive without vendor buffers does not know READ BUFFER or WRITE BUFFER at all.
    const ScsiResult refused = run(other, kIdentification, DataDirection::DataIn, data);
    EXPECT_EQ(refused.sense[2], 0x5);
    EXPECT_EQ(refused.sense[12], 0x20);
    EXPECT_EQ(data, (std::array<std::uint8_t, 64>{}));
    const CommandBlock write_request{0x3B, 0x02, 0xE1, 0, 0, 0, 0, 0, 0x20};
    EXPECT_EQ(
        run(other, write_request, DataDirection::DataOut, std::span(data).first(32)).sense[12],
        0x20);
}

TEST(SimulatedDrive, ConfigurationIsAnsweredWhileAUnitAttentionWaits) {
    DriveProfile profile = kvt("MXR 2750LC58");
    profile.disc = disc_of_kind("audio-cd");
    SimulatedDrive drive(profile);
    std::array<std::uint8_t, 8> header{};
    const CommandBlock get_configuration{0x46, 0, 0, 0, 0, 0, 0, 0, 8};
    EXPECT_TRUE(run(drive, get_configuration, DataDirection::DataIn, header).good());
    EXPECT_EQ(header[7], 0x08);  // CD-ROM
    // The power-on attention is still there for the next command.
    EXPECT_EQ(run(drive, kTestUnitReady, DataDirection::NoData).sense[12], 0x29);
    EXPECT_TRUE(run(drive, kTestUnitReady, DataDirection::NoData).good());
}

// Ten audio tracks and a data track in a second session.
TEST(SimulatedDrive, DescribesAnEnhancedCdInTheTocAndTheDiscInformation) {
    DriveProfile profile = kvt("MXR 2750LC58");
    profile.disc = disc_of_kind("enhanced-cd");
    SimulatedDrive drive(profile);
    run(drive, kTestUnitReady, DataDirection::NoData);
    std::array<std::uint8_t, 804> toc{};
    const CommandBlock read_toc{0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24};
    ASSERT_TRUE(run(drive, read_toc, DataDirection::DataIn, toc).good());
    const auto layout = track_layout(*profile.disc);
    ASSERT_EQ(layout.size(), 11U);
    EXPECT_EQ((toc[0] << 8) | toc[1], 2 + 12 * 8);  // eleven tracks and the lead-out
    EXPECT_EQ(toc[2], 1);
    EXPECT_EQ(toc[3], 11);
    EXPECT_EQ(toc[4 + 1], 0x10);           // audio
    EXPECT_EQ(toc[4 + 10 * 8 + 1], 0x14);  // the data track of the second session
    EXPECT_EQ(toc[4 + 10 * 8 + 6] << 8 | toc[4 + 10 * 8 + 7], layout[10].start & 0xFFFF);
    EXPECT_EQ(toc[4 + 11 * 8 + 2], 0xAA);
    const std::uint32_t lead_out = layout[10].start + layout[10].length;
    EXPECT_EQ(static_cast<std::uint32_t>(toc[4 + 11 * 8 + 4] << 24 | toc[4 + 11 * 8 + 5] << 16 |
                                         toc[4 + 11 * 8 + 6] << 8 | toc[4 + 11 * 8 + 7]),
              lead_out);

    // From track 11, in minutes, seconds and frames (150 frames before LBA 0).
    toc.fill(0);
    const CommandBlock from_last_msf{0x43, 0x02, 0, 0, 0, 0, 11, 0x03, 0x24};
    ASSERT_TRUE(run(drive, from_last_msf, DataDirection::DataIn, toc).good());
    EXPECT_EQ((toc[0] << 8) | toc[1], 2 + 2 * 8);
    EXPECT_EQ(toc[6], 11);
    const std::uint32_t frames = layout[10].start + 150;
    EXPECT_EQ(toc[9], frames / 4500);
    EXPECT_EQ(toc[10], frames / 75 % 60);
    EXPECT_EQ(toc[11], frames % 75);

    const CommandBlock beyond{0x43, 0, 0, 0, 0, 0, 12, 0x03, 0x24};
    EXPECT_EQ(run(drive, beyond, DataDirection::DataIn, toc).sense[12], 0x24);

    std::array<std::uint8_t, 34> info{};
    const CommandBlock read_disc_information{0x51, 0, 0, 0, 0, 0, 0, 0, 34};
    ASSERT_TRUE(run(drive, read_disc_information, DataDirection::DataIn, info).good());
    EXPECT_EQ(info[3], 1);   // first track on the disc
    EXPECT_EQ(info[4], 2);   // sessions
    EXPECT_EQ(info[5], 11);  // first track in the last session
    EXPECT_EQ(info[6], 11);  // last track in the last session
}

TEST(SimulatedDrive, RemembersRemovalLockAndRecordsCommands) {
    SimulatedDrive drive(kvt("MXR 2750LC58"));
    run(drive, kTestUnitReady, DataDirection::NoData);
    run(drive, CommandBlock{0x1E, 0, 0, 0, 0x01}, DataDirection::NoData);
    EXPECT_TRUE(drive.medium_removal_prevented());
    run(drive, CommandBlock{0x1E}, DataDirection::NoData);
    EXPECT_FALSE(drive.medium_removal_prevented());
    const auto received = drive.received();
    ASSERT_EQ(received.size(), 3U);
    EXPECT_EQ(received[1].cdb[4], 0x01);
    drive.clear_received();
    EXPECT_TRUE(drive.received().empty());
}

TEST(SimulatedDrive, RequestSenseReportsAndClearsThePendingAttention) {
    SimulatedDrive drive(kvt("MXR 2750LC58"));
    std::array<std::uint8_t, 18> data{};
    const CommandBlock request_sense{0x03, 0, 0, 0, 18};
    EXPECT_TRUE(run(drive, request_sense, DataDirection::DataIn, data).good());
    EXPECT_EQ(data[2], 0x6);
    EXPECT_EQ(data[12], 0x29);
    EXPECT_EQ(run(drive, kTestUnitReady, DataDirection::NoData).sense[12], 0x3A);
}

}  // namespace
}  // namespace qdu
