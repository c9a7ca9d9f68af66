#pragma once

#include <QImage>
#include <QWidget>

namespace qor::ui {

// A lamp: one 16 x 16 cell of a 48 x 128 image strip. The column is the state, the row
// colour plus shape.
class CLed : public QWidget {
    Q_OBJECT
public:
    enum Colour { LED_COLOR_RED = 0, LED_COLOR_GREEN = 16, LED_COLOR_YELLOW = 32, LED_COLOR_BLUE = 48 };
    enum State { LED_ON = 0, LED_OFF = 1, LED_DISABLED = 2 };
    enum Shape { LED_ROUND = 0, LED_SQUARE = 64 };
    static constexpr int kCell = 16;

    explicit CLed(QWidget* parent = nullptr);

    // Stores the three values and redraws at once.
    void SetLed(int colour, int state, int shape);
    int LedColour() const { return m_colour; }
    int LedState() const { return m_state; }

    // The cell of the strip for the current values, in strip pixels.
    QRect Cell() const;
    static const QImage& Strip();

    QSize sizeHint() const override { return {kCell, kCell}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_colour = LED_COLOR_RED;
    int m_state = LED_OFF;
    int m_shape = LED_ROUND;
};

}  // namespace qor::ui
