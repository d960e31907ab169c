#include "shell/main_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStackedLayout>
#include <QTabBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "cdcheck/cd_check_page.h"
#include "cdcheck/check_result.h"
#ifdef __linux__
#include "drive/linux_doctor.h"
#endif
#include "settings/apply_setting.h"
#include "settings/profile.h"
#include "settings/reading_page.h"
#include "settings/system_page.h"
#include "settings/utility_page.h"
#include "shell/about_dialog.h"
#include "shell/accessibility.h"
#include "shell/application.h"
#include "shell/control_binder.h"
#include "shell/dialog_units.h"
#include "shell/help_file.h"
#include "shell/message_box.h"
#include "shell/program_icon.h"
#include "shell/qt_text.h"
#include "shell/system_menu.h"
#include "simdrive/shared_file.h"
#ifdef QDU_HAVE_HISTORY
#include "history/history_dialog.h"
#include "history/history_store.h"
#endif
#include "status/status_page.h"

namespace qdu {

namespace {

constexpr int kDialog = 102;
constexpr int kSelector = 1000;
constexpr int kTabs = 1001;
constexpr int kNotConnected = 1051;

const char* const kTabLabels[kPageCount] = {" Setting1 ", " Setting2 ", " Status ", " Utility ",
                                            " CD Check "};

FileOpener& opener_slot() {
    static FileOpener opener;
    return opener;
}

QString& manual_slot() {
    static QString folder;
    return folder;
}

// The manual's page in the user's language, or in English; empty when there is none.
QString manual_page() {
    const QString folder = manual_slot().isEmpty()
                               ? QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/../share/doc/quorvel-drive-utility/manual")
                               : manual_slot();
    const QString first =
        ui_language() == Language::Japanese ? QStringLiteral("ja") : QStringLiteral("en");
    for (const QString& language : {first, QStringLiteral("en")}) {
        const QFileInfo page(folder + QLatin1Char('/') + language + QStringLiteral("/index.html"));
        if (page.isFile()) {
            return page.canonicalFilePath();
        }
    }
    return {};
}

}  // namespace

void set_manual_folder(const QString& folder) {
    manual_slot() = folder;
}

void set_help_opener(FileOpener opener) {
    opener_slot() = std::move(opener);
}

CQuorvelDriveUtilityDlg::CQuorvelDriveUtilityDlg(QWidget* parent) : QDialog(parent) {
    qdu_init_resources();
    setObjectName(QString::number(kDialog));
    setWindowTitle(qt_control_text(kDialog, 0));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(program_icon());

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    selector_ = make_control<QComboBox>(kSelector);
    name_for_access(selector_, kAccessDriveSelector);
    selector_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    top->addWidget(selector_, 1);

    // The system menu's added items: on Windows in the system menu itself, elsewhere, where
    // window managers own that menu, behind a button beside the drive selector.
    menu_ = new QMenu(this);
    for (const SystemMenuItem& item : system_menu_items()) {
        if (item.command != 0) {
            QAction* action = menu_->addAction(QString::fromStdString(item.text));
            action->setData(item.command);
            connect(action, &QAction::triggered, this,
                    [this, command = item.command] { system_command_chosen(command); });
        }
    }
    // This program's own items come after them; on Windows, where the system menu holds only
    // its own, they sit behind the button.
#ifdef Q_OS_WIN
    QMenu* own = new QMenu(this);
#else
    QMenu* own = menu_;
#endif
#ifdef QDU_HAVE_HISTORY
    history_ = default_history_path();
    QAction* history = own->addAction(qt_text(kHistoryMenuItem));
    history->setObjectName(QStringLiteral("check-history"));
    connect(history, &QAction::triggered, this, [this] { show_check_history(); });
#endif
    save_settings_ = own->addAction(qt_text(kSaveSettingsMenuItem));
    save_settings_->setObjectName(QStringLiteral("save-settings"));
    connect(save_settings_, &QAction::triggered, this, [this] { save_settings_file(); });
    load_settings_ = own->addAction(qt_text(kLoadSettingsMenuItem));
    load_settings_->setObjectName(QStringLiteral("load-settings"));
    connect(load_settings_, &QAction::triggered, this, [this] { load_settings_file(); });
#ifdef Q_OS_WIN
    add_native_system_menu_items();
#endif
    menu_button_ = new QToolButton;
    menu_button_->setText(QStringLiteral("\u2630"));
    menu_button_->setPopupMode(QToolButton::InstantPopup);
    name_for_access(menu_button_, kAccessMenu);
    menu_button_->setMenu(own);
    top->addWidget(menu_button_);
    layout->addLayout(top);

    tabs_ = make_control<QTabBar>(kTabs);
    name_for_access(tabs_, kAccessPages);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    layout->addWidget(tabs_);
    auto* area = new QWidget;
    area->setObjectName(QStringLiteral("page-area"));
    stack_ = new QStackedLayout(area);
    stack_->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area, 1);

