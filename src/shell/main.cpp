// quorvel-drive-utility [--simulate[=SCENARIO]] [--sim-state PATH]
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drive/transport.h"
#include "shell/application.h"
#include "shell/program_icon.h"
#include "shell/window_options.h"
#include "simdrive/scenario.h"
#include "simdrive/state_file.h"

namespace {

void print_warnings(qdu::SimulationStateFile& state) {
    for (const std::string& warning : state.take_warnings()) {
        std::fprintf(stderr, "quorvel-drive-utility: warning: %s\n", warning.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvel-drive-utility"));
    QApplication::setWindowIcon(qdu::program_icon());

    qdu::WindowOptions options;
    const qdu::WindowOptionsParse parsed = qdu::parse_window_options(
        std::vector<std::string>(argv + std::min(argc, 1), argv + argc), options);
    std::fputs(parsed.out.c_str(), stdout);
    std::fputs(parsed.err.c_str(), stderr);
    if (parsed.exit_code) {
        return *parsed.exit_code;
    }
    std::shared_ptr<qdu::SimulatedBus> bus;
    std::shared_ptr<qdu::SimulationStateFile> shared_state;
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
        shared_state = qdu::share_simulation_state(*bus, key, options.state_file);
        print_warnings(*shared_state);
        qdu::install_device_provider(bus);
    }

    qdu::CQuorvelDriveUtilityApp application;
    application.demo_check = {options.start_check, options.quick_check,
                              options.close_check_when_done};
    application.history_file = options.history_file;
    application.open_history = options.open_history;
    const int code = application.run(options.tab);

    qdu::reset_drive_access();
    if (shared_state) {
        print_warnings(*shared_state);
    }
    return code;
}
