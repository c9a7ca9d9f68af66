// qortool curves: the document view's curves after a rebuild from the file, as JSON.
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/text.h"
#include "data/document_curves.h"
#include "data/document_graph.h"
#include "data/document_json.h"
#include "data/qor_doc.h"
#include "graph/graph_model.h"
#include "graph/graph_props.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace qor::cli {
namespace {

// JSON has no NaN or infinity: such a value prints as null.
void PrintNumber(double v)
{
    if (std::isfinite(v))
        std::printf("%.17g", v);
    else
        std::printf("null");
}

void PrintCurve(const data::DocumentCurve& c, const graph::CGraphProps& g, bool points)
{
    std::printf("{\"label\":%s,\"colour\":\"#%06x\",\"visible\":%s,\"source\":{",
                data::JsonString(g.m_name).c_str(), static_cast<unsigned>(g.m_colour & 0xFFFFFFu),
                g.m_visible ? "true" : "false");
    if (c.IsVirtual())
        std::printf("\"kind\":\"virtual\",\"channel\":%d}", c.channel);
    else
        std::printf("\"kind\":\"value\",\"address\":%d,\"value\":%d}", c.address, c.value);
    std::printf(",\"count\":%zu", g.m_points.size());
    if (points) {
        std::printf(",\"points\":[");
        for (std::size_t i = 0; i < g.m_points.size(); ++i) {
            std::printf(i ? ",[" : "[");
            PrintNumber(g.m_points.X(i));
            std::printf(",");
            PrintNumber(g.m_points.Y(i));
            std::printf("]");
        }
        std::printf("]");
    }
    std::printf("}");
}

int RunCurves(const Parsed& p)
{
    const bool points = p.Has("--points");
    const int language = p.lang;
    CommandDocument d;
    if (const std::string error = d.Read(p.Operands()[0], nullptr, language); !error.empty())
        return Fail(error);
    const data::CQORDoc& doc = d.doc;

    // The rebuild of a freshly opened document view, on a graph without a window.
    graph::GraphModel graph;
    data::SetRebuildSection(graph, doc.GrafikSetup(), false);
    data::DocumentCurves curves(doc.GrafikSetup(), doc.Virtuell(), doc.GraphProp(), language);
    const std::vector<int> ids = data::AddDocumentCurves(graph, curves);
    data::FeedSamples(graph, curves, ids, doc.Samples(), 0, false);

    const graph::GraphRange& r = graph.Range();
    std::printf("{\"view\":{\"xFrom\":");
    PrintNumber(r.xFrom);
    std::printf(",\"xTo\":");
    PrintNumber(r.xTo);
    std::printf(",\"yFrom\":");
    PrintNumber(r.yFrom);
    std::printf(",\"yTo\":");
    PrintNumber(r.yTo);
    std::printf("},\"curves\":[");
    bool first = true;
    for (std::size_t n = 0; n < ids.size(); ++n) {
        const graph::CGraphProps* g = graph.GetGraph(ids[n]);
        if (!g)
            continue;
        std::printf(first ? "\n" : ",\n");
        first = false;
        PrintCurve(curves.Curves()[n], *g, points);
    }
    std::printf("]}\n");
    return 0;
}

const Registrar kCurves({"curves",
                         {{Option::Flag("--points")}, {"FILE.qo3"}},
                         "the document view's curves after a rebuild from the file, as JSON",
                         RunCurves});

}  // namespace
}  // namespace qor::cli
