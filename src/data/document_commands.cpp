#include "common/text.h"
#include "data/document_texts.h"
#include "data/qor_doc.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace qor::data {
namespace {

constexpr TextPair kWrongType = {"Falscher Dateityp!", "Wrong file type."};
constexpr TextPair kSaveTitle = {"Speichern", "Save"};
constexpr TextPair kSaveText = {"Datei wurde geändert! Sollen die Daten gespeichert werden?",
                                "File is changed! Save the changed data?"};
constexpr TextPair kReadError = {"Fehler beim Lesen der Datei %s: %s", "Error while reading the file %s: %s"};
constexpr TextPair kNoPotentiostat = {"Kein Potentiostatenmodul vorhanden bzw. keine Aufzeichnung läuft!",
                                      "No potentiostat module available or no data record was started!"};
constexpr TextPair kReadOnlyAsk = {"Die Datei %s ist schreibgeschützt. Soll sie trotzdem ersetzt werden?",
                                   "The file %s is read-only. Replace it anyway?"};
constexpr TextPair kSaveFailedLog = {
    "Speichern fehlgeschlagen (%s: %s); die Messwerte bleiben im Speicher und im Journal, neuer Versuch beim "
    "nächsten Speichern",
    "Save failed (%s: %s); the samples stay in memory and in the journal, retrying at the next save"};
constexpr TextPair kInPlaceLog = {
    "Der Ordner von %s nimmt keine neue Datei an: die Datei wird direkt überschrieben",
    "The folder of %s takes no new file: the file is written in place"};
constexpr const char* kOpenFilter = "QOR (*.qo3)|*.qo3|QOR (*.tx3)|*.tx3|Alle Dateien (*.*)|*.*||";
constexpr const char* kSaveAsFilter = "QOR (*.qo3)|*.qo3|Alle Dateien (*.*)|*.*||";
constexpr const char* kImportFilter =
    "QOremote (*.qrv)|*.qrv|Tabellen (*.xrv)|*.xrv|Alle Dateien (*.*)|*.*||";

std::string SystemError()
{
    return std::strerror(errno);
}

}  // namespace

bool CQORDoc::Save(const std::string& path, bool periodic)
{
    const auto fail = [&](const std::string& reason) {
        if (!periodic) {
            m_ui.ShowMessage(Format(doctext::kWriteError[m_language], path.c_str(), reason.c_str()));
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
        return fail(doctext::kReadOnlyFile[m_language]);
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

bool CQORDoc::CreateIfMissing(const std::string& path, struct stat& st)
{
    if (::stat(path.c_str(), &st) == 0)
        return true;
    // A new name: the document is bound to a new, empty file.
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        m_ui.ShowMessage(Format(doctext::kWriteError[m_language], path.c_str(), SystemError().c_str()));
        return false;
    }
    std::fclose(f);
    st.st_size = 0;
    return true;
}

bool CQORDoc::OpenFile(const std::string& path, Layout layout)
{
    if (!PromptSave())
        return false;
    ClearContents();
    struct stat st {};
    if (!CreateIfMissing(path, st))
        return false;
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
    struct stat st {};
    if (!CreateIfMissing(path, st))
        return false;
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

}  // namespace qor::data
