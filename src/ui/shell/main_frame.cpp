#include "ui/shell/main_frame.h"

#include "bus/link_host.h"
#include "catalogue/catalogue.h"
#include "data/qor_doc.h"
#include "export/export_dlg_model.h"
#include "export/text_export.h"
#include "io/serial_link.h"
#include "io/tcp_link.h"
#include "sim/sim_bus.h"
#include "sim/sim_byte_stream.h"
#include "sim/sim_link.h"
#include "station/station.h"
#include "station/station_texts.h"
#include "ui/shell/app_icon.h"
#include "ui/station/digital_mess_view.h"
#include "ui/document/export_dlg.h"
#include "ui/shell/fehler_dlg.h"
#include "ui/station/freigabe_dlg.h"
#include "ui/station/slave_auswahl.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/document/logbuch_view.h"
#include "ui/document/qor_view.h"
#include "ui/station/rs232_dlg.h"
#include "ui/shell/save_prompt.h"
#include "ui/shell/text_eingabe.h"
#include "ui/shell/ui_texts.h"
#include "ui/shell/wait_wnd.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QFileInfo>
#include <QMenuBar>
#include <QSettings>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <chrono>
#include <thread>

namespace qor::ui {

namespace {

constexpr int kCascadeStep = 20;
constexpr TextPair kAppName{"QORremote", "QORremote"};
constexpr TextPair kStartOfProgram{"Programmstart", "Start of program"};
constexpr TextPair kEndOfProgram{"Programm beendet", "End of program"};
constexpr TextPair kLoggerWritten{"Datenlogger-Datei geschrieben:\n%1", "Data logger file written:\n%1"};
constexpr TextPair kPotentiostatChosen{"Slave %1 gewählt.\n", "Slave %1 chosen.\n"};
constexpr TextPair kAbout{"QORremote\nMessstation für bis zu sechzehn Messmodule.",
                          "QORremote\nMeasurement station for up to sixteen measuring modules."};

// The bus clock of the simulated bus: the window's time, except that waiting for a silent
// module passes at once, so a search of sixteen addresses does not freeze the window.
class SimulatedBusClock final : public Clock {
public:
    explicit SimulatedBusClock(const Clock& base) : m_base(base) {}
    std::int64_t Now() const override { return m_base.Now() + m_skippedMs / 1000; }
    std::int64_t TickMs() const override { return m_base.TickMs() + m_skippedMs; }
    void SleepMs(std::int64_t ms) override { m_skippedMs += std::max<std::int64_t>(ms, 0); }

private:
    const Clock& m_base;
    std::int64_t m_skippedMs = 0;
};

// "QOR (*.qo3)|*.qo3|Alle Dateien (*.*)|*.*||" -> "QOR (*.qo3);;Alle Dateien (*.*)".
QString QtFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString label = parts[i];
        const int open = label.indexOf(QLatin1Char('('));
        out << (open >= 0 ? label.left(open).trimmed() : label) + QStringLiteral(" (") + patterns +
                   QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QIcon Icon(QStyle::StandardPixmap p)
{
    return QApplication::style()->standardIcon(p);
}

}  // namespace

CMainFrame::CMainFrame(const StartOptions& options, QWidget* parent)
    : CMainFrame(options, SystemClock::Instance(), nullptr, parent)
{
}

CMainFrame::CMainFrame(const StartOptions& options, Clock& clock, station::Timers& timers)
    : CMainFrame(options, clock, &timers, nullptr)
{
}

CMainFrame::CMainFrame(const StartOptions& options, Clock& clock, station::Timers* timers, QWidget* parent)
    : QMainWindow(parent), m_options(options), m_lang(options.language == 1 ? 1 : 0), m_clock(clock),
      m_outsideTimers(timers)
{
    setObjectName(QStringLiteral("mainFrame"));
    QApplication::setWindowIcon(AppIcon());
    m_configPath = station::ConfigPath();
    std::string error;
    m_fileConfig = station::LoadOrCreateConfig(m_configPath, nullptr, &error);
    station::StationConfig config = m_fileConfig;
    config.language = static_cast<std::uint8_t>(m_lang);

    m_doc = std::make_unique<data::CQORDoc>(m_clock, m_logbook, *this);
    m_doc->OnNewDocument(m_lang);
    m_station = std::make_unique<station::Station>(config, m_clock, *this, *this, *m_doc, m_logbook);
    m_station->SetLanguage(m_lang);
    SetUpTransports(options);

    m_mdi = new QMdiArea(this);
    m_mdi->setBackground(QColor(0xB8, 0xBE, 0xC6));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);

    CreateActions();
    CreateMenus();
    CreateStatusBar();
    Retranslate();
    resize(1100, 760);

    const bus::BusLink& link = m_station->Link();
    SetPane(1, link.Ethernet() ? link.EthernetPaneText(nullptr) : link.SerialPaneText());
    RefreshStatusPanes();
    if (!error.empty())
        statusBar()->showMessage(QString::fromStdString(error), 8000);

    if (!options.file.empty())
        m_doc->OpenByPath(options.file);
    UpdateCommands();
}

