#include "cli/mqtt_options.h"

#include "common/text.h"
#include "plant/mqtt_link.h"

namespace qor::cli {

void DeclareMqttOptions(std::vector<Option>& options)
{
    options.push_back(Option::Text("--mqtt", "mqtt://HOST:PORT"));
    const std::vector<std::string> mqtt{"--mqtt"};
    options.push_back(Option::Text("--mqtt-user", "U").Needs(mqtt));
    options.push_back(Option::Text("--mqtt-password-file", "F").Needs(mqtt));
    options.push_back(Option::Text("--mqtt-tls", "CAFILE").Needs(mqtt));
    options.push_back(Option::Text("--mqtt-prefix", "P").Needs(mqtt));
    options.push_back(Option::Number("--mqtt-keepalive", "S", 5, 65535, {"Sekunden", "seconds"}).Needs(mqtt));
}

std::optional<plant::MqttOptions> MqttOptionsOf(const Parsed& p, const std::string& station,
                                                std::string& error)
{
    if (!p.Has("--mqtt"))
        return std::nullopt;
    plant::PlantSettings s;
    s.mqttUrl = p.Value("--mqtt");
    s.station = station;
    s.mqttUser = p.Value("--mqtt-user");
    s.passwordFile = p.Value("--mqtt-password-file");
    s.tlsCa = p.Value("--mqtt-tls");
    s.prefix = p.Value("--mqtt-prefix", "qor");
    s.keepAliveS = static_cast<int>(p.Number("--mqtt-keepalive", s.keepAliveS));
    return plant::MqttOptionsFrom(s, p.lang, error);
}

}  // namespace qor::cli
