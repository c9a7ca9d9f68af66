#include "cli/link_options.h"

#include "common/text.h"
#include "io/serial_link.h"
#include "io/tcp_link.h"
#include "sim/sim_bus.h"
#include "sim/sim_link.h"
#include "station/console_ui.h"
#include "station/link_texts.h"

#include <cstdio>
#include <cstdlib>

namespace qor::cli {

LinkOptions::~LinkOptions() = default;

bool ParseHostPort(const std::string& text, bus::LinkSettings& s)
{
    auto colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    std::string host = text.substr(0, colon);
    if (host == "localhost")
        host = "127.0.0.1";
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(host.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 || b > 255 ||
        c > 255 || d > 255)
        return false;
    char* end = nullptr;
    long port = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (*end || port < 1 || port > 65535)
        return false;
    s.ip = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(c),
            static_cast<std::uint8_t>(d)};
    s.tcpPort = static_cast<std::uint16_t>(port);
    return true;
}

std::unique_ptr<LinkOptions> LinkOptions::FromArgs(Args& args, std::string& error)
{
    std::unique_ptr<LinkOptions> o(new LinkOptions);
    const bool sim = args.Flag("--sim");
    const std::string tcp = args.Take("--tcp");
    const std::string serial = args.Take("--serial");
    const std::string baud = args.Take("--baud");
    if (int(sim) + int(!tcp.empty()) + int(!serial.empty()) != 1) {
        error = std::string("choose one transport: ") + Usage();
        return nullptr;
    }
    if (sim) {
        o->m_simBus = std::make_unique<sim::SimBus>(SystemClock::Instance());
        o->m_simBus->AddDefaultModules();
        o->m_simBus->AddModule(3, 0x43);  // and a potentiostat, as the station window's simulated bus
        o->m_simLink = std::make_unique<sim::SimLink>(*o->m_simBus);
        o->m_settings.ethernet = 1;
        o->m_settings.ip = {127, 0, 0, 1};
    } else if (!tcp.empty()) {
        if (!ParseHostPort(tcp, o->m_settings)) {
            error = "--tcp needs an IPv4 address and a port, e.g. 127.0.0.1:50000";
            return nullptr;
        }
        o->m_settings.ethernet = 1;
        o->m_tcp = std::make_unique<io::TcpLink>();
    } else {
        o->m_settings.ethernet = 0;
        o->m_settings.device = serial;
        if (!baud.empty()) {
            char* end = nullptr;
            long b = std::strtol(baud.c_str(), &end, 10);
            if (*end || b <= 0) {
                error = "--baud needs a positive number";
                return nullptr;
            }
            o->m_settings.baud = static_cast<int>(b);
        }
        o->m_serial = std::make_unique<io::SerialLink>();
    }
    return o;
}

void LinkOptions::Attach(bus::BusLink& link) const
{
    link.Settings() = m_settings;
    link.SetSerial(m_serial.get());
    if (m_simLink)
        link.SetGateway(m_simLink.get());
    else
        link.SetGateway(m_tcp.get());
}

std::string LinkOptions::Describe() const
{
    if (m_simBus)
        return "simulated bus";
    if (m_tcp)
        return Format("gateway %d.%d.%d.%d:%u", m_settings.ip[0], m_settings.ip[1], m_settings.ip[2],
                      m_settings.ip[3], unsigned{m_settings.tcpPort});
    return "serial " + m_settings.device;
}

void ConsoleLinkHost::OnLinkEvent(const bus::LinkEvent& event)
{
    if (event.kind == bus::LinkEventKind::PollsFailing)
        m_stopRequested = true;
    const station::LinkEventTexts texts = station::TextsFor(event);
    if (!texts.logbook.empty() && verbose)
        std::fprintf(stderr, "logbook: %s\n", texts.logbook.c_str());
    if (!texts.message.empty())
        std::fprintf(stderr, "qortool: %s\n", texts.message.c_str());
}

bool SearchPotentiostats(station::ConsoleStation& cs, const LinkOptions& transport, int lang)
{
    cs.station.SetLanguage(lang);
    transport.Attach(cs.station.Link());
    // The station learns its potentiostats from the search and release.
    cs.ui.releaseAll = true;
    cs.station.SearchModules();
    if (!cs.station.Potentiostats().empty())
        return true;
    Fail(lang == 1 ? "No necessary slave available" : "Kein entsprechender Slave am Bus.");
    return false;
}

}  // namespace qor::cli
