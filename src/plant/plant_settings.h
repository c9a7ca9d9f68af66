#pragma once

#include <optional>
#include <string>

namespace qor::plant {

// Where the station sends its live values (MQTT) and its history (time-series database).
// Empty URLs switch that part off.
struct PlantSettings {
    std::string mqttUrl;       // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    std::string station;       // topic level of this station; empty: the host name
    std::string mqttUser;      // empty: no credentials
    std::string passwordFile;  // first line is the password; never the password itself
    std::string tlsCa;         // CA file; given, the link is TLS
    std::string prefix = "qor";
    int keepAliveS = 30;
    std::string tsdbUrl;  // http://HOST:PORT/write
};

struct BrokerAddress {
    std::string host;
    int port = 1883;
    bool tls = false;
};

// mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (8883); IPv6 hosts in brackets.
// nullopt with a message in the language on anything else.
std::optional<BrokerAddress> ParseMqttUrl(const std::string& url, int language, std::string* error = nullptr);

// The system's host name, the default station name.
std::string HostStationName();
// The station name in use: the one set, else the host name.
std::string StationName(const PlantSettings& s);

// Empty when the settings can be used; otherwise the first fault, in the language.
std::string CheckPlantSettings(const PlantSettings& s, int language);

// The password file's first line (without its line end); nullopt with a message when unreadable.
std::optional<std::string> ReadPasswordFile(const std::string& path, int language, std::string* error);

// The plant section of config.ini: "[PLANT]" and its KEY=value; lines.
std::string PlantSection(const PlantSettings& s);
// Reads the keys of a plant section (or of the whole file); missing keys keep their default.
PlantSettings ReadPlantSection(const std::string& text);

}  // namespace qor::plant
