#include "data/document_journal.h"

#include "common/text.h"
#include "data/archive.h"
#include "data/document_file.h"
#include "data/document_texts.h"
#include "data/qor_doc.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qor::data {
namespace {

constexpr TextPair kJournalFailedLog = {
    "Journal kann nicht geschrieben werden (%s: %s); die Messwerte bleiben im Speicher",
    "The journal cannot be written (%s: %s); the samples stay in memory"};
constexpr TextPair kJournalMovedLog = {
    "Das Journal %s ist mit seinem Ordner verschwunden: es wird in %s fortgesetzt",
    "The journal %s went with its folder: it continues in %s"};
constexpr TextPair kFolderReadOnly = {"Der Ordner %s ist schreibgeschützt: %s kann nicht angelegt werden",
                                      "The folder %s is read-only: %s cannot be created"};
constexpr TextPair kFileHolds = {"%s enthält die Messwerte 1 bis %zu", "%s holds samples 1 to %zu"};
constexpr TextPair kFileHoldsNone = {"%s enthält keinen Messwert", "%s holds no sample"};
constexpr TextPair kJournalHolds = {"; das Journal %s enthält die Messwerte %zu bis %zu",
                                    "; the journal %s holds samples %zu to %zu"};
constexpr TextPair kJournalHoldsNone = {"; das Journal %s enthält keine weiteren",
                                        "; the journal %s holds no more"};
constexpr TextPair kNoJournal = {"; es gibt kein Journal", "; there is no journal"};
constexpr TextPair kLost = {
    "; die Messwerte %zu bis %zu (%zu von %zu) wurden nirgends geschrieben und sind verloren",
    "; samples %zu to %zu (%zu of %zu) were written nowhere and are lost"};
constexpr TextPair kNoneLost = {"; kein Messwert ging verloren", "; no sample was lost"};
constexpr TextPair kPotLost = {"; %zu Potentiostat-Messwerte und %zu Impedanzpunkte sind verloren",
                               "; %zu potentiostat samples and %zu impedance points are lost"};
constexpr TextPair kLogLost = {"; diese Logbucheinträge sind verloren:\n%s",
                               "; these logbook lines are lost:\n%s"};
constexpr const char* kUnboundJournal = "unsaved.qo3.journal";

template <class T> std::vector<std::uint8_t> RecordBytes(const T& record)
{
    std::vector<std::uint8_t> out;
    Archive ar = Archive::Store(out);
    T copy = record;  // Serialize serves loading too, so it is not const
    copy.Serialize(ar);
    ar.Flush();
    return out;
}

}  // namespace

DocumentJournal::DocumentJournal(CQORDoc& doc, Clock& clock, Logbook& logbook)
    : m_doc(doc), m_clock(clock), m_logbook(logbook)
{
}

std::string DocumentJournal::Path() const
{
    if (!m_doc.FileBound() || m_doc.Imported() || m_doc.Path().empty())
        return m_folder.empty() ? std::string() : m_folder + "/" + kUnboundJournal;
    return PathFor(m_doc.Path());
}

std::string DocumentJournal::PathFor(const std::string& path) const
{
    // A folder that takes no new file (its document is saved in place): the journal goes to
    // the configuration folder, named after the whole path.
    if (m_folder.empty() || ::access(FolderOf(path).c_str(), W_OK) == 0 ||
        (errno != EACCES && errno != EROFS))
        return path + ".journal";
    return ConfigPathFor(path);
}

std::string DocumentJournal::ConfigPathFor(const std::string& path) const
{
    if (m_folder.empty())
        return {};
    std::error_code ec;
    std::string name = std::filesystem::absolute(path, ec).string();
    std::replace(name.begin(), name.end(), '/', '%');
    return m_folder + "/" + name + ".journal";
}

std::string DocumentJournal::ExistingFor(const std::string& path) const
{
    std::string journal = PathFor(path);
    std::string moved = ConfigPathFor(path);
    std::error_code ec;
    if (!std::filesystem::exists(journal, ec) && !moved.empty() && std::filesystem::exists(moved, ec))
        return moved;
    return journal;
}

std::string DocumentJournal::InPlaceCopyFor(const std::string& path) const
{
    const std::string journal = ConfigPathFor(path);
    return journal.empty() ? journal : journal.substr(0, journal.size() - 8) + ".saving";
}

