#include "station/recording_samples.h"

#include "data/qor_doc.h"

namespace qor::station {

void RecordingSamples::Start(std::int64_t nowMs, std::int64_t time, bool inCycle)
{
    m_firstMs = nowMs;
    m_firstTime = time;
    m_slot = 0;
    Store(time, Fresh(nowMs, inCycle));
}

void RecordingSamples::Tick(std::int64_t nowMs, bool inCycle)
{
    const std::int64_t intervalMs = m_intervalS * 1000;
    // A tick a little early or late keeps its place on the grid.
    const std::int64_t slot = (nowMs - m_firstMs + intervalMs / 2) / intervalMs;
    if (slot <= m_slot)
        return;
    // Slots skipped while long cycles ran (a silent module's time-out) take the values of the
    // cycle just ended, which are no older than they are; a module that did not answer is
    // empty there anyway, and so is a slot from before that cycle's end was near.
    const bool fresh = Fresh(nowMs, inCycle);
    for (std::int64_t k = m_slot + 1; k < slot; ++k)
        Store(m_firstTime + k * m_intervalS, fresh && m_last->tickMs >= m_firstMs + k * intervalMs);
    Store(m_firstTime + slot * m_intervalS, fresh);
    m_slot = slot;
}

bool RecordingSamples::Fresh(std::int64_t nowMs, bool inCycle) const
{
    return !inCycle && m_last && nowMs - m_last->tickMs <= kFreshMs;
}

void RecordingSamples::Store(std::int64_t time, bool fresh)
{
    m_doc.AddSample(ToSample(fresh ? *m_last : Measurement{}, time));
}

}  // namespace qor::station