    enumerate_drives(drives_);
    QWidget* no_drive_page = create_no_drive_page();
    for (const DriveEntry& entry : drives_.entries) {
        selector_->addItem(QString::fromStdString(entry.label));
    }
    save_settings_->setEnabled(!drives_.entries.empty());
    load_settings_->setEnabled(!drives_.entries.empty());
    if (drives_.entries.empty()) {
        stack_->setCurrentWidget(no_drive_page);
    } else {
        no_drive_page->hide();
        not_connected_->hide();
        create_pages();
    }
    connect(selector_, &QComboBox::activated, this, &CQuorvelDriveUtilityDlg::on_drive_selected);
    connect(tabs_, &QTabBar::currentChanged, this, &CQuorvelDriveUtilityDlg::on_tab_selected);

    // Close to 211 by 275 dialog units, but never smaller than the texts need.
    const QFontMetrics metrics(font());
    const QSize units = dialog_units(metrics, 211, 275);
    setFixedSize(units.expandedTo(sizeHint()));
}

QWidget* CQuorvelDriveUtilityDlg::create_no_drive_page() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->addStretch(1);
    not_connected_ = make_control<QLabel>(kNotConnected, qt_control_text(kDialog, kNotConnected));
    not_connected_->setAlignment(Qt::AlignCenter);
    not_connected_->setWordWrap(true);
    column->addWidget(not_connected_);
    doctor_line_ = new QLabel;
    doctor_line_->setObjectName(QStringLiteral("doctor-line"));
    doctor_line_->setAlignment(Qt::AlignCenter);
    doctor_line_->setWordWrap(true);
    doctor_line_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    doctor_line_->hide();
    column->addWidget(doctor_line_);
    column->addStretch(1);
    stack_->addWidget(page);
#ifdef __linux__
    // When the system has optical drives but none is usable, the doctor's first finding.
    if (drives_.entries.empty()) {
        const auto report = diagnose_installed_provider(drives_.probes);
        if (report && !report->devices.empty() && !report->problems.empty()) {
            doctor_line_->setText(
                QString::fromStdString(doctor_hint(report->problems.front(), ui_language())));
            doctor_line_->show();
        }
    }
#endif
    return page;
}

void CQuorvelDriveUtilityDlg::create_pages() {
    tabs_->addTab(QString::fromLatin1(kTabLabels[kSetting1]));
    pages_[kSetting1] = new CDialogSettingR42J(this);
    tabs_->addTab(QString::fromLatin1(kTabLabels[kSetting2]));
    pages_[kSetting2] = new CDialogSetting2R42J(this);
    tabs_->addTab(QString::fromLatin1(kTabLabels[kStatus]));
    pages_[kStatus] = new CDialogStatusR42J(this);
    tabs_->addTab(QString::fromLatin1(kTabLabels[kUtility]));
    pages_[kUtility] = new CUtilityDialogKt5(this);
    if (drives_.entries.front().cd_check_enabled) {
        tabs_->addTab(QString::fromLatin1(kTabLabels[kCdCheck]));
    }
    auto* inspection = new CDialogInspection(this);
    inspection->set_drive(drives_.entries.front());
    pages_[kCdCheck] = inspection;
    page_count_ = kPageCount;
    for (std::size_t slot = 0; slot < pages_.size(); ++slot) {
        // A screen reader names the page after its tab.
        pages_[slot]->setAccessibleName(QString::fromLatin1(kTabLabels[slot]));
        stack_->addWidget(pages_[slot]);
    }
    stack_->setCurrentWidget(pages_[kSetting1]);
    tabs_->setCurrentIndex(0);
}

void CQuorvelDriveUtilityDlg::select_tab(int index) {
    if (index >= 0 && index < tabs_->count()) {
        tabs_->setCurrentIndex(index);
    }
}

void CQuorvelDriveUtilityDlg::on_tab_selected(int index) {
    if (page_count_ == 0 || index < 0) {
        return;
    }
    stack_->setCurrentWidget(pages_[static_cast<std::size_t>(index)]);
    status_page_visible() = index == kStatus;
    update();
}

