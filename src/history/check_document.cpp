#include "history/check_document.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include "cdcheck/grading.h"
#include "status/status_commands.h"
#include "strings/strings.h"

namespace qdu {

namespace {

std::string letter(int level) {
    return std::string(text(level_letter_id(level)));
}

nlohmann::json level_json(std::optional<int> level) {
    return level ? nlohmann::json(letter(*level)) : nlohmann::json(nullptr);
}

std::string html_escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\r': break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::string css(const Rgb& c) {
    char text[32];
    std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", c.r, c.g, c.b);
    return text;
}

std::array<int, 3> counts_by_level(const RecordedCheck& check) {
    std::array<int, 3> counts{};  // D, C, B
    for (const S_RAW_DATA& f : check.findings) {
        if (f.check_level >= LevelB && f.check_level <= LevelD) {
            ++counts[static_cast<std::size_t>(LevelD - f.check_level)];
        }
    }
    return counts;
}

}  // namespace

std::string utc_timestamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::vector<FindingRange> finding_ranges(const std::vector<S_RAW_DATA>& findings) {
    std::vector<FindingRange> ranges;
    for (const S_RAW_DATA& f : findings) {
        if (!ranges.empty() && ranges.back().track == f.track &&
            ranges.back().level == f.check_level && ranges.back().read_ok == f.read_ok) {
            ranges.back().last = f.position;
            ++ranges.back().samples;
            continue;
        }
        ranges.push_back({f.track, f.check_level, f.position, f.position, 1, f.read_ok});
    }
    return ranges;
}

std::vector<std::string> finding_lines(const std::vector<S_RAW_DATA>& findings) {
    const bool ja = ui_language() == Language::Japanese;
    std::vector<std::string> lines;
    for (const FindingRange& r : finding_ranges(findings)) {
        char line[200];
        if (ja) {
            std::snprintf(line, sizeof line, "  トラック %02d  %s - %s  %s  %d サンプル%s", r.track,
                          format_time_code(r.first).c_str(), format_time_code(r.last).c_str(),
                          letter(r.level).c_str(), r.samples,
                          r.read_ok ? "" : "  （読めないため、トラックの残りを読み飛ばしました）");
        } else {
            std::snprintf(line, sizeof line, "  Track %02d  %s - %s  %s  %d sample%s%s", r.track,
                          format_time_code(r.first).c_str(), format_time_code(r.last).c_str(),
                          letter(r.level).c_str(), r.samples, r.samples == 1 ? "" : "s",
                          r.read_ok ? "" : "  (unreadable: the rest of the track was given up)");
        }
        lines.emplace_back(line);
    }
    return lines;
}

namespace {

// Disc time as a listener says it: minutes and seconds.
std::string minutes_seconds(std::uint32_t frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u", frames / 75 / 60, frames / 75 % 60);
    return text;
}

}  // namespace

std::string picture_description(const std::vector<S_RAW_DATA>& findings, Language language) {
    constexpr std::size_t kMostPlaces = 10;  // a screen reader reads the rest as a count
    if (findings.empty()) {
        return std::string(text(kPictureNoFindings, language));
    }
    const std::vector<FindingRange> ranges = finding_ranges(findings);
    std::string description =
        format_text(text(findings.size() == 1 ? kPictureOneFinding : kPictureFindings, language),
                    {std::to_string(findings.size())});
    for (std::size_t i = 0; i < ranges.size() && i < kMostPlaces; ++i) {
        const FindingRange& r = ranges[i];
        const std::string from = minutes_seconds(r.first);
        const std::string to = minutes_seconds(r.last);
        description += i == 0 ? std::string(text(kPictureListStart, language))
                              : std::string(text(kPictureListNext, language));
        description += format_text(
            text(from == to ? kPicturePlaceAt : kPicturePlaceFromTo, language),
            {std::to_string(r.samples), letter(r.level), std::to_string(r.track), from, to});
    }
    if (ranges.size() > kMostPlaces) {
        description += format_text(text(kPictureMorePlaces, language),
                                   {std::to_string(ranges.size() - kMostPlaces)});
    }
    return description;
}

