#include "ui/station/plant_link.h"

#include "station/station.h"
#include "ui/common/ui_texts.h"
#include "ui/station/plant_link_dlg.h"

#include <QMessageBox>

namespace qor::ui {

PlantLink::PlantLink(station::Station& station) : m_station(station)
{
    const plant::PlantSettings s = plant::ReadPlantSection(station.Config().plant);
    const std::string error = Apply(s);
    // A broken file section is told in the logbook, not in a box at every start.
    if (!error.empty())
        m_station.AddLogbookEntry(error);
}

PlantLink::~PlantLink()
{
    StopDatabase();
    if (m_alarms)
        m_alarms->RemoveListener(this);
}

void PlantLink::AttachAlarms(alarm::AlarmMonitor& monitor)
{
    m_alarms = &monitor;
    monitor.AddListener(this);
}

void PlantLink::OnAlarmTransition(const alarm::AlarmTransition& t)
{
    if (m_mqtt)
        m_mqtt->Publisher().PublishAlarm(alarm::AlarmJsonLine(t));
}

std::string PlantLink::Apply(const plant::PlantSettings& s)
{
    m_settings = s;
    // Nothing set: config.ini stays as it was without a plant link.
    const std::string section = plant::PlantSection(s);
    m_station.Config().plant = section == plant::PlantSection(plant::PlantSettings{}) ? "" : section;
    m_mqtt.reset();
    StopDatabase();
    std::string databaseError;
    if (!s.tsdbUrl.empty()) {
        plant::TsdbOptions t;
        t.url = s.tsdbUrl;
        t.station = plant::StationName(s);
        m_tsdb = std::make_unique<plant::TsdbLink>(m_station, t);
        if (!m_tsdb->Start(databaseError))
            m_tsdb.reset();
    }
    if (s.mqttUrl.empty())
        return databaseError;
    std::string error;
    const std::optional<plant::MqttOptions> options = plant::MqttOptionsFrom(s, m_station.Language(), error);
    if (!options)
        return error;
    m_mqtt = std::make_unique<plant::MqttStationLink>(m_station, *options);
    return databaseError;
}

void PlantLink::StopDatabase()
{
    if (m_tsdb)
        m_tsdb->Finish(std::chrono::seconds(2));
    m_tsdb.reset();
}

void PlantLink::ShowDialog(QWidget* parent, int lang)
{
    PlantLinkDlg dlg(m_settings, lang, parent);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const std::string error = Apply(dlg.Result());
    if (!error.empty())
        QMessageBox::warning(parent,
                             Tr(kPlantLinkMenu, lang).remove(QLatin1Char('&')).remove(QStringLiteral("...")),
                             QString::fromStdString(error));
}

}  // namespace qor::ui
