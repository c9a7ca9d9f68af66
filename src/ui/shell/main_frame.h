#pragma once

#include "data/document_ui.h"
#include "data/logbook.h"
#include "data/recent_file_list.h"
#include "station/command_rules.h"
#include "station/config.h"
#include "ui/shell/start_options.h"
#include "ui/shell/toolkit_language.h"

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace qor {
class Clock;
}
namespace qor::data {
class CQORDoc;
}
namespace qor::sim {
class SimBus;
}
namespace qor::station {
class Station;
class Timers;
}  // namespace qor::station
namespace qor::wiring {
class BusWiring;
}

namespace qor::ui {

class CDigitalMessView;
class CEISGraph;
class CGraphDL;
class CGrafikSetupGlg;
class CLogbuchView;
class CPointViewBar;
class CXYGraph;
class CGraphXY;
class CQORView;
class MainMenus;
class LiveViews;
class MeterWindows;
class PlantLink;
class ShellServices;
class StationAlarms;

// The main window: owns the station, the document and the link, shows the graph and
// logbook panes and the digital measurement views, and routes every command. What the
// station asks of a user interface is served by its ShellServices.
class CMainFrame : public QMainWindow, public data::DocumentUi {
    Q_OBJECT
public:
    explicit CMainFrame(const StartOptions& options, QWidget* parent = nullptr);
    // On a clock of the caller's: `timers` stand in for the window's QTimers (the caller fires
    // them through OnTimer) and waits pass on `clock` instead of in an event loop.
    CMainFrame(const StartOptions& options, Clock& clock, station::Timers& timers);
    ~CMainFrame() override;

    station::Station& GetStation() { return *m_station; }
    data::CQORDoc& Document() { return *m_doc; }
    data::Logbook& LogbookObject() { return m_logbook; }
    // The simulated bus when the program was started on it, else null.
    sim::SimBus* SimulatedBus();
    int Language() const { return m_lang; }
    void SetLanguage(int lang);

    QAction* Action(station::Cmd cmd) const;
    QAction* LanguageAction(int lang) const;
    station::CommandState State() const;
    // Sets every command's enabled (and checked) state from the flags.
    void UpdateCommands();

    // Runs a command as the menu would (nothing when it is disabled).
    bool Run(station::Cmd cmd);

    QString PaneText(int pane) const;
    CLogbuchView* LogbookView() const { return m_logView; }
    CQORView* GraphView() const { return m_graphView; }
    // The potentiostat run window and the impedance window, once opened.
    CXYGraph* PotGraph() const { return m_potGraph; }
    // The XY window on the document's samples, named after the potentiostat the station drives;
    // the caller runs or shows it.
    std::unique_ptr<CGraphXY> MakeXyGraph();
    // The run window, opened or drawn anew from the whole list.
    void ShowRunGraph();
    // Station > Plant link.
    void ShowPlantLink();
    CEISGraph* EisGraph() const { return m_eisGraph; }
    QMdiArea* MdiArea() const { return m_mdi; }
    StationAlarms& Alarms() const { return *m_alarms; }
    CDigitalMessView* MeterView(int address) const;
    QMdiSubWindow* MeterFrame(int address) const;
    bool TimerActive(int id) const;
    int TimerInterval(int id) const;
    // A window timer of the station has run out.
    void OnTimer(int id);
    // Writes the configuration, "Programm beendet", closes the link (also on destruction).
    void Shutdown();
    // The program is asked to end from outside (a signal): a bound document with unsaved
    // samples is saved rather than asked about, then everything ends as on close.
    void EndWithoutQuestions();
    // The documents opened last, as the File menu lists them.
    const data::RecentFileList& RecentFiles() const;
    QAction* RecentAction(int index) const;
    QAction* AutoScrollAction() const;
    // Opens a document of the recent list as the menu entry would.
    void OpenRecent(int index);
    const MainMenus& Menus() const { return *m_menus; }

