// The real transports against the simulator program: a pseudo-terminal and a TCP socket.
#include "bus/bus_link.h"
#include "bus/link_events.h"
#include "common/clock.h"
#include "io/serial_link.h"
#include "io/tcp_link.h"
#include "support/free_port.h"
#include "support/gateway_proxy.h"
#include "support/process.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

using namespace qor;

namespace {

struct QuietHost : bus::LinkListener {
    std::vector<bus::LinkEventKind> events;
    void OnLinkEvent(const bus::LinkEvent& e) override { events.push_back(e.kind); }
};

std::unique_ptr<test::Process> StartPtySim(const std::string& link)
{
    auto p = std::make_unique<test::Process>(
        std::vector<std::string>{test::BinPath("qorsim"), "--pty", "--link", link, "--module", "0=1", "--raw",
                                 "0=7000,-1234,251", "--module", "3=4"});
    std::string path = p->ReadLine();
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    return p;
}

std::unique_ptr<test::Process> StartTcpSim(int port)
{
    auto p = std::make_unique<test::Process>(
        std::vector<std::string>{test::BinPath("qorsim"), "--tcp", "127.0.0.1:" + std::to_string(port),
                                 "--module", "0=1", "--raw", "0=7000,-1234,251"});
    EXPECT_EQ(p->ReadLine(), "tcp 127.0.0.1:" + std::to_string(port));
    return p;
}

void ExpectPhMeasurement(bus::BusLink& link)
{
    link.PrepareMeasureRequest(0);
    const std::optional<bus::MeasurementAnswer> m = link.PollModule();
    ASSERT_TRUE(m);
    EXPECT_EQ(std::tuple(m->status, m->raw), std::tuple(1, std::array<std::int16_t, 3>{7000, -1234, 251}));
}

// Polls until a valid answer, for at most `tries` polls.
int PollsUntilValid(bus::BusLink& link, int tries)
{
    for (int i = 1; i <= tries; ++i) {
        link.PrepareMeasureRequest(0);
        if (link.PollModule())
            return i;
    }
    return -1;
}

// A bus link on a pseudo-terminal of qorsim, reached through a symbolic link of its own.
TEST(SerialTransport, PollsThroughAPseudoTerminalAndRecoversAfterARestart)
{
    const test::TempDir dir;
    const std::string linkPath = dir / "tty";
    auto sim = StartPtySim(linkPath);
    QuietHost host;
    io::SerialLink serial;
    bus::BusLink link{SystemClock::Instance(), host};
    link.SetSerial(&serial);
    link.Settings().device = linkPath;
    ASSERT_EQ(link.OpenPort(), 1) << serial.LastError();
    ExpectPhMeasurement(link);
    // Identification of the second module comes back with its checksum verified.
    std::uint8_t req[bus::kBufferSize];
    const std::uint8_t payload[] = {0x00, 0x80};
    int n = bus::BuildRequest(req, bus::CMD_IDENTIFY, 3, payload);
    EXPECT_EQ(link.SendCommand(req, n, link.Answer(), 2), 88);
    EXPECT_EQ(link.Answer()[8 + 10], 4);
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), bus::LinkEventKind::ChecksumError), 0);

    sim->Stop();
    sim = StartPtySim(linkPath);
    // The old terminal is gone; the link notices and opens the new one.
    EXPECT_GT(PollsUntilValid(link, 3), 0);
    ExpectPhMeasurement(link);
}

// Guards a port that will not open without saying which and why.
TEST(SerialLink, OpenFailureNamesDeviceAndProblem)
{
    const test::TempDir dir;
    const std::string busy = dir / "held-tty";
    auto sim = StartPtySim(busy);
    io::SerialLink holder;
    bus::SerialSettings s;
    s.device = busy;
    ASSERT_TRUE(holder.Open(s));
    for (const auto& [device, problem] : {std::pair{dir / "no-such-tty", bus::PortProblem::NoDevice},
                                          std::pair{busy, bus::PortProblem::Busy}}) {
        io::SerialLink serial;
        s.device = device;
        EXPECT_FALSE(serial.Open(s));
        EXPECT_EQ(serial.LastFailure().problem, problem) << device;
        EXPECT_EQ(serial.LastFailure().device, device);
    }
}

class TcpTransport : public ::testing::Test {
protected:
    void SetUp() override
    {
        port = test::PickFreePort();
        ASSERT_GT(port, 0);
        sim = StartTcpSim(port);
        link.SetGateway(&tcp);
        link.Settings().ethernet = 1;
        link.Settings().ip = {127, 0, 0, 1};
        link.Settings().tcpPort = static_cast<std::uint16_t>(port);
    }
    int port = 0;
    std::unique_ptr<test::Process> sim;
    QuietHost host;
    io::TcpLink tcp;
    bus::BusLink link{SystemClock::Instance(), host};
};

TEST_F(TcpTransport, PollsThroughTheGatewayAndRecoversAfterARestart)
{
    ASSERT_EQ(link.OpenPort(), 1) << tcp.LastError();
    ExpectPhMeasurement(link);
    link.KeepAlive();
    EXPECT_TRUE(link.Connected());

    sim->Stop();
    // The keep-alive finds the link dead and closes it.
    link.KeepAlive();
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(host.events.back(), bus::LinkEventKind::GatewayFailed);
    sim = StartTcpSim(port);
    // The next poll connects again.
    EXPECT_EQ(PollsUntilValid(link, 1), 1);
    EXPECT_TRUE(link.Connected());
}

// Guards a link that believes in the connection its client dropped after a time-out.
TEST_F(TcpTransport, ReconnectsOnTheExchangeAfterATimeOut)
{
    const int proxyPort = test::PickFreePort();
    test::GatewayProxy proxy(proxyPort, port);
    link.Settings().tcpPort = static_cast<std::uint16_t>(proxyPort);
    ASSERT_EQ(link.OpenPort(), 1);
    proxy.SetMode(test::GatewayProxy::Mode::Freeze);
    std::uint8_t req[8];
    bus::BuildRequest(req, bus::CMD_READ_MEASUREMENT, 0);
    EXPECT_EQ(link.Transceive(req, 8, link.Answer(), 1), -1);
    proxy.SetMode(test::GatewayProxy::Mode::Pass);
    EXPECT_EQ(link.Transceive(req, 8, link.Answer(), 1), 20);
}

}  // namespace
