// The potentiostat run window (CXYGraph, offscreen, 1200 x 800) on a run of a million
// samples (10 ms apart, a potential ramp with a sine on the current):
//  - the window opened on the run, and the rebuild from the whole run, until the three graphs
//    are drawn;
//  - CPU time of adding one sample to the three graphs with the repaint it brings, for
//    samples inside the shown sections and for samples that grow them (new extremes: every
//    point is drawn again at the new scale).
//
// usage: bench_run_window [--data sine|sweep] [--samples N] [--adds A] [--grows G] [--repeat R]
#include "bench_document_ui.h"
#include "bench_time.h"
#include "common/clock.h"
#include "ui/potentiostat/xy_graph.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

// "sine": a sine on the current against a potential ramp, 50 ramps that fill most of the
// current-potential graph (a stress case). "sweep": cyclic polarisation sweeps of +-500 mV,
// the current following the potential (Butler-Volmer with noise), as a long run looks.
bool g_sweep = false;

qor::data::CPotQORDatenObject Sample(long k)
{
    qor::data::CPotQORDatenObject s;
    s.m_counter = static_cast<std::uint32_t>(k * 10);
    s.m_range = 0x03;
    if (g_sweep) {
        const double phase = static_cast<double>(k % 20000) / 20000.0;
        const double e = phase < 0.5 ? -500.0 + 2000.0 * phase : 1500.0 - 2000.0 * phase;  // mV
        const double i = 5.0 * (std::exp(e / 120.0 * 2.302585) - std::exp(-e / 80.0 * 2.302585)) / 1000.0;
        const double noise = static_cast<double>((k * 7919) % 7) - 3.0;
        s.m_raw = {static_cast<std::int16_t>(std::clamp(i * 100.0 + noise, -32000.0, 32000.0)),
                   static_cast<std::int16_t>(e * 10.0), 0};
        return s;
    }
    const double ramp = static_cast<double>(k % 20000) / 20000.0;
    s.m_raw = {static_cast<std::int16_t>(3000.0 * std::sin(static_cast<double>(k) * 0.001)),
               static_cast<std::int16_t>((-5000.0 + 10000.0 * ramp)), 0};
    return s;
}

void Settle(QApplication& app)
{
    app.processEvents();
    app.processEvents();
}

}  // namespace

int main(int argc, char** argv)
{
    long samples = 1000000;
    int adds = 2000, grows = 100, repeat = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--samples" && i + 1 < argc)
            samples = std::atol(argv[++i]);
        else if (a == "--adds" && i + 1 < argc)
            adds = std::atoi(argv[++i]);
        else if (a == "--data" && i + 1 < argc)
            g_sweep = std::string(argv[++i]) == "sweep";
        else if (a == "--grows" && i + 1 < argc)
            grows = std::atoi(argv[++i]);
        else if (a == "--repeat" && i + 1 < argc)
            repeat = std::atoi(argv[++i]);
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argcQt = 1;
    char name[] = "bench_run_window";
    char* argvQt[] = {name, nullptr};
    QApplication app(argcQt, argvQt);
    qor::SimClock clock(1262304000);
    NoUi ui;

    std::vector<qor::data::CPotQORDatenObject> run;
    run.reserve(static_cast<std::size_t>(samples) + static_cast<std::size_t>(adds) * 2 + 2);
    int top[2] = {0, 0};  // the largest current and potential words of the run
    for (long k = 0; k < samples; ++k) {
        run.push_back(Sample(k));
        for (int j = 0; j < 2; ++j)
            top[j] = std::max<int>(top[j], run.back().m_raw[static_cast<std::size_t>(j)]);
    }
    const double built0 = Now();
    qor::ui::CXYGraph w(run, clock, ui, 0);
    w.resize(1200, 800);
    w.show();
    Settle(app);
    // The window opened on a run already there: memory for every point is new to the process.
    std::printf("window opened on %ld samples until drawn: %.3f s\n", samples, Now() - built0);

    double rebuild = 1e9, drawn = 1e9;
    for (int r = 0; r < repeat; ++r) {
        const double t0 = Now();
        w.Rebuild();
        const double t1 = Now();
        w.repaint();
        Settle(app);
        rebuild = std::min(rebuild, t1 - t0);
        drawn = std::min(drawn, Now() - t0);
    }
    std::printf("rebuild of %ld samples: %.3f s, drawn %.3f s (goal < 0.5 s)\n", samples, rebuild, drawn);

    // Inside the sections the samples follow the run; growing ones leave every section.
    const char* const kKinds[] = {"inside the sections", "growing the sections"};
    long next = samples;
    for (int kind = 0; kind < 2; ++kind) {
        std::vector<double> cpu;
        const int count = kind == 0 ? adds : grows;
        for (int i = 0; i < count; ++i) {
            run.push_back(Sample(next % samples));
            run.back().m_counter = static_cast<std::uint32_t>(next++ * 10);
            if (kind == 1)
                run.back().m_raw = {static_cast<std::int16_t>(top[0] + 1 + i),
                                    static_cast<std::int16_t>(top[1] + 1 + i), 0};
            const double c0 = CpuNow();
            w.AddSample();
            Settle(app);
            cpu.push_back(CpuNow() - c0);
        }
        std::sort(cpu.begin(), cpu.end());
        std::printf(
            "add one sample, %s: CPU median %.3f ms, 90th percentile %.3f ms, max %.3f ms (goal < 1)\n",
            kKinds[kind], cpu[cpu.size() / 2] * 1e3, cpu[cpu.size() * 9 / 10] * 1e3, cpu.back() * 1e3);
    }
    return 0;
}
