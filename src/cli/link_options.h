#pragma once

#include "bus/link_events.h"
#include "cli/command.h"
#include "wiring/bus_wiring.h"

#include <memory>
#include <string>

namespace qor::bus {
class BusLink;
}
namespace qor::station {
struct ConsoleStation;
}

namespace qor::cli {

// The transport chosen on the command line: --sim (the simulated bus in this process),
// --tcp HOST:PORT (a gateway) or --serial DEVICE [--baud N]. Wire it into any BusLink
// with Attach().
class LinkOptions {
public:
    // The transport options, shown as one group in the usage line.
    static void Declare(std::vector<Option>& options);
    static const char* Usage() { return "(--sim | --tcp HOST:PORT | --serial DEVICE [--baud N])"; }
    // The transport chosen. Null with `error` set when none is, or more than one, or a
    // malformed one.
    static std::unique_ptr<LinkOptions> From(const Parsed& p, std::string& error);
    static constexpr int kMinBaud = 50;
    static constexpr int kMaxBaud = 4000000;

    // The transports are made on the first call, once the program's Qt application exists.
    void Attach(bus::BusLink& link);
    // "Gateway 127.0.0.1:50000", "serial port /dev/ttyUSB0", "simulated bus" in language `lang`.
    std::string Describe(int lang) const;

private:
    explicit LinkOptions(const wiring::LinkChoice& choice) : m_choice(choice) {}
    wiring::LinkChoice m_choice;
    std::unique_ptr<wiring::BusWiring> m_wiring;
};

// The link's listener for programs without a window: notices go to stderr.
class ConsoleLinkHost : public bus::LinkListener {
public:
    void OnLinkEvent(const bus::LinkEvent& event) override;
    int language = 0;
};

// Where the potentiostat commands look: the module at `address` alone (no search), or a
// search of the addresses 0..idCount.
struct PotTarget {
    long address = -1;
    long idCount = 15;
};
// --address N or --idcount N.
void DeclarePotTarget(std::vector<Option>& options);
PotTarget PotTargetOf(const Parsed& p);
// The highest address a search takes, and one module's address.
inline Option IdCountOption()
{
    return Option::Number("--idcount", "N", 0, 15, {"die höchste Adresse", "the highest address"});
}
inline Option AddressOption()
{
    return Option::Number("--address", "N", 0, 15, {"eine Moduladresse", "a module address"});
}

// Attaches the bus to the console station in language `lang` and finds the potentiostats:
// a search with every module found released to the station, or the identification of the
// one address given. False, with the message printed, when no potentiostat answered.
bool SearchPotentiostats(station::ConsoleStation& cs, LinkOptions& transport, int lang,
                         const PotTarget& target = {});

}  // namespace qor::cli
