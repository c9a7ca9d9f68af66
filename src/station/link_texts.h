#pragma once

#include "bus/bus_link.h"

#include <string>

namespace qor::station {

// Status pane 1: the serial port and its speed, or the gateway and (when given) the state
// of the connection ("open" or "closed").
std::string SerialPaneText(const bus::LinkSettings& settings);
std::string EthernetPaneText(const bus::LinkSettings& settings, const char* state = nullptr);
// Pane 1 for the link as it is set: the gateway (with `state`) or the serial port, or, on a
// simulated bus, that it is simulated and which way it is reached, in `language`.
std::string LinkPaneText(const bus::LinkSettings& settings, const char* state, int language);

// What the user is told of a link event: a message box text, a logbook entry and a notice
// that holds nothing up, each empty when there is none. `language` 0 German, 1 English.
struct LinkEventTexts {
    std::string message;
    std::string logbook;
    std::string notice;
};
LinkEventTexts TextsFor(const bus::LinkEvent& event, int language);

// Why a serial port is not usable, in `language`.
std::string PortProblemText(const bus::PortFailure& failure, int language);

}  // namespace qor::station
