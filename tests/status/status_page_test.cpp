// The Status page and its indicator on the offscreen platform, against the simulated drive.
#include "status/status_page.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "status/error_indicator.h"
#include "support/gui_fixture.h"
#include "support/hooked_provider.h"

using namespace qdu;
using qdu::testing::install_scenario;
using qdu::testing::take_commands;

namespace {

QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

QImage indicator(int w, int h, std::uint8_t level) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    render_error_indicator(image, level);
    return image;
}

const QColor kGrey(112, 112, 112);
const QColor kBlack(0, 0, 0);

}  // namespace

class StatusPageTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<SimulatedBus> bus;
    double now = 10.0;

    void start(const std::string& lines) {
        bus = install_scenario("drive E\ncode MXR 2750LC58\n" + lines);
        bus->drive('E')->set_clock([this] { return now; });
        QVERIFY(open_drive('E'));
        send_command(CommandBlock{0x00}, DataDirection::NoData);
        bus->drive('E')->clear_received();
    }

    static QString text(QWidget& page, int id) {
        QWidget* w = page.findChild<QWidget*>(QString::number(id));
        if (auto* l = qobject_cast<QLabel*>(w)) {
            return l->text();
        }
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            return e->text();
        }
        return QStringLiteral("<missing %1>").arg(id);
    }

    static bool shown(QWidget& page, int id) {
        return !page.findChild<QWidget*>(QString::number(id))->isHidden();
    }