CInspectionResult result_of(const RecordedCheck& check) {
    CInspectionResult result;
    for (const S_RAW_DATA& f : check.findings) {
        add_point(result, f);
    }
    // The kept levels are the check's own; the dots only place the findings.
    result.disc_level = check.disc_level.value_or(result.disc_level);
    for (const auto& [track, level] : check.track_levels) {
        if (track >= 1 && track <= kMaxTracks) {
            result.track_level[static_cast<std::size_t>(track)] = level;
            result.last_track = std::max(result.last_track, track);
        }
    }
    result.reveal_distance = std::numeric_limits<double>::max();
    return result;
}

nlohmann::json check_json(const RecordedCheck& check, bool details) {
    nlohmann::json j = {
        {"when", check.when},
        {"program_version", check.program_version},
        {"drive",
         {{"letter", check.drive.letter ? std::string(1, check.drive.letter) : std::string()},
          {"vendor", check.drive.vendor},
          {"product", check.drive.product},
          {"revision", check.drive.revision},
          {"code", check.drive.code},
          {"simulated", check.drive.simulated}}},
        {"mode", check.mode},
        {"end", check.end},
        {"disc_level", level_json(check.disc_level)},
        {"disc", check.disc ? nlohmann::json{{"musicbrainz", check.disc->musicbrainz},
                                             {"freedb", check.disc->freedb},
                                             {"toc", check.disc->toc_text()}}
                            : nlohmann::json(nullptr)}};
    if (check.id != 0) {
        j["history_id"] = check.id;
    }
    if (!details) {
        return j;
    }
    nlohmann::json tracks = nlohmann::json::array();
    for (const auto& [track, level] : check.track_levels) {
        tracks.push_back({{"track", track}, {"level", letter(level)}});
    }
    nlohmann::json findings = nlohmann::json::array();
    for (const S_RAW_DATA& f : check.findings) {
        findings.push_back({{"track", f.track},
                            {"address", f.position},
                            {"time", format_time_code(f.position)},
                            {"radius_mm", f.radius},
                            {"minor_errors", f.minor_errors},
                            {"major_errors", f.major_errors},
                            {"aux_a", f.aux_a},
                            {"aux_b", f.aux_b},
                            {"read_ok", f.read_ok},
                            {"level", letter(f.check_level)}});
    }
    j["tracks"] = std::move(tracks);
    j["findings"] = std::move(findings);
    return j;
}

std::string check_csv(const RecordedCheck& check) {
    std::string out =
        "kind,track,address,time,radius_mm,minor_errors,major_errors,aux_a,aux_b,read_ok,"
        "level\r\n";
    for (const auto& [track, level] : check.track_levels) {
        out += "track," + std::to_string(track) + ",,,,,,,,," + letter(level) + "\r\n";
    }
    for (const S_RAW_DATA& f : check.findings) {
        char radius[32];
        std::snprintf(radius, sizeof radius, "%.3f", f.radius);
        out += "finding," + std::to_string(f.track) + "," + std::to_string(f.position) + "," +
               format_time_code(f.position) + "," + radius + "," + std::to_string(f.minor_errors) +
               "," + std::to_string(f.major_errors) + "," + std::to_string(f.aux_a) + "," +
               std::to_string(f.aux_b) + "," + (f.read_ok ? "yes" : "no") + "," +
               letter(f.check_level) + "\r\n";
    }
    return out;
}

