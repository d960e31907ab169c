// The result graph, the progress dialog and the CD Check page against the instant simulated
// drive, on the offscreen platform.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

#include "cdcheck/cd_check_page.h"
#include "cdcheck/grading.h"
#include "cdcheck/progress_dialog.h"
#include "cdcheck/result_graph.h"
#include "drive/discovery.h"
#ifdef QDU_HAVE_HISTORY
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "history/history_dialog.h"
#include "shell/message_box.h"
#endif
#include "status/status_commands.h"
#include "strings/strings.h"
#include "support/gui_fixture.h"
#include "support/hooked_provider.h"
#include "support/progress_dialog_driver.h"

using namespace qdu;

namespace {

CInspectionResult::CNgData point_at(double radius) {
    const double d = picture_distance(radius);
    const PicturePoint p = picture_point(d, 0.0);
    return {p.x, p.y, 6, 6, d};
}

QColor centre(const QImage& image, const CInspectionResult::CNgData& p) {
    return image.pixelColor(p.x + 3, p.y + 3);
}

QImage render(const CInspectionResult& r, bool spot = false) {
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    render_picture(image, r, spot);
    return image;
}

// Holds a command until the gate opens: a drive stuck in a command.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool is_open = false;
    std::atomic<bool> entered{false};  // a command is held now
    void open() {
        std::lock_guard lock(mutex);
        is_open = true;
        cv.notify_all();
    }
    void pass() {
        std::unique_lock lock(mutex);
        entered = true;
        cv.wait(lock, [this] { return is_open; });
    }
};

}  // namespace

class CdCheckGuiTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<SimulatedBus> bus;
    std::atomic<double> now{1000.0};

    void start(const std::string& disc_lines) {
        bus = qdu::testing::install_scenario("drive D\ncode MXR 2750LC58\n" + disc_lines);
        bus->drive('D')->set_clock([this] { return now.load(); });
        set_sleeper([this](std::chrono::milliseconds ms) {
            now = now.load() + static_cast<double>(ms.count()) / 1000.0;
        });
        QVERIFY(open_drive('D'));
        send_command(CommandBlock{0x00}, DataDirection::NoData);
        reset_result();
    }

    // Acts on the progress dialog once it is up and `ready` says so.
    void when_dialog(std::function<bool(CDialogInspectionInp*)> ready,
                     std::function<void(CDialogInspectionInp*)> act) {
        qdu::testing::when_progress_dialog(this, std::move(ready), std::move(act));
    }

    static QPushButton* button(CDialogInspectionInp* d) {
        return d->findChild<QPushButton*>("1013");
    }
    static QString stage(CDialogInspectionInp* d) { return d->findChild<QLabel*>("1092")->text(); }
    static bool ended(CDialogInspectionInp* d) { return button(d)->text() == "OK"; }

