#pragma once

#include "bus/bus_link.h"

#include <string>

namespace qor::station {

// Status pane 1: the serial port and its speed, or the gateway and (when given) the state
// of the connection ("open" or "closed").
std::string SerialPaneText(const bus::LinkSettings& settings);
std::string EthernetPaneText(const bus::LinkSettings& settings, const char* state = nullptr);

// What the user is told of a link event: a message box text and a logbook entry, each
// empty when there is none. `language` 0 German, 1 English.
struct LinkEventTexts {
    std::string message;
    std::string logbook;
};
LinkEventTexts TextsFor(const bus::LinkEvent& event, int language);

// Why a serial port is not usable, in `language`.
std::string PortProblemText(const bus::PortFailure& failure, int language);

}  // namespace qor::station
