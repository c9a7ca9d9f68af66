#include "station/link_texts.h"

#include "common/text.h"

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

LinkEventTexts TextsFor(const bus::LinkEvent& e)
{
    using K = bus::LinkEventKind;
    switch (e.kind) {
    case K::ChecksumError:
        return {"Error CS protocol", {}};
    case K::NotConnected:
        return {"TCP Socket not connected!", {}};
    case K::GatewayFailed:
        return {{}, "TCP Socket Connect Error"};
    case K::PollsFailing:
        return {e.ethernet ? "Error TCP/IP connection! Check your connection"
                           : "Error USB/COM connection! Check your connection",
                {}};
    case K::PortNotice:
        return {{}, e.detail};
    case K::GatewayOpen:
    case K::GatewayClosed:
    case K::KeepAliveWanted:
        break;
    }
    return {};
}

}  // namespace qor::station
