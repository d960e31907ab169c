// " Status ": the page's slot; its contents arrive with the status monitoring.
#pragma once

#include "shell/tab_page.h"

namespace qdu {

class CDialogStatusR42J final : public TabPage {
    Q_OBJECT
public:
    explicit CDialogStatusR42J(QWidget* parent) : TabPage(parent) {
        setObjectName(QStringLiteral("139"));
    }
    void RefreshFromDrive() override { emit refreshed(); }
};

}  // namespace qdu
