#include "ui/graph/ruler.h"

#include "graph/read_out.h"
#include "graph/ruler_labels.h"
#include "graph/tick_scale.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QStaticText>
#include <QToolTip>
#include <cmath>
#include <map>
#include <tuple>

namespace qor::ui {

namespace ri = graph::ruler_inches;

namespace {
int Px(double inches, const QPaintDevice* d, bool vertical)
{
    return graph::InchesToPixels(inches, FRuler::Dpi(d, vertical));
}

// The advance of a text in a font on a device, kept: measuring lays the text out again, and
// the same labels are measured several times a frame and again in the next.
double Advance(const QFontMetricsF& fm, const QFont& font, const QPaintDevice* device, const QString& text)
{
    using Key = std::tuple<QString, int, int, int>;
    static auto* known = new std::map<Key, double>;  // never destroyed, like the fonts
    const Key key{text, font.pixelSize(), device ? device->devType() : 0, device ? device->logicalDpiX() : 0};
    auto it = known->find(key);
    if (it == known->end()) {
        if (known->size() >= 4096)
            known->clear();
        it = known->emplace(key, fm.horizontalAdvance(text)).first;
    }
    return it->second;
}

// A label text laid out once and kept, drawn with its top left corner at `pos`.
void DrawLabel(QPainter* p, const QFont& font, const QString& text, QPointF pos)
{
    using Key = std::tuple<QString, int, int, int>;
    static auto* known = new std::map<Key, QStaticText>;  // never destroyed, like the fonts
    const QPaintDevice* device = p->device();
    const Key key{text, font.pixelSize(), device ? device->devType() : 0, device ? device->logicalDpiX() : 0};
    auto it = known->find(key);
    if (it == known->end()) {
        if (known->size() >= 1024)
            known->clear();
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        st.setPerformanceHint(QStaticText::AggressiveCaching);
        it = known->emplace(key, st).first;
    }
    p->drawStaticText(pos, it->second);
}

// Writes " 10" with a raised exponent; returns its extent along the text direction.
double Multiplier(QPainter* p, const QFont& font, int exponent, QPointF baseline, bool measureOnly)
{
    QFont small = font;
    small.setPixelSize(std::max(1, font.pixelSize() * 7 / 10));
    const QString ten = QStringLiteral(" 10");
    const QString ex = QString::number(exponent);
    const QFontMetricsF fm(font, p ? p->device() : nullptr), fs(small, p ? p->device() : nullptr);
    const double w = fm.horizontalAdvance(ten);
    if (!measureOnly) {
        p->setFont(font);
        p->drawText(baseline, ten);
        p->setFont(small);
        p->drawText(baseline + QPointF(w, -fm.ascent() * 0.45), ex);
        p->setFont(font);
    }
    return w + fs.horizontalAdvance(ex);
}

// "10" with the exponent raised in the exponent font.
double PowerLabel(QPainter* p, const QFont& font, const QFont& expFont, const QString& exponent,
                  QPointF baseline, bool measureOnly)
{
    const QFontMetricsF fm(font, p->device()), fe(expFont, p->device());
    const double w = fm.horizontalAdvance(QStringLiteral("10"));
    if (!measureOnly) {
        p->setFont(font);
        p->drawText(baseline, QStringLiteral("10"));
        p->setFont(expFont);
        p->drawText(baseline + QPointF(w, -fm.ascent() * 0.45), exponent);
        p->setFont(font);
    }
    return w + fe.horizontalAdvance(exponent);
}

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
}  // namespace

FRuler::FRuler(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

double FRuler::Dpi(const QPaintDevice* device, bool vertical)
{
    if (!device)
        return 96.0;
    return vertical ? device->logicalDpiY() : device->logicalDpiX();
}

QFont FRuler::LabelFont(const QPaintDevice* device, double heightInches)
{
    // The fonts of the sizes in use are kept: a font engine lives only as long as a font
    // refers to it, and building it again for every frame cost more than the ruler itself.
    // Never destroyed: a font must not outlive the application's font database.
    static auto* fonts = new std::map<int, QFont>;
    const int pixels = graph::InchesToPixels(heightInches, Dpi(device, true));
    auto it = fonts->find(pixels);
    if (it == fonts->end()) {
        if (fonts->size() >= 16)
            fonts->clear();
        QFont f(QStringLiteral("Liberation Serif"));
        f.setStyleHint(QFont::Serif, QFont::PreferQuality);
        f.setPixelSize(pixels);
        it = fonts->emplace(pixels, f).first;
    }
    return it->second;
}

void FRuler::SetRange(double start, double end, bool redraw)
{
    m_start = start;
    m_end = end;
    if (redraw)
        repaint();
}

void FRuler::SetTexts(const QString& title, const QString& tooltip)
{
    m_title = title;
    m_tooltip = tooltip;
    setToolTip(tooltip);
}

int FRuler::GetThickness(QPaintDevice*) const
{
    return 0;
}
int FRuler::GetLabelCount(QPaintDevice*, const QRect&) const
{
    return 0;
}
void FRuler::Draw(QPainter*, int, int, int, int) {}

void FRuler::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Draw(&p, 0, 0, width(), height());
}

// ---------------------------------------------------------------- vertical

int FVRuler::GetThickness(QPaintDevice* device) const
{
    // Room for the tick, a gap and one rotated label line; never thinner than a sixth inch.
    const QFont f = LabelFont(device, ri::kLabelFontHeight);
    const QFontMetricsF fm(f, device);
    const int need = Px(ri::kMajorTick, device, false) + Px(0.04, device, false) +
                     static_cast<int>(std::ceil(fm.height())) + Px(0.04, device, false);
    return std::max(Px(ri::kVerticalThickness, device, false), need);
}

int FVRuler::GetLabelCount(QPaintDevice* device, const QRect& rect) const
{
    const QFont f = LabelFont(device, ri::kLabelFontHeight);
    const QFontMetricsF fm(f, device);
    const bool log = (m_flags & graph::kFrameLogY) != 0;
    const double extent =
        Advance(fm, f, device, QString::fromLatin1(log ? graph::kLogLabelSample : graph::kLabelSample));
    const double margin = Advance(fm, f, device, QStringLiteral(" 10-99"));
    return graph::LabelCount(rect.height(), margin, extent);
}

void FRuler::DrawKept(QPainter* p, int left, int top, int right, int bottom, bool keepable)
{
    const QPaintDevice* dev = p->device();
    const int type = dev->devType();
    const bool raster = type == QInternal::Image || type == QInternal::Pixmap || type == QInternal::Widget;
    const QSize size(right - left, bottom - top);
    // Only where one unit is one pixel: a kept picture would be scaled up on a finer screen.
    if (!keepable || !raster || dev->devicePixelRatio() != 1.0 || !p->worldTransform().isIdentity() ||
        size.isEmpty()) {
        DrawAfresh(p, left, top, right, bottom);
        return;
    }
    const int dpiX = dev->logicalDpiX(), dpiY = dev->logicalDpiY();
    const bool same = m_kept.image.size() == size && m_kept.dpiX == dpiX && m_kept.dpiY == dpiY &&
                      m_kept.start == m_start && m_kept.end == m_end && m_kept.flags == m_flags &&
                      m_kept.title == m_title && m_kept.hints == p->renderHints();
    if (!same) {
        // Drawn at the device's resolution, so that fonts and ticks come out as they would
        // on the device itself.
        QImage image(size, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(dpiX / 0.0254));
        image.setDotsPerMeterY(qRound(dpiY / 0.0254));
        if (image.isNull() || image.logicalDpiX() != dpiX || image.logicalDpiY() != dpiY) {
            DrawAfresh(p, left, top, right, bottom);
            return;
        }
        QPainter q(&image);
        q.setRenderHints(p->renderHints());
        DrawAfresh(&q, 0, 0, size.width(), size.height());
        q.end();
        m_kept = {image, dpiX, dpiY, m_start, m_end, m_flags, m_title, p->renderHints()};
    }
    p->drawImage(left, top, m_kept.image);
}

void FVRuler::Draw(QPainter* p, int left, int top, int right, int bottom)
{
    DrawKept(p, left, top, right, bottom, true);
}

void FVRuler::DrawAfresh(QPainter* p, int left, int top, int right, int bottom)
{
    p->save();
    p->fillRect(QRect(left, top, right - left, bottom - top), kPaper);
    QPen pen(kInk);
    pen.setWidth(std::max(1, Px(1.0 / 96.0, p->device(), false)));
    p->setPen(pen);
    const int edge = right - 1;
    const int len = bottom - top;
    const QPaintDevice* dev = p->device();
    const int major = Px(ri::kMajorTick, dev, false), minor = Px(ri::kMinorTick, dev, false);
    const int gap = Px(0.04, dev, false);
    QFont font = LabelFont(dev, ri::kLabelFontHeight);
    QFont expFont = LabelFont(dev, ri::kExponentFontHeight);
    p->setFont(font);
    const QFontMetricsF fm(font, p->device());
    const bool log = (m_flags & graph::kFrameLogY) != 0;

    // The text at the top end: the multiplier, or the title.
    const graph::ScaleMapping map(bottom - 1, top, m_start, m_end);
    const int count = len > 0 ? GetLabelCount(p->device(), QRect(left, top, right - left, len)) : 0;
    const graph::TickScale ticks = count > 0 ? graph::TickScale::Compute(map, count) : graph::TickScale{};
    const bool multiplier = !log && ticks.exponent != 0 && !ticks.values.empty();
    double endExtent = 0;
    if (multiplier)
        endExtent = Multiplier(p, font, ticks.exponent, {}, true);
    else if (!m_title.isEmpty())
        endExtent = Advance(fm, font, p->device(), m_title);
    const double labelLimit = top + endExtent + gap;  // labels stay below the end text

    // Rotated text: the baseline runs upward, centred at `along` on the axis.
    const double textCentreX = edge - major - gap - fm.height() / 2.0;
    auto rotated = [&](double along, auto&& drawAt) {
        p->save();
        p->translate(textCentreX, along);
        p->rotate(-90);
        drawAt();
        p->restore();
    };

    bool havePrev = false;
    double prevA = 0, prevB = 0;  // screen extent of the previous label
    const double space = Advance(fm, font, p->device(), QStringLiteral(" "));  // labels never touch
    std::vector<graph::LogLabel> logLabels;
    if (log)
        logLabels = graph::LogLabels(ticks.values);
    const double unit = std::pow(10.0, ticks.exponent);
    for (std::size_t i = 0; i < ticks.values.size(); ++i) {
        const double y = std::round(ticks.pixels[i]);
        const bool labelled = !log || logLabels[i].major;
        if (labelled)
            p->drawLine(QPointF(edge - major, y), QPointF(edge, y));
        if (labelled) {
            QString text;
            double w;
            if (log && logLabels[i].power) {
                const QString ex = QString::fromStdString(logLabels[i].text);
                w = PowerLabel(p, font, expFont, ex, {}, true);
                text = ex;
            } else {
                text = log ? QString::fromStdString(logLabels[i].text)
                           : QString::fromStdString(graph::LinearLabel(ticks.values[i], ticks.exponent));
                w = Advance(fm, font, p->device(), text);
            }
            const double a = y - w / 2.0, b = y + w / 2.0;
            const bool overlaps = havePrev && a < prevB + space && b > prevA - space;
            if (!overlaps && a >= labelLimit && b <= bottom) {
                rotated(y, [&] {
                    const QPointF base(-w / 2.0, fm.ascent() - fm.height() / 2.0);
                    if (log && logLabels[i].power)
                        PowerLabel(p, font, expFont, text, base, false);
                    else
                        DrawLabel(p, font, text, base - QPointF(0, fm.ascent()));
                });
                havePrev = true;
                prevA = a;
                prevB = b;
            }
        }
        const double half = ticks.scaled[i] + (map.r1 >= map.r0 ? 0.5 : -0.5) * ticks.step;
        const double hv = half * unit;
        if (hv >= std::min(m_start, m_end) && hv <= std::max(m_start, m_end)) {
            const double y2 = std::round(map.Pixel(hv));
            p->drawLine(QPointF(edge - minor, y2), QPointF(edge, y2));
        }
    }
    p->drawLine(QPointF(edge, top), QPointF(edge, bottom - 1));

    if (multiplier || !m_title.isEmpty()) {
        rotated(top + endExtent, [&] {
            const QPointF base(0, fm.ascent() - fm.height() / 2.0);
            if (multiplier)
                Multiplier(p, font, ticks.exponent, base, false);
            else
                p->drawText(base, m_title);
        });
    }
    p->restore();
}

// ---------------------------------------------------------------- horizontal

int FHRuler::GetThickness(QPaintDevice* device) const
{
    const bool numeric = (m_flags & graph::kFrameNumericX) != 0;
    const bool twoLines = !numeric && (m_flags & graph::kFrameAbsoluteTime);
    const QFont f = LabelFont(device, ri::kLabelFontHeight);
    const QFontMetricsF fm(f, device);
    const int need = Px(ri::kMajorTick, device, true) + Px(0.03, device, true) +
                     static_cast<int>(std::ceil(fm.height() * (twoLines ? 2 : 1))) + Px(0.03, device, true);
    const double inches = numeric ? ri::kNumericAxisThickness : ri::kTimeAxisThickness;
    return std::max(Px(inches, device, true), need);
}

int FHRuler::GetLabelCount(QPaintDevice* device, const QRect& rect) const
{
    const QFont f = LabelFont(device, ri::kLabelFontHeight);
    const QFontMetricsF fm(f, device);
    const bool log = (m_flags & graph::kFrameNumericX) && (m_flags & graph::kFrameLogX);
    const double extent =
        Advance(fm, f, device, QString::fromLatin1(log ? graph::kLogLabelSample : graph::kLabelSample));
    const double margin = Advance(fm, f, device, QStringLiteral(" 10-99"));
    return graph::LabelCount(rect.width(), margin, extent);
}

void FHRuler::Draw(QPainter* p, int left, int top, int right, int bottom)
{
    DrawKept(p, left, top, right, bottom, (m_flags & graph::kFrameNumericX) != 0);
}

void FHRuler::DrawAfresh(QPainter* p, int left, int top, int right, int bottom)
{
    p->save();
    p->fillRect(QRect(left, top, right - left, bottom - top), kPaper);
    QPen pen(kInk);
    pen.setWidth(std::max(1, Px(1.0 / 96.0, p->device(), true)));
    p->setPen(pen);
    const QPaintDevice* dev = p->device();
    const int major = Px(ri::kMajorTick, dev, true), minor = Px(ri::kMinorTick, dev, true);
    const int gap = Px(0.03, dev, true);
    const QFont font = LabelFont(dev, ri::kLabelFontHeight);
    p->setFont(font);
    const QFontMetricsF fm(font, p->device());
    const bool numeric = (m_flags & graph::kFrameNumericX) != 0;
    const bool log = numeric && (m_flags & graph::kFrameLogX) != 0;
    const bool absolute = (m_flags & graph::kFrameAbsoluteTime) != 0;
    const int len = right - left;
    const QFont expFont = LabelFont(dev, ri::kExponentFontHeight);

    const graph::ScaleMapping map(left, right - 1, m_start, m_end);
    const int count = len > 0 ? GetLabelCount(p->device(), QRect(left, top, len, bottom - top)) : 0;
    const graph::TickScale ticks = count > 0 ? graph::TickScale::Compute(map, count) : graph::TickScale{};
    const bool multiplier = numeric && !log && ticks.exponent != 0 && !ticks.values.empty();
    double endExtent = 0;
    if (multiplier)
        endExtent = Multiplier(p, font, ticks.exponent, {}, true);
    else if (!m_title.isEmpty())
        endExtent = Advance(fm, font, p->device(), m_title);
    const double labelLimit = right - endExtent - gap;

    const double baseline = top + major + gap + fm.ascent();
    const double space = Advance(fm, font, p->device(), QStringLiteral(" "));
    auto minorTick = [&](double v) {
        if (v >= std::min(m_start, m_end) && v <= std::max(m_start, m_end)) {
            const double x2 = std::round(map.Pixel(v));
            p->drawLine(QPointF(x2, top), QPointF(x2, top + minor));
        }
    };
    auto drawLines = [&](double x, const QString& line1, const QString& line2) {
        const double w1 = Advance(fm, font, p->device(), line1), w2 = Advance(fm, font, p->device(), line2);
        DrawLabel(p, font, line1, QPointF(x - w1 / 2.0, baseline - fm.ascent()));
        if (!line2.isEmpty())
            DrawLabel(p, font, line2, QPointF(x - w2 / 2.0, baseline + fm.lineSpacing() - fm.ascent()));
    };

    if (numeric) {
        const double unit = std::pow(10.0, ticks.exponent);
        bool havePrev = false;
        double prevA = 0, prevB = 0;
        // Decades (a logarithmic axis) are labelled 10^n or with plain numbers, majors only.
        const std::vector<graph::LogLabel> logLabels =
            log ? graph::LogLabels(ticks.values) : std::vector<graph::LogLabel>{};
        for (std::size_t i = 0; i < ticks.values.size(); ++i) {
            const double x = std::round(ticks.pixels[i]);
            minorTick((ticks.scaled[i] + (map.r1 >= map.r0 ? 0.5 : -0.5) * ticks.step) * unit);
            if (log && !logLabels[i].major)
                continue;
            p->drawLine(QPointF(x, top), QPointF(x, top + major));
            const bool power = log && logLabels[i].power;
            const QString text = QString::fromStdString(
                log ? logLabels[i].text : graph::LinearLabel(ticks.values[i], ticks.exponent));
            const double w =
                power ? PowerLabel(p, font, expFont, text, {}, true) : Advance(fm, font, p->device(), text);
            const double l = x - w / 2.0, r = x + w / 2.0;
            const bool overlaps = havePrev && l < prevB + space && r > prevA - space;
            if (!overlaps && l >= left && r <= labelLimit) {
                if (power)
                    PowerLabel(p, font, expFont, text, QPointF(l, baseline), false);
                else
                    drawLines(x, text, {});
                havePrev = true;
                prevA = l;
                prevB = r;
            }
        }
    } else {
        // Sample indices of the first curve, labelled with the sample's time.
        const graph::CGraphProps* first = nullptr;
        if (m_model) {
            int pos;
            first = m_model->GetFirstGraph(pos);
        }
        const std::size_t samples = first ? first->m_points.size() : 0;

        graph::TimeLabelRoom room{static_cast<double>(left), labelLimit, space, {}};
        room.width = [&](const std::string& text) {
            return Advance(fm, font, p->device(), QString::fromStdString(text));
        };
        const graph::TimeAxisTicks time = graph::TimeTicks(
            map, count, samples, [first](std::size_t i) { return first->m_points[i].time; }, absolute, room);
        // Minor ticks only where they fall on a whole sample.
        const double half = time.step / 2.0;
        const bool minors = half >= 1.0 && std::floor(half) == half;
        for (const graph::TimeTick& t : time.ticks) {

            const double x = std::round(t.pixel);
            p->drawLine(QPointF(x, top), QPointF(x, top + major));
            if (!t.line1.empty())
                drawLines(t.labelCentre, QString::fromStdString(t.line1), QString::fromStdString(t.line2));
            if (minors)
                minorTick(t.value + (map.r1 >= map.r0 ? half : -half));
        }
    }
    p->drawLine(QPointF(left, top), QPointF(right - 1, top));

    if (multiplier)
        Multiplier(p, font, ticks.exponent, QPointF(right - endExtent, baseline), false);
    else if (!m_title.isEmpty())
        p->drawText(QPointF(right - endExtent, baseline + (absolute && !numeric ? fm.lineSpacing() : 0)),
                    m_title);
    p->restore();
}

}  // namespace qor::ui
