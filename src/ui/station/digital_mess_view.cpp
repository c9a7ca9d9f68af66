#include "ui/station/digital_mess_view.h"

#include "station/digital_mess_view_model.h"
#include "ui/common/ui_texts.h"
#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/fitted_digits.h"
#include "ui/station/led.h"

#include <QFontMetrics>
#include <QLabel>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace qor::ui {

namespace {

// Digits below this pixel size are not read reliably.
constexpr int kSmallestDigits = 9;

}  // namespace

QRect CDigitalMessView::Dlu(int x, int y, int w, int h) const
{
    const double ux = kDluX * m_scale, uy = kDluY * m_scale;
    return QRect(m_origin.x() + static_cast<int>(std::lround(x * ux)),
                 m_origin.y() + static_cast<int>(std::lround(y * uy)), static_cast<int>(std::lround(w * ux)),
                 static_cast<int>(std::lround(h * uy)));
}

CDigitalMessView::CDigitalMessView(std::uint8_t address, int lang, QWidget* parent)
    : QWidget(parent), m_address(address), m_lang(lang)
{
    setAutoFillBackground(true);
    const QRect form = Dlu(0, 0, kFormWidth, kFormHeight);
    setMinimumSize(form.size());

    m_meter[0] = new C3DMeterCtrl(this);
    m_meter[1] = new C3DMeterCtrl(this);
    for (int i = 0; i < 3; ++i) {
        QLabel* v = new QLabel(this);
        v->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        v->setLineWidth(1);
        v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        v->setIndent(0);
        v->setContentsMargins(2, 0, 4, 0);
        v->setAutoFillBackground(true);
        QPalette pal = v->palette();
        pal.setColor(QPalette::Window, QColor(0xFC, 0xFC, 0xFA));
        pal.setColor(QPalette::WindowText, QColor(0x10, 0x18, 0x20));
        v->setPalette(pal);
        m_value[static_cast<std::size_t>(i)] = v;

        m_unit[static_cast<std::size_t>(i)] = new QLabel(this);
    }
    m_runLabel = new QLabel(Tr(txt::kRun, lang), this);
    m_led = new CLed(this);
    Place();
}

void CDigitalMessView::Place()
{
    m_meter[0]->setGeometry(Dlu(7, 1, 83, 61));
    m_meter[1]->setGeometry(Dlu(200, 1, 83, 61));
    const int digitY[3] = {6, 24, 42};
    const int unitY[3] = {15, 33, 50};
    for (std::size_t i = 0; i < 3; ++i) {
        m_value[i]->setGeometry(Dlu(97, digitY[i], 69, 17));
        m_unit[i]->setGeometry(Dlu(171, unitY[i], 29, 8));  // wide enough for "µS/cm"
    }
    m_runLabel->setGeometry(Dlu(7, 64, 18, 8));
    const QRect lamp = Dlu(25, 64, 12, 8);
    m_led->setGeometry(lamp.x(), lamp.y(), std::max(lamp.width(), CLed::kCell),
                       std::max(lamp.height(), CLed::kCell));
}

void CDigitalMessView::SizeDigits()
{
    m_digitFont = QFont(QStringLiteral("Arial"));
    m_digitFont.setWeight(QFont::Medium);  // 500
    m_digitFont.setPixelSize(std::max(kSmallestDigits, m_value[0]->height() - 8));
    for (std::size_t i = 0; i < 3; ++i)
        ShowDigits(i);
    m_labelFont = font();
    if (m_labelFont.pointSizeF() > 0)
        m_labelFont.setPointSizeF(m_labelFont.pointSizeF() * m_scale);
    for (QLabel* l : m_unit)
        FitLabel(l);
    FitLabel(m_runLabel);
}

void CDigitalMessView::ShowDigits(std::size_t i)
{
    QLabel* box = m_value[i];
    const FittedDigits shown =
        FitDigits(m_digitFont, m_valueText[i], box->contentsRect().width(), kSmallestDigits);
    if (box->font() != shown.font)
        box->setFont(shown.font);
    if (box->text() != shown.text)
        box->setText(shown.text);
}

