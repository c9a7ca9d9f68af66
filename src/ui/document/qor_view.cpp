#include "ui/document/qor_view.h"

#include "data/document_graph.h"
#include "data/qor_doc.h"
#include "station/config.h"
#include "ui/common/ui_texts.h"
#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"

#include <QCursor>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace qor::ui {

namespace {

constexpr double kFirstYFrom = -100.0, kFirstYTo = 100.0;

// The read-out of the new position, or none when the pointer left the plot.
void ShowAtPointer(const QString& text, QWidget* plot)
{
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(QCursor::pos(), text, plot);
}

}  // namespace

GraphDisplay GraphDisplay::FromConfig(const station::StationConfig& config)
{
    return {std::clamp(static_cast<int>(config.prec), 0, 10), config.point != 0, config.mouse != 0,
            config.axis != 0};
}

CQORView::CQORView(data::CQORDoc& doc, int lang, const GraphDisplay& display, const data::ModuleRecords* live,
                   QWidget* parent)
    : QWidget(parent), m_doc(doc), m_live(live), m_lang(lang)
{
    setMinimumSize(200, 120);
    m_graph = new CGraphWnd(this);
    m_graph->SetFrameFlags(graph::kFrameAbsoluteTime);
    m_graph->SetStyle(graph::kStyleLegend | (display.grid ? graph::kStyleGrid : 0u) |
                          (display.markers ? graph::kStyleMarkers : 0u),
                      false);
    m_graph->SetAxisTitle("X-Axis", "", 0, graph::kAxisX, false);
    m_graph->SetAxisTitle("Y-Axis", "", display.decimals, graph::kAxisY, false);
    if (display.pointerReadOut)
        connect(m_graph, &CGraphWnd::ReadOutChanged, this,
                [this](const QString& text) { ShowAtPointer(text, m_graph->Panel()); });
    m_graph->SetRange(0.0, data::kFirstSectionXTo, kFirstYFrom, kFirstYTo, false);
    // Curve and text changes are saved with the document, so the user is asked before
    // they are lost.
    connect(m_graph, &CGraphWnd::EditedByUser, this, [this] { m_doc.SetModified(true); });
    m_graph->SetSectionHandler([this](CGraphWnd::SectionCommand command, graph::ScrollDirection direction) {
        switch (command) {
        case CGraphWnd::SectionCommand::Fit:
            ZoomPage();
            break;
        case CGraphWnd::SectionCommand::ZoomIn:
            Enlarge();
            break;
        case CGraphWnd::SectionCommand::ZoomOut:
            Reduce();
            break;
        case CGraphWnd::SectionCommand::ZoomOutX:
            Reduce(true);
            break;
        case CGraphWnd::SectionCommand::Scroll:
            ScrollSection(direction);
            break;
        }
    });
    SetLanguage(lang);
}

void CQORView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_graph->setGeometry(rect());
}

void CQORView::SetLanguage(int lang)
{
    m_lang = lang;
    m_graph->SetLanguage(lang);
    setWindowTitle(Tr(txt::kGraphPane, lang));
    Rebuild(true, false);  // only the labels change
}

void CQORView::RemoveCurves()
{
    int pos = -1;
    std::vector<int> old;
    for (auto* g = m_graph->GetFirstGraph(pos); g; g = m_graph->GetNextGraph(pos))
        old.push_back(pos);
    for (int index : old)
        m_graph->RemoveGraph(index, false);
    m_ids.clear();
    m_fed = 0;
}

