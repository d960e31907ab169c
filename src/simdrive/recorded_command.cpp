#include "simdrive/recorded_command.h"

namespace qdu {

RecordedCommand RecordedCommand::of(const ScsiRequest& request) {
    RecordedCommand command;
    command.cdb = request.cdb;
    command.direction = request.direction;
    command.length = static_cast<std::uint32_t>(request.data.size());
    if (request.direction == DataDirection::DataOut) {
        command.data_out.assign(request.data.begin(), request.data.end());
    }
    return command;
}

SenseData fixed_sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    SenseData sense{};
    sense[0] = 0x70;  // current error, fixed format
    sense[2] = key;
    sense[7] = 10;  // additional sense length
    sense[12] = asc;
    sense[13] = ascq;
    return sense;
}

ScsiResult check_condition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    ScsiResult result;
    result.scsi_status = kStatusCheckCondition;
    result.sense = fixed_sense(key, asc, ascq);
    return result;
}

}  // namespace qdu
