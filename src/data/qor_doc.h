#pragma once

#include "common/clock.h"
#include "data/daten_object.h"
#include "data/document_file.h"
#include "data/document_journal.h"
#include "data/document_ui.h"
#include "data/eis_daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/graph_prop_object.h"
#include "data/journal.h"
#include "data/log_buch_object.h"
#include "data/logbook.h"
#include "data/pot_daten_object.h"
#include "data/pot_qor_daten_object.h"
#include "data/sample_listener.h"
#include "data/string_daten_object.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct stat;

namespace qor::data {

class Archive;

// What an uncovered journal holds beyond its document.
struct Recovery {
    std::string journal;  // its path
    JournalContents contents;
    std::size_t samples = 0;  // samples the document does not hold
    std::int64_t first = 0, last = 0;
    bool anything = false;  // anything at all the document does not hold
    // The journal names another recording than the document's file holds: it is recovered
    // into a file of its own, `savedAs`, and the document stays as it is.
    bool foreign = false;
    std::string savedAs;
    // Damaged entries were skipped: the journal is kept under this name.
    std::string keptAs;
};

// The recording as callers see it: what a document file stores and the operations on it.
// Its jobs are parts of their own: the contents here (qor_doc.cpp), reading and writing files
// (document_file), the sample journal (document_journal), recovering a journal
// (document_recovery.cpp) and the commands and prompts that need a user
// (document_commands.cpp).
class CQORDoc {
public:
    CQORDoc(Clock& clock, Logbook& logbook, DocumentUi& ui);
    ~CQORDoc();
    CQORDoc(const CQORDoc&) = delete;
    CQORDoc& operator=(const CQORDoc&) = delete;

    // --- the state of the document, changed only through its operations ---
    // The lists the graphs do not draw, in file order.
    const std::vector<CPotDatenObject>& OldPot() const { return m_oldPot; }
    const std::vector<CPotQORDatenObject>& Pot() const { return m_pot; }
    const std::vector<CEISDatenObject>& Eis() const { return m_eis; }
    const std::vector<std::unique_ptr<CListRecord>>& Spare() const { return m_spare; }
    // Records made elsewhere (a file, a test), appended as they are: no view is told.
    void AppendOldPot(const CPotDatenObject& record) { m_oldPot.push_back(record); }
    void AppendPot(const CPotQORDatenObject& sample) { m_pot.push_back(sample); }
    void AppendEis(const CEISDatenObject& point) { m_eis.push_back(point); }
    void AppendSpare(std::unique_ptr<CListRecord> record) { m_spare.push_back(std::move(record)); }
    // The logbook as the last file read held it.
    const CLogBuchObject& LogBuch() const { return m_logBuch; }

    bool Modified() const { return m_modified; }
    // A change the views made (a curve moved), or a close that leaves the contents unsaved on purpose.
    void SetModified(bool modified) { m_modified = modified; }
    // Bound to a file: Save writes it; the path stays until the document is closed.
    bool FileBound() const { return m_fileBound; }
    const std::string& Path() const { return m_path; }
    // Read from a .qrv/.xrv file: a Save asks for a .qo3 name.
    bool Imported() const { return m_imported; }
    // Bound by path at start-up; ReadBoundFile still to run.
    bool BoundFileWaiting() const { return m_boundFileWaiting; }
    // Binds the document to `path` for a recording that writes it; nothing is read.
    void BindToNewFile(const std::string& path);
    // The station's potentiostat-program-running flag: AddPotData takes records only then.
    bool PotRunning() const { return m_potRunning; }
    void SetPotRunning(bool running) { m_potRunning = running; }
    // 0 German, 1 English: the language of messages, prompts and logbook entries.
    int Language() const { return m_language; }
    void SetLanguage(int language) { m_language = language == 1 ? 1 : 0; }
    // Format version of the last file read.
    int FileVersion() const { return m_fileVersion; }
    std::int64_t LastSampleTime() const { return m_lastSampleTime; }

