#include "shell/message_box.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

#include "shell/qt_text.h"

namespace qdu {

namespace {

QuestionAnswerer& answerer_slot() {
    static QuestionAnswerer answerer;
    return answerer;
}

MessageReader& reader_slot() {
    static MessageReader reader;
    return reader;
}

FileChooser& save_slot() {
    static FileChooser chooser;
    return chooser;
}

FileChooser& open_slot() {
    static FileChooser chooser;
    return chooser;
}

}  // namespace

void set_question_answerer(QuestionAnswerer answerer) {
    answerer_slot() = std::move(answerer);
}

bool ask_ok_cancel(QWidget* parent, const QString& question) {
    if (answerer_slot()) {
        return answerer_slot()(question);
    }
    QMessageBox box(QMessageBox::Question, qt_control_text(102, 0), question,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Ok)->setText(qt_text(125));
    box.button(QMessageBox::Cancel)->setText(qt_text(126));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void set_message_reader(MessageReader reader) {
    reader_slot() = std::move(reader);
}

void show_message(QWidget* parent, const QString& message) {
    if (reader_slot()) {
        reader_slot()(message);
        return;
    }
    QMessageBox box(QMessageBox::Information, qt_control_text(102, 0), message, QMessageBox::Ok,
                    parent);
    box.button(QMessageBox::Ok)->setText(qt_text(125));
    box.exec();
}

void set_save_file_chooser(FileChooser chooser) {
    save_slot() = std::move(chooser);
}

void set_open_file_chooser(FileChooser chooser) {
    open_slot() = std::move(chooser);
}

QString choose_file_to_save(QWidget* parent, const QString& title, const QString& suggested,
                            const QString& filter) {
    if (save_slot()) {
        return save_slot()(parent, suggested);
    }
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

QString choose_file_to_open(QWidget* parent, const QString& title, const QString& filter) {
    if (open_slot()) {
        return open_slot()(parent, QString());
    }
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

}  // namespace qdu
