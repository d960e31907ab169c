// The application object: prepares, runs the main window until it is closed, cleans up.
#pragma once

// Registers the compiled-in icon and pictures; safe to call more than once.
void qdu_init_resources();

namespace qdu {

class CQuorvelDriveUtilityApp {
public:
    // initial_tab: the tab selected at start (0 unless asked otherwise).
    int run(int initial_tab = 0);
};

}  // namespace qdu
