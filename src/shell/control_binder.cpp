#include "shell/control_binder.h"

#include <QKeyEvent>
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

namespace {

class RadioGroupKeys final : public QObject {
public:
    RadioGroupKeys(const QList<QAbstractButton*>& radios, QObject* parent)
        : QObject(parent), radios_(radios) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1
                         : key == Qt::Key_Up || key == Qt::Key_Left  ? -1
                                                                     : 0;
        const auto at = radios_.indexOf(static_cast<QAbstractButton*>(watched));
        if (step == 0 || at < 0) {
            return false;
        }
        const auto count = radios_.size();
        for (qsizetype i = 1; i < count; ++i) {
            QAbstractButton* next = radios_[((at + step * i) % count + count) % count];
            if (next->isEnabled() && !next->isHidden()) {
                next->setFocus(Qt::TabFocusReason);
                if (!next->isChecked()) {
                    next->click();
                }
                return true;
            }
        }
        return true;
    }

private:
    QList<QAbstractButton*> radios_;
};

}  // namespace

void group_radios(const QWidget* page, std::initializer_list<int> ids) {
    QList<QAbstractButton*> radios;
    for (const int id : ids) {
        if (auto* radio = page->findChild<QAbstractButton*>(QString::number(id))) {
            radios.append(radio);
        }
    }
    if (radios.isEmpty()) {
        return;
    }
    auto* keys = new RadioGroupKeys(radios, radios.front());
    for (QAbstractButton* radio : radios) {
        radio->installEventFilter(keys);
    }
}

}  // namespace qdu
