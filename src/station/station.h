#pragma once

#include "bus/bus_link.h"
#include "common/clock.h"
#include "common/text.h"
#include "data/qor_doc.h"
#include "station/command_rules.h"
#include "station/config.h"
#include "station/file_readout.h"
#include "station/freigabe_dlg_model.h"
#include "station/module_search.h"
#include "station/pot_control.h"
#include "station/recorder.h"
#include "station/slave_auswahl_model.h"
#include "station/station_context.h"
#include "station/station_ui.h"
#include "station/timers.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor::station {

// The station: owns the bus link, the configuration, the state flags, the list of up to
// four potentiostats and the logbook text, and runs the station's commands through its
// jobs (module search, recording, file read-out, potentiostat control). It reaches the
// outside only through StationUi, Timers and Clock, and records into the document. The
// transports are plugged into Link() (SetSerial / SetGateway) by whoever builds it.
//
// The main window forwards its timer ticks to OnTimer and its menu commands to the
// command methods below; Commands() feeds the menu enable rules.
class Station final : private bus::LinkListener, private MeasurementListener {
public:
    static constexpr int kMaxPotentiostats = station::kMaxPotentiostats;

    // `logbook` is the running logbook that the document (built on the same object) saves
    // and merges; the station writes its events into it.
    Station(const StationConfig& config, Clock& clock, StationUi& ui, Timers& timers, data::CQORDoc& doc,
            data::Logbook& logbook);
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    bus::BusLink& Link() { return m_link; }
    // The settings other than the link's (those live in Link().Settings()).
    StationConfig& Config() { return m_config; }
    // Everything as the configuration file should store it now.
    StationConfig ConfigToSave() const;
    data::CQORDoc& Document() { return m_doc; }

    int Language() const { return m_language; }
    // The station's texts and its modules' names, value names and units follow it.
    void SetLanguage(int language);

    // The sixteen live module records, index = bus address: the search and identification
    // fill them, the poll decodes into them. Each poll cycle's values go out as a
    // Measurement (Measurements()); read values there, not here.
    const std::array<catalogue::CSlave, 16>& Modules() const { return m_modules; }
    std::array<catalogue::CSlave, 16>& Modules() { return m_modules; }
    // Names, units and factor of every module of `m` as its record describes it now, in the
    // station's language (after a change of language).
    void Describe(Measurement& m) const;

    // --- Commands -------------------------------------------------------------------
    // "Freigeben der Module": search, release dialog, identification of released modules.
    void SearchModules() { m_search.Search(); }
    // Start-up: with AUTO_ENABLE restores the released set from S_ENABLE, waits 1 s, searches.
    void AutoEnable() { m_search.AutoEnable(); }
    // Reads the description of module `address` into `slave`; 1 success, 0 failure.
    int IdentifyModule(catalogue::CSlave& slave, std::uint8_t address)
    {
        return m_search.Identify(slave, address);
    }
    // Lets the user choose one potentiostat (types 0x40..0x5F) among the released modules.
    std::optional<std::uint8_t> ChoosePotentiostat() { return m_search.ChoosePotentiostat(); }
    // "Messung der freigegebenen Module starten."
    void StartMeasuring() { m_recorder.StartMeasuring(); }
    // Opens the measurement views of the released modules.
    void ShowMeters() { m_recorder.ShowMeters(); }
    // "Starten der Aufzeichnung"; true when recording runs afterwards.
    bool StartRecording() { return m_recorder.StartRecording(); }
    // Stops measuring and recording (timers 1..3).
    void StopAll() { m_recorder.StopAll(); }
    // "Beenden der Datenaufzeichnung": StopAll, the running-program question, TCP link test.
    void StopCommand();
    // "Datenlogger auslesen" / "Logbuch auslesen".
    void ReadDataLogger() { m_readout.ReadDataLogger(); }
    void ReadDeviceLogbook() { m_readout.ReadDeviceLogbook(); }
    // "Schrittablauf starten" / "Schrittablauf manuell stoppen".
    void StartPotentiostat();
    void StopPotentiostat() { m_pot.Stop(); }
    // "Start Potentiostat und Aufzeichnung".
    void StartPotentiostatAndRecording();

    // --- Timers -----------------------------------------------------------------------
    void OnTimer(int id);
    // The poll timer: one poll of every released module.
    void PollCycle() { m_recorder.PollCycle(); }

    // Each poll cycle's measurement goes to the subscribers of this hub.
    MeasurementHub& Measurements() { return m_hub; }

    // A recording that rides through outages goes on with empty samples while the link is
    // away, tries it again with a growing pause (at most 30 s) and notes each outage's start
    // and end in the logbook; without, a link away for about 12 s ends the recording.
    void SetRideThrough(bool on);
    bool RideThrough() const { return m_rideThrough; }

    // --- Logbook ------------------------------------------------------------------------
    // Appends "dd.mm.yyyy hh:mm:ss<TAB>text<LF>" in local time (through the document, which
    // marks itself modified and refreshes its views).
    void AddLogbookEntry(const std::string& text) { m_doc.AddLogbookEntry(text); }
    const std::string& Logbook() const { return m_logbook.m_text; }
    data::Logbook& LogbookObject() { return m_logbook; }

    // --- State flags (read by the enable rules and the views) ---------------------------
    bool ModulesReleased() const { return m_flags.modulesReleased; }
    bool Measuring() const { return m_flags.measuring; }
    bool Recording() const { return m_flags.recording; }
    bool PotentiostatPresent() const { return m_flags.potPresent; }
    bool PotentiostatRunning() const { return m_flags.potRunning; }
    bool PotentiostatWithRecording() const { return m_flags.potWithRecording; }
    const std::vector<std::uint8_t>& Potentiostats() const { return m_flags.potList; }
    // Set by the main window when the document's window is closed / a new one is made.
    void SetDocumentClosed(bool closed) { m_flags.documentClosed = closed; }
    bool DocumentClosed() const { return m_flags.documentClosed; }
    void SetMetersShown(bool shown) { m_flags.metersShown = shown; }

    // The flags the command enable rules read, as far as the station knows them (all but
    // whether the logbook pane is shown).
    CommandState Commands() const;

private:
    // The link's events become pane texts, messages, logbook entries and timers here.
    void OnLinkEvent(const bus::LinkEvent& event) override;
    // Polls keep failing: "End data logging", also from inside the running poll cycle.
    void StopRecording();
    // Riding through an outage: its end is the first cycle in which a module answered.
    void OnMeasurement(const Measurement& m) override;

    static constexpr std::int64_t kChecksumLogPauseMs = 60000;

    StationConfig m_config;
    Clock& m_clock;
    StationUi& m_ui;
    Timers& m_timers;
    data::CQORDoc& m_doc;
    data::Logbook& m_logbook;
    std::array<catalogue::CSlave, 16> m_modules;
    bus::BusLink m_link;
    int m_language = 0;
    StationFlags m_flags;
    MeasurementHub m_hub;
    StationContext m_ctx;
    ModuleSearch m_search;
    PotControl m_pot;
    Recorder m_recorder;
    FileReadout m_readout;
    std::optional<std::int64_t> m_checksumLoggedMs;  // when a checksum error was last logged
    bool m_rideThrough = false;
    std::optional<std::int64_t> m_outageSinceMs;  // riding through an outage since then
};

}  // namespace qor::station
