#include "status/error_indicator.h"

#include <QAccessible>
#include <QPainter>

#include "shell/accessibility.h"
#include "shell/dialog_units.h"
#include "shell/qt_text.h"

namespace qdu {

namespace {

struct Rgb16 {
    int r, g, b;  // 0000h..FF00h, as the gradient vertices hold them
};

const QColor kGrey(112, 112, 112);

// Outline colour, and the gradient's top/bottom and middle, by level.
struct LevelColours {
    QColor outline;
    Rgb16 edge;
    Rgb16 middle;
};

LevelColours colours_for(std::uint8_t level) {
    Rgb16 edge{0x0000, 0xFF00, 0x0000};
    QColor outline(0, 255, 0);
    if (level >= 3 && level <= 5) {
        edge = {0xFF00, 0xFF00, 0x0000};
        outline = QColor(255, 255, 0);
    } else if (level >= 6) {
        edge = {0xFF00, 0x0000, 0x0000};
        outline = QColor(255, 0, 0);
    }
    // A red base lightens towards (red, 8000h, 8000h), any other towards (8000h, green, 8000h).
    const Rgb16 middle =
        edge.r != 0 ? Rgb16{edge.r, 0x8000, 0x8000} : Rgb16{0x8000, edge.g, 0x8000};
    return {outline, edge, middle};
}

// GDI's Rectangle: a one-pixel outline inside [left, right) x [top, bottom), filled within.
void rectangle(QImage& image, int left, int top, int right, int bottom, QColor pen, QColor fill) {
    if (right <= left || bottom <= top) {
        return;
    }
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const bool edge = x == left || x == right - 1 || y == top || y == bottom - 1;
            image.setPixelColor(x, y, edge ? pen : fill);
        }
    }
}

int channel(int from, int to, int step, int steps) {
    const int value16 = steps <= 0 ? from : from + (to - from) * step / steps;
    return value16 >> 8;
}

// A vertical two-stop gradient: the first colour on the top row, the second on the last.
void vertical_gradient(QImage& image, int left, int top, int right, int bottom, Rgb16 from,
                       Rgb16 to) {
    const int rows = bottom - top;
    for (int y = top; y < bottom; ++y) {
        const int step = y - top;
        const QColor colour(channel(from.r, to.r, step, rows - 1),
                            channel(from.g, to.g, step, rows - 1),
                            channel(from.b, to.b, step, rows - 1));
        for (int x = left; x < right; ++x) {
            image.setPixelColor(x, y, colour);
        }
    }
}

}  // namespace

void render_error_indicator(QImage& image, std::uint8_t level) {
    const int w = image.width();
    const int h = image.height();
    rectangle(image, 0, 0, w, h, Qt::black, kGrey);
    const int a = w / 8;
    const int d = h - 2;
    const int m = d / 2;
    for (int i = 0; i < 8; ++i) {
        rectangle(image, i * a + 1, 2, (i + 1) * a - 1, d, Qt::black, kGrey);
    }
    if (level > 8) {
        return;
    }
    const LevelColours c = colours_for(level);
    for (int i = 0; i < level; ++i) {
        const int left = i * a + 1;
        const int right = (i + 1) * a - 1;
        rectangle(image, left, 2, right, d, c.outline, c.outline);
        vertical_gradient(image, left, 2, right, m, c.edge, c.middle);
        vertical_gradient(image, left, m, right, d, c.middle, c.edge);
    }
}

CErrorIndicator::CErrorIndicator(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("1022"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    install_accessible_widgets();
    name_for_access(this, kAccessIndicator);
}

void CErrorIndicator::show_level(std::uint8_t new_level) {
    const bool changed = new_level != level;
    level = new_level;
    repaint();
    if (changed) {
        value_changed();
    }
}

void CErrorIndicator::set_word(const QString& word) {
    if (word != word_) {
        word_ = word;
        value_changed();
    }
}

QString CErrorIndicator::value_text() const {
    if (level > 8) {
        return word_;
    }
    return QString::fromStdString(
        format_text(text(kAccessIndicatorValue), {std::to_string(level), word_.toStdString()}));
}

void CErrorIndicator::value_changed() {
    QAccessibleValueChangeEvent event(this, level);
    QAccessible::updateAccessibility(&event);
}

QSize CErrorIndicator::sizeHint() const {
    // 78 by 12 dialog units at the usual dialog font.
    const QFontMetrics metrics(font());
    return dialog_units(metrics, 78, 12);
}

void CErrorIndicator::paintEvent(QPaintEvent* /*event*/) {
    // Drawn at the screen's own pixels, so that a scaled desktop shows it sharp.
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_RGB32);
    render_error_indicator(image, level);
    image.setDevicePixelRatio(ratio);
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

}  // namespace qdu
