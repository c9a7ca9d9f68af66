#include "formula/decimal_round.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

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
