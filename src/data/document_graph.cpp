#include "data/document_graph.h"

#include "data/daten_object.h"
#include "data/graph_prop_object.h"
#include "data/string_daten_object.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <future>

namespace qor::data {

namespace {

// Stored colours are 0x00BBGGRR, graph colours 0x00RRGGBB; the swap is its own inverse.
std::uint32_t SwapRedBlue(std::uint32_t c)
{
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

}  // namespace

void SetRebuildSection(graph::GraphModel& graph, const CGrafikSetup& setup, bool redraw)
{
    const graph::GraphRange r = graph.Range();
    const bool shown = graph.GetGraphCount() > 0;
    graph.SetRange(shown ? r.xFrom : 0.0, shown ? r.xTo : kFirstSectionXTo, setup.m_yFrom, setup.m_yTo,
                   redraw);
}

std::vector<int> AddDocumentCurves(graph::GraphModel& graph, const DocumentCurves& curves)
{
    std::vector<int> ids;
    ids.reserve(curves.Size());
    for (const data::DocumentCurve& c : curves.Curves()) {
        // The curves share the sample numbers and times; each keeps only its values.
        const int id = graph.AddGraph(c.colour, c.label, graph::kGraphShared);
        if (graph::CGraphProps* g = graph.GetGraph(id))
            g->m_visible = c.visible;
        ids.push_back(id);
    }
    return ids;
}

void FeedSamples(graph::GraphModel& graph, DocumentCurves& curves, const std::vector<int>& ids,
                 const std::vector<CDatenObject>& samples, std::size_t from, bool redraw)
{
    // In blocks: each curve's values of a block at once (a virtual channel's formula runs
    // over all of them together), then the block's rows onto every curve.
    constexpr std::size_t kBlock = 1024;  // the block's samples stay in the cache for every curve
    from = std::min(from, samples.size());
    const std::size_t block = std::min(kBlock, samples.size() - from);
    struct Rows {
        std::vector<double> x, values;
        std::vector<std::int64_t> times;
        std::vector<const double*> ys;
        std::size_t n = 0;
    };
    auto make = [&](Rows& rows, std::size_t start) {
        rows.n = std::min(block, samples.size() - start);
        rows.x.resize(block), rows.times.resize(block), rows.values.resize(block * ids.size());
        rows.ys.resize(ids.size());
        for (std::size_t r = 0; r < rows.n; ++r) {
            rows.x[r] = static_cast<double>(start + r);
            rows.times[r] = samples[start + r].m_time;
        }
        for (std::size_t c = 0; c < ids.size(); ++c) {
            rows.ys[c] = &rows.values[c * block];
            if (ids[c] >= 0)
                curves.Values(c, &samples[start], rows.n, &rows.values[c * block]);
        }
    };
    Rows rows[2];
    // A long run of samples (a file opened): the next block's values are made on a second
    // thread while this block's rows go onto the curves. The curves' values and the graph
    // share nothing.
    constexpr std::size_t kAlongside = 8 * kBlock;
    const bool alongside = samples.size() - from >= kAlongside;
    if (block > 0)
        make(rows[0], from);
    for (std::size_t start = from, k = 0; start < samples.size(); start += block, k ^= 1) {
        const std::size_t next = start + block;
        std::future<void> made;
        if (next < samples.size()) {
            if (alongside)
                made = std::async(std::launch::async, make, std::ref(rows[k ^ 1]), next);
            else
                make(rows[k ^ 1], next);
        }
        graph.AddRows(rows[k].n, rows[k].x.data(), rows[k].times.data(), ids, rows[k].ys, redraw);
        if (made.valid())
            made.get();
    }
}

void FitWithMargin(graph::GraphModel& graph, bool redraw)
{
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!graph.GetDataRange(x0, x1, y0, y1)) {
        graph.Fit(redraw);
        return;
    }
    const double dy = y1 > y0 ? (y1 - y0) * 0.05 : std::max(1.0, std::fabs(y0) * 0.05);
    graph.SetRange(x0, std::max(x1, x0 + 1.0), y0 - dy, y1 + dy, redraw);
}

void FitPage(graph::GraphModel& graph, bool redraw)
{
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!graph.GetDataRange(x0, x1, y0, y1))
        return;
    graph.SetRange(x0, std::max(x1, x0 + 1.0), y0 - 10.0, y1 + 10.0, redraw);
}

void PlaceLabels(graph::GraphModel& graph, const std::vector<CStringDatenObject>& labels)
{
    graph.RemoveAllTexts();
    for (const CStringDatenObject& l : labels)
        graph.AddText({l.m_x, l.m_y, l.m_text, SwapRedBlue(l.m_colour), l.m_font.m_faceName, l.m_scale});
}

std::vector<CStringDatenObject> CollectLabels(const graph::GraphModel& graph,
                                              const std::vector<CStringDatenObject>& placed)
{
    std::vector<CStringDatenObject> labels;
    for (std::size_t i = 0; i < graph.Texts().size(); ++i) {
        const graph::GraphText& t = graph.Texts()[i];
        CStringDatenObject l;
        if (i < placed.size() && placed[i].m_font.m_faceName == t.font)
            l.m_font = placed[i].m_font;
        l.m_font.m_faceName = t.font;
        l.m_x = t.x;
        l.m_y = t.y;
        l.m_text = t.text;
        l.m_colour = SwapRedBlue(t.colour);
        l.m_scale = t.scale;
        labels.push_back(std::move(l));
    }
    return labels;
}

void CollectCurveLooks(const graph::GraphModel& graph, const DocumentCurves& curves,
                       const std::vector<int>& ids, CurveLooks& looks)
{
    for (std::size_t n = 0; n < ids.size() && n < curves.Size(); ++n) {
        const graph::CGraphProps* g = graph.GetGraph(ids[n]);
        if (!g)
            continue;
        const data::DocumentCurve& c = curves.Curves()[n];
        // A described label is not kept as a name, so it follows later changes of the setup.
        looks[c.Source()] = {g->m_colour, g->m_visible,
                             g->m_name == curves.Label(c) ? std::string() : g->m_name};
    }
}

void CollectCurveProps(const graph::GraphModel& graph, const DocumentCurves& curves,
                       const std::vector<int>& ids, CGraphPropObject& props)
{
    for (std::size_t n = 0; n < ids.size() && n < CGraphPropObject::kCurves; ++n) {
        const graph::CGraphProps* g = graph.GetGraph(ids[n]);
        if (!g)
            continue;
        props.m_colour[n] = SwapRedBlue(g->m_colour);
        props.m_visible[n] = g->m_visible ? 1 : 0;
        // A described label is not kept as a name, so it follows later changes of the setup.
        const data::DocumentCurve& c = curves.Curves()[n];
        props.m_name[n] = g->m_name == curves.Label(c) ? std::string() : g->m_name;
    }
}

}  // namespace qor::data
