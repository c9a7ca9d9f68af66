#include "common/clock.h"
#include "data/data_test_util.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/qor_doc.h"
#include "station/measurement.h"
#include "station/recording_samples.h"

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

// Measurements fed to the recording without a bus: each interval's sample holds the last
// measurement while it is recent, a missed module is no value, and nothing older is ever
// taken; slots passed over by one long cycle take its values only from its end on.
TEST(RecordingSamples, NeverAnOlderValue)
{
    SimClock clock;
    data::Logbook logbook;
    data::test::FakeUi ui;
    data::CQORDoc doc(clock, logbook, ui);
    RecordingSamples samples(doc);
    const auto feed = [&](std::int64_t tickMs, Reading state, double v1) {
        Measurement m;
        m.tickMs = tickMs;
        m.modules[0].state = state;
        m.modules[0].values = {v1, 0.0, 20.0};
        samples.OnMeasurement(m);
    };
    constexpr double kNone = ModuleReading::kNone;
    samples.Start(1000, 100, false);  // nothing measured yet
    feed(1000, Reading::Measured, 7.0);
    samples.SetInterval(1);
    samples.Tick(2000, false);  // the 1000 ms measurement is recent
    feed(2900, Reading::Missed, kNone);
    samples.Tick(3000, false);
    feed(4000, Reading::Measured, 8.0);
    samples.Tick(4000, true);  // a cycle runs: its values are half made
    samples.Tick(5000, false);
    samples.Tick(7000, false);  // 3 s after the last measurement: 105 and 106 are empty
    feed(8800, Reading::Measured, 9.0);
    // One long cycle ended at 8800 ms: no older than the slot of 107 (8000 ms), older than 108's.
    samples.Tick(10000, false);
    const std::vector<std::pair<std::int64_t, double>> want = {
        {100, kNone}, {101, 7.0},   {102, kNone}, {103, kNone}, {104, 8.0},
        {105, kNone}, {106, kNone}, {107, 9.0},   {108, kNone}, {109, 9.0},
    };
    ASSERT_EQ(doc.Samples().size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        const data::CDatenObject& s = doc.Samples()[i];
        EXPECT_EQ(s.m_time, want[i].first) << i;
        EXPECT_EQ(std::isnan(want[i].second) ? "none" : std::to_string(want[i].second),
                  std::isnan(s.m_value[0]) ? "none" : std::to_string(static_cast<double>(s.m_value[0])))
            << i;
        EXPECT_TRUE(std::isnan(s.m_value[1])) << i;  // never measured
    }
}

}  // namespace
}  // namespace qor::station
