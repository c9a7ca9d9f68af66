#include "potentiostat/eis_graph_model.h"
#include "potentiostat/xy_graph_model.h"

#include <gtest/gtest.h>

namespace qor::potentiostat {
namespace {

data::CPotQORDatenObject Sample(std::uint32_t counter, std::int16_t i, std::int16_t u, std::uint8_t range = 2,
                                std::int16_t target = 0)
{
    data::CPotQORDatenObject s;
    s.m_counter = counter;
    s.m_raw = {i, u, target};
    s.m_range = range;
    return s;
}

TEST(PotRunRules, ConversionTimeAndLimit)
{
    struct Case {
        std::uint8_t range;
        std::int16_t raw;
        double current, potential;
    } cases[] = {
        {0x00, 1234, 0.01234, 123.4},  // nA range, brought to µA
        {0x01, 1234, 0.1234, 123.4},   {0x02, 1234, 1.234, 123.4},
        {0x04, -1234, -123.4, -123.4}, {0x0D, 1234, 1234.0, 1234.0},  // mA range 5, ±12 V: potential unscaled
        {0x07, 5, 500.0, 0.5},
    };
    for (const Case& c : cases) {
        const PotValues v = ConvertSample(Sample(0, c.raw, c.raw, c.range, 77));
        EXPECT_NEAR(v.current, c.current, 1e-9) << int{c.range};
        EXPECT_NEAR(v.potential, c.potential, 1e-9) << int{c.range};
        EXPECT_DOUBLE_EQ(v.target, 7.7);
    }
    EXPECT_DOUBLE_EQ(SampleTime(200, 4294967000u), 0.496);
    EXPECT_DOUBLE_EQ(SampleTime(3500, 1000), 2.5);
    const double limits[][2] = {{100.0, 121.0}, {0.05, 1.0}, {0.0, 1.0}, {9.99, 12.0}};
    for (const auto& l : limits)
        EXPECT_DOUBLE_EQ(TimeLimit(l[0]), l[1]) << l[0];
}

TEST(PotRunRules, AxesGrowWithTheRun)
{
    XYGraphModel m;
    using G = XYGraphModel;
    std::array<AxisRange, G::GraphCount> shown{};
    // Each sample: counter, raw current (µA range 2: /1000), raw potential (/10), list size,
    // which graphs must grow.
    struct Step {
        std::uint32_t counter;
        std::int16_t i, u;
        std::size_t listSize;
        std::array<bool, 3> grown;
    } steps[] = {
        {4294967000u, 0, 0, 1, {false, false, false}},  // origin, nothing beyond the zero spans
        {200, 0, 0, 2, {true, true, false}},            // wrapped counter: t = 0.496 > 0
        {300, 0, 0, 3, {false, false, false}},          // inside 0 … 1 s
        {400, 2000, 0, 4, {true, false, true}},         // current leaves its span
        {500, 0, -50, 5, {false, true, true}},          // potential leaves its span
        {1500, 1000, -20, 6, {true, true, false}},      // t = 2.496 beyond 1 s only
    };
    for (const Step& s : steps) {
        const G::Step r = m.Add(Sample(s.counter, s.i, s.u), s.listSize, shown);
        EXPECT_EQ(r.grown, s.grown) << s.counter;
        for (int g = 0; g < G::GraphCount; ++g)
            if (r.grown[static_cast<std::size_t>(g)])
                shown[static_cast<std::size_t>(g)] = m.Section(static_cast<G::Graph>(g), r.points[0].x);
    }
    EXPECT_EQ(shown[G::CurrentTime], (AxisRange{0, 3, 0, 2}));
    EXPECT_EQ(shown[G::PotentialTime], (AxisRange{0, 3, -5, 0}));
    EXPECT_EQ(shown[G::PotentialCurrent], (AxisRange{0, 2, -5, 0}));

    // A rebuild takes the first sample as origin and the last for the time limit.
    const auto rebuilt = m.Rebuild({Sample(1000, -500, 300), Sample(101000, 1500, -100)});
    EXPECT_EQ(rebuilt.ranges[G::CurrentTime], (AxisRange{0, 121, -0.5, 1.5}));
    EXPECT_EQ(rebuilt.ranges[G::PotentialCurrent], (AxisRange{-0.5, 1.5, -10, 30}));
    EXPECT_DOUBLE_EQ(rebuilt.points[G::PotentialTime][1].x, 100.0);
    EXPECT_EQ(G::HoverText(G::PotentialCurrent, 1.234, -5.0), "1.23µA  -5.00mV");
}

TEST(EisRules, Sections)
{
    std::vector<data::CEISDatenObject> list(3);
    const float f[] = {10.0f, 1.0f, 100.0f}, z[] = {50.0f, 200.0f, 20.0f};
    for (std::size_t i = 0; i < 3; ++i) {
        list[i].m_val1 = f[i];
        list[i].m_val3 = z[i];
    }
    EXPECT_EQ(EISGraphModel::Section(EISGraphModel::Phase, list), (AxisRange{1, 1000, -180, 180}));
    EXPECT_EQ(EISGraphModel::Section(EISGraphModel::Magnitude, list), (AxisRange{1, 1000, 20, 200}));
    EXPECT_EQ(EISGraphModel::Section(EISGraphModel::Phase, {}), (AxisRange{0, 0, -180, 180}));
    EXPECT_EQ(EISGraphModel::HoverText(EISGraphModel::Magnitude, 10, 3.14159), "10.00Hz  |Z|=3.14");
}

}  // namespace
}  // namespace qor::potentiostat
