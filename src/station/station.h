#pragma once

#include "bus/bus_link.h"
#include "bus/link_host.h"
#include "common/clock.h"
#include "common/text.h"
#include "data/qor_doc.h"
#include "station/command_rules.h"
#include "station/config.h"
#include "station/freigabe_dlg_model.h"
#include "station/slave_auswahl_model.h"
#include "station/station_ui.h"
#include "station/timers.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor::station {

// The station: owns the bus link, the configuration, the state flags, the list of up to
// four potentiostats and the logbook text, and runs the station's commands. It reaches
// the outside only through StationUi, Timers and Clock, and records into the document. The
// transports are plugged into Link() (SetSerial / SetGateway) by whoever builds it.
//
// The main window forwards its timer ticks to OnTimer and its menu commands to the
// command methods below; Commands() feeds the menu enable rules.
class Station final : public bus::LinkHost {
public:
    static constexpr int kMaxPotentiostats = 4;
    // The data logger's content buffer and the progress bar's range.
    static constexpr std::size_t kLoggerCapacity = 0xFFFFF;
    static constexpr int kProgressMax = 1048;

    // `logbook` is the running logbook that the document (built on the same object) saves
    // and merges; the station writes its events into it.
    Station(const StationConfig& config, Clock& clock, StationUi& ui, Timers& timers, data::CQORDoc& doc,
            data::Logbook& logbook);

    bus::BusLink& Link() { return m_link; }
    // The settings other than the link's (those live in Link().Settings()).
    StationConfig& Config() { return m_config; }
    // Everything as the configuration file should store it now.
    StationConfig ConfigToSave() const;
    data::CQORDoc& Document() { return m_doc; }
    Clock& GetClock() { return m_clock; }

    int Language() const { return m_language; }
    void SetLanguage(int language) { m_language = language == 1 ? 1 : 0; }

    // --- Commands -------------------------------------------------------------------
    // "Freigeben der Module": search, release dialog, identification of released modules.
    void SearchModules();
    // Start-up: with AUTO_ENABLE restores the released set from S_ENABLE, waits 1 s, searches.
    void AutoEnable();
    // Reads the description of module `address` into `slave`; 1 success, 0 failure.
    int IdentifyModule(catalogue::CSlave& slave, std::uint8_t address);
    // "Messung der freigegebenen Module starten."
    void StartMeasuring();
    // Opens the measurement views of the released modules.
    void ShowMeters();
    // "Starten der Aufzeichnung"; true when recording runs afterwards.
    bool StartRecording();
    // Stops measuring and recording (timers 1..3).
    void StopAll();
    // "Beenden der Datenaufzeichnung": StopAll, the running-program question, TCP link test.
    void StopCommand();
    // "Datenlogger auslesen" / "Logbuch auslesen".
    void ReadDataLogger();
    void ReadDeviceLogbook();
    // "Schrittablauf starten" / "Schrittablauf manuell stoppen".
    void StartPotentiostat();
    void StopPotentiostat();
    // "Start Potentiostat und Aufzeichnung".
    void StartPotentiostatAndRecording();
    // Lets the user choose one potentiostat (types 0x40..0x5F) among the released modules.
    std::optional<std::uint8_t> ChoosePotentiostat();

    // --- Timers -----------------------------------------------------------------------
    void OnTimer(int id);
    // Timer 1: one poll of every released module.
    void PollCycle();

    // --- Logbook ------------------------------------------------------------------------
    // Appends "dd.mm.yyyy hh:mm:ss<TAB>text<LF>" in local time (through the document, which
    // marks itself modified and refreshes its views).
    void AddLogbookEntry(const std::string& text) override { m_doc.AddLogbookEntry(text); }
    const std::string& Logbook() const { return m_logbook.m_text; }
    data::Logbook& LogbookObject() { return m_logbook; }

    // --- State flags (read by the enable rules and the views) ---------------------------
    bool ModulesReleased() const { return m_modulesReleased; }
    bool Measuring() const { return m_measuring; }
    bool Recording() const { return m_recording; }
    bool MetersShown() const { return m_metersShown; }
    bool PotentiostatPresent() const { return m_potPresent; }
    bool PotentiostatRunning() const { return m_potRunning; }
    bool PotentiostatWithRecording() const { return m_potWithRecording; }
    bool CycleFree() const { return m_cycleFree; }
    bool FirstSampleStored() const { return m_firstSample; }
    const std::vector<std::uint8_t>& Potentiostats() const { return m_potList; }
    // Set by the main window when the document's window is closed / a new one is made.
    void SetDocumentClosed(bool closed) { m_documentClosed = closed; }
    bool DocumentClosed() const { return m_documentClosed; }
    void SetMetersShown(bool shown) { m_metersShown = shown; }

    // The flags the command enable rules read, as far as the station knows them (all but
    // whether the logbook pane is shown).
    CommandState Commands() const;

    // LinkHost.
    void ShowMessage(const std::string& text) override { m_ui.ShowMessage(text); }
    void SetLinkPane(const std::string& text) override { m_ui.SetPane(1, text); }
    void StopRecording() override;
    void StartKeepAlive(int periodMs) override { m_timers.Start(bus::kTimerKeepAlive, periodMs); }
    void StopKeepAlive() override { m_timers.Stop(bus::kTimerKeepAlive); }

private:
    class TransferFrame;

    // One poll of a released module outside the potentiostat fast mode.
    void PollOnce(std::uint8_t address);
    void PollRunningPotentiostat(std::uint8_t address, bool& stillRunning);
    // Applies the last valid measurement to the record of `address`; true when it
    // belongs to a potentiostat whose records should be fetched.
    bool ApplyMeasurement(std::uint8_t address);
    // Fetches the queued impedance points and samples of a potentiostat.
    void ReadPotRecords(std::uint8_t address);
    void StoreFirstSample();
    void SetPotRunning(bool running);
    catalogue::CSlave& Slave(int address) { return m_doc.m_slave[static_cast<std::size_t>(address & 15)]; }
    int SaveIntervalMs() const;

    // Data logger / logbook read-out helpers.
    int RequestFileBlock(const char* name, std::uint16_t block);
    bool FileAnswerValid(int result);
    bool ReadFileBlocks(const char* name, int firstResult, std::string& content, bool progress);
    bool WriteLoggerFile(const std::string& path, const std::string& content, std::size_t ringStart);

    std::string T(const TextPair& t) const { return t[m_language]; }

    StationConfig m_config;
    Clock& m_clock;
    StationUi& m_ui;
    Timers& m_timers;
    data::CQORDoc& m_doc;
    data::Logbook& m_logbook;
    bus::BusLink m_link;
    int m_language = 0;

    std::vector<std::uint8_t> m_potList;
    bool m_modulesReleased = false;
    bool m_measuring = false;
    bool m_recording = false;
    bool m_cycleFree = true;
    bool m_firstSample = false;
    bool m_metersShown = false;
    bool m_potPresent = false;
    bool m_potRunning = false;
    bool m_potWithRecording = false;
    bool m_documentClosed = false;
    bool m_stoppedInCycle = false;
    bool m_inCycle = false;
};

}  // namespace qor::station
