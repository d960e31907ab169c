// The guest's test program: `qdu-vm-guest virtio|lsi` runs that controller's scenarios and
// reports them over the host line.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "channel.h"
#include "scenarios.h"

namespace {

constexpr const char* kHostLine = "/dev/ttyS1";

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() != 1 || (args[0] != "virtio" && args[0] != "lsi")) {
        std::cerr << "usage: qdu-vm-guest virtio|lsi\n";
        return 2;
    }
    try {
        qdu::vm::Channel host(kHostLine);
        host.ask("HELLO");
        const auto scenarios =
            args[0] == "virtio" ? qdu::vm::virtio_scenarios(host) : qdu::vm::lsi_scenarios(host);
        qdu::vm::run_scenarios(host, scenarios);
        host.ask("DONE");
    } catch (const std::exception& e) {
        std::cerr << "qdu-vm-guest: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
