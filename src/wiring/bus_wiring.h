#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace qor {
class Clock;
}
namespace qor::bus {
class BusLink;
class ByteStream;
class Gateway;
}  // namespace qor::bus
namespace qor::sim {
class SimBus;
}

namespace qor::wiring {

// How a program reaches the bus, as its command line chose it.
struct LinkChoice {
    enum class Transport { Configured, Simulate, Tcp, Serial };
    Transport transport = Transport::Configured;
    std::array<std::uint8_t, 4> ip{127, 0, 0, 1};  // Tcp
    std::uint16_t tcpPort = 50000;                 // Tcp
    std::string device;                            // Serial
    int baud = 0;                                  // Serial; 0 keeps the configured rate
};

// The transports of one run: the serial port and the TCP gateway client, or, when
// simulating, the simulated bus in this process behind both (pH, conductivity and oxygen
// amplifiers at 0..2, a potentiostat at 3). Must outlive the links it is attached to.
class BusWiring {
public:
    // The simulated bus runs on `clock` (the system clock unless a test gives its own).
    explicit BusWiring(const LinkChoice& choice, const Clock& clock);
    explicit BusWiring(const LinkChoice& choice);
    ~BusWiring();
    BusWiring(const BusWiring&) = delete;
    BusWiring& operator=(const BusWiring&) = delete;

    // Gives `link` the transports and, unless the choice is Configured, the chosen settings.
    void Attach(bus::BusLink& link) const;
    sim::SimBus* SimulatedBus() const { return m_simBus.get(); }

private:
    LinkChoice m_choice;
    std::unique_ptr<Clock> m_busClock;
    std::unique_ptr<sim::SimBus> m_simBus;
    std::unique_ptr<bus::ByteStream> m_serial;
    std::unique_ptr<bus::Gateway> m_gateway;
};

// "simulated bus", "gateway A.B.C.D:PORT", "serial DEVICE" or "configured link".
std::string Describe(const LinkChoice& choice);

// Parses "A.B.C.D:PORT" or "localhost:PORT" (port 1..65535).
bool ParseHostPort(const std::string& text, std::array<std::uint8_t, 4>& ip, std::uint16_t& port);

}  // namespace qor::wiring
