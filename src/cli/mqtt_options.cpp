#include "cli/mqtt_options.h"

#include "common/text.h"
#include "plant/mqtt_link.h"

namespace qor::cli {

std::optional<plant::MqttOptions> TakeMqttOptions(Args& args, const std::string& station, std::string& error)
{
    const int l = args.Language();
    plant::PlantSettings s;
    s.mqttUrl = args.Take("--mqtt");
    s.station = station;
    s.mqttUser = args.Take("--mqtt-user");
    s.passwordFile = args.Take("--mqtt-password-file");
    s.tlsCa = args.Take("--mqtt-tls");
    s.prefix = args.Take("--mqtt-prefix", "qor");
    const std::string keepAlive = args.Take("--mqtt-keepalive");
    long k = s.keepAliveS;
    if (!keepAlive.empty() && !ParseLong(keepAlive, 5, 65535, k)) {
        error = TextPair{"--mqtt-keepalive verlangt Sekunden 5..65535",
                         "--mqtt-keepalive needs seconds 5..65535"}[l];
        return std::nullopt;
    }
    s.keepAliveS = static_cast<int>(k);
    if (s.mqttUrl.empty()) {
        if (!s.mqttUser.empty() || !s.passwordFile.empty() || !s.tlsCa.empty() || s.prefix != "qor" ||
            !keepAlive.empty())
            error = TextPair{"die MQTT-Optionen verlangen --mqtt mqtt://RECHNER:PORT",
                             "the MQTT options need --mqtt mqtt://HOST:PORT"}[l];
        return std::nullopt;
    }
    return plant::MqttOptionsFrom(s, l, error);
}

const char* MqttUsage()
{
    return "        [--mqtt mqtt://HOST:PORT [--station NAME] [--mqtt-user U --mqtt-password-file F]\n"
           "         [--mqtt-tls CAFILE] [--mqtt-prefix P] [--mqtt-keepalive S]]\n";
}

}  // namespace qor::cli
