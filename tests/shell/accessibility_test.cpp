// Screen readers and the keyboard: the accessibility tree of every page and dialog in both
// languages, the values and descriptions that follow the data, and a CD check started,
// watched and read with key events alone.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <atomic>

#include "cdcheck/cd_check_page.h"
#include "cdcheck/progress_dialog.h"
#include "cdcheck/result_graph.h"
#include "shell/about_dialog.h"
#include "shell/main_window.h"
#include "status/error_indicator.h"
#include "status/status_commands.h"
#include "strings/strings.h"
#include "support/gui_fixture.h"
#include "support/progress_dialog_driver.h"
#ifdef QDU_HAVE_HISTORY
#include <QTemporaryDir>

#include "history/history_dialog.h"
#endif

using namespace qdu;

namespace {

// Two drives, the disc given after them is the first's.
std::string drives_with_disc(const std::string& disc) {
    return "drive H\ncode MXR 2750LC31\ndrive D\ncode MXR 2750LC58\n" + disc;
}

// Roles of what a user operates or reads; each needs a name a screen reader can say.
bool needs_name(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::PageTab:
        case QAccessible::PageTabList:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::Table:
        case QAccessible::ProgressBar:
        case QAccessible::Graphic:
        case QAccessible::Indicator:
        case QAccessible::Slider:
        case QAccessible::Grouping:
        case QAccessible::Dialog: return true;
        default: return false;
    }
}

QString describe(QAccessibleInterface* node) {
    QObject* object = node->object();
    return QStringLiteral("%1 \"%2\" (role %3)")
        .arg(object != nullptr ? QString::fromLatin1(object->metaObject()->className())
                               : QStringLiteral("?"),
             object != nullptr ? object->objectName() : QString())
        .arg(static_cast<int>(node->role()));
}

// The visible elements that need a name and have none. A plain widget that only paints (no
// children, not a container) counts as something to read.
void find_unnamed(QAccessibleInterface* node, QStringList& unnamed) {
    if (node == nullptr || node->state().invisible) {
        return;
    }
    // Qt's own parts of a widget (a scroll area's viewport) are read through the widget.
    QObject* object = node->object();
    if (object != nullptr && object->objectName().startsWith(QLatin1String("qt_"))) {
        return;
    }
    const bool painted_only = node->role() == QAccessible::Client && node->childCount() == 0;
    if ((needs_name(node->role()) || painted_only) &&
        node->text(QAccessible::Name).trimmed().isEmpty()) {
        // A group box without a title is a frame, not something to read.
        const bool untitled_frame = node->role() == QAccessible::Grouping;
        if (!untitled_frame || node->childCount() == 0) {
            unnamed << describe(node);
        }
    }
    // A tooltip is what the control means; screen readers read it as the description.
    if (auto* widget = qobject_cast<QWidget*>(object);
        widget != nullptr && !widget->toolTip().isEmpty() &&
        node->text(QAccessible::Description) != widget->toolTip()) {
        unnamed << describe(node) + QStringLiteral(" without its tooltip as description");
    }
    for (int i = 0; i < node->childCount(); ++i) {
        find_unnamed(node->child(i), unnamed);
    }
}

QStringList unnamed_in(QWidget* window) {
    QStringList unnamed;
    find_unnamed(QAccessible::queryAccessibleInterface(window), unnamed);
    return unnamed;
}

// What Tab reaches, in order, as Qt moves the focus.
QList<QWidget*> tab_chain(QWidget* window) {
    QList<QWidget*> chain;
    QWidget* w = window;
    for (int guard = 0; guard < 1000; ++guard) {
        w = w->nextInFocusChain();
        if (w == window) {
            break;
        }
        if (w->isVisibleTo(window) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            chain << w;
        }
    }
    return chain;
}

