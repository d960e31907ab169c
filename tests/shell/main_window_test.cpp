#include "shell/main_window.h"
#ifdef QDU_HAVE_HISTORY
#include <QTemporaryDir>
#include <QTreeWidget>

#include "history/history_dialog.h"
#endif

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include "cdcheck/check_result.h"
#include "shell/about_dialog.h"
#include "shell/message_box.h"
#include "shell/window_options.h"
#include "strings/strings.h"
#include "support/gui_fixture.h"
#ifdef __linux__
#include "drive/linux_sg.h"
#include "support/fake_linux_tree.h"
#endif

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace qdu;
using qdu::testing::install_scenario;
using qdu::testing::take_commands;

namespace {

const char* const kBothKinds =
    "drive D\ncode MXR 2750LC58\ndrive F\nvendor OTHERVND\nvendor-buffers no\n"
    "drive H\ncode MXR 2750LC31\n";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> help_folder;
    QString previous_folder;
    QComboBox* selector(CQuorvelDriveUtilityDlg& w) { return w.findChild<QComboBox*>("1000"); }
    QTabBar* tabs(CQuorvelDriveUtilityDlg& w) { return w.findChild<QTabBar*>("1001"); }
    void choose_drive(CQuorvelDriveUtilityDlg& w, int index) {
        selector(w)->setCurrentIndex(index);
        emit selector(w)->activated(index);
    }
    void choose_tab(CQuorvelDriveUtilityDlg& w, int index) { tabs(w)->setCurrentIndex(index); }
    // The title of the modal dialog that `open` shows, which is then closed with OK.
    template <typename Open>
    QString about_title_after(Open open) {
        QString title;
        QTimer::singleShot(0, [&title] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                title = dialog->windowTitle();
                dialog->accept();
            }
        });
        open();
        return title;
    }

private slots:
    void initTestCase() { qdu::testing::empty_check_history(); }

    // The model's help files are in the current folder, as the help command expects them.
    void init() {
        status_page_visible() = false;
        help_folder = std::make_unique<QTemporaryDir>();
        for (const char* name : {"KVT-R42_English.chm", "KVT-R42_Japanese.chm"}) {
            QFile(help_folder->filePath(name)).open(QIODevice::WriteOnly);
        }
        previous_folder = QDir::currentPath();
        QDir::setCurrent(help_folder->path());
        // A message box would wait for a click that never comes.
        set_message_reader([](const QString& m) { QFAIL(qPrintable("unexpected message: " + m)); });
    }
    void cleanup() {
        qdu::testing::uninstall_scenario();
        set_help_opener(nullptr);
        set_manual_folder({});
        set_message_reader(nullptr);
        qputenv("LANG", "C");
        QDir::setCurrent(previous_folder);
        help_folder.reset();
    }

    // Without the help file, the program's manual in the user's language; without either, a
    // message names the help file instead of nothing happening.
    void helpFallsBackToTheManual() {
        install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        QString opened;
        QStringList messages;
        set_help_opener([&opened](const QString& path) { opened = path; });
        set_message_reader([&messages](const QString& m) { messages << m; });
        QFile::remove("KVT-R42_English.chm");
        QTemporaryDir manual;
        for (const char* language : {"en", "ja"}) {
            QDir(manual.path()).mkpath(language);
            QFile(manual.filePath(QString(language) + "/index.html")).open(QIODevice::WriteOnly);
        }
        set_manual_folder(manual.path());
        w.open_help();
        QCOMPARE(opened, QFileInfo(manual.filePath("en/index.html")).canonicalFilePath());
        set_ui_language(Language::Japanese);
        w.open_help();
        set_ui_language(Language::English);
        QCOMPARE(opened, QFileInfo(manual.filePath("ja/index.html")).canonicalFilePath());
        QVERIFY(messages.isEmpty());

        opened.clear();
        set_manual_folder(manual.filePath("nowhere"));
        w.open_help();
        QVERIFY(opened.isEmpty());
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].endsWith("\nKVT-R42_English.chm"));
    }

    void noDriveShowsTheMessageAndNothingElse() {
        install_scenario("");
        CQuorvelDriveUtilityDlg w;
        QCOMPARE(selector(w)->count(), 0);
        QCOMPARE(tabs(w)->count(), 0);
        QCOMPARE(w.page_count(), 0);
        auto* message = w.findChild<QLabel*>("1051");
        QVERIFY(message != nullptr);
        QVERIFY(!message->isHidden());
        QCOMPARE(message->text(), QString("The drive is not connected."));
        QCOMPARE(w.windowTitle(), QString("Quorvel BD Drive Utility"));
        // Simulated drives are not the system's: nothing for the doctor to say.
        QVERIFY(w.findChild<QLabel*>("doctor-line")->isHidden());
    }

