#include "ui/station/station_alarms.h"

#include "station/config.h"
#include "station/station.h"
#include "ui/common/ui_texts.h"
#include "ui/station/alarm_dlg.h"
#include "ui/station/alarm_pane.h"
#include "ui/station/digital_mess_view.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDockWidget>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace qor::ui {
namespace {

constexpr TextPair kMenu = {"Ala&rme…", "&Alarms…"};
constexpr TextPair kPaneMenu = {"Alarm&fenster", "Alarm pa&ne"};
constexpr TextPair kPaneTitle = {"Alarme", "Alarms"};
constexpr TextPair kCount = {"%1 Alarme offen", "%1 alarms open"};
constexpr TextPair kOne = {"1 Alarm offen", "1 alarm open"};
constexpr TextPair kNoAlarm = {"keine Alarme offen", "no alarms open"};
constexpr TextPair kTitle = {"[%1 Alarm(e)] ", "[%1 alarm(s)] "};
constexpr TextPair kRideThrough = {"Aufzeichnung läuft bei Verbindungsausfall weiter",
                                   "Recording rides through link outages"};
constexpr TextPair kNotSaved = {"Alarme nicht gespeichert: %1", "Alarms not saved: %1"};

const QRegularExpression& TitlePrefix()
{
    static const QRegularExpression re(QStringLiteral("^\\[\\d+ [^\\]]*\\] "));
    return re;
}

}  // namespace

StationAlarms::StationAlarms(QMainWindow& frame, station::Station& station, Clock& clock, QMenu* stationMenu,
                             std::function<CDigitalMessView*(int)> view, bool quiet)
    : QObject(&frame), m_frame(frame), m_station(station),
      m_monitor(station.Document(), clock, [&station] { return station.Language(); }),
      m_view(std::move(view)), m_quiet(quiet), m_lang(station.Language())
{
    execDialog = [](CAlarmDlg& d) { return d.exec(); };
    m_path = alarm::AlarmsIniPath(station::ConfigDirectory());
    alarm::AlarmSettings settings;
    std::string error;
    if (!alarm::LoadAlarmsFile(m_path, m_lang, settings, error))
        frame.statusBar()->showMessage(QString::fromStdString(error), 10000);
    Apply(settings);
    m_monitor.AddListener(this);
    m_station.Measurements().Subscribe(&m_monitor);

    m_pane = new CAlarmPane(m_lang);
    m_pane->acknowledge = [this](int id) { m_monitor.Acknowledge(id); };
    m_pane->acknowledgeAll = [this] { m_monitor.AcknowledgeAll(); };
    m_pane->shelve = [this](int id, std::int64_t s) { m_monitor.Shelve(id, s); };
    m_dock = new QDockWidget(&frame);
    m_dock->setObjectName(QStringLiteral("alarmDock"));
    m_dock->setWidget(m_pane);
    frame.addDockWidget(Qt::BottomDockWidgetArea, m_dock);
    // Out of the way until an alarm comes, or the user asks for it.
    m_dock->hide();
    m_status = new QLabel(frame.statusBar());
    m_status->setObjectName(QStringLiteral("alarmPane"));
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_status->setContentsMargins(4, 0, 4, 0);
    frame.statusBar()->addPermanentWidget(m_status);
    if (stationMenu) {
        stationMenu->addSeparator();
        m_action = stationMenu->addAction(QString());
        connect(m_action, &QAction::triggered, this, &StationAlarms::RunDialog);
        m_paneAction = stationMenu->addAction(QString());
        m_paneAction->setCheckable(true);
        connect(m_paneAction, &QAction::toggled, m_dock, &QDockWidget::setVisible);
        connect(m_dock, &QDockWidget::visibilityChanged, this, [this](bool on) {
            if (!m_frame.isMinimized())
                m_paneAction->setChecked(on);
        });
    }
    // Shelvings end and finished alarm commands are looked at also while nothing is polled.
    m_tick = new QTimer(this);
    connect(m_tick, &QTimer::timeout, this, [this] {
        m_monitor.Tick();
        Refresh();
    });
    m_tick->start(1000);
    frame.installEventFilter(this);
    SetLanguage(m_lang);
}

StationAlarms::~StationAlarms()
{
    m_frame.removeEventFilter(this);
    m_station.Measurements().Unsubscribe(&m_monitor);
}

