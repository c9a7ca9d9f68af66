#pragma once

#include "common/clock.h"
#include "data/data_test_util.h"
#include "data/qor_doc.h"
#include "sim/sim_bus.h"
#include "sim/sim_byte_stream.h"
#include "sim/sim_link.h"
#include "sim/sim_potentiostat.h"
#include "station/station.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qor::station::testing {

inline bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

inline std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + 1))
        ++n;
    return n;
}

// The addresses of a dialog list, without the 255 end marks.
inline std::vector<int> Listed(const std::array<std::uint8_t, 16>& list)
{
    std::vector<int> v;
    for (std::uint8_t a : list)
        if (a != 255)
            v.push_back(a);
    return v;
}

// Timers on the simulated clock; Rig::Run fires them when due.
struct FakeTimers : Timers {
    explicit FakeTimers(SimClock& c) : clock(c) {}
    void Start(int id, int ms) override { running[id] = {ms, clock.TickMs() + ms}; }
    void Stop(int id) override { running.erase(id); }
    bool On(int id) const { return running.count(id) != 0; }
    int Period(int id) const { return On(id) ? running.at(id).first : -1; }

    SimClock& clock;
    std::map<int, std::pair<int, std::int64_t>> running;  // period, next due time
};

// A scripted user: records what is shown, answers dialogs as told.
struct FakeUi : StationUi {
    explicit FakeUi(SimClock& c) : clock(c) {}

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowNotice(const std::string& text) override { notices.push_back(text); }
    bool AskOkCancel(const std::string& text) override { return questions.push_back(text), answerOk; }
    bool ShowErrorDialog(const std::string& text) override { return errors.push_back(text), true; }
    void SetPane(int pane, const std::string& text) override { panes[pane] = text; }
    void ShowWait(const std::string&) override { waitOpen = true; }
    void CloseWait() override { waitOpen = false; }
    void ShowProgress(const std::string&, const std::string&, int) override { progressOpen = true; }
    void SetProgress(int) override {}
    void CloseProgress() override { progressOpen = false; }
    bool RunReleaseDialog(FreigabeDlgModel& dialog) override
    {
        ++releaseRuns;
        shownLeft = Listed(dialog.NotReleased());
        shownRight = Listed(dialog.Released());
        return release(dialog);
    }
    bool RunModuleSelection(SlaveAuswahlModel& dialog) override
    {
        selectionShown = dialog.Texts().size();
        if (selectRow >= 0)
            dialog.Select(selectRow);
        return selectOk;
    }
    bool RunRecordingSetup() override { return setupOk; }
    std::optional<std::string> ChooseLoggerFile() override { return loggerFile; }
    void ShowDataLoggerGraph(const std::string& path, int) override { graphPath = path; }
    void ShowMeters() override { ++meterShows; }
    void CloseMeters() override { ++meterCloses; }
    void ShowMeter(std::uint8_t address) override { meterShown.push_back(address); }
    void RefreshViews() override { ++refreshes; }
    void ProcessEvents(int ms) override { clock.Advance(ms); }

    SimClock& clock;
    std::vector<std::string> messages, notices, questions, errors;
    std::map<int, std::string> panes;
    bool waitOpen = false, progressOpen = false;
    std::function<bool(FreigabeDlgModel&)> release = [](FreigabeDlgModel& d) { return d.SelectAll(), true; };
    std::vector<int> shownLeft, shownRight;
    int releaseRuns = 0;
    std::size_t selectionShown = 0;
    int selectRow = -1;
    bool selectOk = true, setupOk = true, answerOk = true;
    std::optional<std::string> loggerFile;
    std::string graphPath;
    int meterShows = 0, meterCloses = 0, refreshes = 0;
    std::vector<std::uint8_t> meterShown;
};

enum class Wire { Serial, Tcp };

// The station on a simulated bus and clock, with a real document.
struct Rig {
    explicit Rig(Wire wire = Wire::Serial, StationConfig cfg = {})
        : bus(clock), stream(bus), gateway(bus), timers(clock), ui(clock), doc(clock, logbook, docUi)
    {
        cfg.link.ethernet = wire == Wire::Tcp ? 1 : 0;
        station = std::make_unique<Station>(cfg, clock, ui, timers, doc, logbook);
        station->Link().SetSerial(&stream);
        station->Link().SetGateway(&gateway);
    }

    // Fires the timers in order of their due time for `ms` of simulated time.
    void Run(std::int64_t ms)
    {
        const std::int64_t end = clock.TickMs() + ms;
        for (;;) {
            auto next = timers.running.end();
            for (auto it = timers.running.begin(); it != timers.running.end(); ++it)
                if (next == timers.running.end() || it->second.second < next->second.second)
                    next = it;
            if (next == timers.running.end() || next->second.second > end)
                break;
            if (next->second.second > clock.TickMs())
                clock.Advance(next->second.second - clock.TickMs());
            next->second.second =
                std::max(clock.TickMs(), next->second.second + std::max(next->second.first, 1));
            station->OnTimer(next->first);
        }
        if (end > clock.TickMs())
            clock.Advance(end - clock.TickMs());
    }

    // Searches with the scripted user releasing everything found.
    void SearchAll() { station->SearchModules(); }

    // `n` pH modules (7.000 pH, 20.0 °C) from address 0 on, found by a search.
    void SearchPh(int n)
    {
        for (int a = 0; a < n; ++a)
            bus.AddModule(static_cast<std::uint8_t>(a), 1).SetRawValues({7000, 0, 200});
        SearchAll();
    }

    // Starts recording a sample a second.
    bool RecordEachSecond()
    {
        doc.SetRecordingInterval(0, 0, 1);
        return station->StartRecording();
    }

    sim::SimPotentiostat& AddPot(std::uint8_t address, std::uint8_t type = sim::SimPotentiostat::kDefaultType)
    {
        return static_cast<sim::SimPotentiostat&>(bus.AddModule(address, type));
    }

    SimClock clock;
    sim::SimBus bus;
    sim::SimByteStream stream;
    sim::SimLink gateway;
    FakeTimers timers;
    FakeUi ui;
    data::test::FakeUi docUi;
    data::Logbook logbook;
    data::CQORDoc doc;
    std::unique_ptr<Station> station;
};

using data::test::TempDir;

}  // namespace qor::station::testing
