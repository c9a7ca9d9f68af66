#pragma once

#include "common/clock.h"
#include "data/document_ui.h"
#include "data/qor_doc.h"

#include <filesystem>
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

// A document a command reads, with the logbook and the silent interface it needs.
struct CommandDocument {
    SilentDocumentUi ui;
    data::Logbook logbook;
    data::CQORDoc doc{SystemClock::Instance(), logbook, ui};

    // Reads `path` in the layout its name gives (.qo3 otherwise). Returns the message for a
    // failure ("no such file: PATH" or "PATH: reason") in language `lang`, empty when the
    // file was read; `found` tells whether there was a file to read.
    std::string Read(const std::string& path, bool* found = nullptr, int lang = 1)
    {
        std::error_code ec;
        const bool exists = std::filesystem::is_regular_file(path, ec);
        if (found)
            *found = exists;
        if (!exists)
            return (lang == 1 ? "no such file: " : "Datei nicht gefunden: ") + path;
        const data::IoResult r = doc.ReadFile(path, data::LayoutOf(path).value_or(data::Layout::Qo3));
        return r.ok ? std::string() : path + ": " + r.error;
    }
};

}  // namespace qor::cli
