// The program's one top-level window: drive selector, tab strip and the five pages.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

#include "drive/discovery.h"
#include "shell/tab_page.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QStackedLayout;
class QTabBar;
class QToolButton;

namespace qdu {

// Opens a file with the desktop's handler; tests put their own in.
using FileOpener = std::function<void(const QString& path)>;
void set_help_opener(FileOpener opener);
// Where the program's own manual is (a folder with en/ and ja/); empty: beside the program, in
// ../share/doc/quorvel-drive-utility/manual. Tests put their own in.
void set_manual_folder(const QString& folder);

class CQuorvelDriveUtilityDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CQuorvelDriveUtilityDlg(QWidget* parent = nullptr);

    // cppcheck, without Qt's headers, takes TabPage* for an integer here.
    // cppcheck-suppress CastIntegerToAddressAtReturn
    TabPage* page(int slot) const { return pages_[static_cast<std::size_t>(slot)]; }
    int page_count() const { return page_count_; }
    const DriveList& drives() const { return drives_; }
    QMenu* window_menu() const { return menu_; }

    // Selects a tab as a click on it does; ignored when there is no such tab.
    void select_tab(int index);
    void on_tab_selected(int index);
    void on_drive_selected(int index);
    void open_help();
    // Selects the CD Check tab and starts a check there, if the drive offers it.
    void start_demo_check(int mode, bool close_when_done);
    void show_about();
    // A command of the system menu's added items (16, 32); false for the system's own.
    bool system_command_chosen(std::uintptr_t command);
    // The ☰ menu's settings files: the drive's settings saved as qdu --json settings writes
    // them, or a file's settings applied as qdu apply applies them, with the pages' questions.
    void save_settings_file();
    void load_settings_file();
#ifdef QDU_HAVE_HISTORY
    // Where the CD Check page keeps its checks and the history dialog reads them.
    void set_history_file(const std::string& path);
    // Opens the check history beside the window (it closes itself).
    class CheckHistoryDialog* show_check_history();
#endif

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& type, void* message, qintptr* result) override;
#endif

private:
#ifdef Q_OS_WIN
    void add_native_system_menu_items();
#endif
    void create_pages();
    QWidget* create_no_drive_page();
    const DriveEntry* current_drive() const;

    DriveList drives_;
    QComboBox* selector_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QStackedLayout* stack_ = nullptr;
    QLabel* not_connected_ = nullptr;
    QLabel* doctor_line_ = nullptr;  // why the system's drives are not usable, beneath it
    QToolButton* menu_button_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* save_settings_ = nullptr;
    QAction* load_settings_ = nullptr;
    std::array<TabPage*, kPageCount> pages_{};
    int page_count_ = 0;
    std::string history_;
};

}  // namespace qdu
