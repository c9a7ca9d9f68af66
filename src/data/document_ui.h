#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qor::data {

class CGraphPropObject;
class CStringDatenObject;

enum class FileDialog { Open, SaveAs, Import };

// What the document needs from the user and from its views. The main window implements
// it; tests script it.
class DocumentUi {
public:
    virtual ~DocumentUi() = default;

    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseFile(FileDialog kind, const std::string& defaultExt,
                                                  const std::string& filter) = 0;
    // The save prompt: 1 yes, 2 cancel, 3 no.
    virtual int AskSave(const std::string& title, const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    // Yes/No questions: whether to recover an uncovered journal (No discards it), whether to
    // replace a read-only file. Without a user to ask, neither happens.
    virtual bool AskRecover(const std::string& /*title*/, const std::string& /*text*/) { return false; }
    virtual bool AskReplaceReadOnly(const std::string& /*text*/) { return false; }
    virtual void SetTitle(const std::string& title) = 0;
    // A data logger file (.tx3) goes to the data logger graph.
    virtual void OpenDataLogger(const std::string& path, int language) = 0;

    // The document graph: its curves and labels before a save, cleared on close.
    virtual void CollectGraph(CGraphPropObject& /*props*/, std::vector<CStringDatenObject>& /*labels*/) {}
    virtual void ClearGraph() {}
    // What changed in the document, for its views: samples were appended; the graph setup or
    // the virtual channels changed (or the contents were cleared); a file was read, with
    // the graph labels it held.
    virtual void SamplesAdded() {}
    virtual void SetupChanged() {}
    virtual void FileRead(const std::vector<CStringDatenObject>& /*labels*/) {}
    // Views are asked to refresh (the logbook view among them).
    virtual void UpdateViews() {}
    // Close while recording stops the recording.
    virtual void StopLogging() {}
    // A potentiostat sample or impedance point arrived: the run graph or impedance
    // window shows it, opening if needed.
    virtual void PotSampleAdded() {}
    virtual void EisPointAdded() {}
    // The menu asks for the potentiostat U/I-time window.
    virtual void ShowPotGraph() {}
};

}  // namespace qor::data