void CDigitalMessView::FitLabel(QLabel* label) const
{
    QFont f = m_labelFont;
    const int room = label->contentsRect().width();
    // Shrinks in steps of a tenth until the text fits, and stops at a third of the size.
    for (int step = 0; step < 7 && QFontMetrics(f).horizontalAdvance(label->text()) > room; ++step) {
        if (m_labelFont.pointSizeF() > 0)
            f.setPointSizeF(m_labelFont.pointSizeF() * (0.9 - 0.1 * step));
        else
            f.setPixelSize(static_cast<int>(m_labelFont.pixelSize() * (0.9 - 0.1 * step)));
    }
    if (label->font() != f)
        label->setFont(f);
}

void CDigitalMessView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QSize form = minimumSize();
    const double s = std::max(1.0, std::min(static_cast<double>(width()) / form.width(),
                                            static_cast<double>(height()) / form.height()));
    const QPoint origin((width() - static_cast<int>(std::lround(form.width() * s))) / 2,
                        (height() - static_cast<int>(std::lround(form.height() * s))) / 2);
    if (s == m_scale && origin == m_origin)
        return;
    m_scale = s;
    m_origin = origin;
    Place();
    SizeDigits();
}

void CDigitalMessView::SetTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    setWindowTitle(title);
}

void CDigitalMessView::SetAlarm(int i, int level)
{
    const auto k = static_cast<std::size_t>(i);
    if (k > 2 || m_alarm[k] == level)
        return;
    m_alarm[k] = level;
    static const QColor kBack[] = {QColor(0xFC, 0xFC, 0xFA), QColor(0xE0, 0x30, 0x28),
                                   QColor(0xF2, 0xA8, 0x20)};
    static const QColor kText[] = {QColor(0x10, 0x18, 0x20), QColor(0xFF, 0xFF, 0xFF),
                                   QColor(0x10, 0x18, 0x20)};
    const int l = std::clamp(level, 0, 2);
    QPalette pal = m_value[k]->palette();
    pal.setColor(QPalette::Window, kBack[l]);
    pal.setColor(QPalette::WindowText, kText[l]);
    m_value[k]->setPalette(pal);
    if (k < 2)
        m_meter[k]->SetAlarmTint(l == 0 ? QColor() : kBack[l]);
}

void CDigitalMessView::SetLanguage(int lang)
{
    m_lang = lang;
    m_runLabel->setText(Tr(txt::kRun, lang));
    FitLabel(m_runLabel);
}

void CDigitalMessView::InitialUpdate()
{
    SizeDigits();
    m_led->SetLed(CLed::LED_COLOR_RED, CLed::LED_OFF, CLed::LED_SQUARE);
}

QSize CDigitalMessView::FrameSize() const
{
    const int h = m_meter[1]->height();
    return {static_cast<int>(3.7 * h), static_cast<int>(1.7 * h)};
}

void CDigitalMessView::Refresh(const station::ModuleReading& reading, bool potRunning)
{
    const station::DigitalViewState s = station::DigitalViewRefresh(m_address, reading, potRunning);
    if (s.action == station::DigitalViewState::Action::Nothing)
        return;
    if (s.action == station::DigitalViewState::Action::RedLamp) {
        m_led->SetLed(CLed::LED_COLOR_RED, CLed::LED_ON, CLed::LED_SQUARE);
        return;
    }
    for (int i = 0; i < 2; ++i) {
        C3DMeterCtrl* m = m_meter[static_cast<std::size_t>(i)];
        m->SetUnits(QString::fromStdString(s.meterUnit[i]));
        m->SetValueDecimals(s.meterDecimals[i]);
        m->SetRange(s.meterMin[i], s.meterMax[i]);
        m->UpdateNeedle(s.meterValue[i]);
    }
    SetTitle(QString::fromStdString(s.title));
    if (QWidget* frame = parentWidget(); frame && frame->windowTitle() != m_title)
        frame->setWindowTitle(m_title);
    for (std::size_t i = 0; i < 3; ++i) {
        const QString value = QString::fromStdString(s.value[i]);
        const QString unit = QString::fromStdString(s.unit[i]);
        if (m_valueText[i] != value) {
            m_valueText[i] = value;
            ShowDigits(i);
        }
        if (m_unit[i]->text() != unit) {
            m_unit[i]->setText(unit);
            FitLabel(m_unit[i]);
        }
    }
    m_led->SetLed(s.lampColour, CLed::LED_ON, CLed::LED_SQUARE);
}

QString CDigitalMessView::ValueText(int i) const
{
    return m_valueText[static_cast<std::size_t>(i)];
}
QString CDigitalMessView::UnitText(int i) const
{
    return m_unit[static_cast<std::size_t>(i)]->text();
}

}  // namespace qor::ui