#ifdef __linux__
    void noUsableDriveSaysWhyBeneath() {
        auto tree = std::make_shared<qdu::testing::FakeLinuxTree>();
        tree->drive(0, 0, "QUORVEL", "BD-RW KVT-R42");
        tree->owners[tree->node("sr0")] = {"root", "cdrom", 0660};
        tree->owners[tree->node("sg0")] = {"root", "cdrom", 0660};
        install_device_provider(std::make_shared<LinuxDeviceProvider>(tree, tree->paths()));
        const QString sg0 = QString::fromStdString(tree->node("sg0"));
        for (const Language language : {Language::English, Language::Japanese}) {
            set_ui_language(language);
            CQuorvelDriveUtilityDlg w;
            QCOMPARE(w.page_count(), 0);
            QVERIFY(!w.findChild<QLabel*>("1051")->isHidden());
            auto* line = w.findChild<QLabel*>("doctor-line");
            QVERIFY(!line->isHidden());
            QCOMPARE(line->text(),
                     language == Language::English
                         ? sg0 + " cannot be opened: permission denied — see qdu doctor"
                         : sg0 +
                               " を開けません: アクセス権がありません — 詳しくは qdu "
                               "doctor を参照してください");
        }
        set_ui_language(Language::English);
    }
#endif

    void oneDriveWithoutCheckHasFourTabs() {
        install_scenario("drive E\ncode MXR 2750LC31\n");
        CQuorvelDriveUtilityDlg w;
        QCOMPARE(selector(w)->count(), 1);
        QCOMPARE(selector(w)->itemText(0), QString("E : QUORVEL BD-RW KVT-R42   1.00"));
        QCOMPARE(tabs(w)->count(), 4);
        QCOMPARE(tabs(w)->tabText(0), QString(" Setting1 "));
        QCOMPARE(tabs(w)->tabText(3), QString(" Utility "));
        QCOMPARE(tabs(w)->currentIndex(), 0);
        QCOMPARE(w.page_count(), 5);
        QVERIFY(!w.page(kSetting1)->isHidden());
        for (const int slot : {kSetting2, kStatus, kUtility, kCdCheck}) {
            QVERIFY(w.page(slot)->isHidden());
        }
        QVERIFY(w.findChild<QLabel*>("1051")->isHidden());
        QCOMPARE(w.minimumSize(), w.maximumSize());
    }

    void cdCheckTabFollowsTheSelectedDrive() {
        install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        QCOMPARE(tabs(w)->count(), 5);
        QCOMPARE(tabs(w)->tabText(4), QString(" CD Check "));
        choose_tab(w, kCdCheck);
        QVERIFY(!w.page(kCdCheck)->isHidden());

        choose_drive(w, 1);  // H: no CD check
        QCOMPARE(tabs(w)->count(), 4);
        QCOMPARE(tabs(w)->currentIndex(), 0);
        QVERIFY(!w.page(kSetting1)->isHidden());
        QVERIFY(w.page(kCdCheck)->isHidden());
        QVERIFY(!status_page_visible());
        QCOMPARE(drive_device().letter, 'H');

        choose_drive(w, 0);
        QCOMPARE(tabs(w)->count(), 5);
        choose_drive(w, 0);  // already there: no second tab
        QCOMPARE(tabs(w)->count(), 5);
    }

    void statusTabSetsTheFlag() {
        install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        choose_tab(w, kStatus);
        QVERIFY(status_page_visible());
        QVERIFY(!w.page(kStatus)->isHidden());
        choose_tab(w, kUtility);
        QVERIFY(!status_page_visible());
        choose_tab(w, kStatus);
        choose_tab(w, kSetting2);
        QVERIFY(!status_page_visible());
    }

    void driveChangeRefreshesFourPagesInOrderAndEmptiesTheResult() {
        auto bus = install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        std::vector<int> order;
        for (const int slot : {kSetting1, kSetting2, kStatus, kUtility, kCdCheck}) {
            connect(w.page(slot), &TabPage::refreshed, this,
                    [&order, slot] { order.push_back(slot); });
        }
        check_result().disc_level = LevelD;
        check_result().track_level[3] = LevelC;
        bus->drive('H')->clear_received();

        choose_drive(w, 1);
        QCOMPARE(order, (std::vector<int>{kSetting1, kSetting2, kStatus, kCdCheck}));
        QCOMPARE(check_result().disc_level, static_cast<int>(LevelA));
        QCOMPARE(check_result().track_level[3], static_cast<int>(LevelA));
        // H is opened, its removal allowed, then the settings pages read it.
        const auto commands = take_commands(*bus->drive('H'));
        QVERIFY(!commands.empty());
        QCOMPARE(commands.front(), std::string("1E 00 00 00 00 00 00 00 00 00 00 00"));
        QCOMPARE(commands.back(), std::string("READ F4"));
    }

    void menuHasHelpThenVersion() {
        install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        const auto actions = w.window_menu()->actions();
        QCOMPARE(actions[0]->text(), QString("HELP"));
        QCOMPARE(actions[0]->data().toInt(), 32);
        QCOMPARE(actions[1]->text(), QString("Version Information QuorvelDriveUtility(&A)..."));
        QCOMPARE(actions[1]->data().toInt(), 16);
    }

    // The ☰ menu saves the drive's settings to a file and brings the drive back to one: the
    // changes are asked for, made as a click on the page makes them, and the page shows them.
    void settingsFileSavedAndLoaded() {
        auto bus = install_scenario(kBothKinds);
        QTemporaryDir folder;
        const QString file = folder.filePath("settings.json");
        QStringList messages;
        QStringList questions;
        set_message_reader([&messages](const QString& m) { messages << m; });
        set_question_answerer([&questions](const QString& q) {
            questions << q;
            return true;
        });
        set_save_file_chooser([&file](QWidget*, const QString&) { return file; });
        set_open_file_chooser([&file](QWidget*, const QString&) { return file; });
        auto writes = [&bus] {
            QStringList sent;
            for (const std::string& c : take_commands(*bus->drive('D'))) {
                if (c.rfind("FN ", 0) == 0 || c == "ZERO") {
                    sent << QString::fromStdString(c);
                }
            }
            return sent;
        };

        CQuorvelDriveUtilityDlg w;
        QCOMPARE(w.findChild<QAction*>("save-settings")->text(),
                 QString("Save settings to a file…"));
        QCOMPARE(w.findChild<QAction*>("load-settings")->text(),
                 QString("Load settings from a file…"));
        w.findChild<QAction*>("save-settings")->trigger();
        QCOMPARE(messages.value(0), "The drive's settings were saved to this file:\n" + file);
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        QVERIFY(text.contains("\"model\": \"KVT-R42\""));
        QVERIFY(text.contains("\"led_off\": false"));

        auto* led_off = w.findChild<QCheckBox*>("1067");
        choose_tab(w, kSetting2);
        led_off->click();
        QVERIFY(led_off->isChecked());
        QStringList click_off;
        {
            CQuorvelDriveUtilityDlg other;  // what one click to turn it off sends
            choose_tab(other, kSetting2);
            take_commands(*bus->drive('D'));
            other.findChild<QCheckBox*>("1067")->click();
            click_off = writes();
            other.findChild<QCheckBox*>("1067")->click();  // and on again
        }
        QVERIFY(!click_off.isEmpty());
        take_commands(*bus->drive('D'));

        w.findChild<QAction*>("load-settings")->trigger();
        QCOMPARE(questions.size(), 1);
        // The change is named as the page names it, in the window's language.
        QVERIFY2(questions[0].endsWith("\n  LED OFF: ON \u2192 OFF"), qPrintable(questions[0]));
        QCOMPARE(messages.value(1), QString("The settings of the file were applied."));
        QCOMPARE(writes(), click_off);
        QVERIFY(!led_off->isChecked());
        led_off->click();
        set_ui_language(Language::Japanese);
        w.findChild<QAction*>("load-settings")->trigger();
        set_ui_language(Language::English);
        QVERIFY2(questions.value(1).endsWith("\n  LED 消灯: ON \u2192 OFF"),
                 qPrintable(questions.value(1)));

        set_message_reader(nullptr);
        set_question_answerer(nullptr);
        set_save_file_chooser(nullptr);
        set_open_file_chooser(nullptr);
    }

