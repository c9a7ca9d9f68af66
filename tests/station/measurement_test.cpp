#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "station/measurement.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qor::station {
namespace {

struct Probe : MeasurementListener {
    std::vector<std::uint64_t>* order;
    std::uint64_t tag;
    void OnMeasurement(const Measurement&) override { order->push_back(tag); }
};

// A missed module is no value in the sample and in what is shown, never 0 or an older value;
// factors and virtual channels use the figures worked out by hand below.
TEST(Measurement, SampleAndShownValues)
{
    Measurement m;
    m.time = 1000;
    m.modules[0].state = Reading::Measured;
    m.modules[0].values = {7.25, -120.5, 25.0};
    m.modules[3].state = Reading::Measured;
    m.modules[3].info.factor = 0.001f;  // 1500 µS/cm is 1.5 mS/cm
    m.modules[3].values = {1500.0, 0.5, 21.0};
    m.modules[5].state = Reading::Missed;
    m.modules[5].values = {9.0, 9.0, 9.0};  // left over: must not be used

    const data::CDatenObject s = ToSample(m, 990);
    EXPECT_EQ(s.m_time, 990);
    EXPECT_FLOAT_EQ(s.m_value[0], 7.25f);
    EXPECT_FLOAT_EQ(s.m_value2[0], -120.5f);
    EXPECT_FLOAT_EQ(s.m_value[3], 1.5f);
    EXPECT_FLOAT_EQ(s.m_temperature[3], 21.0f);
    for (int a : {1, 5, 15})
        EXPECT_TRUE(std::isnan(s.m_value[a]) && std::isnan(s.m_value2[a]) && std::isnan(s.m_temperature[a]))
            << a;

    data::CGrafikSetup setup;
    setup.m_factor1.fill(1.0f);
    setup.m_factor2.fill(1.0f);
    setup.m_factor3.fill(1.0f);
    setup.m_factor1[3] = 1000.0f;  // shown in µS/cm again
    data::CGrafikSetupVirtuell virtuell;
    virtuell.m_enable = {1, 1, 0, 0};
    virtuell.m_sourceY = {0, 9, 0, 0};   // pH of S0; value 1 of S3
    virtuell.m_sourceZ = {2, 15, 0, 0};  // temperature of S0; value 1 of S5 (missed)
    virtuell.m_formula = {"y*2+z", "y+z", "y", "y"};

    const ShownValues shown = ShowValues(m, setup, virtuell);
    EXPECT_NEAR(shown.values[3][0], 1500.0, 1e-3);
    EXPECT_DOUBLE_EQ(shown.values[0][1], -120.5);
    EXPECT_TRUE(std::isnan(shown.values[5][0]));
    EXPECT_NEAR(shown.virtualChannels[0], 7.25 * 2 + 25.0, 1e-4);
    EXPECT_TRUE(std::isnan(shown.virtualChannels[1]));  // an input was not measured
    EXPECT_TRUE(std::isnan(shown.virtualChannels[2]));  // not enabled
}

TEST(Measurement, HubTellsEachSubscriberOnceInOrder)
{
    std::vector<std::uint64_t> order;
    Probe a, b;
    a.order = b.order = &order;
    a.tag = 1;
    b.tag = 2;
    MeasurementHub hub;
    hub.Subscribe(&a);
    hub.Subscribe(&b);
    hub.Subscribe(&a);
    hub.Publish({});
    hub.Unsubscribe(&a);
    hub.Publish({});
    EXPECT_EQ(order, (std::vector<std::uint64_t>{1, 2, 2}));
}

}  // namespace
}  // namespace qor::station
