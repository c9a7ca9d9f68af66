// Processor time of the alarm evaluation against that of the poll cycle it rides on: sixteen
// modules x three values and four virtual channels, 64 alarm definitions (each with a high and a
// low limit) plus the communication alarm of every address.
#include "alarm/alarm_monitor.h"
#include "common/clock.h"
#include "io/serial_link.h"
#include "station/console_ui.h"
#include "support/process.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace qor;

namespace {

double CpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct LastCycle : station::MeasurementListener {
    void OnMeasurement(const station::Measurement& m) override { last = m; }
    station::Measurement last;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 200;
    const int types[16] = {1, 2, 4, 5, 8, 9, 10, 11, 1, 2, 4, 5, 8, 9, 10, 11};
    std::vector<std::string> sim = {test::BinPath("qorsim"), "--pty"};
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

    // Four virtual channels over measured values.
    data::CGrafikSetupVirtuell v = cs.doc.Virtuell();
    for (int k = 0; k < 4; ++k) {
        v.m_enable[static_cast<std::size_t>(k)] = 1;
        v.m_sourceY[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(3 * k);
        v.m_sourceZ[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(3 * k + 2);
        v.m_formula[static_cast<std::size_t>(k)] = "y*2+z/3";
    }
    cs.doc.SetGrafikSetup(cs.doc.GrafikSetup(), &v);
    alarm::AlarmSettings settings;
    for (int i = 0; i < 64; ++i) {
        alarm::AlarmDefinition d;
        if (i < 60) {
            d.source = {false, i % 16, 1 + (i / 16) % 3, 1};
        } else {
            d.source.isVirtual = true;
            d.source.channel = i - 59;
        }
        d.high = 1e6 + i;
        d.low = -1e6 - i;
        d.deadband = 0.5;
        d.onDelay = 5;
        d.offDelay = 5;
        settings.alarms.push_back(d);
    }
    alarm::AlarmMonitor monitor(cs.doc, SystemClock::Instance(), [] { return 1; });
    monitor.Configure(settings);
    LastCycle last;
    cs.station.Measurements().Subscribe(&last);
    cs.station.StartMeasuring();
    cs.station.PollCycle();  // warm-up

    const double c0 = CpuSeconds();
    for (int i = 0; i < cycles; ++i)
        cs.station.PollCycle();
    const double pollCpu = (CpuSeconds() - c0) / cycles;

    const int evaluations = 20000;
    const double e0 = CpuSeconds();
    for (int i = 0; i < evaluations; ++i)
        monitor.OnMeasurement(last.last);
    const double alarmCpu = (CpuSeconds() - e0) / evaluations;
    int measured = 0;
    for (const auto& r : last.last.modules)
        measured += r.Measured();
    std::printf("modules measured %d, alarm points %zu\n", measured, monitor.Evaluator().Points().size());
    std::printf("poll cycle: %.1f us of processor time; alarm evaluation: %.2f us = %.3f %% of it\n",
                pollCpu * 1e6, alarmCpu * 1e6, 100.0 * alarmCpu / pollCpu);
    return 0;
}
