#include "cdcheck/check_result.h"

namespace qdu {

CInspectionResult& check_result() {
    static CInspectionResult result;
    return result;
}

void reset_result() {
    CInspectionResult& r = check_result();
    // Swapping with empty vectors releases their storage, which clear() would keep.
    std::vector<CInspectionResult::CNgData>().swap(r.points_b);
    std::vector<CInspectionResult::CNgData>().swap(r.points_c);
    std::vector<CInspectionResult::CNgData>().swap(r.points_d);
    r.disc_level = LevelA;
    r.track_level.fill(LevelA);
    r.last_track = 0;
}

}  // namespace qdu
