#include "station/command_rules.h"

namespace qor::station {

bool CommandEnabled(Cmd cmd, const CommandState& s)
{
    const bool docOpen = !s.documentClosed;
    switch (cmd) {
    case Cmd::PortSetup:
        return !s.measuring && !s.recording;
    case Cmd::SearchModules:
        return docOpen && !s.measuring && !s.recording;
    case Cmd::StartMeasuring:
        return s.modulesReleased && docOpen;
    case Cmd::ShowMeters:
        return !s.metersShown && s.measuring && docOpen;
    case Cmd::StartRecording:
        return s.modulesReleased && !s.recording && docOpen;
    case Cmd::Stop:
        return s.recording || (s.measuring && docOpen);
    case Cmd::NewScale:
        return docOpen && s.fileBound;
    case Cmd::LogbookEntry:
        return s.logbookShown;
    case Cmd::ToggleLogbook:
        return true;
    case Cmd::StartPotentiostat:
    case Cmd::DefineSteps:
    case Cmd::ManualOperation:
    case Cmd::StartPotAndRecording:
        return s.potPresent && !s.potRunning;
    case Cmd::StopPotentiostat:
        return s.potRunning;
    case Cmd::ReadDataLogger:
    case Cmd::ReadDeviceLogbook:
        return s.modulesReleased && docOpen;
    case Cmd::FileNew:
        return s.documentClosed;
    case Cmd::FileOpen:
        // Without a document the frame opens one; with one, the document opens a file
        // while none is bound.
        return s.documentClosed || !s.fileBound;
    case Cmd::FileClose:
    case Cmd::FileSave:
    case Cmd::FileSaveAs:
    case Cmd::FileExport:
        return docOpen && s.fileBound;
    case Cmd::FileImport:
        return docOpen && !s.fileBound;
    case Cmd::Count:
        break;
    }
    return false;
}

}  // namespace qor::station
