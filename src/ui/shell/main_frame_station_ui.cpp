#include "data/qor_doc.h"
#include "export/text_export.h"
#include "station/station.h"
#include "ui/common/ui_texts.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/document/graph_dl.h"
#include "ui/document/qor_view.h"
#include "ui/graph/graph_wnd.h"
#include "ui/potentiostat/eis_graph.h"
#include "ui/potentiostat/graph_xy.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui/shell/command_texts.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/main_menus.h"
#include "ui/shell/meter_windows.h"
#include "ui/shell/recent_files_menu.h"
#include "ui/shell/save_prompt.h"
#include "ui/shell/shell_services.h"
#include "ui/shell/status_pane.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/plant_link.h"
#include "ui/station/station_alarms.h"

#include <QStatusBar>
#include <algorithm>
#include <cstdio>

namespace qor::ui {

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
    CGrafikSetupGlg dlg(*m_doc, m_station->Modules(), true, m_lang, this);
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
    if (m_doc && m_doc->FileBound() && !m_doc->Path().empty() && !Quiet())
        m_menus->Recent().Remember(m_doc->Path());
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
    if (m_potGraph && m_potGraph->isVisible() && m_doc->Pot().size() > 1)
        m_potGraph->AddSample();
    else
        ShowRunGraph();
}

void CMainFrame::EisPointAdded()
{
    if (m_eisGraph && m_eisGraph->isVisible() && m_doc->Eis().size() > 1)
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
    return std::make_unique<CGraphXY>(m_doc->Pot(), pots.empty() ? 0u : pots.front(), m_clock, *m_services,
                                      *this, m_lang, CGraphXY::Messages{}, this);
}

void CMainFrame::ShowPlantLink()
{
    if (m_plantLink)
        m_plantLink->ShowDialog(this, m_lang);
}

void CMainFrame::ShowRunGraph()
{
    if (!m_potGraph)
        m_potGraph = new CXYGraph(m_doc->Pot(), m_clock, *this, m_lang, this);
    else
        m_potGraph->Rebuild();
    m_potGraph->show();
    m_potGraph->raise();
}

void CMainFrame::ShowEisGraph()
{
    if (!m_eisGraph)
        m_eisGraph = new CEISGraph(m_doc->Eis(), m_clock, *this, m_lang, this);
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

}  // namespace qor::ui