void StationAlarms::Apply(const alarm::AlarmSettings& settings)
{
    m_monitor.Configure(settings);
    m_station.SetRideThrough(settings.rideThrough);
}

void StationAlarms::SetLanguage(int lang)
{
    m_lang = lang == 1 ? 1 : 0;
    m_pane->SetLanguage(m_lang);
    m_dock->setWindowTitle(Tr(kPaneTitle, m_lang));
    if (m_action) {
        m_action->setText(Tr(kMenu, m_lang));
        m_paneAction->setText(Tr(kPaneMenu, m_lang));
    }
    Refresh();
}

void StationAlarms::OnAlarmTransition(const alarm::AlarmTransition& t)
{
    if (t.event == alarm::AlarmEvent::Raised)
        m_dock->show();
    Refresh();
}

void StationAlarms::Refresh()
{
    const alarm::AlarmEvaluator& e = m_monitor.Evaluator();
    m_pane->Show(e);
    const int n = e.Unacknowledged();
    m_status->setText(n == 0 ? Tr(kNoAlarm, m_lang) : n == 1 ? Tr(kOne, m_lang) : Tr(kCount, m_lang).arg(n));
    m_status->setStyleSheet(n > 0 ? QStringLiteral("color: #B00000; font-weight: bold") : QString());
    for (int a = 0; a < 16; ++a) {
        CDigitalMessView* v = m_view ? m_view(a) : nullptr;
        if (!v)
            continue;
        for (int k = 0; k < 3; ++k) {
            const alarm::AlarmState s = e.SourceState(false, a, k + 1);
            v->SetAlarm(k, s == alarm::AlarmState::ActiveUnacked ? 1
                           : s == alarm::AlarmState::ActiveAcked ? 2
                                                                 : 0);
        }
    }
    UpdateTitle();
}

void StationAlarms::UpdateTitle()
{
    QString title = m_frame.windowTitle();
    title.remove(TitlePrefix());
    const int n = m_monitor.Evaluator().Unacknowledged();
    if (m_frame.isMinimized() && n > 0)
        title.prepend(Tr(kTitle, m_lang).arg(n));
    if (title != m_frame.windowTitle())
        m_frame.setWindowTitle(title);
}

bool StationAlarms::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_frame &&
        (event->type() == QEvent::WindowStateChange || event->type() == QEvent::WindowTitleChange))
        QTimer::singleShot(0, this, &StationAlarms::UpdateTitle);
    return QObject::eventFilter(watched, event);
}

QCheckBox* StationAlarms::AddRideThroughBox(QDialog& dlg)
{
    auto* box = new QCheckBox(Tr(kRideThrough, m_lang), &dlg);
    box->setObjectName(QStringLiteral("rideThrough"));
    box->setChecked(m_station.RideThrough());
    if (auto* layout = qobject_cast<QVBoxLayout*>(dlg.layout()))
        layout->insertWidget(std::max(0, layout->count() - 1), box);
    return box;
}

void StationAlarms::TakeRideThrough(const QCheckBox* box)
{
    if (!box || box->isChecked() == m_station.RideThrough())
        return;
    alarm::AlarmSettings settings = m_monitor.Settings();
    settings.rideThrough = box->isChecked();
    m_station.SetRideThrough(settings.rideThrough);
    m_monitor.KeepSettings(settings);
    std::string error;
    if (!m_quiet && !alarm::WriteAlarmsFile(m_path, settings, m_lang, error))
        m_frame.statusBar()->showMessage(Tr(kNotSaved, m_lang).arg(QString::fromStdString(error)), 10000);
}

void StationAlarms::RunDialog()
{
    alarm::AlarmDlgModel model(m_monitor.Settings(), m_lang);
    CAlarmDlg dlg(model, m_lang, &m_frame);
    if (execDialog(dlg) != QDialog::Accepted || !dlg.Result())
        return;
    std::string error;
    if (!m_quiet && !alarm::WriteAlarmsFile(m_path, *dlg.Result(), m_lang, error))
        m_frame.statusBar()->showMessage(Tr(kNotSaved, m_lang).arg(QString::fromStdString(error)), 10000);
    Apply(*dlg.Result());
    Refresh();
}

}  // namespace qor::ui
