#include "cli/link_options.h"

#include "bus/bus_link.h"
#include "common/text.h"
#include "station/console_ui.h"
#include "station/link_texts.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace qor::cli {

void LinkOptions::Declare(std::vector<Option>& options)
{
    options.push_back(Option::Flag("--sim").Shown(Usage()));
    options.push_back(Option::Text("--tcp", "HOST:PORT").Shown("-"));
    options.push_back(Option::Text("--serial", "DEVICE").Shown("-"));
    options.push_back(Option::Number("--baud", "N", kMinBaud, kMaxBaud, {"eine Baudrate", "a rate"})
                          .Needs({"--serial"})
                          .Shown("-"));
}

std::unique_ptr<LinkOptions> LinkOptions::From(const Parsed& p, std::string& error)
{
    using Transport = wiring::LinkChoice::Transport;
    const int lang = p.lang;
    wiring::LinkChoice choice;
    const bool sim = p.Has("--sim");
    const std::string tcp = p.Value("--tcp");
    const std::string serial = p.Value("--serial");
    if (int(sim) + int(!tcp.empty()) + int(!serial.empty()) != 1) {
        error = TextPair{"eine Verbindung wählen: ", "choose one transport: "}[lang] + std::string(Usage());
        return nullptr;
    }
    if (sim) {
        choice.transport = Transport::Simulate;
    } else if (!tcp.empty()) {
        if (!wiring::ParseHostPort(tcp, choice.ip, choice.tcpPort)) {
            error = TextPair{"--tcp verlangt eine IPv4-Adresse und einen Port, z. B. 127.0.0.1:50000",
                             "--tcp needs an IPv4 address and a port, e.g. 127.0.0.1:50000"}[lang];
            return nullptr;
        }
        choice.transport = Transport::Tcp;
    } else {
        choice.transport = Transport::Serial;
        // The port takes a name without a leading "/" as one under /dev; a path that exists
        // from here is meant as it stands.
        std::error_code ec;
        choice.device = serial;
        if (serial[0] != '/' && std::filesystem::exists(serial, ec))
            choice.device = std::filesystem::absolute(serial, ec).lexically_normal().string();
        // The rates a serial line on Linux can be set to (the option's range); anything else
        // the port would refuse (or, past the range of an int, silently take as some other rate).
        choice.baud = static_cast<int>(p.Number("--baud", choice.baud));
    }
    return std::unique_ptr<LinkOptions>(new LinkOptions(choice));
}

std::string LinkOptions::Describe(int lang) const
{
    using Transport = wiring::LinkChoice::Transport;
    const wiring::LinkChoice& c = m_choice;
    switch (c.transport) {
    case Transport::Tcp:
        return Format("%s %d.%d.%d.%d:%u", TextPair{"Gateway", "gateway"}[lang], c.ip[0], c.ip[1], c.ip[2],
                      c.ip[3], unsigned{c.tcpPort});
    case Transport::Serial:
        return TextPair{"seriellen Port ", "serial port "}[lang] + c.device;
    default:
        return TextPair{"simulierten Bus", "simulated bus"}[lang];
    }
}

void DeclarePotTarget(std::vector<Option>& options)
{
    options.push_back(AddressOption().Excludes("--idcount").Shown("[--address N | --idcount N]"));
    options.push_back(IdCountOption().Shown("-"));
}

PotTarget PotTargetOf(const Parsed& p)
{
    return PotTarget{p.Number("--address", -1), p.Number("--idcount", 15)};
}

void LinkOptions::Attach(bus::BusLink& link)
{
    if (!m_wiring)
        m_wiring = std::make_unique<wiring::BusWiring>(m_choice);
    m_wiring->Attach(link);
}

void ConsoleLinkHost::OnLinkEvent(const bus::LinkEvent& event)
{
    const station::LinkEventTexts texts = station::TextsFor(event, language);
    if (!texts.message.empty())
        Say(texts.message);
}

bool SearchPotentiostats(station::ConsoleStation& cs, LinkOptions& transport, int lang,
                         const PotTarget& target)
{
    cs.station.SetLanguage(lang);
    transport.Attach(cs.station.Link());
    if (target.address >= 0) {
        // Only the module named: its identification lists it when it is a potentiostat.
        const auto address = static_cast<std::uint8_t>(target.address);
        cs.station.Link().OpenPort();
        cs.station.IdentifyModule(cs.station.Modules()[address], address);
    } else {
        // The station learns its potentiostats from the search and release.
        cs.station.Config().idCount = static_cast<int>(target.idCount);
        cs.ui.releaseAll = true;
        cs.station.SearchModules();
    }
    if (!cs.station.Potentiostats().empty())
        return true;
    // A port that did not open has been reported with its reason.
    if (cs.station.Link().LinkLost())
        return false;
    Say(lang == 1 ? "No necessary slave available" : "Kein entsprechender Slave am Bus.");
    return false;
}

}  // namespace qor::cli
