// The application object: prepares, runs the main window until it is closed, cleans up.
#pragma once

// Registers the compiled-in icon and pictures; safe to call more than once.
void qdu_init_resources();

#include <string>

namespace qdu {

class CQuorvelDriveUtilityApp {
public:
    // initial_tab: the tab selected at start (0 unless asked otherwise).
    int run(int initial_tab = 0);
    // For demonstrations: start a check on the CD Check tab once the window is up.
    struct DemoCheck {
        bool enabled = false;
        bool quick = false;
        bool close_when_done = false;
    };
    DemoCheck demo_check;
    // The check history's database (empty: the default one), and whether to open it at once.
    std::string history_file;
    bool open_history = false;
};

}  // namespace qdu
