#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qor::station {

class FreigabeDlgModel;
class SlaveAuswahlModel;

// Everything the station shows or asks. The main window implements it with widgets;
// qortool and the tests implement it with text and scripts.
class StationUi {
public:
    virtual ~StationUi() = default;

    // Modal message box with OK.
    virtual void ShowMessage(const std::string& text) = 0;
    // A notice that asks nothing and holds nothing up (shown from inside the poll cycle).
    virtual void ShowNotice(const std::string& text) = 0;
    // Modal OK/Cancel question; true for OK.
    virtual bool AskOkCancel(const std::string& text) = 0;
    // The error dialog ("Fehlerdialog": one text field and OK); true when closed with OK.
    virtual bool ShowErrorDialog(const std::string& text) = 0;

    // Status bar panes 1 (link), 2 (transfer) and 3 (modules).
    virtual void SetPane(int pane, const std::string& text) = 0;

    // Modeless wait window ("Information", one text field): shows it or changes its text.
    virtual void ShowWait(const std::string& text) = 0;
    virtual void CloseWait() = 0;
    // Progress window with a bar of range 0..maximum.
    virtual void ShowProgress(const std::string& title, const std::string& text, int maximum) = 0;
    virtual void SetProgress(int value) = 0;
    virtual void CloseProgress() = 0;

    // Modal release dialog on the model; true for OK (the model then holds the choice).
    virtual bool RunReleaseDialog(FreigabeDlgModel& dialog) = 0;
    // Modal module selection dialog; true for OK.
    virtual bool RunModuleSelection(SlaveAuswahlModel& dialog) = 0;
    // The document's recording setup (graph setup with the interval editable); true for OK.
    virtual bool RunRecordingSetup() = 0;
    // Save dialog for the data logger file (default extension "tx3", the filter of
    // text::kLoggerFilter, asks before overwriting); nullopt on Cancel.
    virtual std::optional<std::string> ChooseLoggerFile() = 0;
    // Opens the data logger graph on a written `.tx3` file.
    virtual void ShowDataLoggerGraph(const std::string& path, int language) = 0;

    // Opens the digital measurement views of the released modules that have none yet.
    virtual void ShowMeters() = 0;
    // Closes every digital measurement view.
    virtual void CloseMeters() = 0;
    // Brings up the measurement view of one module.
    virtual void ShowMeter(std::uint8_t address) = 0;
    // Repaints the measurement views after a poll cycle.
    virtual void RefreshViews() = 0;
    // Waits `ms` while window messages (and timers) keep being handled.
    virtual void ProcessEvents(int ms) = 0;
};

}  // namespace qor::station
