// The alarms on the station's poll cycle: logbook, document, commands, alarms.ini, JSON lines.
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
#include <thread>

namespace qor::alarm {
namespace {

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
    std::vector<std::string> again;
    for (const AlarmTransition& t : StoredTransitions(old))
        again.push_back(AlarmJsonLine(t));
    std::vector<std::string> first;
    for (const AlarmTransition& t : StoredTransitions(r.doc))
        first.push_back(AlarmJsonLine(t));
    EXPECT_EQ(again, first);
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
    r.doc.SetRecordingInterval(0, 0, 1);
    ASSERT_TRUE(r.station->StartRecording());
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
    auto count = [&](const std::string& part) {
        std::size_t n = 0;
        for (auto p = r.logbook.m_text.find(part); p != std::string::npos;
             p = r.logbook.m_text.find(part, p + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("\tLink to the modules lost; the recording goes on\n"), 1u);
    EXPECT_EQ(count("\tLink to the modules back after "), 1u);
    EXPECT_EQ(count("\tEnd of logging"), 0u);
    std::vector<std::string> events;
    for (const AlarmTransition& t : StoredTransitions(r.doc))
        events.push_back(t.source + " " + EventText(t.event));
    EXPECT_EQ(events, (std::vector<std::string>{"S0 raised", "S0 cleared"}));
}

TEST(AlarmRecord, OneTransitionIsATextRecordOfTheSpareList)
{
    AlarmRig r;
    AlarmTransition t;
    t.time = 1700000000;
    t.source = "S0.1";
    t.value = 7.41;
    t.limit = 7.2;
    StoreTransition(r.doc, t);
    TempDir dir;
    ASSERT_TRUE(r.doc.WriteFile(dir / "t.qo3").ok);
    const std::string text = R"({"time": 1700000000, "source": "S0.1", "kind": "high", "event": "raised", )"
                             R"("value": 7.41, "limit": 7.2})";
    data::test::ByteWriter w;
    w.u16(1).newClass("CStringDatenObject").f64(1700000000.0).f64(0);
    w.u8({0, 0}).u32(0).str(kTransitionMark).u32(0).u8({0}).u32(0).u8({0, 0, 0, 0, 0}).u32(0).u32(0);
    w.str(text).u32(0).f64(1.0);
    const data::test::Bytes file = data::test::ReadBytes(dir / "t.qo3");
    const data::test::Bytes tail(file.end() - static_cast<long>(w.b.size() + 20), file.end() - 20);
    EXPECT_EQ(tail, w.b);
}

TEST(AlarmJson, LinesAsWrittenAndRead)
{
    AlarmTransition t;
    t.time = 1700000000;
    t.source = "S0.1";
    t.value = 7.41f;  // a sample's float
    t.limit = 7.2;
    EXPECT_EQ(AlarmJsonLine(t),
              R"({"time": 1700000000, "source": "S0.1", "kind": "high", "event": "raised", )"
              R"("value": 7.41, "limit": 7.2})");
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

}  // namespace
}  // namespace qor::alarm
