// The station's poll cycle over sixteen released modules against qorsim --pty with the
// wire time of 56000 baud emulated: how far the cycle (decoding, the measurement handed to
// its subscribers, the sample stored) lies above the same sixteen exchanges as bare polls,
// and above their summed wire time (10 request bytes and 22 answer bytes each).
#include "common/clock.h"
#include "io/serial_link.h"
#include "station/console_ui.h"
#include "support/process.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace qor;
using Clk = std::chrono::steady_clock;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 100;
    const int types[16] = {1, 2, 4, 5, 8, 9, 10, 11, 1, 2, 4, 5, 8, 9, 10, 11};
    std::vector<std::string> sim = {test::BinPath("qorsim"), "--pty", "--wire-time", "--baud", "56000"};
    for (int a = 0; a < 16; ++a) {
        sim.push_back("--module");
        sim.push_back(std::to_string(a) + "=" + std::to_string(types[a]));
    }
    test::Process qorsim(sim);
    const std::string tty = qorsim.ReadLine();
    if (tty.empty()) {
        std::fprintf(stderr, "qorsim did not start\n");
        return 1;
    }

    station::StationConfig cfg;
    cfg.link.device = tty;
    station::ConsoleStation cs(SystemClock::Instance(), cfg);
    io::SerialLink serial;
    cs.station.Link().SetSerial(&serial);
    cs.ui.releaseAll = true;
    cs.station.SearchModules();
    int released = 0;
    for (const auto& s : cs.station.Modules())
        released += s.m_enabled;
    if (released != 16) {
        std::fprintf(stderr, "only %d modules released\n", released);
        return 1;
    }
    cs.station.StartMeasuring();
    cs.station.PollCycle();  // warm-up; stores the first sample

    // A cycle and the same sixteen exchanges as bare polls, taken in turn, so that both see
    // the same load of a shared machine; the overhead is the median of their differences.
    std::vector<double> ms, bare, diff, cpuDiff;
    auto cpuMs = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
    };
    auto bareCycle = [&] {
        for (std::uint8_t a = 0; a < 16; ++a) {
            cs.station.Link().PrepareMeasureRequest(a);
            cs.station.Link().PollModule();
        }
    };
    for (int i = 0; i < cycles; ++i) {
        auto t0 = Clk::now();
        double c0 = cpuMs();
        cs.station.PollCycle();
        const double cycleCpu = cpuMs() - c0;
        ms.push_back(std::chrono::duration<double, std::milli>(Clk::now() - t0).count());
        t0 = Clk::now();
        c0 = cpuMs();
        bareCycle();
        cpuDiff.push_back(cycleCpu - (cpuMs() - c0));
        bare.push_back(std::chrono::duration<double, std::milli>(Clk::now() - t0).count());
        diff.push_back(ms.back() - bare.back());
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double wire = 16 * (10 + 22) * 10 * 1000.0 / 56000.0;
    const double cycle = median(ms), bareMedian = median(bare), over = median(diff);
    std::printf("poll cycle of 16 modules, pty at 56000 baud: median %.2f ms (summed wire time %.2f ms), "
                "failed polls counted %u\n",
                cycle, wire, unsigned{cs.station.Link().PollErrors()});
    std::printf(
        "the same sixteen bare polls: median %.2f ms; the cycle's overhead over them: median %.3f ms, "
        "%.2f %% (goal < 1 %%)\n",
        bareMedian, over, over / bareMedian * 100.0);
    // Processor time does not depend on what else the machine runs: the cycle's own work.
    const double cpuOver = median(cpuDiff);
    std::printf("processor time of the cycle above the bare polls: median %.3f ms, %.3f %% of the cycle\n",
                cpuOver, cpuOver / bareMedian * 100.0);
    cs.station.StopAll();
    return 0;
}