void CQORView::Rebuild(bool keepProps, bool newSection)
{
    if (newSection)
        data::SetRebuildSection(*m_graph, m_doc.GrafikSetup(), false);
    // What was changed on the curves so far (colours, names, visibility) stays with each
    // curve's source, whatever curves come or go around it.
    if (keepProps && m_curves && !m_ids.empty())
        data::CollectCurveLooks(*m_graph, *m_curves, m_ids, m_looks);
    const bool byLooks = keepProps && !m_looks.empty();
    RemoveCurves();
    if (byLooks)
        m_curves = std::make_unique<data::DocumentCurves>(m_doc.GrafikSetup(), m_doc.Virtuell(), m_looks,
                                                          m_lang, m_live);
    else
        m_curves = std::make_unique<data::DocumentCurves>(m_doc.GrafikSetup(), m_doc.Virtuell(),
                                                          m_doc.GraphProp(), m_lang, m_live);
    m_ids = data::AddDocumentCurves(*m_graph, *m_curves);
    data::CollectCurveLooks(*m_graph, *m_curves, m_ids, m_looks);
    // The file keeps them in the order the curves have now.
    data::CGraphPropObject props = m_doc.GraphProp();
    data::CollectCurveProps(*m_graph, *m_curves, m_ids, props);
    m_doc.SetGraphProp(props);
    OnSamplesAdded();
}

void CQORView::OnSamplesAdded()
{
    const auto& samples = m_doc.Samples();
    if (samples.size() < m_fed) {
        Rebuild(false, true);
        return;
    }
    data::FeedSamples(*m_graph, *m_curves, m_ids, samples, m_fed, false);
    m_fed = samples.size();
    if (m_autoScroll)
        FollowNewest();
    m_graph->Redraw();
}

void CQORView::FollowNewest()
{
    int pos = -1;
    const graph::CGraphProps* first = m_graph->GetFirstGraph(pos);
    if (!first || first->m_points.size() <= 10)
        return;
    const double newest = first->m_points.X(first->m_points.size() - 1);
    const graph::GraphRange r = m_graph->Range();
    if (newest <= r.xTo)
        return;
    const double shift = std::ceil(newest - r.xTo);
    m_graph->SetRange(r.xFrom + shift, r.xTo + shift, r.yFrom, r.yTo, false);
}

void CQORView::SetAutoScroll(bool on)
{
    m_autoScroll = on;
    if (on) {
        FollowNewest();
        m_graph->Redraw();
    }
}

void CQORView::SetSection(double xFrom, double xTo, double yFrom, double yTo, double lowest)
{
    const double back = std::max(0.0, lowest - xFrom);  // keeps the width at the left end
    m_graph->SetRange(xFrom + back, xTo + back, yFrom, yTo, true);
}

double CQORView::LowestXFrom() const
{
    return std::min(0.0, m_graph->Range().xFrom);
}

void CQORView::ZoomPage()
{
    data::FitPage(*m_graph, true);
}

void CQORView::Enlarge()
{
    const graph::GraphRange r = m_graph->Range();
    if (r.xTo - r.xFrom <= 2.0)
        return;
    m_graph->ZoomIn(true);
}

void CQORView::Reduce(bool xOnly)
{
    const graph::GraphRange r = m_graph->Range();
    const double w = (r.xTo - r.xFrom) / 4.0, h = xOnly ? 0.0 : (r.yTo - r.yFrom) / 4.0;
    const double lowest = LowestXFrom();
    m_graph->SetRange(std::max(r.xFrom - w, lowest), r.xTo + w, r.yFrom - h, r.yTo + h, true);
}

void CQORView::ScrollSection(graph::ScrollDirection direction)
{
    const double lowest = LowestXFrom();
    m_graph->Scroll(direction, false);
    const graph::GraphRange r = m_graph->Range();
    SetSection(r.xFrom, r.xTo, r.yFrom, r.yTo, lowest);
}

void CQORView::OnSetupChanged()
{
    Rebuild(true, true);
}

void CQORView::OnFileRead(const std::vector<data::CStringDatenObject>& labels)
{
    m_looks.clear();  // the file's curve properties count
    m_placed = labels;
    data::PlaceLabels(*m_graph, labels);
    Rebuild(false, true);  // the curves of before must not overwrite the properties just read
}

void CQORView::OnClear()
{
    RemoveCurves();
    m_looks.clear();
    m_placed.clear();
    m_graph->RemoveAllTexts();
    m_graph->Redraw();
}

void CQORView::SaveGraphState(data::CGraphPropObject& props,
                              std::vector<data::CStringDatenObject>& labels) const
{
    data::CollectCurveProps(*m_graph, *m_curves, m_ids, props);
    labels = data::CollectLabels(*m_graph, m_placed);
}

}  // namespace qor::ui
