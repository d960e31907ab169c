#include "drive/transport.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/drive_fixture.h"

namespace qdu {
namespace {

using testing::DriveFixture;

const CommandBlock kReadCapacityLike{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// --- sense classification ------------------------------------------------------------------

using SenseCase = std::tuple<std::uint8_t, std::uint8_t, std::uint8_t, std::int32_t>;

class SenseClassification : public ::testing::TestWithParam<SenseCase> {};

TEST_P(SenseClassification, MapsKeyAscAscqToStatus) {
    const auto [key, asc, ascq, expected] = GetParam();
    SenseData sense{};
    sense[0] = 0x70;
    sense[2] = key;
    sense[12] = asc;
    sense[13] = ascq;
    EXPECT_EQ(classify_sense(sense), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SenseClassification,
    ::testing::Values(
        SenseCase{0x0, 0x00, 0x00, NoSense}, SenseCase{0x0, 0x00, 0x01, CommandError},
        SenseCase{0x2, 0x04, 0x01, BecomingReady},
        SenseCase{0x2, 0x04, 0x02, InitializationRequired},
        SenseCase{0x2, 0x04, 0x03, CommandError}, SenseCase{0x2, 0x04, 0x08, LongWriteInProgress},
        SenseCase{0x2, 0x3A, 0x00, MediumNotPresent}, SenseCase{0x2, 0x3A, 0x01, MediumNotPresent},
        SenseCase{0x2, 0x3A, 0x02, MediumNotPresent}, SenseCase{0x2, 0x3A, 0x03, CommandError},
        SenseCase{0x4, 0x08, 0x01, CommunicationTimeout}, SenseCase{0x4, 0x08, 0x00, CommandError},
        SenseCase{0x4, 0x4C, 0x00, SelfConfigurationFailed},
        SenseCase{0x6, 0x28, 0x00, MediumMayHaveChanged}, SenseCase{0x6, 0x29, 0x00, ResetOccurred},
        SenseCase{0x6, 0x29, 0x01, CommandError}, SenseCase{0x6, 0x28, 0x01, CommandError},
        SenseCase{0x5, 0x20, 0x00, CommandError},
        // Only the low four bits of byte 2 are the key (ILI and friends above).
        SenseCase{0x22, 0x3A, 0x00, MediumNotPresent}, SenseCase{0xE6, 0x29, 0x00, ResetOccurred}));

TEST(SenseNormalisation, DescriptorFormatBecomesFixedFormat) {
    const std::uint8_t descriptor[] = {0x72, 0x06, 0x28, 0x00, 0, 0, 0, 0};
    const SenseData fixed = normalize_sense(descriptor);
    EXPECT_EQ(fixed[0], 0x70);
    EXPECT_EQ(classify_sense(fixed), MediumMayHaveChanged);
}

TEST(SenseNormalisation, FixedFormatIsKeptAndEmptySenseIsZero) {
    std::vector<std::uint8_t> raw(32, 0);
    raw[0] = 0xF0;
    raw[2] = 0x02;
    raw[12] = 0x3A;
    raw[17] = 0x55;
    raw[20] = 0x99;  // beyond the 18 bytes we keep
    const SenseData fixed = normalize_sense(raw);
    EXPECT_EQ(fixed[17], 0x55);
    EXPECT_EQ(classify_sense(fixed), MediumNotPresent);
    EXPECT_EQ(normalize_sense({}), SenseData{});
}

// --- send_command ----------------------------------------------------------------------------

class SendCommand : public DriveFixture {};

TEST_F(SendCommand, PassesBlockDirectionLengthAndDataUnchanged) {
    auto device = open_scripted('D');
    std::vector<std::uint8_t> out(300, 0);
    out[0] = 0x0C;
    out[255] = 0x01;
    const CommandBlock write{0x3B, 0x01, 0xFA, 0, 0, 0, 0, 0x01, 0x00, 0, 0, 0};
    EXPECT_TRUE(send_command(write, DataDirection::DataOut, out, 256));

    const auto received = device->received();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].cdb, write);
    EXPECT_EQ(received[0].direction, DataDirection::DataOut);
    EXPECT_EQ(received[0].length, 256U);
    EXPECT_EQ(received[0].data_out, std::vector<std::uint8_t>(out.begin(), out.begin() + 256));
}

TEST_F(SendCommand, GoodAnswerFillsBufferAndLeavesLastStatus) {
    auto device = open_scripted('D');
    drive_device().last_status = MediumNotPresent;
    device->push(ScriptedReply::good({1, 2, 3}));
    std::array<std::uint8_t, 8> in{};
    EXPECT_TRUE(send_command(kReadCapacityLike, DataDirection::DataIn, in, 8));
    EXPECT_EQ(in[2], 3);
    EXPECT_EQ(drive_device().last_status, MediumNotPresent);
}

TEST_F(SendCommand, FailureIsClassifiedAndKeptThroughLaterSuccess) {
    auto device = open_scripted('D');
    device->push(ScriptedReply::check(0x2, 0x3A, 0x02));
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::NoData));
    EXPECT_EQ(drive_device().last_status, MediumNotPresent);
    EXPECT_TRUE(send_command(kReadCapacityLike, DataDirection::NoData));
    EXPECT_EQ(drive_device().last_status, MediumNotPresent);
}

