// The run window's diagnostic analyses, and its export and graphs from qortool.
#include "../data/data_test_util.h"
#include "cli/silent_document_ui.h"
#include "potentiostat/harmonic_analysis.h"
#include "potentiostat/xy_graph_model.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <numbers>

namespace qor::potentiostat {
namespace {

// Range 0x0B: current word in 0.01 µA, potential word in mV.
std::vector<data::CPotQORDatenObject> Samples(std::size_t n, auto current, auto potential)
{
    std::vector<data::CPotQORDatenObject> list(n);
    for (std::size_t k = 0; k < n; ++k) {
        list[k].m_range = 0x0B;
        list[k].m_raw = {static_cast<std::int16_t>(std::lround(current(k))),
                         static_cast<std::int16_t>(std::lround(potential(k))), 0};
    }
    return list;
}

TEST(HarmonicAnalysis, TextsOfKnownSignals)
{
    // U 1000 mV at 30°, I 20 µA at -170°, one period per window from its first sample: the
    // phase difference of 200° comes back as -160°.
    for (const std::size_t start : {10, 5}) {
        const auto wave = [start](double amp, double deg) {
            return [=](std::size_t k) {
                return amp * std::sin((2.0 * (static_cast<double>(k) - start) / 128.0 + deg / 180.0) *
                                      std::numbers::pi);
            };
        };
        const auto list = Samples(200, wave(2000, -170.0), wave(1000, 30.0));
        std::string text = start == 10 ? DftAnalysisText(list) : FftAnalysisText(list);
        std::replace(text.begin(), text.end(), ',', '.');
        double m[2], p[2], z, dp;
        const char* format = start == 10 ? "M%lf M%lf P%lf P%lf m_count=64 Z=%lf P=%lf"
                                         : "G%*f G%*f M%lf M%lf P%lf P%lf Z=%lf P=%lf";
        ASSERT_EQ(std::sscanf(text.c_str(), format, &m[0], &m[1], &p[0], &p[1], &z, &dp), 6) << text;
        const double shift = start == 10 ? -90.0 : 0.0;  // the direct transform's phase: the sine's less 90°
        EXPECT_NEAR(m[0], 64 * 1000.0, 20.0) << text;
        EXPECT_NEAR(m[1], 64 * 20.0, 0.4) << text;
        EXPECT_NEAR(std::remainder(p[0] - 30.0 - shift, 360.0), 0.0, 0.05) << text;
        EXPECT_NEAR(std::remainder(p[1] + 170.0 - shift, 360.0), 0.0, 0.05) << text;
        EXPECT_NEAR(z, 50.0, 0.05) << text;
        EXPECT_NEAR(dp, -160.0, 0.05) << text;
    }
}

int Qortool(std::vector<std::string> args, std::string& out)
{
    args.insert(args.begin(), {test::BinPath("qortool"), "pot"});
    out.clear();
    return test::RunProgram(args, &out);
}

// Regression: a second run in a document was taken as going on from the first.
TEST(PotRuns, CounterRestartsSplitRunsAndQortoolTakesOne)
{
    using Runs = std::vector<std::pair<std::size_t, std::size_t>>;
    const std::pair<std::vector<std::uint32_t>, Runs> cases[] = {
        {{}, {}},
        {{0, 1000, 2000}, {{0, 3}}},
        {{4294967000u, 200, 1200}, {{0, 3}}},  // a wrap goes on counting
        {{0, 1000, 0, 500}, {{0, 2}, {2, 4}}},
        {{5000, 5000, 100}, {{0, 2}, {2, 3}}},
    };
    for (const auto& [counters, runs] : cases) {
        std::vector<data::CPotQORDatenObject> list(counters.size());
        for (std::size_t k = 0; k < counters.size(); ++k)
            list[k].m_counter = counters[k];
        EXPECT_EQ(SplitRuns(list), runs);
        // The window's harmonic analyses take the last run, as qortool does.
        EXPECT_EQ(RunSamples(list).size(), runs.empty() ? 0 : runs.back().second - runs.back().first);
    }

    // The run window: a curve per run, each from time 0, the time axis over the longest run.
    std::vector<data::CPotQORDatenObject> two(5);
    for (std::uint32_t k = 0; k < 5; ++k)
        two[k].m_counter = 1000 * (k < 3 ? k : k - 3);
    two[3].m_raw = {500, 0, 0};  // the second run grows the current axis at its time 0
    XYGraphModel model;
    const XYGraphModel::Rebuilt r = model.Rebuild(two);
    std::vector<std::pair<double, int>> times;
    for (const XYGraphModel::Point& p : r.points[XYGraphModel::CurrentTime])
        times.emplace_back(p.x, p.run);
    EXPECT_EQ(times, (std::vector<std::pair<double, int>>{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}}));
    EXPECT_EQ(r.ranges[XYGraphModel::PotentialTime].xTo, 3);
    XYGraphModel live;
    std::array<AxisRange, XYGraphModel::GraphCount> shown{};
    for (std::size_t k = 0; k < two.size(); ++k) {
        const XYGraphModel::Step step = live.Add(two[k], k + 1, shown);
        for (std::size_t g = 0; g < shown.size(); ++g)
            if (step.grown[g])
                shown[g] = live.Section(XYGraphModel::Graph(g), step.points[0].x);
        EXPECT_EQ(step.points[XYGraphModel::CurrentTime].run, k < 3 ? 0 : 1);
    }
    EXPECT_EQ(shown[XYGraphModel::CurrentTime].xTo, 3);  // the first run stays in sight
    EXPECT_EQ(live.Runs(), 2);
    // Guards Clear between two programs: the next run's time wrapped past 2^32 ms.
    live.Clear();
    data::CPotQORDatenObject next;
    next.m_counter = 200;
    EXPECT_EQ(live.Add(next, two.size() + 1, shown).points[XYGraphModel::CurrentTime].x, 0.0);

