// A scenario file with any bytes in it: either a bus of simulated drives that answer, or one
// ScenarioError naming the line on one line. Never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "simdrive/scenario.h"

using namespace qdu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Scenario scenario;
    try {
        scenario = parse_scenario(in, "fuzz.scn");
    } catch (const ScenarioError& e) {
        const std::string what = e.what();
        if (what.rfind("fuzz.scn:", 0) != 0 || what.find_first_of("\r\n") != std::string::npos) {
            __builtin_trap();
        }
        return 0;
    }
    SimulatedBus bus(scenario);
    for (const char letter : bus.letters()) {
        // INQUIRY and TEST UNIT READY: every drive a scenario makes answers.
        for (const std::uint8_t opcode : {std::uint8_t{0x12}, std::uint8_t{0x00}}) {
            std::uint8_t reply[96] = {};
            ScsiRequest request;
            request.cdb[0] = opcode;
            request.cdb[4] = opcode == 0x12 ? sizeof reply : 0;
            request.direction = opcode == 0x12 ? DataDirection::DataIn : DataDirection::NoData;
            if (opcode == 0x12) {
                request.data = reply;
            }
            if (!bus.open(letter).device->execute(request).delivered()) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
