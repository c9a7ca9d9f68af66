#include "wiring/bus_wiring.h"

#include "bus/bus_link.h"
#include "common/clock.h"
#include "common/text.h"
#include "io/serial_link.h"
#include "io/tcp_link.h"
#include "sim/sim_bus.h"
#include "sim/sim_byte_stream.h"
#include "sim/sim_link.h"

#include <algorithm>
#include <charconv>

namespace qor::wiring {

namespace {

constexpr std::uint8_t kSimPotentiostatType = 66;  // 5 µA range
constexpr std::uint32_t kSimSeed = 7;

// The clock of the simulated bus: real time, except that waiting for a silent module
// passes at once, so a search of sixteen addresses does not stall the program.
class SimulatedBusClock final : public Clock {
public:
    explicit SimulatedBusClock(const Clock& base) : m_base(base) {}
    std::int64_t Now() const override { return m_base.Now() + m_skippedMs / 1000; }
    std::int64_t TickMs() const override { return m_base.TickMs() + m_skippedMs; }
    void SleepMs(std::int64_t ms) override { m_skippedMs += std::max<std::int64_t>(ms, 0); }

private:
    const Clock& m_base;
    std::int64_t m_skippedMs = 0;
};

bool ParseNumber(const std::string& s, long min, long max, long& out)
{
    if (s.empty())
        return false;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, out);
    return ec == std::errc() && p == end && out >= min && out <= max;
}

bool ParseIp(std::string host, std::array<std::uint8_t, 4>& ip)
{
    if (host == "localhost")
        host = "127.0.0.1";
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = host.find('.', start);
        const bool last = i == 3;
        if (last != (dot == std::string::npos))
            return false;
        long v = 0;
        if (!ParseNumber(host.substr(start, last ? std::string::npos : dot - start), 0, 255, v))
            return false;
        ip[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
        start = dot + 1;
    }
    return true;
}

}  // namespace

bool ParseHostPort(const std::string& text, std::array<std::uint8_t, 4>& ip, std::uint16_t& port)
{
    const std::size_t colon = text.rfind(':');
    std::array<std::uint8_t, 4> a{};
    long p = 0;
    if (colon == std::string::npos || !ParseIp(text.substr(0, colon), a) ||
        !ParseNumber(text.substr(colon + 1), 1, 65535, p))
        return false;
    ip = a;
    port = static_cast<std::uint16_t>(p);
    return true;
}

BusWiring::BusWiring(const LinkChoice& choice, const Clock& clock) : m_choice(choice)
{
    if (m_choice.transport == LinkChoice::Transport::Simulate) {
        m_busClock = std::make_unique<SimulatedBusClock>(clock);
        m_simBus = std::make_unique<sim::SimBus>(*m_busClock, kSimSeed);
        m_simBus->AddDefaultModules();
        m_simBus->AddModule(3, kSimPotentiostatType);
        m_serial = std::make_unique<sim::SimByteStream>(*m_simBus);
        m_gateway = std::make_unique<sim::SimLink>(*m_simBus);
    } else {
        m_serial = std::make_unique<io::SerialLink>();
        m_gateway = std::make_unique<io::TcpLink>();
    }
}

BusWiring::BusWiring(const LinkChoice& choice) : BusWiring(choice, SystemClock::Instance()) {}

BusWiring::~BusWiring() = default;

void BusWiring::Attach(bus::BusLink& link) const
{
    link.SetSerial(m_serial.get());
    link.SetGateway(m_gateway.get());
    bus::LinkSettings& s = link.Settings();
    switch (m_choice.transport) {
    case LinkChoice::Transport::Configured:
        break;
    case LinkChoice::Transport::Simulate:
        // The simulated bus is reached as a gateway on this machine.
        s.ethernet = 1;
        s.ip = {127, 0, 0, 1};
        s.tcpPort = 50000;
        s.simulated = true;
        break;
    case LinkChoice::Transport::Tcp:
        s.ethernet = 1;
        s.ip = m_choice.ip;
        s.tcpPort = m_choice.tcpPort;
        break;
    case LinkChoice::Transport::Serial:
        s.ethernet = 0;
        s.device = m_choice.device;
        if (m_choice.baud > 0)
            s.baud = m_choice.baud;
        break;
    }
}

std::string Describe(const LinkChoice& choice)
{
    switch (choice.transport) {
    case LinkChoice::Transport::Simulate:
        return "simulated bus";
    case LinkChoice::Transport::Tcp:
        return Format("gateway %d.%d.%d.%d:%u", choice.ip[0], choice.ip[1], choice.ip[2], choice.ip[3],
                      unsigned{choice.tcpPort});
    case LinkChoice::Transport::Serial:
        return "serial " + choice.device;
    case LinkChoice::Transport::Configured:
        break;
    }
    return "configured link";
}

}  // namespace qor::wiring
