// The line protocol of the time-series database: lines written out by hand.
#include "data/daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/virtual_channel.h"
#include "plant/tsdb_lines.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace qor;

namespace {

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

plant::TsdbPoint Empty(std::int64_t time)
{
    plant::TsdbPoint p;
    p.time = time;
    for (auto& v : p.values)
        v = {kNone, kNone, kNone};
    p.virtualChannels.fill(std::nan(""));
    return p;
}

TEST(TsdbLines, OneLinePerValueAndNoneForWhatWasNotMeasured)
{
    struct Case {
        const char* what;
        plant::TsdbPoint point;
        std::string station;
        std::string lines;
    };
    plant::TsdbPoint full = Empty(1700000000);
    full.values[5] = {12340.f, kNone, kNone};  // values 2 and 3 missed
    full.values[15] = {1e20f, 1.5e-7f, 0.f};
    full.virtualChannels[1] = 3.5;
    full.virtualChannels[2] = std::numeric_limits<double>::infinity();  // 1/0: no value
    plant::TsdbPoint virtualOnly = Empty(-2);
    virtualOnly.virtualChannels[3] = 0.1;
    const Case cases[] = {
        {"values, a missed value left out, a virtual channel", full, "lab 1",
         "qor,station=lab\\ 1,address=5,value=1 v=12340 1700000000000000000\n"
         "qor,station=lab\\ 1,address=15,value=1 v=1e+20 1700000000000000000\n"
         "qor,station=lab\\ 1,address=15,value=2 v=1.5e-07 1700000000000000000\n"
         "qor,station=lab\\ 1,address=15,value=3 v=0 1700000000000000000\n"
         "qor,station=lab\\ 1,address=V2,value=1 v=3.5 1700000000000000000\n"},
        {"a sample where nothing was measured", Empty(1700000000), "s", ""},
        {"a time before 1970, a virtual channel alone", virtualOnly, "s",
         "qor,station=s,address=V4,value=1 v=0.1 -2000000000\n"},
    };
    for (const Case& c : cases) {
        std::string out = "kept\n";
        const std::size_t n = plant::AppendLines(out, plant::EscapeTag(c.station), c.point);
        EXPECT_EQ(out, "kept\n" + c.lines) << c.what;
        EXPECT_EQ(n, static_cast<std::size_t>(std::count(c.lines.begin(), c.lines.end(), '\n'))) << c.what;
    }
}

TEST(TsdbLines, TagValuesEscaped)
{
    const std::pair<const char*, const char*> cases[] = {
        {"plain-name_1.x", "plain-name_1.x"},
        {"Halle 3, Becken=2", "Halle\\ 3\\,\\ Becken\\=2"},
        {"a\\b", "a\\\\b"},
        {"line\nbreak\ttab", "line\\ break\\ tab"},
        {"Grüße", "Grüße"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(plant::EscapeTag(in), out) << in;
}

TEST(TsdbLines, PointHoldsTheStoredValuesAndTheVirtualChannelsAsShown)
{
    data::CDatenObject s;
    s.m_time = 1234;
    s.m_value.fill(kNone);
    s.m_value2.fill(kNone);
    s.m_temperature.fill(kNone);
    s.m_value[2] = 4.0f;
    s.m_value2[2] = 3.0f;
    data::CGrafikSetup setup;
    setup.m_factor1[2] = 10.0f;  // the window shows value 1 of address 2 times ten
    data::CGrafikSetupVirtuell v;
    v.m_enable = {1, 1, 0, 1};
    v.m_sourceY = {6, 6, 6, 0};  // address 2 value 1; V4 reads address 0, which measured nothing
    v.m_sourceZ = {7, 7, 7, 7};  // address 2 value 2
    v.m_formula = {"y+z", "y*z", "y", "y+z"};
    data::VirtualChannels channels;
    const plant::TsdbPoint p = plant::PointOf(s, setup, v, channels);
    EXPECT_EQ(p.time, 1234);
    EXPECT_EQ(p.values[2][0], 4.0f);  // stored as the document holds it, without the view's factor
    EXPECT_EQ(p.values[2][1], 3.0f);
    EXPECT_DOUBLE_EQ(p.virtualChannels[0], 43.0);   // 4 x 10 + 3
    EXPECT_DOUBLE_EQ(p.virtualChannels[1], 120.0);  // 40 x 3
    EXPECT_TRUE(std::isnan(p.virtualChannels[2])) << "not enabled";
    EXPECT_TRUE(std::isnan(p.virtualChannels[3])) << "an input that was not measured";
}

}  // namespace
