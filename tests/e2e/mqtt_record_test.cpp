// qortool record --mqtt against a real mosquitto, read with mosquitto_sub; the bus is qorsim.
#include "support/mosquitto_broker.h"
#include "support/recording.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>

using qor::test::Dump;
using qor::test::DumpSamples;
using qor::test::MosquittoBroker;
using qor::test::MqttSub;
using qor::test::Process;
using qor::test::Sample;

namespace {

// The values stored, as "topic t" -> the payloads' v texts; every message counted.
struct Stream {
    std::map<std::string, std::vector<std::string>> stored;  // "topic t" -> v texts
    std::map<std::string, std::vector<std::int64_t>> times;  // per topic, stored ones in arrival order
    std::size_t count = 0, nulls = 0;
    std::set<std::string> distinct;

    // Reads until the station's "offline" after `expected` values; false if it never comes. (A
    // broker that stops sends the station's last will too.) A message sent again counts once.
    bool ReadUntilOffline(MqttSub& sub, const std::string& base, const std::string& sent)
    {
        const std::size_t expected = std::strtoul(sent.c_str(), nullptr, 10);
        for (std::string line; !(line = sub.Next()).empty();) {
            if (line == base + "/status offline" && count >= expected)
                return true;
            if (line.find("{\"t\": ") == std::string::npos)
                continue;
            ++count;
            if (!distinct.insert(line).second)
                continue;
            const std::string topic = line.substr(0, line.find(' '));
            const std::int64_t t = std::stoll(line.substr(line.find("{\"t\": ") + 6));
            const auto v = line.find("\"v\": ") + 5;
            const std::string value = line.substr(v, line.find(',', v) - v);
            nulls += value == "null";
            if (line.find(", \"stored\": true}") == std::string::npos)
                continue;
            stored[topic + " " + std::to_string(t)].push_back(value);
            times[topic].push_back(t);
        }
        return false;
    }
};

// Every stored value of modules 0..2 came once as stored, with the sample's time stamp and
// its value, in order; nothing else came as stored.
void ExpectStreamEqualsDocument(const Stream& stream, const std::vector<Sample>& samples,
                                const std::string& base)
{
    std::size_t stored = 0;
    for (const auto& [key, values] : stream.stored)
        stored += values.size();
    EXPECT_EQ(stored, samples.size() * 9);
    for (const Sample& s : samples)
        for (int a = 0; a < 3; ++a)
            for (int k = 0; k < 3; ++k) {
                const std::string key = base + "/S" + std::to_string(a) + "/" + std::to_string(k + 1) + " " +
                                        std::to_string(s.time);
                const float want = s.values[static_cast<std::size_t>(k)][static_cast<std::size_t>(a)];
                const auto it = stream.stored.find(key);
                ASSERT_NE(it, stream.stored.end()) << key;
                ASSERT_EQ(it->second.size(), 1u) << key;
                const std::string& got = it->second[0];
                EXPECT_TRUE(std::isnan(want) ? got == "null" : std::strtof(got.c_str(), nullptr) == want)
                    << key << " " << got << " " << want;
            }
    for (const auto& [topic, times] : stream.times)
        EXPECT_TRUE(std::is_sorted(times.begin(), times.end())) << topic;
}

struct Recording {
    Recording(const MosquittoBroker& broker, std::vector<std::string> extra)
        : sim({"--module", "0=1", "--module", "1=5", "--module", "2=8", "--seed", "3"})
    {
        extra.insert(extra.begin(),
                     {"--out", file, "--interval", "1", "--idcount", "3", "--quiet", "--print-samples",
                      "--lang", "en", "--mqtt", broker.Url(), "--station", "st"});
        record = std::make_unique<Process>(sim.Qortool("record", extra));
    }
    // Reads the printed samples up to number n.
    bool WaitSample(int n)
    {
        for (std::string line; !(line = record->ReadLine()).empty();)
            if (line.rfind("sample " + std::to_string(n) + " ", 0) == 0)
                return true;
        return false;
    }
    // Waits for the end; the line with the counts of MQTT messages.
    std::string Finish()
    {
        const std::string out = record->ReadAll();
        EXPECT_EQ(record->Stop(0), 0);
        const auto at = out.find(" MQTT messages");
        if (at == std::string::npos)
            return out;
        const auto from = out.rfind('\n', at) + 1;
        return out.substr(from, out.find('\n', at) - from);
    }
    const qor::test::TempDir dir;
    const std::string file = dir / "m.qo3";
    qor::test::Qorsim sim;
    std::unique_ptr<Process> record;
};

// With credentials from a password file made for the broker.
TEST(QortoolRecordMqtt, EveryStoredValueOnceMissedPollNullStatusRetained)
{
    MosquittoBroker broker({false, "lab", "pa ss"});
    const std::string pw = broker.Dir() + "/station-password";
    std::ofstream(pw) << "pa ss\n";
    MqttSub sub(broker.Port(), "qor/st/#", {}, {"-u", "lab", "-P", "pa ss"});
    ASSERT_TRUE(sub.WaitSubscribed());
    Recording rec(broker, {"--samples", "20", "--mqtt-user", "lab", "--mqtt-password-file", pw});
    ASSERT_TRUE(rec.WaitSample(3));
    rec.sim.process->Write("fault 1 silent 1\n");  // one poll of module 1 goes unanswered
    MqttSub status(broker.Port(), "qor/st/status", {}, {"-C", "1", "-u", "lab", "-P", "pa ss"});
    EXPECT_EQ(status.Next(), "qor/st/status online");
    const std::string sent = rec.Finish();

    Stream stream;
    ASSERT_TRUE(stream.ReadUntilOffline(sub, "qor/st", sent));
    const std::vector<Sample> samples = DumpSamples(Dump(rec.file));
    ASSERT_EQ(samples.size(), 20u);
    ExpectStreamEqualsDocument(stream, samples, "qor/st");
    // Each message the broker acknowledged came once: nine a cycle.
    EXPECT_EQ(sent, std::to_string(stream.count) + " MQTT messages sent, 0 dropped, 0 not sent");
    EXPECT_EQ(stream.count, stream.distinct.size());
    EXPECT_EQ(stream.count % 9, 0u);
    EXPECT_EQ(stream.nulls, 3u);  // the missed poll: its three values
    MqttSub after(broker.Port(), "qor/st/status", {}, {"-C", "1", "-u", "lab", "-P", "pa ss"});
    EXPECT_EQ(after.Next(), "qor/st/status offline");
}

// Killed, or frozen with its connection open: the broker's last will says "offline" (the
// frozen one after 1.5 keep-alive periods).
TEST(QortoolRecordMqtt, StationGoneReadsOffline)
{
    MosquittoBroker broker;
    for (int sig : {SIGKILL, SIGSTOP}) {
        Recording rec(broker, {"--duration", "600", "--mqtt-keepalive", "5"});
        ASSERT_TRUE(rec.WaitSample(2));
        MqttSub status(broker.Port(), "qor/st/status");
        ASSERT_EQ(status.Next(), "qor/st/status online");
        const auto from = std::chrono::steady_clock::now();
        ::kill(rec.record->Pid(), sig);
        EXPECT_EQ(status.Next(), "qor/st/status offline") << sig;
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - from)
                .count();
        std::printf("signal %d: offline after %lld ms (keep-alive 5 s)\n", sig, static_cast<long long>(ms));
        ::kill(rec.record->Pid(), SIGKILL);
        ::kill(rec.record->Pid(), SIGCONT);
    }
}