std::string picture_svg(const CInspectionResult& result) {
    // The placement as a matrix, read off far out as the page's drawing does.
    constexpr double kFar = 100000.0;
    const PicturePoint origin = picture_point(0.0, 0.0);
    const PicturePoint along = picture_point(kFar, 0.0);
    const PicturePoint across = picture_point(kFar, 90.0);
    char matrix[160];
    std::snprintf(matrix, sizeof matrix, "matrix(%.6f %.6f %.6f %.6f %.1f %.1f)",
                  (along.x - origin.x) / kFar, (along.y - origin.y) / kFar,
                  (across.x - origin.x) / kFar, (across.y - origin.y) / kFar, origin.x + 3.0,
                  origin.y + 3.0);
    auto ring = [](double radius_mm, const char* style) {
        char text[160];
        std::snprintf(text, sizeof text, "<circle r=\"%.2f\" %s/>", picture_distance(radius_mm),
                      style);
        return std::string(text);
    };
    std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"311\" height=\"173\" "
        "viewBox=\"0 0 311 173\" role=\"img\">"
        "<defs><radialGradient id=\"silver\" cx=\"30%\" cy=\"25%\" r=\"90%\">"
        "<stop offset=\"0\" stop-color=\"#f6f8fb\"/><stop offset=\"0.55\" "
        "stop-color=\"#cdd2da\"/><stop offset=\"1\" stop-color=\"#9ea5b0\"/>"
        "</radialGradient><linearGradient id=\"band\" gradientUnits=\"userSpaceOnUse\" "
        "x1=\"-140\" y1=\"0\" x2=\"140\" y2=\"0\"><stop offset=\"0\" stop-color=\"#ff5a5a\"/>"
        "<stop offset=\"0.25\" stop-color=\"#ffdc50\"/><stop offset=\"0.5\" "
        "stop-color=\"#5adc78\"/><stop offset=\"0.75\" stop-color=\"#50aaff\"/>"
        "<stop offset=\"1\" stop-color=\"#be6eff\"/></linearGradient></defs><rect width=\"311\" "
        "height=\"173\" fill=\"#fff\"/>"
        "<g transform=\"" +
        std::string(matrix) + "\">" +
        ring(61.0,
             "fill=\"url(#silver)\" stroke=\"#787e88\" stroke-width=\"1.2\" "
             "vector-effect=\"non-scaling-stroke\"") +
        ring(42.0,
             "fill=\"none\" stroke=\"url(#band)\" stroke-opacity=\"0.18\" stroke-width=\"72.8\"") +
        ring(17.0, "fill=\"#e2e5ea\" stroke=\"#969ca6\" vector-effect=\"non-scaling-stroke\"") +
        ring(7.5, "fill=\"#fff\" stroke=\"#969ca6\" vector-effect=\"non-scaling-stroke\"") + "</g>";
    const std::array<const std::vector<CInspectionResult::CNgData>*, 3> lists = {
        &result.points_b, &result.points_c, &result.points_d};
    const std::array<int, 3> levels = {LevelB, LevelC, LevelD};
    for (std::size_t i = 0; i < lists.size(); ++i) {
        const auto& points = *lists[i];
        svg += "<g fill=\"" + css(level_colour(levels[i])) + "\">";
        for (std::size_t k = 0; k < points.size(); ++k) {
            const auto& p = points[k];
            // The page's rules: hidden beyond the reveal, drawn once per place.
            if (p.distance > result.reveal_distance ||
                (k > 0 && p.x == points[k - 1].x && p.y == points[k - 1].y)) {
                continue;
            }
            char dot[120];
            std::snprintf(dot, sizeof dot, "<ellipse cx=\"%g\" cy=\"%g\" rx=\"%g\" ry=\"%g\"/>",
                          p.x + p.width / 2.0, p.y + p.height / 2.0, p.width / 2.0, p.height / 2.0);
            svg += dot;
        }
        svg += "</g>";
    }
    return svg + "</svg>";
}

