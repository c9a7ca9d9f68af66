#pragma once

#include "alarm/alarm_monitor.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QDialog;
class QDockWidget;
class QLabel;
class QMainWindow;
class QMenu;
class QTimer;

namespace qor {
class Clock;
}
namespace qor::station {
class Station;
}

namespace qor::ui {

class CAlarmDlg;
class CAlarmPane;
class CDigitalMessView;

// The window's side of the alarms: the monitor on the station's poll cycle with the
// definitions of alarms.ini, the alarm pane docked below, the menu entry Station › Alarms…,
// the status bar's count of unacknowledged alarms, the count in the title while the window
// is minimised, and the red or amber digit boxes and meters of sources in alarm.
class StationAlarms final : public QObject, private alarm::AlarmListener {
    Q_OBJECT
public:
    // `view(address)` is the measurement view of a module, or null.
    StationAlarms(QMainWindow& frame, station::Station& station, Clock& clock, QMenu* stationMenu,
                  std::function<CDigitalMessView*(int)> view, bool quiet);
    ~StationAlarms() override;

    alarm::AlarmMonitor& Monitor() { return m_monitor; }
    CAlarmPane* Pane() const { return m_pane; }
    QDockWidget* Dock() const { return m_dock; }
    QLabel* StatusPane() const { return m_status; }
    const std::string& SettingsPath() const { return m_path; }

    void SetLanguage(int lang);
    // Colours of the measurement views, pane, status bar and title as the alarms stand now.
    void Refresh();
    // Station › Alarms…: the dialog; OK stores alarms.ini and the alarms start anew.
    void RunDialog();
    // The recording dialog's box "Recording rides through link outages", put above its buttons;
    // TakeRideThrough keeps what it says once the dialog was accepted.
    QCheckBox* AddRideThroughBox(QDialog& dlg);
    void TakeRideThrough(const QCheckBox* box);
    // How the dialog is run (tests answer it themselves).
    std::function<int(CAlarmDlg&)> execDialog;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnAlarmTransition(const alarm::AlarmTransition& t) override;
    void UpdateTitle();
    void Apply(const alarm::AlarmSettings& settings);

    QMainWindow& m_frame;
    station::Station& m_station;
    alarm::AlarmMonitor m_monitor;
    std::function<CDigitalMessView*(int)> m_view;
    bool m_quiet;
    int m_lang = 0;
    std::string m_path;
    CAlarmPane* m_pane = nullptr;
    QDockWidget* m_dock = nullptr;
    QAction* m_action = nullptr;
    QAction* m_paneAction = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_tick = nullptr;
};

}  // namespace qor::ui
