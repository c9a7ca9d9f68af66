// A station's recording written to a real VictoriaMetrics, and a database that never answers.
#include "plant/tsdb_link.h"
#include "station/station_rig.h"
#include "support/victoria_metrics.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace qor;
using station::testing::Rig;
using station::testing::Wire;

namespace {

// Every finite value of the recording as "ADDRESS/VALUE" series in milliseconds, the form the
// database exports; V1 given by `v1` from the sample.
std::map<std::string, test::SeriesPoints> Expected(const std::vector<data::CDatenObject>& samples,
                                                   double (*v1)(const data::CDatenObject&))
{
    std::map<std::string, test::SeriesPoints> out;
    for (const auto& s : samples) {
        for (std::size_t a = 0; a < 16; ++a) {
            const float values[] = {s.m_value[a], s.m_value2[a], s.m_temperature[a]};
            for (int k = 0; k < 3; ++k)
                if (!std::isnan(values[k]))
                    out[std::to_string(a) + "/" + std::to_string(k + 1)].emplace_back(s.m_time * 1000,
                                                                                      values[k]);
        }
        if (const double v = v1(s); !std::isnan(v))
            out["V1/1"].emplace_back(s.m_time * 1000, v);
    }
    return out;
}

// The database away at first and the writer holding two samples: the rest come from the
// document when it answers, in order, each once.
TEST(TsdbLink, TheDatabaseHoldsEveryStoredValueOnceAndNoMissedOne)
{
    test::VictoriaMetrics vm;
    Rig r(Wire::Tcp);
    r.bus.AddModule(0, 1).SetRawValues({7000, -1234, 251});  // 7.000 pH, -123.4 mV, 25.1 °C
    r.bus.AddModule(1, 5).SetRawValues({1234, 500, 200});    // 12.34 mS/cm
    r.SearchAll();
    data::CGrafikSetup setup = r.doc.GrafikSetup();
    setup.SetInterval(0, 0, 1);
    data::CGrafikSetupVirtuell virtuell;
    virtuell.m_enable[0] = 1;
    virtuell.m_sourceY[0] = 3;  // address 1, value 1
    virtuell.m_sourceZ[0] = 0;  // address 0, value 1
    virtuell.m_formula[0] = "y/1000+z";
    r.doc.SetGrafikSetup(setup, &virtuell);

    plant::TsdbOptions o;
    o.url = vm.WriteUrl();
    o.station = "rig 1";
    o.maxQueued = 2;
    plant::TsdbLink link(*r.station, o);
    std::string error;
    ASSERT_TRUE(link.Start(error)) << error;
    ASSERT_TRUE(r.station->StartRecording());
    r.Run(3000);
    while (link.Writer().Requests() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(link.Writer().Waiting(), 2u);
    ASSERT_TRUE(vm.Start());
    r.bus.QueueFault(1, sim::Fault::NoAnswer);  // one cycle of module 1 missed
    r.Run(3000);
    r.station->StopCommand();
    ASSERT_EQ(link.Finish(std::chrono::minutes(2)), 0u);
    EXPECT_TRUE(data::test::Has(r.station->Logbook(),
                                "(bis zu 2 aus dem Speicher, die späteren aus der Aufzeichnung)"));

    const auto& samples = r.doc.Samples();
    ASSERT_GE(samples.size(), 7u);
    const auto missed =
        std::count_if(samples.begin(), samples.end(), [](auto& s) { return std::isnan(s.m_value[1]); });
    ASSERT_GE(missed, 1);
    const auto expected = Expected(samples, [](const data::CDatenObject& s) {
        return static_cast<double>(s.m_value[1]) / 1000 + static_cast<double>(s.m_value[0]);
    });
    EXPECT_EQ(expected.at("1/1").size(), samples.size() - static_cast<std::size_t>(missed));
    EXPECT_EQ(expected.at("V1/1").front().second, 12.34 + 7.0);
    test::ExpectSameSeries(vm.Export("rig 1"), expected);
    EXPECT_EQ(link.Writer().Acknowledged(), samples.size());
}

// Guards a document that holds a new recording: its samples count from 0 again and were
// taken for ones already sent.
TEST(TsdbLink, ANewRecordingInTheSameDocumentIsSentToo)
{
    test::VictoriaMetrics vm;
    ASSERT_TRUE(vm.Start());
    Rig r(Wire::Tcp);
    r.bus.AddModule(0, 1);
    r.SearchAll();
    plant::TsdbOptions o;
    o.url = vm.WriteUrl();
    o.station = "rig 2";
    plant::TsdbLink link(*r.station, o);
    std::string error;
    ASSERT_TRUE(link.Start(error)) << error;
    std::size_t stored = 0;
    for (int recording = 0; recording < 2; ++recording) {
        r.doc.ClearContents();
        r.doc.SetRecordingInterval(0, 0, 1);
        ASSERT_TRUE(r.station->StartRecording());
        r.Run(2000);
        r.station->StopCommand();
        stored += r.doc.Samples().size();
        r.Run(5000);  // the second recording's times follow the first one's
    }
    ASSERT_EQ(link.Finish(std::chrono::minutes(2)), 0u);
    EXPECT_EQ(vm.Export("rig 2")["0/1"].size(), stored);
}

// Guards the poll cycle waiting for the database: one that takes the connection and never
// answers holds each request for its whole time-out.
TEST(TsdbLink, ThePollCycleKeepsItsPeriodWhileTheDatabaseNeverAnswers)
{
    int port = 0;
    const int hole = test::ListenLoopback(port, 16);
    ASSERT_GE(hole, 0);

    Rig r(Wire::Tcp);
    r.bus.AddModule(0, 1);
    r.SearchAll();
    r.doc.SetRecordingInterval(0, 0, 1);
    plant::TsdbOptions o;
    o.url = "http://127.0.0.1:" + std::to_string(port) + "/write";
    o.station = "rig";
    o.timeoutMs = 3600 * 1000;  // a poll cycle that waited for it would hold the test for an hour
    o.maxQueued = 10;
    plant::TsdbLink link(*r.station, o);
    std::string error;
    ASSERT_TRUE(link.Start(error)) << error;

    struct Periods : station::MeasurementListener {
        std::vector<std::int64_t> ticks;
        void OnMeasurement(const station::Measurement& m) override { ticks.push_back(m.tickMs); }
    } periods;
    r.station->Measurements().Subscribe(&periods);
    ASSERT_TRUE(r.station->StartRecording());
    r.Run(60000);
    r.station->StopCommand();

    EXPECT_EQ(r.doc.Samples().size(), 61u);
    ASSERT_EQ(periods.ticks.size(), 61u);
    for (std::size_t i = 1; i < periods.ticks.size(); ++i)
        ASSERT_EQ(periods.ticks[i] - periods.ticks[i - 1], 1000) << i;
    // Nothing was acknowledged, nothing is lost: every sample still waits for the database, ten
    // of them in memory.
    EXPECT_EQ(link.Writer().Waiting(), 10u);
    EXPECT_EQ(link.Finish(std::chrono::milliseconds(0)), 61u);
    EXPECT_EQ(link.Writer().Acknowledged(), 0u);
    ::close(hole);
}

}  // namespace
