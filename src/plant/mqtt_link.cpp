#include "plant/mqtt_link.h"

#include "station/station.h"

namespace qor::plant {

std::optional<MqttOptions> MqttOptionsFrom(const PlantSettings& s, int l, std::string& error)
{
    error = CheckPlantSettings(s, l);
    if (!error.empty())
        return std::nullopt;
    const std::optional<BrokerAddress> a = ParseMqttUrl(s.mqttUrl, l, &error);
    if (!a)
        return std::nullopt;
    MqttOptions o;
    o.host = a->host;
    o.port = a->port;
    o.tls = a->tls;
    o.tlsCa = s.tlsCa;
    o.station = StationName(s);
    o.prefix = s.prefix;
    o.keepAliveS = s.keepAliveS;
    o.user = s.mqttUser;
    if (!s.passwordFile.empty()) {
        const std::optional<std::string> pw = ReadPasswordFile(s.passwordFile, l, &error);
        if (!pw)
            return std::nullopt;
        o.password = *pw;
    }
    return o;
}

MqttStationLink::MqttStationLink(station::Station& station, const MqttOptions& options) : m_station(station)
{
    m_publisher = std::make_unique<MqttPublisher>(
        options, [&station] { return station.Language(); },
        [&station](const std::string& line) { station.AddLogbookEntry(line); },
        [&station](const station::Measurement& m) { return DocumentVirtualValues(m, station.Document()); });
    station.Measurements().Subscribe(m_publisher.get());
    station.Document().AddSampleListener(m_publisher.get());
}

MqttStationLink::~MqttStationLink()
{
    Stop();
}

void MqttStationLink::Stop()
{
    m_station.Measurements().Unsubscribe(m_publisher.get());
    m_station.Document().RemoveSampleListener(m_publisher.get());
    m_publisher->Stop();
}

}  // namespace qor::plant
