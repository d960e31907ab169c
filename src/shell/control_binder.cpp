#include "shell/control_binder.h"

#include <QSignalBlocker>

namespace qdu {

void ControlBinder::place(QAbstractButton* button, QBoxLayout* layout, const QString& tooltip,
                          int indent) {
    button->setToolTip(tooltip);
    // Hidden controls keep their place, so the page does not jump as they come and go.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    auto* row = new QHBoxLayout;
    row->addSpacing(indent);
    row->addWidget(button);
    layout->addLayout(row);
    add(button->objectName().toInt(), button);
}

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
