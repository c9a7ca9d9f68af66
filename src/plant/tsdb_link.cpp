#include "plant/tsdb_link.h"

#include "common/text.h"
#include "plant/tsdb_watermark.h"
#include "station/station.h"

#include <algorithm>

namespace qor::plant {
namespace {

constexpr TextPair kAway = {
    "Zeitreihendatenbank %s antwortet nicht (%s): die Messungen werden gesendet, sobald sie wieder antwortet "
    "(bis zu %zu aus dem Speicher, die späteren aus der Aufzeichnung)",
    "Time-series database %s does not answer (%s): the samples are sent when it answers again (up to %zu "
    "from memory, the later ones from the recording)"};
constexpr TextPair kCannotStart = {"Zeitreihendatenbank: %s", "Time-series database: %s"};
constexpr TextPair kWatermarkLost = {
    "Was die Zeitreihendatenbank bestätigt hat, kann nicht gespeichert werden (%s)",
    "What the time-series database acknowledged cannot be saved (%s)"};

}  // namespace

std::string WatermarkPathOf(const data::CQORDoc& doc)
{
    if (doc.FileBound() && !doc.Path().empty())
        return TsdbWatermark::PathFor(doc.Path());
    if (!doc.OpenJournal().empty())
        return TsdbWatermark::PathFor(doc.OpenJournal());
    return {};
}

TsdbLink::TsdbLink(station::Station& station, TsdbOptions options)
    : m_station(station), m_given(std::move(options)), m_options(m_given),
      m_writer(std::make_unique<TsdbWriter>(m_options))
{
}

TsdbLink::~TsdbLink()
{
    Unsubscribe();
}

void TsdbLink::Unsubscribe()
{
    if (!m_subscribed)
        return;
    m_station.Document().RemoveSampleListener(this);
    m_station.Measurements().Unsubscribe(this);
    m_subscribed = false;
}

bool TsdbLink::Begin(std::string& error)
{
    const data::CQORDoc& doc = m_station.Document();
    m_options = m_given;
    if (!data::IsSet(m_options.recording))
        m_options.recording = doc.Id();
    if (m_options.watermarkPath.empty())
        m_options.watermarkPath = WatermarkPathOf(doc);
    std::size_t acknowledged = 0;
    if (!m_options.watermarkPath.empty() &&
        !TsdbWatermark::Read(m_options.watermarkPath, m_options.recording, m_options.url, m_options.station,
                             acknowledged, error))
        return false;
    // The last recording's writer goes on with what it has waiting, to the end of the link.
    if (m_writer->Started())
        m_retired.push_back(std::move(m_writer));
    m_writer = std::make_unique<TsdbWriter>(m_options);
    if (!m_writer->Start(acknowledged, error))
        return false;
    Feed();
    return true;
}

bool TsdbLink::Current(const data::CQORDoc& doc) const
{
    return data::IsSet(m_given.recording) || doc.Id() == m_options.recording;
}

TsdbWriter::PointFn TsdbLink::Points()
{
    const data::CQORDoc& doc = m_station.Document();
    return [this, &doc](std::size_t i) {
        return PointOf(doc.Samples()[i], doc.GrafikSetup(), doc.Virtuell(), m_channels);
    };
}

void TsdbLink::Feed()
{
    const data::CQORDoc& doc = m_station.Document();
    if (Current(doc))
        m_writer->Offer(doc.Samples().size(), Points());
}

bool TsdbLink::Start(std::string& error)
{
    if (!Begin(error))
        return false;
    m_station.Document().AddSampleListener(this);
    m_station.Measurements().Subscribe(this);
    m_subscribed = true;
    return true;
}

std::size_t TsdbLink::Finish(std::chrono::milliseconds wait)
{
    Unsubscribe();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::size_t left = 0;
    for (TsdbWriter* w : Writers()) {
        const auto now = std::chrono::steady_clock::now();
        // Only the writer of the document's recording can take what it did not hold yet.
        const bool current = w == m_writer.get() && Current(m_station.Document());
        w->Finish(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::max(deadline - now, std::chrono::steady_clock::duration::zero())),
                  current ? Points() : TsdbWriter::PointFn{});
        left += w->Left();
    }
    LogEvents();
    return left;
}

std::vector<TsdbWriter*> TsdbLink::Writers() const
{
    std::vector<TsdbWriter*> all;
    for (const auto& w : m_retired)
        all.push_back(w.get());
    all.push_back(m_writer.get());
    return all;
}

void TsdbLink::OnSampleStored(const data::CQORDoc& doc, std::size_t)
{
    if (!Current(doc)) {
        // The document holds another recording now (cleared, or another file read): its
        // samples are counted from its start, against its own watermark.
        LogEvents();
        std::string error;
        if (!Begin(error))
            m_station.AddLogbookEntry(Format(kCannotStart[m_station.Language()], error.c_str()));
        return;  // Begin queued this sample too
    }
    Feed();
}

void TsdbLink::OnMeasurement(const station::Measurement&)
{
    LogEvents();
    Feed();  // what found no room while the database was away
}

void TsdbLink::LogEvents()
{
    const int l = m_station.Language();
    for (TsdbWriter* w : Writers())
        for (const TsdbEvent& e : w->TakeEvents()) {
            if (e.kind == TsdbEvent::Kind::Away)
                m_station.AddLogbookEntry(Format(kAway[l], m_options.url.c_str(),
                                                 DescribeReply(e.reply, l, m_options.timeoutMs).c_str(),
                                                 m_options.maxQueued));
            else
                m_station.AddLogbookEntry(Format(kWatermarkLost[l], e.reason.c_str()));
        }
}

}  // namespace qor::plant