    // --- what the graphs read and change; each change is told to the views ---
    const std::vector<CDatenObject>& Samples() const { return m_samples; }
    const CGrafikSetup& GrafikSetup() const { return m_grafikSetup; }
    const CGrafikSetupVirtuell& Virtuell() const { return *m_virtuell; }
    const CGraphPropObject& GraphProp() const { return m_graphProp; }
    const std::vector<CStringDatenObject>& Labels() const { return m_labels; }
    // A confirmed graph setup (and the virtual channels with it, when given).
    void SetGrafikSetup(const CGrafikSetup& setup, const CGrafikSetupVirtuell* virtuell = nullptr);
    // The recording interval alone; the graphs do not depend on it.
    void SetRecordingInterval(int hours, int minutes, int seconds);
    // The views keep the curve properties and graph texts they changed here; no notification.
    void SetGraphProp(const CGraphPropObject& props);
    void SetLabels(std::vector<CStringDatenObject> labels);
    // A sample made elsewhere (a conversion, a test), appended as it is: not journalled, not
    // counted in the graph setup.
    void AppendSample(const CDatenObject& sample);
    // Who is told of every sample stored from now on (not of samples read or recovered).
    void AddSampleListener(SampleListener* listener);
    void RemoveSampleListener(SampleListener* listener);

    // --- used by the station ---
    void OnNewDocument(int language);
    // One recorded sample, stamped and filled by the station: it is journalled, counted and
    // the views are told.
    void AddSample(const CDatenObject& sample);
    // Something was measured that the potentiostat lists keep: the document changed.
    void MarkModified() { m_modified = true; }
    // What a block from a running potentiostat holds.
    enum class PotBlock {
        Record = 1,     // a 12-byte potentiostat record
        Impedance = 2,  // an 18-byte impedance result block
    };
    // Ignored unless the potentiostat program runs.
    void AddPotData(PotBlock kind, const std::uint8_t* block, std::size_t size);
    // Appends a logbook entry at the clock's time, marks the document modified, tells the views.
    void AddLogbookEntry(const std::string& text);
    // Timer 3: saves the bound file; true when saved (or nothing bound). A failure is told
    // once in the logbook, not in a message; the journal keeps the samples meanwhile.
    bool PeriodicSave();

    // --- the sample journal (DocumentJournal keeps it) ---
    // Where an unbound or imported document keeps its journal (the configuration folder);
    // empty: such a document keeps none.
    void SetJournalFolder(const std::string& folder) { m_journal.SetFolder(folder); }
    const std::string& JournalFolder() const { return m_journal.Folder(); }
    // The journal of the document as it is bound now; empty when it keeps none.
    std::string JournalPath() const { return m_journal.Path(); }
    // The journal of `path` that is there: beside it, or else in the configuration folder.
    std::string ExistingJournalFor(const std::string& path) const { return m_journal.ExistingFor(path); }
    // The file the journal is written to now; empty when none is open.
    const std::string& OpenJournal() const { return m_journal.OpenPath(); }
    // After a final save that failed: where the recording is, exactly.
    std::string UnsavedReport() const { return m_journal.UnsavedReport(); }
    // Before a recording: the target folder must take a new file, and the journal starts with
    // what the document file does not hold. False with the reason otherwise.
    bool StartJournal(std::string& reason) { return m_journal.Start(reason); }
    // Puts what was journalled on the device; called about once a second while recording.
    void SyncJournal() { m_journal.Sync(); }
    // A clean end: the journal file goes.
    void DropJournal() { m_journal.Drop(); }
    // --- recovering a journal (document_recovery.cpp) ---
    // The journal of this document, with what it holds beyond the document; nothing when
    // there is none.
    std::optional<Recovery> FindRecovery();
    std::string RecoveryQuestion(const Recovery& r) const;
    // Appends what the journal holds beyond the document, writes a logbook entry and saves
    // (an unbound document asks for a name); the journal of another recording goes to a file of
    // its own instead. True when saved; the journal then goes, or is kept under another name
    // when damaged entries were skipped. A journal that holds nothing beyond the document goes
    // at once.
    bool Recover(Recovery& r);
    // After a document was read, or when the window starts: asks about an uncovered journal,
    // then recovers it or discards it.
    void OfferRecovery();
    // Off for a window that only draws a picture: nobody could answer, and the journal
    // must stay for the next real opening.
    void SetOfferRecovery(bool offer) { m_offerRecovery = offer; }
    // A name for the recording of a journal that belongs to another recording than `path`.
    static std::string RecoveredPathFor(const std::string& path);
    // The identity of the recording, written in the document file and in its journal.
    const RecordingId& Id() const { return m_id; }
    // Where a save in place keeps its whole copy until the file is written (empty without a
    // configuration folder).
    std::string InPlaceCopyFor(const std::string& path) const { return m_journal.InPlaceCopyFor(path); }
    // A save in place that was cut short is finished from its copy.
    void FinishInterruptedSave(const std::string& path);

