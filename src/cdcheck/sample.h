// One measurement sample of the audio CD check.
#pragma once

#include <cstdint>

#include "cdcheck/check_result.h"

namespace qdu {

struct S_RAW_DATA {
    std::uint32_t position = 0;  // check address (LBA + 150)
    std::uint16_t minor_errors = 0;
    std::uint16_t major_errors = 0;
    std::uint16_t aux_a = 0;
    std::uint16_t aux_b = 0;
    bool span_valid = false;
    bool aux_valid = false;
    double radius = 0.0;  // mm
    std::uint8_t track = 0;
    CheckLevel check_level = LevelA;
    bool read_ok = false;
};

}  // namespace qdu
