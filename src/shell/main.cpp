// quorvel-drive-utility [--simulate[=SCENARIO]] [--sim-state PATH]
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "drive/transport.h"
#include "shell/application.h"
#include "simdrive/scenario.h"
#include "simdrive/state_file.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvel-drive-utility [--simulate[=SCENARIO]] [--sim-state PATH] [--tab=N]\n"
    "  --simulate[=SCENARIO]  use simulated drives (a built-in scenario or a scenario file)\n"
    "  --sim-state PATH       state file of the simulated drives\n"
    "  --tab=N                start with tab N (0 to 4) selected\n"
    "  --start-check=full|quick  start an audio CD check at once (for demonstrations)\n"
    "  --close-check-when-done   close the check's dialog by itself when it ends\n";

struct Options {
    bool simulate = false;
    std::string scenario = qdu::kDefaultScenario;
    std::string state_file;
    int tab = 0;
    qdu::CQuorvelDriveUtilityApp::DemoCheck demo;
};

// Returns the exit code when the program should stop here.
std::optional<int> parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg.rfind("--simulate=", 0) == 0) {
            options.simulate = true;
            options.scenario = arg.substr(11);
        } else if (arg == "--sim-state" && i + 1 < argc) {
            options.state_file = argv[++i];
        } else if (arg.rfind("--sim-state=", 0) == 0) {
            options.state_file = arg.substr(12);
        } else if (arg.rfind("--tab=", 0) == 0 && arg.size() == 7 && arg[6] >= '0' &&
                   arg[6] <= '4') {
            options.tab = arg[6] - '0';
        } else if (arg == "--start-check=full" || arg == "--start-check=quick") {
            options.demo.enabled = true;
            options.demo.quick = arg.back() == 'k';
        } else if (arg == "--close-check-when-done") {
            options.demo.close_when_done = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "quorvel-drive-utility: unknown argument '%s'\n%s", arg.c_str(),
                         kUsage);
            return 2;
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvel-drive-utility"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel-drive-utility.svg")));

    Options options;
    if (const auto code = parse(argc, argv, options)) {
        return *code;
    }
    std::shared_ptr<qdu::SimulatedBus> bus;
    std::string key;
    if (options.simulate) {
        try {
            bus = std::make_shared<qdu::SimulatedBus>(qdu::load_scenario(options.scenario));
        } catch (const qdu::ScenarioError& e) {
            std::fprintf(stderr, "quorvel-drive-utility: %s\n", e.what());
            return 2;
        }
        if (options.state_file.empty()) {
            options.state_file = qdu::default_state_path();
        }
        key = qdu::scenario_key(options.scenario);
        const std::string warning = qdu::load_simulation_state(*bus, key, options.state_file);
        if (!warning.empty()) {
            std::fprintf(stderr, "quorvel-drive-utility: warning: %s\n", warning.c_str());
        }
        qdu::install_device_provider(bus);
    }

    qdu::CQuorvelDriveUtilityApp application;
    application.demo_check = options.demo;
    const int code = application.run(options.tab);

    qdu::reset_drive_access();
    if (bus) {
        const std::string warning = qdu::save_simulation_state(*bus, key, options.state_file);
        if (!warning.empty()) {
            std::fprintf(stderr, "quorvel-drive-utility: warning: %s\n", warning.c_str());
        }
    }
    return code;
}
