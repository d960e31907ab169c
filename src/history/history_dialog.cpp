#include "history/history_dialog.h"

#include <QBuffer>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

#include "cdcheck/cd_check_page.h"
#include "cdcheck/result_graph.h"
#include "history/check_document.h"
#include "shell/accessibility.h"
#include "shell/message_box.h"
#include "shell/qt_text.h"
#include "simdrive/shared_file.h"
#include "strings/strings.h"

namespace qdu {

namespace {

QString end_text(const std::string& end) {
    if (end == "finished") {
        return qt_text(kHistoryEndFinished);
    }
    if (end == "stopped") {
        return qt_text(kHistoryEndStopped);
    }
    return qt_text(kHistoryEndCanceled);
}

QString mode_text(const std::string& mode) {
    return qt_control_text(140, mode == "quick" ? 1090 : 1089);
}

QString from(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CheckHistoryDialog::CheckHistoryDialog(QWidget* parent, const std::string& path) : QDialog(parent) {
    setObjectName(QStringLiteral("check-history"));
    setWindowTitle(qt_text(kHistoryTitle));
    auto* layout = new QVBoxLayout(this);

    auto* filter_row = new QHBoxLayout;
    auto* disc_label = new QLabel(qt_text(kHistoryDisc));
    disc_filter_ = new QComboBox;
    disc_filter_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    disc_label->setBuddy(disc_filter_);
    filter_row->addWidget(disc_label);
    filter_row->addWidget(disc_filter_, 1);
    layout->addLayout(filter_row);

    list_ = new QTreeWidget;
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({qt_text(kHistoryColumnDate), qt_text(kHistoryColumnDisc),
                            qt_text(kHistoryColumnDrive), qt_text(kHistoryColumnMode),
                            qt_text(kHistoryColumnLevel), qt_text(kHistoryColumnEnd)});
    list_->setMinimumHeight(6 * list_->fontMetrics().height());
    name_for_access(list_, kAccessCheckList);
    layout->addWidget(list_, 2);

    auto* shown = new QHBoxLayout;
    picture_ = new ResultPicture([this](QImage& image) {
        CInspectionResult nothing;
        render_picture(image, shown_ ? result_of(*shown_) : nothing, false);
    });
    shown->addWidget(picture_, 0, Qt::AlignTop);
    report_ = new QTextEdit;
    report_->setReadOnly(true);
    report_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    name_for_access(report_, kAccessReport);
    report_->setMinimumWidth(picture_->width() + 80);
    shown->addWidget(report_, 1);
    layout->addLayout(shown, 3);

    note_ = new QLabel;
    note_->setWordWrap(true);
    layout->addWidget(note_);

    auto* buttons = new QHBoxLayout;
    compare_ = new QPushButton(qt_text(kHistoryCompare));
    export_ = new QPushButton(qt_text(kHistoryExport));
    auto* close = new QPushButton(qt_text(kHistoryClose));
    compare_->setAutoDefault(false);
    export_->setAutoDefault(false);
    close->setDefault(true);
    buttons->addWidget(compare_);
    buttons->addWidget(export_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(compare_, &QPushButton::clicked, this, &CheckHistoryDialog::compare_selected);
    connect(export_, &QPushButton::clicked, this, &CheckHistoryDialog::export_selected);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(disc_filter_, &QComboBox::currentIndexChanged, this, &CheckHistoryDialog::fill_list);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &CheckHistoryDialog::show_selected);

    std::string error;
    store_ = HistoryStore::open(path, error);
    if (!store_) {
        note_->setText(qt_text(kHistoryUnusable) + QLatin1Char(' ') + from(error));
    }
    fill_discs();
    fill_list();
    list_->setFocus();
    resize(sizeHint().expandedTo(QSize(780, 720)));
}

CheckHistoryDialog::~CheckHistoryDialog() = default;

void CheckHistoryDialog::fill_discs() {
    disc_filter_->blockSignals(true);
    disc_filter_->clear();
    disc_filter_->addItem(qt_text(kHistoryAllDiscs), QString());
    if (store_) {
        std::map<std::string, int> checks_by_disc;
        for (const RecordedCheck& check : store_->list()) {
            if (check.disc) {
                ++checks_by_disc[check.disc->musicbrainz];
            }
        }
        for (const auto& [disc, count] : checks_by_disc) {
            disc_filter_->addItem(
                from(disc) + QStringLiteral("  (") +
                    QString::fromStdString(formatted_text(kHistoryChecksOfDisc, count)) +
                    QLatin1Char(')'),
                from(disc));
        }
    }
    disc_filter_->blockSignals(false);
}

void CheckHistoryDialog::fill_list() {
    list_->clear();
    shown_.reset();
    if (!store_) {
        show_selected();
        return;
    }
    note_->clear();
    const std::string disc = disc_filter_->currentData().toString().toStdString();
    for (const RecordedCheck& check : store_->list({disc, ""})) {
        QString when = from(check.when);
        when.replace(QLatin1Char('T'), QLatin1Char(' ')).remove(QLatin1Char('Z'));
        auto* item = new QTreeWidgetItem(QStringList{
            when, check.disc ? from(check.disc->musicbrainz) : QStringLiteral("-"),
            QString(QLatin1Char(check.drive.letter)) + QStringLiteral(": ") +
                from(check.drive.product),
            mode_text(check.mode),
            check.disc_level ? from(std::string(text(level_letter_id(*check.disc_level))))
                             : QStringLiteral("-"),
            end_text(check.end)});
        item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(check.id));
        list_->addTopLevelItem(item);
    }
    for (int column = 0; column < list_->columnCount(); ++column) {
        list_->resizeColumnToContents(column);
    }
    if (list_->topLevelItemCount() > 0) {
        list_->setCurrentItem(list_->topLevelItem(0));
    } else {
        note_->setText(qt_text(kHistoryNone));
        show_selected();
    }
}

void CheckHistoryDialog::show_selected() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    compare_->setEnabled(selected.size() == 2);
    QTreeWidgetItem* current = list_->currentItem();
    shown_.reset();
    if (store_ && current != nullptr && current->isSelected()) {
        shown_ = store_->find(current->data(0, Qt::UserRole).toLongLong());
    }
    export_->setEnabled(shown_.has_value());
    picture_->update();
    if (!shown_) {
        report_->clear();
        picture_->setAccessibleDescription(QString());
        return;
    }
    picture_->setAccessibleDescription(from(picture_description(shown_->findings, ui_language())));
    if (shown_->disc_level) {
        write_report(report_, result_report(result_of(*shown_)));
    } else {
        report_->setPlainText(qt_text(128) + QLatin1Char('\n'));
    }
    QTextCursor end(report_->document());
    end.movePosition(QTextCursor::End);
    const QTextCharFormat plain;
    for (const std::string& line : finding_lines(shown_->findings)) {
        end.insertText(QLatin1Char('\n') + from(line), plain);
    }
    if (shown_->disc) {
        end.insertText(QStringLiteral("\n\n") + from(disc_line(*shown_->disc)), plain);
    }
    report_->moveCursor(QTextCursor::Start);
}

void CheckHistoryDialog::compare_selected() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    std::optional<RecordedCheck> a;
    std::optional<RecordedCheck> b;
    if (store_ && selected.size() == 2) {
        a = store_->find(selected[0]->data(0, Qt::UserRole).toLongLong());
        b = store_->find(selected[1]->data(0, Qt::UserRole).toLongLong());
    }
    if (!a || !b || !a->disc || !b->disc || a->disc->musicbrainz != b->disc->musicbrainz) {
        note_->setText(qt_text(kHistoryChooseTwo));
        return;
    }
    note_->clear();
    if (a->when > b->when || (a->when == b->when && a->id > b->id)) {
        std::swap(a, b);
    }
    QString text;
    for (const std::string& line : comparison_report(*a, *b)) {
        text += from(line) + QLatin1Char('\n');
    }
    auto* window = new QDialog(this);
    window->setObjectName(QStringLiteral("comparison"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(qt_text(kHistoryComparisonTitle));
    auto* layout = new QVBoxLayout(window);
    auto* view = new QPlainTextEdit(text);
    view->setReadOnly(true);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setMinimumSize(view->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 64,
                         view->fontMetrics().height() * 20);
    layout->addWidget(view);
    auto* close = new QPushButton(qt_text(kHistoryClose));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, window, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    window->show();
}

void CheckHistoryDialog::export_selected() {
    if (!shown_) {
        return;
    }
    const QString file = choose_file_to_save(
        this, qt_text(kHistoryExportTitle),
        QStringLiteral("check-%1.html").arg(static_cast<qlonglong>(shown_->id)),
        QStringLiteral("HTML (*.html);;JSON (*.json);;CSV (*.csv);;PNG (*.png)"));
    if (file.isEmpty()) {
        return;
    }
    const QString failure = export_to(file);
    note_->setText(failure.isEmpty() ? QString()
                                     : qt_text(kHistoryExportFailed) + QLatin1Char(' ') + failure);
}

QString CheckHistoryDialog::export_to(const QString& file) {
    if (!shown_) {
        return qt_text(kHistoryChooseTwo);
    }
    const QString suffix = QFileInfo(file).suffix().toLower();
    std::string document;
    if (suffix == QLatin1String("json")) {
        document = check_json(*shown_).dump(2) + "\n";
    } else if (suffix == QLatin1String("csv")) {
        document = check_csv(*shown_);
    } else if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) {
        document = check_html(*shown_);
    } else if (suffix == QLatin1String("png")) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture_->picture().save(&buffer, "PNG");
        document = bytes.toStdString();
    } else {
        return file + QStringLiteral(": .json, .csv, .html, .png");
    }
    return from(replace_file(file.toStdString(), document));
}

}  // namespace qdu
