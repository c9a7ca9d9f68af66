#include "data/qor_doc.h"

#include "common/text.h"
#include "data/archive.h"
#include "data/record_list.h"

#include <cstring>
#include <limits>

namespace qor::data {
namespace {

constexpr TextPair kSaveFinishedLog = {"Ein unterbrochenes Speichern von %s wurde aus %s abgeschlossen",
                                       "An interrupted save of %s was completed from %s"};
// After section 10, where readers of older versions ignore it: the recording's identity.
constexpr std::uint8_t kIdMarker[4] = {'Q', 'O', 'I', 'D'};

}  // namespace

CQORDoc::CQORDoc(Clock& clock, Logbook& logbook, DocumentUi& ui)
    : m_virtuell(std::make_unique<CGrafikSetupVirtuell>()), m_clock(clock), m_logbook(logbook), m_ui(ui),
      m_journal(*this, clock, logbook)
{
}

CQORDoc::~CQORDoc() = default;

void CQORDoc::OnNewDocument(int language)
{
    m_language = language == 1 ? 1 : 0;
    m_modified = false;
}

void CQORDoc::BindToNewFile(const std::string& path)
{
    m_path = path;
    m_fileBound = true;
}

void CQORDoc::AddSample(const CDatenObject& sample)
{
    m_modified = true;
    m_samples.push_back(sample);
    m_lastSampleTime = sample.m_time;
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

void CQORDoc::AddPotData(PotBlock kind, const std::uint8_t* block, std::size_t size)
{
    if (!m_potRunning || !block)
        return;
    if (kind == PotBlock::Record && size >= CPotQORDatenObject::kBlockSize) {
        m_pot.push_back(CPotQORDatenObject::FromBlock(block, m_clock.Now()));
        UpdateJournal();
        m_ui.PotSampleAdded();
    } else if (kind == PotBlock::Impedance && size >= CEISDatenObject::kBlockSize) {
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
    return FileErrorText(code, fallback, m_language);
}

void CQORDoc::MarkSaved(const std::string& path, std::size_t logbook)
{
    m_saveFailureLogged = false;
    m_journal.MarkSaved(path, logbook);
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

void CQORDoc::ClearContents()
{
    // The journal belongs to the contents: they were saved or given up by now.
    m_journal.Forget();
    m_id = NewRecordingId();
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
    m_logbookRead = false;  // a file that cannot be opened, or is empty, brings no logbook
    IoResult r = ReadDocumentFile(
        path, [&](Archive& ar) { Serialize(ar, layout); }, m_fileVersion);
    m_grafikSetup.m_legacyFormat = false;
    m_virtuell->m_legacyFormat = false;
    if (m_logbookRead)
        m_logbook.MergeLoaded(m_logBuch.m_text);
    return r;
}

IoResult CQORDoc::WriteFile(const std::string& bound)
{
    const std::string path = ResolveLink(bound);
    return WriteDocumentFile(
        path, [this](Archive& ar) { Serialize(ar, Layout::Qo3); }, InPlaceCopyFor(path));
}

void CQORDoc::FinishInterruptedSave(const std::string& path)
{
    const std::string copy = InPlaceCopyFor(path);
    const auto readsAsDocument = [&](const std::string& file) {
        Logbook scratchLog;
        CQORDoc scratch(m_clock, scratchLog, m_ui);
        return scratch.ReadFile(file, Layout::Qo3).ok;
    };
    if (data::FinishInterruptedSave(path, copy, readsAsDocument))
        AddLogbookEntry(Format(kSaveFinishedLog[m_language], path.c_str(), copy.c_str()));
}

}  // namespace qor::data