void CQuorvelDriveUtilityDlg::on_drive_selected(int index) {
    if (index < 0 || index >= static_cast<int>(drives_.entries.size())) {
        return;
    }
    drives_.selected = index;
    const DriveEntry& entry = drives_.entries[static_cast<std::size_t>(index)];
    select_drive(entry.letter);
    static_cast<CDialogInspection*>(pages_[kCdCheck])->set_drive(entry);
    for (const int slot : {kSetting1, kSetting2, kStatus, kCdCheck}) {
        pages_[static_cast<std::size_t>(slot)]->RefreshFromDrive();
    }
    check_result();
    reset_result();
    if (entry.cd_check_enabled) {
        if (tabs_->count() < page_count_) {
            tabs_->addTab(QString::fromLatin1(kTabLabels[kCdCheck]));
        }
    } else if (tabs_->count() == page_count_) {
        if (tabs_->currentIndex() == kCdCheck) {
            tabs_->setCurrentIndex(kSetting1);  // shows slot 0 through on_tab_selected
        }
        tabs_->removeTab(kCdCheck);
    }
    update();
}

void CQuorvelDriveUtilityDlg::start_demo_check(int mode, bool close_when_done) {
    if (page_count_ == 0 || tabs_->count() <= kCdCheck) {
        return;
    }
    select_tab(kCdCheck);
    static_cast<CDialogInspection*>(pages_[kCdCheck])
        ->start_check(mode == Quick ? Quick : Full, close_when_done);
}

#ifdef QDU_HAVE_HISTORY
void CQuorvelDriveUtilityDlg::set_history_file(const std::string& path) {
    history_ = path;
    if (page_count_ > 0) {
        static_cast<CDialogInspection*>(pages_[kCdCheck])->set_history_file(path);
    }
}

