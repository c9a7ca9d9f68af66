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
#include <cmath>

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
    case SectionCommand::Scroll:
        Scroll(direction);
        break;
    }
}

void CGraphWnd::SetZoomMode(bool on)
{
    m_zoomMode = on;
    if (on)
        m_textMode = m_editMode = false;
    m_panel->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    emit ModesChanged();
}

void CGraphWnd::SetTextMode(bool on)
{
    m_textMode = on;
    if (on)
        m_zoomMode = m_editMode = false;
    m_panel->setCursor(on ? Qt::IBeamCursor : Qt::ArrowCursor);
    emit ModesChanged();
}

void CGraphWnd::SetEditMode(bool on)
{
    m_editMode = on;
    if (on)
        m_zoomMode = m_textMode = false;
    m_panel->setCursor(on ? Qt::PointingHandCursor : Qt::ArrowCursor);
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
    case graph::kNotifyPointAdded:
    case graph::kNotifyPointRemoved:
    case graph::kNotifyPointChanged:
    case graph::kNotifyCurveAdded:
    case graph::kNotifyCurveRemoved:
        // A time X axis labels its ticks from the first curve's points.
        if (n.redraw && !(m_frameFlags & graph::kFrameNumericX))
            m_hRuler->update();
        break;
    default:
        break;
    }
    if (n.redraw)
        m_panel->Invalidate();
    else
        m_panel->MarkStale();
}

void CGraphWnd::Redraw()
{
    SyncRulers();
    m_panel->Invalidate();
    m_hRuler->update();
    m_vRuler->update();
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
    const int ph = std::max(0, r.bottom() + 1 - h - top);
    l.title = QRect(r.left(), r.top(), r.width(), titleH + marginTop);
    l.plot = QRect(left, top, w, ph);
    l.vRuler = QRect(left - v, top, v, ph);
    l.hRuler = QRect(left, top + ph, w, h);
    return l;
}

void CGraphWnd::resizeEvent(QResizeEvent*)
{
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
    m_panel->DrawPlot(p, l.plot);
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