CMainFrame::~CMainFrame()
{
    Shutdown();
    for (auto& [id, timer] : m_timers)
        timer->stop();
    // The views borrow the document: take them down before it goes.
    delete m_mdi;
    m_mdi = nullptr;
    m_graphView = nullptr;
    m_logView = nullptr;
    m_meterFrame.fill(nullptr);
    m_station.reset();
    m_doc.reset();
}

void CMainFrame::SetUpTransports(const StartOptions& options)
{
    bus::BusLink& link = m_station->Link();
    switch (options.transport) {
    case StartOptions::Transport::Simulate: {
        m_busClock = std::make_unique<SimulatedBusClock>(m_clock);
        m_simBus = std::make_unique<sim::SimBus>(*m_busClock, 7);
        m_simBus->AddDefaultModules();
        m_simBus->AddModule(3, 66);  // potentiostat, 5 µA range
        m_simLink = std::make_unique<sim::SimLink>(*m_simBus);
        m_simSerial = std::make_unique<sim::SimByteStream>(*m_simBus);
        link.SetGateway(m_simLink.get());
        link.SetSerial(m_simSerial.get());
        link.Settings().ethernet = 1;
        link.Settings().ip = {127, 0, 0, 1};
        link.Settings().tcpPort = 50000;
        return;
    }
    case StartOptions::Transport::Tcp:
        link.Settings().ethernet = 1;
        link.Settings().ip = options.ip;
        link.Settings().tcpPort = options.tcpPort;
        break;
    case StartOptions::Transport::Serial:
        link.Settings().ethernet = 0;
        link.Settings().device = options.device;
        break;
    case StartOptions::Transport::Configured:
        break;
    }
    m_serial = std::make_unique<io::SerialLink>();
    m_gateway = std::make_unique<io::TcpLink>();
    link.SetSerial(m_serial.get());
    link.SetGateway(m_gateway.get());
}

// ----------------------------------------------------------------------------------------
// Commands, menus, status bar

void CMainFrame::CreateActions()
{
    struct Setup {
        station::Cmd cmd;
        QStyle::StandardPixmap icon;
        bool toolbar;
    };
    const Setup setups[] = {
        {station::Cmd::FileNew, QStyle::SP_FileIcon, false},
        {station::Cmd::FileOpen, QStyle::SP_DialogOpenButton, true},
        {station::Cmd::FileClose, QStyle::SP_DialogCloseButton, false},
        {station::Cmd::FileSave, QStyle::SP_DialogSaveButton, true},
        {station::Cmd::FileSaveAs, QStyle::SP_DialogSaveButton, false},
        {station::Cmd::FileExport, QStyle::SP_FileDialogDetailedView, false},
        {station::Cmd::FileImport, QStyle::SP_FileDialogStart, false},
        {station::Cmd::PortSetup, QStyle::SP_ComputerIcon, true},
        {station::Cmd::SearchModules, QStyle::SP_FileDialogContentsView, true},
        {station::Cmd::StartMeasuring, QStyle::SP_MediaPlay, true},
        {station::Cmd::ShowMeters, QStyle::SP_DesktopIcon, true},
        {station::Cmd::StartRecording, QStyle::SP_DialogApplyButton, true},
        {station::Cmd::Stop, QStyle::SP_MediaStop, true},
        {station::Cmd::NewScale, QStyle::SP_FileDialogListView, false},
        {station::Cmd::LogbookEntry, QStyle::SP_FileDialogNewFolder, true},
        {station::Cmd::ToggleLogbook, QStyle::SP_FileDialogInfoView, true},
        {station::Cmd::ReadDataLogger, QStyle::SP_ArrowDown, false},
        {station::Cmd::ReadDeviceLogbook, QStyle::SP_ArrowDown, false},
        {station::Cmd::StartPotentiostat, QStyle::SP_MediaSeekForward, false},
        {station::Cmd::StopPotentiostat, QStyle::SP_MediaPause, false},
        {station::Cmd::DefineSteps, QStyle::SP_FileDialogListView, false},
        {station::Cmd::ManualOperation, QStyle::SP_DialogHelpButton, false},
        {station::Cmd::StartPotAndRecording, QStyle::SP_MediaSkipForward, false},
    };
    m_toolbar = addToolBar(QString());
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setIconSize(QSize(20, 20));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const Setup& s : setups) {
        auto* a = new QAction(Icon(s.icon), QString(), this);
        const station::Cmd cmd = s.cmd;
        connect(a, &QAction::triggered, this, [this, cmd] { Run(cmd); });
        m_actions[cmd] = a;
        if (s.toolbar) {
            if (cmd == station::Cmd::PortSetup || cmd == station::Cmd::LogbookEntry)
                m_toolbar->addSeparator();
            m_toolbar->addAction(a);
        }
    }
    m_actions[station::Cmd::ToggleLogbook]->setCheckable(true);
    m_actions[station::Cmd::FileOpen]->setShortcut(QKeySequence::Open);
    m_actions[station::Cmd::FileSave]->setShortcut(QKeySequence::Save);
    m_actions[station::Cmd::FileNew]->setShortcut(QKeySequence::New);

    m_german = new QAction(this);
    m_english = new QAction(this);
    for (QAction* a : {m_german, m_english})
        a->setCheckable(true);
    connect(m_german, &QAction::triggered, this, [this] { SetLanguage(0); });
    connect(m_english, &QAction::triggered, this, [this] { SetLanguage(1); });
    m_exit = new QAction(this);
    m_exit->setShortcut(QKeySequence::Quit);
    connect(m_exit, &QAction::triggered, this, &QWidget::close);
    m_cascade = new QAction(this);
    connect(m_cascade, &QAction::triggered, this, [this] { m_mdi->cascadeSubWindows(); });
    m_tile = new QAction(this);
    connect(m_tile, &QAction::triggered, this, [this] { m_mdi->tileSubWindows(); });
    m_about = new QAction(this);
    connect(m_about, &QAction::triggered, this,
            [this] { QMessageBox::about(this, Tr(kAppName, m_lang), Tr(kAbout, m_lang)); });
}