CheckHistoryDialog* CQuorvelDriveUtilityDlg::show_check_history() {
    auto* dialog = new CheckHistoryDialog(this, history_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}
#endif

namespace {

// A word of settings files (a setting or a value) as the pages show it, in the window's
// language: a control's text, or a text of the table.
struct PageWord {
    std::string_view word;
    int dialog;  // 0: `id` is a text of the table
    int id;
};
constexpr PageWord kPageWords[] = {
    {"reading-feature", 0, kAccessFeatureCombo},
    {"reading-mode", 138, 1037},
    {"clarivox", 138, 1044},
    {"real-time-clarivox", 138, 1010},
    {"zeve-duzir-iraveri", 101, 1059},
    {"video-audio-mode", 101, 1060},
    {"led-off", 101, 1067},
    {"smooth-tray", 101, 1081},
    {"bdr-high-speed", 101, 1053},
    {"bd-write-mode", 0, 227},
    {"dvd-write-mode", 0, 228},
    {"off", 0, 232},
    {"on", 138, 1007},
    {"advanced-quiet", 0, 233},
    {"high-speed-read", 0, 234},
    {"persistent-quiet", 138, 1003},
    {"quiet", 138, 1004},
    {"performance", 138, 1005},
    {"perfect", 138, 1008},
    {"master", 138, 1009},
    {"write-quality", 101, 1056},
    {"surface-quality", 101, 1057},
    {"surface-quality-high-speed", 101, 1062},
    {"over-speed-protection", 101, 1083},
};

QString page_word(const std::string& word) {
    for (const PageWord& w : kPageWords) {
        if (w.word == word) {
            return (w.dialog == 0 ? qt_text(w.id) : qt_control_text(w.dialog, w.id)).trimmed();
        }
    }
    return QString::fromStdString(word);
}

QString change_lines(const SettingValues& changes, const SettingsSnapshot& now) {
    QString lines;
    for (const auto& [setting, value] : changes) {
        lines += QStringLiteral("\n  %1: %2 \u2192 %3")
                     .arg(page_word(setting), page_word(now.word(setting)), page_word(value));
    }
    return lines;
}

}  // namespace

const DriveEntry* CQuorvelDriveUtilityDlg::current_drive() const {
    if (drives_.selected < 0 || drives_.selected >= static_cast<int>(drives_.entries.size())) {
        return nullptr;
    }
    return &drives_.entries[static_cast<std::size_t>(drives_.selected)];
}

void CQuorvelDriveUtilityDlg::save_settings_file() {
    const DriveEntry* drive = current_drive();
    if (drive == nullptr) {
        return;
    }
    const QString file =
        choose_file_to_save(this, qt_text(kSaveSettingsMenuItem),
                            QStringLiteral("kvt-r42-settings.json"), qt_text(kSettingsFileFilter));
    if (file.isEmpty()) {
        return;
    }
    const std::string text = read_settings().file_text(model_of(*drive), drive->letter);
    const std::string failure = replace_file(file.toStdString(), text);
    show_message(this, failure.empty() ? qt_text(kSettingsSaved) + QLatin1Char('\n') + file
                                       : qt_text(kSettingsSaveFailed) + QLatin1Char('\n') +
                                             QString::fromStdString(failure));
}

void CQuorvelDriveUtilityDlg::load_settings_file() {
    const DriveEntry* drive = current_drive();
    if (drive == nullptr) {
        return;
    }
    const QString file =
        choose_file_to_open(this, qt_text(kLoadSettingsMenuItem), qt_text(kSettingsFileFilter));
    if (file.isEmpty()) {
        return;
    }
    const SharedRead read = read_shared_file(file.toStdString());
    std::string error = read.exists ? read.error : std::string("there is no such file");
    SettingValues wanted;
    if (error.empty()) {
        wanted = parse_profile(read.text, model_of(*drive), error);
    }
    if (!error.empty()) {
        show_message(this, qt_text(kSettingsFileUnusable) + QLatin1Char('\n') + file +
                               QStringLiteral(": ") + QString::fromStdString(error));
        return;
    }
    const SettingsSnapshot now = read_settings();
    const SettingValues changes = profile_changes(wanted, now);
    if (changes.empty()) {
        show_message(this, qt_text(kSettingsAlready));
        return;
    }
    if (!ask_ok_cancel(this, qt_text(kSettingsApplyQuestion) + change_lines(changes, now))) {
        return;
    }
    // Each change is made as its page makes it, with its page's questions.
    const ProfileOutcome outcome =
        apply_changes(changes, false, [this](int id) { return ask_ok_cancel(this, qt_text(id)); });
    for (const int slot : {kSetting1, kSetting2, kStatus}) {
        pages_[static_cast<std::size_t>(slot)]->RefreshFromDrive();
    }
    if (outcome.complete()) {
        show_message(this, qt_text(kSettingsApplied));
        return;
    }
    QString report = qt_text(kSettingsNotApplied);
    if (!outcome.cancelled_at.empty()) {
        report += QStringLiteral("\n  ") + qt_text(kSettingsCancelledAt) + QLatin1Char(' ') +
                  page_word(outcome.cancelled_at);
    }
    for (const auto& [setting, why] : outcome.refused) {
        report +=
            QStringLiteral("\n  %1 %2 %3")
                .arg(page_word(setting), qt_text(kSettingsRefused), QString::fromStdString(why));
    }
    for (const auto& [setting, has] : outcome.missing) {
        report += QStringLiteral("\n  %1 %2 %3")
                      .arg(page_word(setting), qt_text(kSettingsDidNotTake), page_word(has));
    }
    show_message(this, report);
}

bool CQuorvelDriveUtilityDlg::system_command_chosen(std::uintptr_t command) {
    switch (system_command(command)) {
        case SystemCommand::About: show_about(); return true;
        case SystemCommand::Help: open_help(); return true;
        case SystemCommand::Default: break;
    }
    return false;
}

#ifdef Q_OS_WIN
void CQuorvelDriveUtilityDlg::add_native_system_menu_items() {
    HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    for (const SystemMenuItem& item : system_menu_items()) {
        if (item.command == 0) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            const std::wstring label = QString::fromStdString(item.text).toStdWString();
            ::AppendMenuW(menu, MF_STRING, item.command, label.c_str());
        }
    }
}

bool CQuorvelDriveUtilityDlg::nativeEvent(const QByteArray& type, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (type == "windows_generic_MSG" && msg->message == WM_SYSCOMMAND &&
        system_command_chosen(static_cast<std::uintptr_t>(msg->wParam))) {
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(type, message, result);
}
#endif

void CQuorvelDriveUtilityDlg::open_help() {
    const std::string name = help_file_name(current_model_name(), locale_is_japanese_japan());
    QString path = QDir::current().absoluteFilePath(QString::fromStdString(name));
    // Without the model's help file (always, on Linux), the program's own manual; without
    // either, the user is told rather than shown nothing.
    const bool help_file = QFileInfo(path).isFile();
    if (!help_file) {
        path = manual_page();
        if (path.isEmpty()) {
            show_message(this,
                         qt_text(kHelpMissing) + QLatin1Char('\n') + QString::fromStdString(name));
            return;
        }
    }
    if (opener_slot()) {
        opener_slot()(path);
        return;
    }
#ifdef Q_OS_WIN
    if (help_file) {
        // The bare name: the shell looks for it in the current folder. What it answers is not
        // looked at.
        const std::wstring file = QString::fromStdString(name).toStdWString();
        ::ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
#endif
    // The desktop's handler for the file type, never a shell command line.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CQuorvelDriveUtilityDlg::show_about() {
    CAboutDlg about(this);
    about.exec();
}

}  // namespace qdu
