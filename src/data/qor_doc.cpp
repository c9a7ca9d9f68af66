#include "data/qor_doc.h"

#include "catalogue/catalogue.h"
#include "common/text.h"
#include "data/archive.h"
#include "data/local_time.h"
#include "data/record_list.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace qor::data {
namespace {

constexpr TextPair kWrongType = {"Falscher Dateityp!", "Wrong file type."};
constexpr TextPair kSaveTitle = {"Speichern", "Save"};
constexpr TextPair kSaveText = {"Datei wurde geändert! Sollen die Daten gespeichert werden?",
                                "File is changed! Save the changed data?"};
constexpr TextPair kReadError = {"Fehler beim Lesen der Datei %s: %s", "Error while reading the file %s: %s"};
constexpr TextPair kWriteError = {"Fehler beim Schreiben der Datei %s: %s",
                                  "Error while writing the file %s: %s"};
constexpr TextPair kNoPotentiostat = {"Kein Potentiostatenmodul vorhanden bzw. keine Aufzeichnung läuft!",
                                      "No potentiostat module available or no data record was started!"};
constexpr TextPair kNoSpace = {"kein Platz mehr auf dem Datenträger", "no space left on the device"};
constexpr TextPair kReadOnlyFile = {"schreibgeschützte Datei", "the file is read-only"};
constexpr TextPair kReadOnlyAsk = {"Die Datei %s ist schreibgeschützt. Soll sie trotzdem ersetzt werden?",
                                   "The file %s is read-only. Replace it anyway?"};
constexpr TextPair kSaveFailedLog = {
    "Speichern fehlgeschlagen (%s: %s); die Messwerte bleiben im Speicher und im Journal, neuer Versuch beim "
    "nächsten Speichern",
    "Save failed (%s: %s); the samples stay in memory and in the journal, retrying at the next save"};
constexpr TextPair kJournalFailedLog = {
    "Journal kann nicht geschrieben werden (%s: %s); die Messwerte bleiben im Speicher",
    "The journal cannot be written (%s: %s); the samples stay in memory"};
constexpr TextPair kInPlaceLog = {
    "Der Ordner von %s nimmt keine neue Datei an: die Datei wird direkt überschrieben",
    "The folder of %s takes no new file: the file is written in place"};
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
constexpr TextPair kSaveFinishedLog = {"Ein unterbrochenes Speichern von %s wurde aus %s abgeschlossen",
                                       "An interrupted save of %s was completed from %s"};
constexpr const char* kTempSuffix = ".qo3tmp";
// After section 10, where readers of older versions ignore it: the recording's identity.
constexpr std::uint8_t kIdMarker[4] = {'Q', 'O', 'I', 'D'};
constexpr const char* kUnboundJournal = "unsaved.qo3.journal";
constexpr const char* kOpenFilter = "QOR (*.qo3)|*.qo3|QOR (*.tx3)|*.tx3|Alle Dateien (*.*)|*.*||";
constexpr const char* kSaveAsFilter = "QOR (*.qo3)|*.qo3|Alle Dateien (*.*)|*.*||";
constexpr const char* kImportFilter =
    "QOremote (*.qrv)|*.qrv|Tabellen (*.xrv)|*.xrv|Alle Dateien (*.*)|*.*||";

std::string LowerExtension(const std::string& path)
{
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

std::string SystemError()
{
    return std::strerror(errno);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

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

template <class T> std::vector<std::uint8_t> RecordBytes(T& record)
{
    std::vector<std::uint8_t> out;
    Archive ar = Archive::Store(out);
    record.Serialize(ar);
    ar.Flush();
    return out;
}

// Writes the document through `f`, flushed to the device.
IoResult WriteThrough(std::FILE* f, CQORDoc& doc)
{
    IoResult r;
    errno = 0;
    try {
        Archive ar = Archive::Store(f);
        doc.Serialize(ar, Layout::Qo3);
        ar.Flush();
        if (::fsync(::fileno(f)) != 0)
            r = {false, SystemError(), errno};
    } catch (const ArchiveError& e) {
        r = {false, e.what(), errno};
    } catch (const std::bad_alloc&) {
        r = {false, "out of memory", ENOMEM};
    }
    return r;
}

}  // namespace

CQORDoc::CQORDoc(Clock& clock, Logbook& logbook, DocumentUi& ui)
    : m_virtuell(std::make_unique<CGrafikSetupVirtuell>()), m_clock(clock), m_logbook(logbook), m_ui(ui)
{
    for (std::size_t i = 0; i < m_slave.size(); ++i)
        m_slave[i].m_address = static_cast<std::uint8_t>(i);
}

CQORDoc::~CQORDoc() = default;

void CQORDoc::OnNewDocument(int language)
{
    m_language = language == 1 ? 1 : 0;
    m_modified = false;
}

void CQORDoc::AddSample(int noRecord)
{
    m_modified = true;
    if (noRecord == 1)
        return;
    AddSampleAt(m_clock.Now(), true);
}

void CQORDoc::AddSampleAt(std::int64_t time, bool measured)
{
    m_modified = true;
    CDatenObject& s = m_samples.emplace_back();
    for (std::size_t i = 0; i < 16; ++i) {
        if (!measured) {
            s.m_value[i] = s.m_value2[i] = s.m_temperature[i] = std::numeric_limits<float>::quiet_NaN();
            continue;
        }
        const auto& slave = m_slave[i];
        const float factor = catalogue::DescribeModule(slave).factor;
        s.m_value[i] = static_cast<float>(factor * slave.m_value1);
        s.m_value2[i] = static_cast<float>(slave.m_value2);
        s.m_temperature[i] = static_cast<float>(slave.m_value3);
    }
    s.m_time = time;
    m_lastSampleTime = s.m_time;
    ++m_grafikSetup.m_sampleCount;
    UpdateJournal();
    m_ui.SamplesAdded();
    for (SampleListener* l : std::vector<SampleListener*>(m_sampleListeners))
        l->OnSampleStored(*this, m_samples.size() - 1);
}

void CQORDoc::AppendSample(const CDatenObject& sample)
{
    m_samples.push_back(sample);
    m_ui.SamplesAdded();
    for (SampleListener* l : std::vector<SampleListener*>(m_sampleListeners))
        l->OnSampleStored(*this, m_samples.size() - 1);
}

void CQORDoc::AddSampleListener(SampleListener* listener)
{
    if (listener &&
        std::find(m_sampleListeners.begin(), m_sampleListeners.end(), listener) == m_sampleListeners.end())
        m_sampleListeners.push_back(listener);
}

void CQORDoc::RemoveSampleListener(SampleListener* listener)
{
    std::erase(m_sampleListeners, listener);
}

void CQORDoc::SetGrafikSetup(const CGrafikSetup& setup, const CGrafikSetupVirtuell* virtuell)
{
    m_grafikSetup = setup;
    if (virtuell)
        *m_virtuell = *virtuell;
    m_ui.SetupChanged();
}

void CQORDoc::SetRecordingInterval(int hours, int minutes, int seconds)
{
    m_grafikSetup.SetInterval(hours, minutes, seconds);
}

void CQORDoc::SetGraphProp(const CGraphPropObject& props)
{
    m_graphProp = props;
}

void CQORDoc::SetLabels(std::vector<CStringDatenObject> labels)
{
    m_labels = std::move(labels);
}

void CQORDoc::AddPotData(int kind, const std::uint8_t* block, std::size_t size)
{
    if (!m_potRunning || !block)
        return;
    if (kind == 1 && size >= CPotQORDatenObject::kBlockSize) {
        m_pot.push_back(CPotQORDatenObject::FromBlock(block, m_clock.Now()));
        UpdateJournal();
        m_ui.PotSampleAdded();
    } else if (kind == 2 && size >= CEISDatenObject::kBlockSize) {
        m_eis.push_back(CEISDatenObject::FromBlock(block, m_clock.Now()));
        UpdateJournal();
        m_ui.EisPointAdded();
    }
}

void CQORDoc::AddLogbookEntry(const std::string& text)
{
    m_logbook.Add(m_clock.Now(), text);
    UpdateJournal();
    m_ui.UpdateViews();
    m_modified = true;
}

bool CQORDoc::PeriodicSave()
{
    // An imported document has no .qo3 name yet; its journal keeps the recording meanwhile.
    return !m_fileBound || m_imported || Save(m_path, true);
}

std::string CQORDoc::Reason(int code, const std::string& fallback) const
{
    if (code == ENOSPC || code == EDQUOT)
        return kNoSpace[m_language];
    return code != 0 ? std::string(std::strerror(code)) : fallback;
}

// --------------------------------------------------------------------------------------
// The sample journal

std::string CQORDoc::JournalPath() const
{
    if (!m_fileBound || m_imported || m_path.empty())
        return m_journalFolder.empty() ? std::string() : m_journalFolder + "/" + kUnboundJournal;
    return JournalPathFor(m_path);
}

std::string CQORDoc::JournalPathFor(const std::string& path) const
{
    // A folder that takes no new file (its document is saved in place): the journal goes to
    // the configuration folder, named after the whole path.
    if (m_journalFolder.empty() || ::access(FolderOf(path).c_str(), W_OK) == 0 ||
        (errno != EACCES && errno != EROFS))
        return path + ".journal";
    return ConfigJournalPathFor(path);
}

std::string CQORDoc::ConfigJournalPathFor(const std::string& path) const
{
    if (m_journalFolder.empty())
        return {};
    std::error_code ec;
    std::string name = std::filesystem::absolute(path, ec).string();
    std::replace(name.begin(), name.end(), '/', '%');
    return m_journalFolder + "/" + name + ".journal";
}

std::string CQORDoc::ExistingJournalFor(const std::string& path) const
{
    const std::string journal = JournalPathFor(path);
    const std::string moved = ConfigJournalPathFor(path);
    std::error_code ec;
    if (!std::filesystem::exists(journal, ec) && !moved.empty() && std::filesystem::exists(moved, ec))
        return moved;
    return journal;
}

bool CQORDoc::StartJournal(std::string& reason)
{
    const std::string journal = JournalPath();
    if (journal.empty())
        return true;
    const std::string folder = FolderOf(journal);
    std::error_code ec;
    const bool beside = journal == m_path + ".journal";
    if (!beside)
        std::filesystem::create_directories(folder, ec);
    // A document that can only be written in place must be there and writable.
    if (m_fileBound && !m_imported && !beside && ::access(m_path.c_str(), W_OK) != 0) {
        if (errno == ENOENT)
            reason = Format(kFolderReadOnly[m_language], FolderOf(m_path).c_str(), m_path.c_str());
        else
            reason = m_path + ": " + (errno == EACCES ? kReadOnlyFile[m_language] : Reason(errno, {}));
        return false;
    }
    // The folder must take new files: the saves write one and rename it.
    std::string probe = folder + "/.qor-probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        reason = folder + ": " + Reason(errno, {});
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    if (m_journal.IsOpen() && m_journal.Path() == journal) {
        // Recording again: the journal goes on, with the setup of this recording.
        if (JournalSetup())
            return true;
        reason = journal + ": " + Reason(m_journal.Error(), {});
        return false;
    }
    // A journal this program cannot read (a newer version) is not emptied.
    JournalContents found;
    if (std::string error; !ReadJournal(journal, found, error)) {
        reason = journal + ": " + error;
        return false;
    }
    if (!m_journal.Open(journal, m_id)) {
        reason = journal + ": " + Reason(m_journal.Error(), {});
        return false;
    }
    m_journalled = m_saved;
    m_journalFailureLogged = false;
    if (!JournalSetup()) {
        reason = journal + ": " + Reason(m_journal.Error(), {});
        m_journal.Close(true);
        return false;
    }
    UpdateJournal();
    return true;
}

bool CQORDoc::JournalSetup()
{
    std::vector<std::uint8_t> bytes;
    Archive ar = Archive::Store(bytes);
    m_grafikSetup.Serialize(ar);
    m_virtuell->Serialize(ar);
    ar.Flush();
    return m_journal.Append(JournalKind::Setup, bytes);
}

void CQORDoc::UpdateJournal()
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
    journalList(JournalKind::Sample, m_samples, j.samples);
    journalList(JournalKind::Pot, m_pot, j.pot);
    journalList(JournalKind::Eis, m_eis, j.eis);
    const std::string& log = m_logbook.m_text;
    if (ok && j.logbook < log.size()) {
        ok = m_journal.Append(JournalKind::Logbook, static_cast<std::uint32_t>(j.logbook),
                              log.data() + j.logbook, log.size() - j.logbook);
        if (ok)
            j.logbook = log.size();
    }
    if (!ok)
        return JournalFailed();
    m_journalFailureLogged = false;
    // At most once a second on the device; the poll cycle syncs what is left.
    if (m_clock.TickMs() - m_lastSyncMs >= 1000)
        SyncJournal();
}

void CQORDoc::SyncJournal()
{
    if (m_journal.IsOpen() && !m_journal.StillThere())
        RelocateJournal();
    // What a full disk held back goes as soon as there is room.
    const Marks& j = m_journalled;
    if (m_journal.IsOpen() && (j.samples < m_samples.size() || j.pot < m_pot.size() || j.eis < m_eis.size() ||
                               j.logbook < m_logbook.m_text.size()))
        UpdateJournal();
    if (!m_journal.Dirty())
        return;
    m_lastSyncMs = m_clock.TickMs();
    if (!m_journal.Sync())
        JournalFailed();
}

std::string CQORDoc::UnsavedReport() const
{
    const int l = m_language;
    const std::size_t total = m_samples.size(), inFile = std::min(m_saved.samples, total);
    const bool journal = m_journal.IsOpen();
    const Marks& kept = journal ? m_journalled : m_saved;
    std::string text =
        inFile ? Format(kFileHolds[l], m_path.c_str(), inFile) : Format(kFileHoldsNone[l], m_path.c_str());
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
    if (kept.pot < m_pot.size() || kept.eis < m_eis.size())
        text += Format(kPotLost[l], m_pot.size() - kept.pot, m_eis.size() - kept.eis);
    if (kept.logbook < m_logbook.m_text.size())
        text += Format(kLogLost[l], m_logbook.m_text.c_str() + kept.logbook);
    return text;
}

void CQORDoc::RelocateJournal()
{
    const std::string gone = m_journal.Path();
    const std::string target =
        m_fileBound && !m_imported && !m_path.empty() ? ConfigJournalPathFor(m_path) : JournalPath();
    m_journal.Close(false);
    struct stat st {};
    // The document file went with the folder: the journal takes the whole recording again.
    if (m_fileBound && ::stat(m_path.c_str(), &st) != 0)
        m_saved = {};
    m_journalled = m_saved;
    std::error_code ec;
    if (!target.empty())
        std::filesystem::create_directories(FolderOf(target), ec);
    if (target.empty() || !m_journal.Open(target, m_id) || !JournalSetup()) {
        m_journal.Close(false);
        m_journalFailureLogged = true;
        AddLogbookEntry(Format(kJournalFailedLog[m_language], (target.empty() ? gone : target).c_str(),
                               Reason(target.empty() ? ENOENT : m_journal.Error(), {}).c_str()));
        return;
    }
    AddLogbookEntry(Format(kJournalMovedLog[m_language], gone.c_str(), target.c_str()));
}

void CQORDoc::JournalFailed()
{
    if (m_journalFailureLogged)
        return;
    m_journalFailureLogged = true;
    AddLogbookEntry(Format(kJournalFailedLog[m_language], m_journal.Path().c_str(),
                           Reason(m_journal.Error(), {}).c_str()));
}

void CQORDoc::MarkSaved(const std::string& path, std::size_t logbook)
{
    m_saved = {m_samples.size(), m_pot.size(), m_eis.size(), logbook};
    m_journalled = m_saved;
    m_saveFailureLogged = false;
    if (!m_journal.IsOpen())
        return;
    // The file holds everything now: the journal starts again (beside the new name after a
    // Save As).
    const std::string journal = JournalPathFor(path);
    bool ok = true;
    if (m_journal.Path() != journal || m_journal.Id() != m_id) {
        m_journal.Close(m_journal.Path() != journal);
        ok = m_journal.Open(journal, m_id);
    } else {
        ok = m_journal.Truncate();
    }
    if (!(ok && JournalSetup()))
        JournalFailed();
}

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
    const Marks base = r.foreign ? Marks{} : m_saved;
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

void CQORDoc::ApplyJournal(const JournalContents& c, std::size_t samples, std::size_t pot, std::size_t eis,
                           std::size_t logbook)
{
    if (!c.setup.empty()) {
        const std::uint32_t count = m_grafikSetup.m_sampleCount;
        try {
            Archive ar = Archive::Load(c.setup.data(), c.setup.size());
            m_grafikSetup.Serialize(ar);
            m_virtuell->Serialize(ar);
        } catch (const ArchiveError&) {
            // Whole entries only reach here; one of an unknown shape leaves the file's setup.
        }
        m_grafikSetup.m_sampleCount = count;
    }
    for (const auto& s : c.samples)
        if (s.index >= samples) {
            m_samples.push_back(s.record);
            ++m_grafikSetup.m_sampleCount;
        }
    for (const auto& p : c.pot)
        if (p.index >= pot)
            m_pot.push_back(p.record);
    for (const auto& e : c.eis)
        if (e.index >= eis)
            m_eis.push_back(e.record);
    for (const auto& l : c.logbook)
        if (l.index >= logbook)
            m_logbook.m_text += l.record;
    m_logbook.m_changed = true;
    if (!m_samples.empty())
        m_lastSampleTime = m_samples.back().m_time;
    m_ui.SetupChanged();
    m_ui.SamplesAdded();
}

bool CQORDoc::Recover(Recovery& r)
{
    const JournalContents& c = r.contents;
    // Damaged entries may hold what no other copy holds: that journal is kept, out of the way.
    const std::string aside = c.damaged != 0 ? FreeName(r.journal + ".damaged", "") : std::string();
    const auto settle = [&] {
        std::error_code ec;
        if (m_journal.Path() == r.journal)
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
                Format(kWriteError[m_language], target.c_str(), Reason(w.code, w.error).c_str()));
            return false;
        }
        r.savedAs = target;
        settle();
        return true;
    }
    // A journal holds everything since the file was last written; what the file holds
    // already (a save that ended before its journal was emptied) is not taken twice.
    ApplyJournal(c, m_saved.samples, m_saved.pot, m_saved.eis, m_saved.logbook);
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

