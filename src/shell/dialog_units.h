// Sizes in dialog units, measured as Windows measures them: the horizontal base unit is the
// average width of the 52 letters A-Z and a-z of the dialog's font (not the font's own average
// character width, which for a CJK font is a full-width glyph), the vertical one its height.
#pragma once

#include <QFontMetrics>
#include <QSize>
#include <QString>

namespace qdu {

inline int dialog_base_width(const QFontMetrics& metrics) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
}

inline QSize dialog_units(const QFontMetrics& metrics, int x, int y) {
    return {x * dialog_base_width(metrics) / 4, y * metrics.height() / 8};
}

}  // namespace qdu
