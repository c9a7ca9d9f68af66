#pragma once

#include "station/measurement.h"

#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;

namespace qor::ui {

class C3DMeterCtrl;
class CLed;

// One module's values: two needle meters, three large digit boxes with units and the
// "Run:" lamp. Holds no values of its own: each refresh shows the module's part of a poll
// cycle's measurement.
class CDigitalMessView : public QWidget {
    Q_OBJECT
public:
    // The form in dialog units, and the pixels of one unit.
    static constexpr int kFormWidth = 290;
    static constexpr int kFormHeight = 77;
    static constexpr double kDluX = 1.5;
    static constexpr double kDluY = 2.0;

    CDigitalMessView(std::uint8_t address, int lang, QWidget* parent = nullptr);

    const QString& Title() const { return m_title; }
    void SetTitle(const QString& title);
    void SetLanguage(int lang);

    // Lamp red, dark, second shape; digit font from the digit box height.
    void InitialUpdate();
    // The frame size for the view: 3.7 and 1.7 times the height of meter 2.
    QSize FrameSize() const;
    void Refresh(const station::ModuleReading& reading, bool potRunning);

    C3DMeterCtrl* Meter(int i) const { return m_meter[static_cast<std::size_t>(i)]; }
    CLed* Lamp() const { return m_led; }
    // The value as formatted; the box shows it whole, or a mark where it cannot fit legibly.
    QString ValueText(int i) const;
    QString UnitText(int i) const;
    QLabel* DigitBox(int i) const { return m_value[static_cast<std::size_t>(i)]; }
    // Value i (0..2) in alarm: 0 none, 1 unacknowledged (red), 2 acknowledged (amber). The
    // digit box and the meter of the value take the colour.
    void SetAlarm(int i, int level);

protected:
    // The form grows (and shrinks back) with its frame, meters, digits and lamp alike.
    void resizeEvent(QResizeEvent* event) override;

private:
    // A rectangle of the form in dialog units, at the view's present scale.
    QRect Dlu(int x, int y, int w, int h) const;
    void Place();
    void SizeDigits();
    void ShowDigits(std::size_t i);
    void FitLabel(QLabel* label) const;

    std::uint8_t m_address;
    int m_lang;
    QString m_title;
    std::array<C3DMeterCtrl*, 2> m_meter{};
    std::array<QLabel*, 3> m_value{};
    std::array<QString, 3> m_valueText;
    std::array<int, 3> m_alarm{};
    std::array<QLabel*, 3> m_unit{};
    QLabel* m_runLabel;
    QFont m_digitFont;  // at the size the box height allows
    QFont m_labelFont;  // units and "Run:" at the present scale
    CLed* m_led;
    // One scale both ways, so that digits and meters keep the form's proportions; the form
    // sits in the middle of a window of other proportions.
    double m_scale = 1.0;
    QPoint m_origin;
};

}  // namespace qor::ui
