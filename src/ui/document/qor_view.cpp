#include "ui/document/qor_view.h"

#include "catalogue/catalogue.h"
#include "data/qor_doc.h"
#include "graph/read_out.h"
#include "ui/graph/graph_wnd.h"
#include "ui/shell/ui_texts.h"

#include <algorithm>
#include <cmath>

namespace qor::ui {

namespace {

// Sixteen colours that stay apart on white, one per module address.
graph::Rgb CurveColour(int address)
{
    static const graph::Rgb palette[16] = {0xD62728, 0x1F77B4, 0x2CA02C, 0x9467BD, 0xFF7F0E, 0x8C564B,
                                           0xE377C2, 0x17BECF, 0x7F7F7F, 0xBCBD22, 0x393B79, 0xAD494A,
                                           0x637939, 0x843C39, 0x3182BD, 0x31A354};
    return palette[address & 15];
}

}  // namespace

CQORView::CQORView(data::CQORDoc& doc, int lang, QWidget* parent) : QWidget(parent), m_doc(doc), m_lang(lang)
{
    setMinimumSize(200, 120);
    m_graph = new CGraphWnd(this);
    m_graph->SetFrameFlags(graph::kFrameAbsoluteTime);
    m_graph->SetStyle(graph::kStyleGrid | graph::kStyleLegend, false);
    m_curve.fill(-1);
    SetLanguage(lang);
    Rebuild();
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
    Rebuild();
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

std::string CQORView::CurveName(int address) const
{
    const std::size_t ai = static_cast<std::size_t>(address);
    catalogue::CSlave slave = m_doc.m_slave[ai];
    if (slave.m_type == 0)
        slave.m_type = m_doc.m_grafikSetup.m_moduleType[ai];
    slave.m_language = static_cast<std::uint8_t>(m_lang);
    const catalogue::ChannelInfo info = catalogue::DescribeModule(slave);
    std::string name = Format("%02d ", address) + info.name1;
    if (!info.baseUnit.empty())
        name += " [" + info.baseUnit + "]";
    return name;
}

void CQORView::Rebuild()
{
    int pos = -1;
    std::vector<int> old;
    for (auto* g = m_graph->GetFirstGraph(pos); g; g = m_graph->GetNextGraph(pos))
        old.push_back(pos);
    for (int index : old)
        m_graph->RemoveGraph(index, false);
    m_curve.fill(-1);
    m_channels = Channels();
    for (int a : m_channels)
        m_curve[static_cast<std::size_t>(a)] = m_graph->AddGraph(CurveColour(a), CurveName(a));
    m_fed = 0;
    Feed(false);
    FitWithMargin();
}

void CQORView::FitWithMargin()
{
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!m_graph->GetDataRange(x0, x1, y0, y1)) {
        m_graph->Fit(true);
        return;
    }
    // A little air above and below, so no curve runs along the frame.
    const double dy = y1 > y0 ? (y1 - y0) * 0.05 : std::max(1.0, std::fabs(y0) * 0.05);
    m_graph->SetRange(x0, std::max(x1, x0 + 1.0), y0 - dy, y1 + dy, true);
}

void CQORView::Feed(bool redraw)
{
    const auto& samples = m_doc.m_samples;
    for (; m_fed < samples.size(); ++m_fed) {
        const auto& s = samples[m_fed];
        for (int a : m_channels) {
            const std::size_t ai = static_cast<std::size_t>(a);
            const double v = static_cast<double>(s.m_value[ai]) * m_doc.m_grafikSetup.m_factor1[ai];
            if (std::isfinite(v))
                m_graph->AddPoint(m_curve[ai], s.m_time, static_cast<double>(m_fed), v, redraw);
        }
    }
}

void CQORView::OnUpdate()
{
    const bool rebuild = m_doc.m_rebuildGraph || m_doc.m_samples.size() < m_fed || Channels() != m_channels;
    m_doc.m_rebuildGraph = false;
    if (rebuild) {
        Rebuild();
        return;
    }
    if (m_doc.m_samples.size() == m_fed)
        return;
    m_doc.m_newSample = false;
    Feed(false);
    FitWithMargin();
}

}  // namespace qor::ui
