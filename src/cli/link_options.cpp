#include "cli/link_options.h"

#include "bus/bus_link.h"
#include "common/text.h"
#include "station/console_ui.h"
#include "station/link_texts.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace qor::cli {

std::unique_ptr<LinkOptions> LinkOptions::FromArgs(Args& args, std::string& error)
{
    using Transport = wiring::LinkChoice::Transport;
    const int lang = args.Language();
    wiring::LinkChoice choice;
    const bool sim = args.Flag("--sim");
    const std::string tcp = args.Take("--tcp");
    const std::string serial = args.Take("--serial");
    const std::string baud = args.Take("--baud");
    if (int(sim) + int(!tcp.empty()) + int(!serial.empty()) != 1) {
        error = TextPair{"eine Verbindung wählen: ", "choose one transport: "}[lang] + std::string(Usage());
        return nullptr;
    }
    if (!baud.empty() && serial.empty()) {
        error = TextPair{"--baud gilt nur mit --serial", "--baud goes with --serial only"}[lang];
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
        // The rates a serial line on Linux can be set to; anything else the port would refuse
        // (or, past the range of an int, silently take as some other rate).
        long b = 0;
        if (!baud.empty() && !ParseLong(baud, kMinBaud, kMaxBaud, b)) {
            error = Format(TextPair{"--baud verlangt eine Baudrate von %d bis %d",
                                    "--baud needs a rate from %d to %d"}[lang],
                           kMinBaud, kMaxBaud);
            return nullptr;
        }
        if (b > 0)
            choice.baud = static_cast<int>(b);
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

bool TakePotTarget(Args& args, PotTarget& target, std::string& error)
{
    const int lang = args.Language();
    const std::string address = args.Take("--address");
    const std::string idCount = args.Take("--idcount");
    if (!address.empty() && !idCount.empty()) {
        error =
            TextPair{"entweder --address oder --idcount angeben", "give either --address or --idcount"}[lang];
        return false;
    }
    if (!address.empty() && !ParseLong(address, 0, 15, target.address)) {
        error = TextPair{"--address verlangt eine Moduladresse 0..15",
                         "--address needs a module address 0..15"}[lang];
        return false;
    }
    if (!idCount.empty() && !ParseLong(idCount, 0, 15, target.idCount)) {
        error = TextPair{"--idcount verlangt die höchste Adresse 0..15",
                         "--idcount needs the highest address 0..15"}[lang];
        return false;
    }
    return true;
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
        std::fprintf(stderr, "qortool: %s\n", texts.message.c_str());
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
