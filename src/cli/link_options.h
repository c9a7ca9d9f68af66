#pragma once

#include "bus/bus_link.h"
#include "cli/command.h"
#include "common/clock.h"

#include <memory>
#include <string>

namespace qor::sim {
class SimBus;
class SimLink;
}  // namespace qor::sim
namespace qor::station {
struct ConsoleStation;
}  // namespace qor::station
namespace qor::io {
class SerialLink;
class TcpLink;
}  // namespace qor::io

namespace qor::cli {

// The transport chosen on the command line: --sim (the simulated bus in this process:
// pH, conductivity and oxygen amplifiers at 0..2, a potentiostat at 3),
// --tcp HOST:PORT (a gateway) or --serial DEVICE [--baud N]. Wire it into any BusLink
// with Attach().
class LinkOptions {
public:
    ~LinkOptions();
    // Takes the transport options out of `args`. Null with `error` set when they are
    // missing or malformed.
    static std::unique_ptr<LinkOptions> FromArgs(Args& args, std::string& error);
    static const char* Usage() { return "(--sim | --tcp HOST:PORT | --serial DEVICE [--baud N])"; }

    void Attach(bus::BusLink& link) const;
    const bus::LinkSettings& Settings() const { return m_settings; }
    std::string Describe() const;
    sim::SimBus* SimulatedBus() const { return m_simBus.get(); }

private:
    LinkOptions() = default;
    bus::LinkSettings m_settings;
    std::unique_ptr<sim::SimBus> m_simBus;
    std::unique_ptr<sim::SimLink> m_simLink;
    std::unique_ptr<io::TcpLink> m_tcp;
    std::unique_ptr<io::SerialLink> m_serial;
};

// The link's listener for programs without a window: notices go to stderr.
class ConsoleLinkHost : public bus::LinkListener {
public:
    void OnLinkEvent(const bus::LinkEvent& event) override;

    bool StopRequested() const { return m_stopRequested; }
    bool verbose = false;

private:
    bool m_stopRequested = false;
};

// Parses "A.B.C.D:PORT" (or "localhost:PORT").
bool ParseHostPort(const std::string& text, bus::LinkSettings& settings);

// Attaches the bus to the console station in language `lang` and searches it, every module
// found released to the station; false, with the message printed, when no potentiostat
// answered.
bool SearchPotentiostats(station::ConsoleStation& cs, const LinkOptions& transport, int lang);

}  // namespace qor::cli
