// OK/Cancel questions of the pages, as message boxes whose answers tests can give.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace qdu {

using QuestionAnswerer = std::function<bool(const QString& question)>;

// Null restores the real message box.
void set_question_answerer(QuestionAnswerer answerer);

// True for OK.
bool ask_ok_cancel(QWidget* parent, const QString& question);

// A message with only OK; tests put their own reader in (null restores the message box).
using MessageReader = std::function<void(const QString& message)>;
void set_message_reader(MessageReader reader);
void show_message(QWidget* parent, const QString& message);

// Where to save or what to open; an empty name means the user gave up. Tests put their own
// chooser in (null restores the file dialog). `suggested` is a file name or folder.
using FileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
void set_save_file_chooser(FileChooser chooser);
void set_open_file_chooser(FileChooser chooser);
QString choose_file_to_save(QWidget* parent, const QString& title, const QString& suggested,
                            const QString& filter);
QString choose_file_to_open(QWidget* parent, const QString& title, const QString& filter);

}  // namespace qdu
