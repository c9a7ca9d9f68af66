#include "common/text.h"
#include "data/document_texts.h"
#include "data/local_time.h"
#include "data/qor_doc.h"

#include <filesystem>
#include <unistd.h>

namespace qor::data {
namespace {

constexpr TextPair kRecoverTitle = {"Wiederherstellen", "Recover"};
constexpr TextPair kRecoverSamples = {
    "Das Journal %s enthält %zu nicht gespeicherte Messwerte vom %s bis %s. Sollen sie dem Dokument angefügt "
    "und gespeichert werden? Nein verwirft das Journal.",
    "The journal %s holds %zu samples from %s to %s that were not saved. Append them to the document and "
    "save it? No discards the journal."};
constexpr TextPair kRecoverOther = {
    "Das Journal %s enthält nicht gespeicherte Logbucheinträge. Sollen sie dem Dokument angefügt und "
    "gespeichert werden? Nein verwirft das Journal.",
    "The journal %s holds logbook entries that were not saved. Append them to the document and save it? No "
    "discards the journal."};
constexpr TextPair kRecoveredLog = {"%zu Messwerte vom %s bis %s aus dem Journal %s wiederhergestellt",
                                    "%zu samples from %s to %s recovered from the journal %s"};
constexpr TextPair kRecoveredOtherLog = {"Logbucheinträge aus dem Journal %s wiederhergestellt",
                                         "Logbook entries recovered from the journal %s"};
constexpr TextPair kRecoverForeign = {
    "Das Journal %s gehört zu einer anderen Aufzeichnung als %s und enthält %zu nicht gespeicherte Messwerte "
    "vom %s bis %s. Sollen sie als eigene Datei %s gespeichert werden? %s bleibt, wie sie ist. Nein verwirft "
    "das Journal.",
    "The journal %s belongs to another recording than %s and holds %zu samples from %s to %s that were not "
    "saved. Save them as a file of their own, %s? %s stays as it is. No discards the journal."};
constexpr TextPair kSavedForeign = {
    "Die Messwerte des Journals %s gehören zu einer anderen Aufzeichnung; sie wurden als %s gespeichert, %s "
    "blieb, wie sie war.",
    "The samples of the journal %s belong to another recording; they were saved as %s, %s was left as it "
    "was."};
constexpr TextPair kDamagedSkipped = {" %zu beschädigte Einträge werden übersprungen.",
                                      " %zu damaged entries are skipped."};
constexpr TextPair kDamagedLog = {
    "%zu beschädigte Einträge im Journal %s übersprungen; das Journal bleibt als %s erhalten",
    "%zu damaged entries in the journal %s skipped; the journal is kept as %s"};

std::string TimeText(std::int64_t t)
{
    const LocalTm l = ToLocal(t);
    return Format("%02d.%02d.%04d %02d:%02d:%02d", l.day, l.month, l.year, l.hour, l.minute, l.second);
}

// A name beside `path` that is not taken: `path` + `suffix`, or with "-2", "-3", ... before it.
std::string FreeName(const std::string& stem, const std::string& suffix)
{
    std::error_code ec;
    std::string name = stem + suffix;
    for (int n = 2; std::filesystem::exists(name, ec) || std::filesystem::is_symlink(name, ec); ++n)
        name = stem + "-" + std::to_string(n) + suffix;
    return name;
}

// A document that only writes a recovered recording to its own file.
struct NoUi : DocumentUi {
    std::optional<std::string> ChooseFile(FileDialog, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 3; }
    void ShowMessage(const std::string&) override {}
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
};

}  // namespace

std::optional<Recovery> CQORDoc::FindRecovery()
{
    Recovery r;
    const bool bound = m_fileBound && !m_imported;
    r.journal = bound ? ExistingJournalFor(m_path) : JournalPath();
    std::error_code ec;
    std::string error;
    // A journal this program cannot read (a newer version) is left alone.
    if (r.journal.empty() || !std::filesystem::exists(r.journal, ec) ||
        !ReadJournal(r.journal, r.contents, error))
        return std::nullopt;
    const JournalContents& c = r.contents;
    if (bound && HoldsRecording()) {
        r.foreign = !c.idKnown || c.id != m_id;
    } else if (c.idKnown && IsSet(c.id)) {
        // A document that holds no recording yet takes the journal's as its own.
        m_id = c.id;
    }
    // A journal of another recording is taken whole; of this one, beyond what the file holds.
    const DocumentJournal::Marks base = r.foreign ? DocumentJournal::Marks{} : m_journal.Saved();
    for (const auto& s : c.samples)
        if (s.index >= base.samples) {
            r.first = r.samples++ ? r.first : s.record.m_time;
            r.last = s.record.m_time;
        }
    r.anything = r.samples != 0;
    for (const auto& p : c.pot)
        r.anything |= p.index >= base.pot;
    for (const auto& e : c.eis)
        r.anything |= e.index >= base.eis;
    for (const auto& l : c.logbook)
        r.anything |= l.index >= base.logbook;
    return r;
}

std::string CQORDoc::RecoveryQuestion(const Recovery& r) const
{
    std::string q;
    if (r.foreign)
        q = Format(kRecoverForeign[m_language], r.journal.c_str(), m_path.c_str(), r.samples,
                   TimeText(r.first).c_str(), TimeText(r.last).c_str(), RecoveredPathFor(m_path).c_str(),
                   m_path.c_str());
    else if (r.samples == 0)
        q = Format(kRecoverOther[m_language], r.journal.c_str());
    else
        q = Format(kRecoverSamples[m_language], r.journal.c_str(), r.samples, TimeText(r.first).c_str(),
                   TimeText(r.last).c_str());
    if (r.contents.damaged != 0)
        q += Format(kDamagedSkipped[m_language], r.contents.damaged);
    return q;
}

std::string CQORDoc::RecoveredPathFor(const std::string& path)
{
    const std::string stem = LowerExtension(path) == "qo3" ? path.substr(0, path.size() - 4) : path;
    return FreeName(stem + ".recovered", ".qo3");
}

bool CQORDoc::Recover(Recovery& r)
{
    const JournalContents& c = r.contents;
    // Damaged entries may hold what no other copy holds: that journal is kept, out of the way.
    const std::string aside = c.damaged != 0 ? FreeName(r.journal + ".damaged", "") : std::string();
    const auto settle = [&] {
        std::error_code ec;
        if (m_journal.OpenPath() == r.journal)
            return;
        if (aside.empty())
            std::filesystem::remove(r.journal, ec);
        else if (std::filesystem::rename(r.journal, aside, ec); !ec)
            r.keptAs = aside;
    };
    const std::string recovered =
        r.samples == 0 ? Format(kRecoveredOtherLog[m_language], r.journal.c_str())
                       : Format(kRecoveredLog[m_language], r.samples, TimeText(r.first).c_str(),
                                TimeText(r.last).c_str(), r.journal.c_str());
    const std::string damaged =
        aside.empty() ? std::string()
                      : Format(kDamagedLog[m_language], c.damaged, r.journal.c_str(), aside.c_str());
    if (!r.anything) {
        settle();
        return true;
    }
    if (r.foreign) {
        // Never spliced into this file: the other recording gets a file of its own.
        NoUi ui;
        Logbook logbook;
        CQORDoc other(m_clock, logbook, ui);
        other.m_language = m_language;
        if (c.idKnown && IsSet(c.id))
            other.m_id = c.id;
        other.ApplyJournal(c, 0, 0, 0, 0);
        other.AddLogbookEntry(recovered);
        if (!damaged.empty())
            other.AddLogbookEntry(damaged);
        const std::string target = RecoveredPathFor(m_path);
        const IoResult w = other.WriteFile(target);
        if (!w.ok) {
            m_ui.ShowMessage(
                Format(doctext::kWriteError[m_language], target.c_str(), Reason(w.code, w.error).c_str()));
            return false;
        }
        r.savedAs = target;
        settle();
        return true;
    }
    // A journal holds everything since the file was last written; what the file holds
    // already (a save that ended before its journal was emptied) is not taken twice.
    const DocumentJournal::Marks& inFile = m_journal.Saved();
    ApplyJournal(c, inFile.samples, inFile.pot, inFile.eis, inFile.logbook);
    AddLogbookEntry(recovered);
    if (!damaged.empty())
        AddLogbookEntry(damaged);
    m_modified = true;
    const bool saved = m_fileBound && !m_imported ? Save(m_path) : SaveAsChosen();
    if (saved)
        settle();
    return saved;
}

void CQORDoc::OfferRecovery()
{
    if (!m_offerRecovery)
        return;
    std::optional<Recovery> r = FindRecovery();
    if (!r)
        return;
    // Nothing beyond the file: nothing to ask, and nothing that may block a recording.
    if (!r->anything) {
        Recover(*r);
        if (!r->keptAs.empty())
            m_ui.ShowMessage(
                Format(kDamagedLog[m_language], r->contents.damaged, r->journal.c_str(), r->keptAs.c_str()));
        return;
    }
    if (!m_ui.AskRecover(kRecoverTitle[m_language], RecoveryQuestion(*r))) {
        ::unlink(r->journal.c_str());
        return;
    }
    if (Recover(*r) && r->foreign)
        m_ui.ShowMessage(
            Format(kSavedForeign[m_language], r->journal.c_str(), r->savedAs.c_str(), m_path.c_str()));
}

}  // namespace qor::data
