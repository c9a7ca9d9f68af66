#pragma once

#include "bus/bus_link.h"
#include "potentiostat/pot_manuell_model.h"
#include "potentiostat/pot_step_setup_model.h"
#include "station/station_ui.h"

#include <cstdint>

namespace qor::station {

// The potentiostat's step program and manual operation on the bus: "Daten Programmieren",
// "Daten Auslesen", and the exchanges of the manual window. Each failure is shown once as
// "Übertragunsfehler!" and ends the operation.
class PotProgram {
public:
    PotProgram(bus::BusLink& link, StationUi& ui, int language, std::uint8_t address)
        : m_link(link), m_ui(ui), m_lang(language), m_address(address)
    {
    }

    // Writes the settings and all 255 step slots.
    bool Program(potentiostat::PotStepSetupModel& model);
    // Reads the steps up to the first empty slot, then the settings.
    bool ReadBack(potentiostat::PotStepSetupModel& model);

    // The manual window's opening: settings, then the operating state.
    bool ManualRead(potentiostat::PotManuellModel& model);
    // "Aktuallisieren": the settings, then the operating state.
    bool ManualApply(potentiostat::PotManuellModel& model);

private:
    // One exchange; the answer's data when it has exactly `expectedData` bytes, else null.
    const std::uint8_t* Exchange(std::uint8_t command, std::span<const std::uint8_t> payload,
                                 std::size_t expectedData, int timeoutS);
    bool Fail();

    bus::BusLink& m_link;
    StationUi& m_ui;
    int m_lang;
    std::uint8_t m_address;
};

}  // namespace qor::station