#ifdef QDU_HAVE_HISTORY
    // The menu opens the check history beside the window, in the user's language.
    void menuOpensTheCheckHistory() {
        install_scenario(kBothKinds);
        QTemporaryDir folder;
        for (const Language language : {Language::English, Language::Japanese}) {
            set_ui_language(language);
            CQuorvelDriveUtilityDlg w;
            w.set_history_file(folder.filePath("history.sqlite3").toStdString());
            w.window_menu()->findChild<QAction*>("check-history")->trigger();
            auto* dialog = w.findChild<CheckHistoryDialog*>();
            QVERIFY(dialog != nullptr && dialog->isVisible());
            QCOMPARE(dialog->list()->topLevelItemCount(), 0);
            if (language == Language::Japanese) {
                QCOMPARE(dialog->windowTitle(), QString("チェック履歴"));
                QCOMPARE(dialog->list()->headerItem()->text(1), QString("ディスク ID"));
            } else {
                QCOMPARE(dialog->windowTitle(), QString("Check history"));
            }
            dialog->close();
        }
        set_ui_language(Language::English);
    }
#endif

    void helpFileFollowsModelAndLocale() {
        install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        QString opened;
        set_help_opener([&opened](const QString& path) { opened = path; });

        qputenv("LANG", "en_US.UTF-8");
        w.window_menu()->actions()[0]->trigger();
        QCOMPARE(opened, QDir::current().absoluteFilePath("KVT-R42_English.chm"));
#ifndef Q_OS_WIN  // Windows decides by the locale identifier the process started with
        qputenv("LANG", "ja_JP.UTF-8");
        w.window_menu()->actions()[0]->trigger();
        QCOMPARE(QFileInfo(opened).fileName(), QString("KVT-R42_Japanese.chm"));
        qputenv("LANG", "ja_XX.UTF-8");  // Japanese, but not in Japan
        w.window_menu()->actions()[0]->trigger();
        QCOMPARE(QFileInfo(opened).fileName(), QString("KVT-R42_English.chm"));
#endif
    }

    // Commands count by their identifier without its four low bits, as the system's do; the
    // system's own pass through.
    void systemMenuCommands() {
        install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        QString opened;
        set_help_opener([&opened](const QString& path) { opened = path; });
        QVERIFY(w.system_command_chosen(32 | 0x7));
        QCOMPARE(QFileInfo(opened).fileName(), QString("KVT-R42_English.chm"));
        opened.clear();
        QVERIFY(!w.system_command_chosen(0xF060));  // close: the system's
        QVERIFY(!w.system_command_chosen(48));
        QVERIFY(opened.isEmpty());
        QCOMPARE(about_title_after([&] { QVERIFY(w.system_command_chosen(16 | 0x1)); }),
                 QString("Version Information Quorvel BD Drive Utilit"));
    }

