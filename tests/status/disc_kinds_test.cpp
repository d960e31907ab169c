// Every kind of disc the drive knows, put into the simulated drive and read as the status
// page reads it.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>

#include "status/status_commands.h"
#include "support/gui_fixture.h"

namespace qdu {
namespace {

struct KindCase {
    std::string scenario;  // disc lines
    MediaCode code;
    std::string type;
    std::string status;
    std::string identifier;
};

class DiscKinds : public ::testing::TestWithParam<KindCase> {
protected:
    void TearDown() override { qdu::testing::uninstall_scenario(); }
};

TEST_P(DiscKinds, ShowTypeStatusAndIdentifier) {
    const KindCase& k = GetParam();
    qdu::testing::install_scenario("drive E\ncode MXR 2750LC31\n" + k.scenario);
    ASSERT_TRUE(open_drive('E'));
    send_command(CommandBlock{0x00}, DataDirection::NoData);
    const MediaCode code = read_media_code();
    EXPECT_EQ(code, k.code);
    EXPECT_EQ(disc_type_text(code), k.type);
    EXPECT_EQ(disc_status_text(code), k.status);
    EXPECT_EQ(disc_identifier_text(), k.identifier);
}

INSTANTIATE_TEST_SUITE_P(
    EveryMediaCode, DiscKinds,
    ::testing::Values(
        KindCase{"disc cd-rom\n", 0x00, "CD-ROM", "Read Only", "-----"},
        KindCase{"disc cd-rw\nrestricted-overwrite yes\n", 0x10, "CD-RW", "Writable Media",
                 "97:24:01 - 79:59:71"},
        KindCase{"disc cd-rw\n", 0x10, "CD-RW", "Finalized Disc", "97:24:01 - 79:59:71"},
        KindCase{"disc cd-r\natip 97:26:66 79:59:74\n", 0x20, "CD-R", "Finalized Disc",
                 "97:26:66 - 79:59:74"},
        KindCase{"disc cd-r\ndisc-status empty\n", 0x20, "CD-R", "Blank Disc",
                 "97:24:01 - 79:59:71"},
        KindCase{"disc cd-r\ndisc-status incomplete\n", 0x20, "CD-R", "Writable Media",
                 "97:24:01 - 79:59:71"},
        KindCase{"disc cd-r\ndisc-status other\n", 0x20, "CD-R", "Cannot Write",
                 "97:24:01 - 79:59:71"},
        KindCase{"disc dvd-rom\n", 0x40, "DVD-ROM Single", "Read Only", "-----"},
        KindCase{"disc dvd-rom-dual\n", 0x44, "DVD-ROM Dual", "Read Only", "-----"},
        KindCase{"disc dvd-rom-dual-opposite\n", 0x46, "DVD-ROM Dual", "Read Only", "-----"},
        KindCase{"disc dvd-rw\nrestricted-overwrite yes\n", 0x50, "DVD-RW", "Writable Media",
                 "LUMORADISC01"},
        KindCase{"disc dvd-rw\nmanufacturer-id ABCDEFGH\n", 0x50, "DVD-RW", "Finalized Disc",
                 "ABCDEFGH    "},
        KindCase{"disc dvd-rw\nwrite-protected yes\n", 0x50, "DVD-RW", "Cannot Write",
                 "LUMORADISC01"},
        KindCase{"disc dvd+rw\n", 0x51, "DVD+RW", "Writable Media", "KESTRELMW08"},
        KindCase{"disc dvd-r\n", 0x60, "DVD-R Single", "Finalized Disc", "LUMORADISC01"},
        KindCase{"disc dvd+r\nmanufacturer-id KES\n", 0x61, "DVD+R Single", "Finalized Disc",
                 "KES_____R16"},
        KindCase{"disc dvd-r-dual\n", 0x66, "DVD-R Dual", "Finalized Disc", "LUMORADISC01"},
        KindCase{"disc dvd+r-dual\n", 0x67, "DVD+R Dual", "Finalized Disc", "KESTRELMR16"},
        KindCase{"disc dvd-r-3.95gb\n", 0x68, "DVD-R 3.95GB Single", "Finalized Disc",
                 "LUMORADISC01"},
        KindCase{"disc dvd-ram\n", 0x70, "DVD-RAM", "Writable Media", "ORBELLE DVD-RAM 5X 4.7GB"},
        KindCase{"disc dvd-ram\nwrite-protected yes\n", 0x70, "DVD-RAM", "Cannot Write",
                 "ORBELLE DVD-RAM 5X 4.7GB"},
        KindCase{"disc bd-rom\n", 0x80, "BD-ROM Single", "Read Only", "-----"},
        KindCase{"disc bd-rom-dual\n", 0x86, "BD-ROM Dual", "Read Only", "-----"},
        KindCase{"disc bd-re\n", 0x90, "BD-RE Single", "Writable Media", "VANTIXBE2"},
        KindCase{"disc bd-re-dual\n", 0x96, "BD-RE Dual", "Writable Media", "VANTIXBE2"},
        KindCase{"disc bd-re-triple\n", 0x9A, "BD-RE Triple", "Writable Media", "VANTIXBE2"},
        KindCase{"disc bd-r\n", 0xA0, "BD-R Single", "Finalized Disc", "VANTIXBR6"},
        KindCase{"disc bd-r\nwrite-protected yes\n", 0xA0, "BD-R Single", "Cannot Write",
                 "VANTIXBR6"},
        KindCase{"disc bd-r-dual\ndisc-status empty\n", 0xA6, "BD-R Dual", "Blank Disc",
                 "VANTIXBR6"},
        KindCase{"disc bd-r-triple\nmanufacturer-id VAN\n", 0xAA, "BD-R Triple", "Finalized Disc",
                 "VAN___BR6"},
        KindCase{"disc bd-r-quadruple\n", 0xAE, "BD-R Quadruple", "Finalized Disc", "VANTIXBR6"},
        KindCase{"disc 0x0033\nmanufacturer-text PLAIN MEDIA\n", 0x33, "Unknown Disc",
                 "Finalized Disc", "PLAIN MEDIA"},
        // A code with a high byte keeps its low byte's type and status, and takes the text.
        KindCase{"disc 0x0190\nmanufacturer-text HIGH BYTE DISC\n", 0x0190, "BD-RE Single",
                 "Writable Media", "HIGH BYTE DISC"}),
    [](const ::testing::TestParamInfo<KindCase>& param_info) {
        std::string name = std::to_string(param_info.index) + "_";
        for (const char c : param_info.param.type) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

// Every code outside the identifier table's own rows takes its identifier from the text at
// byte 601, whatever family its low byte falls in.
TEST(SimulatedDiscs, EveryUnlistedCodeGivesItsManufacturerText) {
    const std::set<int> own_rows = {0x00, 0x40, 0x44, 0x46, 0x80, 0x86, 0x10, 0x20,
                                    0x50, 0x60, 0x66, 0x68, 0x51, 0x61, 0x67, 0x90,
                                    0x96, 0x9A, 0xA0, 0xA6, 0xAA, 0xAE};
    for (int low = 0x00; low <= 0xFF; ++low) {
        if (own_rows.count(low) != 0) {
            continue;
        }
        char lines[96];
        std::snprintf(lines, sizeof lines, "disc 0x%04X\nmanufacturer-text MAKER %02X\n", low, low);
        qdu::testing::install_scenario(std::string("drive E\ncode MXR 2750LC31\n") + lines);
        ASSERT_TRUE(open_drive('E'));
        send_command(CommandBlock{0x00}, DataDirection::NoData);
        char expected[16];
        std::snprintf(expected, sizeof expected, "MAKER %02X", low);
        EXPECT_EQ(disc_identifier_text(), expected) << "code " << low;
    }
    qdu::testing::uninstall_scenario();
}

TEST(SimulatedDiscs, EmptyDriveAndSpinUp) {
    auto bus = qdu::testing::install_scenario(
        "drive E\ncode MXR 2750LC31\ntray open\n"
        "drive G\ncode MXR 2750LC31\ndisc cd-r\nspin-up 3\n"
        "drive H\ncode MXR 2750LC31\ndisc bd-r\nspin-up never\n");
    double now = 1000.0;
    for (const char letter : bus->letters()) {
        bus->drive(letter)->set_clock([&now] { return now; });
    }
    int sleeps = 0;
    set_sleeper([&](std::chrono::milliseconds ms) {
        ++sleeps;
        now += static_cast<double>(ms.count()) / 1000.0;
    });

    ASSERT_TRUE(open_drive('E'));
    send_command(CommandBlock{0x00}, DataDirection::NoData);
    EXPECT_EQ(read_media_code(), kNoDisc);
    EXPECT_EQ(drive_device().last_status, MediumNotPresent);
    EXPECT_EQ(sleeps, 0);

    // A new disc: not ready for three seconds, then one medium change, then its code.
    ASSERT_TRUE(open_drive('G'));
    send_command(CommandBlock{0x00}, DataDirection::NoData);
    EXPECT_EQ(read_media_code(), 0x0020);
    EXPECT_EQ(sleeps, 3);
    EXPECT_EQ(drive_device().last_status, MediumMayHaveChanged);

    // A disc that never gets ready: no disc, within the bound.
    sleeps = 0;
    ASSERT_TRUE(open_drive('H'));
    send_command(CommandBlock{0x00}, DataDirection::NoData);
    EXPECT_EQ(read_media_code(), kNoDisc);
    EXPECT_EQ(sleeps, kDiscReadyAttempts - 1);
    set_sleeper(nullptr);
    qdu::testing::uninstall_scenario();
}

}  // namespace
}  // namespace qdu