// The broker stopped for eight samples and started again on its port: every stored value
// still arrives once and in order, and the recording kept its pace meanwhile.
TEST(QortoolRecordMqtt, BrokerRestartLosesNothing)
{
    MosquittoBroker broker({true, "", ""});
    auto sub = std::make_unique<MqttSub>(broker.Port(), "qor/st/#", "restart-reader");
    ASSERT_TRUE(sub->WaitSubscribed());
    Recording rec(broker, {"--duration", "24"});
    ASSERT_TRUE(rec.WaitSample(5));
    broker.Stop();
    ASSERT_TRUE(rec.WaitSample(13));
    ASSERT_TRUE(broker.Start());
    const std::string sent = rec.Finish();

    Stream stream;
    ASSERT_TRUE(stream.ReadUntilOffline(*sub, "qor/st", sent));
    // Each message the broker acknowledged came once. One it took but could not acknowledge
    // before it stopped is sent again (QoS 1): at most the cycle then under way.
    EXPECT_EQ(sent, std::to_string(stream.distinct.size()) + " MQTT messages sent, 0 dropped, 0 not sent");
    EXPECT_LE(stream.count - stream.distinct.size(), 9u);
    std::printf("%zu values, %zu sent again after the broker's restart\n", stream.count,
                stream.count - stream.distinct.size());
    const std::string dump = Dump(rec.file);
    const std::vector<Sample> samples = DumpSamples(dump);
    // A sample a second for the 24 s, by the program's own clock.
    EXPECT_GE(samples.size(), 24u);
    EXPECT_LE(samples.size(), 26u);
    ExpectStreamEqualsDocument(stream, samples, "qor/st");
    EXPECT_EQ(stream.nulls, 0u);
    EXPECT_NE(dump.find("MQTT broker 127.0.0.1:" + std::to_string(broker.Port()) + " unreachable from "),
              std::string::npos);
}

}  // namespace
