#include "ui/document/qor_view.h"

#include "data/document_graph.h"
#include "data/qor_doc.h"
#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"
#include "ui/shell/ui_texts.h"

#include <algorithm>
#include <cmath>

namespace qor::ui {

namespace {

constexpr double kFirstYFrom = -100.0, kFirstYTo = 100.0;

}  // namespace

CQORView::CQORView(data::CQORDoc& doc, int lang, int decimals, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_lang(lang)
{
    setMinimumSize(200, 120);
    m_graph = new CGraphWnd(this);
    m_graph->SetFrameFlags(graph::kFrameAbsoluteTime);
    m_graph->SetStyle(graph::kStyleGrid | graph::kStyleLegend, false);
    m_graph->SetAxisTitle("X-Axis", "", 0, graph::kAxisX, false);
    m_graph->SetAxisTitle("Y-Axis", "", decimals, graph::kAxisY, false);
    m_graph->SetRange(0.0, data::kFirstSectionXTo, kFirstYFrom, kFirstYTo, false);
    // Curve and text changes are saved with the document, so the user is asked before
    // they are lost.
    connect(m_graph, &CGraphWnd::EditedByUser, this, [this] { m_doc.m_modified = true; });
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
    // What was changed on the curves so far (colours, names, visibility) stays with the
    // document and so with the curves that take their places.
    if (keepProps && m_curves && !m_ids.empty()) {
        data::CGraphPropObject props = m_doc.GraphProp();
        data::CollectCurveProps(*m_graph, *m_curves, m_ids, props);
        m_doc.SetGraphProp(props);
    }
    RemoveCurves();
    m_curves = std::make_unique<data::DocumentCurves>(m_doc.m_slave, m_doc.GrafikSetup(), m_doc.Virtuell(),
                                                      m_doc.GraphProp(), m_lang);
    m_ids = data::AddDocumentCurves(*m_graph, *m_curves);
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

void CQORView::SetSection(double xFrom, double xTo, double yFrom, double yTo)
{
    m_graph->SetRange(std::max(xFrom, 0.0), xTo, yFrom, yTo, true);
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
    SetSection(r.xFrom - w, r.xTo + w, r.yFrom - h, r.yTo + h);
}

void CQORView::ScrollSection(graph::ScrollDirection direction)
{
    m_graph->Scroll(direction, false);
    const graph::GraphRange r = m_graph->Range();
    const double back = std::max(0.0, -r.xFrom);  // keeps the width at the left end
    SetSection(r.xFrom + back, r.xTo + back, r.yFrom, r.yTo);
}

void CQORView::OnSetupChanged()
{
    Rebuild(true, true);
}

void CQORView::OnFileRead(const std::vector<data::CStringDatenObject>& labels)
{
    m_placed = labels;
    data::PlaceLabels(*m_graph, labels);
    Rebuild(false, true);  // the curves of before must not overwrite the properties just read
}

void CQORView::OnClear()
{
    RemoveCurves();
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
