// A check as people read it after the fact: the page's report and picture rebuilt from what
// the history kept, the findings as disc times, the exports, and two checks of a disc compared.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cdcheck/check_result.h"
#include "history/recorded_check.h"
#include "strings/strings.h"

namespace qdu {

// Consecutive findings of one track, level and readability, as a range of disc time.
struct FindingRange {
    int track = 0;
    CheckLevel level = LevelA;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    int samples = 0;
    bool read_ok = true;
};
std::vector<FindingRange> finding_ranges(const std::vector<S_RAW_DATA>& findings);
// A line for each range ("  Track 02  08:10:00 - 08:10:29  B  3 samples"), in the user's
// language.
std::vector<std::string> finding_lines(const std::vector<S_RAW_DATA>& findings);

// The findings in words, for those who cannot see the picture: "12 findings: 3 at Level C in
// track 2 from 12:04 to 12:30; …", in the language given.
std::string picture_description(const std::vector<S_RAW_DATA>& findings, Language language);

// Now, as the history writes times (UTC, ISO 8601, to the second).
std::string utc_timestamp();

// The result the page had when the check ended: its levels and every dot shown.
CInspectionResult result_of(const RecordedCheck& check);

// The check as the documented JSON (docs/check.schema.json); without tracks and findings
// when `details` is false.
nlohmann::json check_json(const RecordedCheck& check, bool details = true);
// A row for each track's level, then one for each finding.
std::string check_csv(const RecordedCheck& check);
// The disc picture with its dots, drawn from the same geometry as the page's.
std::string picture_svg(const CInspectionResult& result);
// A page on its own: the report in its colours, the picture, the findings, the disc.
std::string check_html(const RecordedCheck& check);

enum class Verdict { Better, Unchanged, Worse, NotComparable };
struct TrackChange {
    int track = 0;
    std::optional<int> before;
    std::optional<int> after;
};
struct CheckComparison {
    std::vector<TrackChange> tracks;
    std::vector<FindingRange> appeared;  // findings only the later check made
    std::vector<FindingRange> went;      // findings only the earlier check made
    Verdict verdict = Verdict::NotComparable;
};
// Findings count as the same when they share track, level and second of disc time. The
// verdict follows the disc level, then (same mode only) the number of findings at D, C, B.
CheckComparison compare_checks(const RecordedCheck& before, const RecordedCheck& after);
// "worse", "unchanged", "better" or why not, in the user's language.
std::string verdict_text(Verdict verdict);
// The level's label ("Level C"), or "-" when there is none.
std::string level_text(std::optional<int> level);

// The lines the user reads, in the user's language: which disc it was; how this check compares
// with the last one of its disc; and two checks side by side, line by line.
std::string disc_line(const DiscIdentity& disc);
std::string comparison_line(const RecordedCheck& before, const RecordedCheck& now);
std::vector<std::string> comparison_report(const RecordedCheck& before, const RecordedCheck& after);

}  // namespace qdu
