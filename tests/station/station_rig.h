#pragma once

#include "common/clock.h"
#include "data/qor_doc.h"
#include "sim/sim_bus.h"
#include "sim/sim_byte_stream.h"
#include "sim/sim_link.h"
#include "sim/sim_potentiostat.h"
#include "station/station.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qor::station::testing {

// Timers on the simulated clock; Rig::Run fires them when due.
struct FakeTimers : Timers {
    explicit FakeTimers(SimClock& c) : clock(c) {}
    struct Entry {
        int periodMs;
        std::int64_t due;
    };
    void Start(int id, int ms) override
    {
        running[id] = {ms, clock.TickMs() + ms};
        ++starts[id];
    }
    void Stop(int id) override { running.erase(id); }
    bool On(int id) const { return running.count(id) != 0; }
    int Period(int id) const { return On(id) ? running.at(id).periodMs : -1; }

    SimClock& clock;
    std::map<int, Entry> running;
    std::map<int, int> starts;
};

// A scripted user: records everything shown, answers dialogs as told.
struct FakeUi : StationUi {
    explicit FakeUi(SimClock& c) : clock(c) {}

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskOkCancel(const std::string& text) override
    {
        questions.push_back(text);
        return answerOk;
    }
    bool ShowErrorDialog(const std::string& text) override
    {
        errors.push_back(text);
        return true;
    }
    void SetPane(int pane, const std::string& text) override { panes[pane] = text; }
    void ShowWait(const std::string& text) override
    {
        waitOpen = true;
        waits.push_back(text);
    }
    void CloseWait() override { waitOpen = false; }
    void ShowProgress(const std::string& title, const std::string&, int maximum) override
    {
        progressOpen = true;
        progressTitle = title;
        progressMax = maximum;
    }
    void SetProgress(int value) override { progress.push_back(value); }
    void CloseProgress() override { progressOpen = false; }
    bool RunReleaseDialog(FreigabeDlgModel& dialog) override
    {
        releaseShownLeft = dialog.NotReleasedTexts();
        releaseShownRight = dialog.ReleasedTexts();
        ++releaseRuns;
        return release ? release(dialog) : false;
    }
    bool RunModuleSelection(SlaveAuswahlModel& dialog) override
    {
        selectionShown = dialog.Texts();
        if (selectRow >= 0)
            dialog.Select(selectRow);
        return selectOk;
    }
    bool RunRecordingSetup() override
    {
        ++setupRuns;
        return setupOk;
    }
    std::optional<std::string> ChooseLoggerFile() override { return loggerFile; }
    void ShowDataLoggerGraph(const std::string& path, int language) override
    {
        graphPath = path;
        graphLanguage = language;
    }
    void ShowMeters() override { ++meterShows; }
    void CloseMeters() override { ++meterCloses; }
    void ShowMeter(std::uint8_t address) override { meterShown.push_back(address); }
    void RefreshViews() override { ++refreshes; }
    void ProcessEvents(int ms) override { clock.Advance(ms); }

    SimClock& clock;
    std::vector<std::string> messages, questions, errors, waits;
    std::map<int, std::string> panes;
    bool waitOpen = false, progressOpen = false;
    std::string progressTitle;
    int progressMax = 0;
    std::vector<int> progress;
    std::function<bool(FreigabeDlgModel&)> release = [](FreigabeDlgModel& d) {
        d.SelectAll();
        return true;
    };
    std::vector<std::string> releaseShownLeft, releaseShownRight;
    int releaseRuns = 0;
    std::vector<std::string> selectionShown;
    int selectRow = -1;
    bool selectOk = true;
    bool setupOk = true;
    int setupRuns = 0;
    bool answerOk = true;
    std::optional<std::string> loggerFile;
    std::string graphPath;
    int graphLanguage = -1;
    int meterShows = 0, meterCloses = 0, refreshes = 0;
    std::vector<std::uint8_t> meterShown;
};

struct FakeDocUi : data::DocumentUi {
    std::optional<std::string> ChooseFile(data::FileDialog, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 3; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
    void PotSampleAdded() override { ++potSamples; }
    void EisPointAdded() override { ++eisPoints; }
    std::vector<std::string> messages;
    int potSamples = 0, eisPoints = 0;
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
            int id = -1;
            std::int64_t due = 0;
            for (auto& [k, e] : timers.running)
                if (id < 0 || e.due < due) {
                    id = k;
                    due = e.due;
                }
            if (id < 0 || due > end)
                break;
            if (due > clock.TickMs())
                clock.Advance(due - clock.TickMs());
            auto& e = timers.running[id];
            e.due += e.periodMs > 0 ? e.periodMs : 1;
            if (e.due < clock.TickMs())
                e.due = clock.TickMs();
            station->OnTimer(id);
        }
        if (end > clock.TickMs())
            clock.Advance(end - clock.TickMs());
    }

    // Searches and releases everything found.
    void SearchAll()
    {
        ui.release = [](FreigabeDlgModel& d) {
            d.SelectAll();
            return true;
        };
        station->SearchModules();
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
    FakeDocUi docUi;
    data::Logbook logbook;
    data::CQORDoc doc;
    std::unique_ptr<Station> station;
};

// A scratch folder removed at the end of the test.
struct TempDir {
    TempDir()
    {
        char tmpl[] = "/tmp/qor_station_XXXXXX";
        const char* p = ::mkdtemp(tmpl);
        path = p ? p : "/tmp";
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

}  // namespace qor::station::testing
