#include "simdrive/scenario.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace qdu {
namespace {

Scenario parse(const std::string& text) {
    std::istringstream in(text);
    return parse_scenario(in, "test.scn");
}

std::string error_of(const std::string& text) {
    try {
        parse(text);
    } catch (const ScenarioError& e) {
        return e.what();
    }
    return "no error";
}

TEST(ScenarioFile, ReadsDrivesInLetterOrder) {
    const Scenario s = parse(
        "# two drives\n"
        "drive g\n"
        "  code MXR 2750LC31   \n"
        "\n"
        "drive E\n"
        "vendor ACME\n"
        "product \"DVD \\\"X\\\" \\x1B[2J\"\n"
        "revision 9.99\n"
        "vendor-buffers no\n");
    ASSERT_EQ(s.drives.size(), 2U);
    EXPECT_EQ(s.drives[0].letter, 'E');
    EXPECT_EQ(s.drives[0].profile.vendor, "ACME");
    EXPECT_EQ(s.drives[0].profile.product, "DVD \"X\" \x1B[2J");
    EXPECT_FALSE(s.drives[0].profile.vendor_buffers);
    EXPECT_EQ(s.drives[1].letter, 'G');
    EXPECT_EQ(s.drives[1].profile.identification_code, "MXR 2750LC31");
    EXPECT_EQ(s.drives[1].profile.vendor, "QUORVEL");
}

TEST(ScenarioFile, ErrorsNameTheLine) {
    EXPECT_EQ(error_of("drive D\ncolour red\n")
                  .rfind("test.scn:2: unknown key 'colour' (known: drive, vendor, product,", 0),
              0U);
    EXPECT_EQ(error_of("drive D\nled-off maybe\n"),
              "test.scn:2: led-off takes off|on, not 'maybe'");
    EXPECT_EQ(error_of("drive D\nbd-write-mode fastest\n"),
              "test.scn:2: bd-write-mode takes off|surface-quality|write-quality|"
              "over-speed-protection|surface-quality-high-speed, not 'fastest'");
    EXPECT_NE(error_of("drive D\nbd-write-mode 256\n").find("bd-write-mode"), std::string::npos);
    EXPECT_EQ(error_of("\ncode MXR 2750LC58\n"),
              "test.scn:2: 'code' must follow a 'drive LETTER' line");
    EXPECT_EQ(error_of("drive B\n"), "test.scn:1: drive takes one letter from C to Z, not 'B'");
    EXPECT_EQ(error_of("drive D\ndrive d\n"), "test.scn:2: drive D is given twice");
    EXPECT_EQ(error_of("drive D\nvendor ABCDEFGHI\n"),
              "test.scn:2: vendor is 9 bytes long; at most 8 fit");
    EXPECT_EQ(error_of("drive D\nproduct \"abc\n"),
              "test.scn:2: the quoted text has no closing quote");
    EXPECT_EQ(error_of("drive D\nproduct \"a\\q\"\n"),
              "test.scn:2: unknown escape \\q (use \\\", \\\\ or \\xNN)");
    EXPECT_EQ(error_of("drive D\nvendor-buffers maybe\n"),
              "test.scn:2: vendor-buffers takes yes or no, not 'maybe'");
}

TEST(ScenarioFile, StartingSettings) {
    const Scenario s = parse(
        "drive D\nreading-mode persistent-quiet\nclarivox master\nreal-time-clarivox on\n"
        "bd-write-mode surface-quality-high-speed\ndvd-write-mode write-quality\n"
        "zeve-duzir-iraveri on\nled-off on\nsmooth-tray on\nbdr-high-speed on\n"
        "high-speed-read on\nreal-time-clarivox-supported no\nspeed-limit-warning yes\n");
    const DriveProfile& p = s.drives.at(0).profile;
    EXPECT_EQ(p.settings.reading_mode, 3);
    EXPECT_TRUE(p.settings.clarivox_on);
    EXPECT_EQ(p.settings.clarivox_high, 0x08);
    EXPECT_EQ(p.settings.clarivox_low, 0x40);
    EXPECT_TRUE(p.settings.real_time_clarivox);
    EXPECT_EQ(p.settings.bd_write_mode, 4);
    EXPECT_EQ(p.settings.dvd_write_mode, 2);
    EXPECT_TRUE(p.settings.peak_power_reducer && p.settings.led_off && p.settings.smooth_tray &&
                p.settings.bdr_high_speed && p.settings.high_speed_read);
    EXPECT_FALSE(p.real_time_clarivox_supported);
    EXPECT_TRUE(p.speed_limit_warning);
}

TEST(ScenarioFile, BuiltInsLoadAndUnknownNamesAreExplained) {
    for (const std::string& name : builtin_scenario_names()) {
        EXPECT_NO_THROW(load_scenario(name)) << name;
    }
    EXPECT_EQ(load_scenario("default").drives.size(), 3U);
    EXPECT_TRUE(load_scenario("none").drives.empty());
    try {
        load_scenario("/nonexistent/file.scn");
        ADD_FAILURE() << "no error";
    } catch (const ScenarioError& e) {
        EXPECT_NE(std::string(e.what()).find("neither a built-in scenario (default"),
                  std::string::npos);
    }
}

TEST(ScenarioFile, ShippedExampleLoads) {
    const char* root = std::getenv("QDU_SOURCE_DIR");
    ASSERT_NE(root, nullptr);
    const Scenario s = load_scenario(std::string(root) + "/resources/scenarios/example.scn");
    EXPECT_FALSE(s.drives.empty());
}

TEST(SimulatedBusProvider, OpensOnlyTheScenariosLetters) {
    SimulatedBus bus(load_scenario("default"));
    EXPECT_NE(bus.open('D').device, nullptr);
    EXPECT_EQ(bus.open('E').error, OpenError::NotPresent);
    EXPECT_EQ(bus.describe('D').path, "simulated");
    EXPECT_FALSE(bus.describe('E').exists);
    auto hold = bus.suppress_media_notification('D');
    ASSERT_NE(hold, nullptr);
    EXPECT_TRUE(bus.drive('D')->media_notification_suppressed());
    hold.reset();
    EXPECT_FALSE(bus.drive('D')->media_notification_suppressed());
    EXPECT_EQ(bus.suppress_media_notification('E'), nullptr);
}

}  // namespace
}  // namespace qdu