void CQORDoc::RemoveSaveLeftovers(const std::string& path)
{
    namespace fs = std::filesystem;
    const std::string name = fs::path(path).filename().string() + ".";
    const std::size_t length = name.size() + 6 + std::strlen(kTempSuffix);
    std::error_code ec;
    for (fs::directory_iterator it(FolderOf(path), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = it->path().filename().string();
        if (n.size() == length && n.compare(0, name.size(), name) == 0 &&
            n.compare(n.size() - std::strlen(kTempSuffix), std::string::npos, kTempSuffix) == 0)
            fs::remove(it->path(), ec);
    }
}

std::optional<Layout> CQORDoc::LayoutOf(const std::string& path)
{
    const std::string ext = LowerExtension(path);
    if (ext == "qo3")
        return Layout::Qo3;
    if (ext == "qrv")
        return Layout::Qrv;
    if (ext == "xrv")
        return Layout::Xrv;
    return std::nullopt;
}

void CQORDoc::ClearContents()
{
    // The journal belongs to the contents: they were saved or given up by now.
    DropJournal();
    m_id = NewRecordingId();
    m_saved = m_journalled = {};
    m_logBuch.m_text.clear();
    m_samples.clear();
    m_oldPot.clear();
    m_pot.clear();
    m_eis.clear();
    m_labels.clear();
    m_spare.clear();
    m_grafikSetup.m_show1.fill(0);
    m_grafikSetup.m_show2.fill(0);
    m_grafikSetup.m_show3.fill(0);
    m_grafikSetup.m_moduleType.fill(0);
    m_ui.SetupChanged();
}

void CQORDoc::Serialize(Archive& ar, Layout layout)
{
    const bool legacy = layout == Layout::Xrv;
    m_grafikSetup.m_legacyFormat = legacy;
    m_virtuell->m_legacyFormat = legacy;
    m_logBuch.m_text = m_logbook.m_text;
    m_logbookRead = false;
    if (ar.IsStoring() || layout == Layout::Qo3 || layout == Layout::Qrv) {
        SerializeList(ar, m_samples, kSampleList);
        m_grafikSetup.Serialize(ar);
        m_virtuell->Serialize(ar);
        m_logBuch.Serialize(ar);
        m_logbookRead = ar.IsLoading();
        m_graphProp.Serialize(ar);
        SerializeList(ar, m_oldPot, kOldPotList);
        if (ar.IsStoring() || layout == Layout::Qo3) {
            SerializeList(ar, m_pot, kPotList);
            SerializeList(ar, m_eis, kEisList);
        }
        SerializeList(ar, m_labels, kLabelList);
        SerializeAnyList(ar, m_spare, kSpareList);
        SerializeId(ar, layout);
    } else {
        m_id = {};
        m_grafikSetup.Serialize(ar);
        m_virtuell->Serialize(ar);
        SerializeList(ar, m_samples, kSampleList);
        m_logBuch.Serialize(ar);
        m_logbookRead = true;
        m_graphProp.Serialize(ar);
    }
    m_grafikSetup.m_legacyFormat = false;
    m_virtuell->m_legacyFormat = false;
}

void CQORDoc::SerializeId(Archive& ar, Layout layout)
{
    if (ar.IsStoring()) {
        // A document of an older file keeps none, so that its journal still matches it.
        if (IsSet(m_id)) {
            ar.Write(kIdMarker, sizeof kIdMarker);
            ar.Write(m_id.data(), m_id.size());
        }
        return;
    }
    m_id = {};
    if (layout != Layout::Qo3 || ar.Remaining() != sizeof kIdMarker + m_id.size())
        return;
    const std::uint8_t* p = ar.Take(sizeof kIdMarker + m_id.size());
    if (std::memcmp(p, kIdMarker, sizeof kIdMarker) == 0)
        std::memcpy(m_id.data(), p + sizeof kIdMarker, m_id.size());
}

IoResult CQORDoc::ReadFile(const std::string& path, Layout layout)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {false, SystemError()};
    IoResult r;
    struct stat st {};
    if (::fstat(::fileno(f), &st) == 0 && st.st_size == 0) {
        std::fclose(f);  // an empty file is an empty document
        return r;
    }
    try {
        Archive ar = Archive::Load(f);
        try {
            Serialize(ar, layout);
        } catch (...) {
            m_fileVersion = ar.FileVersion();
            throw;
        }
        m_fileVersion = ar.FileVersion();
    } catch (const ArchiveError& e) {
        r = {false, e.what()};
    } catch (const std::bad_alloc&) {
        r = {false, "out of memory"};
    }
    std::fclose(f);
    m_grafikSetup.m_legacyFormat = false;
    m_virtuell->m_legacyFormat = false;
    if (m_logbookRead)
        m_logbook.MergeLoaded(m_logBuch.m_text);
    return r;
}

