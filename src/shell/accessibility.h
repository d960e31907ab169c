// What screen readers get where Qt cannot find it in a visible text: names from the string
// table, pictures marked as pictures, and the quality bar's level as its value.
#pragma once

#include <QString>

class QWidget;

namespace qdu {

// The widget's accessible name, from the string table in the window's language.
void name_for_access(QWidget* widget, int string_id);
// A widget that only paints: a picture (role Graphic) named from the string table.
void mark_as_picture(QWidget* widget, int string_id);
// Lets screen readers ask this program's own widgets (once; the widgets call it).
void install_accessible_widgets();

}  // namespace qdu
