#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "station/measurement.h"
#include "station/recording_samples.h"
#include "station_rig.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qor::station::testing {
namespace {

bool CycleTimersOn(const Rig& r)
{
    return r.timers.On(kTimerPoll) || r.timers.On(kTimerRecord) || r.timers.On(kTimerSave);
}

// Guards the sample count of a minute (and the interval 0, which records every second) and the save period.
TEST(Recording, RecordAndSaveIntervals)
{
    // Record (s), save (s) as set and as used, samples after a minute.
    const int cases[][4] = {{0, 0, 600, 61}, {10, 30, 30, 7}, {10, 13 * 3600, 13 * 3600, 7}};
    for (const auto& c : cases) {
        Rig r;
        r.SearchPh(1);
        r.doc.SetRecordingInterval(0, 0, c[0]);
        r.station->Config().interval = DayFraction(c[1] / 3600, c[1] / 60 % 60, c[1] % 60);
        ASSERT_TRUE(r.station->StartRecording());
        EXPECT_EQ(r.doc.GrafikSetup().IntervalSeconds(), c[0] ? c[0] : 1);
        EXPECT_EQ(r.timers.Period(kTimerSave), c[2] * 1000);
        r.Run(60000);
        EXPECT_EQ(r.doc.Samples().size(), static_cast<std::size_t>(c[3]));
        EXPECT_EQ(r.doc.Samples().back().m_time - r.doc.Samples()[0].m_time, 60);
    }
}

// Guards the save timer not writing the bound file, or writing it without samples or the logbook.
TEST(Recording, SaveTimerWritesTheBoundFile)
{
    Rig r;
    TempDir dir;
    r.SearchPh(1);
    r.doc.BindToNewFile(dir / "rec.qo3");
    r.station->Config().interval = DayFraction(0, 1, 0);
    ASSERT_TRUE(r.RecordEachSecond());
    r.Run(61000);
    data::Logbook log2;
    data::test::FakeUi ui2;
    data::CQORDoc copy(r.clock, log2, ui2);
    ASSERT_TRUE(copy.ReadFile(r.doc.Path(), data::Layout::Qo3).ok);
    EXPECT_EQ(copy.Samples().size(), 61u);  // the samples up to the save at 60 s
    EXPECT_FLOAT_EQ(copy.Samples().back().m_value[0], 7.0f);
    EXPECT_TRUE(Has(copy.LogBuch().m_text, "Aufzeichnung gestartet aller  00:00:01"));
}

// Guards a cancelled setup dialog still starting timers or a potentiostat run.
TEST(Recording, CancelledSetupStartsNothing)
{
    Rig r;
    r.SearchPh(1);
    r.ui.setupOk = false;
    EXPECT_FALSE(r.station->StartRecording());
    r.station->StartPotentiostatAndRecording();
    EXPECT_FALSE(r.station->Measuring() || r.station->PotentiostatWithRecording());
    EXPECT_TRUE(r.timers.running.empty());
    EXPECT_TRUE(r.doc.Samples().empty());
}

// Guards a recording that runs on (or stops too early) when the link keeps failing.
TEST(Recording, SixthPollFailureStopsTheRecording)
{
    Rig r;
    r.SearchPh(1);
    ASSERT_TRUE(r.station->StartRecording());
    r.Run(3000);
    for (int i = 0; i < 7; ++i)
        r.bus.QueueFault(0, sim::Fault::NoAnswer);
    for (int i = 0; i < 5; ++i)
        r.station->PollCycle();
    EXPECT_TRUE(r.station->Recording());
    r.station->PollCycle();
    EXPECT_FALSE(r.station->Recording() || CycleTimersOn(r));
    EXPECT_EQ(r.ui.messages.size(), 1u);
    EXPECT_TRUE(Has(r.logbook.m_text, "\tAufzeichnung beendet\n"));
    r.station->PollCycle();  // every further failure tells the user again
    EXPECT_EQ(r.ui.messages.size(), 2u);
}

// Guards samples that repeat the last values while no poll cycle runs (a held cycle, a link held busy).
TEST(Recording, SamplesWithoutAPollCycleAreEmpty)
{
    Rig r;
    r.SearchPh(1);
    ASSERT_TRUE(r.RecordEachSecond());
    const std::int64_t t0 = r.doc.Samples().at(0).m_time;
    r.Run(3000);
    r.station->Link().SetBusy(true);  // the last cycle before the hold ends at t0 + 3
    r.Run(6000);
    r.station->Link().SetBusy(false);
    r.Run(3000);
    ASSERT_EQ(r.doc.Samples().size(), 13u);
    for (const auto& s : r.doc.Samples()) {
        const std::int64_t t = s.m_time - t0;
        SCOPED_TRACE(t);
        if (t <= 3 || t >= 10) {
            EXPECT_EQ(s.m_value[0], 7.0f);
        } else if (t >= 5) {
            EXPECT_TRUE(std::isnan(s.m_value[0]) && std::isnan(s.m_temperature[0]));
        }
    }
}

// Guards a frozen gateway leaving holes or doubled time stamps instead of one empty sample per interval.
TEST(Recording, FrozenGatewayKeepsTheIntervalWithEmptySamples)
{
    Rig r(Wire::Tcp);
    r.SearchPh(3);
    ASSERT_TRUE(r.RecordEachSecond());
    const std::int64_t t0 = r.doc.Samples().at(0).m_time;
    r.Run(4000);
    // Connected, but one poll cycle gets no answer: each module waits its 2 s time-out.
    for (std::uint8_t a = 0; a < 3; ++a)
        r.bus.QueueFault(a, sim::Fault::NoAnswer);
    r.Run(17000);
    ASSERT_TRUE(r.station->Recording());
    const auto& samples = r.doc.Samples();
    ASSERT_GE(samples.size(), 20u);
    int empty = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(samples[i].m_time, t0 + static_cast<std::int64_t>(i));
        const bool none = std::isnan(samples[i].m_value[0]) && std::isnan(samples[i].m_value[1]) &&
                          std::isnan(samples[i].m_value[2]);
        empty += none;
        // The cycle that begins at t0 + 5 waits 6 s for the three modules.
        if (i <= 4 || i >= 12) {
            EXPECT_EQ(samples[i].m_value[2], 7.0f);
        } else if (i >= 6 && i <= 10) {
            EXPECT_TRUE(none);
        }
    }
    EXPECT_GE(empty, 5);
}

