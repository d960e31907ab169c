#include "cdcheck/grading.h"

#include <algorithm>
#include <cmath>

#include "strings/strings.h"

namespace qdu {

namespace {

constexpr double kDegree = 0.017453277777777776;  // 3.14159 / 180
constexpr double kTilt = 0.6632245555555555;      // 38 degrees
constexpr int kOriginX = 152;
constexpr int kOriginY = 80;

int normalised(int level) {
    return (level >= 1 && level <= 3) ? level : LevelA;
}

}  // namespace

CheckLevel grade_sample(const S_RAW_DATA& s) {
    if (!s.read_ok) {
        return LevelD;
    }
    if (s.aux_valid && s.aux_a > 1140 && s.aux_b >= 45) {
        return LevelD;
    }
    if (s.major_errors > 15) {
        return LevelD;
    }
    if (s.major_errors >= 1) {
        return LevelC;
    }
    if (s.minor_errors > 25) {
        return LevelB;
    }
    return LevelA;
}

double picture_distance(double radius) {
    return (radius - 25.0) * 80.0 / 33.0 + 60.0;
}

PicturePoint picture_point(double d, double angle_degrees) {
    // Far beyond the picture either way; keeps the conversions to int defined for any radius.
    d = std::isfinite(d) ? std::clamp(d, -1.0e6, 1.0e6) : 0.0;
    const double a = angle_degrees * kDegree;
    const double v = d * 8.5 / 20.0;
    PicturePoint p;
    p.x = static_cast<int>(std::trunc(std::cos(a) * d)) + kOriginX;
    p.y = static_cast<int>(std::trunc(std::sin(a) * v)) -
          static_cast<int>(std::trunc(v * std::cos(a) * std::tan(kTilt))) + kOriginY;
    return p;
}

void add_point(const S_RAW_DATA& sample) {
    add_point(check_result(), sample);
}

void add_point(CInspectionResult& r, const S_RAW_DATA& sample) {
    const double d = picture_distance(sample.radius);
    const PicturePoint p = picture_point(d, 0.0);
    const CInspectionResult::CNgData point{p.x, p.y, 6, 6, d};
    switch (sample.check_level) {
        case LevelB: r.points_b.push_back(point); break;
        case LevelC: r.points_c.push_back(point); break;
        case LevelD: r.points_d.push_back(point); break;
        case LevelA: return;
    }
    if (r.disc_level < sample.check_level) {
        r.disc_level = sample.check_level;
    }
    if (sample.track < 100 && r.track_level[sample.track] < sample.check_level) {
        r.track_level[sample.track] = sample.check_level;
    }
}

Rgb level_colour(int level) {
    switch (normalised(level)) {
        case LevelB: return {0, 240, 0};
        case LevelC: return {255, 165, 0};
        case LevelD: return {255, 0, 0};
        default: return {0, 0, 0};
    }
}

int level_label_id(int level) {
    switch (normalised(level)) {
        case LevelB: return 231;
        case LevelC: return 241;
        case LevelD: return 242;
        default: return 230;
    }
}

int level_letter_id(int level) {
    switch (normalised(level)) {
        case LevelB: return 173;
        case LevelC: return 144;
        case LevelD: return 127;
        default: return 174;
    }
}

std::vector<ReportRun> result_report() {
    return result_report(check_result());
}

std::vector<ReportRun> result_report(const CInspectionResult& r) {
    std::vector<ReportRun> runs;
    runs.push_back({std::string(text(229)), std::nullopt});
    runs.push_back(
        {std::string(text(level_label_id(r.disc_level))) + "\r\n", level_colour(r.disc_level)});
    int condition = 172;
    switch (normalised(r.disc_level)) {
        case LevelB: condition = 164; break;
        case LevelC: condition = 163; break;
        case LevelD: condition = 161; break;
        default: break;
    }
    runs.push_back({std::string(text(condition)), std::nullopt});
    for (int t = 1; t <= r.last_track && t <= kMaxTracks; ++t) {
        runs.push_back({formatted_text(122, t), std::nullopt});
        const int level = r.track_level[static_cast<std::size_t>(t)];
        runs.push_back({std::string(text(level_letter_id(level))), level_colour(level)});
    }
    runs.push_back({"\r\n", std::nullopt});
    return runs;
}

}  // namespace qdu
