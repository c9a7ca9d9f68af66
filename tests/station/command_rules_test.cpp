#include "station/command_rules.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace qor::station {
namespace {

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

}  // namespace
}  // namespace qor::station
