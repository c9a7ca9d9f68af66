#include "station/config.h"
#include "station/rs232_model.h"

#include <gtest/gtest.h>

namespace qor::station {
namespace {

TimeOfDay IntervalOf(const StationConfig& c)
{
    return SplitDayFraction(c.interval);
}

TEST(Rs232Model, IntervalRule)
{
    struct Case {
        int h, m, s;
        int eh, em, es;
    } cases[] = {
        {0, 0, 30, 0, 10, 0},  // less than a minute: ten minutes
        {0, 0, 0, 0, 10, 0},      {0, 1, 0, 0, 1, 0}, {1, 0, 0, 1, 0, 0},
        {23, 59, 59, 23, 59, 59}, {0, 5, 7, 0, 5, 7},
    };
    for (const Case& c : cases) {
        Rs232Model model(FirstStartDefaults());
        model.SetInterval(c.h, c.m, c.s);
        const TimeOfDay t = IntervalOf(model.Accept());
        EXPECT_EQ(t.hours, c.eh) << c.h << ":" << c.m << ":" << c.s;
        EXPECT_EQ(t.minutes, c.em) << c.h << ":" << c.m << ":" << c.s;
        EXPECT_EQ(t.seconds, c.es) << c.h << ":" << c.m << ":" << c.s;
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
    EXPECT_FALSE(model.Lan());
    EXPECT_EQ(model.Accept().link.baud, 56000);
    EXPECT_EQ(model.Accept().link.ethernet, 0);
    model.ChooseLan();
    EXPECT_EQ(model.Accept().link.ethernet, 1);

    const int ports[][2] = {{3999, 4000},   {4000, 4000},   {50000, 50000},
                            {65535, 65535}, {70000, 65535}, {-1, 4000}};
    for (const auto& p : ports) {
        model.SetTcpPort(p[0]);
        EXPECT_EQ(model.Accept().link.tcpPort, p[1]) << p[0];
    }
    model.SetPort(0);
    EXPECT_EQ(model.Accept().link.port, 1);
    model.SetPort(300);
    EXPECT_EQ(model.Accept().link.port, 255);
    model.SetIdCount(20);
    EXPECT_EQ(model.Accept().idCount, 15);
    model.SetIdCount(-3);
    EXPECT_EQ(model.Accept().idCount, 0);
}

}  // namespace
}  // namespace qor::station