// Interactive widgets Tab never reaches, and pairs the chain takes against the reading order
// (up, or back to the left on the same row).
QStringList keyboard_problems(QWidget* window) {
    QStringList problems;
    const QList<QWidget*> chain = tab_chain(window);
    const auto widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(w);
        const bool operable =
            node != nullptr && needs_name(node->role()) && node->role() != QAccessible::Graphic &&
            node->role() != QAccessible::Indicator && node->role() != QAccessible::ProgressBar &&
            node->role() != QAccessible::Grouping && node->role() != QAccessible::Dialog;
        if (operable && w->isVisibleTo(window) && w->isEnabled() && !chain.contains(w)) {
            problems << QStringLiteral("not reached by Tab: ") + describe(node);
        }
    }
    for (qsizetype i = 1; i < chain.size(); ++i) {
        const QRect before(chain[i - 1]->mapTo(window, QPoint(0, 0)), chain[i - 1]->size());
        const QRect after(chain[i]->mapTo(window, QPoint(0, 0)), chain[i]->size());
        const bool same_row = after.top() < before.bottom() && before.top() < after.bottom();
        const bool forward =
            same_row ? after.left() >= before.right() - 1 : after.top() >= before.bottom() - 1;
        if (!forward) {
            problems << QStringLiteral("Tab goes back from %1 to %2")
                            .arg(describe(QAccessible::queryAccessibleInterface(chain[i - 1])),
                                 describe(QAccessible::queryAccessibleInterface(chain[i])));
        }
    }
    return problems;
}

// Every accessibility event, to see what screen readers are told.
std::vector<std::pair<QObject*, QAccessible::Event>> g_events;
void record_event(QAccessibleEvent* event) {
    g_events.emplace_back(event->object(), event->type());
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private:
    std::atomic<double> now{1000.0};

    // An instant simulated drive: its clock moves only when the check waits.
    void instant_drives(const std::string& scenario) {
        auto bus = qdu::testing::install_scenario(scenario);
        bus->drive('D')->set_clock([this] { return now.load(); });
        set_sleeper([this](std::chrono::milliseconds ms) {
            now = now.load() + static_cast<double>(ms.count()) / 1000.0;
        });
    }

    void when_dialog(std::function<bool(CDialogInspectionInp*)> ready,
                     std::function<void(CDialogInspectionInp*)> act) {
        qdu::testing::when_progress_dialog(this, std::move(ready), std::move(act));
    }

    static bool ended(CDialogInspectionInp* d) {
        return d->findChild<QPushButton*>("1013")->text() ==
               QString::fromStdString(std::string(text(125)));
    }

private slots:
    void initTestCase() {
        qdu::testing::empty_check_history();
        // Qt tells screen readers anything only once its bridge to the accessibility bus is up.
        QElapsedTimer waited;
        waited.start();
        while (!QAccessible::isActive() && waited.elapsed() < 10000) {
            QTest::qWait(20);
        }
        QVERIFY2(QAccessible::isActive(),
                 "no accessibility bridge: run this test through with_accessibility_bus.sh");
        QAccessible::installUpdateHandler(record_event);
    }

    void cleanup() {
        set_sleeper(nullptr);
        qdu::testing::uninstall_scenario();
        reset_result();
        set_ui_language(Language::English);
    }

    void everyPageAndDialogIsNamedAndReachable_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << static_cast<int>(Language::English);
        QTest::newRow("Japanese") << static_cast<int>(Language::Japanese);
    }

    void everyPageAndDialogIsNamedAndReachable() {
        QFETCH(int, language);
        set_ui_language(static_cast<Language>(language));
        instant_drives(drives_with_disc("disc cd-rom\ntrack 1 audio 00:10:00\n"));
        CQuorvelDriveUtilityDlg window;
        window.show();
        auto* tabs = window.findChild<QTabBar*>("1001");
        QVERIFY(tabs != nullptr);
        QCOMPARE(tabs->count(), 5);
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QApplication::processEvents();
            const QString where = tabs->tabText(page) + QStringLiteral(": ");
            const QStringList unnamed = unnamed_in(&window);
            QVERIFY2(unnamed.isEmpty(), qPrintable(where + unnamed.join(QStringLiteral("; "))));
            const QStringList keyboard = keyboard_problems(&window);
            QVERIFY2(keyboard.isEmpty(), qPrintable(where + keyboard.join(QStringLiteral("; "))));
        }

        // The counters are read with their labels.
        auto* status = window.findChild<QWidget*>("139");
        for (const auto& [field, label] : {std::pair{"1046", "1069"}, std::pair{"1080", "1070"}}) {
            QAccessibleInterface* node =
                QAccessible::queryAccessibleInterface(status->findChild<QLineEdit*>(field));
            QCOMPARE(node->text(QAccessible::Name), status->findChild<QLabel*>(label)->text());
            QVERIFY(node->state().readOnly);
        }

        CAboutDlg about(&window);
        about.show();
        QVERIFY2(unnamed_in(&about).isEmpty(), qPrintable(unnamed_in(&about).join("; ")));
        QVERIFY2(keyboard_problems(&about).isEmpty(),
                 qPrintable(keyboard_problems(&about).join("; ")));
        about.close();

