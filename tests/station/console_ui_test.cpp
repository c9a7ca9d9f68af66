#include "station/console_ui.h"
#include "station_rig.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace qor::station::testing {
namespace {

TEST(LoopTimers, FiresOnTheClockAndStopsWhenDone)
{
    SimClock clock;
    LoopTimers timers(clock);
    std::map<int, int> fired;
    timers.Start(1, 1000);
    timers.Start(2, 2500);
    timers.Run([&](int id) { ++fired[id]; }, [&] { return clock.TickMs() > 10000; });
    EXPECT_EQ(fired[1], 10);
    EXPECT_EQ(fired[2], 4);
    // A handler that stops its own timer ends the loop once nothing runs.
    timers.Stop(2);
    timers.Run([&](int id) { timers.Stop(id); }, [] { return false; });
    EXPECT_TRUE(timers.Empty());
}

TEST(ConsoleUi, ReleasePolicyAndMessages)
{
    SimClock clock;
    std::FILE* out = std::tmpfile();
    ConsoleUi ui(clock, out);
    FreigabeDlgModel d;
    d.AddNotReleased("Slave  1: x", 1);
    d.AddReleased("Slave  0: y", 0);
    EXPECT_FALSE(ui.RunReleaseDialog(d));
    EXPECT_EQ(d.Released()[1], 255);
    ui.releaseAll = true;
    EXPECT_TRUE(ui.RunReleaseDialog(d));
    EXPECT_EQ(d.Released()[1], 1);
    ui.ShowMessage("Daten nicht verfügbar!");
    std::rewind(out);
    char line[128] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, out));
    EXPECT_STREQ(line, "qortool: Daten nicht verfügbar!\n");
    std::fclose(out);
}

// Timer 3 writes the bound document; what it wrote reads back with every sample.
TEST(Recording, SaveTimerWritesTheBoundFile)
{
    Rig r;
    TempDir dir;
    r.bus.AddModule(0, 1).SetRawValues({7000, 0, 200});
    r.SearchAll();
    r.doc.m_path = dir.File("rec.qo3");
    r.doc.m_fileBound = true;
    r.doc.m_grafikSetup.SetInterval(0, 0, 1);
    r.station->Config().interval = DayFraction(0, 1, 0);
    ASSERT_TRUE(r.station->StartRecording());
    r.Run(61000);
    EXPECT_FALSE(r.doc.m_modified == false && r.doc.m_samples.empty());
    data::Logbook log2;
    FakeDocUi ui2;
    data::CQORDoc copy(r.clock, log2, ui2);
    ASSERT_TRUE(copy.ReadFile(r.doc.m_path, data::Layout::Qo3).ok);
    EXPECT_EQ(copy.m_samples.size(), 61u);  // the samples up to the save at 60 s
    EXPECT_FLOAT_EQ(copy.m_samples.back().m_value[0], 7.0f);
    EXPECT_NE(copy.m_logBuch.m_text.find("Aufzeichnung gestartet aller  00:00:01"), std::string::npos);
}

}  // namespace
}  // namespace qor::station::testing
