#include "alarm/alarm_evaluator.h"

#include "common/text.h"

#include <cmath>

namespace qor::alarm {

std::string AlarmPoint::SourceText() const
{
    return kind == AlarmKind::Comm ? Format("S%d", source.address) : alarm::SourceText(source);
}

void AlarmEvaluator::Configure(const AlarmSettings& settings)
{
    m_points.clear();
    m_commLoss = settings.commLoss;
    auto add = [this](const AlarmDefinition& d, AlarmKind kind, double limit) {
        AlarmPoint p;
        p.id = static_cast<int>(m_points.size());
        p.source = d.source;
        p.kind = kind;
        p.limit = limit;
        p.deadband = d.deadband;
        p.onDelayMs = std::llround(d.onDelay * 1000);
        p.offDelayMs = std::llround(d.offDelay * 1000);
        m_points.push_back(p);
    };
    for (const AlarmDefinition& d : settings.alarms) {
        if (!d.enabled)
            continue;
        if (d.high)
            add(d, AlarmKind::High, *d.high);
        if (d.low)
            add(d, AlarmKind::Low, *d.low);
    }
    if (m_commLoss > 0)
        for (int a = 0; a < 16; ++a) {
            AlarmDefinition d;
            d.source.address = a;
            add(d, AlarmKind::Comm, AlarmTransition::kNone);
        }
}

void AlarmEvaluator::Transit(AlarmPoint& p, AlarmEvent e, std::int64_t time,
                             std::vector<AlarmTransition>& out, const station::Measurement* m)
{
    if (m && !p.source.isVirtual) {
        const station::ModuleReading& r = m->modules[static_cast<std::size_t>(p.source.address & 15)];
        if (r.type != 0) {
            const catalogue::ChannelInfo& i = r.info;
            const std::string& n = p.kind == AlarmKind::Comm ? std::string()
                                   : p.source.value == 1     ? i.name1
                                   : p.source.value == 2     ? i.name2
                                                             : i.name3;
            p.name =
                n.empty() ? Format("S%d", p.source.address) : Format("S%d %s", p.source.address, n.c_str());
            p.unit = p.kind == AlarmKind::Comm ? std::string()
                     : p.source.value == 1     ? (i.baseUnit.empty() ? i.unit1 : i.baseUnit)
                     : p.source.value == 2     ? i.unit2
                                               : i.unit3;
        }
    }
    p.since = time;
    AlarmTransition t;
    t.time = time;
    t.source = p.SourceText();
    t.kind = p.kind;
    t.event = e;
    t.value = p.kind == AlarmKind::Comm ? AlarmTransition::kNone : p.value;
    t.limit = p.limit;
    t.id = p.id;
    t.name = p.name;
    t.unit = p.unit;
    out.push_back(std::move(t));
}

void AlarmEvaluator::Raise(AlarmPoint& p, std::int64_t time, std::vector<AlarmTransition>& out,
                           const station::Measurement& m)
{
    p.active = true;
    p.pendingSinceMs.reset();
    if (p.shelved)
        return;
    p.state = AlarmState::ActiveUnacked;
    Transit(p, AlarmEvent::Raised, time, out, &m);
    out.back().count = p.misses;
}

void AlarmEvaluator::Clear(AlarmPoint& p, std::int64_t time, std::vector<AlarmTransition>& out,
                           const station::Measurement& m)
{
    p.active = false;
    p.pendingSinceMs.reset();
    if (p.shelved)
        return;
    p.state = p.state == AlarmState::ActiveUnacked ? AlarmState::ClearedUnacked : AlarmState::Normal;
    Transit(p, AlarmEvent::Cleared, time, out, &m);
}

void AlarmEvaluator::EvaluateLimit(AlarmPoint& p, double v, const station::Measurement& m,
                                   std::vector<AlarmTransition>& out)
{
    // A missed value says nothing about the limit: the alarm and its delays stay as they are.
    if (std::isnan(v))
        return;
    p.value = v;
    const bool high = p.kind == AlarmKind::High;
    const bool beyond = high ? v > p.limit : v < p.limit;
    const bool back = high ? v <= p.limit - p.deadband : v >= p.limit + p.deadband;
    const bool towards = p.active ? back : beyond;
    if (!towards) {
        p.pendingSinceMs.reset();
        return;
    }
    if (!p.pendingSinceMs)
        p.pendingSinceMs = m.tickMs;
    if (m.tickMs - *p.pendingSinceMs < (p.active ? p.offDelayMs : p.onDelayMs))
        return;
    if (p.active)
        Clear(p, m.time, out, m);
    else
        Raise(p, m.time, out, m);
}

void AlarmEvaluator::EvaluateComm(AlarmPoint& p, const station::Measurement& m,
                                  std::vector<AlarmTransition>& out)
{
    const station::Reading r = m.modules[static_cast<std::size_t>(p.source.address)].state;
    if (r == station::Reading::Missed) {
        if (p.misses < m_commLoss)
            ++p.misses;
        if (!p.active && p.misses >= m_commLoss)
            Raise(p, m.time, out, m);
        return;
    }
    // Measured again, or no longer released: the module is no longer silent.
    p.misses = 0;
    if (p.active)
        Clear(p, m.time, out, m);
}

std::vector<AlarmTransition> AlarmEvaluator::Evaluate(const station::Measurement& m,
                                                      const station::ShownValues& shown)
{
    std::vector<AlarmTransition> out = Expire(m.time, m.tickMs);
    for (AlarmPoint& p : m_points) {
        if (p.kind == AlarmKind::Comm) {
            EvaluateComm(p, m, out);
            continue;
        }
        const AlarmSource& s = p.source;
        const double v =
            s.isVirtual
                ? shown.virtualChannels[static_cast<std::size_t>(s.channel - 1)]
                : shown.values[static_cast<std::size_t>(s.address)][static_cast<std::size_t>(s.value - 1)];
        EvaluateLimit(p, v, m, out);
    }
    return out;
}

std::vector<AlarmTransition> AlarmEvaluator::Acknowledge(int id, std::int64_t time)
{
    std::vector<AlarmTransition> out;
    if (id < 0 || id >= static_cast<int>(m_points.size()))
        return out;
    AlarmPoint& p = m_points[static_cast<std::size_t>(id)];
    if (p.shelved || !p.Unacknowledged())
        return out;
    p.state = p.state == AlarmState::ActiveUnacked ? AlarmState::ActiveAcked : AlarmState::Normal;
    Transit(p, AlarmEvent::Acknowledged, time, out);
    return out;
}

std::vector<AlarmTransition> AlarmEvaluator::AcknowledgeAll(std::int64_t time)
{
    std::vector<AlarmTransition> out;
    for (const AlarmPoint& p : m_points)
        if (p.Unacknowledged())
            for (AlarmTransition& t : Acknowledge(p.id, time))
                out.push_back(std::move(t));
    return out;
}

std::vector<AlarmTransition> AlarmEvaluator::Shelve(int id, std::int64_t seconds, std::int64_t time,
                                                    std::int64_t tickMs)
{
    std::vector<AlarmTransition> out;
    if (id < 0 || id >= static_cast<int>(m_points.size()) || seconds <= 0)
        return out;
    AlarmPoint& p = m_points[static_cast<std::size_t>(id)];
    p.shelved = true;
    p.shelvedUntilMs = tickMs + seconds * 1000;
    p.shelvedUntil = time + seconds;
    // Silenced means nothing is owed: the alarm comes back unacknowledged if it still holds.
    p.state = AlarmState::Normal;
    Transit(p, AlarmEvent::Shelved, time, out);
    out.back().count = seconds;
    return out;
}

std::vector<AlarmTransition> AlarmEvaluator::Expire(std::int64_t time, std::int64_t tickMs)
{
    std::vector<AlarmTransition> out;
    for (AlarmPoint& p : m_points) {
        if (!p.shelved || tickMs < p.shelvedUntilMs)
            continue;
        p.shelved = false;
        Transit(p, AlarmEvent::Unshelved, time, out);
        if (p.active) {
            p.state = AlarmState::ActiveUnacked;
            Transit(p, AlarmEvent::Raised, time, out);
            out.back().count = p.misses;
        }
    }
    return out;
}

int AlarmEvaluator::Unacknowledged() const
{
    int n = 0;
    for (const AlarmPoint& p : m_points)
        n += p.Unacknowledged() ? 1 : 0;
    return n;
}

AlarmState AlarmEvaluator::SourceState(bool isVirtual, int index, int value) const
{
    AlarmState worst = AlarmState::Normal;
    for (const AlarmPoint& p : m_points) {
        if (p.kind == AlarmKind::Comm || p.shelved || p.source.isVirtual != isVirtual || !p.active)
            continue;
        if (isVirtual ? p.source.channel != index : (p.source.address != index || p.source.value != value))
            continue;
        if (p.state == AlarmState::ActiveUnacked)
            return p.state;
        worst = AlarmState::ActiveAcked;
    }
    return worst;
}

}  // namespace qor::alarm
