#include "ui/shell/main_frame.h"

#include "common/clock.h"
#include "data/qor_doc.h"
#include "export/export_dlg_model.h"
#include "export/text_export.h"
#include "station/link_texts.h"
#include "station/station.h"
#include "station/timers.h"
#include "ui/common/ui_texts.h"
#include "ui/document/export_dlg.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/document/graph_dl.h"
#include "ui/document/logbuch_view.h"
#include "ui/document/qor_view.h"
#include "ui/graph/graph_wnd.h"
#include "ui/graph/point_view_bar.h"
#include "ui/potentiostat/eis_graph.h"
#include "ui/potentiostat/graph_xy.h"
#include "ui/potentiostat/pot_windows.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui/shell/app_icon.h"
#include "ui/shell/command_texts.h"
#include "ui/shell/graph_output.h"
#include "ui/shell/live_views.h"
#include "ui/shell/main_menus.h"
#include "ui/shell/meter_windows.h"
#include "ui/shell/recent_files_menu.h"
#include "ui/shell/save_prompt.h"
#include "ui/shell/shell_services.h"
#include "ui/shell/text_eingabe.h"
#include "ui/shell/window_arrange.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/plant_link.h"
#include "ui/station/rs232_dlg.h"
#include "ui/station/station_alarms.h"
#include "wiring/bus_wiring.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace qor::ui {

CMainFrame::CMainFrame(const StartOptions& options, QWidget* parent)
    : CMainFrame(options, SystemClock::Instance(), nullptr, parent)
{
}

CMainFrame::CMainFrame(const StartOptions& options, Clock& clock, station::Timers& timers)
    : CMainFrame(options, clock, &timers, nullptr)
{
}

CMainFrame::CMainFrame(const StartOptions& options, Clock& clock, station::Timers* timers, QWidget* parent)
    : QMainWindow(parent), m_options(options), m_lang(options.language == 1 ? 1 : 0), m_clock(clock)
{
    setObjectName(QStringLiteral("mainFrame"));
    QApplication::setWindowIcon(AppIcon());
    m_configPath = station::ConfigPath();
    std::string error;
    m_fileConfig = station::LoadOrCreateConfig(m_configPath, nullptr, &error);
    station::StationConfig config = m_fileConfig;
    config.language = static_cast<std::uint8_t>(m_lang);

    m_services = std::make_unique<ShellServices>(*this, m_clock, timers);
    m_doc = std::make_unique<data::CQORDoc>(m_clock, m_logbook, *this);
    m_doc->OnNewDocument(m_lang);
    m_doc->SetJournalFolder(station::ConfigDirectory());
    m_doc->SetOfferRecovery(!Quiet());
    m_station =
        std::make_unique<station::Station>(config, m_clock, *m_services, *m_services, *m_doc, m_logbook);
    m_station->SetLanguage(m_lang);
    m_plantLink = std::make_unique<PlantLink>(*m_station);
    m_wiring = std::make_unique<wiring::BusWiring>(options, m_clock);
    m_wiring->Attach(m_station->Link());

    m_mdi = new QMdiArea(this);
    m_mdi->setBackground(QColor(0xB8, 0xBE, 0xC6));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    m_meters = std::make_unique<MeterWindows>(*m_mdi, [this](bool anyLeft) {
        if (!anyLeft)
            m_station->SetMetersShown(false);
        UpdateCommands();
    });
    m_live = std::make_unique<LiveViews>(*m_station, *m_meters);

    m_menus = std::make_unique<MainMenus>(*this);
    CreateStatusBar();
    m_alarms = std::make_unique<StationAlarms>(
        *this, *m_station, m_clock, m_menus->StationMenu(), [this](int a) { return MeterView(a); }, Quiet());
    m_plantLink->AttachAlarms(m_alarms->Monitor());
    Retranslate();
    if (options.width > 0)
        resize(options.width, options.height);
    else
        resize(1100, 760);

    SetPane(1, station::LinkPaneText(m_station->Link().Settings(), nullptr, m_lang));
    RefreshStatusPanes();
    if (!error.empty())
        statusBar()->showMessage(QString::fromStdString(error), 8000);

    if (!options.file.empty() && !data::IsLoggerFile(options.file))
        m_doc->OpenByPath(options.file);
    UpdateCommands();
}

