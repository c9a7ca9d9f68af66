// Programming a full step program (the settings and 255 slots) into qorsim's potentiostat
// through a pseudo-terminal with the wire time of 56000 baud emulated: the software
// overhead above the summed wire time (goal <= 10 %).
#include "station/pot_program.h"

#include "bus/bus_link.h"
#include "common/clock.h"
#include "io/serial_link.h"
#include "potentiostat/pot_step_setup_model.h"
#include "station/console_ui.h"
#include "support/process.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace qor;
using Clk = std::chrono::steady_clock;

namespace {
struct NullHost : bus::LinkListener {
    void OnLinkEvent(const bus::LinkEvent&) override {}
};
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    test::Process sim(
        {test::BinPath("qorsim"), "--pty", "--module", "3=66", "--wire-time", "--baud", "56000"});
    const std::string tty = sim.ReadLine();
    NullHost host;
    io::SerialLink serial;
    bus::BusLink link(SystemClock::Instance(), host);
    link.SetSerial(&serial);
    link.Settings().device = tty;
    link.Settings().baud = 56000;
    station::ConsoleUi ui(SystemClock::Instance(), stderr);
    ui.quiet = true;
    potentiostat::PotStepSetupModel model(1);
    for (int i = 0; i < potentiostat::kMaxSteps; ++i)
        model.Append();
    station::PotProgram program(link, ui, 1, 3);

    // Each exchange with its checksums: settings 8+24+2 out, 8+2+2 back; a slot 8+40+2 out.
    const double wireMs = ((34 + 12) + 255.0 * (50 + 12)) * 10 * 1e3 / 56000.0;
    std::vector<double> ms;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clk::now();
        if (!program.Program(model)) {
            std::fprintf(stderr, "programming failed\n");
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clk::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf(
        "program 255 slots at 56000 baud: median %.1f ms, best %.1f ms, wire %.1f ms: overhead %.1f %% "
        "(goal <= 10 %%)\n",
        median, ms.front(), wireMs, (median - wireMs) / wireMs * 100.0);
    return 0;
}
