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

}  // namespace qdu
