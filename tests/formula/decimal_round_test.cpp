#include "formula/decimal_round.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using qor::formula::AppendFixed;
using qor::formula::RoundToDecimals;

namespace {
double ViaPrintf(double x, int d)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", d, x);
    return std::strtod(buf, nullptr);
}
bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
}  // namespace

// 1.0 / 8192 = 0.0001220703125 is an exact tie at 12 decimals, 0.125 and 0.375 at 2. The value
// rounded and its text both agree with printf.
TEST(DecimalRound, EdgeValues)
{
    constexpr double kTiny = std::numeric_limits<double>::denorm_min();
    constexpr double kMin = std::numeric_limits<double>::min(), kMax = std::numeric_limits<double>::max();
    // clang-format off
    const double values[] = {0.0, -0.0, 1e-13, -1e-13, 5e-13, -5e-13, 4.9999999999999e-13, 0.5e-12,
                             1.0 / 8192, 3.0 / 8192, 2.5e-7, 0.1, 0.2, 0.3, 1.0 / 3, 2.0 / 3,
                             9007.199254740991, 9007.199254740993, 12345.678901234567, 1e7 + 1.0 / 3,
                             1.8e7 + 0.123456789012345, 123456789.123456789, 4503599627370495.5,
                             4503599627370497.0, 1e300, -1e300, kTiny, kMin, kMax, -123.4567895,
                             0.0000005, -0.0000005, 0.0000015, -2.5e-13, 123.456, -7.25, 0.125, 0.375};
    // clang-format on
    for (const int d : {0, 1, 2, 6, 12, 17}) {
        for (const double v : values) {
            SCOPED_TRACE(testing::Message() << d << " " << v);
            EXPECT_TRUE(SameBits(RoundToDecimals(v, d), ViaPrintf(v, d)));
            char buf[512];
            std::snprintf(buf, sizeof buf, "%.*f", d, v);
            std::string s;
            AppendFixed(s, v, d);
            EXPECT_EQ(s, buf);
        }
    }
}

TEST(DecimalRound, RandomMagnitudesAgreeWithPrintf)
{
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> expo(-16.0, 17.0);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 200000; ++i) {
        double v;
        if (i % 4 == 3) {
            // Values that sit near a decimal boundary: k / 10^d plus a few units in the last place.
            const double k = std::floor(std::pow(10.0, expo(rng) / 2.0) * 1e6);
            v = std::nextafter(k / 1e12, (i & 8) ? 1e300 : -1e300);
        } else {
            v = std::pow(10.0, expo(rng)) * (1.0 + static_cast<double>(bits(rng) % 1000000) / 1e6);
        }
        if (i & 1)
            v = -v;
        const int d = (i & 2) ? 12 : 6;
        ASSERT_TRUE(SameBits(RoundToDecimals(v, d), ViaPrintf(v, d))) << v << " d=" << d;
    }
}
