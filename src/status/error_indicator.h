// The eight-segment quality bar of the Status page (control 1022).
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

namespace qdu {

// Draws the bar for a level into an image of the control's size. Safe off the GUI thread.
void render_error_indicator(QImage& image, std::uint8_t level);

class CErrorIndicator final : public QWidget {
    Q_OBJECT
public:
    explicit CErrorIndicator(QWidget* parent = nullptr);

    std::uint8_t level = 0;  // 0..8, written by the page
    // Sets the level and repaints at once.
    void show_level(std::uint8_t new_level);
    // The page's word for the level, which screen readers read with it.
    void set_word(const QString& word);
    // "Level 4 of 8: Not Good", the bar's value for screen readers.
    QString value_text() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void value_changed();

    QString word_;
};

}  // namespace qdu
