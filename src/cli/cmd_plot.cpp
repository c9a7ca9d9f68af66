// qortool plot: a picture of a recording (PNG or PDF), drawn offscreen with the graph engine.
#include "cli/command.h"
#include "cli/gui_app.h"
#include "cli/silent_document_ui.h"
#include "common/text.h"
#include "data/document_curves.h"
#include "data/document_graph.h"
#include "data/qor_doc.h"
#include "ui/graph/graph_wnd.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace qor::cli {
namespace {

int RunPlot(const Parsed& p)
{
    const std::string png = p.Value("--png");
    const std::string pdf = p.Value("--pdf");
    const bool absolute = p.Has("--absolute");
    const int language = p.lang, l = p.lang;
    if (png.empty() && pdf.empty())
        return UsageFault(p);
    int w = 0, h = 0;
    if (const auto code = TakeSize(p, w, h))
        return *code;
    const std::string path = p.Operands()[0];
    CommandDocument d;
    if (const std::string error = d.Read(path, nullptr, l); !error.empty())
        return Fail(error);
    const data::CQORDoc& doc = d.doc;
    if (doc.Samples().empty())
        return Fail(path + TextPair{": keine Messwerte aufgezeichnet", ": no samples recorded"}[l]);

    const auto ownApp = OwnGuiApplication();
    auto graph = std::make_unique<ui::CGraphWnd>();
    graph->SetFrameFlags(absolute ? graph::kFrameAbsoluteTime : 0u);
    graph->SetTitle(QString::fromStdString(std::filesystem::path(path).filename().string()));
    graph->SetAxisTitle("Time", "", 0, graph::kAxisX, false);
    graph->SetAxisTitle("Value", "", 2, graph::kAxisY, false);
    graph->SetStyle(graph::kStyleGrid | graph::kStyleLegend, false);

    // The curves, points and labels the document view draws.
    data::DocumentCurves curves(doc.GrafikSetup(), doc.Virtuell(), doc.GraphProp(), language);
    const std::vector<int> ids = data::AddDocumentCurves(*graph, curves);
    data::FeedSamples(*graph, curves, ids, doc.Samples(), 0, false);
    data::PlaceLabels(*graph, doc.Labels());
    data::FitWithMargin(*graph, false);
    const auto drawn = std::count_if(ids.begin(), ids.end(), [](int id) { return id >= 0; });

    bool ok;
    if (!png.empty())
        ok = graph->SavePng(QString::fromStdString(png), QSize(w, h));
    else
        ok = graph->SavePdf(QString::fromStdString(pdf));
    if (!ok)
        return Fail(TextPair{"nicht schreibbar: ", "cannot write "}[l] + (png.empty() ? pdf : png));
    std::printf("%s: %zu samples, %d curves -> %s\n", path.c_str(), doc.Samples().size(),
                static_cast<int>(drawn), (png.empty() ? pdf : png).c_str());
    return 0;
}

const Registrar kPlot({"plot", PictureSyntax({Option::Flag("--absolute")}, {"FILE.qo3"}),
                       "a picture of a recording, drawn offscreen with the graph engine", RunPlot});

}  // namespace
}  // namespace qor::cli
