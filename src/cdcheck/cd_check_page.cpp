#include "cdcheck/cd_check_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "cdcheck/grading.h"
#include "cdcheck/progress_dialog.h"
#include "cdcheck/result_graph.h"
#ifdef QDU_HAVE_HISTORY
#include "history/history_store.h"
#include "history/keep_check.h"
#endif
#include "history/check_document.h"
#include "shell/accessibility.h"
#include "shell/control_binder.h"
#include "shell/qt_text.h"

namespace qdu {

namespace {

constexpr int kDialog = 140;

QColor colour_of(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

ResultPicture::ResultPicture(Draw draw) : draw_(std::move(draw)) {
    setFixedSize(kPictureWidth + 2, kPictureHeight + 2);
    mark_as_picture(this, kAccessPicture);
    setAccessibleDescription(qt_text(kPictureNotChecked));
}

QImage ResultPicture::picture(qreal ratio) const {
    QImage image(QSize(kPictureWidth, kPictureHeight) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    draw_(image);
    return image;
}

void ResultPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // At the screen's own pixels: the dots stay round and sharp on a scaled desktop.
    painter.drawImage(1, 1, picture(devicePixelRatioF()));
    painter.setPen(Qt::black);  // the black frame of the picture area
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

void write_report(QTextEdit* log, const std::vector<ReportRun>& report) {
    log->clear();
    QTextCursor cursor(log->document());
    const QTextCharFormat plain = log->currentCharFormat();
    for (const ReportRun& run : report) {
        QTextCharFormat format = plain;
        if (run.colour) {
            format.setForeground(colour_of(*run.colour));
        }
        QString piece = QString::fromStdString(run.text);
        piece.remove(QLatin1Char('\r'));
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(piece, format);
    }
    cursor.movePosition(QTextCursor::Start);
    log->setTextCursor(cursor);
}

CDialogInspection::CDialogInspection(QWidget* parent) : TabPage(parent) {
#ifdef QDU_HAVE_HISTORY
    history_ = default_history_path();
#endif
    setObjectName(QString::number(kDialog));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* start = make_control<QPushButton>(1013, qt_control_text(kDialog, 1013));
    start->setToolTip(qt_text(165));
    connect(start, &QPushButton::clicked, this, &CDialogInspection::on_start);
    top->addWidget(start, 0, Qt::AlignVCenter);
    auto* mode = new QGroupBox;
    auto* mode_layout = new QHBoxLayout(mode);
    mode_layout->addWidget(new QLabel(qt_control_text(kDialog, 0)));
    full_ = make_control<QRadioButton>(1089, qt_control_text(kDialog, 1089));
    full_->setToolTip(qt_text(175));
    full_->setChecked(true);
    quick_ = make_control<QRadioButton>(1090, qt_control_text(kDialog, 1090));
    quick_->setToolTip(qt_text(225));
    mode_layout->addWidget(full_);
    mode_layout->addWidget(quick_);
    top->addWidget(mode, 1);
    layout->addLayout(top);

    // check_result, read under the running check's lock if there is one.
    picture_ = new ResultPicture([](QImage& image) {
        with_check_result(
            [&image](const CInspectionResult& r) { render_picture(image, r, false); });
    });
    picture_->setObjectName(QStringLiteral("1088"));
    layout->addWidget(picture_, 0, Qt::AlignHCenter);

    log_ = make_control<QTextEdit>(1096);
    log_->setReadOnly(true);
    // Read-only, yet its report can be walked, selected and copied from the keyboard.
    log_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    name_for_access(log_, kAccessLog);
    log_->setMinimumHeight(4 * log_->fontMetrics().height());
    QPalette palette = log_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    log_->setPalette(palette);
    layout->addWidget(log_, 1);
}

void CDialogInspection::RefreshFromDrive() {
    clear_log();
    emit refreshed();
}

void CDialogInspection::clear_log() {
    log_->setPlainText(qt_text(103));
    picture_->setAccessibleDescription(qt_text(kPictureNotChecked));
}

void CDialogInspection::on_start() {
    // One worker per drive: a check that outlived its dialog still owns the drive and the
    // result until it ends.
    if (running_check()) {
        log_->setPlainText(qt_text(kPreviousCheckStillRuns));
        return;
    }
    log_->setPlainText(qt_text(103));
    reset_result();
    CDialogInspectionInp dialog(this, full_->isChecked() ? Full : Quick);
    dialog.set_close_when_done(close_when_done_);
    dialog.set_wait_bound(wait_bound_);
    const int result = dialog.exec();
    setUpdatesEnabled(false);
    const std::vector<std::string> history_lines = keep_in_history(dialog);
    picture_->setAccessibleDescription(
        QString::fromStdString(picture_description(dialog.ending().findings, ui_language())));
    if (result == QDialog::Accepted) {
        write_result_report();
    } else if (result == QDialog::Rejected) {
        log_->setPlainText(qt_text(128));
    } else {
        log_->setPlainText(qt_text(103));
    }
    if (!history_lines.empty()) {
        QTextCursor end(log_->document());
        end.movePosition(QTextCursor::End);
        QTextCharFormat plain;
        for (const std::string& line : history_lines) {
            end.insertText(QStringLiteral("\n") + QString::fromStdString(line), plain);
        }
    }
    setUpdatesEnabled(true);
    update();
    picture_->update();
    // A worker that outlived its dialog still uses the drive: the window sends nothing of its
    // own (no click, no other tab, no other drive) until that worker has ended.
    if (running_check()) {
        window()->setEnabled(false);
        auto* wait = new QTimer(this);
        wait->setInterval(200);
        connect(wait, &QTimer::timeout, this, [this, wait] {
            if (!running_check()) {
                window()->setEnabled(true);
                wait->deleteLater();
            }
        });
        wait->start();
    }
}

void CDialogInspection::start_check(CheckMode mode, bool close_when_done) {
    (mode == Quick ? quick_ : full_)->setChecked(true);
    close_when_done_ = close_when_done;
    on_start();
    close_when_done_ = false;
}

std::vector<std::string> CDialogInspection::keep_in_history(const CDialogInspectionInp& dialog) {
#ifdef QDU_HAVE_HISTORY
    const CDialogInspectionInp::Ending ending = dialog.ending();
    if (!ending.measured || !ending.worker_ended || std::string(ending.end) == "not-available") {
        return {};
    }
    RecordedCheck check;
    check.when = utc_timestamp();
    check.program_version = QDU_PROGRAM_VERSION;
    check.drive = {drive_.letter,   drive_.vendor, drive_.product,
                   drive_.revision, drive_.code,   drive_.node == "simulated"};
    check.mode = full_->isChecked() ? "full" : "quick";
    check.end = ending.end;
    if (check.end == "finished") {
        const CInspectionResult& result = check_result();
        check.disc_level = result.disc_level;
        for (int track = 1; track <= result.last_track && track <= kMaxTracks; ++track) {
            check.track_levels.emplace_back(track,
                                            result.track_level[static_cast<std::size_t>(track)]);
        }
    }
    check.findings = ending.findings;
    const KeptCheck kept = keep_check(history_, check);
    std::vector<std::string> lines;
    if (check.disc) {
        lines.push_back(disc_line(*check.disc));
    }
    if (!kept.comparison.empty()) {
        lines.push_back(kept.comparison);
    }
    if (!kept.error.empty()) {
        lines.push_back(kept.error);
    }
    return lines;
#else
    (void)dialog;
    return {};
#endif
}

void CDialogInspection::write_result_report() {
    log_->setFocus();
    write_report(log_, with_check_result([](const CInspectionResult&) { return result_report(); }));
}

}  // namespace qdu
