// " Setting1 ": system settings and writing modes, over SystemPageLogic.
#pragma once

#include "settings/system_page_logic.h"
#include "shell/control_binder.h"
#include "shell/tab_page.h"

namespace qdu {

class CDialogSettingR42J final : public TabPage {
    Q_OBJECT
public:
    explicit CDialogSettingR42J(QWidget* parent);

    void RefreshFromDrive() override;
    const PageState& state() const { return logic_.state; }

protected:
    void visibility_changed() override;

private:
    void clicked(int id);
    void show_state();

    SystemPageLogic logic_;
    ControlBinder binder_;
};

}  // namespace qdu
