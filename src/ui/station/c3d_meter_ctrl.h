#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>

namespace qor::ui {

// An analogue moving-needle meter: a curved scale band, the needle, the scale limits, the
// unit and the value as digits. The face is drawn once into an off-screen pixmap and only
// rebuilt when size, range or unit change; a new value repaints needle and digits only.
class C3DMeterCtrl : public QWidget {
    Q_OBJECT
public:
    explicit C3DMeterCtrl(QWidget* parent = nullptr);

    void UpdateNeedle(double value);
    void SetRange(double minimum, double maximum);
    void SetScaleDecimals(int decimals);
    void SetValueDecimals(int decimals);
    void SetUnits(const QString& unit);
    // 0x00BBGGRR, as the colour is stored.
    void SetNeedleColor(std::uint32_t colorRef);
    // The face in an alarm's colour; an invalid colour gives the plain face back.
    void SetAlarmTint(const QColor& tint);

    double RangeMin() const { return m_minimum; }
    double RangeMax() const { return m_maximum; }

    // Texts exactly as drawn.
    QString ValueText() const;
    QString MinText() const;
    QString MaxText() const;
    double CurrentNeedleAngle() const;

    QSize sizeHint() const override { return {125, 100}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Boxes;
    Boxes Layout() const;
    void DrawFace(QPainter& p) const;
    void InvalidateFace();

    double m_value = 0.0;
    double m_minimum = -5.0;
    double m_maximum = 5.0;
    int m_scaleDecimals = 1;
    int m_valueDecimals = 3;
    QString m_unit = QStringLiteral("Volts");
    std::uint32_t m_needleColor = 0x0000FF;
    QColor m_alarmTint;

    QPixmap m_face;
    bool m_faceValid = false;
};

}  // namespace qor::ui
