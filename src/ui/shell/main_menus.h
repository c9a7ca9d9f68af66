#pragma once

#include "station/command_rules.h"

#include <map>
#include <memory>

class QAction;
class QMenu;
class QToolBar;

namespace qor::ui {

class CMainFrame;
class RecentFilesMenu;

// The main window's menu bar and toolbar: one action per command, the language choice,
// the window arrangement, the recent files and the about box.
class MainMenus {
public:
    // Builds the menus and the toolbar into `frame`; the actions run the frame's commands.
    explicit MainMenus(CMainFrame& frame);
    ~MainMenus();

    QAction* Action(station::Cmd cmd) const { return m_actions.at(cmd); }
    QAction* LanguageAction(int lang) const { return lang == 1 ? m_english : m_german; }
    // "Automatic scrolling" of the graph pane (checked while on).
    QAction* AutoScroll() const { return m_autoScroll; }
    // File › Print, Print preview, Export as PDF; View › Point list (checked while shown).
    QAction* Print() const { return m_print; }
    QAction* ExportPdf() const { return m_exportPdf; }
    QAction* PointList() const { return m_pointList; }
    // Potentiostat › "Show EIS graphic" and the run window, each opened again on its list.
    QAction* ShowEis() const { return m_showEis; }
    QAction* ShowRun() const { return m_showRun; }
    RecentFilesMenu& Recent() { return *m_recent; }
    QMenu* StationMenu() const { return m_stationMenu; }
    const RecentFilesMenu& Recent() const { return *m_recent; }

    void Retranslate(int lang);
    // Enables each command as its rule says in state `s`.
    void Update(const station::CommandState& s, bool logbookShown, bool graphShown);

private:
    void CreateActions(CMainFrame& frame);
    void CreateMenus(CMainFrame& frame);

    std::map<station::Cmd, QAction*> m_actions;
    QAction* m_german = nullptr;
    QAction* m_english = nullptr;
    QAction* m_exit = nullptr;
    QAction* m_cascade = nullptr;
    QAction* m_tile = nullptr;
    QAction* m_about = nullptr;
    QAction* m_autoScroll = nullptr;
    QAction* m_print = nullptr;
    QAction* m_preview = nullptr;
    QAction* m_exportPdf = nullptr;
    QAction* m_pointList = nullptr;
    QAction* m_xyGraph = nullptr;  // "Display XY-Graphic window"
    QAction* m_showEis = nullptr;
    QAction* m_showRun = nullptr;
    QAction* m_plantLink = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_stationMenu = nullptr;
    QMenu* m_potMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_languageMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QToolBar* m_toolbar = nullptr;
    std::unique_ptr<RecentFilesMenu> m_recent;
};

}  // namespace qor::ui
