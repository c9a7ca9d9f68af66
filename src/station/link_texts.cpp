#include "station/link_texts.h"

#include "common/text.h"
#include "station/station_texts.h"

namespace qor::station {

std::string SerialPaneText(const bus::LinkSettings& s)
{
    if (!s.device.empty())
        return Format("%s  %d,N,8,1", s.device.c_str(), s.baud);
    return Format("COM %d  %d,N,8,1", s.port, s.baud);
}

std::string EthernetPaneText(const bus::LinkSettings& s, const char* state)
{
    std::string text =
        Format("Ethernet to %d.%d.%d.%d:%u", s.ip[0], s.ip[1], s.ip[2], s.ip[3], unsigned{s.tcpPort});
    if (state) {
        text += ' ';
        text += state;
    }
    return text;
}

std::string LinkPaneText(const bus::LinkSettings& s, const char* state, int language)
{
    const int lang = language == 1 ? 1 : 0;
    if (s.simulated)
        return s.ethernet ? text::kSimulatedGateway[lang] : text::kSimulatedSerial[lang];
    return s.ethernet ? EthernetPaneText(s, state) : SerialPaneText(s);
}

std::string PortProblemText(const bus::PortFailure& f, int language)
{
    const int lang = language == 1 ? 1 : 0;
    switch (f.problem) {
    case bus::PortProblem::NoDevice:
        return text::kNoSuchDevice[lang];
    case bus::PortProblem::NoPermission:
        return text::kPermissionDenied[lang];
    case bus::PortProblem::Busy:
        return text::kPortBusy[lang];
    case bus::PortProblem::Other:
        if (!f.detail.empty())
            return f.detail;
        break;
    case bus::PortProblem::None:
        break;
    }
    return text::kPortUnusable[lang];
}

LinkEventTexts TextsFor(const bus::LinkEvent& e, int language)
{
    using K = bus::LinkEventKind;
    const int lang = language == 1 ? 1 : 0;
    const std::string device = e.port.device.empty() ? std::string("?") : e.port.device;
    switch (e.kind) {
    case K::ChecksumError:
        // It happens inside an exchange, often in the poll cycle: nothing may wait for the user.
        return {{}, "Error CS protocol", "Error CS protocol"};
    case K::NotConnected:
        return {"TCP Socket not connected!", {}, {}};
    case K::GatewayFailed:
        return {{}, "TCP Socket Connect Error", {}};
    case K::PollsFailing:
        return {e.ethernet ? "Error TCP/IP connection! Check your connection"
                           : "Error USB/COM connection! Check your connection",
                {},
                {}};
    case K::PortNotice:
        return {{}, e.detail, {}};
    case K::PortUnavailable: {
        const std::string t =
            Format(text::kPortNotOpened[lang], device.c_str(), PortProblemText(e.port, lang).c_str());
        return {t, t, {}};
    }
    case K::PortLost:
        return {{}, Format(text::kPortLost[lang], device.c_str(), PortProblemText(e.port, lang).c_str()), {}};
    case K::GatewayOpen:
    case K::GatewayClosed:
    case K::KeepAliveWanted:
        break;
    }
    return {};
}

}  // namespace qor::station
