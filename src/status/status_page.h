// " Status ": the Clarivox counters and the disc, read once a second while the tab is selected.
#pragma once

#include <QHash>

#include "shell/tab_page.h"
#include "status/status_page_logic.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace qdu {

class CErrorIndicator;

class CDialogStatusR42J final : public TabPage {
    Q_OBJECT
public:
    explicit CDialogStatusR42J(QWidget* parent);

    void RefreshFromDrive() override;
    // The 1000 ms timer's tick.
    void on_timer();
    const StatusPageState& state() const { return logic_.state; }

private:
    void show_state();

    StatusPageLogic logic_;
    CErrorIndicator* indicator_ = nullptr;
    QTimer* timer_ = nullptr;
    QHash<int, QWidget*> controls_;  // statics and edits by control ID
};

}  // namespace qdu
