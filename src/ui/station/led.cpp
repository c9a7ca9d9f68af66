#include "ui/station/led.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

namespace qor::ui {

namespace {

QImage BuildStrip()
{
    QImage strip(48, 128, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor lit[4] = {QColor(0xF0, 0x2A, 0x1E), QColor(0x2B, 0xD1, 0x3A), QColor(0xFF, 0xD2, 0x1F),
                           QColor(0x2F, 0x7D, 0xF2)};
    for (int shape = 0; shape < 2; ++shape) {
        for (int colour = 0; colour < 4; ++colour) {
            for (int state = 0; state < 3; ++state) {
                const QRectF cell(state * 16 + 1.5, shape * 64 + colour * 16 + 1.5, 13, 13);
                QColor base = lit[colour];
                if (state == CLed::LED_OFF)
                    base = base.darker(260);
                else if (state == CLed::LED_DISABLED)
                    base = QColor(0x9A, 0x9A, 0x9A);
                QRadialGradient g(cell.center() - QPointF(2, 2), 8);
                g.setColorAt(0.0, state == CLed::LED_ON ? base.lighter(170) : base.lighter(125));
                g.setColorAt(0.6, base);
                g.setColorAt(1.0, base.darker(140));
                p.setBrush(g);
                p.setPen(QPen(QColor(0x30, 0x30, 0x30, 200), 1.0));
                if (shape == 0)
                    p.drawEllipse(cell);
                else
                    p.drawRoundedRect(cell, 2.5, 2.5);
            }
        }
    }
    return strip;
}

}  // namespace

CLed::CLed(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(kCell, kCell);
}

const QImage& CLed::Strip()
{
    static const QImage strip = BuildStrip();
    return strip;
}

void CLed::SetLed(int colour, int state, int shape)
{
    m_colour = colour;
    m_state = state;
    m_shape = shape;
    repaint();
}

QRect CLed::Cell() const
{
    // Values outside the strip fall back to its nearest cell rather than reading beyond it.
    const int x = std::clamp(m_state, 0, 2) * kCell;
    const int y = std::clamp(m_colour / kCell, 0, 3) * kCell + (m_shape >= LED_SQUARE ? LED_SQUARE : 0);
    return {x, y, kCell, kCell};
}

void CLed::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect cell = Cell();
    QPoint at(0, 0);
    if (width() >= kCell && height() >= kCell)
        at = QPoint((width() - kCell) / 2, (height() - kCell) / 2);
    p.drawImage(at, Strip(), cell);
}

}  // namespace qor::ui
