// " CD Check ": starts checks and shows the result picture and the coloured report.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <vector>

#include "cdcheck/check_worker.h"
#include "cdcheck/grading.h"
#include "drive/discovery.h"
#include "shell/tab_page.h"

class QRadioButton;
class QTextEdit;

namespace qdu {

// The page's picture area: the disc and a result's dots, in a black frame.
class ResultPicture final : public QWidget {
public:
    using Draw = std::function<void(QImage& image)>;  // fills the picture-sized image
    explicit ResultPicture(Draw draw);
    QImage picture(qreal ratio = 1.0) const;  // ratio: device pixels per picture pixel

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Draw draw_;
};

// Writes the report into a log as the page does: each run in its level's colour.
void write_report(QTextEdit* log, const std::vector<ReportRun>& report);

class CDialogInspection final : public TabPage {
    Q_OBJECT
public:
    explicit CDialogInspection(QWidget* parent);

    void RefreshFromDrive() override;
    void on_start();
    // Chooses the mode and starts as a click on Start does.
    void start_check(CheckMode mode, bool close_when_done);
    void clear_log();
    // How long the check's dialog waits for its worker when it ends (tests shorten it).
    void set_wait_bound(std::chrono::milliseconds bound) { wait_bound_ = bound; }
    // The drive the checks are of, as the history keeps it.
    void set_drive(const DriveEntry& entry) { drive_ = entry; }
    // Where checks are kept; empty: not kept. The user's history unless a test says.
    void set_history_file(const std::string& path) { history_ = path; }

private:
    void write_result_report();
    // Keeps a check that read the disc; returns the lines that end the log: its disc, and how
    // it compares with the last check of that disc (or why it was not kept).
    std::vector<std::string> keep_in_history(const class CDialogInspectionInp& dialog);

    QRadioButton* full_ = nullptr;
    QRadioButton* quick_ = nullptr;
    bool close_when_done_ = false;
    std::chrono::milliseconds wait_bound_ = kThreadWait;
    QTextEdit* log_ = nullptr;
    QWidget* picture_ = nullptr;
    DriveEntry drive_;
    std::string history_;
};

}  // namespace qdu
