// What the main window requires of every tab page.
#pragma once

#include <QKeyEvent>
#include <QWidget>

#include "status/status_page_logic.h"

namespace qdu {

enum PageIndex : int { kSetting1 = 0, kSetting2 = 1, kStatus = 2, kUtility = 3, kCdCheck = 4 };
inline constexpr int kPageCount = 5;

class TabPage : public QWidget {
    Q_OBJECT
public:
    explicit TabPage(QWidget* parent) : QWidget(parent) {}

    // Reads from the current drive whatever the page shows.
    virtual void RefreshFromDrive() = 0;

signals:
    void refreshed();

protected:
    // Escape does nothing on a page; it must not close the window behind it.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
    }
};

}  // namespace qdu
