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

// Tells what happened on stderr.
struct RecoverUi : data::DocumentUi {
    std::optional<std::string> ChooseFile(data::FileDialog, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 1; }
    void ShowMessage(const std::string& text) override { Say(text); }
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
    data::Logbook logbook;
};

int RunRecover(const Parsed& p)
{
    const int lang = p.lang;
    const std::string file = p.Operands()[0];
    if (data::LayoutOf(file) != data::Layout::Qo3)
        return Fail("recover needs a file name ending in .qo3");
    RecoverUi ui;
    data::CQORDoc doc(SystemClock::Instance(), ui.logbook, ui);
    doc.OnNewDocument(lang);
    doc.SetJournalFolder(station::ConfigDirectory());
    doc.SetOfferRecovery(false);
    const std::string journal = doc.ExistingJournalFor(file);
    if (std::error_code ec; !std::filesystem::exists(journal, ec)) {
        std::printf("nothing to recover: there is no %s\n", journal.c_str());
        return 0;
    }
    // Read as the window opens a document, then what the journal holds beyond it.
    if (!doc.OpenByPath(file) || !doc.ReadBoundFile())
        return 1;
    std::optional<data::Recovery> r = doc.FindRecovery();
    if (!r)
        return Fail(journal + " cannot be read");
    const std::size_t from = ui.logbook.m_text.size();
    if (!doc.Recover(*r))
        return 1;  // the save failed and said why; the journal is kept
    if (!r->anything)
        std::printf("nothing to recover: %s holds everything in %s%s\n", file.c_str(), journal.c_str(),
                    r->keptAs.empty() ? "; the journal is removed" : "");
    else if (r->foreign)
        std::printf(
            "%s belongs to another recording: its %zu samples were saved as %s; %s was left as it was\n",
            journal.c_str(), r->samples, r->savedAs.c_str(), file.c_str());
    else
        // The logbook entries of the recovery say what came back.
        std::printf("%s", ui.logbook.m_text.substr(from).c_str());
    if (!r->keptAs.empty())
        std::printf("%zu damaged entries of %s were skipped; the journal is kept as %s\n",
                    r->contents.damaged, journal.c_str(), r->keptAs.c_str());
    return 0;
}

const Registrar
    kRecover({"recover",
              {{}, {"FILE.qo3"}},
              "appends what FILE.qo3.journal holds beyond FILE.qo3 (the samples and logbook entries\n"
              "        of a recording that ended without its last save) and saves FILE.qo3; the journal of\n"
              "        another recording is saved as FILE.recovered.qo3 instead, and FILE.qo3 is left alone",
              RunRecover});

}  // namespace
}  // namespace qor::cli
