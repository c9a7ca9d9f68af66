// The publisher against a real mosquitto on 127.0.0.1, read back with mosquitto_sub.
#include "common/clock.h"
#include "data/data_test_util.h"
#include "data/qor_doc.h"
#include "plant/mqtt_publisher.h"
#include "station/recording_samples.h"
#include "support/mosquitto_broker.h"

#include <gtest/gtest.h>

namespace qor::plant {
namespace {

using data::test::Has;
using test::MosquittoBroker;
using test::MqttSub;

// Waits for a state the worker thread reaches; false if it never does.
template <typename Pred> bool WaitFor(Pred pred)
{
    for (int i = 0; i < 3000; ++i) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// A cycle of one pH module at address 2; `measured` false is a missed poll.
station::Measurement Cycle(std::int64_t t, bool measured = true)
{
    station::Measurement m;
    m.time = t;
    station::ModuleReading& r = m.modules[2];
    r.type = 1;
    r.state = measured ? station::Reading::Measured : station::Reading::Missed;
    if (measured)
        r.values = {static_cast<double>(t % 1000) / 100.0, 1.0, 20.0};
    r.name = "S2 pH";
    r.info.name1 = "pH";
    r.info.name2 = "mV";
    r.info.name3 = "T";
    return m;
}

// Appends the three values of Cycle(t) (v1 "null": missed), stamped `stamp`.
void AddLines(std::vector<std::string>& out, std::int64_t stamp, const std::string& v1, bool stored)
{
    const bool missed = v1 == "null";
    const std::string values[] = {v1, missed ? "null" : "1", missed ? "null" : "20"},
                      names[] = {"pH", "mV", "T"};
    for (int k = 0; k < 3; ++k)
        out.push_back("qor/st/S2/" + std::to_string(k + 1) + " {\"t\": " + std::to_string(stamp) +
                      ", \"v\": " + values[k] + ", \"unit\": \"\", \"name\": \"S2 pH " + names[k] +
                      "\", \"stored\": " + (stored ? "true" : "false") + "}");
}

int English()
{
    return 1;
}

MqttOptions Options(int port)
{
    MqttOptions o;
    o.port = port;
    o.station = "st";
    o.keepAliveS = 5;
    return o;
}

// Each cycle a sample takes goes out with the sample's time, once per sample; a cycle no sample
// took with its own; a sample with no recent cycle as null.
TEST(MqttPublisher, ValuesStampedAsStoredStatusRetainedAndAlarm)
{
    MosquittoBroker broker;
    MqttSub sub(broker.Port(), "qor/st/#");
    ASSERT_TRUE(sub.WaitSubscribed());
    SimClock clock;
    data::Logbook logbook;
    data::test::FakeUi ui;
    data::CQORDoc doc(clock, logbook, ui);
    station::RecordingSamples samples(doc);
    std::vector<std::string> log;
    MqttPublisher pub(Options(broker.Port()), English, [&](const std::string& s) { log.push_back(s); });
    doc.AddSampleListener(&pub);
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().connected; }));
    const auto cycle = [&](std::int64_t t, std::int64_t tickMs, bool measured) {
        station::Measurement m = Cycle(t, measured);
        m.tickMs = tickMs;
        samples.OnMeasurement(m);
        pub.OnMeasurement(m);
    };
    cycle(1000125, 1000, true);
    samples.Start(1000, 1000130, false);
    cycle(1000126, 1500, true);
    cycle(1000127, 1900, false);
    samples.Tick(2000, false);
    cycle(1000128, 2900, true);
    samples.Tick(5000, false);  // slots 2..4, with 2.1 s since the last cycle: empty
    pub.PublishAlarm(R"({"address":2,"state":"high"})");
    pub.Stop();
    EXPECT_EQ(sub.Next(), "qor/st/status online");
    std::vector<std::string> want;
    AddLines(want, 1000130, "1.25", true);
    AddLines(want, 1000126, "1.26", false);
    for (std::int64_t t = 1000131; t <= 1000134; ++t)
        AddLines(want, t, "null", true);
    want.push_back(R"(qor/st/alarm {"address":2,"state":"high"})");
    AddLines(want, 1000128, "1.28", false);
    for (const std::string& line : want)
        EXPECT_EQ(sub.Next(), line);
    EXPECT_EQ(sub.Next(), "qor/st/status offline");
    EXPECT_TRUE(log.empty()) << log.front();
    // Retained: a reader that comes later is told at once.
    MqttSub later(broker.Port(), "qor/st/status");
    EXPECT_EQ(later.Next(), "qor/st/status offline");
}

// The broker stopped and started again on its port: the outage is one logbook line that counts
// what was held. (What arrives, in order and once, the end-to-end recording checks.)
TEST(MqttPublisher, BrokerRestartHeldCountedAndAllAcknowledged)
{
    MosquittoBroker broker({true, "", ""});
    std::vector<std::string> log;
    MqttPublisher pub(Options(broker.Port()), English, [&](const std::string& s) { log.push_back(s); });
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().connected; }));
    std::int64_t t = 1000100;
    for (; t < 1000103; ++t)
        pub.OnMeasurement(Cycle(t));
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().acked == 6; }));  // the last cycle is held
    broker.Stop();
    ASSERT_TRUE(WaitFor([&] { return !pub.GetCounts().connected; }));
    for (; t < 1000110; ++t)
        pub.OnMeasurement(Cycle(t));
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().connected; }));
    pub.OnMeasurement(Cycle(t++));  // notices the end of the outage
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(Has(log[0], "unreachable from"));
    EXPECT_TRUE(Has(log[0], ": 21 messages held and sent after, 0 dropped (queue of 100000 messages)"));
    pub.Stop();
    EXPECT_EQ(pub.GetCounts().acked, 3u * (t - 1000100));
}

// A broker that refuses: the cycle only queues; past the bound the oldest are dropped and
// counted, and the end says what was not sent, in the language the user switched to meanwhile.
TEST(MqttPublisher, BrokerAwayQueueBound)
{
    std::vector<std::string> log;
    MqttOptions o = Options(test::PickFreePort());
    o.maxQueued = 30;
    int language = 0;
    MqttPublisher pub(
        o, [&] { return language; }, [&](const std::string& s) { log.push_back(s); });
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().failures > 0; }));
    for (std::int64_t t = 0; t < 1011; ++t)  // the last one held
        pub.OnMeasurement(Cycle(t));
    const MqttPublisher::Counts counts = pub.GetCounts();
    EXPECT_EQ(counts.queued, 3030u);
    EXPECT_EQ(counts.dropped, 3000u);
    EXPECT_EQ(counts.waiting, 30u);
    language = 1;
    pub.Stop();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(Has(log[0], "to the end: 30 messages not sent, 3003 dropped (queue of 30 messages)"));
}

}  // namespace
}  // namespace qor::plant