IoResult CQORDoc::WriteFile(const std::string& bound)
{
    // A link stays a link: the file it points to is the one replaced.
    std::error_code ec;
    std::string path = bound;
    if (std::filesystem::is_symlink(bound, ec)) {
        auto target = std::filesystem::weakly_canonical(bound, ec);
        if (!ec)
            path = target.string();
    }
    RemoveSaveLeftovers(path);
    std::string tmp = path + ".XXXXXX" + kTempSuffix;
    int fd = ::mkstemps(tmp.data(), static_cast<int>(std::strlen(kTempSuffix)));
    const int why = errno;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (fd < 0) {
        // A folder that refuses new names, with a file that may be written: in place, flushed.
        // Not on a full disk, where the file would be left half overwritten.
        const bool refused = why == EACCES || why == EPERM || why == EROFS;
        if (!exists || !refused || ::access(path.c_str(), W_OK) != 0)
            return {false, std::strerror(why), why};
        // A save cut short would leave the file half old, half new: a whole copy goes to the
        // configuration folder first, and a save found interrupted is finished from it.
        const std::string copy = InPlaceCopyFor(path);
        if (!copy.empty()) {
            std::error_code ec;
            std::filesystem::create_directories(FolderOf(copy), ec);
            if (IoResult c = WriteFile(copy); !c.ok)
                return c;
        }
        const int in = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        std::FILE* f = in >= 0 ? ::fdopen(in, "wb") : nullptr;
        if (!f) {
            IoResult r{false, SystemError(), errno};
            if (in >= 0)
                ::close(in);
            if (!copy.empty())
                ::unlink(copy.c_str());  // the file was not touched
            return r;
        }
        IoResult r = WriteThrough(f, *this);
        if (r.ok && (::ftruncate(in, ::ftello(f)) != 0 || ::fsync(in) != 0))
            r = {false, SystemError(), errno};
        std::fclose(f);
        if (r.ok && !copy.empty())
            ::unlink(copy.c_str());
        r.inPlace = true;
        return r;
    }
    // The new file gets the old one's permissions, or the usual ones for a new file.
    if (exists) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        IoResult r{false, SystemError(), errno};
        ::close(fd);
        ::unlink(tmp.c_str());
        return r;
    }
    IoResult r = WriteThrough(f, *this);
    if (std::fclose(f) != 0 && r.ok)
        r = {false, SystemError(), errno};
    // The data reached the disk before the rename, so a crash leaves either the old file
    // or the whole new one; the folder is flushed so that the rename survives a power cut.
    if (r.ok && std::rename(tmp.c_str(), path.c_str()) != 0)
        r = {false, SystemError(), errno};
    if (!r.ok) {
        ::unlink(tmp.c_str());
    } else {
        SyncFolderOf(path);
        // A whole new file: a copy of an earlier interrupted save in place is older than it.
        if (const std::string copy = InPlaceCopyFor(path); !copy.empty())
            ::unlink(copy.c_str());
    }
    return r;
}

