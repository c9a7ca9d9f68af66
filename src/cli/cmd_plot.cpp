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

bool ParseSize(const std::string& s, int& w, int& h)
{
    char x = 0;
    char rest = 0;
    if (std::sscanf(s.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X'))
        return false;
    return w >= 100 && h >= 100 && w <= 20000 && h <= 20000;
}

int RunPlot(const std::vector<std::string>& argv)
{
    Args args(argv);
    const std::string png = args.Take("--png");
    const std::string pdf = args.Take("--pdf");
    const std::string size = args.Take("--size", "1200x800");
    const bool absolute = args.Flag("--absolute");
    const int language = TakeLanguage(args);
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    const int l = args.Language();
    if (language < 0)
        return Fail(TextPair{"--lang verlangt de oder en", "--lang takes de or en"}[l]);
    if (args.Rest().size() != 1 || png.empty() == pdf.empty())
        return Fail("usage: qortool plot FILE.qo3 (--png OUT.png | --pdf OUT.pdf) [--size WxH] [--absolute] "
                    "[--lang de|en]");
    int w = 0, h = 0;
    if (!ParseSize(size, w, h))
        return Fail(Format(TextPair{"falsche --size '%s' (BxH, je 100 bis 20000 Pixel)",
                                    "bad --size '%s' (WxH, 100 to 20000 pixels each)"}[l],
                           size.c_str()));
    const std::string path = args.Rest()[0];
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

const Registrar kPlot({"plot",
                       "FILE.qo3 (--png OUT.png | --pdf OUT.pdf) [--size WxH] [--absolute] [--lang de|en]",
                       RunPlot});

}  // namespace
}  // namespace qor::cli
