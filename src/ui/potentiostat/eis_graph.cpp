#include "ui/potentiostat/eis_graph.h"

#include "ui/graph/graph_wnd.h"

namespace qor::ui {

using potentiostat::EISGraphModel;

CEISGraph::CEISGraph(const std::vector<data::CEISDatenObject>& points, Clock& clock, data::DocumentUi& ui,
                     int lang, QWidget* parent)
    : PotGraphWindow(QStringLiteral("EIS Messung"), EISGraphModel::GraphCount, clock, ui, lang, parent),
      m_points(points)
{
    for (int i = 0; i < EISGraphModel::GraphCount; ++i) {
        const auto g = static_cast<EISGraphModel::Graph>(i);
        Graph(i)->SetTitle(QString::fromUtf8(EISGraphModel::Title(g)));
        Graph(i)->SetAxisTitle(std::string(), EISGraphModel::XLegend(g), 2, graph::kAxisX, false);
        Graph(i)->SetAxisTitle(std::string(), EISGraphModel::YLegend(g), 2, graph::kAxisY, false);
    }
    Rebuild();
}

void CEISGraph::Rebuild()
{
    for (int i = 0; i < EISGraphModel::GraphCount; ++i)
        Graph(i)->ClearPoints(-1, false);
    for (const data::CEISDatenObject& p : m_points) {
        Graph(EISGraphModel::Phase)->AddPoint(0, 0, p.m_val1, p.m_val2, false);
        Graph(EISGraphModel::Magnitude)->AddPoint(0, 0, p.m_val1, p.m_val3, false);
    }
    SetSections();
}

void CEISGraph::AddPoint()
{
    if (m_points.empty())
        return;
    const data::CEISDatenObject& p = m_points.back();
    Graph(EISGraphModel::Phase)->AddPoint(0, 0, p.m_val1, p.m_val2, false);
    Graph(EISGraphModel::Magnitude)->AddPoint(0, 0, p.m_val1, p.m_val3, false);
    SetSections();
}

void CEISGraph::SetSections()
{
    for (int i = 0; i < EISGraphModel::GraphCount; ++i) {
        const potentiostat::AxisRange a =
            EISGraphModel::Section(static_cast<EISGraphModel::Graph>(i), m_points);
        Graph(i)->SetRange(a.xFrom, a.xTo, a.yFrom, a.yTo, true);
    }
}

std::string CEISGraph::ExportText(bool comma) const
{
    return potentiostat::EisExportText(m_points, comma);
}

std::string CEISGraph::HoverText(int graph, double x, double y) const
{
    return EISGraphModel::HoverText(static_cast<EISGraphModel::Graph>(graph), x, y);
}

void CEISGraph::PlaceGraphs(const QRect& area)
{
    // Margins of 1 %, the graphs 98 % wide and 40 % of the height each, one above the other.
    const int w = area.width(), h = height();
    const int left = static_cast<int>(0.01 * w), top = static_cast<int>(0.01 * h);
    const int gw = static_cast<int>(0.98 * w), gh = static_cast<int>(0.4 * h);
    Graph(EISGraphModel::Phase)->setGeometry(left, top, gw, gh);
    Graph(EISGraphModel::Magnitude)->setGeometry(left, top + gh, gw, gh);
}

}  // namespace qor::ui
