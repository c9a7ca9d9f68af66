#include "cli/link_options.h"

#include "bus/bus_link.h"
#include "station/console_ui.h"
#include "station/link_texts.h"

#include <cstdio>
#include <cstdlib>

namespace qor::cli {

std::unique_ptr<LinkOptions> LinkOptions::FromArgs(Args& args, std::string& error)
{
    using Transport = wiring::LinkChoice::Transport;
    wiring::LinkChoice choice;
    const bool sim = args.Flag("--sim");
    const std::string tcp = args.Take("--tcp");
    const std::string serial = args.Take("--serial");
    const std::string baud = args.Take("--baud");
    if (int(sim) + int(!tcp.empty()) + int(!serial.empty()) != 1) {
        error = std::string("choose one transport: ") + Usage();
        return nullptr;
    }
    if (sim) {
        choice.transport = Transport::Simulate;
    } else if (!tcp.empty()) {
        if (!wiring::ParseHostPort(tcp, choice.ip, choice.tcpPort)) {
            error = "--tcp needs an IPv4 address and a port, e.g. 127.0.0.1:50000";
            return nullptr;
        }
        choice.transport = Transport::Tcp;
    } else {
        choice.transport = Transport::Serial;
        choice.device = serial;
        if (!baud.empty()) {
            char* end = nullptr;
            long b = std::strtol(baud.c_str(), &end, 10);
            if (*end || b <= 0) {
                error = "--baud needs a positive number";
                return nullptr;
            }
            choice.baud = static_cast<int>(b);
        }
    }
    return std::unique_ptr<LinkOptions>(new LinkOptions(choice));
}

void LinkOptions::Attach(bus::BusLink& link)
{
    if (!m_wiring)
        m_wiring = std::make_unique<wiring::BusWiring>(m_choice);
    m_wiring->Attach(link);
}

std::string LinkOptions::Describe() const
{
    return wiring::Describe(m_choice);
}

void ConsoleLinkHost::OnLinkEvent(const bus::LinkEvent& event)
{
    const station::LinkEventTexts texts = station::TextsFor(event, language);
    if (!texts.message.empty())
        std::fprintf(stderr, "qortool: %s\n", texts.message.c_str());
}

bool SearchPotentiostats(station::ConsoleStation& cs, LinkOptions& transport, int lang)
{
    cs.station.SetLanguage(lang);
    transport.Attach(cs.station.Link());
    // The station learns its potentiostats from the search and release.
    cs.ui.releaseAll = true;
    cs.station.SearchModules();
    if (!cs.station.Potentiostats().empty())
        return true;
    // A port that did not open has been reported with its reason.
    if (cs.station.Link().LinkLost())
        return false;
    Fail(lang == 1 ? "No necessary slave available" : "Kein entsprechender Slave am Bus.");
    return false;
}

}  // namespace qor::cli
