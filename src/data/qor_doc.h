#pragma once

#include "catalogue/slave.h"
#include "common/clock.h"
#include "data/daten_object.h"
#include "data/document_ui.h"
#include "data/eis_daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/graph_prop_object.h"
#include "data/log_buch_object.h"
#include "data/logbook.h"
#include "data/pot_daten_object.h"
#include "data/pot_qor_daten_object.h"
#include "data/string_daten_object.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qor::data {

class Archive;

// The section orders a document file can have.
enum class Layout { Qo3, Qrv, Xrv };

struct IoResult {
    bool ok = true;
    std::string error;  // the archive's or the system's reason, empty when ok
};

// The recording: module records, the record lists and in-place records, the bound file.
class CQORDoc {
public:
    CQORDoc(Clock& clock, Logbook& logbook, DocumentUi& ui);
    ~CQORDoc();
    CQORDoc(const CQORDoc&) = delete;
    CQORDoc& operator=(const CQORDoc&) = delete;

    // The sixteen module records, index = bus address; not stored in the file.
    std::array<catalogue::CSlave, 16> m_slave;

    // The lists the graphs do not draw, in file order.
    std::vector<CPotDatenObject> m_oldPot;
    std::vector<CPotQORDatenObject> m_pot;
    std::vector<CEISDatenObject> m_eis;
    std::vector<std::unique_ptr<CListRecord>> m_spare;

    CLogBuchObject m_logBuch;

    bool m_modified = false;
    bool m_fileBound = false;
    bool m_boundFileWaiting = false;  // bound by path; ReadBoundFile still to run
    bool m_potRunning = false;        // the station's potentiostat-program-running flag
    int m_language = 0;
    int m_fileVersion = 3;  // format version of the last file read
    std::int64_t m_lastSampleTime = 0;
    std::string m_path;  // the bound file

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
    // A sample made elsewhere (a conversion, a test), appended as AddSample appends.
    void AppendSample(const CDatenObject& sample);

    // --- used by the station ---
    void OnNewDocument(int language);
    // One sample from the sixteen module records, and the views are told; noRecord = 1 only
    // marks the document modified.
    void AddSample(int noRecord);
    // kind 1: a 12-byte potentiostat record; kind 2: an 18-byte impedance result block.
    // Ignored unless the potentiostat program runs.
    void AddPotData(int kind, const std::uint8_t* block, std::size_t size);
    // Appends a logbook entry at the clock's time, marks the document modified, tells the views.
    void AddLogbookEntry(const std::string& text);
    // Timer 3: saves the bound file; true when saved (or nothing bound).
    bool PeriodicSave();

    // --- menu commands ---
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
    void OnShowEisGraph();

    // --- the files themselves, without dialogs ---
    // Reads a file of the given layout into the records (merge rules apply); on error the
    // records read so far stay.
    IoResult ReadFile(const std::string& path, Layout layout);
    // Writes the .qo3 layout to a temporary file beside `path`, syncs and renames it.
    IoResult WriteFile(const std::string& path);
    void Serialize(Archive& ar, Layout layout);
    // Layout by extension (case ignored); nothing for anything else.
    static std::optional<Layout> LayoutOf(const std::string& path);
    // Clears the lists and the show flags and module types of the graph setup; the views are
    // told the setup changed.
    void ClearContents();

private:
    bool Save(const std::string& path);
    // Replaces the contents after the save prompt; false when they were kept.
    bool OpenFile(const std::string& path, Layout layout);
    bool AfterRead(const std::string& path, const IoResult& r);
    bool HoldsRecording() const;
    // Bound: asks when modified. Unbound: asks when something was recorded, and Yes saves as
    // a new file. False on Cancel, or when the save did not happen.
    bool PromptSave();
    void Unbind();

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
};

}  // namespace qor::data
