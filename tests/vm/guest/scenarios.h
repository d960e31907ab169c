// The scenarios run inside the guest, one list for each SCSI controller.
#pragma once

#include <string>
#include <vector>

#include "channel.h"
#include "harness.h"

namespace qdu::vm {

std::vector<Scenario> virtio_scenarios(Channel& host);
std::vector<Scenario> lsi_scenarios(Channel& host);

}  // namespace qdu::vm
