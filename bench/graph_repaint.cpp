// Repaint and append costs of the graph engine, side by side with QCustomPlot 2.1 on the
// same 54 curves of a week at 1 s (604,800 points each), both painting into a QImage of
// the same size with antialiasing off (QCustomPlot with its adaptive sampling on).
#include "qcustomplot.h"
#include "ui/graph/graph_wnd.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kCurves = 54;
constexpr int kPoints = 604800;
constexpr int kWidth = 1200, kHeight = 800;

long ResidentKb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_graph";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// A noisy random walk per curve, with rare spikes, like a week of sensor readings.
double Sample(std::mt19937& rng, double& level, int curve)
{
    std::normal_distribution<double> step(0.0, 0.02), noise(0.0, 0.05);
    std::uniform_int_distribution<int> rare(0, 50000);
    level += step(rng);
    double y = curve * 2.0 + level + noise(rng);
    if (rare(rng) == 0)
        y += 5.0;
    return y;
}

struct World {
    std::unique_ptr<qor::ui::CGraphWnd> ours;
    std::unique_ptr<QCustomPlot> qcp;
    long oursKb = 0;
    std::size_t oursBytes = 0;
    double appendSeconds = 0;
};

World& TheWorld()
{
    static World w = [] {
        App();
        World world;
        const long before = ResidentKb();
        auto start = std::chrono::steady_clock::now();
        world.ours = std::make_unique<qor::ui::CGraphWnd>(nullptr, kCurves);
        for (int c = 0; c < kCurves; ++c)
            world.ours->AddGraph(qor::graph::MakeRgb((c * 67) % 200, (c * 131) % 200, (c * 29) % 200),
                                 "curve " + std::to_string(c));
        std::mt19937 rng(42);
        std::vector<double> level(kCurves, 0.0);
        // Appended the way a recording does it: one sample for every curve at a time.
        for (int i = 0; i < kPoints; ++i)
            for (int c = 0; c < kCurves; ++c)
                world.ours->AddPoint(c, 1700000000 + i, i, Sample(rng, level[static_cast<std::size_t>(c)], c),
                                     false);
        world.appendSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        world.oursKb = ResidentKb() - before;
        int pos;
        for (auto* g = world.ours->GetFirstGraph(pos); g; g = world.ours->GetNextGraph(pos))
            world.oursBytes += g->m_points.MemoryBytes();
        world.ours->resize(kWidth, kHeight);
        world.ours->SetStyle(qor::graph::kStyleGrid, false);
        world.ours->Fit(false);

        world.qcp = std::make_unique<QCustomPlot>();
        world.qcp->resize(kWidth, kHeight);
        world.qcp->setNotAntialiasedElements(QCP::aeAll);
        for (int c = 0; c < kCurves; ++c) {
            QCPGraph* g = world.qcp->addGraph();
            g->setAdaptiveSampling(true);
            g->setPen(QPen(QColor((c * 67) % 200, (c * 131) % 200, (c * 29) % 200)));
            QVector<QCPGraphData> data(kPoints);
            const auto& pts = world.ours->GetGraph(c)->m_points;
            for (int i = 0; i < kPoints; ++i)
                data[i] =
                    QCPGraphData(pts[static_cast<std::size_t>(i)].x, pts[static_cast<std::size_t>(i)].y);
            g->data()->set(data, true);
        }
        world.qcp->xAxis->grid()->setVisible(true);
        world.qcp->rescaleAxes();
        return world;
    }();
    return w;
}

void SetX(World& w, double from, double to)
{
    const qor::graph::GraphRange r = w.ours->Range();
    w.ours->SetRange(from, to, r.yFrom, r.yTo, false);
    w.qcp->xAxis->setRange(from, to);
}

void PaintOurs(World& w, QImage& img, bool keepPicture)
{
    if (keepPicture) {
        // The window repainting itself with nothing changed: it draws the picture it keeps.
        w.ours->render(&img);
        return;
    }
    w.ours->Redraw();  // a real repaint, not a kept picture
    QPainter p(&img);
    w.ours->Render(p, img.rect());
}

void PaintQcp(World& w, QImage& img, bool)
{
    QCPPainter p(&img);
    w.qcp->toPainter(&p, kWidth, kHeight);
}

// Frames: 0 = the whole week; 1 = zoomed to a tenth; 2 = that tenth panned by an eighth per
// frame; 3 = the window showing the whole week repainted with nothing changed (it may reuse
// its picture). Pictures are painted straight into the image, as QCustomPlot's are.
template <void (*Paint)(World&, QImage&, bool)> void Repaint(benchmark::State& state)
{
    World& w = TheWorld();
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    const double tenth = kPoints / 10.0;
    double from = kPoints / 2.0 - tenth / 2.0;
    switch (state.range(0)) {
    case 0:
    case 3:
        SetX(w, 0, kPoints - 1);
        break;
    default:
        SetX(w, from, from + tenth);
        break;
    }
    for (auto _ : state) {
        if (state.range(0) == 2) {
            from += tenth / 8.0;
            if (from + tenth > kPoints)
                from = 0;
            SetX(w, from, from + tenth);
        }
        Paint(w, img, state.range(0) == 3);
        benchmark::DoNotOptimize(img.constBits());
    }
    static const char* const kLabels[] = {"full week", "zoomed to a tenth", "panned", "unchanged window"};
    state.SetLabel(kLabels[state.range(0)]);
}

void Ours(benchmark::State& s)
{
    Repaint<PaintOurs>(s);
}
void QCustomPlot21(benchmark::State& s)
{
    Repaint<PaintQcp>(s);
}

// One live sample appended to each of the 54 curves of a full graph (with redraw requests).
void AppendLiveSample(benchmark::State& state)
{
    World& w = TheWorld();
    static std::int64_t i = kPoints;  // repetitions carry on where the last one stopped
    for (auto _ : state) {
        for (int c = 0; c < kCurves; ++c)
            w.ours->AddPoint(c, 1700000000 + i, static_cast<double>(i), c * 2.0, true);
        ++i;
    }
    state.counters["weekAppendSeconds"] = w.appendSeconds;
    state.counters["curvesMiB"] = static_cast<double>(w.oursBytes) / (1024.0 * 1024.0);
    state.counters["residentMiB"] = static_cast<double>(w.oursKb) / 1024.0;
}

BENCHMARK(AppendLiveSample)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(Ours)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(QCustomPlot21)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
