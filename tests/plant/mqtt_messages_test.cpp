#include "plant/mqtt_messages.h"

#include <gtest/gtest.h>

namespace qor::plant {
namespace {

station::ModuleReading Module(station::Reading state, std::array<double, 3> values, const char* name,
                              const char* unit1, float factor = 1.0f, const char* baseUnit = "")
{
    station::ModuleReading r;
    r.state = state;
    r.type = 1;
    r.values = values;
    r.name = name;
    r.info.unit1 = unit1;
    r.info.unit2 = "mV";
    r.info.unit3 = "°C";
    r.info.name1 = "value \"1\"";
    r.info.name2 = "voltage";
    r.info.name3 = "temperature";
    r.info.factor = factor;
    r.info.baseUnit = baseUnit;
    return r;
}

// Topics and payloads byte for byte: value 1 as the recording stores it (x factor, base unit),
// a missed poll as null, absent modules left out, names escaped, virtual channels after; the
// stamp given (a stored sample's), not the cycle's own end.
TEST(MqttMessages, OneCycleByteForByte)
{
    station::Measurement m;
    m.time = 1699999999;
    m.modules[0] = Module(station::Reading::Measured, {1500.0, -120.5, 25.0}, "S0 Cond - amplifier", "µS/cm",
                          0.001f, "mS/cm");
    m.modules[4] = Module(station::Reading::Missed, {9.0, 9.0, 9.0}, "S4 pH", "pH");
    m.modules[12].type = 1;  // known but not released: nothing published
    VirtualValues v;
    v[1] = {true, 39.5, "V2 y*2+z"};
    v[3] = {true, station::ModuleReading::kNone, "V4 y/z"};
    v[2] = {false, 3.0, "V3 y"};

    const std::vector<MqttMessage> got = CycleMessages(m, "qor/lab1", 1700000000, true, v);
    const std::vector<std::pair<std::string, std::string>> want = {
        // As the document keeps it: 1500 x 0.001f (0.0010000000475) is 1.50000007, as a float 1.5000001.
        {"qor/lab1/S0/1",
         R"({"t": 1700000000, "v": 1.5000001, "unit": "mS/cm", "name": "S0 Cond - amplifier value \"1\"", "stored": true})"},
        {"qor/lab1/S0/2",
         R"({"t": 1700000000, "v": -120.5, "unit": "mV", "name": "S0 Cond - amplifier voltage", "stored": true})"},
        {"qor/lab1/S0/3",
         R"({"t": 1700000000, "v": 25, "unit": "°C", "name": "S0 Cond - amplifier temperature", "stored": true})"},
        {"qor/lab1/S4/1",
         R"({"t": 1700000000, "v": null, "unit": "pH", "name": "S4 pH value \"1\"", "stored": true})"},
        {"qor/lab1/S4/2",
         R"({"t": 1700000000, "v": null, "unit": "mV", "name": "S4 pH voltage", "stored": true})"},
        {"qor/lab1/S4/3",
         R"({"t": 1700000000, "v": null, "unit": "°C", "name": "S4 pH temperature", "stored": true})"},
        {"qor/lab1/V2", R"({"t": 1700000000, "v": 39.5, "unit": "", "name": "V2 y*2+z", "stored": true})"},
        {"qor/lab1/V4", R"({"t": 1700000000, "v": null, "unit": "", "name": "V4 y/z", "stored": true})"},
    };
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].topic, want[i].first) << i;
        EXPECT_EQ(got[i].payload, want[i].second) << i;
    }
}

TEST(MqttMessages, NonFiniteAndControlCharacters)
{
    EXPECT_EQ(ValuePayload(-5, 1.0 / 0.0, "a\\b", "tab\there", false),
              R"({"t": -5, "v": null, "unit": "a\\b", "name": "tab\u0009here", "stored": false})");
}

}  // namespace
}  // namespace qor::plant
