#include "settings/reading_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/accessibility.h"
#include "shell/message_box.h"
#include "shell/qt_text.h"

namespace qdu {

using namespace reading_page;

namespace {

constexpr int kDialog = 138;

}  // namespace

CDialogSetting2R42J::CDialogSetting2R42J(QWidget* parent)
    : TabPage(parent),
      logic_([this](int string_id) { return ask_ok_cancel(this, qt_text(string_id)); }) {
    setObjectName(QString::number(kDialog));
    auto* layout = new QVBoxLayout(this);

    auto* reading = make_control<QGroupBox>(1037, qt_control_text(kDialog, 1037));
    auto* reading_layout = new QVBoxLayout(reading);
    auto* combo = make_control<QComboBox>(kFeatureCombo);
    name_for_access(combo, kAccessFeatureCombo);
    for (const int id : {232, 233, 234}) {
        combo->addItem(qt_text(id));
    }
    reading_layout->addWidget(combo);
    binder_.add_combo(kFeatureCombo, combo);
    connect(combo, &QComboBox::activated, this, [this](int index) {
        logic_.select_feature(index);
        show_state();
    });

    auto add_button = [&](QAbstractButton* button, QVBoxLayout* to, int tooltip_id, int indent) {
        binder_.place(button, to, tooltip_id != 0 ? qt_text(tooltip_id) : QString(), indent);
        const int id = button->objectName().toInt();
        connect(button, &QAbstractButton::clicked, this, [this, id] { clicked(id); });
    };
    auto radio = [](int id) { return make_page_radio(id, qt_control_text(kDialog, id)); };
    add_button(radio(kPersistentQuiet), reading_layout, 1003, 16);
    add_button(radio(kQuiet), reading_layout, 1004, 16);
    add_button(radio(kPerformance), reading_layout, 1005, 16);
    layout->addWidget(reading);

    auto* clarivox = make_control<QGroupBox>(1044, qt_control_text(kDialog, 1044));
    auto* clarivox_layout = new QVBoxLayout(clarivox);
    add_button(make_control<QCheckBox>(kClarivoxOn, qt_control_text(kDialog, kClarivoxOn)),
               clarivox_layout, 134, 0);
    add_button(radio(kPerfect), clarivox_layout, 135, 16);
    add_button(radio(kMaster), clarivox_layout, 136, 16);
    add_button(make_control<QCheckBox>(kRealTime, qt_control_text(kDialog, kRealTime)),
               clarivox_layout, 221, 0);
    layout->addWidget(clarivox);

    add_button(make_control<QCheckBox>(kSave, qt_control_text(kDialog, kSave)), layout, 0, 0);
    group_radios(this, {kPersistentQuiet, kQuiet, kPerformance});
    group_radios(this, {kPerfect, kMaster});
    layout->addStretch(1);

    logic_.on_initialise();
    show_state();
}

void CDialogSetting2R42J::RefreshFromDrive() {
    logic_.RefreshFromDrive();
    show_state();
    emit refreshed();
}

// Any change of the page's visibility re-reads the drive.
void CDialogSetting2R42J::visibility_changed() {
    logic_.on_shown();
    show_state();
}

void CDialogSetting2R42J::clicked(int id) {
    logic_.click(id);
    show_state();
}

void CDialogSetting2R42J::show_state() {
    binder_.show(logic_.state);
}

}  // namespace qdu