std::string CQORDoc::InPlaceCopyFor(const std::string& path) const
{
    const std::string journal = ConfigJournalPathFor(path);
    return journal.empty() ? journal : journal.substr(0, journal.size() - 8) + ".saving";
}

void CQORDoc::FinishInterruptedSave(const std::string& path)
{
    const std::string copy = InPlaceCopyFor(path);
    std::error_code ec;
    if (copy.empty() || !std::filesystem::exists(copy, ec))
        return;
    // A file that still reads as a document was not cut: the copy is left from a save that
    // never touched the file, or one that a later save replaced, and must not go back over it.
    const auto readsAsDocument = [&](const std::string& file) {
        Logbook scratchLog;
        CQORDoc scratch(m_clock, scratchLog, m_ui);
        return scratch.ReadFile(file, Layout::Qo3).ok;
    };
    if (readsAsDocument(path)) {
        ::unlink(copy.c_str());
        return;
    }
    // The copy was whole before the file was touched; the file itself may be cut anywhere.
    // A copy that cannot be read whole, or is no document, is never written over the file.
    std::vector<std::uint8_t> bytes;
    {
        std::FILE* in = std::fopen(copy.c_str(), "rb");
        if (!in)
            return;
        std::uint8_t buf[65536];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;)
            bytes.insert(bytes.end(), buf, buf + n);
        const bool whole = !std::ferror(in);
        std::fclose(in);
        if (!whole || bytes.empty() || !readsAsDocument(copy))
            return;
    }
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (out < 0)
        return;
    bool ok = true;
    for (std::size_t at = 0; ok && at < bytes.size();) {
        const ssize_t n = ::pwrite(out, bytes.data() + at, bytes.size() - at, static_cast<off_t>(at));
        ok = n > 0;
        at += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::ftruncate(out, static_cast<off_t>(bytes.size())) == 0 && ::fsync(out) == 0;
    ::close(out);
    if (ok) {
        ::unlink(copy.c_str());
        AddLogbookEntry(Format(kSaveFinishedLog[m_language], path.c_str(), copy.c_str()));
    }
}

