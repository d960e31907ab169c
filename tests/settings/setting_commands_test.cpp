#include "settings/setting_commands.h"

#include <gtest/gtest.h>

#include "support/command_text.h"
#include "support/drive_fixture.h"

namespace qdu {
namespace {

using testing::command_texts;
using testing::DriveFixture;

using Texts = std::vector<std::string>;

class SettingCommands : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        device = open_scripted('D');
    }

    // Answers the next settings read with a block in which the given bytes are set.
    void answer_block(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
        std::vector<std::uint8_t> block(256, 0);
        for (const auto& [at, value] : bytes) {
            block[at] = value;
        }
        device->push(ScriptedReply::good(block));
    }

    Texts sent() const { return command_texts(device->received()); }

    std::shared_ptr<ScriptedDevice> device;
};

TEST(SettingCommandBlocks, AreByteExact) {
    EXPECT_EQ(read_settings_block_command(),
              (CommandBlock{0x3C, 0x01, 0xF4, 0, 0, 0, 0x00, 0x01, 0x00, 0, 0, 0}));
    EXPECT_EQ(write_settings_block_command(),
              (CommandBlock{0x3B, 0x01, 0xFA, 0, 0, 0, 0x00, 0x01, 0x00, 0, 0, 0}));
    EXPECT_EQ(set_cd_speed_command(0xC3),
              (CommandBlock{0xBB, 0, 0x00, 0x00, 0xFE, 0x00, 0, 0, 0, 0, 0xC3, 0}));
}

TEST_F(SettingCommands, ReadingModeCarriesSaveBitAndCode) {
    set_reading_mode(ReadingMode::PersistentQuiet, true);
    set_reading_mode(ReadingMode::Off, false);
    preset_reading_mode(ReadingMode::Off);
    preset_reading_mode(ReadingMode::Performance);
    preset_reading_mode(ReadingMode::Quiet);
    preset_reading_mode(ReadingMode::PersistentQuiet);
    EXPECT_EQ(sent(),
              (Texts{"SPEED C3", "SPEED 80", "SPEED 83", "SPEED 80", "SPEED 81", "SPEED 82"}));
    const auto received = device->received();
    EXPECT_EQ(received[0].direction, DataDirection::NoData);
    EXPECT_EQ(received[0].length, 0U);
}

TEST_F(SettingCommands, ClarivoxIsOneBlockWithoutLeadingZeros) {
    set_clarivox(ClarivoxMode::Master, true, false);
    set_clarivox(ClarivoxMode::Perfect, false, true);
    set_clarivox(ClarivoxMode::Off, false, true);
    EXPECT_EQ(sent(), (Texts{"FN 01 80 01 08 40 00 01", "FN 01 80 01 FE 01 01 00",
                             "FN 01 80 00 00 00 01 00"}));
}

TEST_F(SettingCommands, PairedSettersSendAZeroBlockFirst) {
    set_write_modes(4, 1, false);
    set_high_speed_read(true, true);
    set_peak_power_reducer(true, false);
    set_smooth_tray(false, true);
    set_led_off(true, true);
    set_bdr_high_speed(true, false);
    EXPECT_EQ(sent(),
              (Texts{"ZERO", "FN 09 00 04 01 00 00 00", "ZERO", "FN 08 00 01 01 00 00 00", "ZERO",
                     "FN 0A 00 01 00 00 00 00", "ZERO", "FN 0B 00 00 01 00 00 00", "ZERO",
                     "FN 0C 00 01 01 00 00 00", "ZERO", "FN 0D 00 01 00 00 00 00"}));
}

TEST_F(SettingCommands, FactoryRestoreIsTheFixedSixteenCommands) {
    EXPECT_TRUE(restore_factory_defaults());
    EXPECT_EQ(sent(),
              (Texts{"SPEED C2", "FN 01 80 00 00 00 01 00", "ZERO", "FN 0B 00 00 01 00 00 00",
                     "ZERO", "FN 0A 00 00 01 00 00 00", "ZERO", "FN 0C 00 00 01 00 00 00", "ZERO",
                     "FN 0D 00 00 01 00 00 00", "ZERO", "FN 09 00 00 00 01 00 00", "ZERO",
                     "FN 08 00 00 01 00 00 00", "ZERO", "FN 0B 00 00 01 00 00 00"}));
}

