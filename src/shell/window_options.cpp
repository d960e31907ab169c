#include "shell/window_options.h"

namespace qdu {

const char* const kWindowUsage =
    "usage: quorvel-drive-utility [--simulate[=SCENARIO]] [--sim-state PATH] [--tab=N]\n"
    "  --simulate[=SCENARIO]  use simulated drives (a built-in scenario or a scenario file)\n"
    "  --sim-state PATH       state file of the simulated drives\n"
    "  --tab=N                start with tab N (0 to 4) selected\n"
    "  --start-check=full|quick  start an audio CD check at once (for demonstrations)\n"
    "  --close-check-when-done   close the check's dialog by itself when it ends\n"
    "  --history PATH         the check history's database (default: $QDU_HISTORY, or the\n"
    "                         user's data folder)\n"
    "  --check-history        open the check history once the window is up\n";

WindowOptionsParse parse_window_options(const std::vector<std::string>& args,
                                        WindowOptions& options) {
    WindowOptionsParse result;
    auto refuse = [&](const std::string& why) {
        result.err += "quorvel-drive-utility: " + why + "\n" + kWindowUsage;
        result.exit_code = 2;
        return result;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg.rfind("--simulate=", 0) == 0) {
            options.simulate = true;
            options.scenario = arg.substr(11);
        } else if (arg == "--sim-state") {
            if (i + 1 == args.size()) {
                return refuse("--sim-state needs the path of a state file");
            }
            options.state_file = args[++i];
        } else if (arg.rfind("--sim-state=", 0) == 0) {
            options.state_file = arg.substr(12);
        } else if (arg.rfind("--tab=", 0) == 0) {
            if (arg.size() != 7 || arg[6] < '0' || arg[6] > '4') {
                return refuse("--tab takes a tab number from 0 to 4, not '" + arg.substr(6) + "'");
            }
            options.tab = arg[6] - '0';
        } else if (arg.rfind("--start-check=", 0) == 0) {
            if (arg != "--start-check=full" && arg != "--start-check=quick") {
                return refuse("--start-check takes full or quick, not '" + arg.substr(14) + "'");
            }
            options.start_check = true;
            options.quick_check = arg.back() == 'k';
        } else if (arg == "--history") {
            if (i + 1 == args.size()) {
                return refuse("--history needs the path of the check history's database");
            }
            options.history_file = args[++i];
        } else if (arg.rfind("--history=", 0) == 0) {
            options.history_file = arg.substr(10);
        } else if (arg == "--check-history") {
            options.open_history = true;
        } else if (arg == "--close-check-when-done") {
            options.close_check_when_done = true;
        } else if (arg == "--help" || arg == "-h") {
            result.out = kWindowUsage;
            result.exit_code = 0;
            return result;
        } else {
            // A file manager or a launcher may hand us a file; the window has no use for one.
            result.err += "quorvel-drive-utility: warning: ignoring the argument '" + arg +
                          "', which this program does not take (see --help)\n";
        }
    }
    return result;
}

}  // namespace qdu
