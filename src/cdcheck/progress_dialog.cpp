#include "cdcheck/progress_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>

#include "history/check_document.h"
#include "shell/accessibility.h"
#include "shell/control_binder.h"
#include "shell/qt_text.h"

namespace qdu {

namespace {

constexpr int kDialog = 142;

std::mutex g_running_mutex;
std::weak_ptr<CheckContext> g_running;

QString formatted(int string_id, int a, int b) {
    return QString::fromStdString(formatted_text(string_id, a, b));
}

// Shows the offscreen picture, copied under the check's lock.
class PictureView final : public QWidget {
public:
    PictureView(std::shared_ptr<CheckContext> context, std::shared_ptr<DiscAnimationTarget> target)
        : context_(std::move(context)), target_(std::move(target)) {
        setObjectName(QStringLiteral("1094"));
        setFixedSize(kPictureWidth, kPictureHeight);
        mark_as_picture(this, kAccessPicture);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage copy;
        {
            std::lock_guard lock(context_->dialog_lock);
            copy = target_->offscreen_picture.copy();
        }
        QPainter painter(this);
        painter.drawImage(0, 0, copy);
    }

private:
    std::shared_ptr<CheckContext> context_;
    std::shared_ptr<DiscAnimationTarget> target_;
};

}  // namespace

// Queues the worker's messages onto the dialog's thread; once closed, drops them.
class GuiCheckSink final : public CheckEventSink {
public:
    GuiCheckSink(CDialogInspectionInp* dialog, QWidget* picture)
        : dialog_(dialog), picture_(picture) {}

    void post(const CheckEvent& event) override {
        std::lock_guard lock(mutex_);
        if (dialog_ == nullptr) {
            return;
        }
        QPointer<CDialogInspectionInp> target(dialog_);
        QMetaObject::invokeMethod(
            dialog_,
            [target, event] {
                if (target) {
                    target->handle(event);
                }
            },
            Qt::QueuedConnection);
    }

    void repaint() {
        std::lock_guard lock(mutex_);
        if (dialog_ != nullptr) {
            QMetaObject::invokeMethod(picture_, qOverload<>(&QWidget::update),
                                      Qt::QueuedConnection);
        }
    }

    void close() {
        std::lock_guard lock(mutex_);
        dialog_ = nullptr;
    }

private:
    std::mutex mutex_;
    CDialogInspectionInp* dialog_;
    QWidget* picture_;
};

std::shared_ptr<CheckContext> running_check() {
    std::lock_guard lock(g_running_mutex);
    return g_running.lock();
}

CDialogInspectionInp::CDialogInspectionInp(QWidget* parent, CheckMode mode)
    : QDialog(parent),
      mode_(mode),
      context_(std::make_shared<CheckContext>()),
      target_(std::make_shared<DiscAnimationTarget>()) {
    setObjectName(QString::number(kDialog));
    setWindowTitle(qt_control_text(kDialog, 0));
    auto* layout = new QVBoxLayout(this);
    picture_ = new PictureView(context_, target_);
    layout->addWidget(picture_, 0, Qt::AlignHCenter);
    progress_ = make_control<QProgressBar>(1091);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    name_for_access(progress_, kAccessProgress);
    layout->addWidget(progress_);
    stage_ = make_control<QLabel>(1092, qt_text(155));
    layout->addWidget(stage_);
    auto* bottom = new QHBoxLayout;
    remaining_ = make_control<QLabel>(1095, qt_text(103));
    bottom->addWidget(remaining_, 1);
    button_ = make_control<QPushButton>(1013, qt_text(126));
    bottom->addWidget(button_);
    layout->addLayout(bottom);
    connect(button_, &QPushButton::clicked, this, [this] { end_dialog(true); });

    {
        std::lock_guard lock(context_->dialog_lock);
        // At the screen's own pixels, so that the animation stays sharp on a scaled desktop.
        const qreal ratio = devicePixelRatioF();
        if (ratio != 1.0) {
            target_->offscreen_picture =
                QImage(QSize(kPictureWidth, kPictureHeight) * ratio, QImage::Format_RGB32);
            target_->offscreen_picture.setDevicePixelRatio(ratio);
        }
        render_picture(target_->offscreen_picture, check_result(), false);
    }
    sink_ = std::make_shared<GuiCheckSink>(this, picture_);
    context_->mode = mode_;
    context_->sink = sink_;
    std::weak_ptr<GuiCheckSink> weak_sink = sink_;
    target_->request_paint = [weak_sink] {
        if (auto sink = weak_sink.lock()) {
            sink->repaint();
        }
    };
    context_->animation = [target = target_](std::shared_ptr<CheckContext> c) {
        animate_disc(c, *target);
    };
}

CDialogInspectionInp::~CDialogInspectionInp() {
    sink_->close();
    bool worker_ended = true;
    if (run_) {
        context_->cancel_requested = true;
        worker_ended = run_->wait(std::chrono::milliseconds(0));
    }
    // A late worker stays the running check until it lets go of its context.
    std::lock_guard lock(g_running_mutex);
    if (worker_ended && g_running.lock() == context_) {
        g_running.reset();
    }
}

void CDialogInspectionInp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!run_) {
        start();
    }
}

