// The simulated drives' state file, with any bytes in it: either the drives take their memory
// from it, or it is moved aside with exactly one one-line warning. Never a crash or a hang.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "simdrive/scenario.h"
#include "simdrive/state_file.h"

using namespace qdu;

namespace {

struct Folder {
    std::string path;
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const std::string& folder() {
    static const Folder made{[] {
        // In memory where there is such a folder: the target writes and syncs a file each run.
        char dir[] = "/dev/shm/qdu-fuzz-state-XXXXXX";
        char fallback[] = "/tmp/qdu-fuzz-state-XXXXXX";
        if (::mkdtemp(dir) != nullptr) {
            return std::string(dir);
        }
        if (::mkdtemp(fallback) == nullptr) {
            __builtin_trap();
        }
        return std::string(fallback);
    }()};
    return made.path;
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
