#pragma once

#include "station/measurement.h"

#include <cstdint>
#include <optional>

namespace qor::data {
class CQORDoc;
}

namespace qor::station {

// The recording's samples, made of the poll cycles' measurements: one sample per interval,
// stamped on a grid from the first one, holding the values of the last measurement while that
// is recent and nothing at all otherwise. A subscriber of the poll cycle.
class RecordingSamples final : public MeasurementListener {
public:
    // A measurement older than this is no value of the time a sample stands for.
    static constexpr std::int64_t kFreshMs = 1500;

    explicit RecordingSamples(data::CQORDoc& doc) : m_doc(doc) {}

    void OnMeasurement(const Measurement& m) override { m_last = m; }

    // The first sample, stamped `time` at the tick `nowMs`; the grid starts there. `inCycle`: a
    // poll cycle is running, so its values are half made and none are taken.
    void Start(std::int64_t nowMs, std::int64_t time, bool inCycle);
    void SetInterval(std::int64_t seconds) { m_intervalS = seconds < 1 ? 1 : seconds; }
    // A record tick at `nowMs`: the sample of the slot now due, and empty ones for the slots
    // before it that had no recent measurement.
    void Tick(std::int64_t nowMs, bool inCycle);

private:
    bool Fresh(std::int64_t nowMs, bool inCycle) const;
    void Store(std::int64_t time, bool fresh);

    data::CQORDoc& m_doc;
    std::optional<Measurement> m_last;
    std::int64_t m_firstMs = 0;
    std::int64_t m_firstTime = 0;
    std::int64_t m_intervalS = 1;
    std::int64_t m_slot = 0;
};

}  // namespace qor::station
