#include "catalogue/catalogue.h"
#include "data/document_curves.h"
#include "data/qor_doc.h"
#include "export/text_export.h"
#include "station/link_texts.h"
#include "station/station.h"
#include "station/timers.h"
#include "ui/common/ui_texts.h"
#include "ui/document/graph_dl.h"
#include "ui/document/logbuch_view.h"
#include "ui/document/qor_view.h"
#include "ui/graph/graph_wnd.h"
#include "ui/graph/point_view_bar.h"
#include "ui/potentiostat/graph_xy.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui/shell/command_texts.h"
#include "ui/shell/graph_output.h"
#include "ui/shell/live_views.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/main_menus.h"
#include "ui/shell/meter_windows.h"
#include "ui/shell/shell_services.h"
#include "ui/shell/status_pane.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/station_alarms.h"

#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace qor::ui {

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
    if (m_doc->BoundFileWaiting())
        m_doc->ReadBoundFile();
    // A recording of an unbound document that ended without a save.
    if (!m_doc->FileBound())
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
        m_graphView = new CQORView(*m_doc, m_lang, GraphDisplay::FromConfig(m_station->Config()),
                                   &m_station->Modules());
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
        const catalogue::CSlave& slave = m_station->Modules()[static_cast<std::size_t>(a)];
        if (slave.m_enabled != 0 && !m_meters->Raise(a)) {
            m_meters->Open(a, catalogue::ModuleName(slave), ++created, m_lang);
            m_live->ShowLast(a);
        }
    }
}

void CMainFrame::ShowMeter(std::uint8_t address)
{
    if (address > 15 || m_meters->Raise(address))
        return;
    m_meters->Open(address, catalogue::ModuleName(m_station->Modules()[address]), 1, m_lang);
    m_live->ShowLast(address);
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

}  // namespace qor::ui
