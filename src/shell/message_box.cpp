#include "shell/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>

#include "shell/qt_text.h"

namespace qdu {

namespace {

QuestionAnswerer& answerer_slot() {
    static QuestionAnswerer answerer;
    return answerer;
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

}  // namespace qdu