bool CQORDoc::Save(const std::string& path, bool periodic)
{
    const auto fail = [&](const std::string& reason) {
        if (!periodic) {
            m_ui.ShowMessage(Format(kWriteError[m_language], path.c_str(), reason.c_str()));
        } else if (!m_saveFailureLogged) {
            // Told once: the next intervals retry without filling the logbook.
            m_saveFailureLogged = true;
            AddLogbookEntry(Format(kSaveFailedLog[m_language], path.c_str(), reason.c_str()));
        }
        return false;
    };
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0 &&
        (periodic || !m_ui.AskReplaceReadOnly(Format(kReadOnlyAsk[m_language], path.c_str()))))
        return fail(kReadOnlyFile[m_language]);
    m_ui.CollectGraph(m_graphProp, m_labels);
    IoResult r = WriteFile(path);
    if (!r.ok)
        return fail(Reason(r.code, r.error));
    if (r.inPlace && !m_inPlaceLogged) {
        m_inPlaceLogged = true;
        AddLogbookEntry(Format(kInPlaceLog[m_language], path.c_str()));
    }
    m_modified = false;
    MarkSaved(path, m_logBuch.m_text.size());
    return true;
}

bool CQORDoc::SaveAsChosen()
{
    auto path = m_ui.ChooseFile(FileDialog::SaveAs, "qo3", kSaveAsFilter);
    if (!path || !Save(*path))
        return false;
    m_path = *path;
    m_fileBound = true;
    m_imported = false;
    m_ui.SetTitle(m_path);
    return true;
}