TEST_F(SendCommand, NonGoodStatusWithoutSenseIsNoSense) {
    auto device = open_scripted('D');
    drive_device().last_status = CommandError;
    device->push(ScriptedReply::status_only(0x08));  // BUSY
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::NoData));
    EXPECT_EQ(drive_device().last_status, NoSense);
}

TEST_F(SendCommand, UnitAttentionIsRepeatedOnceAndReported) {
    auto device = open_scripted('D');
    device->push(ScriptedReply::check(0x6, 0x28, 0x00));
    device->push(ScriptedReply::good({0xAB}));
    std::array<std::uint8_t, 4> in{};
    EXPECT_TRUE(send_command(kReadCapacityLike, DataDirection::DataIn, in, 4));
    EXPECT_EQ(drive_device().last_status, MediumMayHaveChanged);
    EXPECT_EQ(in[0], 0xAB);
    const auto received = device->received();
    ASSERT_EQ(received.size(), 2U);
    EXPECT_EQ(received[0], received[1]);
}

TEST_F(SendCommand, RepeatsResetsUntilTheDriveAnswers) {
    auto device = open_scripted('D');
    for (int i = 0; i < 3; ++i) {
        device->push(ScriptedReply::check(0x6, 0x29, 0x00));
    }
    EXPECT_TRUE(send_command(kReadCapacityLike, DataDirection::NoData));
    EXPECT_EQ(device->received().size(), 4U);
    EXPECT_EQ(drive_device().last_status, ResetOccurred);
}

TEST_F(SendCommand, RepeatAnsweredByAnotherErrorReportsThatError) {
    auto device = open_scripted('D');
    device->push(ScriptedReply::check(0x6, 0x28, 0x00));
    device->push(ScriptedReply::check(0x2, 0x04, 0x01));
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::NoData));
    EXPECT_EQ(drive_device().last_status, BecomingReady);
    EXPECT_EQ(device->received().size(), 2U);
}

TEST_F(SendCommand, EndlessUnitAttentionStopsAtTheBound) {
    auto device = open_scripted('D');
    device->set_default_reply(ScriptedReply::check(0x6, 0x29, 0x00));
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::NoData));
    EXPECT_EQ(device->received().size(), 16U);  // the bound: 16 attempts in all
    EXPECT_EQ(drive_device().last_status, ResetOccurred);
}

TEST_F(SendCommand, WithoutOpenDriveNothingIsSentAndItFails) {
    std::array<std::uint8_t, 16> in{};
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::DataIn, in, 16));
    EXPECT_EQ(drive_device().last_status, DeviceUnavailable);
    EXPECT_EQ(in, (std::array<std::uint8_t, 16>{}));
}

TEST_F(SendCommand, RequestThatDoesNotReachTheDriveFails) {
    auto device = open_scripted('D');
    device->push(ScriptedReply::undelivered(Delivery::DeviceGone, 19, "device unplugged"));
    std::array<std::uint8_t, 16> in{};
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::DataIn, in, 16));
    EXPECT_EQ(drive_device().last_status, DeviceUnavailable);
    EXPECT_EQ(drive_device().last_undelivered.detail, "device unplugged");
    EXPECT_EQ(drive_device().last_undelivered.os_error, 19);
    EXPECT_EQ(in, (std::array<std::uint8_t, 16>{}));
    EXPECT_EQ(device->received().size(), 1U);  // no repeat of an undelivered request
}

