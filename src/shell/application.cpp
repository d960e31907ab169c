#include "shell/application.h"

#include <QTimer>

#include "cdcheck/check_result.h"
#include "cdcheck/check_worker.h"
#include "shell/main_window.h"

// The icon and pictures are compiled into this static library; this keeps them linked in.
void qdu_init_resources() {
    Q_INIT_RESOURCE(resources);
}

namespace qdu {

int CQuorvelDriveUtilityApp::run(int initial_tab) {
    check_result();
    {
        CQuorvelDriveUtilityDlg window;
        window.select_tab(initial_tab);
#ifdef QDU_HAVE_HISTORY
        if (!history_file.empty()) {
            window.set_history_file(history_file);
        }
        if (open_history) {
            QTimer::singleShot(300, &window, [&window] { window.show_check_history(); });
        }
#endif
        if (demo_check.enabled) {
            QTimer::singleShot(800, &window, [this, &window] {
                window.start_demo_check(demo_check.quick ? Quick : Full,
                                        demo_check.close_when_done);
            });
        }
        window.exec();
    }
    reset_result();
    return 0;
}

}  // namespace qdu
