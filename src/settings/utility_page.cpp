#include "settings/utility_page.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "shell/control_binder.h"
#include "shell/message_box.h"
#include "shell/qt_text.h"

namespace qdu {

namespace {

constexpr int kDialog = 136;

}  // namespace

CUtilityDialogKt5::CUtilityDialogKt5(QWidget* parent)
    : TabPage(parent),
      logic_([this](int string_id) { return ask_ok_cancel(this, qt_text(string_id)); }) {
    setObjectName(QString::number(kDialog));
    auto* layout = new QVBoxLayout(this);
    auto* button = make_control<QPushButton>(
        utility_page::kRestoreButton, qt_control_text(kDialog, utility_page::kRestoreButton));
    button->setToolTip(qt_text(146));
    layout->addWidget(button, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    connect(button, &QPushButton::clicked, this, [this] { logic_.click_restore(); });
}

}  // namespace qdu
