#include "catalogue/catalogue.h"
#include "data/document_curves.h"
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
#include "ui/potentiostat/graph_xy.h"
#include "ui/potentiostat/pot_windows.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui/shell/command_texts.h"
#include "ui/shell/graph_output.h"
#include "ui/shell/live_views.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/main_menus.h"
#include "ui/shell/meter_windows.h"
#include "ui/shell/recent_files_menu.h"
#include "ui/shell/shell_services.h"
#include "ui/shell/status_pane.h"
#include "ui/shell/text_eingabe.h"
#include "ui/shell/window_arrange.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/rs232_dlg.h"
#include "ui/station/station_alarms.h"
#include "wiring/bus_wiring.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <algorithm>
#include <cstdio>

namespace qor::ui {

// ----------------------------------------------------------------------------------------
// Commands and status bar

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
    m_doc->SetLanguage(m_lang);
    Retranslate();
    // Module names, value names and units follow the window's language.
    m_live->Relabel();
    RefreshViews();
    if (!m_doc->Path().empty())
        SetTitle(m_doc->Path());
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
    CGrafikSetupGlg dlg(*m_doc, m_station->Modules(), false, m_lang, this);
    OfferGraphRange(dlg);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_doc->SetModified(true);
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
        OpenStepSetup(*m_station, *m_services, *address, m_station->Modules()[*address & 15].m_revision,
                      m_station->Modules()[*address & 15].m_settingByte, m_lang, this);
    else
        OpenManualOperation(*m_station, *m_services, *address, m_lang, this);
}

void CMainFrame::OnExport()
{
    const std::optional<std::string> path =
        ChooseFile(data::FileDialog::SaveAs, "txt", "Tabellen (*.txt) | *.txt | Alle Dateien (*.*)|*.*||");
    if (!path)
        return;
    // The modules the recording stored, with the units of those being measured now.
    const data::ModuleRecords modules =
        data::DocumentModules(m_doc->GrafikSetup(), m_lang, &m_station->Modules());
    exporter::ExportDlgModel model(modules, m_doc->GrafikSetup(), m_doc->Virtuell(), m_lang);
    CExportDlg dlg(model, m_lang, this);
    // The file is written only once the choice is confirmed: Cancel leaves an existing file alone.
    if (dlg.exec() != QDialog::Accepted)
        return;
    exporter::ExportInput in;
    in.samples = &m_doc->Samples();
    in.setup = &m_doc->GrafikSetup();
    in.virtuell = &m_doc->Virtuell();
    in.channels = exporter::DescribeChannels(modules);
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
    return m_doc->Path().empty() ? Tr(txt::kAppName, m_lang)
                                 : QFileInfo(QString::fromStdString(m_doc->Path())).fileName();
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

}  // namespace qor::ui