#ifdef Q_OS_WIN
    // The items are in the window's own system menu, after a separator, and the menu's
    // commands reach them as the system sends them.
    void nativeSystemMenuCarriesTheItems() {
        install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        w.show();
        const HWND window = reinterpret_cast<HWND>(w.winId());
        const HMENU menu = ::GetSystemMenu(window, FALSE);
        const int count = ::GetMenuItemCount(menu);
        QVERIFY(count >= 3);
        auto text_of = [menu](int position) {
            wchar_t text[128] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
            return QString::fromWCharArray(text);
        };
        QVERIFY(::GetMenuState(menu, static_cast<UINT>(count - 3), MF_BYPOSITION) & MF_SEPARATOR);
        QCOMPARE(::GetMenuItemID(menu, count - 2), 32U);
        QCOMPARE(text_of(count - 2), QString("HELP"));
        QCOMPARE(::GetMenuItemID(menu, count - 1), 16U);
        QCOMPARE(text_of(count - 1), QString("Version Information QuorvelDriveUtility(&A)..."));

        QString opened;
        set_help_opener([&opened](const QString& path) { opened = path; });
        ::SendMessageW(window, WM_SYSCOMMAND, 32, 0);
        QCOMPARE(QFileInfo(opened).fileName(), QString("KVT-R42_English.chm"));
        QCOMPARE(about_title_after([&] { ::SendMessageW(window, WM_SYSCOMMAND, 16, 0); }),
                 QString("Version Information Quorvel BD Drive Utilit"));
        QVERIFY(w.isVisible());
    }

    // Windows decides once, from the session: the texts by the user-interface language, the
    // help file by the locale identifier. ctest runs this again under a Japanese session.
    void windowsSessionDecidesTheLanguages() {
        const bool japanese = qgetenv("QDU_EXPECT_SESSION") == "ja";
        QCOMPARE(ui_language(), japanese ? Language::Japanese : Language::English);
        install_scenario(kBothKinds);
        CQuorvelDriveUtilityDlg w;
        QString opened;
        set_help_opener([&opened](const QString& path) { opened = path; });
        w.window_menu()->actions()[0]->trigger();
        QCOMPARE(w.window_menu()->actions()[0]->text(), QString(japanese ? "ヘルプ" : "HELP"));
        QCOMPARE(QFileInfo(opened).fileName(),
                 QString(japanese ? "KVT-R42_Japanese.chm" : "KVT-R42_English.chm"));
    }