    // --- menu commands and prompts (document_commands.cpp) ---
    void OnFileOpen();
    void OnFileImport();
    bool OnFileSave();
    void OnFileSaveAs();
    // false when the user cancelled the save prompt.
    bool OnFileClose();
    // The framework closes the window: false keeps it open.
    bool CanCloseFrame();
    // The framework opens by name (start-up arguments); ReadBoundFile follows.
    bool OpenByPath(const std::string& path);
    bool ReadBoundFile();
    // "Display XY-Graphic window": a message instead when nothing was recorded.
    void OnDisplayXyGraph();

    // --- the files themselves, without dialogs (document_file) ---
    // Reads a file of the given layout into the records (merge rules apply); on error the
    // records read so far stay.
    IoResult ReadFile(const std::string& path, Layout layout);
    // Writes the .qo3 layout to a temporary file beside `bound` (or the file it links to),
    // syncs and renames it.
    IoResult WriteFile(const std::string& bound);
    void Serialize(Archive& ar, Layout layout);
    // Clears the lists and the show flags and module types of the graph setup; the views are
    // told the setup changed.
    void ClearContents();

private:
    // `path` as it is, or a new empty file of that name; false (and a message) when none can be made.
    bool CreateIfMissing(const std::string& path, struct stat& st);
    bool Save(const std::string& path, bool periodic = false);
    // Save for a document that has a .qo3 name; an imported one asks for it first.
    bool SaveBound();
    bool SaveAsChosen();
    // After a save or a read: the file holds everything; the journal starts again.
    void MarkSaved(const std::string& path, std::size_t logbook);
    // Whatever the document holds beyond its journal goes there.
    void UpdateJournal() { m_journal.Update(); }
    // Appends what a journal holds from the given places in the lists and the logbook on.
    void ApplyJournal(const JournalContents& c, std::size_t samples, std::size_t pot, std::size_t eis,
                      std::size_t logbook);
    void SerializeId(Archive& ar, Layout layout);
    // The reason in the document's language ("no space left on the device" in plain words).
    std::string Reason(int code, const std::string& fallback) const;
    // Replaces the contents after the save prompt; false when they were kept.
    bool OpenFile(const std::string& path, Layout layout);
    bool AfterRead(const std::string& path, const IoResult& r, Layout layout);
    bool HoldsRecording() const;
    // Bound: asks when modified. Unbound: asks when something was recorded, and Yes saves as
    // a new file. False on Cancel, or when the save did not happen.
    bool PromptSave();
    void Unbind();

    std::vector<CPotDatenObject> m_oldPot;
    std::vector<CPotQORDatenObject> m_pot;
    std::vector<CEISDatenObject> m_eis;
    std::vector<std::unique_ptr<CListRecord>> m_spare;
    CLogBuchObject m_logBuch;

    bool m_modified = false;
    bool m_fileBound = false;
    bool m_boundFileWaiting = false;
    bool m_potRunning = false;
    int m_language = 0;
    int m_fileVersion = 3;
    std::int64_t m_lastSampleTime = 0;
    std::string m_path;
    bool m_offerRecovery = true;

    // Samples, labels, graph setup, virtual channels and curve properties: the views are told
    // of every change, so only the accessors above change them.
    std::vector<CDatenObject> m_samples;
    std::vector<CStringDatenObject> m_labels;
    CGrafikSetup m_grafikSetup;
    std::unique_ptr<CGrafikSetupVirtuell> m_virtuell;
    CGraphPropObject m_graphProp;

    Clock& m_clock;
    Logbook& m_logbook;
    DocumentUi& m_ui;
    bool m_logbookRead = false;
    bool m_imported = false;  // read from a .qrv/.xrv file: a Save asks for a .qo3 name

    DocumentJournal m_journal;
    bool m_saveFailureLogged = false;
    bool m_inPlaceLogged = false;
    RecordingId m_id = NewRecordingId();
    std::vector<SampleListener*> m_sampleListeners;
};

}  // namespace qor::data