void CMainFrame::CreateMenus()
{
    m_fileMenu = menuBar()->addMenu(QString());
    for (station::Cmd c : {station::Cmd::FileNew, station::Cmd::FileOpen, station::Cmd::FileClose, station::Cmd::FileSave, station::Cmd::FileSaveAs})
        m_fileMenu->addAction(m_actions[c]);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actions[station::Cmd::FileImport]);
    m_fileMenu->addAction(m_actions[station::Cmd::FileExport]);
    m_recentSeparator = m_fileMenu->addSeparator();
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        m_recentActions[i] = m_fileMenu->addAction(QString());
        connect(m_recentActions[i], &QAction::triggered, this, [this, i] { OpenRecent(static_cast<int>(i)); });
    }
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_exit);
    LoadRecentFiles();

    m_stationMenu = menuBar()->addMenu(QString());
    for (station::Cmd c : {station::Cmd::PortSetup, station::Cmd::SearchModules})
        m_stationMenu->addAction(m_actions[c]);
    m_stationMenu->addSeparator();
    for (station::Cmd c : {station::Cmd::StartMeasuring, station::Cmd::ShowMeters, station::Cmd::StartRecording, station::Cmd::Stop})
        m_stationMenu->addAction(m_actions[c]);
    m_stationMenu->addSeparator();
    m_stationMenu->addAction(m_actions[station::Cmd::NewScale]);
    m_stationMenu->addSeparator();
    m_stationMenu->addAction(m_actions[station::Cmd::ReadDataLogger]);
    m_stationMenu->addAction(m_actions[station::Cmd::ReadDeviceLogbook]);

    m_potMenu = menuBar()->addMenu(QString());
    for (station::Cmd c : {station::Cmd::StartPotentiostat, station::Cmd::StopPotentiostat, station::Cmd::StartPotAndRecording})
        m_potMenu->addAction(m_actions[c]);
    m_potMenu->addSeparator();
    m_potMenu->addAction(m_actions[station::Cmd::DefineSteps]);
    m_potMenu->addAction(m_actions[station::Cmd::ManualOperation]);

    m_viewMenu = menuBar()->addMenu(QString());
    m_viewMenu->addAction(m_actions[station::Cmd::ToggleLogbook]);
    m_viewMenu->addAction(m_actions[station::Cmd::LogbookEntry]);
    m_languageMenu = m_viewMenu->addMenu(QString());
    m_languageMenu->addAction(m_german);
    m_languageMenu->addAction(m_english);

    m_windowMenu = menuBar()->addMenu(QString());
    m_windowMenu->addAction(m_cascade);
    m_windowMenu->addAction(m_tile);

    m_helpMenu = menuBar()->addMenu(QString());
    m_helpMenu->addAction(m_about);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    const int widths[4] = {200, 150, 150, 110};
    for (int i = 0; i < 4; ++i) {
        auto* l = new QLabel(bar);
        l->setObjectName(QStringLiteral("pane%1").arg(i + 1));
        l->setMinimumWidth(widths[i]);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setContentsMargins(4, 0, 4, 0);
        bar->addPermanentWidget(l);
        m_panes[static_cast<std::size_t>(i)] = l;
    }
}