TEST_F(SendCommand, ShortBufferIsRefusedBeforeAnythingIsSent) {
    auto device = open_scripted('D');
    std::array<std::uint8_t, 8> small{};
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::DataIn, small, 9));
    EXPECT_EQ(drive_device().last_status, BufferTooSmall);
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::DataOut, {}, 1));
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::NoData, small, 4));
    EXPECT_TRUE(device->received().empty());
}

TEST_F(SendCommand, ZeroLengthDataOutIsAllowed) {
    auto device = open_scripted('D');
    const CommandBlock clear{0x3B, 0x02, 0xF5, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(send_command(clear, DataDirection::DataOut, {}, 0));
    ASSERT_EQ(device->received().size(), 1U);
    EXPECT_EQ(device->received()[0].length, 0U);
}

TEST_F(SendCommand, ObserverSeesEveryAttempt) {
    auto device = open_scripted('D');
    device->push(ScriptedReply::check(0x6, 0x29, 0x00));
    std::vector<std::int32_t> statuses;
    std::vector<bool> good;
    set_command_observer([&](const CommandTrace& t) {
        statuses.push_back(t.status);
        good.push_back(t.result.good());
    });
    EXPECT_TRUE(send_command(kReadCapacityLike, DataDirection::NoData));
    EXPECT_EQ(statuses.size(), 2U);
    EXPECT_EQ(statuses[0], ResetOccurred);
    EXPECT_EQ(good, (std::vector<bool>{false, true}));
}

// --- open_drive and media notification ---------------------------------------------------------

class OpenDrive : public DriveFixture {};

TEST_F(OpenDrive, LetterZeroClosesTheCurrentDrive) {
    provider->add('D');
    ASSERT_TRUE(open_drive('D'));
    EXPECT_EQ(provider->open_handles(), 1);
    EXPECT_FALSE(open_drive(0));
    EXPECT_EQ(drive_device().letter, 0);
    EXPECT_EQ(drive_device().handle, nullptr);
    EXPECT_EQ(provider->open_handles(), 0);
}

TEST_F(OpenDrive, SwitchingDrivesClosesTheOldHandle) {
    provider->add('D');
    provider->add('E');
    ASSERT_TRUE(open_drive('D'));
    ASSERT_TRUE(open_drive('E'));
    EXPECT_EQ(provider->open_handles(), 1);
    EXPECT_EQ(drive_device().letter, 'E');
}

TEST_F(OpenDrive, FailedOpenKeepsLetterAndTellsWhy) {
    provider->refuse_open('D', OpenError::PermissionDenied, 13, "no access to /dev/sg0");
    EXPECT_FALSE(open_drive('D'));
    EXPECT_EQ(drive_device().letter, 'D');
    EXPECT_EQ(drive_device().handle, nullptr);
    EXPECT_EQ(drive_device().open_error, OpenError::PermissionDenied);
    EXPECT_EQ(drive_device().open_message, "no access to /dev/sg0");
    EXPECT_FALSE(send_command(kReadCapacityLike, DataDirection::NoData));
    EXPECT_EQ(drive_device().last_status, DeviceUnavailable);
}

TEST_F(OpenDrive, NotificationIsHeldUntilRestored) {
    open_scripted('D');
    EXPECT_TRUE(suppress_media_notification());
    EXPECT_EQ(provider->notification_holds(), 1);
    restore_media_notification();
    EXPECT_EQ(provider->notification_holds(), 0);
    EXPECT_EQ(drive_device().notify_handle, nullptr);
}

TEST_F(OpenDrive, FailedSuppressionHoldsNothing) {
    open_scripted('D');
    provider->fail_notification(true);
    EXPECT_FALSE(suppress_media_notification());
    EXPECT_EQ(drive_device().notify_handle, nullptr);
    restore_media_notification();
    EXPECT_EQ(provider->notification_holds(), 0);
}

TEST_F(OpenDrive, ResetReturnsEverythingToTheFirstState) {
    open_scripted('D');
    suppress_media_notification();
    drive_device().last_status = CommandError;
    command_buffers().data_in[7] = 1;
    reset_drive_access();
    EXPECT_EQ(drive_device().letter, 0);
    EXPECT_EQ(drive_device().last_status, NoSense);
    EXPECT_EQ(provider->open_handles(), 0);
    EXPECT_EQ(provider->notification_holds(), 0);
    EXPECT_EQ(command_buffers().data_in[7], 0);
    EXPECT_EQ(command_buffers().data_out.size(), 4096U);
}

}  // namespace
}  // namespace qdu
