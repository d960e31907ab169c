// Puts a page state onto the page's widgets, found by their control IDs.
#pragma once

#include <QAbstractButton>
#include <QBoxLayout>
#include <QComboBox>
#include <QHash>
#include <QList>
#include <QRadioButton>
#include <QWidget>
#include <initializer_list>

#include "settings/page_state.h"

namespace qdu {

class ControlBinder {
public:
    void add(int id, QAbstractButton* button) { buttons_.insert(id, button); }
    void add_combo(int id, QComboBox* combo) {
        combo_id_ = id;
        combo_ = combo;
    }

    // Adds the button to the layout, indented, keeping its place while hidden, and binds it
    // by its object name.
    void place(QAbstractButton* button, QBoxLayout* layout, const QString& tooltip, int indent);

    void show(const PageState& state) const;

private:
    QHash<int, QAbstractButton*> buttons_;
    int combo_id_ = 0;
    QComboBox* combo_ = nullptr;
};

// Creates a widget with its control ID as object name.
template <typename Widget, typename... Args>
Widget* make_control(int id, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)...);
    widget->setObjectName(QString::number(id));
    return widget;
}

// Makes radios one group for the keyboard, as a Windows auto radio group is: an arrow key
// moves to the next enabled radio of the group, round the end, and clicks it, so that the page
// applies it as it applies a mouse click. (The page radios are not Qt-exclusive, so Qt's own
// arrow keys would only move the focus.)
// The radios are the page's with these control IDs, in this order.
void group_radios(const QWidget* page, std::initializer_list<int> ids);

// A radio button whose check mark the page decides: Qt's own exclusivity would fight it.
inline QRadioButton* make_page_radio(int id, const QString& text) {
    auto* radio = make_control<QRadioButton>(id, text);
    radio->setAutoExclusive(false);
    return radio;
}

}  // namespace qdu