bool DocumentJournal::Start(std::string& reason)
{
    const std::string journal = Path();
    if (journal.empty())
        return true;
    const std::string folder = FolderOf(journal);
    std::error_code ec;
    const bool beside = journal == m_doc.Path() + ".journal";
    if (!beside)
        std::filesystem::create_directories(folder, ec);
    // A document that can only be written in place must be there and writable.
    if (m_doc.FileBound() && !m_doc.Imported() && !beside && ::access(m_doc.Path().c_str(), W_OK) != 0) {
        if (errno == ENOENT)
            reason = Format(kFolderReadOnly[m_doc.Language()], FolderOf(m_doc.Path()).c_str(),
                            m_doc.Path().c_str());
        else
            reason = m_doc.Path() + ": " +
                     (errno == EACCES ? doctext::kReadOnlyFile[m_doc.Language()]
                                      : FileErrorText(errno, {}, m_doc.Language()));
        return false;
    }
    // The folder must take new files: the saves write one and rename it.
    std::string probe = folder + "/.qor-probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        reason = folder + ": " + FileErrorText(errno, {}, m_doc.Language());
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    if (m_journal.IsOpen() && m_journal.Path() == journal) {
        // Recording again: the journal goes on, with the setup of this recording.
        if (WriteSetup())
            return true;
        reason = journal + ": " + FileErrorText(m_journal.Error(), {}, m_doc.Language());
        return false;
    }
    // A journal this program cannot read (a newer version) is not emptied.
    JournalContents found;
    if (std::string error; !ReadJournal(journal, found, error)) {
        reason = journal + ": " + error;
        return false;
    }
    if (!m_journal.Open(journal, m_doc.Id())) {
        reason = journal + ": " + FileErrorText(m_journal.Error(), {}, m_doc.Language());
        return false;
    }
    m_journalled = m_saved;
    m_failureLogged = false;
    if (!WriteSetup()) {
        reason = journal + ": " + FileErrorText(m_journal.Error(), {}, m_doc.Language());
        m_journal.Close(true);
        return false;
    }
    Update();
    return true;
}

bool DocumentJournal::WriteSetup()
{
    std::vector<std::uint8_t> bytes;
    Archive ar = Archive::Store(bytes);
    // Serialising changes nothing when storing; copies keep the document const here.
    CGrafikSetup setup = m_doc.GrafikSetup();
    CGrafikSetupVirtuell virtuell = m_doc.Virtuell();
    setup.Serialize(ar);
    virtuell.Serialize(ar);
    ar.Flush();
    return m_journal.Append(JournalKind::Setup, bytes);
}

void DocumentJournal::Update()
{
    if (!m_journal.IsOpen())
        return;
    // Whatever is not journalled yet goes now, also what a full disk held back before.
    Marks& j = m_journalled;
    bool ok = true;
    const auto journalList = [&](JournalKind kind, auto& list, std::size_t& mark) {
        while (ok && mark < list.size()) {
            const auto b = RecordBytes(list[mark]);
            ok = m_journal.Append(kind, static_cast<std::uint32_t>(mark), b.data(), b.size());
            mark += ok ? 1 : 0;
        }
    };
    journalList(JournalKind::Sample, m_doc.Samples(), j.samples);
    journalList(JournalKind::Pot, m_doc.Pot(), j.pot);
    journalList(JournalKind::Eis, m_doc.Eis(), j.eis);
    const std::string& log = m_logbook.m_text;
    if (ok && j.logbook < log.size()) {
        ok = m_journal.Append(JournalKind::Logbook, static_cast<std::uint32_t>(j.logbook),
                              log.data() + j.logbook, log.size() - j.logbook);
        if (ok)
            j.logbook = log.size();
    }
    if (!ok)
        return Failed();
    m_failureLogged = false;
    // At most once a second on the device; the poll cycle syncs what is left.
    if (m_clock.TickMs() - m_lastSyncMs >= 1000)
        Sync();
}

