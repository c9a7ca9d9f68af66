#pragma once

#include "station/station_ui.h"
#include "station/timers.h"

#include <QString>
#include <map>
#include <optional>
#include <string>

class QTimer;
class QWidget;

namespace qor {
class Clock;
}
namespace qor::data {
enum class FileDialog;
}

namespace qor::ui {

class CMainFrame;
class CProgressWnd;
class CWaitWnd;

// The station's seams as the main window serves them: message boxes, the wait and progress
// windows, the window timers and the file dialogs. Panes, measurement views and the recording
// setup are the window's own and are handed back to it.
class ShellServices final : public station::StationUi, public station::Timers {
public:
    // With `outsideTimers` the station's timers and waits are the caller's (a test on a
    // simulated clock); otherwise they are QTimers and an event loop.
    ShellServices(CMainFrame& frame, Clock& clock, station::Timers* outsideTimers);
    ~ShellServices() override;

    // --- StationUi ---
    void ShowMessage(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    bool ShowErrorDialog(const std::string& text) override;
    void SetPane(int pane, const std::string& text) override;
    void ShowWait(const std::string& text) override;
    void CloseWait() override;
    void ShowProgress(const std::string& title, const std::string& text, int maximum) override;
    void SetProgress(int value) override;
    void CloseProgress() override;
    bool RunReleaseDialog(station::FreigabeDlgModel& dialog) override;
    bool RunModuleSelection(station::SlaveAuswahlModel& dialog) override;
    bool RunRecordingSetup() override;
    std::optional<std::string> ChooseLoggerFile() override;
    void ShowDataLoggerGraph(const std::string& path, int language) override;
    void ShowMeters() override;
    void CloseMeters() override;
    void ShowMeter(std::uint8_t address) override;
    void RefreshViews() override;
    void ProcessEvents(int ms) override;

    // --- Timers ---
    void Start(int id, int ms) override;
    void Stop(int id) override;
    void StopAllTimers();
    bool TimerActive(int id) const;
    int TimerInterval(int id) const;

    // The document's file dialog: open, import or save as, with a filter in the
    // "Label (*.ext)|*.ext||" form.
    std::optional<std::string> ChooseFile(data::FileDialog kind, const std::string& defaultExt,
                                          const std::string& filter);

private:
    QWidget* Window() const;
    QWidget* NoticeParent() const;
    int Language() const;

    CMainFrame& m_frame;
    Clock& m_clock;
    station::Timers* m_outsideTimers;
    std::map<int, QTimer*> m_timers;
    CWaitWnd* m_wait = nullptr;
    CProgressWnd* m_progress = nullptr;
};

// "QOR (*.qo3)|*.qo3|Alle Dateien (*.*)|*.*||" -> "QOR (*.qo3);;Alle Dateien (*.*)" in German,
// "QOR (*.qo3);;All files (*.*)" in English.
QString QtFilter(const std::string& filter, int lang);

}  // namespace qor::ui