bool CQORDoc::SaveBound()
{
    return m_imported ? SaveAsChosen() : Save(m_path);
}

bool CQORDoc::OnFileSave()
{
    return m_fileBound && SaveBound();
}

void CQORDoc::OnFileSaveAs()
{
    if (m_fileBound)
        SaveAsChosen();
}

bool CQORDoc::AfterRead(const std::string& path, const IoResult& r, Layout layout)
{
    m_modified = false;
    if (!r.ok) {
        // What was read stays to be looked at, but the file is not bound: a Save must
        // not replace it with the part that could be read.
        m_ui.ShowMessage(Format(kReadError[m_language], path.c_str(), r.error.c_str()));
        if (!m_fileBound)
            m_ui.SetTitle("");
        m_ui.FileRead(m_labels);
        return false;
    }
    // Recorded modules that are absent now keep their type for display.
    for (std::size_t i = 0; i < 16; ++i)
        if (!m_slave[i].m_enabled)
            m_slave[i].m_type = m_grafikSetup.m_moduleType[i];
    m_path = path;
    m_fileBound = true;
    // An imported file keeps its layout: the first Save asks for a .qo3 name.
    m_imported = layout != Layout::Qo3;
    MarkSaved(path, m_logBuch.m_text.size());
    AddLogbookEntry(FileLoadedText(path, m_language));
    m_modified = false;  // a document just read holds nothing to save yet
    m_ui.SetTitle(path);
    m_ui.FileRead(m_labels);
    if (!m_imported) {
        RemoveSaveLeftovers(path);
        OfferRecovery();
    }
    return true;
}

