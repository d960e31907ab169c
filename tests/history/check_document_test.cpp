#include "history/check_document.h"

#include <gtest/gtest.h>

#include "strings/strings.h"

namespace qdu {
namespace {

S_RAW_DATA finding(int track, std::uint32_t frames, CheckLevel level) {
    S_RAW_DATA f;
    f.track = static_cast<std::uint8_t>(track);
    f.position = frames;
    f.radius = 40.0;
    f.check_level = level;
    f.read_ok = true;
    return f;
}

RecordedCheck check_of(std::optional<int> level, std::vector<S_RAW_DATA> findings) {
    RecordedCheck c;
    c.mode = "full";
    c.end = level ? "finished" : "canceled";
    c.disc_level = level;
    if (level) {
        c.track_levels = {{1, LevelA}, {2, *level}, {3, LevelA}};
    }
    c.findings = std::move(findings);
    return c;
}

// 10:00:00 is 45000 frames; findings within the same second are the same place.
TEST(CheckComparison, FindingsByDiscTimeAndAVerdict) {
    const RecordedCheck before = check_of(
        LevelB, {finding(2, 45000, LevelB), finding(2, 45010, LevelB), finding(3, 90000, LevelB)});
    const RecordedCheck after =
        check_of(LevelC, {finding(2, 45074, LevelB), finding(2, 60000, LevelC)});
    const CheckComparison c = compare_checks(before, after);
    ASSERT_EQ(c.appeared.size(), 1U);
    EXPECT_EQ(c.appeared[0].track, 2);
    EXPECT_EQ(c.appeared[0].first, 60000U);
    EXPECT_EQ(c.appeared[0].level, LevelC);
    ASSERT_EQ(c.went.size(), 1U);
    EXPECT_EQ(c.went[0].track, 3);
    EXPECT_EQ(c.verdict, Verdict::Worse);
    ASSERT_EQ(c.tracks.size(), 3U);
    EXPECT_EQ(c.tracks[1].before, LevelB);
    EXPECT_EQ(c.tracks[1].after, LevelC);

    // Same level: fewer findings at the worst level is better, in the same mode only.
    const RecordedCheck fewer = check_of(LevelB, {finding(2, 45000, LevelB)});
    EXPECT_EQ(compare_checks(before, fewer).verdict, Verdict::Better);
    RecordedCheck quick = fewer;
    quick.mode = "quick";
    EXPECT_EQ(compare_checks(before, quick).verdict, Verdict::Unchanged);
    EXPECT_EQ(compare_checks(before, check_of(std::nullopt, {})).verdict, Verdict::NotComparable);
    EXPECT_EQ(compare_checks(after, before).verdict, Verdict::Better);
}

// The exports carry the check and nothing a hostile drive name could turn into markup.
TEST(CheckExport, HtmlAndCsvCarryTheCheck) {
    set_ui_language(Language::English);
    RecordedCheck c = check_of(
        LevelC, {finding(2, 45000, LevelC), finding(2, 45001, LevelC), finding(2, 46000, LevelB)});
    c.drive = {'D', "<script>alert(1)</script>", "BD-RW KVT-R42", "1.00", "", true};
    c.when = "2026-12-09T10:00:00Z";
    const std::string html = check_html(c);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(html.find("Result : <span style=\"color:rgb(255,165,0)\">Level C"),
              std::string::npos);
    // Two findings at one place are one dot; the B finding is another.
    const std::string svg = picture_svg(result_of(c));
    std::size_t dots = 0;
    for (std::size_t at = svg.find("<ellipse"); at != std::string::npos;
         at = svg.find("<ellipse", at + 1)) {
        ++dots;
    }
    EXPECT_EQ(dots, 2U);
    EXPECT_NE(html.find(svg), std::string::npos);

    const std::string csv = check_csv(c);
    EXPECT_EQ(csv.rfind("kind,track,address,time,", 0), 0U);
    EXPECT_NE(csv.find("\r\ntrack,2,,,,,,,,,C\r\n"), std::string::npos);
    EXPECT_NE(csv.find("\r\nfinding,2,45000,10:00:00,40.000,0,0,0,0,yes,C\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qdu
