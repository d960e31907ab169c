// The simulated drives stay powered between runs of the program, as a real drive does: their
// settings and pending power-on reset are kept in a state file.
#pragma once

#include <string>

#include "simdrive/scenario.h"

namespace qdu {

// QDU_SIM_STATE when set, else the user's cache directory.
std::string default_state_path();

// The key a scenario's drives are kept under: a built-in name, or the file's absolute path.
std::string scenario_key(const std::string& name_or_path);

// Restores the bus's drives from the file, if it has them. A damaged or foreign file is moved
// aside to PATH.damaged; the returned text then says so in one line (empty otherwise).
std::string load_simulation_state(SimulatedBus& bus, const std::string& key,
                                  const std::string& path);

// Writes the bus's drives into the file, keeping other scenarios' entries. Returns a one-line
// warning when it could not, empty otherwise.
std::string save_simulation_state(const SimulatedBus& bus, const std::string& key,
                                  const std::string& path);

}  // namespace qdu
