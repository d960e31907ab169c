// " Utility ": restoring the factory settings.
#pragma once

#include "settings/utility_page_logic.h"
#include "shell/tab_page.h"

namespace qdu {

class CUtilityDialogKt5 final : public TabPage {
    Q_OBJECT
public:
    explicit CUtilityDialogKt5(QWidget* parent);

    // The host never refreshes this page; it reads nothing from the drive.
    void RefreshFromDrive() override {}

private:
    UtilityPageLogic logic_;
};

}  // namespace qdu
