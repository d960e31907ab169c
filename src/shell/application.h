// The application object: prepares, runs the main window until it is closed, cleans up.
#pragma once

// Registers the compiled-in icon and pictures; safe to call more than once.
void qdu_init_resources();

namespace qdu {

class CQuorvelDriveUtilityApp {
public:
    int run();
};

}  // namespace qdu
