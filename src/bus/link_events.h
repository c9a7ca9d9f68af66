#pragma once

#include "bus/byte_stream.h"

#include <string>

namespace qor::bus {

// What happened on the link. The link only reports; its owner decides what the user sees
// and runs the keep-alive timer.
enum class LinkEventKind {
    ChecksumError,    // an answer failed its checksum; the exchange failed
    GatewayOpen,      // the gateway connection is open (just made, or found open)
    GatewayClosed,    // connecting to the gateway failed
    GatewayFailed,    // an exchange on the gateway connection failed; it is closed now
    NotConnected,     // the port was to be opened, but the gateway did not connect
    PollsFailing,     // more than five polls (net) went unanswered; the link counts as down
    KeepAliveWanted,  // a gateway connection was attempted: it wants testing from now on
    PortNotice,       // the serial port has a remark about itself (in `detail`)
    PortUnavailable,  // the serial port was to be opened but would not (see `port`)
    PortLost,         // the serial port went away during use; it is reopened when it returns
};

struct LinkEvent {
    LinkEventKind kind;
    bool ethernet = false;  // the link runs over the TCP gateway
    std::string detail;
    PortFailure port;  // PortUnavailable, PortLost
};

class LinkListener {
public:
    virtual ~LinkListener() = default;
    virtual void OnLinkEvent(const LinkEvent& event) = 0;
};

}  // namespace qor::bus