// Every command is still sent when one before it fails; the result says whether all succeeded.
TEST_F(SettingCommands, SettersSendEverythingAndSayWhetherTheDriveTookIt) {
    device->set_default_reply(ScriptedReply::check(0x5, 0x26, 0x00));
    EXPECT_FALSE(set_led_off(true, true));
    EXPECT_FALSE(set_reading_mode(ReadingMode::Quiet, false));
    EXPECT_FALSE(restore_factory_defaults());
    EXPECT_EQ(device->received().size(), 3U + 16U);  // a failed first write does not stop the pair

    // Only the zero block refused: the pair still failed, and both went out.
    device->set_default_reply(ScriptedReply::good());
    device->push(ScriptedReply::check(0x5, 0x26, 0x00));
    EXPECT_FALSE(set_smooth_tray(true, false));
    EXPECT_TRUE(set_smooth_tray(true, false));
    // The last of the sixteen refused.
    for (int i = 0; i < 15; ++i) {
        device->push(ScriptedReply::good());
    }
    device->push(ScriptedReply::check(0x5, 0x24, 0x00));
    EXPECT_FALSE(restore_factory_defaults());
    EXPECT_TRUE(restore_factory_defaults());
}

TEST_F(SettingCommands, ReadingModeFallsBackToTheCopyThenQuiet) {
    answer_block({{2, 7}, {3, 1}});
    EXPECT_EQ(get_reading_mode(), ReadingMode::Performance);
    answer_block({{2, 7}, {3, 1}});
    EXPECT_EQ(get_reading_feature(), ReadingFeature::AdvancedQuiet);
    answer_block({{2, 4}, {3, 9}});
    EXPECT_EQ(get_reading_mode(), ReadingMode::Quiet);
    answer_block({{2, 3}, {3, 0}});
    EXPECT_EQ(get_reading_mode(), ReadingMode::PersistentQuiet);
}

TEST_F(SettingCommands, HighSpeedReadWinsOverTheModeByte) {
    answer_block({{41, 1}, {2, 2}});
    EXPECT_EQ(get_reading_feature(), ReadingFeature::HighSpeedRead);
    answer_block({{41, 1}, {2, 2}});
    EXPECT_EQ(get_reading_mode(), ReadingMode::Quiet);
    answer_block({{41, 2}, {2, 0}});
    EXPECT_EQ(get_reading_feature(), ReadingFeature::Off);
}

TEST_F(SettingCommands, FlagsAreExactlyOneOrNonZeroAsEachByteIsRead) {
    answer_block({{17, 2}});
    EXPECT_FALSE(get_peak_power_reducer());
    answer_block({{28, 2}});
    EXPECT_TRUE(get_real_time_clarivox());
    answer_block({{29, 0x80}});
    EXPECT_TRUE(get_real_time_clarivox_supported());
    answer_block({{20, 1}});
    EXPECT_TRUE(get_smooth_tray());
    answer_block({{24, 1}});
    EXPECT_TRUE(get_led_off());
    answer_block({{26, 3}});
    EXPECT_FALSE(get_bdr_high_speed());
    answer_block({{11, 7}});
    EXPECT_EQ(get_bd_write_mode(), 7);
    answer_block({{13, 4}});
    EXPECT_EQ(get_dvd_write_mode(), 4);
}

TEST_F(SettingCommands, ClarivoxModeNeedsByte4) {
    answer_block({{4, 5}, {5, 0xFE}});
    EXPECT_EQ(get_clarivox_mode(), ClarivoxMode::Perfect);
    answer_block({{4, 0}, {5, 0xFE}});
    EXPECT_EQ(get_clarivox_mode(), ClarivoxMode::Off);
    answer_block({{4, 1}, {5, 0x08}});
    EXPECT_EQ(get_clarivox_mode(), ClarivoxMode::Master);
}

TEST_F(SettingCommands, EveryGetterReadsAFreshBlock) {
    get_led_off();
    get_led_off();
    EXPECT_EQ(sent(), (Texts{"READ F4", "READ F4"}));
}

TEST_F(SettingCommands, SilentDriveReadsAsEverythingOff) {
    device->set_default_reply(ScriptedReply::check(0x2, 0x3A, 0x00));
    EXPECT_EQ(get_reading_feature(), ReadingFeature::Off);
    reset_drive_access();  // and with no drive at all
    EXPECT_EQ(get_reading_mode(), ReadingMode::Off);
    EXPECT_EQ(get_reading_feature(), ReadingFeature::Off);
    EXPECT_EQ(get_clarivox_mode(), ClarivoxMode::Off);
    EXPECT_EQ(get_bd_write_mode(), 0);
    EXPECT_FALSE(get_led_off());
    EXPECT_FALSE(get_real_time_clarivox_supported());
    EXPECT_FALSE(set_led_off(true, true));
}

}  // namespace
}  // namespace qdu
