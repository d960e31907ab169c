#include "drive/discovery.h"

#include <gtest/gtest.h>

#include "simdrive/scenario.h"
#include "support/drive_fixture.h"

namespace qdu {
namespace {

using testing::bytes_with_text;
using testing::DriveFixture;

std::vector<std::uint8_t> identification(const std::string& code_area) {
    return bytes_with_text(48, 16, code_area);
}

std::vector<std::uint8_t> inquiry_text(const std::string& text) {
    return bytes_with_text(96, 8, text);
}

class Discovery : public DriveFixture {
protected:
    // A drive that answers the identification buffer and INQUIRY, in the order the probes ask.
    std::shared_ptr<ScriptedDevice> drive_at(char letter, const std::string& code,
                                             const std::string& inquiry) {
        auto device = provider->add(letter);
        device->push(ScriptedReply::good(identification(code)));
        device->push(ScriptedReply::good(inquiry_text(inquiry)));
        return device;
    }
};

TEST(DiscoveryCommands, BlocksAreByteExact) {
    EXPECT_EQ(read_identification_buffer_command(),
              (CommandBlock{0x3C, 0x02, 0xF1, 0, 0, 0, 0x00, 0x00, 0x30, 0, 0, 0}));
    EXPECT_EQ(inquiry_command(), (CommandBlock{0x12, 0, 0, 0x00, 0xFE, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(allow_medium_removal_command(),
              (CommandBlock{0x1E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(SupportedCodes, AreExactCaseSensitiveSubstrings) {
    EXPECT_TRUE(is_supported_code("MXR 2750LC31"));
    EXPECT_FALSE(has_cd_check_code("MXR 2750LC31"));
    EXPECT_TRUE(is_supported_code("xxMXR 2750LC58yy"));
    EXPECT_TRUE(has_cd_check_code("xxMXR 2750LC58yy"));
    EXPECT_FALSE(is_supported_code("mxr 2750lc31"));
    EXPECT_FALSE(is_supported_code("MXR 2750LC3"));
    EXPECT_FALSE(is_supported_code(""));
    EXPECT_TRUE(has_cd_check_code("MXR 2750LC31MXR 2750LC58"));
}

TEST_F(Discovery, ProbeReadsOnlyBytes16To31AndClosesTheDrive) {
    auto device = provider->add('E');
    device->push(ScriptedReply::good(identification("ABCDEFGHIJKLMNOPQRSTUV")));
    EXPECT_EQ(probe_identification_code('E'), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(provider->open_handles(), 0);
    EXPECT_EQ(drive_device().letter, 'E');
    ASSERT_EQ(device->received().size(), 1U);
    EXPECT_EQ(device->received()[0].cdb, read_identification_buffer_command());
    EXPECT_EQ(device->received()[0].direction, DataDirection::DataIn);
    EXPECT_EQ(device->received()[0].length, 48U);
}

TEST_F(Discovery, ProbeOfMissingOrRefusingDriveIsEmpty) {
    EXPECT_EQ(probe_identification_code('F'), "");
    auto device = provider->add('G');
    device->push(ScriptedReply::check(0x5, 0x20, 0x00));
    const ProbeRecord record = probe_identification('G');
    EXPECT_EQ(record.code, "");
    EXPECT_TRUE(record.opened);
    EXPECT_FALSE(record.answered);
    EXPECT_EQ(record.status, CommandError);
    EXPECT_EQ(probe_identification_code(0), "");
}

TEST_F(Discovery, DriveBytesAboveAsciiBecomeValidUtf8) {
    auto device = provider->add('E');
    device->push(ScriptedReply::good(inquiry_text("Caf\xE9 \xFF")));
    EXPECT_EQ(probe_drive_label('E'), "E : Caf\xC3\xA9 \xC3\xBF");
}

TEST_F(Discovery, TwoSupportedDrivesAreListedInLetterOrder) {
    drive_at('G', "MXR 2750LC31", "QUORVEL BD-RW KVT-R42   1.00");
    auto e = drive_at('E', "xMXR 2750LC58x", "QUORVEL BD-RW KVT-R42   1.01");
    DriveList list;
    enumerate_drives(list);

    ASSERT_EQ(list.entries.size(), 2U);
    EXPECT_EQ(list.entries[0].letter, 'E');
    EXPECT_TRUE(list.entries[0].cd_check_enabled);
    EXPECT_EQ(list.entries[0].label, "E : QUORVEL BD-RW KVT-R42   1.01");
    EXPECT_EQ(list.entries[1].letter, 'G');
    EXPECT_FALSE(list.entries[1].cd_check_enabled);
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(drive_device().letter, 'E');
    EXPECT_EQ(provider->open_handles(), 1);

    // E: identification, INQUIRY, then the removal allowed by select_drive.
    const auto received = e->received();
    ASSERT_EQ(received.size(), 3U);
    EXPECT_EQ(received[0].cdb, read_identification_buffer_command());
    EXPECT_EQ(received[1].cdb, inquiry_command());
    EXPECT_EQ(received[2].cdb, allow_medium_removal_command());
    EXPECT_EQ(received[2].direction, DataDirection::NoData);
}

TEST_F(Discovery, SupportedDriveWithFailingInquiryHasTheLetterPrefixAlone) {
    auto device = provider->add('D');
    device->push(ScriptedReply::good(identification("MXR 2750LC31")));
    device->push(ScriptedReply::check(0x4, 0x44, 0x00));
    DriveList list;
    enumerate_drives(list);
    ASSERT_EQ(list.entries.size(), 1U);
    EXPECT_EQ(list.entries[0].label, "D : ");
}

TEST_F(Discovery, ProductNameAloneDoesNotMakeADriveSupported) {
    drive_at('D', "MXR 2750LC00", "QUORVEL BD-RW KVT-R42   1.00");
    drive_at('E', "mxr 2750lc58", "QUORVEL BD-RW KVT-R42   1.00");
    DriveList list;
    enumerate_drives(list);
    EXPECT_TRUE(list.entries.empty());
    ASSERT_EQ(list.probes.size(), 2U);
    EXPECT_EQ(list.probes[0].code, "MXR 2750LC00");
    EXPECT_FALSE(list.probes[0].supported);
}

TEST_F(Discovery, WithoutSupportedDriveNoDriveIsCurrent) {
    provider->refuse_open('C', OpenError::PermissionDenied, 13, "permission denied on sg0");
    DriveList list;
    enumerate_drives(list);
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(list.selected, -1);
    EXPECT_EQ(drive_device().letter, 0);
    EXPECT_EQ(drive_device().handle, nullptr);
    EXPECT_EQ(drive_device().last_status, DeviceUnavailable);  // the removal reached no drive
    ASSERT_EQ(list.probes.size(), 1U);
    EXPECT_EQ(list.probes[0].letter, 'C');
    EXPECT_EQ(list.probes[0].open_error, OpenError::PermissionDenied);
    EXPECT_EQ(list.probes[0].open_message, "permission denied on sg0");
}

TEST_F(Discovery, EnumerationOpensEveryLetterFromCToZ) {
    DriveList list;
    enumerate_drives(list);
    EXPECT_EQ(provider->opens(), 24);
}

TEST_F(Discovery, ModelNameIsShortenedWhenItNamesTheModel) {
    auto device = open_scripted('D');
    device->push(ScriptedReply::good(inquiry_text("QUORVEL BD-RW KVT-R42   1.00extra")));
    EXPECT_EQ(current_model_name(), "KVT-R42");
    device->push(ScriptedReply::good(
        inquiry_text("OTHERVND DVD-ROM DD-1000 2.10 and some more text beyond")));
    EXPECT_EQ(current_model_name(), "OTHERVND DVD-ROM DD-1000 2.10 and some m");
}

TEST_F(Discovery, ModelNameWithoutDriveIsEmpty) {
    EXPECT_EQ(current_model_name(), "");
}

TEST_F(Discovery, DefaultSimulatedScenarioListsBothKvtDrives) {
    auto bus = std::make_shared<SimulatedBus>(load_scenario("default"));
    install_device_provider(bus);
    DriveList list;
    enumerate_drives(list);
    ASSERT_EQ(list.entries.size(), 2U);
    EXPECT_EQ(list.entries[0].letter, 'D');
    EXPECT_TRUE(list.entries[0].cd_check_enabled);
    EXPECT_EQ(list.entries[1].letter, 'H');
    EXPECT_FALSE(list.entries[1].cd_check_enabled);
    EXPECT_EQ(list.entries[0].label, "D : QUORVEL BD-RW KVT-R42   1.00");
    EXPECT_EQ(list.entries[0].device, "simulated");
    EXPECT_EQ(drive_device().letter, 'D');
    EXPECT_EQ(current_model_name(), "KVT-R42");

    // The other maker's drive was probed and refused the vendor buffer.
    ASSERT_EQ(list.probes.size(), 3U);
    EXPECT_EQ(list.probes[1].letter, 'F');
    EXPECT_FALSE(list.probes[1].answered);
    EXPECT_EQ(list.probes[1].status, CommandError);
}

}  // namespace
}  // namespace qdu
