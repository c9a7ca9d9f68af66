#include "ui/shell/main_menus.h"

#include "data/qor_doc.h"
#include "potentiostat/xy_texts.h"
#include "ui/common/ui_texts.h"
#include "ui/document/qor_view.h"
#include "ui/shell/command_texts.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/recent_files_menu.h"
#include "ui/station/plant_link_dlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyle>
#include <QToolBar>

namespace qor::ui {

namespace {

QIcon Icon(QStyle::StandardPixmap p)
{
    return QApplication::style()->standardIcon(p);
}

}  // namespace

MainMenus::MainMenus(CMainFrame& frame)
{
    CreateActions(frame);
    CreateMenus(frame);
}

MainMenus::~MainMenus() = default;

void MainMenus::CreateActions(CMainFrame& frame)
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
    m_toolbar = frame.addToolBar(QString());
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setIconSize(QSize(20, 20));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const Setup& s : setups) {
        auto* a = new QAction(Icon(s.icon), QString(), &frame);
        const station::Cmd cmd = s.cmd;
        QObject::connect(a, &QAction::triggered, &frame, [&frame, cmd] { frame.Run(cmd); });
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

    m_german = new QAction(&frame);
    m_english = new QAction(&frame);
    for (QAction* a : {m_german, m_english})
        a->setCheckable(true);
    QObject::connect(m_german, &QAction::triggered, &frame, [&frame] { frame.SetLanguage(0); });
    QObject::connect(m_english, &QAction::triggered, &frame, [&frame] { frame.SetLanguage(1); });
    m_exit = new QAction(&frame);
    m_exit->setShortcut(QKeySequence::Quit);
    QObject::connect(m_exit, &QAction::triggered, &frame, &QWidget::close);
    m_cascade = new QAction(&frame);
    QObject::connect(m_cascade, &QAction::triggered, &frame, [&frame] { frame.ArrangeWindows(false); });
    m_tile = new QAction(&frame);
    QObject::connect(m_tile, &QAction::triggered, &frame, [&frame] { frame.ArrangeWindows(true); });
    m_autoScroll = new QAction(&frame);
    m_autoScroll->setCheckable(true);
    QObject::connect(m_autoScroll, &QAction::toggled, &frame, [&frame](bool on) {
        if (CQORView* view = frame.GraphView())
            view->SetAutoScroll(on);
    });
    m_print = new QAction(Icon(QStyle::SP_FileIcon), QString(), &frame);
    m_print->setShortcut(QKeySequence::Print);
    QObject::connect(m_print, &QAction::triggered, &frame, [&frame] { frame.PrintGraphCommand(false); });
    m_preview = new QAction(&frame);
    QObject::connect(m_preview, &QAction::triggered, &frame, [&frame] { frame.PrintGraphCommand(true); });
    m_exportPdf = new QAction(&frame);
    QObject::connect(m_exportPdf, &QAction::triggered, &frame, [&frame] { frame.ExportPdfCommand(); });
    m_pointList = new QAction(&frame);
    m_pointList->setCheckable(true);
    QObject::connect(m_pointList, &QAction::triggered, &frame,
                     [&frame](bool on) { frame.ShowPointList(on); });
    m_xyGraph = new QAction(&frame);
    QObject::connect(m_xyGraph, &QAction::triggered, &frame,
                     [&frame] { frame.Document().OnDisplayXyGraph(); });
    m_showEis = new QAction(&frame);
    QObject::connect(m_showEis, &QAction::triggered, &frame, [&frame] { frame.ShowEisGraph(); });
    m_showRun = new QAction(&frame);
    QObject::connect(m_showRun, &QAction::triggered, &frame, [&frame] { frame.ShowRunGraph(); });
    m_plantLink = new QAction(&frame);
    QObject::connect(m_plantLink, &QAction::triggered, &frame, [&frame] { frame.ShowPlantLink(); });
    m_about = new QAction(&frame);
    QObject::connect(m_about, &QAction::triggered, &frame, [&frame] {
        QMessageBox::about(&frame, Tr(txt::kAppName, frame.Language()), Tr(txt::kAbout, frame.Language()));
    });
}

