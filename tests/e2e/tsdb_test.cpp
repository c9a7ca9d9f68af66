// qortool record --tsdb and qortool tsdb-backfill against qorsim and a real VictoriaMetrics.
#include "support/recording.h"
#include "support/victoria_metrics.h"

#include <cmath>
#include <gtest/gtest.h>

using qor::test::BinPath;
using qor::test::Process;
using qor::test::RunProgram;
using qor::test::SeriesPoints;

namespace {

// qorsim on a free TCP port: a pH amplifier at 0 and a conductivity amplifier at 1 that
// misses about every third poll.
struct Gateway {
    std::vector<std::string> Record(const std::string& out, int samples, const std::string& url) const
    {
        return sim.Qortool("record", {"--out", out, "--interval", "1", "--idcount", "1", "--samples",
                                      std::to_string(samples), "--quiet", "--print-samples", "--lang", "en",
                                      "--tsdb", url, "--station", "e2e line"});
    }
    const qor::test::Qorsim sim{{"--module", "0=1", "--raw", "0=7000,-1234,251", "--module", "1=5", "--raw",
                                 "1=1234,567,200", "--fault", "1=status0:0.3", "--seed", "7"}};
};

// The stored samples as the database should hold them: every value printed by
// --print-samples that is a number, by "ADDRESS/VALUE".
std::map<std::string, SeriesPoints> Printed(const std::string& text, std::size_t* missed = nullptr)
{
    std::map<std::string, SeriesPoints> out;
    for (const qor::test::Sample& s : qor::test::PrintedSamples(text))
        for (std::size_t k = 0; k < 3; ++k)
            for (std::size_t a = 0; a < 16; ++a) {
                if (!std::isnan(s.values[k][a]))
                    out[std::to_string(a) + "/" + std::to_string(k + 1)].emplace_back(s.time * 1000,
                                                                                      s.values[k][a]);
                else if (missed && a == 1 && k == 0)
                    ++*missed;
            }
    return out;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + 1))
        ++n;
    return n;
}

// Every stored value once at its time, none of a missed poll, also with the database away for
// eight seconds of the recording.
TEST(TsdbE2e, ADatabaseStoppedAndStartedAgainMidRecordingGetsEverySampleOnce)
{
    qor::test::VictoriaMetrics vm;
    ASSERT_TRUE(vm.Start());
    Gateway gw;
    const qor::test::TempDir files;
    Process rec(gw.Record(files / "b.qo3", 16, vm.WriteUrl()));
    std::string out;
    const auto samples = [&](int n) {
        for (int i = 0; i < n; ++i) {
            const std::string line = rec.ReadLine();
            ASSERT_EQ(line.rfind("sample ", 0), 0u) << line;
            out += line + "\n";
        }
    };
    samples(4);
    vm.Stop();
    samples(8);  // eight seconds away
    ASSERT_TRUE(vm.Start());
    samples(4);
    out += rec.ReadAll();
    EXPECT_EQ(rec.Stop(0), 0) << out;
    EXPECT_NE(out.find("tsdb: 16 samples ("), std::string::npos) << out;
    EXPECT_EQ(out.find("still missing"), std::string::npos) << out;
    std::size_t missed = 0;
    const auto printed = Printed(out, &missed);
    EXPECT_GE(missed, 1u) << "the conductivity module never missed a poll";
    EXPECT_EQ(printed.at("0/1").size(), 16u);
    qor::test::ExpectSameSeries(vm.Export("e2e line"), printed);
    const std::string dump = qor::test::Dump(files / "b.qo3");
    EXPECT_EQ(Count(dump, R"(\tTime-series database )" + vm.WriteUrl() + " does not answer ("), 1u)
        << "one logbook line per outage: " << dump.substr(dump.find("logbook"));
}

TEST(TsdbE2e, BackfillSendsJustWhatARecordingEndedInAnOutageLeft)
{
    qor::test::VictoriaMetrics vm;
    ASSERT_TRUE(vm.Start());
    Gateway gw;
    const qor::test::TempDir files;
    const std::string file = files / "c.qo3";
    Process rec(gw.Record(file, 8, vm.WriteUrl()));
    std::string out;
    for (int i = 0; i < 3; ++i)
        out += rec.ReadLine() + "\n";
    vm.Stop();
    out += rec.ReadAll();
    EXPECT_EQ(rec.Stop(0), 0) << out;
    EXPECT_NE(out.find("samples still missing: qortool tsdb-backfill " + file), std::string::npos) << out;

    ASSERT_TRUE(vm.Start());
    const std::vector<std::string> backfill = {BinPath("qortool"), "tsdb-backfill", file,
                                               "--tsdb",           vm.WriteUrl(),   "--station",
                                               "e2e line",         "--lang",        "en"};
    std::string first;
    ASSERT_EQ(RunProgram(backfill, &first), 0) << first;
    std::size_t sent = 0, before = 0, total = 0;
    ASSERT_EQ(std::sscanf(first.c_str(),
                          "%zu samples (%*d values) sent to %*s %zu of %zu were acknowledged before", &sent,
                          &before, &total),
              3)
        << first;
    EXPECT_EQ(total, 8u);
    EXPECT_EQ(sent + before, 8u);
    EXPECT_GE(before, 1u) << "what was acknowledged before the outage is not sent again";
    EXPECT_GE(sent, 1u);
    qor::test::ExpectSameSeries(vm.Export("e2e line"), Printed(out));

    std::string again;
    ASSERT_EQ(RunProgram(backfill, &again), 0) << again;
    EXPECT_EQ(
        again.rfind("0 samples (0 values) sent to " + vm.WriteUrl() + "; 8 of 8 were acknowledged before", 0),
        0u)
        << again;
    qor::test::ExpectSameSeries(vm.Export("e2e line"), Printed(out));
}

}  // namespace
