// What the main window requires of every tab page.
#pragma once

#include <QHideEvent>
#include <QKeyEvent>
#include <QShowEvent>
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
    // Runs whenever the page itself is shown or hidden; the window being minimised and
    // restored (spontaneous events) or closed (the page stays not hidden) is no change of the
    // page's own visibility.
    virtual void visibility_changed() {}

    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (!event->spontaneous()) {
            visibility_changed();
        }
    }
    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        if (!event->spontaneous() && isHidden()) {
            visibility_changed();
        }
    }

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
