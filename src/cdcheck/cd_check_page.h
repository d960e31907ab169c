// " CD Check ": the page's slot; its contents arrive with the audio CD check.
#pragma once

#include "shell/tab_page.h"

namespace qdu {

class CDialogInspection final : public TabPage {
    Q_OBJECT
public:
    explicit CDialogInspection(QWidget* parent) : TabPage(parent) {
        setObjectName(QStringLiteral("140"));
    }
    void RefreshFromDrive() override { emit refreshed(); }
};

}  // namespace qdu
