#include "plant/plant_settings.h"

#include "common/text.h"

#include <fstream>
#include <unistd.h>

namespace qor::plant {
namespace {

constexpr const char* kKeys[] = {"MQTT_URL",    "STATION",     "MQTT_USER",      "MQTT_PASSWORD_FILE",
                                 "MQTT_TLS_CA", "MQTT_PREFIX", "MQTT_KEEPALIVE", "TSDB_URL"};

std::string* Member(PlantSettings& s, std::size_t key)
{
    std::string* members[] = {&s.mqttUrl, &s.station, &s.mqttUser, &s.passwordFile,
                              &s.tlsCa,   &s.prefix,  nullptr,     &s.tsdbUrl};
    return members[key];
}

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

std::string Fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return message;
}

}  // namespace

std::optional<BrokerAddress> ParseMqttUrl(const std::string& url, int l, std::string* error)
{
    const std::string bad = Format(
        TextPair{"Ungültige Broker-Adresse \"%s\": erwartet mqtt://RECHNER:PORT oder mqtts://RECHNER:PORT",
                 "Invalid broker address \"%s\": expected mqtt://HOST:PORT or mqtts://HOST:PORT"}[l],
        url.c_str());
    BrokerAddress a;
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
    } else if (url.rfind("mqtts://", 0) == 0) {
        rest = url.substr(8);
        a.tls = true;
        a.port = 8883;
    } else {
        Fail(error, bad);
        return std::nullopt;
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    std::string port;
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        if (close == std::string::npos) {
            Fail(error, bad);
            return std::nullopt;
        }
        a.host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') {
                Fail(error, bad);
                return std::nullopt;
            }
            port = rest.substr(close + 2);
            if (port.empty()) {
                Fail(error, bad);
                return std::nullopt;
            }
        }
    } else {
        const auto colon = rest.find(':');
        a.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            port = rest.substr(colon + 1);
            if (port.empty()) {
                Fail(error, bad);
                return std::nullopt;
            }
        }
    }
    if (a.host.empty() || a.host.find_first_of("/@?# ") != std::string::npos) {
        Fail(error, bad);
        return std::nullopt;
    }
    if (!port.empty()) {
        if (!AllDigits(port) || port.size() > 5 || std::stol(port) < 1 || std::stol(port) > 65535) {
            Fail(error, bad);
            return std::nullopt;
        }
        a.port = static_cast<int>(std::stol(port));
    }
    return a;
}

std::string HostStationName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !name[0])
        return "station";
    std::string s(name);
    // A topic level must not split or match: the name's own separators become '_'.
    for (char& c : s)
        if (c == '/' || c == '+' || c == '#')
            c = '_';
    return s;
}

std::string StationName(const PlantSettings& s)
{
    return s.station.empty() ? HostStationName() : s.station;
}

std::string CheckPlantSettings(const PlantSettings& s, int l)
{
    for (std::size_t k = 0; k < std::size(kKeys); ++k) {
        const std::string* v = Member(const_cast<PlantSettings&>(s), k);
        if (v && v->find_first_of(";\r\n") != std::string::npos)
            return Format(TextPair{"%s darf weder ; noch einen Zeilenumbruch enthalten",
                                   "%s must not contain ; or a line break"}[l],
                          kKeys[k]);
    }
    std::string error;
    if (!s.mqttUrl.empty() && !ParseMqttUrl(s.mqttUrl, l, &error))
        return error;
    if (s.station.find_first_of("/+#") != std::string::npos)
        return TextPair{"Der Stationsname darf /, + und # nicht enthalten",
                        "The station name must not contain /, + or #"}[l];
    if (s.prefix.empty() || s.prefix.find_first_of("+#") != std::string::npos || s.prefix.front() == '/' ||
        s.prefix.back() == '/' || s.prefix.find("//") != std::string::npos)
        return TextPair{
            "Das Themen-Präfix muss gesetzt sein und darf + und # nicht enthalten, nicht mit / "
            "beginnen oder enden",
            "The topic prefix must be set and must not contain + or #, nor begin or end with /"}[l];
    if (s.keepAliveS < 5 || s.keepAliveS > 65535)
        return TextPair{"Keep-alive verlangt 5 bis 65535 Sekunden", "Keep-alive needs 5 to 65535 seconds"}[l];
    if (!s.passwordFile.empty() && s.mqttUser.empty())
        return TextPair{"Eine Passwortdatei verlangt einen Benutzer", "A password file needs a user"}[l];
    if (!s.tsdbUrl.empty()) {
        const auto scheme = s.tsdbUrl.find("://");
        const std::string kind = scheme == std::string::npos ? "" : s.tsdbUrl.substr(0, scheme);
        const std::string host = scheme == std::string::npos ? "" : s.tsdbUrl.substr(scheme + 3);
        if ((kind != "http" && kind != "https") || host.empty() || host.front() == '/' || host.front() == ':')
            return Format(TextPair{"Ungültige Datenbank-Adresse \"%s\": erwartet http://RECHNER:PORT/write",
                                   "Invalid database address \"%s\": expected http://HOST:PORT/write"}[l],
                          s.tsdbUrl.c_str());
    }
    return {};
}

std::optional<std::string> ReadPasswordFile(const std::string& path, int l, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        Fail(error, Format(TextPair{"Die Passwortdatei %s ist nicht lesbar",
                                    "The password file %s cannot be read"}[l],
                           path.c_str()));
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string PlantSection(const PlantSettings& s)
{
    std::string text = "[PLANT]\n\r";
    for (std::size_t k = 0; k < std::size(kKeys); ++k) {
        const std::string* v = Member(const_cast<PlantSettings&>(s), k);
        text += std::string(kKeys[k]) + "=" + (v ? *v : std::to_string(s.keepAliveS)) + ";\n\r";
    }
    return text;
}

PlantSettings ReadPlantSection(const std::string& text)
{
    PlantSettings s;
    const std::size_t from = text.find("[PLANT]");
    if (from == std::string::npos)
        return s;
    for (std::size_t k = 0; k < std::size(kKeys); ++k) {
        // A key is a whole line's start: "STATION=" must not be found inside another key.
        const std::string key = std::string(kKeys[k]) + "=";
        std::size_t pos = from;
        for (;;) {
            pos = text.find(key, pos);
            if (pos == std::string::npos || pos == 0 || text[pos - 1] == '\n' || text[pos - 1] == '\r')
                break;
            pos += key.size();
        }
        if (pos == std::string::npos)
            continue;
        pos += key.size();
        const std::size_t end = text.find_first_of(";\r\n", pos);
        const std::string value = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (std::string* m = Member(s, k))
            *m = value;
        else if (AllDigits(value) && value.size() <= 5)
            s.keepAliveS = std::stoi(value);
    }
    if (s.prefix.empty())
        s.prefix = "qor";
    return s;
}

}  // namespace qor::plant
