// " Setting2 ": the reading feature, rotation mode and Clarivox, over ReadingPageLogic.
#pragma once

#include "settings/reading_page_logic.h"
#include "shell/control_binder.h"
#include "shell/tab_page.h"

namespace qdu {

class CDialogSetting2R42J final : public TabPage {
    Q_OBJECT
public:
    explicit CDialogSetting2R42J(QWidget* parent);

    void RefreshFromDrive() override;
    const PageState& state() const { return logic_.state; }

protected:
    void visibility_changed() override;

private:
    void clicked(int id);
    void show_state();

    ReadingPageLogic logic_;
    ControlBinder binder_;
};

}  // namespace qdu
