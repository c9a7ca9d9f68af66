#include "ui/graph/graph_panel.h"

#include "graph/line_raster.h"
#include "graph/ruler_labels.h"
#include "graph/tick_scale.h"
#include "ui/graph/graph_text_input.h"
#include "ui/graph/graph_texts.h"
#include "ui/graph/graph_wnd.h"
#include "ui/graph/ruler.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygonF>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <cmath>

namespace qor::ui {

namespace {
QColor ToColor(graph::Rgb c)
{
    return QColor(graph::Red(c), graph::Green(c), graph::Blue(c));
}

bool IsRaster(const QPaintDevice* d)
{
    const int t = d->devType();
    return t == QInternal::Image || t == QInternal::Pixmap || t == QInternal::Widget;
}

// Both axes map the first pixel row/column onto the range start, the last onto its end.
graph::ScaleMapping XMap(const graph::GraphRange& r, double left, int width)
{
    return graph::ScaleMapping(left, left + width - 1, r.xFrom, r.xTo);
}
graph::ScaleMapping YMap(const graph::GraphRange& r, double top, int height)
{
    return graph::ScaleMapping(top + height - 1, top, r.yFrom, r.yTo);
}

// The image a painter paints on, when the curves may be written straight into `rect` of
// it: 32-bit pixels, one pixel per unit, no clip, transform, opacity or blending that would
// change an opaque pixel, and not shared (so that its bits are the ones the painter writes).
QImage* DirectTarget(QPainter& p, const QRect& rect)
{
    if (p.device()->devType() != QInternal::Image || p.hasClipping() || p.opacity() != 1.0 ||
        p.compositionMode() != QPainter::CompositionMode_SourceOver || !p.worldTransform().isIdentity())
        return nullptr;
    auto* img = static_cast<QImage*>(p.device());
    const QImage::Format f = img->format();
    if ((f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
         f != QImage::Format_ARGB32_Premultiplied) ||
        img->devicePixelRatio() != 1.0 || !img->isDetached() || !img->rect().contains(rect))
        return nullptr;
    return img;
}

const QColor kGrid(210, 210, 210);
constexpr std::uint32_t kGridArgb = 0xffd2d2d2u;
}  // namespace

CGraphPanel::CGraphPanel(CGraphWnd* wnd) : QWidget(wnd), m_wnd(wnd)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void CGraphPanel::Invalidate()
{
    m_dirty = true;
    update();
}

QPointF CGraphPanel::ToGraph(const QPointF& pos) const
{
    const graph::GraphRange& r = m_wnd->Range();
    return {XMap(r, 0, width()).Value(pos.x()), YMap(r, 0, height()).Value(pos.y())};
}

bool CGraphPanel::AppendedToTop(const Shown& was, const Shown& now, int width)
{
    if (now.curves.empty())
        return false;
    for (std::size_t i = 0; i < now.curves.size(); ++i) {
        const Shown::Curve &a = was.curves[i], &b = now.curves[i];
        const bool top = i + 1 == now.curves.size();
        if (a.props != b.props || a.colour != b.colour || a.markers != b.markers || b.markers ||
            a.edition != b.edition || a.size > b.size || (!top && a.size != b.size) ||
            b.size - a.size > static_cast<std::size_t>(width))
            return false;
    }
    return true;
}

void CGraphPanel::RenderLayer(QImage& layer, QPaintDevice* device, Shown* shown)
{
    const int w = layer.width(), h = layer.height();
    std::vector<LayerCurve> curves;
    std::size_t points = 0;
    Shown now = Describe(device, w, h, curves, points);
    int left = 0, right = w;
    if (shown && ChangedColumns(layer, now, *shown, left, right))
        return;
    if (left >= right)
        return;
    const graph::GraphRange& r = m_wnd->Range();
    const graph::ScaleMapping xm = XMap(r, 0, w), ym = YMap(r, 0, h);
    for (LayerCurve& c : curves)
        if (c.markers)
            graph::Decimator::Build(c.props->m_points, xm, ym, -0.5, w - 0.5, c.vertices);
        else if (!c.props->m_points.MonotonicX())
            c.footprint = &m_footprints[c.props];
    std::erase_if(m_footprints, [&](const auto& entry) {
        return std::none_of(curves.begin(), curves.end(),
                            [&](const LayerCurve& c) { return c.footprint == &entry.second; });
    });
    DrawColumns(layer, curves, shown ? *shown : now, points, left, right);
}

CGraphPanel::Shown CGraphPanel::Describe(QPaintDevice* device, int w, int h, std::vector<LayerCurve>& curves,
                                         std::size_t& points) const
{
    const graph::GraphRange& r = m_wnd->Range();
    const unsigned style = m_wnd->GetStyle();
    const graph::ScaleMapping xm = XMap(r, 0, w), ym = YMap(r, 0, h);
    Shown now;
    now.valid = true;
    now.range = r;
    now.style = style;
    // The grid: dotted lines (one pixel on, two off) at the rulers' ticks, drawn by each
    // strip below into its own columns after clearing them.
    if (style & graph::kStyleGrid) {
        const int nx = m_wnd->HRuler()->GetLabelCount(device, QRect(0, 0, w, h));
        const int ny = m_wnd->VRuler()->GetLabelCount(device, QRect(0, 0, w, h));
        for (double px : graph::TickScale::Compute(xm, nx).pixels)
            now.gridColumns.push_back(static_cast<int>(std::lround(px)));
        for (double py : graph::TickScale::Compute(ym, ny).pixels)
            now.gridRows.push_back(static_cast<int>(std::lround(py)));
    }
    // The visible curves; those with markers as their vertices, worked out once for all
    // strips. +0.5: pixel coordinates round to the nearest pixel, as the rulers' ticks do.
    int pos;
    for (const graph::CGraphProps* g = m_wnd->GetFirstGraph(pos); g; g = m_wnd->GetNextGraph(pos))
        if (g->m_visible) {
            g->m_points.Prepare();  // from here on the curves are only read, by two threads
            const bool markers = (style & graph::kStyleMarkers) || (g->m_options & graph::kGraphMarkers);
            curves.push_back({g, {}, markers});
            now.curves.push_back({g, g->m_colour, markers, g->m_points.Edition(), g->m_points.size()});
            points += g->m_points.size();
        }
    return now;
}

bool CGraphPanel::ChangedColumns(QImage& layer, Shown& now, Shown& shown, int& left, int& right)
{
    const int w = layer.width(), h = layer.height();
    const graph::ScaleMapping xm = XMap(now.range, 0, w), ym = YMap(now.range, 0, h);
    const Shown& was = shown;
    const bool same = was.valid && was.range == now.range && was.style == now.style &&
                      was.gridColumns == now.gridColumns && was.gridRows == now.gridRows &&
                      was.curves.size() == now.curves.size();
    // The columns from each curve's last point shown to its newest; the rest of the
    // picture stays. Markers are left out: whether they are drawn depends on the count.
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    bool appended = same;
    for (std::size_t i = 0; appended && i < now.curves.size(); ++i) {
        const Shown::Curve &a = was.curves[i], &b = now.curves[i];
        const graph::PointList& list = b.props->m_points;
        appended = a.props == b.props && a.colour == b.colour && a.markers == b.markers && !b.markers &&
                   a.edition == b.edition && a.size <= b.size &&
                   b.size - a.size <= static_cast<std::size_t>(w) && list.MonotonicX();
        for (std::size_t k = a.size > 0 ? a.size - 1 : 0; appended && k < b.size; ++k) {
            const double px = xm.Pixel(list.X(k));
            appended = std::isfinite(px);
            lo = std::min(lo, px);
            hi = std::max(hi, px);
        }
    }
    if (appended) {
        // A vertex lies in column floor(px + 0.5); the lines to its neighbours may reach
        // the columns beside it.
        left = static_cast<int>(std::floor(std::clamp(lo, -8.0, w + 8.0) + 0.5)) - 2;
        right = static_cast<int>(std::floor(std::clamp(hi, -8.0, w + 8.0) + 0.5)) + 3;
        left = std::max(left, 0);
        right = std::min(right, w);
    } else if (same && AppendedToTop(was, now, w)) {
        // Points appended to the topmost curve in any order of X (a current-potential
        // curve): its new lines go over the picture, whose columns would need every point.
        const Shown::Curve &a = was.curves.back(), &b = now.curves.back();
        const graph::PointList& list = b.props->m_points;
        m_scratch.clear();
        for (std::size_t k = a.size > 0 ? a.size - 1 : 0; k < b.size; ++k) {
            const double px = xm.Pixel(list.X(k)), py = ym.Pixel(list.Y(k));
            constexpr double lim = graph::Decimator::kPixelLimit;
            if (std::isfinite(px) && std::isfinite(py))
                m_scratch.push_back({std::clamp(px, -lim, lim), std::clamp(py, -lim, lim)});
            else
                m_scratch.push_back({std::nan(""), 0.0});
        }
        graph::LineRaster raster(reinterpret_cast<std::uint32_t*>(layer.bits()), w, h,
                                 static_cast<std::size_t>(layer.bytesPerLine()));
        raster.Polyline(m_scratch.data(), m_scratch.size(), 0xff000000u | b.props->m_colour, 0.5, 0.5);
        shown = std::move(now);
        return true;
    }
    shown = std::move(now);
    return false;
}

void CGraphPanel::DrawColumns(QImage& layer, const std::vector<LayerCurve>& curves, const Shown& grid,
                              std::size_t points, int left, int right)
{
    const int w = layer.width(), h = layer.height();
    const graph::ScaleMapping xm = XMap(grid.range, 0, w), ym = YMap(grid.range, 0, h);
    const std::vector<int>& gridColumns = grid.gridColumns;
    const std::vector<int>& gridRows = grid.gridRows;
    auto* bits = reinterpret_cast<std::uint32_t*>(layer.bits());
    const auto bytesPerLine = static_cast<std::size_t>(layer.bytesPerLine());
    // Columns [from, to), every curve in order, so that later curves lie on top.
    auto draw = [&](int from, int to) {
        graph::LineRaster raster(bits, w, h, bytesPerLine);
        raster.SetColumnWindow(from, to);
        raster.Clear(0xffffffffu);
        for (int x : gridColumns)
            raster.DottedColumn(x, kGridArgb);
        for (int y : gridRows)
            raster.DottedRow(y, kGridArgb);
        for (const LayerCurve& c : curves) {
            const std::uint32_t argb = 0xff000000u | c.props->m_colour;
            if (!c.markers) {
                if (!c.footprint || !c.footprint->Draw(c.props->m_points, xm, ym, raster, argb, 0.5, 0.5))
                    graph::Decimator::Draw(c.props->m_points, xm, ym, -0.5, w - 0.5, raster, argb, 0.5, 0.5);
                continue;
            }
            raster.Polyline(c.vertices.data(), c.vertices.size(), argb, 0.5, 0.5);
            if (c.vertices.size() <= static_cast<std::size_t>(w / 3))
                for (const auto& pt : c.vertices)
                    raster.Square(pt.x + 0.5, pt.y + 0.5, 2, argb);
        }
    };
    // A large picture is drawn by two threads at once, in strips of columns taken in turn as
    // each thread gets free; the strips join without a seam.
    constexpr std::size_t kWorthSharing = 200000;
    constexpr int kStrips = 8;
    // Asked once: the answer comes from the system's files and costs more than a frame's
    // worth of drawing.
    static const bool twoCores = QThread::idealThreadCount() > 1;
    const int span = right - left;
    // A curve whose X goes back and forth is walked whole for every strip: drawn at once.
    const bool stripable = std::all_of(curves.begin(), curves.end(),
                                       [](const LayerCurve& c) { return c.props->m_points.MonotonicX(); });
    // Waking the other thread costs more than a picture drawn from kept columns: shared only
    // when the last whole picture took long.
    constexpr qint64 kSlowNs = 2000000;
    QElapsedTimer clock;
    clock.start();
    if (points >= kWorthSharing && span >= 8 * kStrips && twoCores && stripable && m_lastDrawNs >= kSlowNs) {
        std::atomic<int> next{0};
        auto strips = [&] {
            for (int s = next++; s < kStrips; s = next++)
                draw(left + span * s / kStrips, left + span * (s + 1) / kStrips);
        };
        QSemaphore done;
        // Only a thread that is free now: waiting for a busy pool would stall the window.
        const bool helped = QThreadPool::globalInstance()->tryStart([&] {
            strips();
            done.release();
        });
        strips();
        if (helped)
            done.acquire();
    } else {
        draw(left, right);
    }
    if (span == w)
        m_lastDrawNs = clock.nsecsElapsed();
}

const QImage& CGraphPanel::CachedLayer(const QSize& size, QPaintDevice* device)
{
    const int dpi = device->logicalDpiX();
    if (m_layer.size() != size || m_layerDpi != dpi) {
        m_layer = QImage(size, QImage::Format_RGB32);
        m_layerDpi = dpi;
        m_shown.valid = false;
        m_dirty = true;
    }
    if (m_dirty && !m_layer.isNull()) {
        RenderLayer(m_layer, device, &m_shown);
        m_dirty = false;
    }
    return m_layer;
}

void CGraphPanel::DrawCurvesVector(QPainter& p, const QRect& rect)
{
    const graph::GraphRange& r = m_wnd->Range();
    const unsigned style = m_wnd->GetStyle();
    const double dpi = FRuler::Dpi(p.device(), false);
    p.fillRect(rect, Qt::white);
    const graph::ScaleMapping xm = XMap(r, rect.left(), rect.width()),
                              ym = YMap(r, rect.top(), rect.height());
    if (style & graph::kStyleGrid) {
        QPen gpen(kGrid, std::max(1.0, dpi / 96.0), Qt::DotLine);
        p.setPen(gpen);
        const int nx = m_wnd->HRuler()->GetLabelCount(p.device(), rect);
        const int ny = m_wnd->VRuler()->GetLabelCount(p.device(), rect);
        for (double px : graph::TickScale::Compute(xm, nx).pixels)
            p.drawLine(QPointF(px, rect.top()), QPointF(px, rect.bottom()));
        for (double py : graph::TickScale::Compute(ym, ny).pixels)
            p.drawLine(QPointF(rect.left(), py), QPointF(rect.right(), py));
    }
    int pos;
    for (const graph::CGraphProps* g = m_wnd->GetFirstGraph(pos); g; g = m_wnd->GetNextGraph(pos)) {
        if (!g->m_visible)
            continue;
        graph::Decimator::Build(g->m_points, xm, ym, rect.left(), rect.left() + rect.width(), m_scratch);
        QPen pen(ToColor(g->m_colour));
        pen.setWidthF(std::max(1.0, dpi / 120.0));
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        QPolygonF poly;
        auto flush = [&] {
            if (poly.size() == 1)
                p.drawPoint(poly[0]);
            else if (poly.size() > 1)
                p.drawPolyline(poly);
            poly.clear();
        };
        for (const auto& pt : m_scratch) {
            if (std::isnan(pt.x))
                flush();
            else
                poly.append(QPointF(pt.x, pt.y));
        }
        flush();
    }
}

void CGraphPanel::DrawOverlay(QPainter& p, const QRect& rect, bool legendInside)
{
    const graph::GraphRange& r = m_wnd->Range();
    const QPaintDevice* dev = p.device();
    const graph::ScaleMapping xm = XMap(r, rect.left(), rect.width()),
                              ym = YMap(r, rect.top(), rect.height());
    const QFont base = FRuler::LabelFont(dev, graph::ruler_inches::kLabelFontHeight);
    p.save();
    p.setClipRect(rect);
    for (const graph::GraphText& t : m_wnd->Texts()) {
        QFont f = base;
        if (!t.font.empty())
            f.setFamily(QString::fromStdString(t.font));
        f.setPixelSize(std::max(1, static_cast<int>(base.pixelSize() * (t.scale > 0 ? t.scale : 1.0))));
        p.setFont(f);
        p.setPen(ToColor(t.colour));
        p.drawText(QPointF(xm.Pixel(t.x), ym.Pixel(t.y)), QString::fromStdString(t.text));
    }
    if (legendInside)
        m_wnd->DrawLegendInside(p, rect);
    p.restore();
    // The plot's frame.
    QPen frame(Qt::black, std::max(1, graph::InchesToPixels(1.0 / 96.0, FRuler::Dpi(dev, false))));
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect.left(), rect.top(), rect.width() - 1, rect.height() - 1));
}