private slots:
    void initTestCase() { qdu::testing::empty_check_history(); }

    void cleanup() {
        set_sleeper(nullptr);
        qdu::testing::uninstall_scenario();
        reset_result();
        check_result().reveal_distance = 140.0;
    }

    // Wherever a finding of 22 to 60 mm is placed, at any angle, the disc's surface is below.
    void everyPlacementLiesOnTheDisc() {
        const QImage& picture = DiscPicture();
        for (const double radius : {22.0, 30.0, 40.0, 50.0, 55.0, 58.0, 60.0}) {
            for (int angle = 0; angle < 360; angle += 15) {
                const PicturePoint p = picture_point(picture_distance(radius), angle);
                const QColor c = picture.pixelColor(p.x + 3, p.y + 3);
                QVERIFY2(c != QColor(Qt::white),
                         qPrintable(QString("%1 mm at %2 degrees").arg(radius).arg(angle)));
            }
        }
        QCOMPARE(picture.pixelColor(0, 0), QColor(Qt::white));  // the background
    }

    // Frame by frame: the spot moves 2 degrees a frame at 25 mm in Full and 6 in Quick; no dot
    // shows before the first revolution ends; the last picture has every dot and no spot.
    void animationStepsRevealsAndEnds() {
        struct Frame {
            int x, y;
            double reveal;
            bool dot_shown;
        };
        // Inside the 25 mm revolution, and clear of the spot that circles there.
        const CInspectionResult::CNgData dot = point_at(20.0);
        const double d25 = picture_distance(25.0);
        std::map<CheckMode, std::vector<Frame>> seen;
        for (const CheckMode mode : {Full, Quick}) {
            reset_result();
            check_result().points_b.push_back(dot);
            auto context = std::make_shared<CheckContext>();
            context->mode = mode;
            context->current_radius = 25.0;
            DiscAnimationTarget target;
            std::vector<Frame>& frames = seen[mode];
            target.request_paint = [&] {
                std::lock_guard lock(context->dialog_lock);
                const CInspectionResult& r = check_result();
                frames.push_back({r.spot_x, r.spot_y, r.reveal_distance,
                                  centre(target.offscreen_picture, dot) == QColor(0, 240, 0)});
                if (frames.size() == 62) {
                    context->animation_stop = true;
                }
            };
            animate_disc(context, target);
            QCOMPARE(frames.size(), std::size_t{63});  // 62 frames and the last picture
            QCOMPARE(target.offscreen_picture, render(check_result(), false));
        }
        const auto spot_at = [&](double angle) { return picture_point(d25, angle); };
        const std::vector<Frame>& full = seen[Full];
        const std::vector<Frame>& quick = seen[Quick];
        for (int k : {1, 2, 20}) {
            QCOMPARE(full[k].x, spot_at(2.0 * k).x);
            QCOMPARE(full[k].y, spot_at(2.0 * k).y);
            QCOMPARE(quick[k].x, spot_at(6.0 * k).x);
            QCOMPARE(quick[k].y, spot_at(6.0 * k).y);
        }
        // Quick goes round in 60 frames: the dot appears with the 60th, not before.
        QVERIFY(quick[58].reveal < 0 && !quick[58].dot_shown);
        QCOMPARE(quick[59].reveal, d25);
        QVERIFY(quick[59].dot_shown);
        QVERIFY(!full[61].dot_shown);  // Full is a third of the way round
        QCOMPARE(full.back().reveal, 140.0);
        QVERIFY(full.back().dot_shown);
    }

    void emptyResultIsTheBarePicture() {
        reset_result();
        QCOMPARE(render(check_result()), DiscPicture());
        QCOMPARE(DiscPicture().size(), QSize(311, 173));
        QCOMPARE(DiscPicture().pixelColor(2, 2), QColor(Qt::white));
        QVERIFY(DiscPicture().pixelColor(154, 86) != DiscPicture().pixelColor(100, 86));
    }

    void dotsFollowTheRevealAndTheOrder() {
        CInspectionResult r;
        r.points_b.push_back(point_at(30.0));
        r.points_c.push_back(point_at(40.0));
        r.points_d.push_back(point_at(40.0));  // on top of the C dot
        r.points_d.push_back(point_at(60.0));  // beyond 58 mm: never shown
        r.reveal_distance = picture_distance(0.0);
        const QImage before = render(r);
        QCOMPARE(before, DiscPicture());

        r.reveal_distance = 140.0;
        const QImage after = render(r);
        QCOMPARE(centre(after, r.points_b[0]), QColor(0, 240, 0));
        QCOMPARE(centre(after, r.points_c[0]), QColor(255, 0, 0));
        QCOMPARE(centre(after, r.points_d[1]), centre(DiscPicture(), r.points_d[1]));

        r.reveal_distance = picture_distance(35.0);
        const QImage partly = render(r);
        QCOMPARE(centre(partly, r.points_b[0]), QColor(0, 240, 0));
        QCOMPARE(centre(partly, r.points_c[0]), centre(DiscPicture(), r.points_c[0]));
    }

    void aRepeatIsSkippedEvenAfterAHiddenDot() {
        CInspectionResult r;
        r.reveal_distance = 140.0;
        auto hidden = point_at(40.0);
        hidden.distance = 150.0;  // not revealed
        r.points_c = {hidden, point_at(40.0)};
        QCOMPARE(centre(render(r), r.points_c[1]), centre(DiscPicture(), r.points_c[1]));
    }

    void theSpotIsTranslucentRed() {
        CInspectionResult r;
        r.spot_x = 20;
        r.spot_y = 20;
        const QImage image = render(r, true);
        const QColor below = DiscPicture().pixelColor(25, 25);
        const QColor blended = image.pixelColor(25, 25);
        QVERIFY(qAbs(blended.red() - (96 * 255 + (255 - 96) * below.red()) / 255) <= 1);
        QVERIFY(qAbs(blended.green() - (255 - 96) * below.green() / 255) <= 1);
    }

    // Also at twice the pixels, as on a desktop scaled by 2.
    void dotLayersGiveTheSamePixels_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("2x") << 2.0;
    }

    void dotLayersGiveTheSamePixels() {
        QFETCH(qreal, ratio);
        const auto surface = [ratio] {
            QImage image(QSize(kPictureWidth, kPictureHeight) * ratio, QImage::Format_RGB32);
            image.setDevicePixelRatio(ratio);
            return image;
        };
        CInspectionResult r;
        r.reveal_distance = 140.0;
        DotLayers layers;
        QImage cached = surface();
        for (int round = 0; round < 4; ++round) {
            for (int i = 0; i < 50; ++i) {
                const double radius = 25.0 + (round * 50 + i) * 0.15;
                r.points_b.push_back(point_at(radius));
                if (i % 7 == 0) {
                    r.points_d.push_back(point_at(radius + 0.3));
                }
            }
            r.reveal_distance = round == 2 ? picture_distance(40.0) : 140.0;
            render_picture(cached, r, true, &layers);
            QImage fresh = surface();
            render_picture(fresh, r, true);
            QCOMPARE(cached, fresh);
        }
    }

    void dialogTextsFromTheMessages() {
        start("disc audio-cd\ninsert-after never\n");
        CDialogInspectionInp dialog(nullptr, Full);
        dialog.handle({WM_CHECK_REMAINING, 3725, 0});
        QCOMPARE(dialog.findChild<QLabel*>("1095")->text(), QString("(Remaining time 62:05 ...)"));
        dialog.handle({WM_CHECK_STAGE, 1, 0x0C03});
        QCOMPARE(stage(&dialog), QString("Track No. 3 / 12"));
        dialog.handle({WM_CHECK_STAGE, 0, 0});
        QCOMPARE(stage(&dialog), QString("Reading disc information..."));
        dialog.handle({WM_CHECK_PROGRESS, 42, 0});
        QCOMPARE(dialog.findChild<QProgressBar*>("1091")->value(), 42);
        dialog.handle({WM_CHECK_END, NotAvailable, 0});
        QCOMPARE(stage(&dialog), QString("This disc is not available."));
        QCOMPARE(button(&dialog)->text(), QString("OK"));
        QCOMPARE(dialog.findChild<QProgressBar*>("1091")->value(), 100);
        QCOMPARE(dialog.findChild<QLabel*>("1095")->text(), QString(" "));
        QVERIFY(!dialog.finished_ok());
    }

    void cleanDiscFinishesWithTheReport() {
        start("disc cd-rom\ntrack 1 audio 00:40:00\ntrack 1 audio 00:40:00\n");
        CDialogInspection page(nullptr);
        when_dialog(ended, [](CDialogInspectionInp* d) {
            QCOMPARE(stage(d), QString("Checking was finished."));
            button(d)->click();
        });
        page.on_start();
        const QString log = page.findChild<QTextEdit*>("1096")->toPlainText();
        const QString report(
            "Result : Level A\nGood condition.\n\n  Track 01 \t: A\n  Track 02 \t: A\n");
#ifdef QDU_HAVE_HISTORY
        // The log ends with the disc: tracks at 0 and 40 s, 80 s in all, give the freedb ID
        // 08005002 (digit sums 2 + 6, 80 s, 2 tracks).
        QVERIFY2(log.startsWith(report + "\nDisc ID: "), qPrintable(log));
        QVERIFY2(log.endsWith("  (freedb 08005002)"), qPrintable(log));
#else
        QCOMPARE(log, report);
#endif
        QCOMPARE(render(check_result()), DiscPicture());
        QVERIFY(bus->drive('D')->tray_open());
    }

