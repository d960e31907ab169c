// The three settings pages clicked as a user clicks them, against the simulated drive.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "settings/reading_page.h"
#include "settings/system_page.h"
#include "settings/utility_page.h"
#include "shell/message_box.h"
#include "strings/strings.h"
#include "support/gui_fixture.h"

using namespace qdu;
using qdu::testing::install_scenario;
using qdu::testing::take_commands;
using qdu::testing::writes_only;
using Texts = std::vector<std::string>;

class SettingsPagesTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<SimulatedBus> bus;
    QStringList questions;
    bool answer = true;

    SimulatedDrive& drive() { return *bus->drive('E'); }

    void start(const std::string& settings) {
        bus = install_scenario("drive E\ncode MXR 2750LC58\n" + settings);
        QVERIFY(open_drive('E'));
        send_command(CommandBlock{0x00}, DataDirection::NoData);  // the power-on reset
        drive().clear_received();
    }

    template <typename W>
    static W* control(QWidget& page, int id) {
        auto* w = page.findChild<W*>(QString::number(id));
        if (w == nullptr) {
            qFatal("control %d missing", id);
        }
        return w;
    }

    static void choose(QComboBox* combo, int index) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

private slots:
    void init() {
        questions.clear();
        answer = true;
        set_question_answerer([this](const QString& q) {
            questions << q;
            return answer;
        });
    }
    void cleanup() {
        set_question_answerer(nullptr);
        set_ui_language(Language::English);
        qdu::testing::uninstall_scenario();
    }

    void readingPageShowsTheDriveAndSendsClarivox() {
        start("");
        CDialogSetting2R42J page(nullptr);
        QCOMPARE(control<QComboBox>(page, 1000)->currentIndex(), 1);
        QCOMPARE(control<QComboBox>(page, 1000)->itemText(2), QString("High speed data read mode"));
        QVERIFY(control<QRadioButton>(page, 1004)->isChecked());
        QVERIFY(!control<QRadioButton>(page, 1008)->isEnabled());
        QCOMPARE(control<QRadioButton>(page, 1003)->toolTip(),
                 QString("The drive will keep spinning in low speed to avoid operational and fan "
                         "noise."));
        QCOMPARE(control<QGroupBox>(page, 1044)->title(), QString("Clarivox3+"));
        take_commands(drive());

        control<QCheckBox>(page, 1007)->click();
        QCOMPARE(writes_only(take_commands(drive())),
                 (Texts{"ZERO", "FN 08 00 00 00 00 00 00", "SPEED 82", "FN 01 80 01 FE 01 00 00"}));
        QVERIFY(control<QCheckBox>(page, 1007)->isChecked());
        QVERIFY(control<QRadioButton>(page, 1008)->isChecked());
        QVERIFY(control<QRadioButton>(page, 1009)->isEnabled());
        QVERIFY(control<QCheckBox>(page, 1010)->isEnabled());

        control<QRadioButton>(page, 1009)->click();
        QVERIFY(control<QRadioButton>(page, 1009)->isChecked());
        QVERIFY(!control<QRadioButton>(page, 1008)->isChecked());
        QCOMPARE(drive().current_settings().clarivox_high, 0x08);
    }

    void readingPagePromptCancelPutsTheComboBack() {
        start("clarivox perfect\nreal-time-clarivox on\n");
        CDialogSetting2R42J page(nullptr);
        take_commands(drive());
        answer = false;
        choose(control<QComboBox>(page, 1000), 0);
        QCOMPARE(questions, QStringList{"Disable the Real Time Clarivox. OK?"});
        QVERIFY(writes_only(take_commands(drive())).empty());
        QCOMPARE(control<QComboBox>(page, 1000)->currentIndex(), 1);

        answer = true;
        choose(control<QComboBox>(page, 1000), 0);
        QCOMPARE(control<QComboBox>(page, 1000)->currentIndex(), 0);
        QVERIFY(control<QRadioButton>(page, 1004)->isHidden());
        QVERIFY(!control<QCheckBox>(page, 1010)->isChecked());
    }

    void readingPageRereadsWhenShownAndWhenHidden() {
        start("");
        CDialogSetting2R42J page(nullptr);
        set_clarivox(ClarivoxMode::Master, false, false);
        QVERIFY(!control<QCheckBox>(page, 1007)->isChecked());
        page.show();
        QVERIFY(control<QCheckBox>(page, 1007)->isChecked());
        QVERIFY(control<QRadioButton>(page, 1009)->isChecked());

        set_clarivox(ClarivoxMode::Off, false, false);
        CDialogSettingR42J system(nullptr);
        system.show();
        take_commands(drive());
        page.hide();  // its tab left: the page reads the drive as it goes
        QVERIFY(!control<QCheckBox>(page, 1007)->isChecked());
        system.hide();
        QVERIFY(!take_commands(drive()).empty());
    }

    void systemPageVideoAndAudioMode() {
        start("");
        CDialogSettingR42J page(nullptr);
        QCOMPARE(control<QComboBox>(page, 1000)->currentIndex(), 0);
        take_commands(drive());
        control<QCheckBox>(page, 1060)->click();
        QCOMPARE(writes_only(take_commands(drive())),
                 (Texts{"ZERO", "FN 08 00 00 00 00 00 00", "ZERO", "FN 0D 00 00 00 00 00 00",
                        "ZERO", "FN 0A 00 01 00 00 00 00", "ZERO", "FN 0C 00 01 00 00 00 00",
                        "ZERO", "FN 0B 00 01 00 00 00 00"}));
        QVERIFY(control<QCheckBox>(page, 1060)->isChecked());
        QVERIFY(!control<QCheckBox>(page, 1059)->isChecked());
        QVERIFY(!control<QCheckBox>(page, 1059)->isEnabled());
        QVERIFY(control<QCheckBox>(page, 1067)->isChecked());
        QVERIFY(!control<QCheckBox>(page, 1067)->isEnabled());
        QVERIFY(!control<QCheckBox>(page, 1055)->isEnabled());
        QVERIFY(control<QComboBox>(page, 1000)->isEnabled());
    }

    void systemPageMediaAndWriteModes() {
        start("dvd-write-mode over-speed-protection\n");
        CDialogSettingR42J page(nullptr);
        take_commands(drive());
        choose(control<QComboBox>(page, 1000), 1);
        QVERIFY(writes_only(take_commands(drive())).empty());
        QVERIFY(control<QCheckBox>(page, 1053)->isHidden());
        QVERIFY(control<QRadioButton>(page, 1056)->isHidden());
        QVERIFY(control<QRadioButton>(page, 1083)->isChecked());

        control<QRadioButton>(page, 1062)->click();
        QCOMPARE(writes_only(take_commands(drive())),
                 (Texts{"ZERO", "FN 0D 00 00 00 00 00 00", "ZERO", "FN 09 00 00 04 00 00 00"}));
        QVERIFY(control<QRadioButton>(page, 1062)->isChecked());
        QVERIFY(!control<QRadioButton>(page, 1083)->isChecked());
        // The Japan-only tooltip is absent elsewhere.
        QVERIFY(control<QRadioButton>(page, 1062)->toolTip().isEmpty());
    }

    // Arrow keys in a radio group check the next radio, and the page applies it as a click.
    void arrowKeysMoveTheRadioGroupsChoice() {
        start("dvd-write-mode over-speed-protection\n");
        CDialogSettingR42J page(nullptr);
        choose(control<QComboBox>(page, 1000), 1);  // DVD: 1056 Write Quality is hidden
        take_commands(drive());
        QTest::keyClick(control<QRadioButton>(page, 1083), Qt::Key_Down);  // round the end
        QVERIFY(control<QRadioButton>(page, 1062)->isChecked());
        QVERIFY(!control<QRadioButton>(page, 1083)->isChecked());
        QCOMPARE(writes_only(take_commands(drive())),
                 (Texts{"ZERO", "FN 0D 00 00 00 00 00 00", "ZERO", "FN 09 00 00 04 00 00 00"}));

        CDialogSetting2R42J reading(nullptr);
        take_commands(drive());
        QTest::keyClick(control<QRadioButton>(reading, 1004), Qt::Key_Up);
        QVERIFY(control<QRadioButton>(reading, 1003)->isChecked());
        QCOMPARE(drive().current_settings().reading_mode, 3);  // persistent quiet
    }

    void utilityPageAsksBeforeRestoring() {
        start("led-off on\n");
        CUtilityDialogKt5 page(nullptr);
        auto* button = control<QPushButton>(page, 1043);
        QCOMPARE(button->text(), QString("Restore Factory Default"));
        QCOMPARE(button->toolTip(), QString(" Reset all of the settings to the factory default. "));
        answer = false;
        button->click();
        QVERIFY(take_commands(drive()).empty());
        answer = true;
        button->click();
        QCOMPARE(questions.size(), 2);
        QCOMPARE(questions[0], QString(" Reset all of the settings to the factory default. OK?"));
        QCOMPARE(take_commands(drive()).size(), std::size_t{16});
        QVERIFY(!drive().saved_settings().led_off);
    }

    void pagesSpeakJapanese() {
        start("");
        set_ui_language(Language::Japanese);
        CDialogSetting2R42J reading(nullptr);
        CDialogSettingR42J system(nullptr);
        QCOMPARE(control<QGroupBox>(reading, 1037)->title(), QString("読み込みモード設定"));
        QCOMPARE(control<QCheckBox>(system, 1067)->text(), QString("LED 消灯"));
        QCOMPARE(control<QComboBox>(system, 1000)->itemText(1), QString("DVD 書き込み設定"));
    }
};

QTEST_MAIN(SettingsPagesTest)
#include "pages_test.moc"
