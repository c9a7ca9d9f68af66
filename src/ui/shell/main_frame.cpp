#include "ui/shell/main_frame.h"

#include "common/clock.h"
#include "data/qor_doc.h"
#include "export/export_dlg_model.h"
#include "export/text_export.h"
#include "station/link_texts.h"
#include "station/station.h"
#include "station/timers.h"
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
#include "ui/shell/main_menus.h"
#include "ui/shell/meter_windows.h"
#include "ui/shell/recent_files_menu.h"
#include "ui/shell/save_prompt.h"
#include "ui/shell/shell_services.h"
#include "ui/shell/text_eingabe.h"
#include "ui/shell/ui_texts.h"
#include "ui/shell/window_arrange.h"
#include "ui/station/digital_mess_view.h"
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
    m_doc->m_journalFolder = station::ConfigDirectory();
    m_doc->m_offerRecovery = !Quiet();
    m_station =
        std::make_unique<station::Station>(config, m_clock, *m_services, *m_services, *m_doc, m_logbook);
    m_station->SetLanguage(m_lang);
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

    m_menus = std::make_unique<MainMenus>(*this);
    CreateStatusBar();
    m_alarms = std::make_unique<StationAlarms>(
        *this, *m_station, m_clock, m_menus->StationMenu(), [this](int a) { return MeterView(a); }, Quiet());
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
    delete m_mdi;
    m_mdi = nullptr;
    m_graphView = nullptr;
    m_logView = nullptr;
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
// Commands and status bar

namespace {

constexpr int kPaneWidths[4] = {200, 150, 150, 110};

// A pane is never narrower than its text: a cut state ("keine Datenübertragun") misleads.
void SetPaneText(QLabel* pane, int index, const QString& text)
{
    if (!pane || pane->text() == text)
        return;
    pane->setText(text);
    pane->setMinimumWidth(std::max(kPaneWidths[index], pane->sizeHint().width()));
}

}  // namespace

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    for (int i = 0; i < 4; ++i) {
        auto* l = new QLabel(bar);
        l->setObjectName(QStringLiteral("pane%1").arg(i + 1));
        l->setMinimumWidth(kPaneWidths[i]);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setContentsMargins(4, 0, 4, 0);
        bar->addPermanentWidget(l);
        m_panes[static_cast<std::size_t>(i)] = l;
    }
}

void CMainFrame::Retranslate()
{
    m_toolkitLanguage.Use(m_lang);
    if (m_mdi)
        m_toolkitLanguage.Retranslate(*m_mdi);
    m_menus->Retranslate(m_lang);
    if (m_pointBar)
        m_pointBar->SetLanguage(m_lang);
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
    if (m_alarms)
        m_alarms->SetLanguage(m_lang);
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
    m_menus->Update(State(), m_logbookShown, m_graphView != nullptr);
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
        OnChoosePotentiostat(cmd);
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
}

void CMainFrame::OnPortSetup()
{
    station::StationConfig current = m_station->Config();
    current.link = m_station->Link().Settings();
    Crs232 dlg(current, m_lang, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const station::StationConfig r = dlg.Result();
    // Only a link the user changed replaces the one given on the command line when saved.
    if (r.link != current.link)
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
        SetPane(1, station::LinkPaneText(link.Settings(), nullptr, m_lang));
        link.OpenEthernet();
    } else {
        // Leaving the gateway: the socket is closed and its keep-alive ends.
        link.CloseEthernet();
        m_services->Stop(station::kTimerKeepAlive);
        link.OpenPort();
        SetPane(1, station::LinkPaneText(link.Settings(), nullptr, m_lang));
    }
}