std::string check_html(const RecordedCheck& check) {
    const bool ja = ui_language() == Language::Japanese;
    const bool finished = check.disc_level.has_value();
    std::string report;
    if (finished) {
        for (const ReportRun& run : result_report(result_of(check))) {
            const std::string piece = html_escaped(run.text);
            report += run.colour
                          ? "<span style=\"color:" + css(*run.colour) + "\">" + piece + "</span>"
                          : piece;
        }
    } else {
        report = html_escaped(
            ja ? "チェックは最後まで終わらなかったため、ディスクとトラックのレベルはありません。"
               : "The check did not finish, so no level is given for the disc or its tracks.");
    }
    std::string findings;
    for (const FindingRange& r : finding_ranges(check.findings)) {
        findings += "<tr><td>" + std::to_string(r.track) + "</td><td>" + format_time_code(r.first) +
                    " – " + format_time_code(r.last) +
                    "</td><td style=\"color:" + css(level_colour(r.level)) + "\">" +
                    letter(r.level) + "</td><td>" + std::to_string(r.samples) + "</td><td>" +
                    (r.read_ok ? "" : (ja ? "読めません" : "unreadable")) + "</td></tr>";
    }
    const std::string title =
        (ja ? "CD チェック " : "CD check ") + html_escaped(check.when) +
        (check.disc ? " — " + html_escaped(check.disc->musicbrainz) : std::string());
    std::string html = "<!DOCTYPE html>\n<html lang=\"" + std::string(ja ? "ja" : "en") +
                       "\"><head><meta charset=\"utf-8\"><title>" + title +
                       "</title><style>body{font-family:sans-serif;margin:2em}"
                       "pre{font-size:1.1em}table{border-collapse:collapse}"
                       "td,th{border:1px solid #bbb;padding:2px 8px;text-align:left}"
                       "</style></head><body>\n<h1>" +
                       title + "</h1>\n" + picture_svg(result_of(check)) + "\n<pre>" + report +
                       "</pre>\n<table>";
    auto row = [&html](const std::string& name, const std::string& value) {
        html += "<tr><th>" + name + "</th><td>" + html_escaped(value) + "</td></tr>";
    };
    if (check.disc) {
        row(ja ? "ディスク ID" : "Disc ID", check.disc->musicbrainz);
        row("freedb", check.disc->freedb);
        row(ja ? "目次" : "Table of contents", check.disc->toc_text());
    }
    row(ja ? "ドライブ" : "Drive",
        std::string(1, check.drive.letter ? check.drive.letter : '?') + ": " + check.drive.vendor +
            " " + check.drive.product + " " + check.drive.revision +
            (check.drive.simulated ? (ja ? "（シミュレーション）" : " (simulated)") : ""));
    row(ja ? "モード" : "Mode", check.mode);
    row(ja ? "終了" : "End", check.end);
    row(ja ? "プログラム" : "Program", check.program_version);
    html += "</table>\n";
    if (!findings.empty()) {
        html += std::string("<h2>") + (ja ? "検出箇所" : "Findings") + "</h2>\n<table><tr><th>" +
                (ja ? "トラック" : "Track") + "</th><th>" + (ja ? "ディスク時間" : "Disc time") +
                "</th><th>" + (ja ? "レベル" : "Level") + "</th><th>" +
                (ja ? "サンプル" : "Samples") + "</th><th></th></tr>" + findings + "</table>\n";
    }
    return html + "</body></html>\n";
}

CheckComparison compare_checks(const RecordedCheck& before, const RecordedCheck& after) {
    CheckComparison c;
    std::map<int, TrackChange> tracks;
    for (const auto& [track, level] : before.track_levels) {
        tracks[track].before = level;
    }
    for (const auto& [track, level] : after.track_levels) {
        tracks[track].after = level;
    }
    for (auto& [track, change] : tracks) {
        change.track = track;
        c.tracks.push_back(change);
    }
    using Key = std::tuple<int, int, std::uint32_t>;
    auto key = [](const S_RAW_DATA& f) {
        return Key{f.track, static_cast<int>(f.check_level), f.position / 75};
    };
    std::set<Key> keys_before;
    std::set<Key> keys_after;
    for (const S_RAW_DATA& f : before.findings) {
        keys_before.insert(key(f));
    }
    for (const S_RAW_DATA& f : after.findings) {
        keys_after.insert(key(f));
    }
    std::vector<S_RAW_DATA> appeared;
    std::vector<S_RAW_DATA> went;
    for (const S_RAW_DATA& f : after.findings) {
        if (!keys_before.contains(key(f))) {
            appeared.push_back(f);
        }
    }
    for (const S_RAW_DATA& f : before.findings) {
        if (!keys_after.contains(key(f))) {
            went.push_back(f);
        }
    }
    c.appeared = finding_ranges(appeared);
    c.went = finding_ranges(went);

    if (!before.disc_level || !after.disc_level) {
        c.verdict = Verdict::NotComparable;
        return c;
    }
    // A level's letter is its rank; A is stored below B.
    auto rank = [](int level) { return level >= LevelB && level <= LevelD ? level : 0; };
    auto measure = [&](const RecordedCheck& check, int level) {
        const auto counts = counts_by_level(check);
        return before.mode == after.mode ? std::tuple{rank(level), counts[0], counts[1], counts[2]}
                                         : std::tuple{rank(level), 0, 0, 0};
    };
    const auto then = measure(before, *before.disc_level);
    const auto now = measure(after, *after.disc_level);
    c.verdict = now > then ? Verdict::Worse : now < then ? Verdict::Better : Verdict::Unchanged;
    return c;
}