void MainMenus::CreateMenus(CMainFrame& frame)
{
    m_fileMenu = frame.menuBar()->addMenu(QString());
    for (station::Cmd c : {station::Cmd::FileNew, station::Cmd::FileOpen, station::Cmd::FileClose,
                           station::Cmd::FileSave, station::Cmd::FileSaveAs})
        m_fileMenu->addAction(m_actions[c]);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actions[station::Cmd::FileImport]);
    m_fileMenu->addAction(m_actions[station::Cmd::FileExport]);
    m_fileMenu->addAction(m_exportPdf);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_print);
    m_fileMenu->addAction(m_preview);
    m_recent = std::make_unique<RecentFilesMenu>(*m_fileMenu, [&frame](int i) { frame.OpenRecent(i); });
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_exit);

    m_stationMenu = frame.menuBar()->addMenu(QString());
    m_stationMenu->addAction(m_actions[station::Cmd::PortSetup]);
    m_stationMenu->addAction(m_plantLink);
    m_stationMenu->addAction(m_actions[station::Cmd::SearchModules]);
    m_stationMenu->addSeparator();
    for (station::Cmd c : {station::Cmd::StartMeasuring, station::Cmd::ShowMeters,
                           station::Cmd::StartRecording, station::Cmd::Stop})
        m_stationMenu->addAction(m_actions[c]);
    m_stationMenu->addSeparator();
    m_stationMenu->addAction(m_actions[station::Cmd::NewScale]);
    m_stationMenu->addSeparator();
    m_stationMenu->addAction(m_actions[station::Cmd::ReadDataLogger]);
    m_stationMenu->addAction(m_actions[station::Cmd::ReadDeviceLogbook]);

    m_potMenu = frame.menuBar()->addMenu(QString());
    for (station::Cmd c : {station::Cmd::StartPotentiostat, station::Cmd::StopPotentiostat,
                           station::Cmd::StartPotAndRecording})
        m_potMenu->addAction(m_actions[c]);
    m_potMenu->addSeparator();
    m_potMenu->addAction(m_actions[station::Cmd::DefineSteps]);
    m_potMenu->addAction(m_actions[station::Cmd::ManualOperation]);
    m_potMenu->addSeparator();
    m_potMenu->addAction(m_xyGraph);
    m_potMenu->addAction(m_showRun);
    m_potMenu->addAction(m_showEis);

    m_viewMenu = frame.menuBar()->addMenu(QString());
    m_viewMenu->addAction(m_actions[station::Cmd::ToggleLogbook]);
    m_viewMenu->addAction(m_actions[station::Cmd::LogbookEntry]);
    m_viewMenu->addAction(m_autoScroll);
    m_viewMenu->addAction(m_pointList);
    m_languageMenu = m_viewMenu->addMenu(QString());
    m_languageMenu->addAction(m_german);
    m_languageMenu->addAction(m_english);

    m_windowMenu = frame.menuBar()->addMenu(QString());
    m_windowMenu->addAction(m_cascade);
    m_windowMenu->addAction(m_tile);

    m_helpMenu = frame.menuBar()->addMenu(QString());
    m_helpMenu->addAction(m_about);
}

void MainMenus::Retranslate(int lang)
{
    for (auto& [cmd, action] : m_actions) {
        const CommandText& t = TextOf(cmd);
        action->setText(Tr(t.label, lang));
        const QString prompt = Tr(t.prompt, lang);
        const int nl = prompt.indexOf(QLatin1Char('\n'));
        action->setStatusTip(nl >= 0 ? prompt.left(nl) : prompt);
        QString tip = nl >= 0 ? prompt.mid(nl + 1).trimmed() : prompt;
        tip.remove(QLatin1Char('&'));
        action->setToolTip(tip);
        action->setIconText(tip);
    }
    m_fileMenu->setTitle(Tr(txt::kMenuFile, lang));
    m_stationMenu->setTitle(Tr(txt::kMenuStation, lang));
    m_potMenu->setTitle(Tr(txt::kMenuPotentiostat, lang));
    m_viewMenu->setTitle(Tr(txt::kMenuView, lang));
    m_languageMenu->setTitle(Tr(txt::kMenuLanguage, lang));
    m_windowMenu->setTitle(Tr(txt::kMenuWindow, lang));
    m_helpMenu->setTitle(Tr(txt::kMenuHelp, lang));
    m_german->setText(Tr(txt::kMenuGerman, lang));
    m_english->setText(Tr(txt::kMenuEnglish, lang));
    m_german->setStatusTip(Tr(txt::kPromptLanguage, lang));
    m_english->setStatusTip(Tr(txt::kPromptLanguage, lang));
    m_german->setChecked(lang == 0);
    m_english->setChecked(lang == 1);
    m_exit->setText(Tr(txt::kFileExit, lang));
    m_cascade->setText(Tr(txt::kMenuCascade, lang));
    m_tile->setText(Tr(txt::kMenuTile, lang));
    m_about->setText(Tr(txt::kMenuAbout, lang));
    m_xyGraph->setText(Tr(potentiostat::xytext::kMenuCommand, lang));
    m_showEis->setText(Tr(txt::kMenuShowEis, lang));
    m_showRun->setText(Tr(txt::kMenuShowRun, lang));
    m_plantLink->setText(Tr(kPlantLinkMenu, lang));
    m_plantLink->setStatusTip(Tr(kPlantLinkPrompt, lang));
    m_autoScroll->setText(Tr(txt::kMenuAutoScroll, lang));
    m_autoScroll->setStatusTip(Tr(txt::kPromptAutoScroll, lang));
    const std::pair<QAction*, std::pair<const TextPair*, const TextPair*>> graphActions[] = {
        {m_print, {&txt::kFilePrint, &txt::kPromptPrint}},
        {m_preview, {&txt::kFilePreview, &txt::kPromptPreview}},
        {m_exportPdf, {&txt::kFileExportPdf, &txt::kPromptExportPdf}},
        {m_pointList, {&txt::kMenuPointList, &txt::kPromptPointList}}};
    for (const auto& [action, texts] : graphActions) {
        action->setText(Tr(*texts.first, lang));
        action->setStatusTip(Tr(*texts.second, lang));
        action->setToolTip(Tr(*texts.second, lang));
    }
    m_toolbar->setWindowTitle(Tr(txt::kToolbar, lang));
}

void MainMenus::Update(const station::CommandState& s, bool logbookShown, bool graphShown)
{
    for (QAction* a : {m_print, m_preview, m_exportPdf, m_pointList})
        a->setEnabled(graphShown);
    for (auto& [cmd, action] : m_actions)
        action->setEnabled(station::CommandEnabled(cmd, s));
    m_actions[station::Cmd::ToggleLogbook]->setChecked(logbookShown);
    m_recent->SetEnabled(station::CommandEnabled(station::Cmd::FileOpen, s));
}

}  // namespace qor::ui
