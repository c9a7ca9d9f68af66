// The document graph of a week at 1 s (604,800 samples) with 48 shown values and 4 virtual
// channels (52 curves), through the same binding the document view uses:
//  - resident memory of a process that opened the file and drew the graph once, against
//    the file size (in a fresh process, Qt included);
//  - opening until the graph is drawn beside the load of the document alone;
//  - CPU time of one recording tick (the newest sample onto the 52 curves and a repaint),
//    with the first section shown and with the whole week shown (not following the
//    newest sample, so it stays the section of the week's first picture).
//
// usage: bench_document_graph [FOLDER] [--samples N] [--repeat R] [--ticks T]
#include "bench_document_ui.h"
#include "bench_time.h"
#include "common/clock.h"
#include "data/document_curves.h"
#include "data/document_graph.h"
#include "data/qor_doc.h"
#include "ui/graph/graph_wnd.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using qor::data::CQORDoc;

constexpr int kWidth = 1200, kHeight = 800;

long ResidentBytes()
{
    std::ifstream in("/proc/self/statm");
    long pages = 0, resident = 0;
    in >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Every value of all sixteen modules shown, four virtual channels over them.
void SetUpGraph(CQORDoc& doc)
{
    qor::data::CGrafikSetup setup = doc.GrafikSetup();
    qor::data::CGrafikSetupVirtuell virtuell = doc.Virtuell();
    for (std::size_t a = 0; a < 16; ++a) {
        setup.m_show1[a] = setup.m_show2[a] = setup.m_show3[a] = 1;
        setup.m_factor1[a] = 1.0f;
        setup.m_factor2[a] = 0.5f;
        setup.m_factor3[a] = 2.0f;
    }
    const char* const formulas[4] = {"y+z", "y*z", "y/z+1", "sin(y)-z"};
    for (std::size_t v = 0; v < 4; ++v) {
        virtuell.m_enable[v] = 1;
        virtuell.m_sourceY[v] = static_cast<std::uint8_t>(3 * v);
        virtuell.m_sourceZ[v] = static_cast<std::uint8_t>(3 * v + 4);
        virtuell.m_formula[v] = formulas[v];
    }
    doc.SetGrafikSetup(setup, &virtuell);
}

// The station's sample number `i`, stamped `time`.
qor::data::CDatenObject Sample(long i, std::int64_t time)
{
    qor::data::CDatenObject s;
    s.m_time = time;
    for (std::size_t c = 0; c < 16; ++c) {
        s.m_value[c] =
            static_cast<float>(7.0 + 0.001 * static_cast<double>((i + static_cast<long>(c)) % 997));
        s.m_value2[c] = static_cast<float>(-100.0 + static_cast<double>(i % 50));
        s.m_temperature[c] = static_cast<float>(20.0 + 0.1 * static_cast<double>(c));
    }
    return s;
}

// The document view's graph: its curves and the samples fed onto them.
struct View {
    std::unique_ptr<qor::ui::CGraphWnd> graph;
    std::unique_ptr<qor::data::DocumentCurves> curves;
    std::vector<int> ids;
};

View Build(CQORDoc& doc)
{
    View v;
    v.graph = std::make_unique<qor::ui::CGraphWnd>(nullptr, 54);
    v.graph->resize(kWidth, kHeight);
    v.graph->SetStyle(qor::graph::kStyleGrid | qor::graph::kStyleLegend, false);
    v.graph->SetRange(0.0, qor::data::kFirstSectionXTo, -100.0, 100.0, false);
    qor::data::SetRebuildSection(*v.graph, doc.GrafikSetup(), false);
    v.curves =
        std::make_unique<qor::data::DocumentCurves>(doc.GrafikSetup(), doc.Virtuell(), doc.GraphProp(), 1);
    v.ids = qor::data::AddDocumentCurves(*v.graph, *v.curves);
    qor::data::FeedSamples(*v.graph, *v.curves, v.ids, doc.Samples(), 0, false);
    return v;
}

void Draw(View& v, QImage& img)
{
    v.graph->Redraw();
    QPainter p(&img);
    v.graph->Render(p, img.rect());
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder = ".";
    long samples = 604800;
    int repeat = 3, ticks = 200;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--samples" && i + 1 < argc)
            samples = std::atol(argv[++i]);
        else if (a == "--repeat" && i + 1 < argc)
            repeat = std::atoi(argv[++i]);
        else if (a == "--ticks" && i + 1 < argc)
            ticks = std::atoi(argv[++i]);
        else
            folder = a;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string path = folder + "/bench_graph_week.qo3";
    qor::SimClock clock(1262304000);
    qor::data::Logbook logbook;
    NoUi ui;
    {
        CQORDoc doc(clock, logbook, ui);
        SetUpGraph(doc);
        for (long i = 0; i < samples; ++i) {
            doc.AddSample(Sample(i, clock.Now()));
            clock.Advance(1000);
        }
        if (!doc.WriteFile(path).ok)
            return 1;
    }
    struct stat st {};
    ::stat(path.c_str(), &st);
    const double fileBytes = static_cast<double>(st.st_size);
    std::printf("file: %ld samples, 52 curves, %.1f MB\n", samples, fileBytes / 1e6);
    std::fflush(stdout);

    int argcQt = 1;
    char name[] = "bench_document_graph";
    char* argvQt[] = {name, nullptr};

    // The memory of a program that opened the file and drew its graph, in a fresh process.
    if (pid_t pid = ::fork(); pid == 0) {
        QApplication app(argcQt, argvQt);
        CQORDoc doc(clock, logbook, ui);
        doc.ReadFile(path, qor::data::Layout::Qo3);
        View v = Build(doc);
        QImage img(kWidth, kHeight, QImage::Format_RGB32);
        Draw(v, img);
        const long rss = ResidentBytes();
        std::printf("resident memory, document open and drawn: %.1f MB = %.2f x file size (goal <= 3)\n",
                    static_cast<double>(rss) / 1e6, static_cast<double>(rss) / fileBytes);
        std::fflush(stdout);
        std::_Exit(0);
    } else {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }

    QApplication app(argcQt, argvQt);
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    double load = 1e9, open = 1e9, build = 1e9;
    for (int r = 0; r < repeat; ++r) {
        {
            const double t0 = Now();
            CQORDoc doc(clock, logbook, ui);
            doc.ReadFile(path, qor::data::Layout::Qo3);
            load = std::min(load, Now() - t0);
        }
        logbook.m_text.clear();
        const double t0 = Now();
        CQORDoc doc(clock, logbook, ui);
        doc.ReadFile(path, qor::data::Layout::Qo3);
        const double t1 = Now();
        View v = Build(doc);
        Draw(v, img);
        const double t2 = Now();
        open = std::min(open, t2 - t0);
        build = std::min(build, t2 - t1);
        logbook.m_text.clear();
    }
    std::printf("load: %.3f s   open until drawn: %.3f s (graph %.3f s)   ratio %.2f (goal <= 3)\n", load,
                open, build, open / load);
    std::fflush(stdout);

    // Recording ticks at week size: the newest sample onto every curve, then a repaint.
    CQORDoc doc(clock, logbook, ui);
    doc.ReadFile(path, qor::data::Layout::Qo3);
    View v = Build(doc);
    Draw(v, img);
    long next = samples;
    // The sample itself is the station's part of the tick; the graph's part is timed.
    auto tick = [&] {
        doc.AddSample(Sample(next++, clock.Now()));
        clock.Advance(1000);
        const double c0 = CpuNow();
        qor::data::FeedSamples(*v.graph, *v.curves, v.ids, doc.Samples(), doc.Samples().size() - 1, false);
        Draw(v, img);
        return CpuNow() - c0;
    };
    // Then the whole week, its end fitted to the newest sample (the ticks' samples fall
    // beyond the plot), and with room for the ticks' samples, so that each lands in it.
    const char* const kModes[] = {"first section shown", "whole week shown", "whole week, samples in view"};
    for (int mode = 0; mode < 3; ++mode) {
        if (mode > 0)
            qor::data::FitPage(*v.graph, false);
        if (mode == 2) {
            const qor::graph::GraphRange r = v.graph->Range();
            v.graph->SetRange(r.xFrom, r.xTo + ticks, r.yFrom, r.yTo, false);
        }
        std::vector<double> cpu;
        for (int t = 0; t < ticks; ++t)
            cpu.push_back(tick());
        std::sort(cpu.begin(), cpu.end());
        std::printf("tick, %s: CPU median %.2f ms, 90th percentile %.2f ms (goal < 5)\n", kModes[mode],
                    cpu[cpu.size() / 2] * 1e3, cpu[cpu.size() * 9 / 10] * 1e3);
    }
    ::unlink(path.c_str());
    return 0;
}
