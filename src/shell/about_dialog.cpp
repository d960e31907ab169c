#include "shell/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/program_icon.h"
#include "shell/qt_text.h"

namespace qdu {

namespace {

constexpr int kDialog = 100;

// The version line names the program's version in the resource's form ("1, 1, 0, 5").
QString version_line() {
    QString line = qt_control_text(kDialog, 2);
    const QString word = QStringLiteral("Version ");
    if (const auto at = line.lastIndexOf(word); at >= 0) {
        line = line.left(at + word.size()) +
               QStringLiteral(QDU_PROGRAM_VERSION).replace(QLatin1Char('.'), QStringLiteral(", "));
    }
    return line;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kDialog));
    setWindowTitle(qt_control_text(kDialog, 0));
    auto* layout = new QHBoxLayout(this);
    auto* icon = new QLabel;
    icon->setPixmap(program_icon().pixmap(48, 48));
    icon->setAccessibleName(qt_control_text(102, 0));  // the program's name
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(new QLabel(version_line()));
    for (const int line : {3, 4}) {
        texts->addWidget(new QLabel(qt_control_text(kDialog, line)));
    }
    layout->addLayout(texts, 1);
    auto* ok = new QPushButton(qt_control_text(kDialog, 1));
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignTop);
}

}  // namespace qdu
