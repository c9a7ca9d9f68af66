#pragma once

#include "station/measurement.h"

#include <cstdint>
#include <string>

namespace qor::station {

// What one refresh of a digital measurement view shows, worked out from the module's part of
// a poll cycle's measurement.
struct DigitalViewState {
    enum class Action {
        Nothing,  // not released: the view keeps what it shows
        RedLamp,  // released but marked faulty: only the lamp turns red
        Update,   // everything below applies
    };
    Action action = Action::Nothing;

    std::string title;
    std::string value[3];
    std::string unit[3];
    // Meters 1 and 2.
    std::string meterUnit[2];
    int meterDecimals[2] = {0, 0};
    double meterMin[2] = {0.0, 0.0};
    double meterMax[2] = {0.0, 0.0};
    double meterValue[2] = {0.0, 0.0};
    // Lamp colour (the lamp's colour code: 0 red, 16 green, 32 yellow).
    int lampColour = 0;
};

// "Slave %02u %s".
std::string DigitalViewTitle(std::uint8_t address, const std::string& moduleName);
// One refresh with what the cycle measured at `address`; potRunning is the station's
// potentiostat-program-running flag. A missed value shows "---".
DigitalViewState DigitalViewRefresh(std::uint8_t address, const ModuleReading& reading, bool potRunning);

}  // namespace qor::station