    // File › Print (or its preview) and Export as PDF of the document graph.
    void PrintGraphCommand(bool preview);
    void ExportPdfCommand();
    // View › Point list: a bar listing the points of a curve of the graph.
    void ShowPointList(bool on);
    CPointViewBar* PointList() const { return m_pointBar; }
    // Window › Tile and Cascade.
    void ArrangeWindows(bool tile);
    // A run that makes a picture asks nothing: messages are kept here (and printed) instead of
    // shown, save questions are answered No; settings and the recent files are not written.
    bool Quiet() const { return !m_options.screenshot.empty(); }
    const std::vector<std::string>& QuietMessages() const { return m_quietMessages; }
    bool Activated() const { return !m_firstActivationPending && m_graphFrame != nullptr; }

    // The window's part of the station's seams (see ShellServices).
    void SetPane(int pane, const std::string& text);
    bool RunRecordingSetup();
    // A notice in the status bar that asks nothing and holds nothing up.
    void ShowNotice(const std::string& text);
    void ShowMeters();
    void CloseMeters();
    void ShowMeter(std::uint8_t address);
    void RefreshViews();
    // The impedance window (its menu command, the screenshots).
    void ShowEisGraph();

    // --- DocumentUi ---
    std::optional<std::string> ChooseFile(data::FileDialog kind, const std::string& defaultExt,
                                          const std::string& filter) override;
    int AskSave(const std::string& title, const std::string& text) override;
    bool AskRecover(const std::string& title, const std::string& text) override;
    bool AskReplaceReadOnly(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void SetTitle(const std::string& title) override;
    void OpenDataLogger(const std::string& path, int language) override;
    void UpdateViews() override;
    void StopLogging() override;
    void CollectGraph(data::CGraphPropObject& props, std::vector<data::CStringDatenObject>& labels) override;
    void ClearGraph() override;
    void SamplesAdded() override;
    void SetupChanged() override;
    void FileRead(const std::vector<data::CStringDatenObject>& labels) override;
    void PotSampleAdded() override;
    void EisPointAdded() override;
    // The XY window ("Display XY-Graphic window"); the run window opens on the samples.
    void ShowPotGraph() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CMainFrame(const StartOptions& options, Clock& clock, station::Timers* timers, QWidget* parent);
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
    void OnChoosePotentiostat(station::Cmd cmd);
    void OnFileNew();
    void OnFileOpen();
    void OnFileClose();
    void OnExport();
    bool CloseDocumentWindow();
    void RefreshStatusPanes();
    void RefreshSampleCount();
    void RefreshPointList(bool anew);
    // The setup's Y fields start from the section the graph shows while it has curves.
    void OfferGraphRange(CGrafikSetupGlg& dlg) const;
    QString GraphTitle() const;

    static constexpr int kNoticeMs = 10000;

    StartOptions m_options;
    int m_lang = 0;
    Clock& m_clock;
    std::string m_configPath;
    station::StationConfig m_fileConfig;  // as read, for transports given on the command line

    std::unique_ptr<wiring::BusWiring> m_wiring;
    std::unique_ptr<ShellServices> m_services;
    data::Logbook m_logbook;
    std::unique_ptr<data::CQORDoc> m_doc;
    std::unique_ptr<station::Station> m_station;
    std::unique_ptr<PlantLink> m_plantLink;  // after the station: ends before it
    std::unique_ptr<StationAlarms> m_alarms;

    QMdiArea* m_mdi = nullptr;
    QMdiSubWindow* m_graphFrame = nullptr;
    QMdiSubWindow* m_logFrame = nullptr;
    CQORView* m_graphView = nullptr;
    CLogbuchView* m_logView = nullptr;
    std::unique_ptr<MeterWindows> m_meters;
    std::unique_ptr<LiveViews> m_live;  // the meters' feed of each poll cycle
    CGraphDL* m_loggerGraph = nullptr;
    CXYGraph* m_potGraph = nullptr;
    CGraphXY* m_xyGraph = nullptr;  // while it is open
    CEISGraph* m_eisGraph = nullptr;
    CPointViewBar* m_pointBar = nullptr;
    std::vector<std::string> m_quietMessages;
    bool m_logbookShown = true;
    bool m_firstActivationPending = true;
    bool m_shutdownDone = false;
    bool m_inRefresh = false;
    bool m_linkSetByUser = false;

    std::unique_ptr<MainMenus> m_menus;
    ToolkitLanguage m_toolkitLanguage;
    std::array<QLabel*, 4> m_panes{};  // link, transfer, modules, samples
};

}  // namespace qor::ui
