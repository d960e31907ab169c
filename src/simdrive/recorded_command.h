// A command as a device received it, for tests and for the simulated drive's log.
#pragma once

#include <cstdint>
#include <vector>

#include "drive/passthrough.h"

namespace qdu {

struct RecordedCommand {
    CommandBlock cdb{};
    DataDirection direction = DataDirection::NoData;
    std::uint32_t length = 0;
    std::vector<std::uint8_t> data_out;  // the bytes sent, for DataOut

    static RecordedCommand of(const ScsiRequest& request);
    bool operator==(const RecordedCommand&) const = default;
};

// Sense data in fixed format for a CHECK CONDITION answer.
SenseData fixed_sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
ScsiResult check_condition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);

}  // namespace qdu
