// qortool plot: a picture of a recording (PNG or PDF), drawn offscreen with the graph engine.
#include "catalogue/catalogue.h"
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/clock.h"
#include "common/text.h"
#include "data/qor_doc.h"
#include "ui/graph/graph_wnd.h"

#include <QApplication>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace qor::cli {
namespace {

// Sixteen colours that stay apart in print and for colour-blind readers.
constexpr graph::Rgb kPalette[16] = {
    graph::MakeRgb(0, 114, 178),   graph::MakeRgb(213, 94, 0),   graph::MakeRgb(0, 158, 115),
    graph::MakeRgb(204, 121, 167), graph::MakeRgb(86, 180, 233), graph::MakeRgb(230, 159, 0),
    graph::MakeRgb(0, 0, 0),       graph::MakeRgb(160, 30, 40),  graph::MakeRgb(90, 60, 150),
    graph::MakeRgb(120, 120, 120), graph::MakeRgb(30, 90, 30),   graph::MakeRgb(170, 110, 40),
    graph::MakeRgb(40, 40, 160),   graph::MakeRgb(200, 40, 120), graph::MakeRgb(20, 140, 140),
    graph::MakeRgb(110, 80, 30),
};

bool ParseSize(const std::string& s, int& w, int& h)
{
    char x = 0;
    char rest = 0;
    if (std::sscanf(s.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X'))
        return false;
    return w >= 100 && h >= 100 && w <= 20000 && h <= 20000;
}

// Stored values this far out mark a failed reading; the document graph draws them as 0.
double Drawable(float v)
{
    return (v >= 1e8f || v <= -1e8f || std::isnan(v)) ? 0.0 : static_cast<double>(v);
}

int RunPlot(const std::vector<std::string>& argv)
{
    Args args(argv);
    const std::string png = args.Take("--png");
    const std::string pdf = args.Take("--pdf");
    const std::string size = args.Take("--size", "1200x800");
    const bool absolute = args.Flag("--absolute");
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    if (args.Rest().size() != 1 || png.empty() == pdf.empty())
        return Fail("usage: qortool plot FILE.qo3 (--png OUT.png | --pdf OUT.pdf) [--size WxH] [--absolute]");
    int w = 0, h = 0;
    if (!ParseSize(size, w, h))
        return Fail("bad --size '" + size + "' (WxH, 100 to 20000 pixels each)");
    const std::string path = args.Rest()[0];
    CommandDocument d;
    if (const std::string error = d.Read(path); !error.empty())
        return Fail(error);
    const data::CQORDoc& doc = d.doc;
    if (doc.m_samples.empty())
        return Fail(path + ": no samples recorded");

    // Drawing text needs a GUI application; it lives only while the picture is made.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    char qtName[] = "qortool";
    char* qtArgv[] = {qtName, nullptr};
    std::unique_ptr<QApplication> ownApp;
    if (!QCoreApplication::instance())
        ownApp = std::make_unique<QApplication>(qtArgc, qtArgv);
    auto graph = std::make_unique<ui::CGraphWnd>(nullptr, 16);
    graph->SetFrameFlags(absolute ? graph::kFrameAbsoluteTime : 0u);
    graph->SetTitle(QString::fromStdString(std::filesystem::path(path).filename().string()));
    graph->SetAxisTitle("Time", "", 0, graph::kAxisX, false);
    graph->SetAxisTitle("Value 1", "", 2, graph::kAxisY, false);
    graph->SetStyle(graph::kStyleGrid | graph::kStyleLegend, false);

    // A channel was recorded when the setup knew a module there or any sample holds a value.
    int curves = 0;
    for (int a = 0; a < 16; ++a) {
        const auto ua = static_cast<std::size_t>(a);
        bool recorded = doc.m_grafikSetup.m_moduleType[ua] != 0 || doc.m_grafikSetup.m_show1[ua] != 0;
        for (std::size_t i = 0; i < doc.m_samples.size() && !recorded; ++i)
            recorded = doc.m_samples[i].m_value[ua] != 0.0f;
        if (!recorded)
            continue;
        catalogue::CSlave slave;
        slave.m_address = static_cast<std::uint8_t>(a);
        slave.m_type = doc.m_grafikSetup.m_moduleType[ua];
        const std::string name =
            slave.m_type != 0 ? Format("S%d %s", a, catalogue::ModuleName(slave).c_str()) : Format("S%d", a);
        const int c = graph->AddGraph(kPalette[a], name);
        for (std::size_t i = 0; i < doc.m_samples.size(); ++i)
            graph->AddPoint(c, doc.m_samples[i].m_time, static_cast<double>(i),
                            Drawable(doc.m_samples[i].m_value[ua]), false);
        ++curves;
    }
    graph->Fit(false);
    // A little air above and below, so no curve runs along the frame.
    const graph::GraphRange fit = graph->Range();
    const double pad = (fit.yTo - fit.yFrom) * 0.05;
    graph->SetRange(fit.xFrom, std::max(fit.xTo, fit.xFrom + 1.0), fit.yFrom - pad, fit.yTo + pad, false);

    bool ok;
    if (!png.empty())
        ok = graph->SavePng(QString::fromStdString(png), QSize(w, h));
    else
        ok = graph->SavePdf(QString::fromStdString(pdf));
    if (!ok)
        return Fail("cannot write " + (png.empty() ? pdf : png));
    std::printf("%s: %zu samples, %d curves -> %s\n", path.c_str(), doc.m_samples.size(), curves,
                (png.empty() ? pdf : png).c_str());
    return 0;
}

const Registrar kPlot({"plot", "FILE.qo3 (--png OUT.png | --pdf OUT.pdf) [--size WxH] [--absolute]",
                       RunPlot});

}  // namespace
}  // namespace qor::cli
