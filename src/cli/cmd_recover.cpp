// qortool recover: brings a recording kept in a document's journal back into the document.
#include "cli/command.h"
#include "common/clock.h"
#include "data/document_ui.h"
#include "data/qor_doc.h"
#include "station/config.h"

#include <cstdio>
#include <filesystem>

namespace qor::cli {
namespace {

// Says yes to the recovery question, and tells what happened on stderr.
struct RecoverUi : data::DocumentUi {
    std::optional<std::string> ChooseFile(data::FileDialog, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 1; }
    void ShowMessage(const std::string& text) override
    {
        std::fprintf(stderr, "qortool: %s\n", text.c_str());
    }
    bool AskRecover(const std::string&, const std::string&) override
    {
        from = logbook.m_text.size();
        return asked = true;
    }
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
    data::Logbook logbook;
    bool asked = false;
    std::size_t from = 0;  // where the logbook stood when recovery began
};

int RunRecover(const std::vector<std::string>& argv)
{
    Args args(argv);
    const int lang = TakeLanguage(args);
    if (lang < 0)
        return Fail("--lang needs de or en");
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    if (args.Rest().size() != 1)
        return Fail("recover needs one FILE.qo3");
    const std::string file = args.Rest()[0];
    if (data::CQORDoc::LayoutOf(file) != data::Layout::Qo3)
        return Fail("recover needs a file name ending in .qo3");
    RecoverUi ui;
    data::CQORDoc doc(SystemClock::Instance(), ui.logbook, ui);
    doc.OnNewDocument(lang);
    doc.m_journalFolder = station::ConfigDirectory();
    const std::string journal = doc.JournalPathFor(file);
    if (std::error_code ec; !std::filesystem::exists(journal, ec)) {
        std::printf("nothing to recover: there is no %s\n", journal.c_str());
        return 0;
    }
    // Read as the window opens a document: an uncovered journal is recovered and saved.
    if (!doc.OpenByPath(file) || !doc.ReadBoundFile())
        return 1;
    if (!ui.asked) {
        std::printf("nothing to recover: %s holds everything in %s\n", file.c_str(), journal.c_str());
        return 0;
    }
    if (doc.m_modified)
        return 1;  // the save failed and said why; the journal is kept
    // The logbook entries of the recovery say what came back.
    std::printf("%s", ui.logbook.m_text.substr(ui.from).c_str());
    return 0;
}

Registrar
    reg({"recover",
         "FILE.qo3 [--lang de|en]\n"
         "        appends what FILE.qo3.journal holds beyond FILE.qo3 (the samples and logbook entries\n"
         "        of a recording that ended without its last save) and saves FILE.qo3",
         RunRecover});

}  // namespace
}  // namespace qor::cli
