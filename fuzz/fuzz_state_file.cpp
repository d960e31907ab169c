// The simulated drives' state file, with any bytes in it: either the drives take their memory
// from it, or it is moved aside with exactly one one-line warning. Never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "scratch_folder.h"
#include "simdrive/scenario.h"
#include "simdrive/state_file.h"

using namespace qdu;

namespace {

const std::string& folder() {
    return fuzzing::scratch_folder("qdu-fuzz-state");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    bool accepted = true;
    try {
        check_simulation_state(text);
    } catch (const std::runtime_error& e) {
        accepted = false;
        if (std::string(e.what()).find_first_of("\r\n") != std::string::npos) {
            __builtin_trap();
        }
    }

    const std::string path = folder() + "/state.json";
    std::filesystem::remove(path + ".damaged");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    static SimulatedBus bus(load_scenario(kDefaultScenario));
    const auto store = share_simulation_state(bus, kDefaultScenario, path);
    const auto warnings = store->take_warnings();
    const bool moved = std::filesystem::exists(path + ".damaged");
    const bool empty = size == 0;
    if (accepted || empty) {
        if (!warnings.empty() || moved) {
            __builtin_trap();
        }
    } else if (warnings.size() != 1 || !moved ||
               warnings[0].find_first_of("\r\n") != std::string::npos) {
        __builtin_trap();
    }
    // What was left is always a whole state file.
    std::ifstream in(path, std::ios::binary);
    const std::string left((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    check_simulation_state(left);
    return 0;
}