std::string verdict_text(Verdict verdict) {
    const bool ja = ui_language() == Language::Japanese;
    switch (verdict) {
        case Verdict::Worse: return ja ? "悪化" : "worse";
        case Verdict::Better: return ja ? "改善" : "better";
        case Verdict::Unchanged: return ja ? "変化なし" : "unchanged";
        case Verdict::NotComparable: break;
    }
    return ja ? "比較できません（どちらかのチェックが最後まで終わっていません）"
              : "no comparison (one of the checks did not finish)";
}

std::string level_text(std::optional<int> level) {
    return level ? std::string(text(level_label_id(*level))) : std::string("-");
}

std::string disc_line(const DiscIdentity& disc) {
    return (ui_language() == Language::Japanese ? "ディスク ID: " : "Disc ID: ") +
           disc.musicbrainz + "  (freedb " + disc.freedb + ")";
}

std::string comparison_line(const RecordedCheck& before, const RecordedCheck& now) {
    const std::string verdict = verdict_text(compare_checks(before, now).verdict);
    const std::string then = level_text(before.disc_level);
    const std::string current = level_text(now.disc_level);
    if (ui_language() == Language::Japanese) {
        return "前回のチェック（" + before.when + "、履歴 " + std::to_string(before.id) +
               "）: " + then + " → 今回 " + current + ": " + verdict;
    }
    return "Last checked " + before.when + " (history " + std::to_string(before.id) + "): " + then +
           " then, " + current + " now: " + verdict;
}

std::vector<std::string> comparison_report(const RecordedCheck& before,
                                           const RecordedCheck& after) {
    const bool ja = ui_language() == Language::Japanese;
    const CheckComparison c = compare_checks(before, after);
    auto heading = [&](const char* en, const char* jp, const RecordedCheck& check) {
        return std::string(ja ? jp : en) + std::to_string(check.id) + ", " + check.when + ", " +
               check.mode + ", " + check.end + ", " + level_text(check.disc_level);
    };
    auto range = [ja](const FindingRange& r) {
        char line[120];
        std::snprintf(line, sizeof line, "  %s %02d  %s - %s  %s  (%d)", ja ? "トラック" : "Track",
                      r.track, format_time_code(r.first).c_str(), format_time_code(r.last).c_str(),
                      letter(r.level).c_str(), r.samples);
        return std::string(line);
    };
    std::vector<std::string> lines = {heading("Then: check ", "前回: チェック ", before),
                                      heading("Now:  check ", "今回: チェック ", after), "",
                                      ja ? "トラック:" : "Tracks:"};
    for (const TrackChange& t : c.tracks) {
        auto level = [](std::optional<int> l) { return l ? letter(*l) : std::string("-"); };
        char line[80];
        std::snprintf(line, sizeof line, "  %s %02d  %s -> %s%s", ja ? "トラック" : "Track",
                      t.track, level(t.before).c_str(), level(t.after).c_str(),
                      t.before == t.after ? "" : "  *");
        lines.push_back(line);
    }
    lines.emplace_back("");
    const std::string none = ja ? " なし" : " none";
    lines.push_back(std::string(ja ? "新しく現れた検出箇所:" : "Findings that appeared:") +
                    (c.appeared.empty() ? none : ""));
    for (const FindingRange& r : c.appeared) {
        lines.push_back(range(r));
    }
    lines.push_back(std::string(ja ? "消えた検出箇所:" : "Findings that went:") +
                    (c.went.empty() ? none : ""));
    for (const FindingRange& r : c.went) {
        lines.push_back(range(r));
    }
    lines.emplace_back("");
    lines.push_back(std::string(ja ? "判定: " : "Verdict: ") + verdict_text(c.verdict));
    return lines;
}

}  // namespace qdu
