#include "station/config.h"
#include "station/link_texts.h"
#include "station/rs232_model.h"

#include <gtest/gtest.h>

namespace qor::station {
namespace {

// Guards the rule that a save interval under a minute becomes ten minutes, applied to longer ones.
TEST(Rs232Model, IntervalRule)
{
    const int cases[][2] = {{30, 600}, {0, 600}, {60, 60}, {3600, 3600}, {86399, 86399}, {307, 307}};
    for (const auto& c : cases) {
        Rs232Model model(FirstStartDefaults());
        model.SetInterval(c[0] / 3600, c[0] / 60 % 60, c[0] % 60);
        const TimeOfDay t = SplitDayFraction(model.Accept().interval);
        EXPECT_EQ(t.hours * 3600 + t.minutes * 60 + t.seconds, c[1]) << c[0];
    }
}

// Guards the serial choice keeping a gateway's speed, and port, TCP port and IDCOUNT outside their limits.
TEST(Rs232Model, HardwareChoiceAndLimits)
{
    StationConfig c = FirstStartDefaults();
    c.link.ethernet = 1;
    c.link.baud = 9600;
    Rs232Model model(c);
    EXPECT_TRUE(model.Lan());
    model.ChooseSerial();
    EXPECT_EQ(std::make_pair(model.Accept().link.baud, model.Accept().link.ethernet),
              std::make_pair(56000, 0));
    model.ChooseLan();
    EXPECT_EQ(model.Accept().link.ethernet, 1);
    // Set value, then the TCP port, port and IDCOUNT taken.
    const int cases[][4] = {{3999, 4000, 255, 15},
                            {65535, 65535, 255, 15},
                            {70000, 65535, 255, 15},
                            {-1, 4000, 1, 0},
                            {7, 4000, 7, 7}};
    for (const auto& l : cases) {
        model.SetTcpPort(l[0]);
        model.SetPort(l[0]);
        model.SetIdCount(l[0]);
        const StationConfig a = model.Accept();
        EXPECT_EQ(std::make_tuple(int{a.link.tcpPort}, a.link.port, a.idCount),
                  std::make_tuple(l[1], l[2], l[3]))
            << l[0];
    }
}

// Guards the link pane naming a COM port when a device path is set, or the reverse.
TEST(LinkTexts, SerialPaneWithAndWithoutDevicePath)
{
    bus::LinkSettings s;
    s.port = 3;
    s.baud = 9600;
    EXPECT_EQ(SerialPaneText(s), "COM 3  9600,N,8,1");
    s.device = "/dev/ttyUSB0";
    EXPECT_EQ(SerialPaneText(s), "/dev/ttyUSB0  9600,N,8,1");
}

}  // namespace
}  // namespace qor::station