#endif

    void versionDialogShowsItsTexts() {
        CAboutDlg about(nullptr);
        QCOMPARE(about.windowTitle(), QString("Version Information Quorvel BD Drive Utilit"));
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>()) {
            texts << label->text();
        }
        QVERIFY(texts.contains("Quorvel BD Drive Utility, Version 1, 1, 0, 5"));
        auto* ok = about.findChild<QPushButton*>("1");
        QVERIFY(ok != nullptr && ok->isDefault());
        QCOMPARE(ok->text(), QString("OK"));
        ok->click();
        QCOMPARE(about.result(), static_cast<int>(QDialog::Accepted));
    }

    void helpFileNameIgnoresWhatTheDriveCouldAbuse() {
        install_scenario(
            "drive D\nvendor \"../..\"\nproduct \"/etc/x;rm -rf\"\ncode MXR 2750LC58\n");
        CQuorvelDriveUtilityDlg w;
        QString opened;
        set_help_opener([&opened](const QString& path) { opened = path; });
        qputenv("LANG", "C");
        QFile("etcxrm-rf100_English.chm").open(QIODevice::WriteOnly);
        w.window_menu()->actions()[0]->trigger();
        QCOMPARE(opened, QDir::current().absoluteFilePath("etcxrm-rf100_English.chm"));
    }

    // A launcher may hand the window a file: it warns and starts; its own options stay strict.
    void unknownArgumentsWarnAndTheWindowStarts() {
        WindowOptions options;
        const auto started =
            parse_window_options({"somefile.txt", "--simulate=gallery", "--tab=2", "--history",
                                  "/tmp/h.sqlite3", "--check-history"},
                                 options);
        QVERIFY(!started.exit_code.has_value());
        QVERIFY(started.err.find("warning: ignoring the argument 'somefile.txt'") !=
                std::string::npos);
        QVERIFY(options.simulate);
        QCOMPARE(options.scenario, std::string("gallery"));
        QCOMPARE(options.tab, 2);
        QCOMPARE(options.history_file, std::string("/tmp/h.sqlite3"));
        QVERIFY(options.open_history);

        for (const std::vector<std::string>& bad : {std::vector<std::string>{"--tab=9"},
                                                    {"--sim-state"},
                                                    {"--start-check=slow"},
                                                    {"--history"}}) {
            WindowOptions ignored;
            QCOMPARE(parse_window_options(bad, ignored).exit_code, std::optional<int>(2));
        }
        WindowOptions help;
        QCOMPARE(parse_window_options({"--help", "x"}, help).exit_code, std::optional<int>(0));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