void CMainFrame::Retranslate()
{
    for (auto& [cmd, action] : m_actions) {
        const CommandText& t = TextOf(cmd);
        action->setText(Tr(t.label, m_lang));
        const QString prompt = Tr(t.prompt, m_lang);
        const int nl = prompt.indexOf(QLatin1Char('\n'));
        action->setStatusTip(nl >= 0 ? prompt.left(nl) : prompt);
        QString tip = nl >= 0 ? prompt.mid(nl + 1).trimmed() : prompt;
        tip.remove(QLatin1Char('&'));
        action->setToolTip(tip);
        action->setIconText(tip);
    }
    m_fileMenu->setTitle(Tr(txt::kMenuFile, m_lang));
    m_stationMenu->setTitle(Tr(txt::kMenuStation, m_lang));
    m_potMenu->setTitle(Tr(txt::kMenuPotentiostat, m_lang));
    m_viewMenu->setTitle(Tr(txt::kMenuView, m_lang));
    m_languageMenu->setTitle(Tr(txt::kMenuLanguage, m_lang));
    m_windowMenu->setTitle(Tr(txt::kMenuWindow, m_lang));
    m_helpMenu->setTitle(Tr(txt::kMenuHelp, m_lang));
    m_german->setText(Tr(txt::kMenuGerman, m_lang));
    m_english->setText(Tr(txt::kMenuEnglish, m_lang));
    m_german->setStatusTip(Tr(txt::kPromptLanguage, m_lang));
    m_english->setStatusTip(Tr(txt::kPromptLanguage, m_lang));
    m_german->setChecked(m_lang == 0);
    m_english->setChecked(m_lang == 1);
    m_exit->setText(Tr(txt::kFileExit, m_lang));
    m_cascade->setText(Tr(txt::kMenuCascade, m_lang));
    m_tile->setText(Tr(txt::kMenuTile, m_lang));
    m_about->setText(Tr(txt::kMenuAbout, m_lang));
    m_toolbar->setWindowTitle(Tr(txt::kToolbar, m_lang));
    if (m_graphView)
        m_graphView->SetLanguage(m_lang);
    if (m_graphFrame)
        m_graphFrame->setWindowTitle(Tr(txt::kGraphPane, m_lang));
    if (m_logView)
        m_logView->SetLanguage(m_lang);
    if (m_logFrame)
        m_logFrame->setWindowTitle(Tr(txt::kLogbookPane, m_lang));
    for (int a = 0; a < 16; ++a)
        if (CDigitalMessView* v = MeterView(a))
            v->SetLanguage(m_lang);
    RefreshStatusPanes();
    RefreshSampleCount();
}

void CMainFrame::SetLanguage(int lang)
{
    m_lang = lang == 1 ? 1 : 0;
    m_station->SetLanguage(m_lang);
    m_station->Config().language = static_cast<std::uint8_t>(m_lang);
    m_doc->m_language = m_lang;
    // Module names, value names and units follow the window's language.
    for (auto& slave : m_doc->m_slave)
        slave.m_language = static_cast<std::uint8_t>(m_lang);
    Retranslate();
    RefreshViews();
    if (!m_doc->m_path.empty())
        SetTitle(m_doc->m_path);
    else
        SetTitle(std::string());
}

station::CommandState CMainFrame::State() const
{
    station::CommandState s = m_station->Commands();
    s.logbookShown = m_logbookShown && m_logFrame != nullptr;
    return s;
}

void CMainFrame::UpdateCommands()
{
    const station::CommandState s = State();
    for (auto& [cmd, action] : m_actions)
        action->setEnabled(station::CommandEnabled(cmd, s));
    m_actions[station::Cmd::ToggleLogbook]->setChecked(m_logbookShown);
    for (QAction* a : m_recentActions)
        if (a)
            a->setEnabled(station::CommandEnabled(station::Cmd::FileOpen, s));
}

bool CMainFrame::Run(station::Cmd cmd)
{
    UpdateCommands();
    if (!station::CommandEnabled(cmd, State()))
        return false;
    OnCommand(cmd);
    UpdateCommands();
    RefreshSampleCount();
    return true;
}

void CMainFrame::OnCommand(station::Cmd cmd)
{
    station::Station& st = *m_station;
    switch (cmd) {
    case station::Cmd::PortSetup:
        OnPortSetup();
        break;
    case station::Cmd::SearchModules:
        st.SearchModules();
        break;
    case station::Cmd::StartMeasuring:
        st.StartMeasuring();
        break;
    case station::Cmd::ShowMeters:
        st.ShowMeters();
        break;
    case station::Cmd::StartRecording:
        st.StartRecording();
        break;
    case station::Cmd::Stop:
        st.StopCommand();
        break;
    case station::Cmd::NewScale:
        OnNewScale();
        break;
    case station::Cmd::LogbookEntry:
        OnLogbookEntry();
        break;
    case station::Cmd::ToggleLogbook:
        OnToggleLogbook();
        break;
    case station::Cmd::StartPotentiostat:
        st.StartPotentiostat();
        break;
    case station::Cmd::StopPotentiostat:
        st.StopPotentiostat();
        break;
    case station::Cmd::DefineSteps:
    case station::Cmd::ManualOperation:
        OnChoosePotentiostat();
        break;
    case station::Cmd::StartPotAndRecording:
        st.StartPotentiostatAndRecording();
        break;
    case station::Cmd::ReadDataLogger:
        st.ReadDataLogger();
        break;
    case station::Cmd::ReadDeviceLogbook:
        st.ReadDeviceLogbook();
        break;
    case station::Cmd::FileNew:
        OnFileNew();
        break;
    case station::Cmd::FileOpen:
        OnFileOpen();
        break;
    case station::Cmd::FileClose:
        OnFileClose();
        break;
    case station::Cmd::FileSave:
        m_doc->OnFileSave();
        break;
    case station::Cmd::FileSaveAs:
        m_doc->OnFileSaveAs();
        break;
    case station::Cmd::FileExport:
        OnExport();
        break;
    case station::Cmd::FileImport:
        m_doc->OnFileImport();
        break;
    case station::Cmd::Count:
        break;
    }
    if (m_graphView)
        m_graphView->OnUpdate();
}

