#pragma once

#include "plant/mqtt_link.h"
#include "plant/plant_settings.h"

#include <memory>
#include <string>

class QWidget;

namespace qor::station {
class Station;
}

namespace qor::ui {

// The window's plant link: the settings of config.ini's plant section and the MQTT publisher
// they ask for, subscribed to the station's cycles for the whole run.
class PlantLink {
public:
    explicit PlantLink(station::Station& station);
    ~PlantLink();

    const plant::PlantSettings& Settings() const { return m_settings; }
    bool Publishing() const { return m_mqtt != nullptr; }
    // Station > Plant link: the dialog; OK stores the settings and starts the link anew.
    void ShowDialog(QWidget* parent, int lang);
    // Takes the settings into the configuration and (re)starts the publisher; a message on failure.
    std::string Apply(const plant::PlantSettings& settings);

private:
    station::Station& m_station;
    plant::PlantSettings m_settings;
    std::unique_ptr<plant::MqttStationLink> m_mqtt;
};

}  // namespace qor::ui
