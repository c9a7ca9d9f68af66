#include "ui/potentiostat/xy_graph.h"

#include "common/text.h"
#include "data/document_ui.h"
#include "potentiostat/harmonic_analysis.h"
#include "ui/graph/graph_wnd.h"

#include <QColor>
#include <QPushButton>

namespace qor::ui {

using potentiostat::XYGraphModel;

CXYGraph::CXYGraph(const std::vector<data::CPotQORDatenObject>& samples, Clock& clock, data::DocumentUi& ui,
                   int lang, QWidget* parent)
    : PotGraphWindow(QStringLiteral("POT XY"), XYGraphModel::GraphCount, clock, ui, lang, parent),
      m_samples(samples)
{
    for (int i = 0; i < XYGraphModel::GraphCount; ++i) {
        const auto g = static_cast<XYGraphModel::Graph>(i);
        Graph(i)->SetTitle(QString::fromUtf8(XYGraphModel::Title(g)));
        Graph(i)->SetAxisTitle(std::string(), XYGraphModel::XLegend(g, m_lang), 2, graph::kAxisX, false);
        Graph(i)->SetAxisTitle(std::string(), XYGraphModel::YLegend(g), 2, graph::kAxisY, false);
    }
    m_show = [this](const std::string& text) { m_ui.ShowMessage(text); };
    m_evaluate = AddButton(QString::fromUtf8(TextPair{"Auswertung", "Evaluation"}[m_lang == 1 ? 1 : 0]),
                           [this] { Evaluate(); });
    m_clear = AddButton(QString::fromUtf8(TextPair{"Löschen", "Clear"}[m_lang == 1 ? 1 : 0]),
                        [this] { ClearCurves(); });
    m_dft = AddButton(QStringLiteral("Analyse DFT"), [this] { AnalyseDft(); });
    m_fft = AddButton(QStringLiteral("Analyse FFT"), [this] { AnalyseFft(); });
    // Service functions: in the layout, out of sight.
    for (QPushButton* b : {m_clear, m_dft, m_fft})
        b->setVisible(false);
    Rebuild();
}

int CXYGraph::RunCurve(int graph, int run)
{
    CGraphWnd* g = Graph(graph);
    if (run < g->GetGraphCount())
        return run;
    g->GetGraph(0)->m_name = XYGraphModel::RunName(0, m_lang);
    for (int k = g->GetGraphCount(); k <= run; ++k)
        g->AddGraph(XYGraphModel::RunColour(k), XYGraphModel::RunName(k, m_lang));
    g->SetStyle(g->GetStyle() | graph::kStyleLegend, false);
    return run < g->GetGraphCount() ? run : g->GetGraphCount() - 1;
}

void CXYGraph::DropRunCurves()
{
    for (int i = 0; i < XYGraphModel::GraphCount; ++i) {
        CGraphWnd* g = Graph(i);
        g->ClearPoints(-1, false);
        while (g->GetGraphCount() > 1)
            g->RemoveGraph(g->GetGraphCount() - 1, false);
        g->GetGraph(0)->m_name.clear();
        g->SetStyle(g->GetStyle() & ~unsigned{graph::kStyleLegend}, false);
    }
}

bool CXYGraph::IsCurvePixel(int graph, QRgb pixel) const
{
    if (qAlpha(pixel) != 255)
        return false;
    for (int k = 0; k < Graph(graph)->GetGraphCount(); ++k)
        if ((pixel & 0xFFFFFFu) == XYGraphModel::RunColour(k))
            return true;
    return false;
}

void CXYGraph::Rebuild()
{
    DropRunCurves();
    const auto ranges =
        m_model.Rebuild(m_samples, [this](XYGraphModel::Graph g, const XYGraphModel::Point& p) {
            Graph(g)->AddPoint(RunCurve(g, p.run), 0, p.x, p.y, false);
        });
    for (int i = 0; i < XYGraphModel::GraphCount; ++i) {
        const potentiostat::AxisRange& a = ranges[static_cast<std::size_t>(i)];
        Graph(i)->SetRange(a.xFrom, a.xTo, a.yFrom, a.yTo, true);
    }
}

void CXYGraph::AddSample()
{
    if (m_samples.empty())
        return;
    std::array<potentiostat::AxisRange, XYGraphModel::GraphCount> shown;
    for (int i = 0; i < XYGraphModel::GraphCount; ++i) {
        const graph::GraphRange& r = Graph(i)->Range();
        shown[static_cast<std::size_t>(i)] = {r.xFrom, r.xTo, r.yFrom, r.yTo};
    }
    const XYGraphModel::Step step = m_model.Add(m_samples.back(), m_samples.size(), shown);
    const double t = step.points[XYGraphModel::CurrentTime].x;
    for (int i = 0; i < XYGraphModel::GraphCount; ++i) {
        CGraphWnd* g = Graph(i);
        const auto k = static_cast<std::size_t>(i);
        g->AddPoint(RunCurve(i, step.points[k].run), 0, step.points[k].x, step.points[k].y, !step.grown[k]);
        if (step.grown[k]) {
            const potentiostat::AxisRange a = m_model.Section(static_cast<XYGraphModel::Graph>(i), t);
            g->SetRange(a.xFrom, a.xTo, a.yFrom, a.yTo, true);
        }
    }
}

void CXYGraph::ClearCurves()
{
    m_model.Clear();
    DropRunCurves();
    for (int i = 0; i < XYGraphModel::GraphCount; ++i)
        Graph(i)->Redraw();
}

void CXYGraph::Evaluate()
{
    if (!m_evaluation)
        m_evaluation = &m_samples;
}

// Both analyses take the last run, as qortool pot analyse does by default.
void CXYGraph::AnalyseDft()
{
    Analyse(potentiostat::DftAnalysisText(potentiostat::RunSamples(m_samples)), "eis_daten.txt");
}

void CXYGraph::AnalyseFft()
{
    Analyse(potentiostat::FftAnalysisText(potentiostat::RunSamples(m_samples)), "eis_fftdaten.txt");
}

void CXYGraph::Analyse(const std::string& text, const char* file)
{
    if (text.empty()) {
        // An older result file stays as it is.
        m_show(m_lang == 1 ? "Too few samples for an analysis (200 per block)."
                           : "Zu wenige Messwerte für eine Analyse (200 je Block).");
        return;
    }
    // A long run gives thousands of blocks: the box shows the first ones, the file has all.
    constexpr std::size_t kShownLines = 40;
    std::string shown;
    std::size_t lines = 0, pos = 0;
    for (; pos < text.size() && lines < kShownLines; ++lines) {
        const std::size_t end = text.find("\n\r", pos);
        shown += text.substr(pos, end - pos) + "\n";
        pos = end + 2;
    }
    if (pos < text.size())
        shown += "…\n";
    m_show(shown + file);
    WriteFile(file, text);
}

std::string CXYGraph::ExportText(bool comma) const
{
    return potentiostat::RunExportText(m_samples, comma);
}

std::string CXYGraph::HoverText(int graph, double x, double y) const
{
    return XYGraphModel::HoverText(static_cast<XYGraphModel::Graph>(graph), x, y);
}

void CXYGraph::PlaceGraphs(const QRect& area)
{
    // The two time graphs side by side, the U/I graph below across the width.
    const int w = area.width(), h = area.height();
    const int left = static_cast<int>(0.01 * w), top = static_cast<int>(0.02 * h);
    const int half = static_cast<int>(0.48 * w), upper = static_cast<int>(0.47 * h);
    Graph(XYGraphModel::CurrentTime)->setGeometry(left, top, half, upper);
    Graph(XYGraphModel::PotentialTime)->setGeometry(static_cast<int>(0.5 * w), top, half, upper);
    Graph(XYGraphModel::PotentialCurrent)
        ->setGeometry(left, static_cast<int>(0.51 * h), static_cast<int>(0.98 * w),
                      static_cast<int>(0.47 * h));
}

}  // namespace qor::ui