private slots:
    void cleanup() {
        status_page_visible() = false;
        qdu::testing::uninstall_scenario();
    }

    void indicatorGeometryAt120x20() {
        const QImage level0 = indicator(120, 20, 0);
        QCOMPARE(at(level0, 0, 0), kBlack);  // border
        QCOMPARE(at(level0, 119, 19), kBlack);
        QCOMPARE(at(level0, 1, 1), kGrey);   // grey row above the segments
        QCOMPARE(at(level0, 1, 2), kBlack);  // segment 0 outline, x 1..13
        QCOMPARE(at(level0, 13, 17), kBlack);
        QCOMPARE(at(level0, 2, 3), kGrey);    // its inside
        QCOMPARE(at(level0, 14, 10), kGrey);  // the two-pixel gap
        QCOMPARE(at(level0, 15, 10), kGrey);
        QCOMPARE(at(level0, 16, 10), kBlack);   // segment 1 starts
        QCOMPARE(at(level0, 106, 10), kBlack);  // segment 7, x 106..118
        QCOMPARE(at(level0, 118, 10), kBlack);
        QCOMPARE(at(level0, 5, 18), kGrey);  // the row under the segments

        const QImage level1 = indicator(120, 20, 1);
        QCOMPARE(at(level1, 1, 2), QColor(0, 255, 0));       // top row: full green
        QCOMPARE(at(level1, 13, 8), QColor(128, 255, 128));  // upper half ends light
        QCOMPARE(at(level1, 1, 9), QColor(128, 255, 128));   // lower half starts light
        QCOMPARE(at(level1, 7, 17), QColor(0, 255, 0));      // bottom row: full green
        QCOMPARE(at(level1, 16, 2), kBlack);                 // segment 1 unlit
        QCOMPARE(at(level1, 17, 3), kGrey);

        const QImage level5 = indicator(120, 20, 5);
        QCOMPARE(at(level5, 61, 2), QColor(255, 255, 0));    // segment 4, yellow
        QCOMPARE(at(level5, 61, 9), QColor(255, 128, 128));  // its middle is light red
        QCOMPARE(at(level5, 76, 2), kBlack);                 // segment 5 unlit

        const QImage level8 = indicator(120, 20, 8);
        QCOMPARE(at(level8, 106, 2), QColor(255, 0, 0));
        QCOMPARE(at(level8, 118, 9), QColor(255, 128, 128));
        QCOMPARE(at(level8, 118, 17), QColor(255, 0, 0));
        QCOMPARE(at(level8, 119, 10), kBlack);
    }

    void indicatorAt117x20LeavesGreyColumns() {
        const QImage image = indicator(117, 20, 8);
        QVERIFY(at(image, 110, 2) == QColor(255, 0, 0));  // last segment ends before 111
        for (int x = 111; x <= 115; ++x) {
            QCOMPARE(at(image, x, 10), kGrey);
        }
        QCOMPARE(at(image, 116, 10), kBlack);
    }

    // 78 dialog units wide: the base unit is the mean width of A-Z and a-z, the same for a
    // Japanese font as its Latin letters give, not the font's full-width average.
    void indicatorSizeInDialogUnitsFollowsTheLetters() {
        const QFont japanese(QStringLiteral("Noto Sans CJK JP"), 9);
        const QFontMetrics metrics(japanese);
        if (!QFontInfo(japanese).family().contains(QStringLiteral("CJK"))) {
            QSKIP("the Japanese font is not installed");
        }
        const QString letters =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        const int base = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;  // Windows' rule
        QVERIFY(base < metrics.averageCharWidth());  // else this test proves nothing
        CErrorIndicator widget;
        widget.setFont(japanese);
        QCOMPARE(widget.sizeHint(), QSize(78 * base / 4, 12 * metrics.height() / 8));
    }

    void indicatorRepaintsWithItsSize() {
        CErrorIndicator widget;
        widget.resize(120, 20);
        widget.show_level(5);
        QImage shown = widget.grab().toImage();
        QCOMPARE(shown.pixelColor(61, 2), QColor(255, 255, 0));
        widget.resize(200, 30);
        shown = widget.grab().toImage();
        QCOMPARE(shown.pixelColor(25 * 4 + 1, 2), QColor(255, 255, 0));  // a = 25
        QCOMPARE(shown.pixelColor(25 * 5 + 1, 2), kBlack);
    }

    void pageBlanksItselfAndPollsOnlyWhileSelected() {
        start("disc audio-cd\naudio-playing no\ncounters 2 1000 0\n");
        CDialogStatusR42J page(nullptr);
        QCOMPARE(text(page, 1075), QString(" "));
        QCOMPARE(text(page, 1079), QString("Error Indicator"));
        auto* timer = page.findChild<QTimer*>("timer0");
        QVERIFY(timer != nullptr && timer->isActive());
        QCOMPARE(timer->interval(), 1000);
        take_commands(*bus->drive('E'));

        page.on_timer();
        QVERIFY(take_commands(*bus->drive('E')).empty());
        status_page_visible() = true;
        QTest::qWait(1100);  // the real timer
        QVERIFY(!take_commands(*bus->drive('E')).empty());
        QCOMPARE(text(page, 1065), QString("Not Good"));
        QCOMPARE(text(page, 1046), QString("1000"));
        QCOMPARE(page.findChild<CErrorIndicator*>("1022")->level, std::uint8_t{5});
        QCOMPARE(page.findChild<QLabel*>("1065")->palette().color(QPalette::WindowText),
                 QColor(Qt::black));
    }

    // The bar shows the new level before the disc is read, not after (a disc spinning up can
    // hold the disc commands for half a minute).
    void theBarIsRepaintedBeforeTheDiscCommands() {
        start("disc cd-r\naudio-playing no\ncounters 2 1000 0\n");
        CErrorIndicator* bar = nullptr;
        std::vector<int> levels_seen;  // the bar's level as each command of the tick goes out
        install_device_provider(std::make_shared<qdu::testing::HookedProvider>(
            bus, [&](const ScsiRequest&) { levels_seen.push_back(bar ? bar->level : -1); }));
        QVERIFY(open_drive('E'));
        CDialogStatusR42J page(nullptr);
        bar = page.findChild<CErrorIndicator*>("1022");
        levels_seen.clear();
        status_page_visible() = true;
        page.on_timer();
        QVERIFY(levels_seen.size() > 2);
        QCOMPARE(levels_seen.front(), 0);  // while the counters are read
        QCOMPARE(levels_seen.back(), 5);   // the last disc command: already shown
    }

    void pageShowsThePartsExamples() {
        struct Case {
            const char* counters;
            int level;
            const char* word;
            bool red;
        };
        for (const Case c :
             {Case{"2 1000 0", 5, "Not Good", false}, Case{"100 1000 0", 8, "Fatal", true},
              Case{"99 4000 0", 7, "Bad", false}, Case{"0 5000 0", 0, "Perfect", false}}) {
            start(std::string("disc cd-r\naudio-playing no\ncounters ") + c.counters + "\n");
            CDialogStatusR42J page(nullptr);
            status_page_visible() = true;
            page.on_timer();
            QCOMPARE(page.findChild<CErrorIndicator*>("1022")->level, std::uint8_t(c.level));
            QCOMPARE(text(page, 1065), QString(c.word));
            const QColor word =
                page.findChild<QLabel*>("1065")->palette().color(QPalette::WindowText);
            QCOMPARE(word, c.red ? QColor(255, 0, 0) : QColor(0, 0, 0));
            QCOMPARE(text(page, 1075), QString("CD-R"));
            QCOMPARE(text(page, 1077), QString("Finalized Disc"));
            QCOMPARE(text(page, 1086), QString("97:24:01 - 79:59:71"));
            QCOMPARE(text(page, 1087), QString(" "));
            qdu::testing::uninstall_scenario();
        }
    }

    void clearThenTick() {
        start("disc audio-cd\naudio-playing no\ncounters 9 900 0\n");
        CDialogStatusR42J page(nullptr);
        status_page_visible() = true;
        page.on_timer();
        QCOMPARE(text(page, 1046), QString("900"));
        take_commands(*bus->drive('E'));
        page.findChild<QPushButton*>("1013")->click();
        QCOMPARE(take_commands(*bus->drive('E')),
                 (std::vector<std::string>{"3B 02 F5 00 00 00 00 00 00 00 00 00"}));
        page.on_timer();
        QCOMPARE(text(page, 1046), QString("0"));
        QCOMPARE(text(page, 1065), QString("Perfect"));
    }

    void withoutRealTimeClarivoxTheCounterGroupHides() {
        start("real-time-clarivox-supported no\ndisc dvd-r\n");
        CDialogStatusR42J page(nullptr);
        QCOMPARE(text(page, 1079), QString("Does not support Real Time Clarivox."));
        for (const int id : {1069, 1070, 1022, 1065, 1046, 1080, 1013}) {
            QVERIFY2(!shown(page, id), qPrintable(QString::number(id)));
        }
        status_page_visible() = true;
        page.on_timer();
        QCOMPARE(text(page, 1075), QString("DVD-R Single"));
    }

    void emptyDriveAndSpeedLimit() {
        start("speed-limit-warning yes\n");
        CDialogStatusR42J page(nullptr);
        status_page_visible() = true;
        page.on_timer();
        QCOMPARE(text(page, 1071), QString("No disc is found."));
        QCOMPARE(text(page, 1075), QString(" "));
        QCOMPARE(text(page, 1087), QString(" "));
        qdu::testing::uninstall_scenario();

        start("speed-limit-warning yes\ndisc bd-re\n");
        CDialogStatusR42J limited(nullptr);
        limited.on_timer();
        QCOMPARE(text(limited, 1087),
                 QString("The disc or temp, the drive limits the read/write speed."));
        QCOMPARE(text(limited, 1085), QString("MID"));
        QCOMPARE(text(limited, 1086), QString("VANTIXBE2"));
    }

    void discTextsAreNeverMarkup() {
        start("disc dvd-ram\nmanufacturer-text \"<b>X</b><img src=x>\"\n");
        CDialogStatusR42J page(nullptr);
        status_page_visible() = true;
        page.on_timer();
        auto* label = page.findChild<QLabel*>("1086");
        QCOMPARE(label->text(), QString("<b>X</b><img src=x>"));
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    void escapeDoesNothing() {
        start("disc cd-r\n");
        QWidget window;
        auto* page = new CDialogStatusR42J(&window);
        window.show();
        QTest::keyClick(page, Qt::Key_Escape);
        QVERIFY(window.isVisible());
        QVERIFY(page->isVisible());
    }
};

QTEST_MAIN(StatusPageTest)
#include "status_page_test.moc"
