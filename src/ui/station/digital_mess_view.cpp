#include "ui/station/digital_mess_view.h"

#include "catalogue/digital_mess_view_model.h"
#include "ui/shell/ui_texts.h"
#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/led.h"

#include <QLabel>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace qor::ui {

QRect CDigitalMessView::Dlu(int x, int y, int w, int h) const
{
    const double ux = kDluX * m_scaleX, uy = kDluY * m_scaleY;
    return QRect(static_cast<int>(std::lround(x * ux)), static_cast<int>(std::lround(y * uy)),
                 static_cast<int>(std::lround(w * ux)), static_cast<int>(std::lround(h * uy)));
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
        v->setContentsMargins(0, 0, 4, 0);
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
    QFont digits(QStringLiteral("Arial"));
    digits.setWeight(QFont::Medium);  // 500
    digits.setPixelSize(std::max(8, m_value[0]->height() - 8));
    for (QLabel* v : m_value)
        v->setFont(digits);
    QFont small = font();
    if (small.pointSizeF() > 0)
        small.setPointSizeF(small.pointSizeF() * m_scaleY);
    for (QLabel* l : m_unit)
        l->setFont(small);
    m_runLabel->setFont(small);
}

void CDigitalMessView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QSize form = minimumSize();
    const double sx = std::max(1.0, static_cast<double>(width()) / form.width());
    const double sy = std::max(1.0, static_cast<double>(height()) / form.height());
    if (sx == m_scaleX && sy == m_scaleY)
        return;
    m_scaleX = sx;
    m_scaleY = sy;
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

void CDigitalMessView::SetLanguage(int lang)
{
    m_lang = lang;
    m_runLabel->setText(Tr(txt::kRun, lang));
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

void CDigitalMessView::Refresh(const catalogue::CSlave& slave, bool potRunning)
{
    const catalogue::DigitalViewState s = catalogue::DigitalViewRefresh(slave, potRunning);
    if (s.action == catalogue::DigitalViewState::Action::Nothing)
        return;
    if (s.action == catalogue::DigitalViewState::Action::RedLamp) {
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
    for (int i = 0; i < 3; ++i) {
        const QString value = QString::fromStdString(s.value[i]);
        const QString unit = QString::fromStdString(s.unit[i]);
        if (m_value[static_cast<std::size_t>(i)]->text() != value)
            m_value[static_cast<std::size_t>(i)]->setText(value);
        if (m_unit[static_cast<std::size_t>(i)]->text() != unit)
            m_unit[static_cast<std::size_t>(i)]->setText(unit);
    }
    m_led->SetLed(s.lampColour, CLed::LED_ON, CLed::LED_SQUARE);
}

QString CDigitalMessView::ValueText(int i) const
{
    return m_value[static_cast<std::size_t>(i)]->text();
}
QString CDigitalMessView::UnitText(int i) const
{
    return m_unit[static_cast<std::size_t>(i)]->text();
}

}  // namespace qor::ui
