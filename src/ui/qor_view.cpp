#include "ui/qor_view.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

#include "catalogue/catalogue.h"
#include "data/qor_doc.h"
#include "ui/ui_texts.h"

namespace qor::ui {

namespace {

// Sixteen colours that stay apart on white, one per module address.
QColor CurveColour(int address)
{
    static const QRgb palette[16] = {0xD62728, 0x1F77B4, 0x2CA02C, 0x9467BD, 0xFF7F0E, 0x8C564B, 0xE377C2, 0x17BECF,
                                     0x7F7F7F, 0xBCBD22, 0x393B79, 0xAD494A, 0x637939, 0x843C39, 0x3182BD, 0x31A354};
    return QColor(palette[address & 15]);
}

// Round step of 1, 2 or 5 times a power of ten for about `count` ticks over `span`.
double NiceStep(double span, int count)
{
    if (!(span > 0))
        return 1.0;
    const double raw = span / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / power;
    return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * power;
}

}  // namespace

CQORView::CQORView(data::CQORDoc& doc, int lang, QWidget* parent) : QWidget(parent), m_doc(doc), m_lang(lang)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
    SetLanguage(lang);
}

void CQORView::SetLanguage(int lang)
{
    m_lang = lang;
    setWindowTitle(Tr(txt::kGraphPane, lang));
    update();
}

void CQORView::OnUpdate()
{
    if (m_doc.m_samples.size() != m_drawnSamples || m_doc.m_rebuildGraph || m_doc.m_newSample) {
        m_doc.m_newSample = false;
        m_doc.m_rebuildGraph = false;
        update();
    }
}

std::vector<int> CQORView::Channels() const
{
    std::vector<int> shown;
    for (int a = 0; a < 16; ++a)
        if (m_doc.m_grafikSetup.m_show1[static_cast<std::size_t>(a)])
            shown.push_back(a);
    if (!shown.empty())
        return shown;
    for (int a = 0; a < 16; ++a) {
        const auto& slave = m_doc.m_slave[static_cast<std::size_t>(a)];
        if (slave.m_enabled == 1 || m_doc.m_grafikSetup.m_moduleType[static_cast<std::size_t>(a)] != 0)
            shown.push_back(a);
    }
    return shown;
}