#ifdef QDU_HAVE_HISTORY
        QTemporaryDir folder;
        CheckHistoryDialog history(&window, folder.filePath("history.sqlite3").toStdString());
        history.show();
        QVERIFY2(unnamed_in(&history).isEmpty(), qPrintable(unnamed_in(&history).join("; ")));
        QVERIFY2(keyboard_problems(&history).isEmpty(),
                 qPrintable(keyboard_problems(&history).join("; ")));
        history.close();
#endif

        // The progress dialog while its check runs, and once it has ended.
        tabs->setCurrentIndex(4);
        QStringList running{QStringLiteral("the dialog was never looked at while running")};
        QStringList finished{QStringLiteral("the dialog was never looked at when ended")};
        when_dialog([](CDialogInspectionInp*) { return true; },
                    [&running](CDialogInspectionInp* d) {
                        running = unnamed_in(d) + keyboard_problems(d);
                    });
        when_dialog(ended, [&finished](CDialogInspectionInp* d) {
            finished = unnamed_in(d) + keyboard_problems(d);
            // The disc has no defect, and the picture says so once the check has ended.
            const QString said =
                QAccessible::queryAccessibleInterface(d->findChild<QWidget*>("1094"))
                    ->text(QAccessible::Description);
            if (said != QString::fromStdString(std::string(text(kPictureNoFindings)))) {
                finished << QStringLiteral("the picture says: ") + said;
            }
            d->findChild<QPushButton*>("1013")->click();
        });
        window.start_demo_check(Quick, false);
        QVERIFY2(running.isEmpty(), qPrintable(running.join("; ")));
        QVERIFY2(finished.isEmpty(), qPrintable(finished.join("; ")));
    }

    // The quality bar says its level and word, and tells screen readers when they change.
    void theIndicatorValueFollowsTheLevel() {
        CErrorIndicator indicator;
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(&indicator);
        QCOMPARE(node->role(), QAccessible::Indicator);
        QCOMPARE(node->text(QAccessible::Name), QString("Quality of audio data"));
        QCOMPARE(node->text(QAccessible::Description),
                 QString());  // the page gives it its tooltip
        g_events.clear();
        indicator.show_level(3);
        indicator.set_word(QStringLiteral("Good"));
        QCOMPARE(node->text(QAccessible::Value), QString("Level 3 of 8: Good"));
        QCOMPARE(node->valueInterface()->currentValue().toInt(), 3);
        QCOMPARE(node->valueInterface()->maximumValue().toInt(), 8);
        indicator.show_level(7);
        QCOMPARE(node->text(QAccessible::Value), QString("Level 7 of 8: Good"));
        const auto value_events = std::count(
            g_events.begin(), g_events.end(),
            std::pair<QObject*, QAccessible::Event>(&indicator, QAccessible::ValueChanged));
        QCOMPARE(value_events, 3);
        set_ui_language(Language::Japanese);
        CErrorIndicator japanese;
        japanese.show_level(2);
        QCOMPARE(QAccessible::queryAccessibleInterface(&japanese)->text(QAccessible::Value),
                 QString("レベル 2 / 8: "));
    }

    // From the keyboard alone: to the CD Check tab, Quick, Start; the dialog's stage and
    // remaining time are told as they change; Enter closes it; the report is selected and
    // copied; the picture says in words where the defect is.
    void aCheckByKeyboardAlone() {
        instant_drives(
            drives_with_disc("disc cd-rom\ntrack 1 audio 00:40:00\ntrack 1 audio "
                             "00:40:00\ndefect 00:50:00 00:55:00 level-c\n"));
        CQuorvelDriveUtilityDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* tabs = window.findChild<QTabBar*>("1001");
        auto* page = window.findChild<CDialogInspection*>();
        auto* picture = page->findChild<ResultPicture*>("1088");
        QAccessibleInterface* picture_node = QAccessible::queryAccessibleInterface(picture);
        QCOMPARE(picture_node->role(), QAccessible::Graphic);
        QCOMPARE(picture_node->text(QAccessible::Description),
                 QString("No check has been made yet."));

        const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        };
        const auto tab_to = [&press](QWidget* target) {
            for (int i = 0; i < 30 && QApplication::focusWidget() != target; ++i) {
                press(Qt::Key_Tab);
            }
            return QApplication::focusWidget() == target;
        };
        // The menu button opens from the keyboard, and Escape closes its menu again.
        auto* menu_button = window.findChild<QToolButton*>();
        QVERIFY(tab_to(menu_button));
        QTimer::singleShot(0, [] {
            QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr && menu->isVisible());
            QTest::keyClick(menu, Qt::Key_Escape);
        });
        press(Qt::Key_Space);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        QVERIFY(tab_to(tabs));
        for (int i = 0; i < 4; ++i) {
            press(Qt::Key_Right);
        }
        QCOMPARE(tabs->currentIndex(), 4);
        auto* full = page->findChild<QRadioButton*>("1089");
        auto* quick = page->findChild<QRadioButton*>("1090");
        QVERIFY(tab_to(full));
        press(Qt::Key_Right);
        QVERIFY(quick->isChecked());
        auto* start = page->findChild<QPushButton*>("1013");
        QVERIFY(tab_to(start));

        g_events.clear();
        QObject* stage = nullptr;
        QObject* remaining = nullptr;
        QString stage_at_end;
        when_dialog(ended, [&](CDialogInspectionInp* d) {
            stage = d->findChild<QLabel*>("1092");
            remaining = d->findChild<QLabel*>("1095");
            stage_at_end = static_cast<QLabel*>(stage)->text();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        press(Qt::Key_Space);  // returns when the dialog has closed
        QCOMPARE(stage_at_end, QString("Checking was finished."));
        const auto told = [](QObject* object) {
            return std::count(
                g_events.begin(), g_events.end(),
                std::pair<QObject*, QAccessible::Event>(object, QAccessible::NameChanged));
        };
        QVERIFY2(told(stage) >= 2, "the stage's changes were not told");
        QVERIFY2(told(remaining) >= 1, "the remaining time's changes were not told");

        // Back in the window, as the window manager hands it back, the report has the focus.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* log = page->findChild<QTextEdit*>("1096");
        QCOMPARE(QApplication::focusWidget(), log);
        // Walked line by line with the caret, as a screen reader reads it.
        press(Qt::Key_Home, Qt::ControlModifier);
        press(Qt::Key_End, Qt::ShiftModifier);
        press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("Result : Level C"));
        press(Qt::Key_A, Qt::ControlModifier);
        press(Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QApplication::clipboard()->text().startsWith("Result : Level C\n"));
        QCOMPARE(QApplication::clipboard()->text(), log->toPlainText());

        // The defect lies from 00:50 to 00:55 of disc time, in the second track.
        const QString description = picture_node->text(QAccessible::Description);
        QVERIFY2(QRegularExpression("^\\d+ findings: \\d+ at Level C in track 2 from 00:5\\d "
                                    "to 00:5\\d")
                     .match(description)
                     .hasMatch(),
                 qPrintable(description));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
