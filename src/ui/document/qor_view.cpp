#include "ui/document/qor_view.h"

#include "data/document_graph.h"
#include "data/qor_doc.h"
#include "ui/graph/graph_wnd.h"
#include "ui/shell/ui_texts.h"

namespace qor::ui {

CQORView::CQORView(data::CQORDoc& doc, int lang, QWidget* parent) : QWidget(parent), m_doc(doc), m_lang(lang)
{
    setMinimumSize(200, 120);
    m_graph = new CGraphWnd(this);
    m_graph->SetFrameFlags(graph::kFrameAbsoluteTime);
    m_graph->SetStyle(graph::kStyleGrid | graph::kStyleLegend, false);
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
    Rebuild(true);
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

void CQORView::Rebuild(bool keepProps)
{
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
        Rebuild(false);
        return;
    }
    data::FeedSamples(*m_graph, *m_curves, m_ids, samples, m_fed, false);
    m_fed = samples.size();
    data::FitWithMargin(*m_graph, true);
}

void CQORView::OnSetupChanged()
{
    Rebuild(true);
}

void CQORView::OnFileRead(const std::vector<data::CStringDatenObject>& labels)
{
    m_placed = labels;
    data::PlaceLabels(*m_graph, labels);
    Rebuild(false);  // the curves of before must not overwrite the properties just read
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
