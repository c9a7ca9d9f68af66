// A ramp programmed through the station's bus path, run on the simulated cell and recorded.
#include "station/pot_program.h"
#include "station/station_rig.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qor::station::testing {
namespace {

using namespace qor::potentiostat;

// 150 Ohm, Ecorr -80 mV, icorr 0.8 uA, Tafel slopes 70 / 110 mV, 30 uF, default noise.
const sim::CellParams kCell = {150.0, -80.0, 0.8, 70.0, 110.0, 30.0};

// The steady current of the cell's own equation at the measured electrode potential, plus the
// double-layer charging current of a sweep of `mvPerS`.
double Expected(double electrodeMv, double currentUa, double mvPerS)
{
    const double eta = electrodeMv - currentUa * kCell.rsOhm / 1000.0 - kCell.eCorrMv;
    return kCell.iCorrUa *
               (std::pow(10.0, eta / kCell.betaAnodicMv) - std::pow(10.0, -eta / kCell.betaCathodicMv)) +
           kCell.cdlUf * mvPerS * 1e-3;
}

// Guards a program that reaches the module garbled, or samples that do not follow the cell.
TEST(PotRampOnStation, RecordedCurrentsFollowThePolarisationCurve)
{
    Rig r;
    r.AddPot(5).Cell().SetParams(kCell);
    r.SearchAll();
    PotStepSetupModel model(0);
    model.Append();
    model.Select(0);
    std::string message;
    StepText t = *model.BeginChange(message);
    t[F_VALUE1] = "-350", t[F_VALUE2] = "150", t[F_INTERVAL] = "25", t[F_SAMPLES] = "10";
    model.EndChange(t);
    PotProgram program(r.station->Link(), r.ui, 0, 5);
    ASSERT_TRUE(program.Program(model));
    r.station->StartPotentiostatAndRecording();
    ASSERT_TRUE(r.station->PotentiostatRunning());
    r.Run(30000);
    EXPECT_FALSE(r.station->PotentiostatRunning());
    EXPECT_TRUE(r.ui.messages.empty());
    static const double kScale[8] = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1, 10, 100};
    ASSERT_EQ(r.doc.m_pot.size(), 251u);  // 25 s at 10 per second
    for (std::size_t i = 10; i < r.doc.m_pot.size(); ++i) {
        const auto& s = r.doc.m_pot[i];
        const double ua = s.m_raw[0] * kScale[s.m_range & 7];
        const double mv = s.m_raw[1] / ((s.m_range & 8) ? 1.0 : 10.0);
        const double expected = Expected(mv, ua, 20.0);
        EXPECT_NEAR(ua, expected, 0.03 * std::fabs(expected) + 0.03) << i << " at " << mv << " mV";
    }
    EXPECT_LT(r.doc.m_pot[20].m_raw[0] * kScale[r.doc.m_pot[20].m_range & 7], -5.0);
}

// Guards a poll cycle run from a timer between two slots exchanging in the middle of a transfer, a
// cancelled transfer reported as a fault, and the link left taken after it.
TEST(PotRampOnStation, TimersBetweenSlotsDoNotInterleaveAndCancelStops)
{
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel);
        Rig r;
        r.AddPot(5);
        r.SearchAll();
        r.station->StartMeasuring();
        r.Run(1000);
        PotStepSetupModel model(0);
        model.Append();
        PotProgram program(r.station->Link(), r.ui, 0, 5);
        const auto before = r.bus.Exchanges();
        int calls = 0;
        program.SetBetweenExchanges([&] {
            r.Run(1000);  // the poll timer falls due
            return !(cancel && ++calls == 40);
        });
        EXPECT_EQ(program.Program(model), !cancel);
        EXPECT_EQ(program.Cancelled(), cancel);
        EXPECT_EQ(r.bus.Exchanges() - before, cancel ? 40u : 256u);
        EXPECT_EQ(model.Modified(0), cancel);
        EXPECT_TRUE(r.ui.messages.empty());
        EXPECT_FALSE(r.ui.progressOpen || r.station->Link().Busy());
        r.Run(1000);
        EXPECT_GT(r.bus.Exchanges() - before, cancel ? 40u : 256u);  // polling goes on
    }
}

}  // namespace
}  // namespace qor::station::testing
