#pragma once

#include "data/sample_listener.h"
#include "data/virtual_channel.h"
#include "plant/tsdb_writer.h"
#include "station/measurement.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace qor::station {
class Station;
}

namespace qor::plant {

// A station's recording written to a time-series database: every sample the document stores
// goes to the writer (never waiting for it), and what the writer has to tell goes to the
// logbook at the next poll cycle. Samples the writer had no room for are offered again from
// the document at each cycle and sample, in order.
class TsdbLink final : public data::SampleListener, public station::MeasurementListener {
public:
    // Without a recording identity or a watermark file in `options`, the document's are taken:
    // the watermark beside its file (or its journal); when the document holds another
    // recording later, its samples go on against that one's.
    TsdbLink(station::Station& station, TsdbOptions options);
    ~TsdbLink() override;
    TsdbLink(const TsdbLink&) = delete;
    TsdbLink& operator=(const TsdbLink&) = delete;

    // Starts writing: the document's samples beyond the watermark are queued at once, and
    // every sample stored from now on follows. False with the reason for a URL that cannot be
    // used or a watermark file that cannot be read.
    bool Start(std::string& error);
    // Gives the writers at most `wait` for the samples not acknowledged, then stops them and
    // writes what they have to tell into the logbook. The number of samples not acknowledged.
    std::size_t Finish(std::chrono::milliseconds wait);

    // The writer of the document's recording now.
    const TsdbWriter& Writer() const { return *m_writer; }
    const TsdbOptions& Options() const { return m_options; }

    void OnSampleStored(const data::CQORDoc& doc, std::size_t index) override;
    void OnMeasurement(const station::Measurement& m) override;

private:
    void Unsubscribe();
    void LogEvents();
    // A writer for the document's recording, with what it holds beyond the watermark queued.
    bool Begin(std::string& error);
    // The document holds the recording the writer is for.
    bool Current(const data::CQORDoc& doc) const;
    TsdbWriter::PointFn Points();
    // Hands the writer the document's samples it has room for.
    void Feed();
    std::vector<TsdbWriter*> Writers() const;

    station::Station& m_station;
    TsdbOptions m_given;    // as the caller gave them
    TsdbOptions m_options;  // as used for the recording now
    std::unique_ptr<TsdbWriter> m_writer;
    std::vector<std::unique_ptr<TsdbWriter>> m_retired;  // of earlier recordings, until Finish
    data::VirtualChannels m_channels;
    bool m_subscribed = false;
};

// The watermark file of a document: beside its file, or beside its journal when it has no
// file; empty when it has neither.
std::string WatermarkPathOf(const data::CQORDoc& doc);

}  // namespace qor::plant
