#pragma once

#include "common/text.h"

#include <array>

namespace qor::ui {

// The commands of the main window and of the document.
enum class Cmd {
    PortSetup,
    SearchModules,
    StartMeasuring,
    ShowMeters,
    StartRecording,
    Stop,
    NewScale,
    LogbookEntry,
    ToggleLogbook,
    StartPotentiostat,
    StopPotentiostat,
    DefineSteps,
    ManualOperation,
    StartPotAndRecording,
    ReadDataLogger,
    ReadDeviceLogbook,
    FileNew,
    FileOpen,
    FileClose,
    FileSave,
    FileSaveAs,
    FileExport,
    FileImport,
    Count
};

// The flags the enable rules read.
struct CommandState {
    bool documentClosed = false;
    bool fileBound = false;
    bool modulesReleased = false;
    bool measuring = false;
    bool recording = false;
    bool metersShown = false;
    bool potPresent = false;
    bool potRunning = false;
    bool logbookShown = false;
};

// Whether `cmd` may run in `state`.
bool CommandEnabled(Cmd cmd, const CommandState& state);

// Menu label and status prompt ("status tip\ntool tip") of each command.
struct CommandText {
    Cmd cmd;
    TextPair label;
    TextPair prompt;
};
const std::array<CommandText, static_cast<int>(Cmd::Count)>& CommandTexts();
const CommandText& TextOf(Cmd cmd);

}  // namespace qor::ui