// Guards one silent module making the other modules' curves alternate value and gap at 1 s.
TEST(Recording, OneSilentModuleLeavesNoGapsInTheOthers)
{
    Rig r(Wire::Tcp);
    r.SearchPh(2);
    ASSERT_TRUE(r.RecordEachSecond());
    r.bus.SetFaultRate(1, 1.0, sim::Fault::NoAnswer);
    r.Run(10000);
    ASSERT_GE(r.doc.Samples().size(), 10u);
    for (const auto& s : r.doc.Samples()) {
        EXPECT_EQ(s.m_value[0], 7.0f) << s.m_time;
        EXPECT_TRUE(s.m_time == r.doc.Samples()[0].m_time || std::isnan(s.m_value[1])) << s.m_time;
    }
}

// Guards a silent bus holding the program for a time-out per module in every cycle, and a
// module that stays silent keeping the others from being asked again.
TEST(Recording, SilentBusIsAskedOneModuleAtATime)
{
    Rig r(Wire::Tcp);
    r.SearchPh(3);
    ASSERT_TRUE(r.station->StartRecording());
    auto cycle = [&r] {
        const std::int64_t t = r.clock.TickMs();
        r.station->PollCycle();
        return r.clock.TickMs() - t;
    };
    // Subscribers get one measurement per cycle, and a silent module in it is missed, not 0.
    struct Seen : MeasurementListener {
        std::vector<Measurement> cycles;
        void OnMeasurement(const Measurement& m) override { cycles.push_back(m); }
    } seen;
    r.station->Measurements().Subscribe(&seen);
    r.bus.SetFaultRateAll(1.0, sim::Fault::NoAnswer);
    EXPECT_EQ(cycle(), 6000);  // three time-outs: the bus may have one silent module only
    EXPECT_EQ(cycle(), 2000);  // now one module is asked, and the others wait for its answer
    r.bus.SetFaultRate(1, 0.0);
    r.bus.SetFaultRate(2, 0.0);
    EXPECT_EQ(cycle(), 2000);  // the next module in turn answers: all are asked, module 0 in vain
    ASSERT_EQ(seen.cycles.size(), 3u);
    const Measurement& last = seen.cycles.back();
    EXPECT_EQ(last.tickMs, r.clock.TickMs());
    EXPECT_EQ(last.modules[0].state, Reading::Missed);
    EXPECT_TRUE(std::isnan(last.modules[0].values[0]));
    for (std::size_t a : {1u, 2u}) {
        EXPECT_EQ(last.modules[a].state, Reading::Measured);
        EXPECT_EQ(last.modules[a].values[0], 7.0);
        EXPECT_EQ(last.modules[a].info.unit1, "pH");
    }
    EXPECT_EQ(last.modules[3].state, Reading::Absent);
    EXPECT_EQ(seen.cycles[0].modules[1].state, Reading::Missed);
    EXPECT_TRUE(r.station->Recording());
}