#ifdef QDU_HAVE_HISTORY
    // Two checks of a disc that got worse: the second's log says so, and the history dialog
    // lists both, shows the selected one as the page did, goes by keyboard, compares, exports.
    void checksAreKeptShownComparedAndExported() {
        QTemporaryDir folder;
        const std::string history = folder.filePath("history.sqlite3").toStdString();
        const std::string tracks = "disc cd-rom\ntrack 1 audio 00:40:00\ntrack 1 audio 00:40:00\n";
        DriveEntry drive;
        drive.letter = 'D';
        drive.product = "BD-RW KVT-R42";
        drive.node = "simulated";
        QString log;
        for (const std::string& defect :
             {std::string(), std::string("defect 00:50:00 00:52:00 level-c\n")}) {
            start(tracks + defect);
            CDialogInspection page(nullptr);
            page.set_history_file(history);
            page.set_drive(drive);
            when_dialog(ended, [](CDialogInspectionInp* d) { button(d)->click(); });
            page.on_start();
            log = page.findChild<QTextEdit*>("1096")->toPlainText();
        }
        QVERIFY2(log.endsWith("(history 1): Level A then, Level C now: worse"), qPrintable(log));
        CInspectionResult second = check_result();
        second.reveal_distance = 140.0;  // every dot, as a finished check shows them

        CheckHistoryDialog dialog(nullptr, history.c_str());
        QTreeWidget* list = dialog.list();
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(4), QString("C"));  // newest first, shown
        QCOMPARE(list->topLevelItem(0)->text(2), QString("D: BD-RW KVT-R42"));
        QVERIFY(dialog.report()->toPlainText().startsWith("Result : Level C\n"));
        QVERIFY(dialog.report()->toPlainText().contains("\n  Track 02  00:50:"));
        QCOMPARE(dialog.picture()->picture(), render(second));
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(dialog.report()->toPlainText().startsWith("Result : Level A\n"));
        QCOMPARE(dialog.picture()->picture(), DiscPicture());
        QCOMPARE(dialog.disc_filter()->count(), 2);  // every disc, and this one

        QVERIFY(!dialog.compare_button()->isEnabled());
        list->selectAll();
        QVERIFY(dialog.compare_button()->isEnabled());
        dialog.compare_button()->click();
        auto* comparison = dialog.findChild<QDialog*>("comparison");
        QVERIFY(comparison != nullptr);
        const QString compared = comparison->findChild<QPlainTextEdit*>()->toPlainText();
        QVERIFY2(compared.contains("  Track 02  A -> C  *\n"), qPrintable(compared));
        QVERIFY(compared.contains("Findings that appeared:\n  Track 02  00:50:"));
        QVERIFY(compared.endsWith("Verdict: worse\n"));

        list->setCurrentItem(list->topLevelItem(0));
        const QString png = folder.filePath("check.png");
        set_save_file_chooser([&png](QWidget*, const QString& suggested) {
            return suggested == "check-2.html" ? png : QString();
        });
        dialog.export_button()->click();
        set_save_file_chooser(nullptr);
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), render(second));
        QCOMPARE(dialog.export_to(folder.filePath("check.txt")).isEmpty(), false);
        QVERIFY(dialog.export_to(folder.filePath("check.html")).isEmpty());
        QFile html(folder.filePath("check.html"));
        QVERIFY(html.open(QIODevice::ReadOnly));
        QVERIFY(html.readAll().contains("rgb(255,165,0)\">Level C"));
    }
