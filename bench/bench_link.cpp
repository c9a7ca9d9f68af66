// Link timing against qorsim: the CPU a silent module costs while its time-out runs, the
// round trip of one poll through a pseudo-terminal and through TCP on loopback, and the
// software overhead above the emulated wire time at 56000 baud.
#include "bus/bus_link.h"
#include "common/clock.h"
#include "io/serial_link.h"
#include "io/tcp_link.h"
#include "support/free_port.h"
#include "support/process.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace qor;
using Clk = std::chrono::steady_clock;

namespace {

struct NullHost : bus::LinkListener {
    void OnLinkEvent(const bus::LinkEvent& e) override
    {
        if (e.kind == bus::LinkEventKind::ChecksumError)
            std::fprintf(stderr, "message: checksum error\n");
    }
};

double CpuMs()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

struct Stats {
    double median, p90, mean;
};

Stats Measure(bus::BusLink& link, std::uint8_t address, int rounds)
{
    std::vector<double> us;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        link.PrepareMeasureRequest(address);
        auto t0 = Clk::now();
        if (!link.PollModule())
            ++failures;
        us.push_back(std::chrono::duration<double, std::micro>(Clk::now() - t0).count());
    }
    if (failures)
        std::fprintf(stderr, "  (%d failed polls)\n", failures);
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double v : us)
        sum += v;
    return {us[us.size() / 2], us[us.size() * 9 / 10], sum / static_cast<double>(us.size())};
}

std::unique_ptr<test::Process> Pty(bool wire, std::string& tty)
{
    std::vector<std::string> argv = {test::BinPath("qorsim"), "--pty", "--module", "0=1"};
    if (wire)
        argv.push_back("--wire-time");
    auto p = std::make_unique<test::Process>(argv);
    tty = p->ReadLine();
    return p;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
    NullHost host;

    {
        std::string tty;
        auto sim = Pty(false, tty);
        io::SerialLink serial;
        bus::BusLink link(SystemClock::Instance(), host);
        link.SetSerial(&serial);
        link.Settings().device = tty;
        link.OpenPort();
        link.PrepareMeasureRequest(9);  // nobody at 9
        double c0 = CpuMs();
        auto t0 = Clk::now();
        link.PollModule();
        double wall = std::chrono::duration<double, std::milli>(Clk::now() - t0).count();
        std::printf("silent module: time-out %.0f ms wall, %.2f ms CPU (goal < 5 ms)\n", wall, CpuMs() - c0);

        Stats s = Measure(link, 0, rounds);
        std::printf("poll round trip, pty:            median %7.1f us  p90 %7.1f us  mean %7.1f us\n",
                    s.median, s.p90, s.mean);
    }
    {
        const int port = test::PickFreePort();
        test::Process sim(
            {test::BinPath("qorsim"), "--tcp", "127.0.0.1:" + std::to_string(port), "--module", "0=1"});
        sim.ReadLine();
        io::TcpLink tcp;
        bus::BusLink link(SystemClock::Instance(), host);
        link.SetGateway(&tcp);
        link.Settings().ethernet = 1;
        link.Settings().ip = {127, 0, 0, 1};
        link.Settings().tcpPort = static_cast<std::uint16_t>(port);
        link.OpenPort();
        Stats s = Measure(link, 0, rounds);
        std::printf("poll round trip, TCP loopback:   median %7.1f us  p90 %7.1f us  mean %7.1f us\n",
                    s.median, s.p90, s.mean);
    }
    {
        std::string tty;
        auto sim = Pty(true, tty);
        io::SerialLink serial;
        bus::BusLink link(SystemClock::Instance(), host);
        link.SetSerial(&serial);
        link.Settings().device = tty;
        link.OpenPort();
        const double wireUs = (10 + 22) * 10 * 1e6 / 56000.0;
        Stats s = Measure(link, 0, rounds / 4);
        std::printf("poll with wire time at 56000 baud: median %7.1f us (wire %.1f us): overhead %.1f %% "
                    "(goal <= 10 %%)\n",
                    s.median, wireUs, (s.median - wireUs) / wireUs * 100.0);
    }
    return 0;
}
