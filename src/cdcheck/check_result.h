// The one result of the audio CD check, shared by the page, the check and the main window.
#pragma once

#include <array>
#include <vector>

namespace qdu {

// Grades of a sample, and as a maximum of a track or the disc; larger is worse.
enum CheckLevel : int { LevelA = -1, LevelB = 1, LevelC = 2, LevelD = 3 };

inline constexpr int kMaxTracks = 99;

class CInspectionResult {
public:
    // One point on the disc picture.
    struct CNgData {
        int x = 0;
        int y = 0;
        int width = 6;
        int height = 6;
        double distance = 0.0;
        bool operator==(const CNgData&) const = default;
    };

    std::vector<CNgData> points_b;
    std::vector<CNgData> points_c;
    std::vector<CNgData> points_d;
    int disc_level = 0;
    std::array<int, kMaxTracks + 1> track_level{};  // indexed by track number 1..99
    int last_track = 0;
    double reveal_distance = 140.0;
    int spot_x = 0;
    int spot_y = 0;
    int spot_width = 10;
    int spot_height = 10;
};

// Created on first use; lives until the program ends.
CInspectionResult& check_result();

// Empties the findings; the reveal distance and the spot stay where they are.
void reset_result();

}  // namespace qdu
