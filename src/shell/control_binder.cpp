#include "shell/control_binder.h"

#include <QSignalBlocker>

namespace qdu {

void ControlBinder::show(const PageState& state) const {
    for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
        const ControlState& control = state[it.key()];
        QAbstractButton* button = it.value();
        const QSignalBlocker block(button);
        button->setChecked(control.checked);
        button->setEnabled(control.enabled);
        button->setHidden(!control.shown);
    }
    if (combo_ != nullptr) {
        const QSignalBlocker block(combo_);
        combo_->setCurrentIndex(state.combo_selection);
        combo_->setEnabled(state[combo_id_].enabled);
    }
}

}  // namespace qdu
