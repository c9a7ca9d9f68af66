#include "station/config.h"
#include "station/rs232_model.h"

#include <gtest/gtest.h>

namespace qor::station {
namespace {

TEST(Rs232Model, IntervalRule)
{
    // Less than a minute becomes ten minutes.
    const int cases[][6] = {{0, 0, 30, 0, 10, 0}, {0, 0, 0, 0, 10, 0},      {0, 1, 0, 0, 1, 0},
                            {1, 0, 0, 1, 0, 0},   {23, 59, 59, 23, 59, 59}, {0, 5, 7, 0, 5, 7}};
    for (const auto& c : cases) {
        Rs232Model model(FirstStartDefaults());
        model.SetInterval(c[0], c[1], c[2]);
        const TimeOfDay t = SplitDayFraction(model.Accept().interval);
        EXPECT_EQ(t.hours * 10000 + t.minutes * 100 + t.seconds, c[3] * 10000 + c[4] * 100 + c[5]) << c[2];
    }
}

TEST(Rs232Model, HardwareChoiceAndLimits)
{
    StationConfig c = FirstStartDefaults();
    c.link.ethernet = 1;
    c.link.baud = 9600;
    Rs232Model model(c);
    EXPECT_TRUE(model.Lan());
    model.ChooseSerial();
    EXPECT_EQ(model.Accept().link.baud, 56000);
    EXPECT_EQ(model.Accept().link.ethernet, 0);
    model.ChooseLan();
    EXPECT_EQ(model.Accept().link.ethernet, 1);

    const int ports[][2] = {{3999, 4000}, {50000, 50000}, {65535, 65535}, {70000, 65535}, {-1, 4000}};
    for (const auto& p : ports) {
        model.SetTcpPort(p[0]);
        EXPECT_EQ(model.Accept().link.tcpPort, p[1]) << p[0];
    }
    const int limits[][4] = {{0, 1, 20, 15}, {300, 255, -3, 0}};
    for (const auto& l : limits) {
        model.SetPort(l[0]);
        model.SetIdCount(l[2]);
        EXPECT_EQ(model.Accept().link.port, l[1]);
        EXPECT_EQ(model.Accept().idCount, l[3]);
    }
}

}  // namespace
}  // namespace qor::station
