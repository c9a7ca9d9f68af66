#pragma once

#include "bus/bus_link.h"
#include "potentiostat/pot_manuell_model.h"
#include "potentiostat/pot_step_setup_model.h"
#include "station/station_ui.h"

#include <cstdint>
#include <functional>

namespace qor::station {

// The potentiostat's step program and manual operation on the bus: "Daten Programmieren",
// "Daten Auslesen", and the exchanges of the manual window. Each failure is shown once as
// "Übertragunsfehler!" and ends the operation. Every operation holds the link's busy flag, so
// a poll cycle or keep-alive run from a timer in between finds the link taken and skips.
class PotProgram {
public:
    PotProgram(bus::BusLink& link, StationUi& ui, int language, std::uint8_t address)
        : m_link(link), m_ui(ui), m_lang(language), m_address(address)
    {
    }

    // Called between the exchanges of a transfer (the window handles its events there); false
    // cancels: the transfer stops without a message, what was transferred so far stays.
    void SetBetweenExchanges(std::function<bool()> keepGoing) { m_keepGoing = std::move(keepGoing); }
    // True when the last Program or ReadBack stopped on a cancel.
    bool Cancelled() const { return m_cancelled; }

    // Writes the settings and all 255 step slots; a row or setting the windows would not let a
    // user enter is refused with a message before anything is sent.
    bool Program(potentiostat::PotStepSetupModel& model);
    // Reads the steps up to the first empty slot, then the settings.
    bool ReadBack(potentiostat::PotStepSetupModel& model);

    // The manual window's opening: settings, then the operating state.
    bool ManualRead(potentiostat::PotManuellModel& model);
    // "Aktuallisieren": the settings, then the operating state.
    bool ManualApply(potentiostat::PotManuellModel& model);
    // The manual window's live values: one measurement poll, skipped while the link is taken.
    // No message: a missed answer shows as "---"; false only when the module did not answer.
    bool ManualMeasure(potentiostat::PotManuellModel& model);

private:
    // One exchange; the answer's data when it has exactly `expectedData` bytes, else null.
    const std::uint8_t* Exchange(std::uint8_t command, std::span<const std::uint8_t> payload,
                                 std::size_t expectedData, int timeoutS);
    bool Fail();
    bool KeepGoing();
    void ShowProgress();
    void CloseProgress();
    class Hold;

    bus::BusLink& m_link;
    StationUi& m_ui;
    int m_lang;
    std::uint8_t m_address;
    std::function<bool()> m_keepGoing;
    bool m_cancelled = false;
    bool m_progressOpen = false;
};

}  // namespace qor::station
