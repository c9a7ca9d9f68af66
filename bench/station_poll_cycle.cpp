// The station's poll cycle over sixteen released modules against qorsim --pty with the
// wire time of 56000 baud emulated: how far the cycle lies above the summed wire time of
// its sixteen exchanges (10 request bytes and 22 answer bytes each).
#include "common/clock.h"
#include "io/serial_link.h"
#include "station/console_ui.h"
#include "support/process.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

    std::vector<double> ms;
    for (int i = 0; i < cycles; ++i) {
        const auto t0 = Clk::now();
        cs.station.PollCycle();
        ms.push_back(std::chrono::duration<double, std::milli>(Clk::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    const double wire = 16 * (10 + 22) * 10 * 1000.0 / 56000.0;
    const double median = ms[ms.size() / 2];
    std::printf("poll cycle of 16 modules, pty at 56000 baud: median %.2f ms  p90 %.2f ms  mean %.2f ms\n",
                median, ms[ms.size() * 9 / 10], sum / static_cast<double>(ms.size()));
    std::printf("summed wire time %.2f ms: overhead %.1f %% (goal <= 10 %%), failed polls counted %u\n", wire,
                (median - wire) / wire * 100.0, unsigned{cs.station.Link().PollErrors()});
    // The same sixteen exchanges as bare polls, for comparison.
    std::vector<double> bare;
    for (int i = 0; i < cycles; ++i) {
        const auto t0 = Clk::now();
        for (std::uint8_t a = 0; a < 16; ++a) {
            cs.station.Link().PrepareMeasureRequest(a);
            cs.station.Link().PollModule();
        }
        bare.push_back(std::chrono::duration<double, std::milli>(Clk::now() - t0).count());
    }
    std::sort(bare.begin(), bare.end());
    std::printf("the same sixteen bare polls: median %.2f ms\n", bare[bare.size() / 2]);
    cs.station.StopAll();
    return 0;
}
