// The modal dialog in which one audio CD check runs.
#pragma once

#include <QDialog>
#include <memory>
#include <mutex>

#include "cdcheck/check_result.h"
#include "cdcheck/check_worker.h"
#include "cdcheck/result_graph.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace qdu {

class GuiCheckSink;

// The context of the check whose worker runs now, for painters outside the dialog that must
// take its lock: while the dialog is up, and after it for a worker that outlived its bound (it
// keeps the context alive until it ends). Null while no worker runs.
std::shared_ptr<CheckContext> running_check();

// Runs `read` on check_result, under the running check's lock when there is one.
template <typename Read>
auto with_check_result(Read read) {
    if (auto running = running_check()) {
        std::lock_guard lock(running->dialog_lock);
        return read(check_result());
    }
    return read(check_result());
}

class CDialogInspectionInp final : public QDialog {
    Q_OBJECT
public:
    CDialogInspectionInp(QWidget* parent, CheckMode mode);
    ~CDialogInspectionInp() override;

    void handle(const CheckEvent& event);
    // Ends the dialog by itself a moment after the check ended (for demonstrations).
    void set_close_when_done(bool close) { close_when_done_ = close; }
    // How long ending the dialog waits for the worker (30 s unless a test says otherwise).
    void set_wait_bound(std::chrono::milliseconds bound) { wait_bound_ = bound; }
    bool finished_ok() const { return finished_ok_; }

    // How the check ended, for the history: whether it read the disc, and its end as the user
    // saw it ("finished", "not-available", "stopped" when the check stopped by itself,
    // "canceled" when the user ended it first).
    struct Ending {
        bool measured = false;
        bool worker_ended = false;
        const char* end = "canceled";
        std::vector<S_RAW_DATA> findings;
    };
    Ending ending() const;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void start();
    // Every way of ending the dialog comes here: cancel the worker, wait, then end.
    void end_dialog(bool from_button);

    CheckMode mode_;
    std::shared_ptr<CheckContext> context_;
    std::shared_ptr<DiscAnimationTarget> target_;
    std::shared_ptr<GuiCheckSink> sink_;
    std::unique_ptr<CheckRun> run_;
    bool finished_ok_ = false;
    bool measured_ = false;
    int end_code_ = -1;  // the worker's end, when it came before the dialog ended
    bool worker_ended_ = false;
    bool ending_ = false;
    bool close_when_done_ = false;
    std::chrono::milliseconds wait_bound_ = kThreadWait;
    QWidget* picture_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* stage_ = nullptr;
    QLabel* remaining_ = nullptr;
    QPushButton* button_ = nullptr;
};

}  // namespace qdu