void CMainFrame::OnNewScale()
{
    CGrafikSetupGlg dlg(*m_doc, false, m_lang, this);
    OfferGraphRange(dlg);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_doc->m_modified = true;
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

void CMainFrame::OnChoosePotentiostat(station::Cmd cmd)
{
    const std::optional<std::uint8_t> address = m_station->ChoosePotentiostat();
    if (!address)
        return;
    if (cmd == station::Cmd::DefineSteps)
        OpenStepSetup(*m_station, *m_services, *address, m_doc->m_slave[*address & 15].m_revision,
                      m_doc->m_slave[*address & 15].m_settingByte, m_lang, this);
    else
        OpenManualOperation(*m_station, *m_services, *address, m_lang, this);
}

void CMainFrame::OnExport()
{
    const std::optional<std::string> path =
        ChooseFile(data::FileDialog::SaveAs, "txt", "Tabellen (*.txt) | *.txt | Alle Dateien (*.*)|*.*||");
    if (!path)
        return;
    exporter::ExportDlgModel model(m_doc->m_slave, m_doc->GrafikSetup(), m_doc->Virtuell(), m_lang);
    CExportDlg dlg(model, m_lang, this);
    // The file is written only once the choice is confirmed: Cancel leaves an existing file alone.
    if (dlg.exec() != QDialog::Accepted)
        return;
    exporter::ExportInput in;
    in.samples = &m_doc->Samples();
    in.setup = &m_doc->GrafikSetup();
    in.virtuell = &m_doc->Virtuell();
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

void CMainFrame::OfferGraphRange(CGrafikSetupGlg& dlg) const
{
    if (!m_graphView || m_graphView->Graph()->GetGraphCount() == 0)
        return;
    const graph::GraphRange& r = m_graphView->Graph()->Range();
    dlg.StartYRange(r.yFrom, r.yTo);
}

QString CMainFrame::GraphTitle() const
{
    return m_doc->m_path.empty() ? Tr(txt::kAppName, m_lang)
                                 : QFileInfo(QString::fromStdString(m_doc->m_path)).fileName();
}

void CMainFrame::PrintGraphCommand(bool preview)
{
    if (!m_graphView)
        return;
    if (preview)
        PreviewGraph(*m_graphView->Graph(), GraphTitle(), this);
    else
        PrintGraphAsked(*m_graphView->Graph(), GraphTitle(), this);
}

void CMainFrame::ExportPdfCommand()
{
    if (!m_graphView)
        return;
    const std::optional<std::string> path =
        ChooseFile(data::FileDialog::SaveAs, "pdf", "PDF (*.pdf)|*.pdf|Alle Dateien (*.*)|*.*||");
    if (!path)
        return;
    const QString file = QString::fromStdString(*path);
    if (!ExportGraphPdf(*m_graphView->Graph(), file, GraphTitle()))
        ShowMessage(Tr(txt::kPdfNotWritten, m_lang).arg(file).toStdString());
}

void CMainFrame::ShowPointList(bool on)
{
    if (on && !m_pointBar) {
        m_pointBar = new CPointViewBar(m_lang, this);
        addDockWidget(Qt::RightDockWidgetArea, m_pointBar);
        // Closed by its own button: the menu item follows.
        connect(m_pointBar->toggleViewAction(), &QAction::toggled, m_menus->PointList(),
                &QAction::setChecked);
    }
    if (!m_pointBar)
        return;
    m_pointBar->setVisible(on);
    m_menus->PointList()->setChecked(on);
    RefreshPointList(true);
}

void CMainFrame::RefreshPointList(bool anew)
{
    if (!m_pointBar || !m_pointBar->isVisible())
        return;
    CGraphWnd* graph = m_graphView ? m_graphView->Graph() : nullptr;
    if (anew)
        m_pointBar->Follow(graph);
    else
        m_pointBar->Refresh(false);
}

void CMainFrame::ArrangeWindows(bool tile)
{
    if (tile)
        TileWindows(*m_mdi);
    else
        CascadeWindows(*m_mdi);
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
    m_station->AddLogbookEntry(Tr(txt::kStartOfProgram, m_lang).toStdString());
    if (m_doc->m_boundFileWaiting)
        m_doc->ReadBoundFile();
    // A recording of an unbound document that ended without a save.
    if (!m_doc->m_fileBound)
        m_doc->OfferRecovery();
    UpdateViews();
    if (!Quiet())
        m_station->AutoEnable();
    UpdateCommands();
    if (data::IsLoggerFile(m_options.file))
        OpenDataLogger(m_options.file, m_lang);
}

void CMainFrame::CreatePanes()
{
    if (!m_graphFrame) {
        m_graphView = new CQORView(*m_doc, m_lang, GraphDisplay::FromConfig(m_station->Config()));
        m_graphView->SetAutoScroll(m_menus->AutoScroll()->isChecked());
        connect(m_graphView->Graph(), &CGraphWnd::ReadOutChanged, this, [this](const QString& text) {
            if (text.isEmpty())
                statusBar()->clearMessage();
            else
                statusBar()->showMessage(text);
        });
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
            RefreshPointList(true);
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
    return m_meters->View(address);
}

QMdiSubWindow* CMainFrame::MeterFrame(int address) const
{
    return m_meters->Frame(address);
}

void CMainFrame::ShowMeters()
{
    int created = 0;
    const int idCount = std::clamp(m_station->Config().idCount, 0, 15);
    for (int a = 0; a <= idCount; ++a) {
        const catalogue::CSlave& slave = m_doc->m_slave[static_cast<std::size_t>(a)];
        if (slave.m_enabled != 0 && !m_meters->Raise(a))
            m_meters->Open(a, slave, ++created, m_station->PotentiostatRunning(), m_lang);
    }
}

void CMainFrame::ShowMeter(std::uint8_t address)
{
    if (address > 15 || m_meters->Raise(address))
        return;
    m_meters->Open(address, m_doc->m_slave[address], 1, m_station->PotentiostatRunning(), m_lang);
    m_station->SetMetersShown(true);
}

void CMainFrame::CloseMeters()
{
    m_meters->CloseAll();
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
    m_alarms->Refresh();
    UpdateViews();
    UpdateCommands();
    m_inRefresh = false;
}

void CMainFrame::UpdateViews()
{
    if (m_logView && m_logView->Refresh(m_logbook.m_text, m_logbook.m_changed))
        m_logbook.m_changed = false;
    RefreshSampleCount();
}

void CMainFrame::CollectGraph(data::CGraphPropObject& props, std::vector<data::CStringDatenObject>& labels)
{
    if (m_graphView)
        m_graphView->SaveGraphState(props, labels);
}

void CMainFrame::ClearGraph()
{
    if (m_graphView)
        m_graphView->OnClear();
    RefreshPointList(true);
}

void CMainFrame::SamplesAdded()
{
    if (m_graphView)
        m_graphView->OnSamplesAdded();
    RefreshPointList(false);
}

void CMainFrame::SetupChanged()
{
    if (m_graphView)
        m_graphView->OnSetupChanged();
    RefreshPointList(true);
}

void CMainFrame::FileRead(const std::vector<data::CStringDatenObject>& labels)
{
    if (m_graphView)
        m_graphView->OnFileRead(labels);
    RefreshPointList(true);
}

void CMainFrame::RefreshStatusPanes()
{
    // The other link texts are the system's own and the same in both languages.
    if (m_station->Link().Settings().simulated)
        SetPane(1, station::LinkPaneText(m_station->Link().Settings(), nullptr, m_lang));
    SetPane(2, Tr(m_station->Measuring() ? txt::kTransfer : txt::kNoTransfer, m_lang).toStdString());
    SetPane(3, Tr(m_station->ModulesReleased() ? txt::kModules : txt::kNoModules, m_lang).toStdString());
}

void CMainFrame::RefreshSampleCount()
{
    SetPaneText(m_panes[3], 3, Tr(txt::kSamples, m_lang).arg(m_doc->Samples().size()));
}

QString CMainFrame::PaneText(int pane) const
{
    if (pane < 1 || pane > 4)
        return {};
    return m_panes[static_cast<std::size_t>(pane - 1)]->text();
}

// ----------------------------------------------------------------------------------------
// Timers

bool CMainFrame::TimerActive(int id) const
{
    return m_services->TimerActive(id);
}

int CMainFrame::TimerInterval(int id) const
{
    return m_services->TimerInterval(id);
}

void CMainFrame::OnTimer(int id)
{
    if (id == CGraphXY::kTimerId) {
        if (m_xyGraph)
            m_xyGraph->OnTimer();
        return;
    }
    m_station->OnTimer(id);
    RefreshSampleCount();
    UpdateCommands();
}

// ----------------------------------------------------------------------------------------
// The window's part of the station's seams

void CMainFrame::SetPane(int pane, const std::string& text)
{
    if (pane < 1 || pane > 3)
        return;
    SetPaneText(m_panes[static_cast<std::size_t>(pane - 1)], pane - 1, QString::fromStdString(text));
}

bool CMainFrame::RunRecordingSetup()
{
    CGrafikSetupGlg dlg(*m_doc, true, m_lang, this);
    OfferGraphRange(dlg);
    const QCheckBox* rideThrough = m_alarms->AddRideThroughBox(dlg);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    m_alarms->TakeRideThrough(rideThrough);
    return true;
}

// ----------------------------------------------------------------------------------------
// DocumentUi

std::optional<std::string> CMainFrame::ChooseFile(data::FileDialog kind, const std::string& defaultExt,
                                                  const std::string& filter)
{
    return m_services->ChooseFile(kind, defaultExt, filter);
}

void CMainFrame::ShowMessage(const std::string& text)
{
    if (Quiet()) {
        m_quietMessages.push_back(text);
        std::fprintf(stderr, "qorremote: %s\n", text.c_str());
        return;
    }
    m_services->ShowMessage(text);
}

void CMainFrame::ShowNotice(const std::string& text)
{
    statusBar()->showMessage(QString::fromStdString(text), kNoticeMs);
}

int CMainFrame::AskSave(const std::string&, const std::string&)
{
    return Quiet() ? kSaveNo : qor::ui::AskSave(this, m_lang);
}

bool CMainFrame::AskRecover(const std::string& title, const std::string& text)
{
    return AskYesNo(this, title, text, m_lang, "recoverPrompt");
}

bool CMainFrame::AskReplaceReadOnly(const std::string& text)
{
    return AskYesNo(this, Tr(txt::kSaveCaption, m_lang).toStdString(), text, m_lang, "readOnlyPrompt");
}

void CMainFrame::SetTitle(const std::string& title)
{
    if (m_doc && m_doc->m_fileBound && !m_doc->m_path.empty() && !Quiet())
        m_menus->Recent().Remember(m_doc->m_path);
    const QString app = Tr(txt::kAppName, m_lang);
    setWindowTitle(title.empty() ? app : QString::fromStdString(title) + QStringLiteral(" - ") + app);
}

void CMainFrame::OpenDataLogger(const std::string& path, int language)
{
    if (!m_loggerGraph)
        m_loggerGraph = new CGraphDL(m_clock, this);
    m_loggerGraph->Run(path, language);
}

// The run and impedance windows open on their first data and follow every new sample; a
// window that was closed, or a list that starts anew, is drawn from the whole list.
void CMainFrame::PotSampleAdded()
{
    if (m_potGraph && m_potGraph->isVisible() && m_doc->m_pot.size() > 1)
        m_potGraph->AddSample();
    else
        ShowRunGraph();
}

void CMainFrame::EisPointAdded()
{
    if (m_eisGraph && m_eisGraph->isVisible() && m_doc->m_eis.size() > 1)
        m_eisGraph->AddPoint();
    else
        ShowEisGraph();
}

// "Display XY-Graphic window": the polarisation curve of the list, modal, named after the
// potentiostat the station drives.
void CMainFrame::ShowPotGraph()
{
    const std::unique_ptr<CGraphXY> dlg = MakeXyGraph();
    m_xyGraph = dlg.get();
    dlg->exec();
    m_xyGraph = nullptr;
}

std::unique_ptr<CGraphXY> CMainFrame::MakeXyGraph()
{
    const std::vector<std::uint8_t>& pots = m_station->Potentiostats();
    return std::make_unique<CGraphXY>(m_doc->m_pot, pots.empty() ? 0u : pots.front(), m_clock, *m_services,
                                      *this, m_lang, CGraphXY::Messages{}, this);
}

void CMainFrame::ShowRunGraph()
{
    if (!m_potGraph)
        m_potGraph = new CXYGraph(m_doc->m_pot, m_clock, *this, m_lang, this);
    else
        m_potGraph->Rebuild();
    m_potGraph->show();
    m_potGraph->raise();
}

void CMainFrame::ShowEisGraph()
{
    if (!m_eisGraph)
        m_eisGraph = new CEISGraph(m_doc->m_eis, m_clock, *this, m_lang, this);
    else
        m_eisGraph->Rebuild();
    m_eisGraph->show();
    m_eisGraph->raise();
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
    // Saved, the journal goes as on a clean close; otherwise it keeps the recording for the next start.
    if (!m_doc->m_modified)
        m_doc->DropJournal();
    m_doc->m_modified = false;
    Shutdown();
    hide();
}

void CMainFrame::Shutdown()
{
    if (m_shutdownDone)
        return;
    m_shutdownDone = true;
    m_services->StopAllTimers();
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