// Guards the outage throttle: a lost gateway costs one failure per 2 s poll time-out however many
// modules a cycle asks, so six of them (12 s) end the recording, once.
TEST(Recording, LinkOutageIsBorneForSixPollTimeouts)
{
    for (const int awayMs : {11900, 12100}) {
        SCOPED_TRACE(awayMs);
        Rig r(Wire::Tcp);
        r.SearchPh(3);
        ASSERT_TRUE(r.RecordEachSecond());
        r.Run(3000);
        r.gateway.SetDown(true);
        r.Run(1000);  // the first poll that finds the link gone
        r.Run(awayMs);
        r.gateway.SetDown(false);
        const std::size_t samples = r.doc.Samples().size();
        r.Run(5000);
        const bool ends = awayMs > 12000;
        EXPECT_EQ(r.station->Recording(), !ends);
        EXPECT_EQ(r.doc.Samples().size() > samples, !ends);
        EXPECT_EQ(r.ui.messages,
                  std::vector<std::string>(ends ? 1 : 0, "Error TCP/IP connection! Check your connection"));
        EXPECT_EQ(Has(r.logbook.m_text, "\tAufzeichnung beendet\n"), ends);
    }
}

// Guards measuring without meters or poll timer, polls during a transfer, a lost conductivity mode, and
// value 2 of the first poll read with the display mode of the record instead of the answer.
TEST(Measuring, PollsEverySecondButNotWhileTheLinkIsBusy)
{
    Rig r;
    r.bus.AddModule(0, 1).SetRawValues({6500, 100, 200});
    auto& cond = r.bus.AddModule(1, 5);
    cond.SetRawValues({1234, 567, 200});
    cond.SetDisplayMode(2);  // TDS: value 2 with the decimals of value 1
    r.SearchAll();
    r.station->StartMeasuring();
    EXPECT_EQ(r.ui.meterShows, 1);
    r.Run(1000);  // the first poll
    EXPECT_DOUBLE_EQ(r.station->Modules()[0].m_value1, 6.5);
    EXPECT_EQ(r.station->Modules()[1].m_displayMode, 2);
    EXPECT_DOUBLE_EQ(r.station->Modules()[1].m_value2, 5.67);
    EXPECT_GE(r.ui.refreshes, 1);
    EXPECT_TRUE(CommandEnabled(Cmd::Stop, r.station->Commands()));
    const auto before = r.bus.Exchanges();
    r.station->Link().SetBusy(true);
    r.Run(2000);
    EXPECT_EQ(r.bus.Exchanges(), before);
    r.station->Link().SetBusy(false);
    r.station->StopCommand();
    EXPECT_EQ(r.ui.meterCloses, 1);
    EXPECT_FALSE(Has(r.logbook.m_text, "Aufzeichnung beendet"));
}

// Guards the fast mode (ten answers per cycle) being used with more than one potentiostat on the bus.
TEST(Potentiostat, FastModeFillsTenSlotsOnlyWithOnePotentiostat)
{
    for (int pots : {1, 2}) {
        SCOPED_TRACE(pots);
        StationConfig cfg;
        cfg.potRate = 1;
        cfg.idCount = 2 + pots;  // a short search: the program runs for a minute
        Rig r(Wire::Serial, cfg);
        for (int i = 0; i < pots; ++i)
            r.AddPot(static_cast<std::uint8_t>(3 + i)).Start(0);
        r.SearchAll();
        ASSERT_TRUE(r.station->PotentiostatRunning());
        const auto before = r.bus.Exchanges();
        r.station->PollCycle();
        const auto& s = r.station->Modules()[3];
        const int count = pots == 1 ? 10 : 1;
        EXPECT_EQ(s.m_potCount, count);
        // Each poll is followed by the two record counts (and reads while records wait).
        EXPECT_GE(r.bus.Exchanges() - before, 3u * count * pots);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(s.m_potSlot[i].m_status, i < count ? 0x53 : 0) << i;
        EXPECT_NE(s.m_potSlot[count - 1].m_value2, 0.0);
        EXPECT_EQ(s.m_potTime, r.clock.Now());
    }
}

