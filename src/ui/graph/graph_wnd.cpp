#include "ui/graph/graph_wnd.h"

#include "graph/ruler_labels.h"
#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_property_page.h"
#include "ui/graph/graph_select.h"
#include "ui/graph/graph_texts.h"
#include "ui/graph/ruler.h"

#include <QFontMetricsF>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegion>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace qor::ui {

CGraphWnd::CGraphWnd(QWidget* parent, int capacity)
    : QWidget(parent), graph::GraphModel(capacity), m_panel(new CGraphPanel(this)),
      m_hRuler(new FHRuler(this)), m_vRuler(new FVRuler(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_hRuler->SetModel(this);
    m_vRuler->SetModel(this);
    SyncRulers();
}

CGraphWnd::~CGraphWnd() = default;

void CGraphWnd::SetFrameFlags(unsigned flags)
{
    m_frameFlags = flags;
    m_hRuler->SetMode(flags);
    m_vRuler->SetMode(flags);
    m_layout = ComputeLayout(rect(), this);
    resizeEvent(nullptr);
    m_panel->Invalidate();
    m_hRuler->update();
    m_vRuler->update();
}

void CGraphWnd::SetTitle(const QString& title)
{
    m_title = title;
    resizeEvent(nullptr);
    update();
}

void CGraphWnd::RunSectionCommand(SectionCommand command, graph::ScrollDirection direction)
{
    if (m_sectionHandler) {
        m_sectionHandler(command, direction);
        return;
    }
    switch (command) {
    case SectionCommand::Fit:
        Fit();
        break;
    case SectionCommand::ZoomIn:
        ZoomIn();
        break;
    case SectionCommand::ZoomOut:
        ZoomOut();
        break;
    case SectionCommand::ZoomOutX: {
        const graph::GraphRange r = Range();
        const double w = (r.xTo - r.xFrom) / 4.0;
        SetRange(r.xFrom - w, r.xTo + w, r.yFrom, r.yTo, true);
        break;
    }
    case SectionCommand::Scroll:
        Scroll(direction);
        break;
    }
}

void CGraphWnd::SetZoomMode(bool on)
{
    m_zoomMode = on;
    if (on)
        m_textMode = m_editMode = m_rangeMode = false;
    m_panel->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    emit ModesChanged();
}

void CGraphWnd::SetTextMode(bool on)
{
    m_textMode = on;
    if (on)
        m_zoomMode = m_editMode = m_rangeMode = false;
    m_panel->setCursor(on ? Qt::IBeamCursor : Qt::ArrowCursor);
    emit ModesChanged();
}

void CGraphWnd::SetEditMode(bool on)
{
    m_editMode = on;
    if (on)
        m_zoomMode = m_textMode = m_rangeMode = false;
    m_panel->setCursor(on ? Qt::PointingHandCursor : Qt::ArrowCursor);
    emit ModesChanged();
}

void CGraphWnd::SetRangeSelectMode(bool on)
{
    m_rangeMode = on;
    if (on)
        m_zoomMode = m_textMode = m_editMode = false;
    m_panel->setCursor(on ? Qt::SplitHCursor : Qt::ArrowCursor);
    emit ModesChanged();
}

bool CGraphWnd::ClearTextsAsk()
{
    const auto answer =
        QMessageBox::question(this, QString(), QString::fromUtf8(graph_texts::kClearQuestion[m_lang]),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;
    RemoveAllTexts();
    emit EditedByUser();
    return true;
}

bool CGraphWnd::ShowSelection()
{
    CGraphSelect dlg(*this, m_lang, this);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    dlg.Selection().Apply(*this);
    emit EditedByUser();
    return true;
}

bool CGraphWnd::ShowProperties()
{
    CGraphPropertySheet sheet(*this, this);
    if (sheet.exec() != QDialog::Accepted)
        return false;
    emit EditedByUser();
    return true;
}

void CGraphWnd::SyncRulers()
{
    const graph::GraphRange& r = Range();
    m_hRuler->SetRange(r.xFrom, r.xTo, false);
    m_vRuler->SetRange(r.yFrom, r.yTo, false);
    m_hRuler->SetTexts(QString::fromStdString(GetAxis(graph::kAxisX).Title()),
                       QString::fromStdString(GetAxis(graph::kAxisX).m_name));
    m_vRuler->SetTexts(QString::fromStdString(GetAxis(graph::kAxisY).Title()),
                       QString::fromStdString(GetAxis(graph::kAxisY).m_name));
}

void CGraphWnd::Notify(const graph::GraphNotification& n)
{
    switch (n.code) {
    case graph::kNotifyRangeChanged:
    case graph::kNotifyAxisChanged:
        SyncRulers();
        if (n.redraw) {
            m_hRuler->update();
            m_vRuler->update();
        }
        break;
    case graph::kNotifyCurveAdded:
    case graph::kNotifyCurveRemoved:
        Relayout();  // the legend may need a place of its own, or no longer
        [[fallthrough]];
    case graph::kNotifyPointAdded:
    case graph::kNotifyPointRemoved:
    case graph::kNotifyPointChanged:
        // A time X axis labels its ticks from the first curve's points.
        if (n.redraw && !(m_frameFlags & graph::kFrameNumericX))
            m_hRuler->update();
        break;
    default:
        break;
    }
    if (n.redraw) {
        m_panel->Invalidate();
        if (n.code != graph::kNotifyAxisChanged)
            CheckLegendPlace();
    } else {
        m_panel->MarkStale();
    }
}

void CGraphWnd::Redraw()
{
    Relayout();
    CheckLegendPlace();
    SyncRulers();
    m_panel->Invalidate();
    m_hRuler->update();
    m_vRuler->update();
}

CGraphWnd::LegendMetrics CGraphWnd::Legend(const QPaintDevice* device) const
{
    LegendMetrics m;
    if (!(GetStyle() & graph::kStyleLegend))
        return m;
    const double dpi = FRuler::Dpi(device, false);
    m.font = FRuler::LabelFont(device, graph::ruler_inches::kLabelFontHeight);
    const QFontMetricsF fm(m.font, device);
    m.line = fm.lineSpacing();
    m.sample = graph::InchesToPixels(0.3, dpi);
    m.pad = graph::InchesToPixels(0.06, dpi);
    int pos;
    for (const graph::CGraphProps* g = GetFirstGraph(pos); g; g = GetNextGraph(pos))
        if (g->m_visible) {
            m.textWidth = std::max(m.textWidth, fm.horizontalAdvance(QString::fromStdString(g->m_name)));
            ++m.entries;
        }
    return m;
}

CGraphWnd::Layout CGraphWnd::ComputeLayout(const QRect& r, QPaintDevice* device) const
{
    Layout l;
    const double dpiX = FRuler::Dpi(device, false), dpiY = FRuler::Dpi(device, true);
    const int margin = graph::InchesToPixels(0.12, dpiX);
    const int marginTop = graph::InchesToPixels(0.12, dpiY);
    int titleH = 0;
    if (!m_title.isEmpty()) {
        QFont f = FRuler::LabelFont(device, graph::ruler_inches::kLabelFontHeight * 1.25);
        f.setBold(true);
        titleH = static_cast<int>(std::ceil(QFontMetricsF(f, device).lineSpacing() * 1.4));
    }
    const int v = m_vRuler->GetThickness(device), h = m_hRuler->GetThickness(device);
    const int left = r.left() + margin / 2 + v;
    const int top = r.top() + titleH + marginTop;
    const int w = std::max(0, r.right() + 1 - margin - left);
    auto place = [&](int band) {
        const int ph = std::max(0, r.bottom() + 1 - h - top - band);
        l.title = QRect(r.left(), r.top(), r.width(), titleH + marginTop);
        l.plot = QRect(left, top, w, ph);
        l.vRuler = QRect(left - v, top, v, ph);
        l.hRuler = QRect(left, top + ph, w, h);
    };
    place(0);
    l.fullPlot = l.plot.size();
    const LegendMetrics m = Legend(device);
    if (m.entries == 0)
        return l;
    l.legendBox = QSizeF(m.textWidth + m.sample + 4 * m.pad, m.entries * m.line + m.pad);
    l.legendPad = m.pad;
    if (LegendInside(l))
        return l;
    // Below: as many columns as fit side by side; when the rows would take more than a third
    // of the picture, more and narrower columns (the names are cut short).
    const double room = std::max(1.0, r.width() - 2 * m.pad);
    int columns = std::clamp(static_cast<int>(room / m.EntryWidth()), 1, m.entries);
    const int maxRows = std::max(1, static_cast<int>((r.height() / 3.0 - 2 * m.pad) / m.line));
    int rows = (m.entries + columns - 1) / columns;
    if (rows > maxRows) {
        rows = maxRows;
        columns = (m.entries + rows - 1) / rows;
    }
    const int band = static_cast<int>(std::ceil(rows * m.line + 2 * m.pad));
    place(band);
    l.legend = QRect(r.left(), r.bottom() + 1 - band, r.width(), band);
    l.legendColumns = columns;
    return l;
}

void CGraphWnd::DrawLegendEntries(QPainter& p, const LegendMetrics& m, const QRectF& area, int columns) const
{
    p.setFont(m.font);
    const QFontMetricsF fm(m.font, p.device());
    const double columnW = area.width() / std::max(1, columns);
    const double textRoom = std::max(0.0, columnW - m.sample - 3 * m.pad);
    const double lineW = std::max(1.0, FRuler::Dpi(p.device(), false) / 60.0);
    int i = 0, pos;
    for (const graph::CGraphProps* g = GetFirstGraph(pos); g; g = GetNextGraph(pos)) {
        if (!g->m_visible)
            continue;
        const int row = i / columns, column = i % columns;
        const double x = area.left() + column * columnW + m.pad;
        const double y = area.top() + row * m.line + fm.ascent();
        if (y - fm.ascent() + m.line > area.bottom() + 1)
            break;
        const double ly = y - fm.ascent() / 2 + fm.descent() / 2;
        p.setPen(QPen(QColor(graph::Red(g->m_colour), graph::Green(g->m_colour), graph::Blue(g->m_colour)),
                      lineW));
        p.drawLine(QPointF(x, ly), QPointF(x + m.sample, ly));
        p.setPen(Qt::black);
        p.drawText(QPointF(x + m.sample + m.pad, y),
                   fm.elidedText(QString::fromStdString(g->m_name), Qt::ElideRight, textRoom));
        ++i;
    }
}

bool CGraphWnd::LegendInside(const Layout& l) const
{
    // Inside, the legend may take a corner of the plot, not more, and only where it hides
    // nothing; the pad around the box counts.
    const QSizeF box = l.legendBox;
    const double w = l.fullPlot.width(), h = l.fullPlot.height();
    if (box.isEmpty() || box.width() > 0.45 * w || box.height() > 0.45 * h)
        return false;
    const double pad = l.legendPad;
    graph::Corner corner;
    if (!graph::FreeCorner(*this, Range(), (box.width() + 2 * pad) / w, (box.height() + 2 * pad) / h,
                           m_legendCorner, corner))
        return false;
    m_legendCorner = corner;
    return true;
}

void CGraphWnd::CheckLegendPlace()
{
    if (m_layout.legendBox.isEmpty() || LegendInside(m_layout) == m_layout.legend.isEmpty())
        return;
    resizeEvent(nullptr);
    update();
}

void CGraphWnd::DrawLegendInside(QPainter& p, const QRect& rect) const
{
    const LegendMetrics m = Legend(p.device());
    if (m.entries == 0)
        return;
    const double bw = m.textWidth + m.sample + 4 * m.pad, bh = m.entries * m.line + m.pad;
    graph::Corner corner = m_legendCorner;
    if (rect.width() > 0 && rect.height() > 0)
        graph::FreeCorner(*this, Range(), (bw + 2 * m.pad) / rect.width(), (bh + 2 * m.pad) / rect.height(),
                          m_legendCorner, corner);
    const bool right = corner == graph::Corner::TopRight || corner == graph::Corner::BottomRight;
    const bool top = corner == graph::Corner::TopRight || corner == graph::Corner::TopLeft;
    const QRectF box(right ? rect.right() - bw - m.pad : rect.left() + m.pad,
                     top ? rect.top() + m.pad : rect.bottom() - bh - m.pad, bw, bh);
    p.fillRect(box, QColor(255, 255, 255, 230));
    p.setPen(QPen(Qt::black, std::max(1.0, FRuler::Dpi(p.device(), false) / 96.0)));
    p.drawRect(box);
    DrawLegendEntries(p, m, box.adjusted(0, m.pad / 2, 0, 0), 1);
}

void CGraphWnd::DrawLegendBand(QPainter& p, const QRect& band, int columns) const
{
    const LegendMetrics m = Legend(p.device());
    if (m.entries == 0 || band.isEmpty())
        return;
    DrawLegendEntries(p, m, QRectF(band).adjusted(m.pad, m.pad, -m.pad, -m.pad), columns);
}

std::size_t CGraphWnd::LegendKey() const
{
    std::size_t key = GetStyle() & graph::kStyleLegend;
    int pos;
    for (const graph::CGraphProps* g = GetFirstGraph(pos); g; g = GetNextGraph(pos))
        if (g->m_visible)
            key = (key * 31 + std::hash<std::string>{}(g->m_name)) * 31 + g->m_colour;
    return key;
}

void CGraphWnd::Relayout()
{
    // Measuring the names costs more than a recording tick should; they rarely change.
    const std::size_t key = LegendKey();
    if (key == m_legendKey)
        return;
    m_legendKey = key;
    const Layout l = ComputeLayout(rect(), this);
    if (l.plot != m_layout.plot || l.legend != m_layout.legend || l.legendColumns != m_layout.legendColumns)
        resizeEvent(nullptr);
    update();  // a legend below the rulers is the window's own to paint
}

void CGraphWnd::resizeEvent(QResizeEvent*)
{
    m_legendKey = LegendKey();
    m_layout = ComputeLayout(rect(), this);
    m_panel->setGeometry(m_layout.plot);
    m_hRuler->setGeometry(m_layout.hRuler);
    m_vRuler->setGeometry(m_layout.vRuler);
}

void CGraphWnd::DrawTitle(QPainter& p, const QRect& r)
{
    if (m_title.isEmpty())
        return;
    QFont f = FRuler::LabelFont(p.device(), graph::ruler_inches::kLabelFontHeight * 1.25);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignHCenter | Qt::AlignVCenter, m_title);
}

void CGraphWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    DrawTitle(p, m_layout.title);
    DrawLegendBand(p, m_layout.legend, m_layout.legendColumns);
}

