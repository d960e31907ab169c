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
    void clear_log();

private:
    void write_result_report();

    QRadioButton* full_ = nullptr;
    QTextEdit* log_ = nullptr;
    QWidget* picture_ = nullptr;
};

}  // namespace qdu