void CMainFrame::OnPortSetup()
{
    station::StationConfig current = m_station->Config();
    current.link = m_station->Link().Settings();
    Crs232 dlg(current, m_lang, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const station::StationConfig r = dlg.Result();
    m_linkSetByUser = true;
    station::StationConfig& c = m_station->Config();
    c.interval = r.interval;
    c.idCount = r.idCount;
    c.autoEnable = r.autoEnable;
    bus::BusLink& link = m_station->Link();
    link.Settings() = r.link;
    c.link = r.link;
    if (link.Ethernet()) {
        link.CloseEthernet();
        SetPane(1, link.EthernetPaneText(nullptr));
        link.OpenEthernet();
    } else {
        // Leaving the gateway: the socket is closed and its keep-alive ends.
        link.CloseEthernet();
        Stop(bus::kTimerKeepAlive);
        link.OpenPort();
        SetPane(1, link.SerialPaneText());
    }
}

void CMainFrame::OnNewScale()
{
    CGrafikSetupGlg dlg(*m_doc, false, m_lang, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_doc->m_modified = true;
    m_doc->m_rebuildGraph = true;
    UpdateViews();
}

void CMainFrame::OnLogbookEntry()
{
    CTextEingabe dlg(m_lang, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const std::string text = data::ManualEntryText(dlg.Text(), m_lang);
    if (!text.empty())
        m_station->AddLogbookEntry(text);
}

void CMainFrame::OnToggleLogbook()
{
    m_logbookShown = !m_logbookShown;
    if (m_logFrame)
        m_logFrame->setVisible(m_logbookShown);
    LayoutPanes();
}

void CMainFrame::OnChoosePotentiostat()
{
    const std::optional<std::uint8_t> address = m_station->ChoosePotentiostat();
    if (!address)
        return;
    ShowMessage(
        (Tr(kPotentiostatChosen, m_lang).arg(*address) + Tr(txt::kNotAvailable, m_lang)).toStdString());
}

void CMainFrame::OnExport()
{
    const std::optional<std::string> path =
        ChooseFile(data::FileDialog::SaveAs, "txt", "Tabellen (*.txt) | *.txt | Alle Dateien (*.*)|*.*||");
    if (!path)
        return;
    exporter::ExportDlgModel model(m_doc->m_slave, m_doc->m_grafikSetup, *m_doc->m_virtuell, m_lang);
    CExportDlg dlg(model, m_lang, this);
    // The file is written only once the choice is confirmed: Cancel leaves an existing file alone.
    if (dlg.exec() != QDialog::Accepted)
        return;
    exporter::ExportInput in;
    in.samples = &m_doc->m_samples;
    in.setup = &m_doc->m_grafikSetup;
    in.virtuell = m_doc->m_virtuell.get();
    in.channels = exporter::DescribeChannels(m_doc->m_slave);
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = exporter::WriteTextExport(*path, in, model.Options(m_station->Config().prec), &error);
    QApplication::restoreOverrideCursor();
    if (!ok)
        ShowMessage(error);
}

void CMainFrame::OnFileNew()
{
    m_doc->ClearContents();
    m_doc->OnNewDocument(m_lang);
    m_station->SetDocumentClosed(false);
    CreatePanes();
    LayoutPanes();
    SetTitle(std::string());
}

void CMainFrame::OnFileOpen()
{
    if (m_station->DocumentClosed())
        OnFileNew();
    m_doc->OnFileOpen();
}

void CMainFrame::OnFileClose()
{
    m_doc->OnFileClose();
}

bool CMainFrame::CloseDocumentWindow()
{
    if (!m_doc->CanCloseFrame())
        return false;
    if (m_station->Recording() || m_station->Measuring())
        m_station->StopAll();
    m_station->SetDocumentClosed(true);
    SetTitle(std::string());
    return true;
}

// ----------------------------------------------------------------------------------------
// Panes and views

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_firstActivationPending) {
        m_firstActivationPending = false;
        QTimer::singleShot(0, this, [this] { FirstActivation(); });
    }
}

void CMainFrame::FirstActivation()
{
    CreatePanes();
    LayoutPanes();
    m_station->AddLogbookEntry(Tr(kStartOfProgram, m_lang).toStdString());
    if (m_doc->m_boundFileWaiting)
        m_doc->ReadBoundFile();
    UpdateViews();
    m_station->AutoEnable();
    UpdateCommands();
}

void CMainFrame::CreatePanes()
{
    if (!m_graphFrame) {
        m_graphView = new CQORView(*m_doc, m_lang);
        m_graphFrame = m_mdi->addSubWindow(m_graphView);
        m_graphFrame->setWindowTitle(Tr(txt::kGraphPane, m_lang));
        m_graphFrame->installEventFilter(this);
        m_graphFrame->show();
    }
    if (!m_logFrame) {
        m_logView = new CLogbuchView(m_lang);
        m_logFrame = m_mdi->addSubWindow(m_logView);
        m_logFrame->setWindowTitle(Tr(txt::kLogbookPane, m_lang));
        m_logFrame->installEventFilter(this);
        m_logFrame->setVisible(m_logbookShown);
        m_logbook.m_changed = true;
    }
}

void CMainFrame::LayoutPanes()
{
    if (!m_mdi || !m_graphFrame)
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int split = m_logbookShown && m_logFrame ? static_cast<int>(area.height() * 0.8) : area.height();
    m_graphFrame->setGeometry(0, 0, area.width(), split);
    if (m_logFrame && m_logbookShown)
        m_logFrame->setGeometry(0, split, area.width(), area.height() - split);
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!m_firstActivationPending)
        LayoutPanes();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close) {
        if (watched == m_graphFrame && m_graphFrame) {
            // Closing the graph pane closes the document window.
            if (!CloseDocumentWindow()) {
                event->ignore();
                return true;
            }
            m_graphFrame = nullptr;
            m_graphView = nullptr;
            QTimer::singleShot(0, this, [this] { UpdateCommands(); });
        } else if (watched == m_logFrame && m_logFrame) {
            // The logbook pane only hides; the toggle brings it back.
            event->ignore();
            m_logbookShown = false;
            m_logFrame->hide();
            LayoutPanes();
            UpdateCommands();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

CDigitalMessView* CMainFrame::MeterView(int address) const
{
    QMdiSubWindow* f = m_meterFrame[static_cast<std::size_t>(address & 15)];
    return f ? qobject_cast<CDigitalMessView*>(f->widget()) : nullptr;
}

void CMainFrame::OpenMeter(int address, int cascade)
{
    auto* view = new CDigitalMessView(static_cast<std::uint8_t>(address), m_lang);
    QMdiSubWindow* frame = m_mdi->addSubWindow(view);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    m_meterFrame[static_cast<std::size_t>(address)] = frame;
    view->InitialUpdate();
    const QSize size = view->FrameSize();
    // Never smaller than the form, whatever the meter's height.
    const QSize decoration = frame->size() - frame->contentsRect().size();
    frame->resize(std::max(size.width(), view->minimumWidth() + decoration.width()),
                  std::max(size.height(), view->minimumHeight() + decoration.height()));
    const catalogue::CSlave& slave = m_doc->m_slave[static_cast<std::size_t>(address)];
    view->SetTitle(QString::fromStdString(
        Format("Slave %02u %s", static_cast<unsigned>(address), catalogue::ModuleName(slave).c_str())));
    frame->setWindowTitle(view->Title());
    frame->move(kCascadeStep * cascade, kCascadeStep * cascade);
    connect(frame, &QObject::destroyed, this, [this, address] { MeterClosed(address); });
    frame->show();
    view->Refresh(slave, m_station->PotentiostatRunning());
}

void CMainFrame::MeterClosed(int address)
{
    m_meterFrame[static_cast<std::size_t>(address)] = nullptr;
    if (std::none_of(m_meterFrame.begin(), m_meterFrame.end(), [](QMdiSubWindow* f) { return f != nullptr; }))
        m_station->SetMetersShown(false);
    UpdateCommands();
}

void CMainFrame::ShowMeters()
{
    int created = 0;
    const int idCount = std::clamp(m_station->Config().idCount, 0, 15);
    for (int a = 0; a <= idCount; ++a) {
        if (m_doc->m_slave[static_cast<std::size_t>(a)].m_enabled == 0)
            continue;
        if (QMdiSubWindow* f = m_meterFrame[static_cast<std::size_t>(a)]) {
            f->show();
            f->raise();
            continue;
        }
        OpenMeter(a, ++created);
    }
}

void CMainFrame::ShowMeter(std::uint8_t address)
{
    if (address > 15)
        return;
    if (QMdiSubWindow* f = m_meterFrame[address]) {
        f->show();
        f->raise();
        return;
    }
    OpenMeter(address, 1);
    m_station->SetMetersShown(true);
}

void CMainFrame::CloseMeters()
{
    for (QMdiSubWindow*& f : m_meterFrame) {
        if (f) {
            QMdiSubWindow* frame = f;
            f = nullptr;
            frame->close();
        }
    }
}

void CMainFrame::RefreshViews()
{
    if (m_inRefresh)
        return;
    m_inRefresh = true;
    const bool running = m_station->PotentiostatRunning();
    for (int a = 0; a < 16; ++a)
        if (CDigitalMessView* v = MeterView(a))
            v->Refresh(m_doc->m_slave[static_cast<std::size_t>(a)], running);
    UpdateViews();
    UpdateCommands();
    m_inRefresh = false;
}

void CMainFrame::UpdateViews()
{
    if (m_logView && m_logView->Refresh(m_logbook.m_text, m_logbook.m_changed))
        m_logbook.m_changed = false;
    if (m_graphView)
        m_graphView->OnUpdate();
    RefreshSampleCount();
}

void CMainFrame::RefreshStatusPanes()
{
    SetPane(2, Tr(m_station->Measuring() ? txt::kTransfer : txt::kNoTransfer, m_lang).toStdString());
    SetPane(3, Tr(m_station->ModulesReleased() ? txt::kModules : txt::kNoModules, m_lang).toStdString());
}

void CMainFrame::RefreshSampleCount()
{
    if (m_panes[3])
        m_panes[3]->setText(Tr(txt::kSamples, m_lang).arg(m_doc->m_samples.size()));
}

QString CMainFrame::PaneText(int pane) const
{
    if (pane < 1 || pane > 4)
        return {};
    return m_panes[static_cast<std::size_t>(pane - 1)]->text();
}

// ----------------------------------------------------------------------------------------
// Timers

void CMainFrame::Start(int id, int ms)
{
    if (m_outsideTimers) {
        m_outsideTimers->Start(id, ms);
        return;
    }
    QTimer*& t = m_timers[id];
    if (!t) {
        t = new QTimer(this);
        t->setTimerType(Qt::PreciseTimer);
        connect(t, &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    t->start(std::max(1, ms));
}

void CMainFrame::Stop(int id)
{
    if (m_outsideTimers) {
        m_outsideTimers->Stop(id);
        return;
    }
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second->stop();
}

bool CMainFrame::TimerActive(int id) const
{
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

int CMainFrame::TimerInterval(int id) const
{
    auto it = m_timers.find(id);
    return it != m_timers.end() ? it->second->interval() : 0;
}

void CMainFrame::OnTimer(int id)
{
    m_station->OnTimer(id);
    if (id == bus::kTimerRecord && m_graphView)
        m_graphView->OnUpdate();
    RefreshSampleCount();
    UpdateCommands();
}

// ----------------------------------------------------------------------------------------
// StationUi

void CMainFrame::ShowMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::Information, Tr(kAppName, m_lang), QString::fromStdString(text),
                    QMessageBox::Ok, this);
    box.exec();
}

bool CMainFrame::AskOkCancel(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, Tr(kAppName, m_lang), QString::fromStdString(text),
                    QMessageBox::NoButton, this);
    QPushButton* ok = box.addButton(Tr(txt::kOk, m_lang), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(Tr(txt::kCancel, m_lang), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok;
}

bool CMainFrame::ShowErrorDialog(const std::string& text)
{
    CFehlerDlg dlg(m_lang, this);
    dlg.SetText(QString::fromStdString(text));
    return dlg.exec() == QDialog::Accepted;
}

void CMainFrame::SetPane(int pane, const std::string& text)
{
    if (pane < 1 || pane > 3)
        return;
    QLabel* l = m_panes[static_cast<std::size_t>(pane - 1)];
    const QString t = QString::fromStdString(text);
    if (l && l->text() != t)
        l->setText(t);
}

void CMainFrame::ShowWait(const std::string& text)
{
    if (!m_wait) {
        m_wait = new CWaitWnd(m_lang, this);
        m_wait->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_wait->SetText(QString::fromStdString(text));
    if (!m_wait->isVisible()) {
        m_wait->show();
        m_wait->raise();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
    }
    m_wait->repaint();
}

void CMainFrame::CloseWait()
{
    if (m_wait)
        m_wait->hide();
}

void CMainFrame::ShowProgress(const std::string& title, const std::string& text, int maximum)
{
    if (!m_progress)
        m_progress = new CProgressWnd(m_lang, this);
    m_progress->setWindowTitle(QString::fromStdString(title));
    m_progress->SetText(QString::fromStdString(text));
    m_progress->SetRange(0, maximum);
    m_progress->SetPos(0);
    m_progress->show();
    m_progress->raise();
    m_progress->repaint();
}

void CMainFrame::SetProgress(int value)
{
    if (m_progress)
        m_progress->SetPos(value);
}

void CMainFrame::CloseProgress()
{
    if (m_progress)
        m_progress->hide();
}

bool CMainFrame::RunReleaseDialog(station::FreigabeDlgModel& dialog)
{
    CloseWait();
    CFreigabeDlg dlg(dialog, this);
    const bool ok = dlg.exec() == QDialog::Accepted;
    return ok;
}

bool CMainFrame::RunModuleSelection(station::SlaveAuswahlModel& dialog)
{
    CSlaveAuswahl dlg(dialog, this);
    return dlg.exec() == QDialog::Accepted;
}

bool CMainFrame::RunRecordingSetup()
{
    CGrafikSetupGlg dlg(*m_doc, true, m_lang, this);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    m_doc->m_rebuildGraph = true;
    return true;
}

std::optional<std::string> CMainFrame::ChooseLoggerFile()
{
    const QString path = QFileDialog::getSaveFileName(this, QString(), QStringLiteral("dl.tx3"),
                                                      QtFilter(station::text::kLoggerFilter));
    if (path.isEmpty())
        return std::nullopt;
    QString p = path;
    if (!p.contains(QLatin1Char('.')))
        p += QStringLiteral(".tx3");
    return p.toStdString();
}

void CMainFrame::ShowDataLoggerGraph(const std::string& path, int language)
{
    OpenDataLogger(path, language);
}

void CMainFrame::ProcessEvents(int ms)
{
    if (m_outsideTimers) {
        QCoreApplication::processEvents();
        m_clock.SleepMs(ms);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// ----------------------------------------------------------------------------------------
// DocumentUi

std::optional<std::string> CMainFrame::ChooseFile(data::FileDialog kind, const std::string& defaultExt,
                                                  const std::string& filter)
{
    QFileDialog dlg(this);
    dlg.setNameFilter(QString());
    dlg.setNameFilters(QtFilter(filter).split(QStringLiteral(";;")));
    dlg.setDefaultSuffix(QString::fromStdString(defaultExt));
    if (kind == data::FileDialog::SaveAs) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        // Open creates a file that does not exist yet.
        dlg.setFileMode(QFileDialog::AnyFile);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return dlg.selectedFiles().first().toStdString();
}

int CMainFrame::AskSave(const std::string&, const std::string&)
{
    return qor::ui::AskSave(this, m_lang);
}

void CMainFrame::SetTitle(const std::string& title)
{
    if (m_doc && m_doc->m_fileBound && !m_doc->m_path.empty())
        RememberRecentFile(m_doc->m_path);
    const QString app = Tr(kAppName, m_lang);
    setWindowTitle(title.empty() ? app : QString::fromStdString(title) + QStringLiteral(" - ") + app);
}

void CMainFrame::OpenDataLogger(const std::string& path, int language)
{
    // The data logger graph is not part of this window yet; say where the file is.
    ShowMessage(Tr(kLoggerWritten, language).arg(QString::fromStdString(path)).toStdString());
}

void CMainFrame::StopLogging()
{
    if (m_station->Recording() || m_station->Measuring())
        m_station->StopAll();
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
    if (m_doc->m_fileBound && m_doc->m_modified)
        m_doc->OnFileSave();
    m_doc->m_modified = false;
    Shutdown();
    hide();
}

void CMainFrame::Shutdown()
{
    if (m_shutdownDone)
        return;
    m_shutdownDone = true;
    for (auto& [id, timer] : m_timers)
        timer->stop();
    m_station->AddLogbookEntry(Tr(kEndOfProgram, m_lang).toStdString());
    m_station->Link().CloseEthernet();
    station::StationConfig save = m_station->ConfigToSave();
    save.language = static_cast<std::uint8_t>(m_lang);
    // A transport given on the command line is for this run only.
    if (m_options.transport != StartOptions::Transport::Configured && !m_linkSetByUser)
        save.link = m_fileConfig.link;
    std::string error;
    if (!station::WriteConfigFile(m_configPath, save, &error))
        std::fprintf(stderr, "qorremote: %s\n", error.c_str());
}


// ----------------------------------------------------------------------------------------
// Recent files, kept beside the configuration file.

namespace {
QString RecentFilesPath()
{
    return QString::fromStdString(station::ConfigDirectory()) + QStringLiteral("/recent.ini");
}
}  // namespace

void CMainFrame::LoadRecentFiles()
{
    QSettings store(RecentFilesPath(), QSettings::IniFormat);
    std::vector<std::string> files;
    for (std::size_t i = 1; i <= m_recentActions.size(); ++i)
        files.push_back(store.value(QStringLiteral("Recent File List/File%1").arg(i)).toString().toStdString());
    m_recent.Load(files);
    UpdateRecentMenu();
}

void CMainFrame::RememberRecentFile(const std::string& path)
{
    std::string full = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
    if (!m_recent.Files().empty() && m_recent.Files().front() == full)
        return;
    m_recent.Add(full);
    StoreRecentFiles();
}

void CMainFrame::StoreRecentFiles()
{
    QSettings store(RecentFilesPath(), QSettings::IniFormat);
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        const QString key = QStringLiteral("Recent File List/File%1").arg(i + 1);
        if (i < m_recent.Files().size())
            store.setValue(key, QString::fromStdString(m_recent.Files()[i]));
        else
            store.remove(key);
    }
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu()
{
    const auto& files = m_recent.Files();
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        QAction* a = m_recentActions[i];
        if (!a)
            continue;
        a->setVisible(i < files.size());
        if (i < files.size()) {
            a->setText(QString::fromStdString(m_recent.MenuText(i)));
            a->setToolTip(QString::fromStdString(files[i]));
        }
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(!files.empty());
}

void CMainFrame::OpenRecent(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_recent.Files().size())
        return;
    UpdateCommands();
    if (!station::CommandEnabled(station::Cmd::FileOpen, State()))
        return;
    const std::string path = m_recent.Files()[static_cast<std::size_t>(index)];
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        // A document that went away is taken off the list rather than created empty.
        ShowMessage(path + "\n" + Tr(txt::kFileNotFound, m_lang).toStdString());
        m_recent.Remove(path);
        StoreRecentFiles();
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
