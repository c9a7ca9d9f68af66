#include "plant/tsdb_link.h"

#include "common/text.h"
#include "plant/tsdb_watermark.h"
#include "station/station.h"

namespace qor::plant {
namespace {

constexpr TextPair kAway = {
    "Zeitreihendatenbank %s antwortet nicht (%s): die Messungen werden gesendet, sobald sie wieder antwortet",
    "Time-series database %s does not answer (%s): the samples are sent when it answers again"};
constexpr TextPair kWatermarkLost = {
    "Was die Zeitreihendatenbank bestätigt hat, kann nicht gespeichert werden (%s)",
    "What the time-series database acknowledged cannot be saved (%s)"};

}  // namespace

std::string WatermarkPathOf(const data::CQORDoc& doc)
{
    if (doc.m_fileBound && !doc.m_path.empty())
        return TsdbWatermark::PathFor(doc.m_path);
    if (!doc.OpenJournal().empty())
        return TsdbWatermark::PathFor(doc.OpenJournal());
    return {};
}

TsdbLink::TsdbLink(station::Station& station, TsdbOptions options)
    : m_station(station), m_options(std::move(options))
{
    data::CQORDoc& doc = m_station.Document();
    if (!data::IsSet(m_options.recording))
        m_options.recording = doc.Id();
    if (m_options.watermarkPath.empty())
        m_options.watermarkPath = WatermarkPathOf(doc);
    m_writer = std::make_unique<TsdbWriter>(m_options);
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

bool TsdbLink::Start(std::string& error)
{
    std::size_t acknowledged = 0;
    if (!m_options.watermarkPath.empty() &&
        !TsdbWatermark::Read(m_options.watermarkPath, m_options.recording, m_options.url, m_options.station,
                             acknowledged, error))
        return false;
    if (!m_writer->Start(acknowledged, error))
        return false;
    data::CQORDoc& doc = m_station.Document();
    for (std::size_t i = acknowledged; i < doc.Samples().size(); ++i)
        OnSampleStored(doc, i);
    doc.AddSampleListener(this);
    m_station.Measurements().Subscribe(this);
    m_subscribed = true;
    return true;
}

std::size_t TsdbLink::Finish(std::chrono::milliseconds wait)
{
    Unsubscribe();
    m_writer->Finish(wait);
    LogEvents();
    return m_writer->Waiting();
}

void TsdbLink::OnSampleStored(const data::CQORDoc& doc, std::size_t index)
{
    m_writer->Add(index, PointOf(doc.Samples()[index], doc.GrafikSetup(), doc.Virtuell(), m_channels));
}

void TsdbLink::OnMeasurement(const station::Measurement&)
{
    LogEvents();
}

void TsdbLink::LogEvents()
{
    const int l = m_station.Language();
    for (const TsdbEvent& e : m_writer->TakeEvents()) {
        if (e.kind == TsdbEvent::Kind::Away)
            m_station.AddLogbookEntry(Format(kAway[l], m_options.url.c_str(),
                                             DescribeReply(e.reply, l, m_options.timeoutMs).c_str()));
        else
            m_station.AddLogbookEntry(Format(kWatermarkLost[l], e.reason.c_str()));
    }
}

}  // namespace qor::plant
