#include "ui/shell/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace qor::ui {

namespace {

QPixmap Draw(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    QRectF body(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
    p.setPen(QPen(QColor(0x2B, 0x3A, 0x4A), std::max<qreal>(1.0, s / 24)));
    p.setBrush(QColor(0xF4, 0xF6, 0xF2));
    p.drawRoundedRect(body, s * 0.16, s * 0.16);
    // Scale band and needle.
    const QPointF centre(s * 0.5, s * 0.82);
    const qreal R = s * 0.62, r = s * 0.36;
    QPainterPath band;
    band.arcMoveTo(QRectF(centre.x() - R, centre.y() - R, 2 * R, 2 * R), 60);
    band.arcTo(QRectF(centre.x() - R, centre.y() - R, 2 * R, 2 * R), 60, 60);
    band.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 120, -60);
    band.closeSubpath();
    p.setBrush(QColor(0xAE, 0xC4, 0xDB));
    p.drawPath(band);
    const qreal a = 75.0 * 3.14159265358979 / 180.0;
    p.setPen(QPen(QColor(0xD0, 0x20, 0x20), std::max<qreal>(1.2, s / 14), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, QPointF(centre.x() + R * 0.98 * std::cos(a), centre.y() - R * 0.98 * std::sin(a)));
    return pm;
}

}  // namespace

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(Draw(size));
    return icon;
}

}  // namespace qor::ui
