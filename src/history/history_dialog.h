// The window's check history: every kept check, by disc; the one selected shown as the CD Check
// page showed it; two of one disc compared; one exported.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "history/history_store.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTextEdit;
class QTreeWidget;

namespace qdu {

class ResultPicture;

class CheckHistoryDialog final : public QDialog {
    Q_OBJECT
public:
    CheckHistoryDialog(QWidget* parent, const std::string& path);
    ~CheckHistoryDialog() override;

    QTreeWidget* list() const { return list_; }
    QComboBox* disc_filter() const { return disc_filter_; }
    QTextEdit* report() const { return report_; }
    ResultPicture* picture() const { return picture_; }
    QPushButton* compare_button() const { return compare_; }
    QPushButton* export_button() const { return export_; }

    // As the buttons do.
    void compare_selected();
    void export_selected();
    // Writes the check shown into FILE, in the form its suffix names (json, csv, html, png).
    // Empty on success, else why not.
    QString export_to(const QString& file);

private:
    void fill_discs();
    void fill_list();
    void show_selected();

    std::optional<HistoryStore> store_;
    std::optional<RecordedCheck> shown_;
    QComboBox* disc_filter_ = nullptr;
    QTreeWidget* list_ = nullptr;
    ResultPicture* picture_ = nullptr;
    QTextEdit* report_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* export_ = nullptr;
};

}  // namespace qdu