bool CQORDoc::OpenFile(const std::string& path, Layout layout)
{
    if (!PromptSave())
        return false;
    ClearContents();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        // A new name: the document is bound to a new, empty file.
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            m_ui.ShowMessage(Format(kWriteError[m_language], path.c_str(), SystemError().c_str()));
            return false;
        }
        std::fclose(f);
        st.st_size = 0;
    }
    if (layout == Layout::Qo3) {
        FinishInterruptedSave(path);
        ::stat(path.c_str(), &st);
    }
    IoResult r;
    if (st.st_size != 0)
        r = ReadFile(path, layout);
    return AfterRead(path, r, layout);
}

void CQORDoc::OnFileOpen()
{
    if (m_fileBound)
        return;
    auto path = m_ui.ChooseFile(FileDialog::Open, "qo3", kOpenFilter);
    if (!path)
        return;
    const std::string ext = LowerExtension(*path);
    if (ext == "tx3") {
        m_ui.OpenDataLogger(*path, m_language);
        return;
    }
    if (ext != "qo3") {
        m_ui.ShowMessage(kWrongType[m_language]);
        return;
    }
    OpenFile(*path, Layout::Qo3);
}

void CQORDoc::OnFileImport()
{
    if (m_fileBound)
        return;
    auto path = m_ui.ChooseFile(FileDialog::Import, "qrv", kImportFilter);
    if (!path)
        return;
    auto layout = LayoutOf(*path);
    if (!layout || *layout == Layout::Qo3) {
        m_ui.ShowMessage(kWrongType[m_language]);
        return;
    }
    OpenFile(*path, *layout);
}

