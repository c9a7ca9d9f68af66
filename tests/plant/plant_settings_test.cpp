#include "plant/plant_settings.h"
#include "station/config.h"

#include <gtest/gtest.h>

namespace qor::plant {
namespace {

TEST(PlantSettings, BrokerUrls)
{
    struct Case {
        const char* url;
        bool ok;
        const char* host;
        int port;
        bool tls;
    };
    const Case cases[] = {
        {"mqtt://127.0.0.1:1884", true, "127.0.0.1", 1884, false},
        {"mqtt://broker.lab", true, "broker.lab", 1883, false},
        {"mqtts://broker.lab/", true, "broker.lab", 8883, true},
        {"mqtt://[::1]:2000", true, "::1", 2000, false},
        {"mqtt://host:0", false, "", 0, false},
        {"mqtt://host:65536", false, "", 0, false},
        {"mqtt://host:", false, "", 0, false},
        {"mqtt://host:12a", false, "", 0, false},
        {"mqtt://:1883", false, "", 0, false},
        {"mqtt://user@host", false, "", 0, false},
        {"http://host:1883", false, "", 0, false},
        {"mqtt://[::1", false, "", 0, false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto a = ParseMqttUrl(c.url, 1, &error);
        ASSERT_EQ(a.has_value(), c.ok) << c.url;
        if (!c.ok) {
            EXPECT_EQ(error, std::string("Invalid broker address \"") + c.url +
                                 "\": expected mqtt://HOST:PORT or mqtts://HOST:PORT");
            continue;
        }
        EXPECT_EQ(a->host, c.host) << c.url;
        EXPECT_EQ(a->port, c.port) << c.url;
        EXPECT_EQ(a->tls, c.tls) << c.url;
    }
}

// The section goes after the station's keys in config.ini and comes back as written; the
// station's own keys are not read from it.
TEST(PlantSettings, ConfigFileRoundTrip)
{
    PlantSettings s;
    s.mqttUrl = "mqtt://10.0.0.5:1883";
    s.station = "lab-2";
    s.mqttUser = "qor";
    s.passwordFile = "/etc/qor/pw";
    s.prefix = "plant/a";
    s.keepAliveS = 10;
    s.tsdbUrl = "http://db:8428/write";
    const std::string section = PlantSection(s);
    EXPECT_EQ(
        section,
        "[PLANT]\n\rMQTT_URL=mqtt://10.0.0.5:1883;\n\rSTATION=lab-2;\n\rMQTT_USER=qor;\n\r"
        "MQTT_PASSWORD_FILE=/etc/qor/pw;\n\rMQTT_TLS_CA=;\n\rMQTT_PREFIX=plant/a;\n\rMQTT_KEEPALIVE=10;\n\r"
        "TSDB_URL=http://db:8428/write;\n\r");

    station::StationConfig c = station::FirstStartDefaults();
    c.plant = section;
    const station::StationConfig back = station::LoadConfig(station::SaveConfig(c));
    EXPECT_EQ(back.plant, section);
    EXPECT_EQ(back.link.port, 1);
    // Every field written above comes back: the same section again.
    EXPECT_EQ(PlantSection(ReadPlantSection(back.plant)), section);

    // A file without the section: the prefix is never empty.
    const PlantSettings none = ReadPlantSection(station::SaveConfig(station::FirstStartDefaults()));
    EXPECT_EQ(none.prefix, "qor");
    EXPECT_EQ(ReadPlantSection("[PLANT]\n\rMQTT_PREFIX=;\n\r").prefix, "qor");
}

TEST(PlantSettings, FaultsAreNamed)
{
    const auto with = [](auto change) {
        PlantSettings s;
        s.mqttUrl = "mqtt://h:1";
        change(s);
        return CheckPlantSettings(s, 1);
    };
    EXPECT_EQ(with([](PlantSettings&) {}), "");
    for (const char* p : {"", "a/", "/a", "a//b", "a/#"})
        EXPECT_EQ(with([p](PlantSettings& s) { s.prefix = p; }),
                  "The topic prefix must be set and must not contain + or #, nor begin or end with /")
            << p;
    EXPECT_EQ(with([](PlantSettings& s) { s.passwordFile = "/pw"; }), "A password file needs a user");
    EXPECT_EQ(with([](PlantSettings& s) { s.mqttUser = "a;b"; }),
              "MQTT_USER must not contain ; or a line break");
    EXPECT_EQ(with([](PlantSettings& s) { s.tsdbUrl = "db:8428"; }),
              "Invalid database address \"db:8428\": expected http://HOST:PORT/write");
    EXPECT_EQ(StationName(PlantSettings{}), HostStationName());
}

}  // namespace
}  // namespace qor::plant
