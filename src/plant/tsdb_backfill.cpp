#include "plant/tsdb_backfill.h"

#include "data/qor_doc.h"
#include "data/virtual_channel.h"
#include "plant/tsdb_link.h"
#include "plant/tsdb_watermark.h"

namespace qor::plant {

bool Backfill(const data::CQORDoc& doc, TsdbOptions options, std::chrono::milliseconds wait,
              BackfillReport& report, std::string& error)
{
    if (!data::IsSet(options.recording))
        options.recording = doc.Id();
    if (options.watermarkPath.empty())
        options.watermarkPath = WatermarkPathOf(doc);
    report = {};
    report.samples = doc.Samples().size();
    if (!options.watermarkPath.empty() &&
        !TsdbWatermark::Read(options.watermarkPath, options.recording, options.url, options.station,
                             report.before, error))
        return false;
    // A watermark beyond the file: the file lost samples the database has; nothing to send.
    report.before = std::min(report.before, report.samples);
    TsdbWriter writer(options);
    if (!writer.Start(report.before, error))
        return false;
    data::VirtualChannels channels;
    const TsdbWriter::PointFn point = [&](std::size_t i) {
        return PointOf(doc.Samples()[i], doc.GrafikSetup(), doc.Virtuell(), channels);
    };
    writer.Offer(report.samples, point);
    writer.Finish(wait, point);
    report.sent = writer.Acknowledged() - report.before;
    report.values = writer.ValuesAcknowledged();
    for (const TsdbEvent& e : writer.TakeEvents())
        if (e.kind == TsdbEvent::Kind::Away)
            report.failure = e.reply;
        else
            report.watermarkError = e.reason;
    return true;
}

}  // namespace qor::plant
