// The version dialog.
#pragma once

#include <QDialog>

namespace qdu {

class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);
};

}  // namespace qdu