CMainFrame::~CMainFrame()
{
    Shutdown();
    // The views borrow the document: take them down before it goes. An XY window shown
    // without its own loop (a picture) borrows the timers as well.
    qDeleteAll(findChildren<CGraphXY*>(QString(), Qt::FindDirectChildrenOnly));
    m_live.reset();
    delete m_mdi;
    m_mdi = nullptr;
    m_graphView = nullptr;
    m_logView = nullptr;
    m_plantLink.reset();  // it listens to the alarms
    m_alarms.reset();
    m_station.reset();
    m_doc.reset();
}

sim::SimBus* CMainFrame::SimulatedBus()
{
    return m_wiring->SimulatedBus();
}

QAction* CMainFrame::Action(station::Cmd cmd) const
{
    return m_menus->Action(cmd);
}

QAction* CMainFrame::LanguageAction(int lang) const
{
    return m_menus->LanguageAction(lang);
}

// ----------------------------------------------------------------------------------------
// End

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_station->DocumentClosed() && !m_doc->CanCloseFrame()) {
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
}

void CMainFrame::EndWithoutQuestions()
{
    if (m_station->Recording() || m_station->Measuring())
        m_station->StopAll();
    if (m_doc->FileBound() && m_doc->Modified())
        m_doc->OnFileSave();
    // Saved, the journal goes as on a clean close; otherwise it keeps the recording for the next start.
    if (!m_doc->Modified())
        m_doc->DropJournal();
    m_doc->SetModified(false);
    Shutdown();
    hide();
}

void CMainFrame::Shutdown()
{
    if (m_shutdownDone)
        return;
    m_shutdownDone = true;
    m_services->StopAllTimers();
    m_plantLink.reset();  // "offline" to the broker; its last logbook line
    m_station->AddLogbookEntry(Tr(txt::kEndOfProgram, m_lang).toStdString());
    m_station->Link().CloseEthernet();
    station::StationConfig save = m_station->ConfigToSave();
    save.language = static_cast<std::uint8_t>(m_lang);
    if (Quiet())
        return;
    // A transport given on the command line is for this run only; a simulated one is never saved.
    if (save.link.simulated ||
        (m_options.transport != StartOptions::Transport::Configured && !m_linkSetByUser))
        save.link = m_fileConfig.link;
    std::string error;
    if (!station::WriteConfigFile(m_configPath, save, &error))
        std::fprintf(stderr, "qorremote: %s\n", error.c_str());
}

// ----------------------------------------------------------------------------------------
// Recent files

const data::RecentFileList& CMainFrame::RecentFiles() const
{
    return m_menus->Recent().List();
}

QAction* CMainFrame::RecentAction(int index) const
{
    return m_menus->Recent().Action(index);
}

QAction* CMainFrame::AutoScrollAction() const
{
    return m_menus->AutoScroll();
}

void CMainFrame::OpenRecent(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= RecentFiles().Files().size())
        return;
    UpdateCommands();
    if (!station::CommandEnabled(station::Cmd::FileOpen, State()))
        return;
    const std::string path = RecentFiles().Files()[static_cast<std::size_t>(index)];
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        // A document that went away is taken off the list rather than created empty.
        ShowMessage(path + "\n" + Tr(txt::kFileNotFound, m_lang).toStdString());
        m_menus->Recent().Forget(path);
        return;
    }
    if (m_station->DocumentClosed())
        OnFileNew();
    if (m_doc->OpenByPath(path))
        m_doc->ReadBoundFile();
    UpdateViews();
    UpdateCommands();
    RefreshSampleCount();
}

}  // namespace qor::ui
