// Acting on the CD check's progress dialog while its own event loop runs.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

#include "cdcheck/progress_dialog.h"

namespace qdu::testing {

// Runs `act` on the progress dialog once it is up and `ready` says so. A dialog that is never
// ready within 20 s is rejected, so that the test fails instead of hanging.
inline void when_progress_dialog(QObject* owner, std::function<bool(CDialogInspectionInp*)> ready,
                                 std::function<void(CDialogInspectionInp*)> act) {
    auto* timer = new QTimer(owner);
    timer->setInterval(5);
    auto deadline = std::make_shared<QElapsedTimer>();
    deadline->start();
    QObject::connect(timer, &QTimer::timeout, owner, [timer, ready, act, deadline] {
        auto* dialog = qobject_cast<CDialogInspectionInp*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        if (deadline->elapsed() > 20000) {
            timer->stop();
            dialog->reject();
        } else if (ready(dialog)) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

}  // namespace qdu::testing
