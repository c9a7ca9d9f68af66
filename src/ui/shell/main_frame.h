#pragma once

#include "common/clock.h"
#include "data/document_ui.h"
#include "data/logbook.h"
#include "data/recent_file_list.h"
#include "station/config.h"
#include "station/station_ui.h"
#include "station/timers.h"
#include "ui/shell/command_texts.h"
#include "ui/shell/start_options.h"

#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;

namespace qor::bus {
class ByteStream;
class Gateway;
}  // namespace qor::bus
namespace qor::data {
class CQORDoc;
}
namespace qor::sim {
class SimBus;
class SimLink;
class SimByteStream;
}  // namespace qor::sim
namespace qor::station {
class Station;
}

namespace qor::ui {

class CDigitalMessView;
class CLogbuchView;
class CProgressWnd;
class CWaitWnd;
class CQORView;

// The main window: owns the station, the document and the transports, shows the graph
// and logbook panes and the digital measurement views, and routes every command.
class CMainFrame : public QMainWindow,
                   public station::StationUi,
                   public station::Timers,
                   public data::DocumentUi {
    Q_OBJECT
public:
    explicit CMainFrame(const StartOptions& options, QWidget* parent = nullptr);
    // On a clock of the caller's: `timers` stands in for the window's QTimers (the caller fires
    // them through OnTimer) and waits pass on `clock` instead of in an event loop.
    CMainFrame(const StartOptions& options, Clock& clock, station::Timers& timers);
    ~CMainFrame() override;

    station::Station& GetStation() { return *m_station; }
    data::CQORDoc& Document() { return *m_doc; }
    data::Logbook& LogbookObject() { return m_logbook; }
    sim::SimBus* SimulatedBus() { return m_simBus.get(); }
    int Language() const { return m_lang; }
    void SetLanguage(int lang);

    QAction* Action(station::Cmd cmd) const { return m_actions.at(cmd); }
    QAction* LanguageAction(int lang) const { return lang == 1 ? m_english : m_german; }
    station::CommandState State() const;
    // Sets every command's enabled (and checked) state from the flags.
    void UpdateCommands();

    // Runs a command as the menu would (nothing when it is disabled).
    bool Run(station::Cmd cmd);

    QString PaneText(int pane) const;
    CLogbuchView* LogbookView() const { return m_logView; }
    CQORView* GraphView() const { return m_graphView; }
    QMdiArea* MdiArea() const { return m_mdi; }
    CDigitalMessView* MeterView(int address) const;
    QMdiSubWindow* MeterFrame(int address) const { return m_meterFrame[static_cast<std::size_t>(address)]; }
    bool TimerActive(int id) const;
    int TimerInterval(int id) const;
    // A tick of timer `id`.
    void OnTimer(int id);
    // Writes the configuration, "Programm beendet", closes the link (also on destruction).
    void Shutdown();
    // The program is asked to end from outside (a signal): a bound document with unsaved
    // samples is saved rather than asked about, then everything ends as on close.
    void EndWithoutQuestions();
    // The documents opened last, as the File menu lists them.
    const data::RecentFileList& RecentFiles() const { return m_recent; }
    QAction* RecentAction(int index) const { return m_recentActions[static_cast<std::size_t>(index)]; }
    // Opens a document of the recent list as the menu entry would.
    void OpenRecent(int index);

    // --- StationUi ---
    void ShowMessage(const std::string& text) override;
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

    // --- DocumentUi ---
    std::optional<std::string> ChooseFile(data::FileDialog kind, const std::string& defaultExt,
                                          const std::string& filter) override;
    int AskSave(const std::string& title, const std::string& text) override;
    void SetTitle(const std::string& title) override;
    void OpenDataLogger(const std::string& path, int language) override;
    void UpdateViews() override;
    void StopLogging() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CMainFrame(const StartOptions& options, Clock& clock, station::Timers* timers, QWidget* parent);
    void SetUpTransports(const StartOptions& options);
    void CreateActions();
    void CreateMenus();
    void LoadRecentFiles();
    void RememberRecentFile(const std::string& path);
    void StoreRecentFiles();
    void UpdateRecentMenu();
    void CreateStatusBar();
    void Retranslate();
    void FirstActivation();
    void CreatePanes();
    void LayoutPanes();
    void OnCommand(station::Cmd cmd);

    // Handlers.
    void OnPortSetup();
    void OnNewScale();
    void OnLogbookEntry();
    void OnToggleLogbook();
    void OnChoosePotentiostat();
    void OnFileNew();
    void OnFileOpen();
    void OnFileClose();
    void OnExport();
    bool CloseDocumentWindow();
    void OpenMeter(int address, int cascade);
    void MeterClosed(int address);
    void RefreshStatusPanes();
    void RefreshSampleCount();

    StartOptions m_options;
    int m_lang = 0;
    Clock& m_clock;
    station::Timers* m_outsideTimers = nullptr;
    std::string m_configPath;
    station::StationConfig m_fileConfig;  // as read, for transports given on the command line

    std::unique_ptr<Clock> m_busClock;
    std::unique_ptr<sim::SimBus> m_simBus;
    std::unique_ptr<sim::SimLink> m_simLink;
    std::unique_ptr<sim::SimByteStream> m_simSerial;
    std::unique_ptr<bus::ByteStream> m_serial;
    std::unique_ptr<bus::Gateway> m_gateway;

    data::Logbook m_logbook;
    std::unique_ptr<data::CQORDoc> m_doc;
    std::unique_ptr<station::Station> m_station;

    QMdiArea* m_mdi = nullptr;
    QMdiSubWindow* m_graphFrame = nullptr;
    QMdiSubWindow* m_logFrame = nullptr;
    CQORView* m_graphView = nullptr;
    CLogbuchView* m_logView = nullptr;
    std::array<QMdiSubWindow*, 16> m_meterFrame{};
    bool m_logbookShown = true;
    bool m_firstActivationPending = true;
    bool m_shutdownDone = false;
    bool m_inRefresh = false;
    bool m_linkSetByUser = false;

    std::map<station::Cmd, QAction*> m_actions;
    QAction* m_german = nullptr;
    QAction* m_english = nullptr;
    QAction* m_exit = nullptr;
    data::RecentFileList m_recent;
    std::array<QAction*, 4> m_recentActions{};
    QAction* m_recentSeparator = nullptr;
    QAction* m_cascade = nullptr;
    QAction* m_tile = nullptr;
    QAction* m_about = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_stationMenu = nullptr;
    QMenu* m_potMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_languageMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QToolBar* m_toolbar = nullptr;
    std::array<QLabel*, 4> m_panes{};  // link, transfer, modules, samples
    std::map<int, QTimer*> m_timers;

    CWaitWnd* m_wait = nullptr;
    CProgressWnd* m_progress = nullptr;
};

}  // namespace qor::ui
