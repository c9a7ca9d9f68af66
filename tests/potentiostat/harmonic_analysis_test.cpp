#include "potentiostat/harmonic_analysis.h"

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

TEST(HarmonicAnalysis, BlocksAndLineBytes)
{
    // 399 samples: one block, the rest dropped. A constant has no first harmonic; an
    // impulse at the start of the FFT window has every bin equal to it.
    const auto flat = Samples(
        399, [](std::size_t) { return 125; }, [](std::size_t) { return 250; });
    EXPECT_EQ(DftAnalysisText(flat), "M0,00 M0,00 P0,00 P0,00\n\rm_count=64 Z=200,00 P=0,00\n\r");
    const auto pulse = Samples(
        399, [](std::size_t k) { return k == 5 ? 150 : 0; }, [](std::size_t k) { return k == 5 ? 300 : 0; });
    EXPECT_EQ(FftAnalysisText(pulse), "G300,00 G1,50 M300,00 M1,50 P90,00 P90,00\n\rZ=200,00 P=0,00\n\r");
    const std::vector<data::CPotQORDatenObject> short_(flat.begin(), flat.begin() + 199);
    EXPECT_EQ(DftAnalysisText(short_) + FftAnalysisText(short_), "");
}

TEST(HarmonicAnalysis, SineOfKnownAmplitudeAndPhase)
{
    // U = 1000 mV, I = 20 µA, one period per 128-sample window starting at the window's first
    // sample; the phase difference of 200° comes back wrapped as -160°.
    const double pu = 30.0, pi = -170.0, rad = std::numbers::pi / 180.0;
    for (const std::size_t start : {std::size_t{10}, std::size_t{5}}) {
        const auto wave = [start, rad](double amp, double deg) {
            return [=](std::size_t k) {
                return amp * std::sin(2.0 * std::numbers::pi * (static_cast<double>(k) - start) / 128.0 +
                                      deg * rad);
            };
        };
        const auto list = Samples(200, wave(2000, pi), wave(1000, pu));
        std::string text = start == 10 ? DftAnalysisText(list) : FftAnalysisText(list);
        std::replace(text.begin(), text.end(), ',', '.');
        double mu = 0, mi = 0, phu = 0, phi = 0, z = 0, dp = 0, gu = 0, gi = 0;
        unsigned count = 0;
        if (start == 10) {
            ASSERT_EQ(std::sscanf(text.c_str(), "M%lf M%lf P%lf P%lf m_count=%u Z=%lf P=%lf", &mu, &mi, &phu,
                                  &phi, &count, &z, &dp),
                      7)
                << text;
            EXPECT_EQ(count, 64u);
            // The direct transform's phase is the sine's less 90°.
            phu += 90.0;
            phi += 90.0 - 360.0;
        } else {
            ASSERT_EQ(std::sscanf(text.c_str(), "G%lf G%lf M%lf M%lf P%lf P%lf Z=%lf P=%lf", &gu, &gi, &mu,
                                  &mi, &phu, &phi, &z, &dp),
                      8)
                << text;
            EXPECT_LT(gu, 50.0);
            EXPECT_LT(gi, 1.0);
        }
        EXPECT_NEAR(mu, 64 * 1000.0, 20.0) << text;
        EXPECT_NEAR(mi, 64 * 20.0, 0.4) << text;
        EXPECT_NEAR(phu, pu, 0.05) << text;
        EXPECT_NEAR(phi, pi, 0.05) << text;
        EXPECT_NEAR(z, 50.0, 0.05) << text;
        EXPECT_NEAR(dp, -160.0, 0.05) << text;
    }
}

}  // namespace
}  // namespace qor::potentiostat
