// Step programs written through the module's frames and run on the simulated cell.
#include "bus/frame.h"
#include "common/clock.h"
#include "sim/sim_bus.h"

#include <cmath>
#include <complex>
#include <cstring>
#include <gtest/gtest.h>

namespace qor::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using bus::ReadF32;
using bus::ReadI16;
using bus::ReadU32;

// Test cell: 100 Ohm, Ecorr -50 mV, icorr 0.5 uA, Tafel slopes 80 / 120 mV, 20 uF, default noise.
const CellParams kCell = {100.0, -50.0, 0.5, 80.0, 120.0, 20.0};

double Faradaic(double mv)
{
    const double eta = mv - kCell.eCorrMv;
    return kCell.iCorrUa *
           (std::pow(10.0, eta / kCell.betaAnodicMv) - std::pow(10.0, -eta / kCell.betaCathodicMv));
}

struct Step {
    std::uint8_t mode;
    float v1, v2;
    std::uint32_t interval;
    std::uint8_t next, passes;
    float limit;
    std::uint8_t flags, sampleCode;
};

void Put(Bytes& b, std::size_t at, const void* v)
{
    std::memcpy(&b[at], v, 4);
}

struct Sample {
    std::uint32_t ms;
    int step;
    double ua, mv;
};

struct ProgramRun {
    explicit ProgramRun(const std::vector<Step>& steps) : bus(clock)
    {
        bus.SetCellParams(kCell);
        bus.AddModule(5, 0x43);
        Send(0xD2, {0x00, 0x43, 0x40, 0, 10, 0, 0, 0, 1, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        for (std::size_t i = 0; i < 255; ++i) {
            Bytes slot(40, 0);
            slot[0] = static_cast<std::uint8_t>(i + 1);
            slot[23] = 1;
            if (i < steps.size()) {
                const Step& s = steps[i];
                Put(slot, 1, &s.v1);
                Put(slot, 5, &s.v2);
                Put(slot, 9, &s.interval);
                Put(slot, 16, &s.limit);
                slot[13] = s.mode, slot[14] = s.next, slot[15] = s.passes;
                slot[20] = s.flags, slot[21] = s.sampleCode, slot[23] = 0;
            }
            Send(0xD1, slot);
        }
        EXPECT_EQ(Send(0x14, {1, 0})[8], 1);
    }
    Bytes Send(std::uint8_t command, const Bytes& payload)
    {
        Bytes r = {0x02, command, 0x05, static_cast<std::uint8_t>(payload.size()), 0, 0, 0, 0};
        r.insert(r.end(), payload.begin(), payload.end());
        auto a = bus.Exchange(r.data(), r.size());
        EXPECT_TRUE(a && (*a)[5] == 0);
        return a ? *a : Bytes(8, 0);
    }
    // Polls once a second until the program reports its end; collects samples and points.
    void ToEnd(int maxSeconds)
    {
        static const double kScale[8] = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1, 10, 100};
        for (int t = 0; t < maxSeconds && !ended; ++t) {
            clock.Advance(1000);
            ended = !(Send(0x10, {})[13] & 0x10);  // the running bit cleared
            for (Bytes a = Send(0x11, {100}); a.size() > 8; a = Send(0x11, {100}))
                for (std::size_t i = 8; i + 12 <= a.size(); i += 12)
                    samples.push_back({ReadU32(&a[i]), a[i + 4], ReadI16(&a[i + 6]) * kScale[a[i + 5] & 7],
                                       ReadI16(&a[i + 8]) / ((a[i + 5] & 8) ? 1.0 : 10.0)});
            for (Bytes a = Send(0x16, {50}); a.size() > 8; a = Send(0x16, {50}))
                for (std::size_t i = 8; i + 20 <= a.size(); i += 20)
                    points.push_back(Bytes(a.begin() + i, a.begin() + i + 18));
        }
        EXPECT_TRUE(ended);
    }
    SimClock clock;
    SimBus bus;
    bool ended = false;
    std::vector<Sample> samples;
    std::vector<Bytes> points;
};

// Guards a polarisation curve that does not follow the cell: both Tafel branches through the solution
// resistance, sampled at 10 per second over the whole ramp with automatic current ranges.
TEST(SimProgram, PotentiostaticRampFollowsTheCell)
{
    ProgramRun r({{1, -300.0f, 200.0f, 5000, 0, 1, 1e6f, 0, 2}});
    r.ToEnd(60);
    ASSERT_EQ(r.samples.size(), 501u);
    for (std::size_t i = 10; i < r.samples.size(); ++i) {
        const Sample& s = r.samples[i];
        ASSERT_EQ(s.ms, i * 100);
        const double expected = Faradaic(s.mv - s.ua * kCell.rsOhm / 1000.0) + kCell.cdlUf * 10.0 * 1e-3;
        EXPECT_NEAR(s.ua, expected, 0.02 * std::fabs(expected) + 0.02) << s.mv;
    }
    EXPECT_LT(r.samples[50].ua, -3.0);
    EXPECT_GT(r.samples.back().ua, 250.0);
}

// Guards passes, next steps, limits in both directions and sample rates; the samples are counted per step.
TEST(SimProgram, PassesNextStepsAndLimits)
{
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<int> perStep;  // samples of steps 1, 2, ...
        std::uint32_t endMs;
    };
    const Case cases[] = {
        {"passes then next",
         {{1, 100, 0, 100, 2, 3, 1e6f, 16, 0}, {2, 0, 0, 200, 0, 1, 1e6f, 0, 0}},
         {4, 2},
         5000},
        {"sample rate", {{2, 0, 0, 100, 0, 1, 1e6f, 0, 1}}, {6}, 1000},
        {"next to an empty slot", {{2, 0, 0, 100, 9, 1, 1e6f, 0, 0}}, {2}, 1000},
        // From the momentary 100 mV at 50 mV/s to 200 mV: 2 s.
        {"slew from momentary",
         {{1, 100, 0, 100, 2, 1, 1e6f, 16, 0}, {1, 50, 200, 0, 0, 1, 1e6f, 2, 0}},
         {2, 2},
         3000},
        // Anodic ramp at 5.5 mV/s ends when the current rises above 3 uA (+13 mV, 11.457 s in).
        {"limit above",
         {{1, -50, 500, 10000, 2, 1, 3, 0, 2}, {2, 0, 0, 100, 0, 1, 1e6f, 0, 0}},
         {116, 1},
         12457},
        // Cathodic current step: the potential falls from Ecorr towards -122 mV and crosses -110 mV.
        {"limit below", {{0, -2, 0, 6000, 0, 1, -110, 20, 10}}, {0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramRun r(c.steps);
        r.ToEnd(120);
        ASSERT_FALSE(r.samples.empty());
        std::vector<int> perStep(c.steps.size(), 0);
        for (const Sample& s : r.samples)
            ++perStep[static_cast<std::size_t>(s.step - 1)];
        const Sample& last = r.samples.back();
        for (const Sample& s : r.samples)
            EXPECT_TRUE(c.steps[0].mode != 2 || s.step != 1 || std::fabs(s.mv - kCell.eCorrMv) < 0.5)
                << s.mv;  // a cell left alone rests at Ecorr
        if (c.endMs) {
            EXPECT_EQ(perStep, c.perStep);
            EXPECT_NEAR(last.ms, c.endMs, 150);
        } else {
            EXPECT_LT(last.mv, -110.0);
            EXPECT_GT(r.samples[r.samples.size() - 2].mv, -110.0);
            EXPECT_GT(r.samples.size(), 20u);
            for (std::size_t i = 1; i < r.samples.size(); ++i)
                EXPECT_LT(r.samples[i].mv, r.samples[i - 1].mv + 1.0);  // a falling transient
        }
    }
}

// Guards impedance points: one per frequency from 10 kHz down to 0.1 Hz, five per decade, with the
// magnitude and phase of the cell at its rest potential.
TEST(SimProgram, ImpedanceStepGivesOnePointPerFrequency)
{
    ProgramRun r({{4, 10000.0f, 0.1f, 5u | (10u << 16), 0, 1, 1e6f, 1, 0}});
    r.ToEnd(300);
    EXPECT_TRUE(r.samples.empty());
    ASSERT_EQ(r.points.size(), 26u);
    const double ba = kCell.betaAnodicMv, bc = kCell.betaCathodicMv;
    const double rct = ba * bc / (std::log(10.0) * kCell.iCorrUa * (ba + bc)) * 1000.0;  // mV / uA = kOhm
    for (std::size_t k = 0; k < r.points.size(); ++k) {
        const std::uint8_t* p = r.points[k].data();
        const double f = std::pow(10.0, 4.0 - k / 5.0);
        const std::complex<double> z =
            kCell.rsOhm + rct / std::complex<double>(1.0, 2.0 * M_PI * f * rct * kCell.cdlUf * 1e-6);
        EXPECT_EQ(ReadU32(p), k);
        EXPECT_NEAR(ReadF32(p + 4), f, f * 1e-5);
        EXPECT_NEAR(ReadF32(p + 8), std::arg(z) * 180.0 / M_PI, 0.3);
        EXPECT_NEAR(ReadF32(p + 12), std::abs(z), std::abs(z) * 0.005);
        EXPECT_EQ(p[16], 1);
        EXPECT_EQ(p[17], 4);
    }
}

}  // namespace
}  // namespace qor::sim
