#pragma once

#include "alarm/alarm_monitor.h"
#include "alarm/alarm_transition.h"
#include "plant/mqtt_link.h"
#include "plant/plant_settings.h"
#include "plant/tsdb_link.h"

#include <memory>
#include <string>

class QWidget;

namespace qor::station {
class Station;
}

namespace qor::ui {

// The window's plant link: the settings of config.ini's plant section and the MQTT publisher
// they ask for, subscribed to the station's cycles for the whole run; alarm transitions go to
// the broker's alarm topic.
class PlantLink final : public alarm::AlarmListener {
public:
    explicit PlantLink(station::Station& station);
    ~PlantLink() override;

    // The alarms whose transitions are published; the monitor must outlive this link.
    void AttachAlarms(alarm::AlarmMonitor& monitor);
    void OnAlarmTransition(const alarm::AlarmTransition& t) override;

    const plant::PlantSettings& Settings() const { return m_settings; }
    bool Publishing() const { return m_mqtt != nullptr; }
    // The database writer of the recordings, when a database is set.
    const plant::TsdbLink* Database() const { return m_tsdb.get(); }
    // Station > Plant link: the dialog; OK stores the settings and starts the link anew.
    void ShowDialog(QWidget* parent, int lang);
    // Takes the settings into the configuration and (re)starts the publisher; a message on failure.
    std::string Apply(const plant::PlantSettings& settings);

private:
    station::Station& m_station;
    plant::PlantSettings m_settings;
    // Gives the database a moment for what is queued; the rest stays for the next start or a
    // backfill (the watermark knows it).
    void StopDatabase();

    std::unique_ptr<plant::MqttStationLink> m_mqtt;
    std::unique_ptr<plant::TsdbLink> m_tsdb;
    alarm::AlarmMonitor* m_alarms = nullptr;
};

}  // namespace qor::ui