#endif

    void scratchedDiscShowsColouredLevelsAndDots() {
        start(
            "disc cd-rom\ntrack 1 audio 00:40:00\ntrack 1 audio 00:40:00\n"
            "defect 00:50:00 00:55:00 level-c\n");
        CDialogInspection page(nullptr);
        page.findChild<QRadioButton*>("1090")->click();  // Quick
        when_dialog(ended, [](CDialogInspectionInp* d) { button(d)->click(); });
        page.on_start();
        auto* log = page.findChild<QTextEdit*>("1096");
        QVERIFY(log->toPlainText().startsWith("Result : Level C\nLow condition."));
        QTextCursor cursor(log->document());
        cursor.setPosition(QString("Result : L").size());
        QCOMPARE(cursor.charFormat().foreground().color(), QColor(255, 165, 0));
        QVERIFY(!check_result().points_c.empty());
        QCOMPARE(centre(render(check_result()), check_result().points_c.front()),
                 QColor(255, 165, 0));
        // Quick stays chosen for the next check.
        QVERIFY(page.findChild<QRadioButton*>("1090")->isChecked());
    }

    void cancelWhileWaitingForTheDisc() {
        start("disc audio-cd\ninsert-after never\n");
        CDialogInspection page(nullptr);
        SimulatedDrive* drive = bus->drive('D').get();
        when_dialog([drive](CDialogInspectionInp*) { return drive->check_mode() == 0; },
                    [](CDialogInspectionInp* d) { QTest::keyClick(d, Qt::Key_Escape); });
        page.on_start();
        QCOMPARE(page.findChild<QTextEdit*>("1096")->toPlainText(),
                 QString("Checking was canceled."));
        QVERIFY(drive->tray_open());
        QCOMPARE(drive->check_mode(), std::uint8_t{2});
        QVERIFY(!drive->medium_removal_prevented());
    }

    void cancelDuringMeasurement() {
        // A drive slow enough that the measuring is still going on when the click comes.
        start(
            "disc cd-rom\ntrack 1 audio 01:00:00\ntrack 1 audio 01:00:00\n"
            "track 1 audio 01:00:00\nsample-delay 3\n");
        CDialogInspection page(nullptr);
        when_dialog([](CDialogInspectionInp* d) { return stage(d).startsWith("Track No."); },
                    [](CDialogInspectionInp* d) { button(d)->click(); });
        page.on_start();
#ifdef QDU_HAVE_HISTORY
        QVERIFY(page.findChild<QTextEdit*>("1096")->toPlainText().startsWith(
            "Checking was canceled.\nDisc ID: "));
#else
        QCOMPARE(page.findChild<QTextEdit*>("1096")->toPlainText(),
                 QString("Checking was canceled."));
#endif
        QVERIFY(!bus->drive('D')->medium_removal_prevented());
        QVERIFY(!bus->drive('D')->measuring());
    }

    void recordableCdIsNotAvailable() {
        start("disc cd-r-audio\n");
        CDialogInspection page(nullptr);
        QString seen;
        when_dialog(ended, [&seen](CDialogInspectionInp* d) {
            seen = stage(d);
            button(d)->click();
        });
        page.on_start();
        QCOMPARE(seen, QString("This disc is not available."));
        QCOMPARE(page.findChild<QTextEdit*>("1096")->toPlainText(),
                 QString("Checking was canceled."));
    }

    void anotherDriveEmptiesLogAndPicture() {
        start("disc cd-rom\ntrack 1 audio 00:20:00\ndefect 00:05:00 00:06:00 level-d\n");
        CDialogInspection page(nullptr);
        when_dialog(ended, [](CDialogInspectionInp* d) { button(d)->click(); });
        page.on_start();
        QVERIFY(!check_result().points_d.empty());
        page.RefreshFromDrive();
        reset_result();
        QCOMPARE(page.findChild<QTextEdit*>("1096")->toPlainText(), QString(" "));
        QCOMPARE(render(check_result()), DiscPicture());
    }

    // A worker stuck in a drive command outlives the dialog's bound: the page keeps painting
    // under its lock, and Start starts no second worker on the drive until it has ended.
    void aLateWorkerKeepsTheDriveUntilItEnds() {
        start("disc cd-rom\ntrack 1 audio 00:20:00\n");
        auto gate = std::make_shared<Gate>();
        install_device_provider(
            std::make_shared<qdu::testing::HookedProvider>(bus, [gate](const ScsiRequest& r) {
                if (r.cdb[0] == 0x52) {
                    gate->pass();
                }
            }));
        QVERIFY(open_drive('D'));
        CDialogInspection page(nullptr);
        page.set_wait_bound(std::chrono::milliseconds(100));
        when_dialog([gate](CDialogInspectionInp*) { return gate->entered.load(); },
                    [](CDialogInspectionInp* d) { button(d)->click(); });
        page.on_start();
        auto* log = page.findChild<QTextEdit*>("1096");
        QCOMPARE(log->toPlainText(), QString("Checking was canceled."));
        QVERIFY(running_check() != nullptr);
        QVERIFY(!page.isEnabled());  // nothing else may use the drive meanwhile
        page.grab();                 // paints check_result under the late worker's lock

        const auto received = bus->drive('D')->received().size();
        page.on_start();
        QCOMPARE(log->toPlainText(), QString::fromUtf8(text(kPreviousCheckStillRuns).data()));
        QCOMPARE(bus->drive('D')->received().size(), received);

        gate->open();
        QTRY_VERIFY_WITH_TIMEOUT(running_check() == nullptr, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(page.isEnabled(), 5000);
        QVERIFY(!bus->drive('D')->measuring());
    }
};

QTEST_MAIN(CdCheckGuiTest)
#include "cd_check_gui_test.moc"
