#include "data/qor_doc.h"

#include "catalogue/catalogue.h"
#include "common/text.h"
#include "data/archive.h"
#include "data/record_list.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
    CDatenObject& s = m_samples.emplace_back();
    for (std::size_t i = 0; i < 16; ++i) {
        const auto& slave = m_slave[i];
        const float factor = catalogue::DescribeModule(slave).factor;
        s.m_value[i] = static_cast<float>(factor * slave.m_value1);
        s.m_value2[i] = static_cast<float>(slave.m_value2);
        s.m_temperature[i] = static_cast<float>(slave.m_value3);
    }
    s.m_time = m_clock.Now();
    m_lastSampleTime = s.m_time;
    ++m_grafikSetup.m_sampleCount;
    m_ui.SamplesAdded();
}

void CQORDoc::AppendSample(const CDatenObject& sample)
{
    m_samples.push_back(sample);
    m_ui.SamplesAdded();
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
        m_ui.PotSampleAdded();
    } else if (kind == 2 && size >= CEISDatenObject::kBlockSize) {
        m_eis.push_back(CEISDatenObject::FromBlock(block, m_clock.Now()));
        m_ui.EisPointAdded();
    }
}

void CQORDoc::AddLogbookEntry(const std::string& text)
{
    m_logbook.Add(m_clock.Now(), text);
    m_ui.UpdateViews();
    m_modified = true;
}

bool CQORDoc::PeriodicSave()
{
    return !m_fileBound || Save(m_path);
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
    } else {
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
    std::string tmp = path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return {false, SystemError()};
    // The new file gets the old one's permissions, or the usual ones for a new file.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        IoResult r{false, SystemError()};
        ::close(fd);
        ::unlink(tmp.c_str());
        return r;
    }
    IoResult r;
    try {
        Archive ar = Archive::Store(f);
        Serialize(ar, Layout::Qo3);
        ar.Flush();
        if (::fsync(::fileno(f)) != 0)
            r = {false, SystemError()};
    } catch (const ArchiveError& e) {
        r = {false, e.what()};
    } catch (const std::bad_alloc&) {
        r = {false, "out of memory"};
    }
    if (std::fclose(f) != 0 && r.ok)
        r = {false, SystemError()};
    // The data reached the disk before the rename, so a crash leaves either the old file
    // or the whole new one.
    if (r.ok && std::rename(tmp.c_str(), path.c_str()) != 0)
        r = {false, SystemError()};
    if (!r.ok)
        ::unlink(tmp.c_str());
    return r;
}

bool CQORDoc::Save(const std::string& path)
{
    m_ui.CollectGraph(m_graphProp, m_labels);
    IoResult r = WriteFile(path);
    if (!r.ok) {
        m_ui.ShowMessage(Format(kWriteError[m_language], path.c_str(), r.error.c_str()));
        return false;
    }
    m_modified = false;
    return true;
}

bool CQORDoc::OnFileSave()
{
    return m_fileBound && Save(m_path);
}

void CQORDoc::OnFileSaveAs()
{
    if (!m_fileBound)
        return;
    auto path = m_ui.ChooseFile(FileDialog::SaveAs, "qo3", kSaveAsFilter);
    if (!path)
        return;
    if (!Save(*path))
        return;
    m_path = *path;
    m_ui.SetTitle(m_path);
}

bool CQORDoc::AfterRead(const std::string& path, const IoResult& r)
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
    AddLogbookEntry(FileLoadedText(path, m_language));
    m_modified = false;  // a document just read holds nothing to save yet
    m_ui.SetTitle(path);
    m_ui.FileRead(m_labels);
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
    IoResult r;
    if (st.st_size != 0)
        r = ReadFile(path, layout);
    return AfterRead(path, r);
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
        return Save(m_path);
    auto path = m_ui.ChooseFile(FileDialog::SaveAs, "qo3", kSaveAsFilter);
    return path && Save(*path);
}

void CQORDoc::Unbind()
{
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
    if (::stat(path.c_str(), &st) == 0 && st.st_size != 0)
        r = ReadFile(path, LayoutOf(path).value_or(Layout::Qo3));
    if (!r.ok)
        Unbind();
    return AfterRead(path, r);
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