void CGraphPanel::DrawPlot(QPainter& p, const QRect& rect, bool legendInside)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    if (IsRaster(p.device()) && p.worldTransform().isIdentity()) {
        QImage* direct = DirectTarget(p, rect);
        // The window's own picture, when it is asked for at the window's size (or already
        // drawn at the size asked for), is kept up to date and copied.
        const bool kept = rect.size() == size() || (!m_dirty && m_layer.size() == rect.size() &&
                                                    m_layerDpi == p.device()->logicalDpiX());
        if (direct && !kept) {
            // Any other picture in an image (to save or print) gets the curves written
            // straight into it, sparing a copy of the whole plot; the window's layer stays as
            // it was.
            QImage part(direct->scanLine(rect.top()) + 4 * static_cast<std::size_t>(rect.left()),
                        rect.width(), rect.height(), direct->bytesPerLine(), direct->format());
            RenderLayer(part, p.device());
        } else {
            p.drawImage(rect.topLeft(), CachedLayer(rect.size(), p.device()));
        }
    } else {
        p.save();
        p.setClipRect(rect);
        DrawCurvesVector(p, rect);
        p.restore();
    }
    DrawOverlay(p, rect, legendInside);
}

void CGraphPanel::paintEvent(QPaintEvent*)
{
    CachedLayer(size(), this);
    QPainter p(this);
    p.drawImage(0, 0, m_layer);
    DrawOverlay(p, rect(), m_wnd->m_layout.legend.isEmpty());
    if (m_dragging) {
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.setBrush(QColor(0, 0, 255, 30));
        QRect band = QRect(m_dragStart, m_dragNow).normalized();
        if (m_wnd->RangeSelectMode())  // an X range: the band spans the plot's height
            band = QRect(band.left(), 0, band.width(), height() - 1);
        p.drawRect(band);
    }
}