void CQORView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xFF, 0xFF, 0xFF));
    const auto& samples = m_doc.m_samples;
    m_drawnSamples = samples.size();
    const std::vector<int> channels = Channels();

    const QFontMetrics fm(font());
    const int left = fm.horizontalAdvance(QStringLiteral("-00000.00")) + 10;
    const int bottom = fm.height() * 2 + 6;
    const QRect plot(left, fm.height() + 10, std::max(10, width() - left - 16),
                     std::max(10, height() - bottom - fm.height() - 14));
    p.setPen(QColor(0xC8, 0xCC, 0xD0));
    p.drawRect(plot);

    // Ranges.
    double yMin = std::numeric_limits<double>::max(), yMax = std::numeric_limits<double>::lowest();
    for (const auto& s : samples)
        for (int a : channels) {
            const double v = s.m_value[static_cast<std::size_t>(a)] *
                             m_doc.m_grafikSetup.m_factor1[static_cast<std::size_t>(a)];
            if (std::isfinite(v)) {
                yMin = std::min(yMin, v);
                yMax = std::max(yMax, v);
            }
        }
    if (yMin > yMax) {
        yMin = m_doc.m_grafikSetup.m_yFrom;
        yMax = m_doc.m_grafikSetup.m_yTo;
    }
    if (!(yMax > yMin)) {
        yMin -= 1.0;
        yMax += 1.0;
    }
    const double yStep = NiceStep(yMax - yMin, std::max(2, plot.height() / 40));
    yMin = std::floor(yMin / yStep) * yStep;
    yMax = std::ceil(yMax / yStep) * yStep;
    const std::int64_t t0 = samples.empty() ? 0 : samples.front().m_time;
    const std::int64_t t1 = samples.empty() ? 60 : std::max(samples.back().m_time, t0 + 10);
    auto X = [&](double t) { return plot.left() + (t - t0) * plot.width() / double(t1 - t0); };
    auto Y = [&](double v) { return plot.bottom() - (v - yMin) * plot.height() / (yMax - yMin); };

    // Grid and labels.
    p.setFont(font());
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(yStep))), 0, 6);
    for (double v = yMin; v <= yMax + yStep / 2; v += yStep) {
        const int y = static_cast<int>(std::lround(Y(v)));
        p.setPen(QColor(0xEC, 0xEE, 0xF0));
        p.drawLine(plot.left() + 1, y, plot.right() - 1, y);
        p.setPen(QColor(0x30, 0x34, 0x38));
        p.drawText(QRect(0, y - fm.height() / 2, left - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v, 'f', decimals));
    }
    const double tStep = NiceStep(double(t1 - t0), std::max(2, plot.width() / 110));
    for (double t = t0; t <= t1 + 0.5; t += tStep) {
        const int x = static_cast<int>(std::lround(X(t)));
        p.setPen(QColor(0xEC, 0xEE, 0xF0));
        p.drawLine(x, plot.top() + 1, x, plot.bottom() - 1);
        p.setPen(QColor(0x30, 0x34, 0x38));
        const QString label = samples.empty() ? QString()
                                              : QDateTime::fromSecsSinceEpoch(static_cast<qint64>(t)).toString(
                                                    QStringLiteral("HH:mm:ss"));
        p.drawText(QRect(x - 40, plot.bottom() + 3, 80, fm.height()), Qt::AlignHCenter | Qt::AlignTop, label);
    }
    p.setPen(QColor(0x8C, 0x90, 0x94));
    p.drawRect(plot);

    // Curves: per pixel column the first, lowest, highest and last value.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setClipRect(plot.adjusted(1, 1, 0, 0));
    int legendX = plot.left() + 8;
    for (int a : channels) {
        const std::size_t ai = static_cast<std::size_t>(a);
        const QColor colour = CurveColour(a);
        const double factor = m_doc.m_grafikSetup.m_factor1[ai];
        QPainterPath path;
        int column = std::numeric_limits<int>::min();
        double lo = 0, hi = 0, last = 0;
        bool started = false;
        auto flush = [&] {
            if (column == std::numeric_limits<int>::min())
                return;
            path.lineTo(column, Y(lo));
            path.lineTo(column, Y(hi));
            path.lineTo(column, Y(last));
        };
        for (const auto& s : samples) {
            const double v = s.m_value[ai] * factor;
            if (!std::isfinite(v))
                continue;
            const int col = static_cast<int>(std::lround(X(double(s.m_time))));
            if (!started) {
                path.moveTo(col, Y(v));
                started = true;
            }
            if (col != column) {
                flush();
                column = col;
                lo = hi = last = v;
            } else {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
                last = v;
            }
        }
        flush();
        p.setPen(QPen(colour, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);

        // Legend entry.
        p.setClipping(false);
        catalogue::CSlave slave = m_doc.m_slave[ai];
        if (slave.m_type == 0)
            slave.m_type = m_doc.m_grafikSetup.m_moduleType[ai];
        slave.m_language = static_cast<std::uint8_t>(m_lang);
        const catalogue::ChannelInfo info = catalogue::DescribeModule(slave);
        const QString name = QString::asprintf("%02d ", a) + QString::fromStdString(info.name1) +
                             (info.baseUnit.empty() ? QString() : QStringLiteral(" [%1]").arg(QString::fromStdString(info.baseUnit)));
        p.setPen(QPen(colour, 3));
        p.drawLine(legendX, fm.height() / 2 + 4, legendX + 14, fm.height() / 2 + 4);
        p.setPen(QColor(0x20, 0x24, 0x28));
        p.drawText(legendX + 18, fm.ascent() + 2, name);
        legendX += 30 + fm.horizontalAdvance(name);
        p.setClipRect(plot.adjusted(1, 1, 0, 0));
    }
}

}  // namespace qor::ui
