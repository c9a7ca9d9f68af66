#pragma once

namespace qor::station {

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

}  // namespace qor::station
