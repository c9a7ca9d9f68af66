// A full data logger file: opened in the dialog (read, curves, fit) and drawn, and exported.
// Arguments: value columns per line (3 as a potentiostat logs them, 52 as many as the graph holds).
#include "common/clock.h"
#include "data/logger_file.h"
#include "ui/document/graph_dl.h"
#include "ui/graph/graph_wnd.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr std::size_t kFullLogger = 0xFFFFF;

// Lines one minute apart until the logger's buffer is full.
std::string FullLogger(int columns)
{
    std::string bytes;
    for (int i = 0; bytes.size() < kFullLogger; ++i) {
        const int m = 8 * 60 + i;
        char line[64];
        std::snprintf(line, sizeof line, "%02d%02d26%02d%02d", 1 + (m / 1440) % 28, 1 + (m / 1440 / 28) % 12,
                      (m / 60) % 24, m % 60);
        std::string text = line;
        for (int k = 0; k < columns; ++k) {
            std::snprintf(line, sizeof line, "K%-3d%6.3f", k, 5.0 + 4.0 * std::sin(i / (17.0 + k)));
            text += line;
        }
        text += "\n\r";
        bytes += text;
    }
    bytes.resize(kFullLogger);
    return bytes;
}

std::string WriteFile(int columns)
{
    const std::string path = "/tmp/bench_logger_" + std::to_string(columns) + ".tx3";
    std::ofstream(path, std::ios::binary) << FullLogger(columns);
    return path;
}

void BM_OpenAndDraw(benchmark::State& state)
{
    const std::string path = WriteFile(static_cast<int>(state.range(0)));
    qor::ui::CGraphDL dlg(qor::SystemClock::Instance());
    for (auto _ : state) {
        dlg.Open(path, 0);
        benchmark::DoNotOptimize(dlg.Graph()->RenderImage(QSize(1200, 800)));
        state.PauseTiming();
        dlg.done(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndDraw)->Arg(3)->Arg(52)->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State& state)
{
    const std::string path = WriteFile(static_cast<int>(state.range(0)));
    const std::string out = "/tmp/bench_logger_export.txt";
    for (auto _ : state) {
        std::string bytes;
        qor::data::LoggerFile::ReadBytes(path, bytes);
        benchmark::DoNotOptimize(qor::data::WriteLoggerExport(out, bytes));
    }
}
BENCHMARK(BM_Export)->Arg(3)->Arg(52)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