void DocumentJournal::Sync()
{
    if (m_journal.IsOpen() && !m_journal.StillThere())
        Relocate();
    // What a full disk held back goes as soon as there is room.
    const Marks& j = m_journalled;
    if (m_journal.IsOpen() && (j.samples < m_doc.Samples().size() || j.pot < m_doc.Pot().size() ||
                               j.eis < m_doc.Eis().size() || j.logbook < m_logbook.m_text.size()))
        Update();
    if (!m_journal.Dirty())
        return;
    m_lastSyncMs = m_clock.TickMs();
    if (!m_journal.Sync())
        Failed();
}

std::string DocumentJournal::UnsavedReport() const
{
    const int l = m_doc.Language();
    const std::size_t total = m_doc.Samples().size(), inFile = std::min(m_saved.samples, total);
    const bool journal = m_journal.IsOpen();
    const Marks& kept = journal ? m_journalled : m_saved;
    std::string text = inFile ? Format(kFileHolds[l], m_doc.Path().c_str(), inFile)
                              : Format(kFileHoldsNone[l], m_doc.Path().c_str());
    if (!journal)
        text += kNoJournal[l];
    else if (kept.samples > inFile)
        text += Format(kJournalHolds[l], m_journal.Path().c_str(), inFile + 1, kept.samples);
    else
        text += Format(kJournalHoldsNone[l], m_journal.Path().c_str());
    if (kept.samples < total)
        text += Format(kLost[l], kept.samples + 1, total, total - kept.samples, total);
    else
        text += kNoneLost[l];
    if (kept.pot < m_doc.Pot().size() || kept.eis < m_doc.Eis().size())
        text += Format(kPotLost[l], m_doc.Pot().size() - kept.pot, m_doc.Eis().size() - kept.eis);
    if (kept.logbook < m_logbook.m_text.size())
        text += Format(kLogLost[l], m_logbook.m_text.c_str() + kept.logbook);
    return text;
}

void DocumentJournal::Relocate()
{
    const std::string gone = m_journal.Path();
    const std::string target = m_doc.FileBound() && !m_doc.Imported() && !m_doc.Path().empty()
                                   ? ConfigPathFor(m_doc.Path())
                                   : Path();
    m_journal.Close(false);
    struct stat st {};
    // The document file went with the folder: the journal takes the whole recording again.
    if (m_doc.FileBound() && ::stat(m_doc.Path().c_str(), &st) != 0)
        m_saved = {};
    m_journalled = m_saved;
    std::error_code ec;
    if (!target.empty())
        std::filesystem::create_directories(FolderOf(target), ec);
    if (target.empty() || !m_journal.Open(target, m_doc.Id()) || !WriteSetup()) {
        m_journal.Close(false);
        m_failureLogged = true;
        m_doc.AddLogbookEntry(
            Format(kJournalFailedLog[m_doc.Language()], (target.empty() ? gone : target).c_str(),
                   FileErrorText(target.empty() ? ENOENT : m_journal.Error(), {}, m_doc.Language()).c_str()));
        return;
    }
    m_doc.AddLogbookEntry(Format(kJournalMovedLog[m_doc.Language()], gone.c_str(), target.c_str()));
}

void DocumentJournal::Failed()
{
    if (m_failureLogged)
        return;
    m_failureLogged = true;
    m_doc.AddLogbookEntry(Format(kJournalFailedLog[m_doc.Language()], m_journal.Path().c_str(),
                                 FileErrorText(m_journal.Error(), {}, m_doc.Language()).c_str()));
}

void DocumentJournal::MarkSaved(const std::string& path, std::size_t logbook)
{
    m_saved = {m_doc.Samples().size(), m_doc.Pot().size(), m_doc.Eis().size(), logbook};
    m_journalled = m_saved;
    if (!m_journal.IsOpen())
        return;
    // The file holds everything now: the journal starts again (beside the new name after a
    // Save As).
    const std::string journal = PathFor(path);
    bool ok = true;
    if (m_journal.Path() != journal || m_journal.Id() != m_doc.Id()) {
        m_journal.Close(m_journal.Path() != journal);
        ok = m_journal.Open(journal, m_doc.Id());
    } else {
        ok = m_journal.Truncate();
    }
    if (!(ok && WriteSetup()))
        Failed();
}

void DocumentJournal::Forget()
{
    Drop();
    m_saved = m_journalled = {};
}

}  // namespace qor::data
