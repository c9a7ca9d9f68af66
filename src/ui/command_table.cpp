#include "ui/command_table.h"

#include "ui/ui_texts.h"

namespace qor::ui {

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

const std::array<CommandText, static_cast<int>(Cmd::Count)>& CommandTexts()
{
    static const std::array<CommandText, static_cast<int>(Cmd::Count)> table{{
        {Cmd::PortSetup, txt::kMenuPortSetup, txt::kPromptPortSetup},
        {Cmd::SearchModules, txt::kMenuSearch, txt::kPromptSearch},
        {Cmd::StartMeasuring, txt::kMenuStartMeasuring, txt::kPromptStartMeasuring},
        {Cmd::ShowMeters, txt::kMenuShowMeters, txt::kPromptShowMeters},
        {Cmd::StartRecording, txt::kMenuStartRecording, txt::kPromptStartRecording},
        {Cmd::Stop, txt::kMenuStop, txt::kPromptStop},
        {Cmd::NewScale, txt::kMenuNewScale, txt::kPromptNewScale},
        {Cmd::LogbookEntry, txt::kMenuLogbookEntry, txt::kPromptLogbookEntry},
        {Cmd::ToggleLogbook, txt::kMenuToggleLogbook, txt::kPromptToggleLogbook},
        {Cmd::StartPotentiostat, txt::kMenuStartPot, txt::kPromptStartPot},
        {Cmd::StopPotentiostat, txt::kMenuStopPot, txt::kPromptStopPot},
        {Cmd::DefineSteps, txt::kMenuDefineSteps, txt::kPromptDefineSteps},
        {Cmd::ManualOperation, txt::kMenuManual, txt::kPromptManual},
        {Cmd::StartPotAndRecording, txt::kMenuStartPotRec, txt::kPromptStartPotRec},
        {Cmd::ReadDataLogger, txt::kMenuReadLogger, txt::kPromptReadLogger},
        {Cmd::ReadDeviceLogbook, txt::kMenuReadDeviceLogbook, txt::kPromptReadDeviceLogbook},
        {Cmd::FileNew, txt::kFileNew, txt::kFileNew},
        {Cmd::FileOpen, txt::kFileOpen, txt::kFileOpen},
        {Cmd::FileClose, txt::kFileClose, txt::kFileClose},
        {Cmd::FileSave, txt::kFileSave, txt::kFileSave},
        {Cmd::FileSaveAs, txt::kFileSaveAs, txt::kFileSaveAs},
        {Cmd::FileExport, txt::kFileExport, txt::kExportPrompt},
        {Cmd::FileImport, txt::kFileImport, txt::kImportPrompt},
    }};
    return table;
}

const CommandText& TextOf(Cmd cmd)
{
    return CommandTexts()[static_cast<std::size_t>(cmd)];
}

}  // namespace qor::ui
