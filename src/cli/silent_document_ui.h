#pragma once

#include "data/document_ui.h"

#include <optional>
#include <string>

namespace qor::cli {

// Commands that only read a document: nothing to ask, nothing to show (they report a
// failed read from the document's result themselves).
struct SilentDocumentUi : data::DocumentUi {
    std::optional<std::string> ChooseFile(data::FileDialog, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 3; }
    void ShowMessage(const std::string&) override {}
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
};

}  // namespace qor::cli
