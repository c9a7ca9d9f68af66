// qortool recover: brings a recording kept in a document's journal back into the document.
#include "cli/command.h"
#include "common/clock.h"
#include "data/document_ui.h"
#include "data/qor_doc.h"

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
    bool AskRecover(const std::string&, const std::string&) override { return asked = true; }
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
    bool asked = false;
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
    std::error_code ec;
    if (!std::filesystem::exists(file + ".journal", ec)) {
        std::printf("nothing to recover: there is no %s.journal\n", file.c_str());
        return 0;
    }
    RecoverUi ui;
    data::Logbook logbook;
    data::CQORDoc doc(SystemClock::Instance(), logbook, ui);
    doc.OnNewDocument(lang);
    // Read as the window opens a document: an uncovered journal is recovered and saved.
    if (!doc.OpenByPath(file) || !doc.ReadBoundFile())
        return 1;
    if (!ui.asked) {
        std::printf("nothing to recover: %s holds everything in %s.journal\n", file.c_str(), file.c_str());
        return 0;
    }
    if (doc.m_modified)
        return 1;  // the save failed and said why; the journal is kept
    // The last logbook entry says what came back.
    const std::string& log = logbook.m_text;
    const auto start = log.rfind('\n', log.size() - 2);
    const std::string entry = log.substr(start == std::string::npos ? 0 : start + 1);
    std::printf("%s", entry.substr(entry.find('\t') + 1).c_str());
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