void CGraphPanel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint pos = e->position().toPoint();
    if (m_wnd->ZoomMode() || m_wnd->RangeSelectMode()) {
        m_dragging = true;
        m_dragStart = m_dragNow = pos;
        return;
    }
    const QPointF g = ToGraph(pos);
    if (m_wnd->TextMode()) {
        QString text;
        if (CGraphTextInput::Ask(this, m_wnd->Language(), text) && !text.isEmpty()) {
            m_wnd->AddText({g.x(), g.y(), text.toStdString(), 0, {}, 1.0});
            emit m_wnd->EditedByUser();
        }
        m_wnd->SetTextMode(false);
        return;
    }
    if (m_wnd->EditMode()) {
        const graph::GraphRange& r = m_wnd->Range();
        const double dx = std::fabs(r.xTo - r.xFrom) / std::max(1, width()) * 40;
        const double dy = std::fabs(r.yTo - r.yFrom) / std::max(1, height()) * 12;
        const int i = m_wnd->FindText(g.x(), g.y(), dx, dy);
        if (i >= 0) {
            graph::GraphText t = m_wnd->Texts()[static_cast<std::size_t>(i)];
            QString text = QString::fromStdString(t.text);
            if (CGraphTextInput::Ask(this, m_wnd->Language(), text)) {
                t.text = text.toStdString();
                m_wnd->ChangeText(i, t);
                emit m_wnd->EditedByUser();
            }
        }
        m_wnd->SetEditMode(false);
    }
}

