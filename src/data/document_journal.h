#pragma once

#include "common/clock.h"
#include "data/journal.h"
#include "data/logbook.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qor::data {

class CQORDoc;

// The sample journal of a document while it records: every sample, potentiostat record and
// logbook line goes to it as it arrives, so a recording cut short loses nothing; a save that
// puts everything in the file starts it again. It reads the document and writes nothing into it
// but logbook entries.
class DocumentJournal {
public:
    // Where the lists and the logbook stood when the file was last written or read, or what
    // the journal holds.
    struct Marks {
        std::size_t samples = 0, pot = 0, eis = 0, logbook = 0;
    };

    DocumentJournal(CQORDoc& doc, Clock& clock, Logbook& logbook);

    // Where an unbound or imported document keeps its journal (the configuration folder);
    // empty: such a document keeps none.
    void SetFolder(const std::string& folder) { m_folder = folder; }
    const std::string& Folder() const { return m_folder; }
    // The journal of the document as it is bound now; empty when it keeps none.
    std::string Path() const;
    // The journal of the document file `path`.
    std::string PathFor(const std::string& path) const;
    // The journal of `path` in the configuration folder, named after the whole path (a folder
    // that takes no new file, or one that went during the recording).
    std::string ConfigPathFor(const std::string& path) const;
    // The journal of `path` that is there: beside it, or else in the configuration folder.
    std::string ExistingFor(const std::string& path) const;
    // Where a save in place keeps its whole copy until the file is written (empty without a
    // configuration folder).
    std::string InPlaceCopyFor(const std::string& path) const;
    // The file written to now; empty when none is open.
    const std::string& OpenPath() const { return m_journal.Path(); }
    bool IsOpen() const { return m_journal.IsOpen(); }

    // Before a recording: the target folder must take a new file, and the journal starts with
    // what the document file does not hold. False with the reason otherwise.
    bool Start(std::string& reason);
    // Whatever the document holds beyond the journal goes to it (at most one sync a second).
    void Update();
    // Puts what was journalled on the device; a journal whose folder went moves.
    void Sync();
    // A clean end: the journal file goes.
    void Drop() { m_journal.Close(true); }
    // After a save or a read: the file holds everything; the journal starts again.
    void MarkSaved(const std::string& path, std::size_t logbook);
    // The contents were cleared: nothing is in a file or a journal any more.
    void Forget();
    const Marks& Saved() const { return m_saved; }
    // After a final save that failed: how many samples the file holds, how many the journal,
    // and what was written nowhere.
    std::string UnsavedReport() const;

private:
    bool WriteSetup();
    void Failed();
    // The journal's file went (its folder removed): it goes on in the configuration folder.
    void Relocate();

    CQORDoc& m_doc;
    Clock& m_clock;
    Logbook& m_logbook;
    std::string m_folder;
    Journal m_journal;
    Marks m_saved;
    Marks m_journalled;
    std::int64_t m_lastSyncMs = 0;
    bool m_failureLogged = false;
};

}  // namespace qor::data