bool CQORDoc::HoldsRecording() const
{
    return !m_samples.empty() || !m_pot.empty() || !m_eis.empty();
}

bool CQORDoc::PromptSave()
{
    // A recording made without a file lives only in memory: it is asked for even though
    // nothing marks it for saving.
    const bool unbound = !m_fileBound;
    if (unbound ? !HoldsRecording() : !m_modified)
        return true;
    int answer = m_ui.AskSave(kSaveTitle[m_language], kSaveText[m_language]);
    if (answer == 2)
        return false;
    if (answer != 1)
        return true;
    if (!unbound)
        return SaveBound();
    auto path = m_ui.ChooseFile(FileDialog::SaveAs, "qo3", kSaveAsFilter);
    return path && Save(*path);
}

void CQORDoc::Unbind()
{
    // A clean close: whatever the journal held was saved or given up by the user.
    DropJournal();
    m_imported = false;
    m_fileBound = false;
    m_boundFileWaiting = false;
    m_path.clear();
    m_ui.ClearGraph();
}

bool CQORDoc::OnFileClose()
{
    if (m_fileBound) {
        if (!PromptSave())
            return false;
        Unbind();
    }
    ClearContents();
    // Curves the setup still asks for (enabled virtual channels) belong to the closed file.
    m_ui.ClearGraph();
    m_ui.SetTitle("");
    m_ui.StopLogging();
    return true;
}

bool CQORDoc::CanCloseFrame()
{
    if (m_fileBound) {
        if (!PromptSave())
            return false;
        Unbind();
    }
    ClearContents();
    m_modified = false;
    return true;
}

bool CQORDoc::OpenByPath(const std::string& path)
{
    if (m_fileBound && !CanCloseFrame())
        return false;
    if (path.find(".qo3") != std::string::npos)
        for (std::size_t i = 0; i < 16; ++i)
            if (!m_slave[i].m_enabled)
                m_slave[i].m_type = m_grafikSetup.m_moduleType[i];
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            m_ui.ShowMessage(Format(kWriteError[m_language], path.c_str(), SystemError().c_str()));
            return false;
        }
        std::fclose(f);
    }
    m_path = path;
    m_fileBound = true;
    m_boundFileWaiting = true;
    m_ui.SetTitle(path);
    return true;
}

bool CQORDoc::ReadBoundFile()
{
    if (!m_fileBound)
        return false;
    m_boundFileWaiting = false;
    const std::string path = m_path;
    ClearContents();
    struct stat st {};
    IoResult r;
    const Layout layout = LayoutOf(path).value_or(Layout::Qo3);
    if (layout == Layout::Qo3)
        FinishInterruptedSave(path);
    if (::stat(path.c_str(), &st) == 0 && st.st_size != 0)
        r = ReadFile(path, layout);
    if (!r.ok)
        Unbind();
    return AfterRead(path, r, layout);
}

void CQORDoc::OnDisplayXyGraph()
{
    if (m_pot.empty()) {
        m_ui.ShowMessage(kNoPotentiostat[m_language]);
        return;
    }
    m_ui.ShowPotGraph();
}

void CQORDoc::OnShowEisGraph()
{
    m_ui.ShowEisGraph();
}

}  // namespace qor::data
