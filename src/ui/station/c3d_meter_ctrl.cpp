#include "ui/station/c3d_meter_ctrl.h"

#include "ui/station/fitted_digits.h"
#include "ui/station/meter_geometry.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace qor::ui {

namespace {

int ClampDecimals(int d)
{
    return std::clamp(d, 0, 9);
}

QColor FromColorRef(std::uint32_t ref)
{
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

QPolygon ToPolygon(const std::vector<MeterPoint>& points)
{
    QPolygon poly;
    for (const MeterPoint& pt : points)
        poly << QPoint(pt.x, pt.y);
    return poly;
}

// Writes `text` into `box` with the given alignment, narrowing the font until it fits; a
// number that fits at no size is never drawn cut.
void DrawFitted(QPainter& p, const QRect& box, int flags, const QString& text, const QFont& font)
{
    const FittedDigits fitted = FitDigits(font, text, box.width(), 6);
    p.setFont(fitted.font);
    p.drawText(box, flags, fitted.text);
}

}  // namespace

struct C3DMeterCtrl::Boxes {
    MeterGeometry geometry;
    QFont font;
    QRect unit;
    QRect minLabel;
    QRect maxLabel;
    QRect value;
};

C3DMeterCtrl::C3DMeterCtrl(QWidget* parent) : QWidget(parent)
{
    // Everything is painted from the off-screen face: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(60, 48);
}

void C3DMeterCtrl::UpdateNeedle(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void C3DMeterCtrl::SetRange(double minimum, double maximum)
{
    if (minimum == m_minimum && maximum == m_maximum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    InvalidateFace();
}

void C3DMeterCtrl::SetScaleDecimals(int decimals)
{
    decimals = ClampDecimals(decimals);
    if (decimals == m_scaleDecimals)
        return;
    m_scaleDecimals = decimals;
    InvalidateFace();
}

void C3DMeterCtrl::SetValueDecimals(int decimals)
{
    decimals = ClampDecimals(decimals);
    if (decimals == m_valueDecimals)
        return;
    m_valueDecimals = decimals;
    update();
}

void C3DMeterCtrl::SetUnits(const QString& unit)
{
    if (unit == m_unit)
        return;
    m_unit = unit;
    InvalidateFace();
}

void C3DMeterCtrl::SetAlarmTint(const QColor& tint)
{
    if (tint == m_alarmTint)
        return;
    m_alarmTint = tint;
    InvalidateFace();
    update();
}

void C3DMeterCtrl::SetNeedleColor(std::uint32_t colorRef)
{
    m_needleColor = colorRef & 0xFFFFFF;
    update();
}

QString C3DMeterCtrl::ValueText() const
{
    return QString::asprintf("%.*f", m_valueDecimals, m_value);
}
QString C3DMeterCtrl::MinText() const
{
    return QString::asprintf("%.*f", m_scaleDecimals, m_minimum);
}
QString C3DMeterCtrl::MaxText() const
{
    return QString::asprintf("%.*f", m_scaleDecimals, m_maximum);
}

double C3DMeterCtrl::CurrentNeedleAngle() const
{
    return NeedleAngle(m_value, m_minimum, m_maximum);
}

void C3DMeterCtrl::InvalidateFace()
{
    m_faceValid = false;
    update();
}

void C3DMeterCtrl::resizeEvent(QResizeEvent* event)
{
    m_faceValid = false;
    QWidget::resizeEvent(event);
}

C3DMeterCtrl::Boxes C3DMeterCtrl::Layout() const
{
    const int w = width();
    const int h = height();
    Boxes b;
    b.geometry = MeterGeometry::FromRect(0, 0, w, h);
    const MeterGeometry& g = b.geometry;

    const int boxHeight = std::max(8, static_cast<int>(std::lround(h * 0.17)));
    b.font = QFont(QStringLiteral("Arial"));
    b.font.setWeight(QFont::Normal);
    b.font.setPixelSize(std::max(6, static_cast<int>(boxHeight * 0.85)));

    const int margin = std::max(3, w / 40);
    const int valueWidth = std::max(20, static_cast<int>(w * 0.6));
    b.value = QRect(g.centreX - valueWidth / 2, h - margin - boxHeight, valueWidth, boxHeight);

    b.unit = QRect(margin, 1, w - 2 * margin, std::max(boxHeight, g.centreY - g.outerRadius - 2));

    const MeterPoint innerLeft = g.PointAt(MeterGeometry::kStartAngle, g.innerRadius);
    const int labelTop = std::min(innerLeft.y + 1, b.value.top() - boxHeight);
    const int labelWidth = g.centreX - margin - 4;
    b.minLabel = QRect(margin, labelTop, labelWidth, boxHeight);
    b.maxLabel = QRect(w - margin - labelWidth, labelTop, labelWidth, boxHeight);
    return b;
}

void C3DMeterCtrl::DrawFace(QPainter& p) const
{
    const Boxes b = Layout();
    const MeterGeometry& g = b.geometry;
    const QRect r = rect();

    // Face with a raised three-dimensional frame.
    QLinearGradient face(0, 0, 0, r.height());
    face.setColorAt(0.0, m_alarmTint.isValid() ? m_alarmTint.lighter(140) : QColor(0xFB, 0xFB, 0xF8));
    face.setColorAt(1.0, m_alarmTint.isValid() ? m_alarmTint : QColor(0xE2, 0xE3, 0xDE));
    p.fillRect(r, face);
    p.setPen(QColor(0xFF, 0xFF, 0xFF));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(0x8C, 0x8E, 0x8A));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(QColor(0xB8, 0xBA, 0xB5));
    p.drawRect(r.adjusted(1, 1, -2, -2));

    p.setRenderHint(QPainter::Antialiasing, true);

    // Scale band.
    QRadialGradient bandFill(g.centreX, g.centreY, g.outerRadius);
    bandFill.setColorAt(0.45, QColor(0xD6, 0xE2, 0xEE));
    bandFill.setColorAt(1.0, QColor(0xAE, 0xC4, 0xDB));
    p.setBrush(bandFill);
    p.setPen(QPen(QColor(0x3A, 0x46, 0x52), 1.0));
    p.drawPolygon(ToPolygon(g.ScaleBand()));

    // Ticks every 5 degrees, longer at both ends and the middle.
    const double bandWidth = g.outerRadius - g.innerRadius;
    for (int a = 60; a <= 120; a += 5) {
        const bool major = a == 60 || a == 90 || a == 120;
        const double inner = g.outerRadius - bandWidth * (major ? 0.55 : 0.3);
        const MeterPoint from = g.PointAt(a, inner);
        const MeterPoint to = g.PointAt(a, g.outerRadius);
        p.setPen(QPen(QColor(0x2B, 0x35, 0x3E), major ? 1.4 : 0.9));
        p.drawLine(from.x, from.y, to.x, to.y);
    }

    // Unit and scale ends.
    p.setPen(QColor(0x20, 0x24, 0x28));
    DrawFitted(p, b.unit, Qt::AlignHCenter | Qt::AlignVCenter, m_unit, b.font);
    DrawFitted(p, b.minLabel, Qt::AlignLeft | Qt::AlignVCenter, MinText(), b.font);
    DrawFitted(p, b.maxLabel, Qt::AlignRight | Qt::AlignVCenter, MaxText(), b.font);
}

void C3DMeterCtrl::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    if (!m_faceValid || m_face.size() != size() * dpr) {
        m_face = QPixmap(size() * dpr);
        m_face.setDevicePixelRatio(dpr);
        QPainter fp(&m_face);
        DrawFace(fp);
        m_faceValid = true;
    }

    QPainter p(this);
    p.drawPixmap(0, 0, m_face);
    const Boxes b = Layout();
    const MeterGeometry& g = b.geometry;

    // Needle, then the digit window that hides its pivot.
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor needle = FromColorRef(m_needleColor);
    p.setBrush(needle);
    p.setPen(QPen(needle.darker(160), 0.8));
    p.drawPolygon(ToPolygon(g.Needle(CurrentNeedleAngle())));

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x7A, 0x7D, 0x78));
    p.setBrush(QColor(0x24, 0x2B, 0x31));
    p.drawRect(b.value.adjusted(0, 0, -1, -1));
    p.setPen(QColor(0xF2, 0xF5, 0xEC));
    DrawFitted(p, b.value.adjusted(3, 0, -3, 0), Qt::AlignCenter, ValueText(), b.font);
}

}  // namespace qor::ui
