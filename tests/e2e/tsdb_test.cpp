// qortool record --tsdb and qortool tsdb-backfill against qorsim and a real VictoriaMetrics.
#include "support/free_port.h"
#include "support/process.h"
#include "support/victoria_metrics.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

using qor::test::BinPath;
using qor::test::Process;
using qor::test::RunProgram;
using qor::test::SeriesPoints;

namespace {

namespace fs = std::filesystem;

struct Files {
    Files() : dir(fs::temp_directory_path() / ("qor-tsdb-" + std::to_string(::getpid())))
    {
        fs::create_directories(dir);
    }
    ~Files() { fs::remove_all(dir); }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

// qorsim on a free TCP port: a pH amplifier at 0 and a conductivity amplifier at 1 that
// misses about every third poll.
struct Gateway {
    Gateway()
        : at("127.0.0.1:" + std::to_string(qor::test::PickFreePort())),
          sim({BinPath("qorsim"), "--tcp", at, "--module", "0=1", "--raw", "0=7000,-1234,251", "--module",
               "1=5", "--raw", "1=1234,567,200", "--fault", "1=status0:0.3", "--seed", "7"})
    {
        EXPECT_FALSE(sim.ReadLine().empty());
    }
    std::vector<std::string> Record(const std::string& out, int samples, const std::string& url) const
    {
        return {BinPath("qortool"),
                "record",
                "--tcp",
                at,
                "--out",
                out,
                "--interval",
                "1",
                "--idcount",
                "1",
                "--samples",
                std::to_string(samples),
                "--quiet",
                "--print-samples",
                "--lang",
                "en",
                "--tsdb",
                url,
                "--station",
                "e2e line"};
    }
    std::string at;
    Process sim;
};

// The stored samples as the database should hold them: every value printed by
// --print-samples that is a number, by "ADDRESS/VALUE".
std::map<std::string, SeriesPoints> Printed(const std::string& text, std::size_t* missed = nullptr)
{
    std::map<std::string, SeriesPoints> out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::string word;
        long long n = 0, time = 0;
        if (!(in >> word >> n >> time) || word != "sample")
            continue;
        for (int k = 1; k <= 3; ++k)
            for (int a = 0; a < 16; ++a) {
                in >> word;
                if (word == "nan") {
                    if (missed && a == 1 && k == 1)
                        ++*missed;
                    continue;
                }
                out[std::to_string(a) + "/" + std::to_string(k)].emplace_back(time * 1000, std::stod(word));
            }
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
    Files files;
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
    std::string dump;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "dump", files / "b.qo3"}, &dump), 0);
    EXPECT_EQ(Count(dump, R"(\tTime-series database )" + vm.WriteUrl() + " does not answer ("), 1u)
        << "one logbook line per outage: " << dump.substr(dump.find("logbook"));
}

TEST(TsdbE2e, BackfillSendsJustWhatARecordingEndedInAnOutageLeft)
{
    qor::test::VictoriaMetrics vm;
    ASSERT_TRUE(vm.Start());
    Gateway gw;
    Files files;
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
