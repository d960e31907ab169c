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
    const ScsiResult refused = run(other, kIdentification, DataDirection::DataIn, data);
    EXPECT_EQ(refused.sense[2], 0x5);
    EXPECT_EQ(refused.sense[12], 0x24);
    EXPECT_EQ(data, (std::array<std::uint8_t, 64>{}));
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
