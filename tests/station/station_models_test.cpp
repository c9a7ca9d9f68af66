// The station's plain models: menu commands, the release and selection lists, the console.
#include "common/clock.h"
#include "station/command_rules.h"
#include "station/console_ui.h"
#include "station/freigabe_dlg_model.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

namespace qor::station {
namespace {

// An address array: the entries, then 255 up to the end.
std::array<std::uint8_t, 16> Addresses(const std::vector<int>& front)
{
    std::array<std::uint8_t, 16> a;
    a.fill(255);
    for (std::size_t i = 0; i < front.size(); ++i)
        a[i] = static_cast<std::uint8_t>(front[i]);
    return a;
}

std::vector<std::string> Texts(const std::vector<int>& addresses)
{
    std::vector<std::string> t;
    for (int a : addresses)
        t.push_back("m" + std::to_string(a));
    return t;
}

// Guards a text moved without its address (or the reverse), a lost end mark, and rows outside the list.
TEST(FreigabeDlgModel, Buttons)
{
    struct Case {
        const char* name;
        std::function<bool(FreigabeDlgModel&)> press;
        std::vector<int> left, right;
    };
    const std::vector<Case> cases = {
        {"add last", [](auto& d) { return d.Add(2); }, {0, 3}, {9, 7}},
        {"remove", [](auto& d) { return d.Remove(0); }, {0, 3, 7, 9}, {}},
        {"remove all", [](auto& d) { return d.RemoveAll(), true; }, {0, 3, 7, 9}, {}},
        {"add without selection", [](auto& d) { return !d.Add(-1); }, {0, 3, 7}, {9}},
        {"add past the end", [](auto& d) { return !d.Add(3); }, {0, 3, 7}, {9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreigabeDlgModel d;
        for (int a : {0, 3, 7})
            d.AddNotReleased(Texts({a})[0], static_cast<std::uint8_t>(a));
        d.AddReleased("m9", 9);
        EXPECT_TRUE(c.press(d));
        EXPECT_EQ(d.NotReleased(), Addresses(c.left));
        EXPECT_EQ(d.Released(), Addresses(c.right));
        EXPECT_EQ(d.NotReleasedTexts(), Texts(c.left));
        EXPECT_EQ(d.ReleasedTexts(), Texts(c.right));
    }
}

// Guards sixteen modules overrunning the array, which has no room left for the end mark.
TEST(FreigabeDlgModel, SixteenEntriesFillTheArray)
{
    FreigabeDlgModel d;
    std::vector<int> all;
    for (int i = 0; i < 16; ++i) {
        d.AddNotReleased("m", static_cast<std::uint8_t>(i));
        all.push_back(i);
    }
    d.SelectAll();
    EXPECT_EQ(d.Released(), Addresses(all));
    EXPECT_EQ(d.NotReleased(), Addresses({}));
}

using C = Cmd;

struct StateCase {
    const char* name;
    CommandState state;
    std::set<Cmd> enabled;
};

// Guards a command open where it breaks a run (port change while measuring), or closed where it is needed.
TEST(CommandRules, EnableRulesAcrossStates)
{
    // Flags in order: documentClosed, fileBound, modulesReleased, measuring, recording,
    // metersShown, potPresent, potRunning, logbookShown.
    const StateCase cases[] = {
        {"measuring, meters shown",
         {false, false, true, true, false, true, false, false, false},
         {C::StartMeasuring, C::StartRecording, C::Stop, C::ToggleLogbook, C::ReadDataLogger,
          C::ReadDeviceLogbook, C::FileOpen, C::FileImport}},
        {"recording into a bound file",
         {false, true, true, true, true, true, false, false, false},
         {C::StartMeasuring, C::Stop, C::NewScale, C::ToggleLogbook, C::ReadDataLogger, C::ReadDeviceLogbook,
          C::FileClose, C::FileSave, C::FileSaveAs, C::FileExport}},
        {"recording, document closed",
         {true, false, true, true, true, false, false, false, false},
         {C::Stop, C::ToggleLogbook, C::FileNew, C::FileOpen}},
        {"potentiostat present, logbook shown",
         {false, false, true, false, false, false, true, false, true},
         {C::PortSetup, C::SearchModules, C::StartMeasuring, C::StartRecording, C::LogbookEntry,
          C::ToggleLogbook, C::StartPotentiostat, C::DefineSteps, C::ManualOperation, C::StartPotAndRecording,
          C::ReadDataLogger, C::ReadDeviceLogbook, C::FileOpen, C::FileImport}},
        {"potentiostat program running",
         {false, false, true, true, false, false, true, true, false},
         {C::StartMeasuring, C::ShowMeters, C::StartRecording, C::Stop, C::ToggleLogbook, C::StopPotentiostat,
          C::ReadDataLogger, C::ReadDeviceLogbook, C::FileOpen, C::FileImport}},
    };
    for (const StateCase& c : cases) {
        for (int i = 0; i < static_cast<int>(Cmd::Count); ++i) {
            const Cmd cmd = static_cast<Cmd>(i);
            EXPECT_EQ(CommandEnabled(cmd, c.state), c.enabled.count(cmd) == 1) << c.name << ": command " << i;
        }
    }
}

// Guards the console releasing modules unasked, and its loop firing timers off their period or
// running on when nothing is left.
TEST(ConsoleUi, ReleasePolicyAndLoopTimers)
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
    std::fclose(out);

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

}  // namespace
}  // namespace qor::station