void CGraphPanel::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (m_dragging) {
        m_dragNow = pos;
        update();
        return;
    }
    const QPointF g = ToGraph(pos);
    int curve = -1;
    if (m_layer.rect().contains(pos)) {
        const QRgb px = m_layer.pixel(pos);
        curve = graph::ReadOut::CurveAtColour(*m_wnd, graph::MakeRgb(qRed(px), qGreen(px), qBlue(px)),
                                              m_wnd->GetFrameFlags());
    }
    emit m_wnd->ReadOutChanged(
        QString::fromStdString(graph::ReadOut::Text(*m_wnd, curve, g.x(), g.y(), m_wnd->GetFrameFlags())));
}

void CGraphPanel::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_dragging || e->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    const QRect sel = QRect(m_dragStart, e->position().toPoint()).normalized();
    if (m_wnd->RangeSelectMode()) {
        // The mode stays on for the next range; a click without a drag marks nothing.
        if (sel.width() >= 3) {
            const double a = ToGraph(QPointF(sel.left(), 0)).x(), b = ToGraph(QPointF(sel.right(), 0)).x();
            m_wnd->m_selection = {true, std::min(a, b), std::max(a, b)};
        }
        update();
        return;
    }
    if (sel.width() >= 3 && sel.height() >= 3) {
        const QPointF a = ToGraph(QPointF(sel.left(), sel.bottom())),
                      b = ToGraph(QPointF(sel.right(), sel.top()));
        m_wnd->SetRange(a.x(), b.x(), a.y(), b.y(), true);
    }
    m_wnd->SetZoomMode(false);
    update();
}

