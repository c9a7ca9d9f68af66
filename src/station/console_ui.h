#pragma once

#include "common/clock.h"
#include "data/document_ui.h"
#include "data/logbook.h"
#include "data/qor_doc.h"
#include "station/station.h"
#include "station/station_ui.h"
#include "station/timers.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qor::station {

// The station's seams for programs without a window (qortool): notices and progress go
// to a text stream, dialogs are answered by the policy set on the object.
class ConsoleUi : public StationUi {
public:
    explicit ConsoleUi(Clock& clock, std::FILE* out = stderr) : m_clock(clock), m_out(out) {}

    void ShowMessage(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    bool ShowErrorDialog(const std::string& text) override;
    void SetPane(int, const std::string&) override {}
    void ShowWait(const std::string&) override {}
    void CloseWait() override {}
    void ShowProgress(const std::string& title, const std::string& text, int maximum) override;
    void SetProgress(int value) override;
    void CloseProgress() override;
    bool RunReleaseDialog(FreigabeDlgModel& dialog) override;
    bool RunModuleSelection(SlaveAuswahlModel& dialog) override;
    bool RunRecordingSetup() override { return recordingSetup ? recordingSetup() : false; }
    std::optional<std::string> ChooseLoggerFile() override { return loggerFile; }
    void ShowDataLoggerGraph(const std::string& path, int) override { shownLoggerFile = path; }
    void ShowMeters() override {}
    void CloseMeters() override {}
    void ShowMeter(std::uint8_t) override {}
    void RefreshViews() override {}
    void ProcessEvents(int ms) override { m_clock.SleepMs(ms); }

    // Policy.
    bool releaseAll = false;  // the release dialog: release every module found (else Cancel)
    bool answerOk = false;    // OK/Cancel questions
    bool quiet = false;       // no progress lines
    std::function<bool()> recordingSetup;
    std::optional<std::string> loggerFile;

    // What happened.
    std::vector<std::string> messages;
    std::vector<std::string> notices;
    std::vector<std::string> found;  // "Slave %2d: %s" entries offered by the release dialog
    std::string shownLoggerFile;
    std::optional<std::uint8_t> selected;

private:
    Clock& m_clock;
    std::FILE* m_out;
    int m_progressMax = 0;
    int m_lastPercent = -1;
    std::string m_progressTitle;
};

// The document's seam without a window: messages to the stream, no graph.
class ConsoleDocumentUi : public data::DocumentUi {
public:
    explicit ConsoleDocumentUi(std::FILE* out = stderr) : m_out(out) {}
    std::optional<std::string> ChooseFile(data::FileDialog, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 1; }
    void ShowMessage(const std::string& text) override;
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
    std::vector<std::string> messages;

private:
    std::FILE* m_out;
};

// Window timers for a program without an event loop: Run fires them on the clock, sleeping
// in between.
class LoopTimers : public Timers {
public:
    explicit LoopTimers(Clock& clock) : m_clock(clock) {}
    void Start(int id, int ms) override;
    void Stop(int id) override { m_timers.erase(id); }
    bool Empty() const { return m_timers.empty(); }
    // Fires due timers through `fire` until `done()` holds; waits at most `sliceMs` at a time
    // so `done` is checked often. Returns when done() is true or no timer runs.
    void Run(const std::function<void(int)>& fire, const std::function<bool()>& done, int sliceMs = 50);

private:
    struct Entry {
        int periodMs;
        std::int64_t due;
    };
    Clock& m_clock;
    std::map<int, Entry> m_timers;
};

// A whole station for a command-line program: the console seams, a document, the logbook.
// Plug a transport into station.Link() before use.
struct ConsoleStation {
    ConsoleStation(Clock& clock, const StationConfig& config, std::FILE* out = stderr)
        : ui(clock, out), docUi(out), doc(clock, logbook, docUi), timers(clock),
          station(config, clock, ui, timers, doc, logbook)
    {
    }
    ConsoleUi ui;
    ConsoleDocumentUi docUi;
    data::Logbook logbook;
    data::CQORDoc doc;
    LoopTimers timers;
    Station station;
};

}  // namespace qor::station
