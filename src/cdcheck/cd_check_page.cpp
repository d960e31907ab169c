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
#include "shell/control_binder.h"
#include "shell/qt_text.h"

namespace qdu {

namespace {

constexpr int kDialog = 140;

// The result picture of check_result, read under the running check's lock if there is one.
class ResultPicture final : public QWidget {
public:
    ResultPicture() {
        setObjectName(QStringLiteral("1088"));
        setFixedSize(kPictureWidth + 2, kPictureHeight + 2);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
        with_check_result(
            [&image](const CInspectionResult& r) { render_picture(image, r, false); });
        QPainter painter(this);
        painter.drawImage(1, 1, image);
        painter.setPen(Qt::black);  // the black frame of the picture area
        painter.drawRect(0, 0, width() - 1, height() - 1);
    }
};

QColor colour_of(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

CDialogInspection::CDialogInspection(QWidget* parent) : TabPage(parent) {
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

    picture_ = new ResultPicture;
    layout->addWidget(picture_, 0, Qt::AlignHCenter);

    log_ = make_control<QTextEdit>(1096);
    log_->setReadOnly(true);
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
    if (result == QDialog::Accepted) {
        write_result_report();
    } else if (result == QDialog::Rejected) {
        log_->setPlainText(qt_text(128));
    } else {
        log_->setPlainText(qt_text(103));
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

void CDialogInspection::write_result_report() {
    log_->setFocus();
    log_->clear();
    QTextCursor cursor(log_->document());
    const QTextCharFormat plain = log_->currentCharFormat();
    const auto report = with_check_result([](const CInspectionResult&) { return result_report(); });
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
    log_->setTextCursor(cursor);
}

}  // namespace qdu