void CGraphPanel::leaveEvent(QEvent*)
{
    emit m_wnd->ReadOutChanged(QString());
}

void CGraphPanel::contextMenuEvent(QContextMenuEvent* e)
{
    namespace gt = graph_texts;
    const int l = m_wnd->Language();
    QMenu menu(this);
    using Section = CGraphWnd::SectionCommand;
    using graph::ScrollDirection;
    menu.addAction(QString::fromUtf8(gt::kFit[l]), [this] { m_wnd->RunSectionCommand(Section::Fit); });
    menu.addAction(QString::fromUtf8(gt::kZoomIn[l]), [this] { m_wnd->RunSectionCommand(Section::ZoomIn); });
    menu.addAction(QString::fromUtf8(gt::kZoomOut[l]),
                   [this] { m_wnd->RunSectionCommand(Section::ZoomOut); });
    menu.addAction(QString::fromUtf8(gt::kZoomOutX[l]),
                   [this] { m_wnd->RunSectionCommand(Section::ZoomOutX); });
    QAction* zr = menu.addAction(QString::fromUtf8(gt::kZoomRect[l]), [this] { m_wnd->SetZoomMode(true); });
    zr->setEnabled(!m_wnd->ZoomMode());
    QMenu* scroll = menu.addMenu(QString::fromUtf8(gt::kScroll[l]));
    const std::pair<TextPair, ScrollDirection> scrolls[] = {{gt::kLeft, ScrollDirection::Left},
                                                            {gt::kRight, ScrollDirection::Right},
                                                            {gt::kUp, ScrollDirection::Up},
                                                            {gt::kDown, ScrollDirection::Down}};
    for (const auto& [text, direction] : scrolls)
        scroll->addAction(QString::fromUtf8(text[l]),
                          [this, d = direction] { m_wnd->RunSectionCommand(Section::Scroll, d); });
    menu.addAction(QString::fromUtf8(gt::kRedraw[l]), [this] { m_wnd->Redraw(); });
    menu.addSeparator();
    menu.addAction(QString::fromUtf8(gt::kGraphText[l]), [this] { m_wnd->SetTextMode(true); });
    menu.addAction(QString::fromUtf8(gt::kEditText[l]), [this] { m_wnd->SetEditMode(true); });
    menu.addAction(QString::fromUtf8(gt::kClearText[l]), [this] { m_wnd->ClearTextsAsk(); });
    menu.addSeparator();
    menu.addAction(QString::fromUtf8(gt::kSelection[l]), [this] { m_wnd->ShowSelection(); });
    menu.addAction(QString::fromUtf8(gt::kProperties[l]), [this] { m_wnd->ShowProperties(); });
    menu.exec(e->globalPos());
}

}  // namespace qor::ui
