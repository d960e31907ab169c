// Grading a sample, placing it on the disc picture, and the result report.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cdcheck/check_result.h"
#include "cdcheck/sample.h"

namespace qdu {

CheckLevel grade_sample(const S_RAW_DATA& sample);
// Records a sample graded B, C or D in check_result, or in the given result.
void add_point(const S_RAW_DATA& sample);
void add_point(CInspectionResult& result, const S_RAW_DATA& sample);

double picture_distance(double radius);
struct PicturePoint {
    int x = 0;
    int y = 0;
};
PicturePoint picture_point(double distance, double angle_degrees);

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
// The colour of a level; anything but B, C and D counts as A.
Rgb level_colour(int level);
// The string ID of a level's report label and of its letter.
int level_label_id(int level);
int level_letter_id(int level);

// The report as runs of text, each in a level's colour or in the default format, so that a
// rich-text log and a terminal show the same thing.
struct ReportRun {
    std::string text;
    std::optional<Rgb> colour;  // none: the default format
    bool operator==(const ReportRun&) const = default;
};
std::vector<ReportRun> result_report();
std::vector<ReportRun> result_report(const CInspectionResult& result);

}  // namespace qdu
