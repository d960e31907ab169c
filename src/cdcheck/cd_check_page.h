// " CD Check ": starts checks and shows the result picture and the coloured report.
#pragma once

#include "cdcheck/check_worker.h"
#include "shell/tab_page.h"

class QRadioButton;
class QTextEdit;

namespace qdu {

class CDialogInspection final : public TabPage {
    Q_OBJECT
public:
    explicit CDialogInspection(QWidget* parent);

    void RefreshFromDrive() override;
    void on_start();
    // Chooses the mode and starts as a click on Start does.
    void start_check(CheckMode mode, bool close_when_done);
    void clear_log();
    // How long the check's dialog waits for its worker when it ends (tests shorten it).
    void set_wait_bound(std::chrono::milliseconds bound) { wait_bound_ = bound; }

private:
    void write_result_report();

    QRadioButton* full_ = nullptr;
    QRadioButton* quick_ = nullptr;
    bool close_when_done_ = false;
    std::chrono::milliseconds wait_bound_ = kThreadWait;
    QTextEdit* log_ = nullptr;
    QWidget* picture_ = nullptr;
};

}  // namespace qdu