void CGraphWnd::Render(QPainter& p, const QRect& rect)
{
    QPaintDevice* dev = p.device();
    const Layout l = ComputeLayout(rect, dev);
    p.save();
    // The plot covers its own rectangle; only the margins around it need the background.
    p.setClipRegion(QRegion(rect).subtracted(QRegion(l.plot)));
    p.fillRect(rect, Qt::white);
    p.setClipping(false);
    DrawTitle(p, l.title);
    DrawLegendBand(p, l.legend, l.legendColumns);
    m_panel->DrawPlot(p, l.plot, l.legend.isEmpty());
    m_vRuler->Draw(&p, l.vRuler.left(), l.vRuler.top(), l.vRuler.left() + l.vRuler.width(),
                   l.vRuler.top() + l.vRuler.height());
    m_hRuler->Draw(&p, l.hRuler.left(), l.hRuler.top(), l.hRuler.left() + l.hRuler.width(),
                   l.hRuler.top() + l.hRuler.height());
    p.restore();
}

QImage CGraphWnd::RenderImage(const QSize& size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    Render(p, img.rect());
    return img;
}

bool CGraphWnd::SavePng(const QString& path, const QSize& size)
{
    if (size.isEmpty())
        return false;
    return RenderImage(size).save(path, "PNG");
}

bool CGraphWnd::SavePdf(const QString& path, const QSizeF& pageSizeMm)
{
    QPdfWriter pdf(path);
    if (pageSizeMm.isValid() && !pageSizeMm.isEmpty())
        pdf.setPageSize(QPageSize(pageSizeMm, QPageSize::Millimeter));
    else
        pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(pageSizeMm.isValid() ? QPageLayout::Portrait : QPageLayout::Landscape);
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    pdf.setResolution(600);
    pdf.setTitle(m_title);
    QPainter p;
    if (!p.begin(&pdf))
        return false;
    const QRect page(QPoint(0, 0), QSize(pdf.width(), pdf.height()));
    Render(p, page);
    return p.end();
}

}  // namespace qor::ui