    const test::TempDir tmp;
    const std::string qo3 = tmp / "qor_pot_runs.qo3", txt = tmp / "qor_pot_runs.txt";
    {
        cli::CommandDocument d;
        for (std::uint32_t k = 0; k < 5; ++k) {  // run 1: 0..4 s; run 2: 0..1 s at 100 mV
            data::CPotQORDatenObject s;
            s.m_counter = 1000 * (k < 3 ? k : k - 3), s.m_range = 3;
            s.m_raw = {100, static_cast<std::int16_t>(k < 3 ? 0 : 1000), 0};
            d.doc.AppendPot(s);
        }
        ASSERT_TRUE(d.doc.WriteFile(qo3).ok);
    }
    std::string out;
    ASSERT_EQ(Qortool({"run-graph", qo3}, out), 0);
    const std::string last =
        "{\"samples\": [\n  {\"time\": 0, \"current\": 1, \"potential\": 100, \"target\": 0},\n"
        "  {\"time\": 1, \"current\": 1, \"potential\": 100, \"target\": 0}\n],\n \"time_limit\": 2,"
        "\n \"graphs\": [{\"x\": [0, 2], \"y\": [0, 1]}, {\"x\": [0, 2], \"y\": [0, 100]}, "
        "{\"x\": [0, 1], \"y\": [0, 100]}]}\n";
    EXPECT_EQ(out, last);
    ASSERT_EQ(Qortool({"run-graph", qo3, "--run", "1"}, out), 0);
    EXPECT_NE(out.find("\"time_limit\": 3,"), std::string::npos) << out;
    EXPECT_EQ(Qortool({"run-graph", qo3, "--run", "3"}, out), 2);
    ASSERT_EQ(Qortool({"export-run", qo3, txt, "--run", "2"}, out), 0);
    const auto table = data::test::ReadBytes(txt);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 3);
    ASSERT_EQ(Qortool({"export-run", qo3, txt}, out), 0);
    EXPECT_EQ(Qortool({"analyse", qo3, "--charge", "--run", "1"}, out), 0);
    EXPECT_NE(out.find("Positiv: 2.00 µQ"), std::string::npos) << out;
}

// Regression: currents were written with two decimals, so low ranges lost their digits.
TEST(PotRunExport, CurrentsKeepTheDecimalsOfTheirRange)
{
    const std::pair<std::uint8_t, std::int16_t> samples[] = {{0, -1248}, {1, 508},  {2, 1234}, {3, 1234},
                                                             {4, 1234},  {5, 1234}, {7, -5}};
    std::vector<data::CPotQORDatenObject> list;
    for (const auto& [range, raw] : samples) {
        data::CPotQORDatenObject& s = list.emplace_back();
        s.m_range = range, s.m_raw = {raw, 0, 0};
    }
    // The third field of each line after the head.
    const std::string text = RunExportText(list, false);
    std::vector<std::string> currents;
    for (std::size_t p = text.find('\n'); p + 1 < text.size(); p = text.find('\n', p + 1)) {
        const std::size_t from = text.find('\t', text.find('\t', p) + 1) + 1;
        currents.push_back(text.substr(from, text.find('\t', from) - from));
    }
    EXPECT_EQ(currents, (std::vector<std::string>{"-0.01248", "0.0508", "1.234", "12.34", "123.40", "1234.00",
                                                  "-500.00"}));
}

}  // namespace
}  // namespace qor::potentiostat
