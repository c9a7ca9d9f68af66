// The alarms on the station's poll cycle: logbook, document, commands, alarms.ini, JSON lines.
#include "alarm/alarm_evaluator.h"
#include "alarm/alarm_monitor.h"
#include "alarm/alarm_record.h"
#include "alarm/alarm_texts.h"
#include "data/archive.h"
#include "station/station_rig.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace qor::alarm {
namespace {

using station::testing::Count;
using station::testing::Has;
using station::testing::Rig;
using station::testing::TempDir;

struct AlarmRig : Rig {
    explicit AlarmRig(station::testing::Wire wire = station::testing::Wire::Serial)
        : Rig(wire), monitor(doc, clock, [this] { return station->Language(); })
    {
        station->SetLanguage(1);
        doc.OnNewDocument(1);
        station->Measurements().Subscribe(&monitor);
    }
    AlarmMonitor monitor;
};

AlarmSettings PhHigh(const std::string& command = {})
{
    std::string error;
    AlarmSettings s;
    EXPECT_TRUE(ParseAlarmsIni("[STATION]\nCOMM_LOSS=3\n[ALARM1]\nSOURCE=S0.1\nHIGH=7.20\n", 1, s, error))
        << error;
    s.command = command;
    return s;
}

TEST(AlarmMonitor, TransitionsGoToLogbookAndDocumentAndSurviveTheFile)
{
    AlarmRig r;
    r.bus.AddModule(0, 1).SetRawValues({7000, 0, 250});
    r.monitor.Configure(PhHigh());
    r.SearchAll();
    r.station->StartMeasuring();
    r.Run(3000);
    r.bus.Module(0)->SetRawValues({7410, 0, 250});
    r.Run(2000);
    EXPECT_TRUE(Has(r.logbook.m_text, "\tAlarm S0 pH value high: 7.41 > 7.20\n")) << r.logbook.m_text;
    r.monitor.AcknowledgeAll();
    // A silent module: the communication alarm after three missed polls; its limit alarm stays.
    for (int k = 0; k < 3; ++k)
        r.bus.QueueFault(0, sim::Fault::NoAnswer);
    r.Run(6000);
    r.bus.Module(0)->SetRawValues({7000, 0, 250});
    r.Run(3000);
    std::vector<std::string> lines;
    for (const AlarmTransition& t : StoredTransitions(r.doc))
        lines.push_back(t.source + " " + KindText(t.kind) + " " + EventText(t.event));
    const std::vector<std::string> expected = {"S0.1 high raised", "S0.1 high acknowledged", "S0 comm raised",
                                               "S0 comm cleared", "S0.1 high cleared"};
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(Has(r.logbook.m_text, "\tAlarm S0 communication: 3 polls unanswered\n")) << r.logbook.m_text;
    EXPECT_TRUE(Has(r.logbook.m_text, "\tAlarm S0 pH value high cleared: 7.00\n"));

    // Kept with the file, as records every earlier reader takes: it reads the file whole, keeps
    // them in its spare list and writes them back unchanged.
    TempDir dir;
    ASSERT_TRUE(r.doc.WriteFile(dir / "a.qo3").ok);
    data::Logbook lb;
    data::test::FakeUi ui;
    data::CQORDoc old(r.clock, lb, ui);
    ASSERT_TRUE(old.ReadFile(dir / "a.qo3", data::Layout::Qo3).ok);
    EXPECT_EQ(old.Spare().size(), expected.size());
    EXPECT_TRUE(old.Labels().empty());
    auto json = [](const data::CQORDoc& doc) {
        std::vector<std::string> v;
        for (const AlarmTransition& t : StoredTransitions(doc))
            v.push_back(AlarmJsonLine(t));
        return v;
    };
    EXPECT_EQ(json(old), json(r.doc));
    ASSERT_TRUE(old.WriteFile(dir / "b.qo3").ok);
    EXPECT_EQ(data::test::ReadBytes(dir / "a.qo3"), data::test::ReadBytes(dir / "b.qo3"));
}

// The gateway's connects, counted.
struct CountingGateway : bus::Gateway {
    explicit CountingGateway(bus::Gateway& g) : inner(g) {}
    int ConnectSocketIP(const std::uint8_t ip[4], std::uint16_t port) override
    {
        ++connects;
        return inner.ConnectSocketIP(ip, port);
    }
    int GetValues(const std::uint8_t* q, int n, std::uint8_t* a, int t) override
    {
        return inner.GetValues(q, n, a, t);
    }
    void CloseSocket() override { inner.CloseSocket(); }
    bool IsConnected() const override { return inner.IsConnected(); }
    bus::Gateway& inner;
    int connects = 0;
};

TEST(RideThrough, RecordingGoesOnThroughAGatewayOutage)
{
    AlarmRig r(station::testing::Wire::Tcp);
    CountingGateway counting(r.gateway);
    r.station->Link().SetGateway(&counting);
    r.bus.AddModule(0, 1).SetRawValues({7000, 0, 250});
    r.monitor.Configure(PhHigh());
    r.station->SetRideThrough(true);
    r.SearchAll();
    ASSERT_TRUE(r.RecordEachSecond());
    r.Run(3000);
    r.gateway.SetDown(true);
    const int connectsBefore = counting.connects;
    r.Run(10 * 60 * 1000);  // a gateway reboot that takes ten minutes
    r.gateway.SetDown(false);
    const std::size_t samples = r.doc.Samples().size();
    r.Run(40000);
    EXPECT_TRUE(r.station->Recording());
    EXPECT_GT(r.doc.Samples().size(), samples + 5);
    EXPECT_GE(samples, 600u) << "empty samples go on meanwhile";
    EXPECT_TRUE(std::isnan(r.doc.Samples()[samples - 10].m_value[0]));
    EXPECT_TRUE(r.ui.messages.empty());
    // Tried again after 1, 2, 4, 8, 16 s, then every 30 s: about 24 times in ten minutes, not 600.
    EXPECT_LE(counting.connects - connectsBefore, 30);
    // The pause grows to 30 s and no further: 1+2+4+8+16 s, then every 30 s.
    EXPECT_GE(counting.connects - connectsBefore, 22);
    EXPECT_EQ(Count(r.logbook.m_text, "\tLink to the modules lost; the recording goes on\n"), 1u);
    EXPECT_EQ(Count(r.logbook.m_text, "\tLink to the modules back after "), 1u);
    EXPECT_FALSE(Has(r.logbook.m_text, "\tEnd of logging"));
    std::vector<std::string> events;
    for (const AlarmTransition& t : StoredTransitions(r.doc))
        events.push_back(t.source + " " + EventText(t.event));
    EXPECT_EQ(events, (std::vector<std::string>{"S0 raised", "S0 cleared"}));
}

// Its JSON line, read back too, is the text of a record of the file's spare list.
TEST(AlarmRecord, OneTransitionIsATextRecordOfTheSpareList)
{
    AlarmRig r;
    AlarmTransition t;
    t.time = 1700000000;
    t.source = "S0.1";
    t.value = 7.41f;  // a sample's float
    t.limit = 7.2;
    const std::string text = R"({"time": 1700000000, "source": "S0.1", "kind": "high", "event": "raised", )"
                             R"("value": 7.41, "limit": 7.2})";
    EXPECT_EQ(AlarmJsonLine(t), text);
    StoreTransition(r.doc, t);
    TempDir dir;
    ASSERT_TRUE(r.doc.WriteFile(dir / "t.qo3").ok);
    data::test::ByteWriter w;
    w.u16(1).newClass("CStringDatenObject").f64(1700000000.0).f64(0);
    w.u8({0, 0}).u32(0).str(kTransitionMark).u32(0).u8({0}).u32(0).u8({0, 0, 0, 0, 0}).u32(0).u32(0);
    w.str(text).u32(0).f64(1.0);
    const data::test::Bytes file = data::test::ReadBytes(dir / "t.qo3");
    const data::test::Bytes tail(file.end() - static_cast<long>(w.b.size() + 20), file.end() - 20);
    EXPECT_EQ(tail, w.b);

    t.kind = AlarmKind::Comm;
    t.event = AlarmEvent::Unshelved;
    t.source = "S3";
    t.value = t.limit = AlarmTransition::kNone;
    const std::string comm = R"({"time": 1700000000, "source": "S3", "kind": "comm", "event": "unshelved", )"
                             R"("value": null, "limit": null})";
    EXPECT_EQ(AlarmJsonLine(t), comm);
    const auto back = ParseAlarmJsonLine(comm);
    ASSERT_TRUE(back);
    EXPECT_EQ(AlarmJsonLine(*back), comm);
    for (const char* bad : {"", "{}", R"({"time": 1, "source": "S0.1", "kind": "wide", "event": "raised"})",
                            R"({"time": 1, "source": "S0.1", "kind": "high", "event": "raised"} x)"})
        EXPECT_FALSE(ParseAlarmJsonLine(bad)) << bad;
}

TEST(AlarmsIni, ReadWrittenAndRefused)
{
    AlarmSettings s;
    std::string error;
    ASSERT_TRUE(ParseAlarmsIni("[STATION]\nCOMM_LOSS=5\nCOMMAND=mail -s alarm ops; logger x\n"
                               "[ALARM1]\nSOURCE=S0.1        ; pH\nHIGH=7.20\nLOW=6.00\nDEADBAND=0.05\n"
                               "ON_DELAY=10\nOFF_DELAY=2.5\nENABLE=0\n[ALARM2]\nSOURCE=V4\nLOW=-1e3\n",
                               1, s, error))
        << error;
    EXPECT_EQ(s.commLoss, 5);
    EXPECT_EQ(s.command, "mail -s alarm ops; logger x");
    ASSERT_EQ(s.alarms.size(), 2u);
    const AlarmDefinition& a = s.alarms[0];
    EXPECT_EQ(a.source, (AlarmSource{false, 0, 1, 1}));
    EXPECT_EQ(a.high, 7.2);
    EXPECT_EQ(a.low, 6.0);
    EXPECT_EQ(a.deadband, 0.05);
    EXPECT_EQ(a.onDelay, 10);
    EXPECT_EQ(a.offDelay, 2.5);
    EXPECT_FALSE(a.enabled);
    EXPECT_TRUE(s.alarms[1].source.isVirtual);
    EXPECT_EQ(s.alarms[1].source.channel, 4);
    EXPECT_EQ(s.alarms[1].low, -1000);
    EXPECT_FALSE(s.alarms[1].high);
    AlarmSettings back;
    ASSERT_TRUE(ParseAlarmsIni(SaveAlarmsIni(s), 1, back, error)) << error;
    EXPECT_EQ(back, s);

    const std::pair<const char*, const char*> refused[] = {
        {"[ALARM1]\nSOURCE=S0.1\nHIGH=7,2\n", "line 3: HIGH=7,2 is not a number"},
        {"[ALARM1]\nSOURCE=S16.1\nHIGH=7\n", "line 2: SOURCE=S16.1 is no source"},
        {"[ALARM1]\nSOURCE=S0.4\nHIGH=7\n", "SOURCE=S0.4 is no source"},
        {"[ALARM1]\nSOURCE=S0.1\nHIGH=6\nLOW=7\n", "the low limit 7 is not below the high limit 6"},
        {"[ALARM1]\nSOURCE=S0.1\nHIGH=7\nLOW=6\nDEADBAND=1\n", "the deadband 1 is not smaller"},
        {"[ALARM1]\nSOURCE=S0.1\n", "S0.1: neither a high nor a low limit"},
        {"[ALARM1]\nHIGH=7\n", "[ALARM1] has no SOURCE"},
        {"[ALARM1]\nSOURCE=S0.1\nHIGH=7\nON_DELAY=-1\n", "ON_DELAY must not be negative"},
        {"[ALARM1]\nSOURCE=S0.1\nHIGH=7\nHYSTERESIS=1\n", "line 4: unknown key HYSTERESIS"},
        {"[STATION]\nCOMM_LOSS=three\n", "COMM_LOSS=three is not a number"},
        {"[ALARMS]\n", "unknown section [ALARMS]"},
        {"COMM_LOSS=3\n", "COMM_LOSS comes before any section"},
    };
    for (const auto& [text, why] : refused) {
        error.clear();
        EXPECT_FALSE(ParseAlarmsIni(text, 1, s, error)) << text;
        EXPECT_TRUE(Has(error, why)) << error;
    }
    EXPECT_FALSE(ParseAlarmsIni("[ALARM1]\nSOURCE=S0.1\nHIGH=x\n", 0, s, error));
    EXPECT_EQ(error, "alarms.ini Zeile 3: HIGH=x ist keine Zahl");
}

TEST(AlarmCommand, RunsOncePerTransitionWithoutWaitingAndLogsFailure)
{
    TempDir dir;
    const std::string out = dir / "calls.txt";
    AlarmRig r;
    r.bus.AddModule(0, 1).SetRawValues({7410, 0, 250});
    // The first transition's command sleeps for a minute; the cycle does not wait for it.
    r.monitor.Configure(PhHigh("echo \"$QOR_ALARM_SOURCE $QOR_ALARM_KIND $QOR_ALARM_EVENT $QOR_ALARM_VALUE "
                               "$QOR_ALARM_LIMIT $QOR_ALARM_TIME $$\" >> " +
                               out + "; [ \"$QOR_ALARM_EVENT\" = raised ] && exec sleep 60; exit 3"));
    r.SearchAll();
    r.station->StartMeasuring();
    r.Run(1000);
    ASSERT_EQ(r.monitor.Evaluator().Points()[0].state, AlarmState::ActiveUnacked);
    r.monitor.AcknowledgeAll();
    r.bus.Module(0)->SetRawValues({7000, 0, 250});
    r.Run(2000);
    // Wait for the two short commands; the sleeping one is still running.
    auto lines = [&] {
        std::ifstream f(out);
        std::vector<std::string> v;
        for (std::string l; std::getline(f, l);)
            v.push_back(l);
        std::sort(v.begin(), v.end());
        return v;
    };
    for (int k = 0; k < 2000 && (lines().size() < 3 || r.monitor.CommandsRunning() > 1); ++k) {
        r.monitor.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto got = lines();
    ASSERT_EQ(got.size(), 3u);
    const std::string t0 = " " + std::to_string(StoredTransitions(r.doc).at(0).time) + " ";
    EXPECT_TRUE(Has(got[0], "S0.1 high acknowledged 7.41 7.2" + t0)) << got[0];
    EXPECT_TRUE(Has(got[1], "S0.1 high cleared 7 7.2 ")) << got[1];
    EXPECT_TRUE(Has(got[2], "S0.1 high raised 7.41 7.2" + t0)) << got[2];
    EXPECT_TRUE(Has(r.logbook.m_text, "\tAlarm command failed (exit status 3): echo"));
    // The poll cycles went on while the first command slept, and it sleeps still.
    EXPECT_EQ(r.monitor.CommandsRunning(), 1u);
    const pid_t sleeper = std::stoi(got[2].substr(got[2].rfind(' ') + 1));
    EXPECT_EQ(::kill(sleeper, SIGKILL), 0);
}

// The alarms' life cycle on the simulated clock: one poll cycle a second.
constexpr double X = std::numeric_limits<double>::quiet_NaN();  // missed

// Runs `values` of S0.1 (NaN: the module missed the poll), one cycle a second from time 1000,
// and lists the transitions as "cycle source kind event".
std::vector<std::string> RunCycles(const AlarmSettings& s, const std::vector<double>& values)
{
    AlarmEvaluator e;
    e.Configure(s);
    std::vector<std::string> got;
    for (std::size_t i = 0; i < values.size(); ++i) {
        station::Measurement m;
        m.tickMs = static_cast<std::int64_t>(i) * 1000;
        m.time = 1000 + static_cast<std::int64_t>(i);
        m.modules[0].type = 1;
        m.modules[0].state = std::isnan(values[i]) ? station::Reading::Missed : station::Reading::Measured;
        station::ShownValues shown;
        for (auto& v : shown.values)
            v.fill(X);
        shown.virtualChannels.fill(X);
        shown.values[0][0] = values[i];
        for (const AlarmTransition& t : e.Evaluate(m, shown))
            got.push_back(std::to_string(i) + " " + t.source + " " + KindText(t.kind) + " " +
                          EventText(t.event));
    }
    return got;
}

AlarmSettings One(std::optional<double> high, std::optional<double> low, double deadband = 0, double on = 0,
                  double off = 0, int commLoss = 0)
{
    AlarmSettings s;
    s.commLoss = commLoss;
    AlarmDefinition d;
    d.high = high;
    d.low = low;
    d.deadband = deadband;
    d.onDelay = on;
    d.offDelay = off;
    s.alarms.push_back(d);
    return s;
}

TEST(AlarmEvaluator, LimitsDeadbandDelaysMissesAndCommunication)
{
    struct Case {
        const char* what;
        AlarmSettings settings;
        std::vector<double> values;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"swinging across the limit by less than the deadband raises once and never clears",
         One(7.2, {}, 0.1),
         {7.1, 7.25, 7.15, 7.25, 7.11, 7.3, 7.15},
         {"1 S0.1 high raised"}},
        {"back past the limit by the deadband clears",
         One(7.2, {}, 0.1),
         {7.25, 7.15, 7.05},
         {"0 S0.1 high raised", "2 S0.1 high cleared"}},
        {"a dip shorter than the on-delay raises nothing; a longer one once, delay seconds after it began",
         One({}, 6.0, 0, 5),
         {6.5, 5.0, 5.0, 5.0, 6.5, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 6.5},
         {"10 S0.1 low raised", "12 S0.1 low cleared"}},
        {"the off-delay: a return shorter than it clears nothing",
         One(7.2, {}, 0, 0, 3),
         {8, 7, 7, 8, 7, 7, 7, 7},
         {"0 S0.1 high raised", "7 S0.1 high cleared"}},
        {"high and low on one source",
         One(7.2, 6.0),
         {6.5, 5.9, 6.5, 7.3, 6.5},
         {"1 S0.1 low raised", "2 S0.1 low cleared", "3 S0.1 high raised", "4 S0.1 high cleared"}},
        {"missed values neither raise nor clear; the on-delay goes on over them",
         One(7.2, {}, 0, 2),
         {8, X, X, 8, X, 6, X},
         {"3 S0.1 high raised", "5 S0.1 high cleared"}},
        {"the communication alarm after N misses, cleared by the next answer",
         One(7.2, {}, 0, 0, 0, 3),
         {7, X, X, X, X, 7, X, X, 7},
         {"3 S0 comm raised", "5 S0 comm cleared"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunCycles(c.settings, c.values), c.expected) << c.what;
}

TEST(AlarmEvaluator, LifeCycleAcknowledgeAndShelving)
{
    AlarmEvaluator e;
    e.Configure(One(7.2, {}));
    station::ShownValues shown{};
    std::int64_t tick = 0;
    auto cycle = [&](double v) {
        station::Measurement m;
        m.modules[0].type = 1;
        m.modules[0].state = station::Reading::Measured;
        m.tickMs = tick;
        m.time = tick / 1000;
        tick += 1000;
        shown.values[0][0] = v;
        std::string events;
        for (const AlarmTransition& t : e.Evaluate(m, shown))
            events += std::string(EventText(t.event)) + " ";
        return events;
    };
    const AlarmPoint& p = e.Points()[0];
    EXPECT_EQ(cycle(8), "raised ");
    EXPECT_EQ(p.state, AlarmState::ActiveUnacked);
    EXPECT_EQ(e.Unacknowledged(), 1);
    EXPECT_EQ(e.SourceState(false, 0, 1), AlarmState::ActiveUnacked);
    ASSERT_EQ(e.Acknowledge(0, 1).size(), 1u);
    EXPECT_EQ(p.state, AlarmState::ActiveAcked);
    EXPECT_EQ(e.SourceState(false, 0, 1), AlarmState::ActiveAcked);
    EXPECT_TRUE(e.Acknowledge(0, 1).empty()) << "nothing left to acknowledge";
    EXPECT_EQ(cycle(7), "cleared ");
    EXPECT_EQ(p.state, AlarmState::Normal);
    // Cleared while unacknowledged: it stays to be acknowledged.
    EXPECT_EQ(cycle(8), "raised ");
    EXPECT_EQ(cycle(7), "cleared ");
    EXPECT_EQ(p.state, AlarmState::ClearedUnacked);
    EXPECT_EQ(e.Unacknowledged(), 1);
    EXPECT_EQ(e.AcknowledgeAll(5).size(), 1u);
    EXPECT_EQ(p.state, AlarmState::Normal);
    // Shelved for 3 s while active: silent, then back by itself and raised again.
    EXPECT_EQ(cycle(8), "raised ");
    ASSERT_EQ(e.Shelve(0, 3, 6, tick).size(), 1u);
    EXPECT_EQ(e.Unacknowledged(), 0);
    EXPECT_EQ(cycle(7), "");
    EXPECT_EQ(cycle(8), "");
    EXPECT_EQ(cycle(8), "");
    EXPECT_EQ(cycle(8), "unshelved raised ");
    EXPECT_EQ(p.state, AlarmState::ActiveUnacked);
    // Shelved and back while normal: no alarm comes back.
    e.Shelve(0, 1, 10, tick);
    EXPECT_EQ(cycle(7), "") << "cleared while shelved: nothing to tell";
    EXPECT_EQ(cycle(7), "unshelved ");
    EXPECT_EQ(p.state, AlarmState::Normal);
}

}  // namespace
}  // namespace qor::alarm
