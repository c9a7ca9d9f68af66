#include "station/console_ui.h"
#include "station_rig.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace qor::station::testing {
namespace {

// Guards the console loop firing timers off their period, or running on when nothing is left.
TEST(LoopTimers, FiresOnTheClockAndStopsWhenDone)
{
    SimClock clock;
    LoopTimers timers(clock);
    std::map<int, int> fired;
    timers.Start(1, 1000);
    timers.Start(2, 2500);
    timers.Run([&](int id) { ++fired[id]; }, [&] { return clock.TickMs() > 10000; });
    EXPECT_EQ(fired, (std::map<int, int>{{1, 10}, {2, 4}}));
    timers.Stop(2);
    timers.Run([&](int id) { timers.Stop(id); }, [] { return false; });
    EXPECT_TRUE(timers.Empty());
}

// Guards the console releasing modules unasked, and messages not reaching its output.
TEST(ConsoleUi, ReleasePolicyAndMessages)
{
    SimClock clock;
    std::FILE* out = std::tmpfile();
    ConsoleUi ui(clock, out);
    FreigabeDlgModel d;
    d.AddNotReleased("Slave  1: x", 1);
    EXPECT_FALSE(ui.RunReleaseDialog(d));
    EXPECT_EQ(d.Released()[0], 255);
    ui.releaseAll = true;
    EXPECT_TRUE(ui.RunReleaseDialog(d));
    EXPECT_EQ(d.Released()[0], 1);
    ui.ShowMessage("Daten nicht verfügbar!");
    std::rewind(out);
    char line[128] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, out));
    EXPECT_STREQ(line, "qortool: Daten nicht verfügbar!\n");
    std::fclose(out);
}

}  // namespace
}  // namespace qor::station::testing
