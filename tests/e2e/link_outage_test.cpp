// qortool record through a gateway that misbehaves and over a serial device that goes away.
#include "support/gateway_proxy.h"
#include "support/recording.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

using qor::test::BinPath;
using qor::test::GatewayProxy;
using qor::test::Process;
using Mode = GatewayProxy::Mode;
// The gateway process itself is killed (and started again on the same port).
constexpr auto kKilled = static_cast<Mode>(-1);

namespace {

// Records until interrupted (or the link fails for good), printing each sample.
std::vector<std::string> Record(const std::vector<std::string>& link, const std::string& out)
{
    std::vector<std::string> cmd = {
        BinPath("qortool"), "record",         "--out", out, "--interval", "1", "--idcount", "2",
        "--quiet",          "--print-samples"};
    cmd.insert(cmd.begin() + 2, link.begin(), link.end());
    return cmd;
}

enum class Kind { Any, Whole, Gap };

// Reads the printed samples until `count` more of the kind asked for came: any, with value 1
// of all three modules, or with none of them. False when the recording ended first. Faults
// last, and recordings run, for a number of the recorder's own samples rather than seconds,
// so a slow machine changes nothing.
bool Samples(Process& rec, int count, Kind kind)
{
    while (count > 0) {
        const std::string line = rec.ReadLine();
        if (line.empty())
            return false;
        std::istringstream in(line);
        std::string word, v;
        in >> word >> word >> word;
        int missing = 0;
        for (int i = 0; i < 3; ++i)
            missing += (in >> v, v.find("nan") != std::string::npos);
        count -= kind == Kind::Any || missing == (kind == Kind::Gap ? 3 : 0);
    }
    return true;
}

struct Tally {
    int samples = 0, gaps = 0;  // gaps: samples with no value of any module
    bool lastWhole = false;
    bool everySecond = true;    // each time stamp one second after the one before
    std::size_t lostLines = 0;  // logbook lines of a lost gateway
};

// Value 1, value 2 and temperature of modules 0..2 in every sample must be the module's own
// or null (not measured); the samples without any measured value are counted.
Tally Check(const std::string& path)
{
    const std::string json = qor::test::Dump(path);
    Tally t;
    for (auto p = json.find("TCP Socket Connect Error"); p != std::string::npos;
         p = json.find("TCP Socket", p + 1))
        ++t.lostLines;
    const std::array<float, 3> kValue1 = {7, 12340, 95.5f};
    std::array<float, 9> seen;
    seen.fill(NAN);
    std::int64_t previous = 0;
    for (const qor::test::Sample& s : qor::test::DumpSamples(json)) {
        t.everySecond = t.everySecond && (t.samples == 0 || s.time == previous + 1);
        previous = s.time;
        int nulls = 0;
        for (std::size_t k = 0; k < 3; ++k)
            for (std::size_t a = 0; a < 3; ++a) {
                const float v = s.values[k][a];
                if (std::isnan(v)) {
                    ++nulls;
                    continue;
                }
                float& first = seen[k * 3 + a];
                first = std::isnan(first) ? v : first;
                EXPECT_EQ(v, k == 0 ? kValue1[a] : first) << "sample " << t.samples << " " << k << a;
            }
        ++t.samples;
        t.gaps += nulls == 9;
        t.lastWhole = nulls == 0;
    }
    return t;
}

struct GatewayCase {
    const char* name;
    Mode mode;
    bool survives;
};

class GatewayFaults : public ::testing::TestWithParam<GatewayCase> {};

TEST_P(GatewayFaults, StoreOnlyWhatTheModulesSent)
{
    const GatewayCase& c = GetParam();
    const int simPort = qor::test::PickFreePort(), proxyPort = qor::test::PickFreePort();
    std::vector<std::string> simArgs = {BinPath("qorsim"), "--tcp", "127.0.0.1:" + std::to_string(simPort)};
    simArgs.insert(simArgs.end(), qor::test::kThreeAmplifiers.begin(), qor::test::kThreeAmplifiers.end());
    auto sim = std::make_unique<Process>(simArgs);
    ASSERT_FALSE(sim->ReadLine().empty());
    GatewayProxy proxy(proxyPort, simPort);
    const qor::test::TempDir dir;
    const std::string out = dir / "gateway.qo3";
    const int port = c.mode == kKilled ? simPort : proxyPort;
    Process rec(Record({"--tcp", "127.0.0.1:" + std::to_string(port)}, out));
    ASSERT_TRUE(Samples(rec, 3, Kind::Whole));
    if (c.mode == kKilled)
        sim->Stop();
    proxy.SetMode(c.mode == kKilled ? Mode::Pass : c.mode);
    // An outage lasts until a sample without values (well within the link's 12 s of grace), or
    // until the recording gives up; the other faults for four samples.
    const bool outage = c.mode == kKilled || c.mode == Mode::Freeze;
    if (c.survives) {
        ASSERT_TRUE(Samples(rec, outage ? 1 : 4, outage ? Kind::Gap : Kind::Any));
    }
    proxy.SetMode(Mode::Pass);
    if (c.mode == kKilled && c.survives) {
        sim = std::make_unique<Process>(simArgs);
        ASSERT_FALSE(sim->ReadLine().empty());
    }
    const bool goesOn = Samples(rec, 2, Kind::Whole);
    EXPECT_EQ(goesOn, c.survives);
    const int status = rec.Stop(goesOn ? SIGINT : 0);
    const Tally t = Check(out);
    EXPECT_EQ(status == 0, c.survives);
    EXPECT_GE(t.samples, 3);
    // An outage: samples without values, and one logbook line however long it lasts.
    EXPECT_TRUE(!outage || t.gaps > 0);
    EXPECT_EQ(t.lostLines, outage ? 1u : 0u);
    EXPECT_TRUE(!c.survives || t.lastWhole);
    // A blocked poll must leave neither holes nor doubled time stamps.
    EXPECT_TRUE(t.everySecond);
}

INSTANTIATE_TEST_SUITE_P(Record, GatewayFaults,
                         ::testing::Values(GatewayCase{"Duplicates", Mode::Duplicate, true},
                                           GatewayCase{"OtherAddress", Mode::Misdirect, true},
                                           GatewayCase{"KilledAndRestarted", kKilled, true},
                                           GatewayCase{"Frozen", Mode::Freeze, true},
                                           GatewayCase{"KilledForGood", kKilled, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SerialOutage, DeviceGoneForTwoSamplesRecordingGoesOn)
{
    const qor::test::TempDir dir;
    const std::string device = dir / "pty", out = dir / "pty.qo3";
    std::vector<std::string> simArgs = {BinPath("qorsim"), "--pty", "--link", device};
    simArgs.insert(simArgs.end(), qor::test::kThreeAmplifiers.begin(), qor::test::kThreeAmplifiers.end());
    auto sim = std::make_unique<Process>(simArgs);
    ASSERT_FALSE(sim->ReadLine().empty());
    Process rec(Record({"--serial", device}, out));
    ASSERT_TRUE(Samples(rec, 3, Kind::Whole));
    sim->Stop(SIGTERM);
    ASSERT_TRUE(Samples(rec, 2, Kind::Gap));
    sim = std::make_unique<Process>(simArgs);
    ASSERT_FALSE(sim->ReadLine().empty());
    EXPECT_TRUE(Samples(rec, 3, Kind::Whole));
    EXPECT_EQ(rec.Stop(SIGINT), 0);
    const Tally t = Check(out);
    EXPECT_GE(t.samples, 8);
    EXPECT_GE(t.gaps, 2);
    EXPECT_TRUE(t.lastWhole);
    EXPECT_TRUE(t.everySecond);
}

}  // namespace
