#pragma once

#include "plant/mqtt_publisher.h"
#include "plant/plant_settings.h"

#include <memory>
#include <optional>
#include <string>

namespace qor::station {
class Station;
}

namespace qor::plant {

// The publisher's options from the settings: URL parsed, password read from its file,
// station defaulted to the host name. nullopt with the message when they cannot be used.
std::optional<MqttOptions> MqttOptionsFrom(const PlantSettings& settings, int language, std::string& error);

// A publisher subscribed to a station's cycles: the virtual channels from its document, the
// outage lines into its logbook. Stop (or the end of the object) is the clean end.
class MqttStationLink {
public:
    MqttStationLink(station::Station& station, const MqttOptions& options);
    ~MqttStationLink();
    MqttStationLink(const MqttStationLink&) = delete;
    MqttStationLink& operator=(const MqttStationLink&) = delete;

    void Stop();
    MqttPublisher& Publisher() { return *m_publisher; }

private:
    station::Station& m_station;
    std::unique_ptr<MqttPublisher> m_publisher;
};

}  // namespace qor::plant