// Guards lost records, a lost answer ending the run, and a recording outliving its program (the records'
// order and values show in the runs qortool splits and analyses).
TEST(Potentiostat, ReadOutWithRecordingUntilTheProgramEnds)
{
    Rig r;
    auto& pot = r.AddPot(2);
    pot.SetProgram({.sweepSeconds = 2.0, .impedancePoints = 3});
    r.SearchAll();
    r.station->StartPotentiostatAndRecording();
    ASSERT_TRUE(r.station->PotentiostatWithRecording());
    // Starting waited 1 s already; the sweep ends 2 s after the start, the impedance points 1.5 s later.
    r.Run(1000);
    r.bus.QueueFault(2, sim::Fault::NoAnswer);
    r.Run(1500);
    EXPECT_TRUE(r.station->Recording() && r.station->PotentiostatRunning());
    r.Run(3000);
    EXPECT_FALSE(r.station->Recording() || r.station->PotentiostatRunning());
    EXPECT_FALSE(r.station->PotentiostatWithRecording());
    EXPECT_TRUE(r.ui.questions.empty());  // no "still running" question for an ended program
    // 2 s at 10 Hz: samples 0..20; then three impedance points.
    ASSERT_EQ(r.doc.Pot().size(), 21u);
    ASSERT_EQ(r.doc.Eis().size(), 3u);
    EXPECT_EQ(pot.QueuedSamples(), 0u);
    EXPECT_EQ(r.doc.Pot().front().m_raw[2], -4000);  // -400.0 mV target
    EXPECT_EQ(r.doc.Pot().back().m_raw[2], 4000);
    EXPECT_EQ(std::count(r.docUi.calls.begin(), r.docUi.calls.end(), "pot"), 21);
}

// Guards a refused or failed start being taken for a running program, the stop command ending a
// running program without asking, and a refused stop going unreported.
TEST(Potentiostat, StartAndStopAnswers)
{
    Rig r;
    auto& pot = r.AddPot(5);
    r.SearchAll();
    // Refused, then lost: neither is a running program.
    auto failedStart = [&r](const char* message) {
        r.station->StartPotentiostat();
        EXPECT_FALSE(r.station->PotentiostatRunning() || r.station->Measuring()) << message;
        EXPECT_EQ(r.ui.messages, (std::vector<std::string>{message}));
        r.ui.messages.clear();
    };
    pot.SetRefuseStart(true);
    failedStart("Start nicht möglich!");
    pot.SetRefuseStart(false);
    r.bus.QueueFault(5, sim::Fault::NoAnswer);
    failedStart("Übertragunsfehler!");
    r.station->StartPotentiostat();
    EXPECT_TRUE(r.station->PotentiostatRunning() && r.station->Measuring());
    EXPECT_EQ(r.ui.meterShown, (std::vector<std::uint8_t>{5}));
    ASSERT_TRUE(pot.Running());
    r.ui.answerOk = false;
    r.station->StopCommand();
    EXPECT_EQ(r.ui.questions.size(), 1u);
    EXPECT_TRUE(pot.Running() && r.station->PotentiostatRunning());
    r.ui.answerOk = true;
    r.station->StopCommand();
    EXPECT_FALSE(pot.Running() || r.station->PotentiostatRunning());
    pot.Start(r.clock.TickMs());
    r.station->StartPotentiostat();  // refused: already running
    pot.SetRefuseStop(true);
    r.ui.messages.clear();
    r.station->StopPotentiostat();
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Stopp nicht möglich!"}));
}

// Guards a keep-alive that never reaches the gateway, and a dead socket kept after the stop's link test.
TEST(Tcp, KeepAliveSaveAndStopTicks)
{
    Rig r(Wire::Tcp);
    r.bus.AddModule(1, 1);
    r.SearchAll();
    const auto before = r.bus.Exchanges();
    r.station->OnTimer(kTimerKeepAlive);
    EXPECT_EQ(r.bus.Exchanges(), before + 1);
    r.station->OnTimer(kTimerSave);
    EXPECT_TRUE(r.docUi.messages.empty());
    r.station->StartMeasuring();
    ASSERT_TRUE(r.station->Link().Connected());
    r.bus.QueueFault(1, sim::Fault::NoAnswer);
    r.station->StopCommand();
    EXPECT_FALSE(r.station->Link().Connected() || r.gateway.Connected());
    EXPECT_TRUE(Has(r.ui.panes[1], "closed"));
}

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
    EXPECT_FLOAT_EQ(s.m_value[0], 7.25f);
    EXPECT_FLOAT_EQ(s.m_value2[0], -120.5f);
    EXPECT_FLOAT_EQ(s.m_value[3], 1.5f);
    EXPECT_FLOAT_EQ(s.m_temperature[3], 21.0f);
    EXPECT_TRUE(std::isnan(s.m_value[5]) && std::isnan(s.m_value2[5]) && std::isnan(s.m_temperature[5]));

    data::CGrafikSetup setup;      // factors 1
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
}  // namespace qor::station::testing
