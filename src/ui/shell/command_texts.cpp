#include "ui/shell/command_texts.h"

#include "ui/common/ui_texts.h"

namespace qor::ui {

const std::array<CommandText, static_cast<int>(station::Cmd::Count)>& CommandTexts()
{
    static const std::array<CommandText, static_cast<int>(station::Cmd::Count)> table{{
        {station::Cmd::PortSetup, txt::kMenuPortSetup, txt::kPromptPortSetup},
        {station::Cmd::SearchModules, txt::kMenuSearch, txt::kPromptSearch},
        {station::Cmd::StartMeasuring, txt::kMenuStartMeasuring, txt::kPromptStartMeasuring},
        {station::Cmd::ShowMeters, txt::kMenuShowMeters, txt::kPromptShowMeters},
        {station::Cmd::StartRecording, txt::kMenuStartRecording, txt::kPromptStartRecording},
        {station::Cmd::Stop, txt::kMenuStop, txt::kPromptStop},
        {station::Cmd::NewScale, txt::kMenuNewScale, txt::kPromptNewScale},
        {station::Cmd::LogbookEntry, txt::kMenuLogbookEntry, txt::kPromptLogbookEntry},
        {station::Cmd::ToggleLogbook, txt::kMenuToggleLogbook, txt::kPromptToggleLogbook},
        {station::Cmd::StartPotentiostat, txt::kMenuStartPot, txt::kPromptStartPot},
        {station::Cmd::StopPotentiostat, txt::kMenuStopPot, txt::kPromptStopPot},
        {station::Cmd::DefineSteps, txt::kMenuDefineSteps, txt::kPromptDefineSteps},
        {station::Cmd::ManualOperation, txt::kMenuManual, txt::kPromptManual},
        {station::Cmd::StartPotAndRecording, txt::kMenuStartPotRec, txt::kPromptStartPotRec},
        {station::Cmd::ReadDataLogger, txt::kMenuReadLogger, txt::kPromptReadLogger},
        {station::Cmd::ReadDeviceLogbook, txt::kMenuReadDeviceLogbook, txt::kPromptReadDeviceLogbook},
        {station::Cmd::FileNew, txt::kFileNew, txt::kNewPrompt},
        {station::Cmd::FileOpen, txt::kFileOpen, txt::kOpenPrompt},
        {station::Cmd::FileClose, txt::kFileClose, txt::kClosePrompt},
        {station::Cmd::FileSave, txt::kFileSave, txt::kSavePrompt},
        {station::Cmd::FileSaveAs, txt::kFileSaveAs, txt::kSaveAsPrompt},
        {station::Cmd::FileExport, txt::kFileExport, txt::kExportPrompt},
        {station::Cmd::FileImport, txt::kFileImport, txt::kImportPrompt},
    }};
    return table;
}

const CommandText& TextOf(station::Cmd cmd)
{
    return CommandTexts()[static_cast<std::size_t>(cmd)];
}

}  // namespace qor::ui
