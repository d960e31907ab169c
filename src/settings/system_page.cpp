#include "settings/system_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/accessibility.h"
#include "shell/qt_text.h"

namespace qdu {

using namespace system_page;

namespace {

constexpr int kDialog = 101;

}  // namespace

CDialogSettingR42J::CDialogSettingR42J(QWidget* parent) : TabPage(parent) {
    setObjectName(QString::number(kDialog));
    auto* layout = new QVBoxLayout(this);

    auto add_button = [&](QAbstractButton* button, QVBoxLayout* to, int tooltip_id, int indent) {
        binder_.place(button, to, tooltip_id != 0 ? qt_text(tooltip_id) : QString(), indent);
        const int id = button->objectName().toInt();
        connect(button, &QAbstractButton::clicked, this, [this, id] { clicked(id); });
    };
    auto check = [](int id) { return make_control<QCheckBox>(id, qt_control_text(kDialog, id)); };
    auto radio = [](int id) { return make_page_radio(id, qt_control_text(kDialog, id)); };

    auto* system = make_control<QGroupBox>(1058, qt_control_text(kDialog, 1058));
    auto* system_layout = new QVBoxLayout(system);
    add_button(check(kPeakPowerReducer), system_layout, 205, 0);
    add_button(check(kVideoAudio), system_layout, 206, 0);
    add_button(check(kLedOff), system_layout, 207, 0);
    add_button(check(kSmoothTray), system_layout, 0, 0);
    layout->addWidget(system);

    auto* writing = make_control<QGroupBox>(1052, qt_control_text(kDialog, 1052));
    auto* writing_layout = new QVBoxLayout(writing);
    auto* combo = make_control<QComboBox>(kMediaCombo);
    name_for_access(combo, kAccessMediaCombo);
    combo->addItem(qt_text(227));
    combo->addItem(qt_text(228));
    writing_layout->addWidget(combo);
    binder_.add_combo(kMediaCombo, combo);
    connect(combo, &QComboBox::activated, this, [this](int index) {
        logic_.select_media(index);
        show_state();
    });
    add_button(check(kBdrHighSpeed), writing_layout, 208, 0);
    add_button(check(kOptimumWriting), writing_layout, 0, 0);
    add_button(radio(kWriteQuality), writing_layout, 209, 16);
    // Its tooltip exists only for users in Japan.
    add_button(radio(kSurfaceQualityHighSpeed), writing_layout,
               locale_is_japanese_japan() ? 1012 : 0, 16);
    add_button(radio(kSurfaceQuality), writing_layout, 210, 16);
    add_button(radio(kOverSpeedProtection), writing_layout, 239, 16);
    group_radios(writing,
                 {kWriteQuality, kSurfaceQualityHighSpeed, kSurfaceQuality, kOverSpeedProtection});
    layout->addWidget(writing);

    add_button(check(kSave), layout, 0, 0);
    layout->addStretch(1);

    logic_.on_initialise();
    show_state();
}

void CDialogSettingR42J::RefreshFromDrive() {
    logic_.RefreshFromDrive();
    show_state();
    emit refreshed();
}

// Any change of the page's visibility re-reads the drive.
void CDialogSettingR42J::visibility_changed() {
    logic_.on_shown();
    show_state();
}

void CDialogSettingR42J::clicked(int id) {
    logic_.click(id);
    show_state();
}

void CDialogSettingR42J::show_state() {
    binder_.show(logic_.state);
}

}  // namespace qdu
