// The publisher against a real mosquitto on 127.0.0.1, read back with mosquitto_sub.
#include "plant/mqtt_publisher.h"
#include "support/mosquitto_broker.h"

#include <gtest/gtest.h>

namespace qor::plant {
namespace {

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

std::string Line(const std::string& topic, std::int64_t t, const char* v, const char* name)
{
    return topic + " {\"t\": " + std::to_string(t) + ", \"v\": " + v +
           ", \"unit\": \"\", \"name\": \"S2 pH " + name + "\"}";
}

MqttOptions Options(int port)
{
    MqttOptions o;
    o.port = port;
    o.station = "st";
    o.keepAliveS = 5;
    return o;
}

TEST(MqttPublisher, ValuesInOrderStatusRetainedAndAlarm)
{
    MosquittoBroker broker;
    MqttSub sub(broker.Port(), "qor/st/#");
    ASSERT_TRUE(sub.WaitSubscribed());
    std::vector<std::string> log;
    MqttPublisher pub(Options(broker.Port()), 1, [&](const std::string& s) { log.push_back(s); });
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().connected; }));
    pub.OnMeasurement(Cycle(1000125));
    pub.OnMeasurement(Cycle(1000126, false));
    pub.PublishAlarm(R"({"address":2,"state":"high"})");
    EXPECT_EQ(sub.Next(), "qor/st/status online");
    for (const std::string& want :
         {Line("qor/st/S2/1", 1000125, "1.25", "pH"), Line("qor/st/S2/2", 1000125, "1", "mV"),
          Line("qor/st/S2/3", 1000125, "20", "T"), Line("qor/st/S2/1", 1000126, "null", "pH"),
          Line("qor/st/S2/2", 1000126, "null", "mV"), Line("qor/st/S2/3", 1000126, "null", "T"),
          std::string(R"(qor/st/alarm {"address":2,"state":"high"})")})
        EXPECT_EQ(sub.Next(), want);
    pub.Stop();
    EXPECT_EQ(sub.Next(), "qor/st/status offline");
    EXPECT_TRUE(log.empty()) << log.front();
    // Retained: a reader that comes later is told at once.
    MqttSub later(broker.Port(), "qor/st/status");
    EXPECT_EQ(later.Next(), "qor/st/status offline");
}

// The broker stopped and started again on its port: what was measured meanwhile is held and
// sent in order when it is back, each message once; the outage is one logbook line.
TEST(MqttPublisher, BrokerRestartHeldAndSentInOrder)
{
    MosquittoBroker broker({true, "", ""});
    auto sub = std::make_unique<MqttSub>(broker.Port(), "qor/st/S2/1", "restart-reader");
    ASSERT_TRUE(sub->WaitSubscribed());
    std::vector<std::string> log;
    MqttPublisher pub(Options(broker.Port()), 1, [&](const std::string& s) { log.push_back(s); });
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().connected; }));
    std::int64_t t = 1000100;
    for (; t < 1000103; ++t)
        pub.OnMeasurement(Cycle(t));
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().acked == 9; }));
    broker.Stop();
    ASSERT_TRUE(WaitFor([&] { return !pub.GetCounts().connected; }));
    for (; t < 1000110; ++t)
        pub.OnMeasurement(Cycle(t));
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().connected; }));
    pub.OnMeasurement(Cycle(t++));  // notices the end of the outage
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("unreachable from"), std::string::npos) << log[0];
    EXPECT_NE(log[0].find(": 21 messages held and sent after, 0 dropped (queue of 100000 messages)"),
              std::string::npos)
        << log[0];
    for (std::int64_t want = 1000100; want < t; ++want) {
        const std::string line = sub->Next();
        EXPECT_EQ(line.substr(0, line.find(',')), "qor/st/S2/1 {\"t\": " + std::to_string(want));
    }
    pub.Stop();
    EXPECT_EQ(pub.GetCounts().acked, 3u * (t - 1000100));
}

// A broker that refuses: the cycle only queues; past the bound the oldest are dropped and
// counted, and the end says what was not sent.
TEST(MqttPublisher, BrokerAwayQueueBound)
{
    std::vector<std::string> log;
    MqttOptions o = Options(test::PickFreePort());
    o.maxQueued = 30;
    MqttPublisher pub(o, 1, [&](const std::string& s) { log.push_back(s); });
    ASSERT_TRUE(WaitFor([&] { return pub.GetCounts().failures > 0; }));
    for (std::int64_t t = 0; t < 1010; ++t)
        pub.OnMeasurement(Cycle(t));
    const MqttPublisher::Counts counts = pub.GetCounts();
    EXPECT_EQ(counts.queued, 3030u);
    EXPECT_EQ(counts.dropped, 3000u);
    EXPECT_EQ(counts.waiting, 30u);
    pub.Stop();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("to the end: 30 messages not sent, 3000 dropped (queue of 30 messages)"),
              std::string::npos)
        << log[0];
}

}  // namespace
}  // namespace qor::plant