void CDialogInspectionInp::start() {
    finished_ok_ = false;
    context_->cancel_requested = false;
    {
        std::lock_guard lock(g_running_mutex);
        g_running = context_;
    }
    run_ = std::make_unique<CheckRun>(context_);
}

void CDialogInspectionInp::handle(const CheckEvent& event) {
    if (ending_) {
        return;  // the dialog is closing: a late message is not handled any more
    }
    switch (event.message) {
        case WM_CHECK_STAGE:
            measured_ = measured_ || event.wparam != 0;
            if (event.wparam == 0) {
                stage_->setText(qt_text(156));
            } else {
                stage_->setText(formatted(124, static_cast<int>(event.lparam & 0xFF),
                                          static_cast<int>((event.lparam >> 8) & 0xFF)));
            }
            break;
        case WM_CHECK_REMAINING: {
            const int seconds = static_cast<int>(event.wparam);
            remaining_->setText(formatted(157, seconds / 60, seconds % 60));
            break;
        }
        case WM_CHECK_PROGRESS:
            progress_->setValue(std::min(100, static_cast<int>(event.wparam)));
            break;
        case WM_CHECK_END:
            end_code_ = static_cast<int>(event.wparam);
            if (event.wparam == Finished) {
                stage_->setText(qt_text(123));
                finished_ok_ = true;
            } else if (event.wparam == NotAvailable) {
                stage_->setText(qt_text(159));
            } else {
                stage_->setText(qt_text(158));
            }
            button_->setText(qt_text(125));
            remaining_->setText(qt_text(103));
            progress_->setValue(100);
            {
                std::lock_guard lock(context_->dialog_lock);
                picture_->setAccessibleDescription(
                    QString::fromStdString(picture_description(context_->findings, ui_language())));
            }
            update();
            if (close_when_done_) {
                QTimer::singleShot(1500, this, [this] { end_dialog(false); });
            }
            break;
    }
}

void CDialogInspectionInp::end_dialog(bool from_button) {
    if (ending_) {
        return;
    }
    ending_ = true;
    if (from_button) {
        button_->setEnabled(false);
        button_->repaint();
    }
    const bool worker_ended = !run_ || run_->cancel_and_wait(wait_bound_);
    worker_ended_ = worker_ended;
    sink_->close();
    if (worker_ended) {
        std::lock_guard lock(g_running_mutex);
        g_running.reset();
    }
    QDialog::done(finished_ok_ ? QDialog::Accepted : QDialog::Rejected);
}

CDialogInspectionInp::Ending CDialogInspectionInp::ending() const {
    Ending e;
    e.measured = measured_;
    e.worker_ended = worker_ended_;
    e.end = end_code_ == Finished       ? "finished"
            : end_code_ == NotAvailable ? "not-available"
            : end_code_ == -1           ? "canceled"
                                        : "stopped";
    std::lock_guard lock(context_->dialog_lock);
    e.findings = context_->findings;
    return e;
}

void CDialogInspectionInp::done(int /*result*/) {
    // Escape, the close box and anything else the toolkit offers end here too.
    if (!ending_) {
        end_dialog(false);
    }
}

void CDialogInspectionInp::closeEvent(QCloseEvent* event) {
    event->ignore();
    end_dialog(false);
}

}  // namespace qdu
