#include "sim/sim_step_runner.h"

#include "bus/frame.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qor::sim {

using namespace qor::bus;

namespace {
constexpr double kPi = 3.14159265358979323846;
// The cell is integrated in steps of at most this many ms; limits are checked after each.
constexpr double kMaxSubstepMs = 10.0;
// Every step lasts at least this long, so a chain of empty steps still lets time pass.
constexpr double kMinStepMs = 1.0;
constexpr double kEps = 1e-6;
constexpr std::size_t kMaxPoints = 10000;

enum SlotFlag : std::uint8_t {
    kFromRest = 1,
    kFromMomentary = 2,
    kLimitBelow = 4,
    kCyclic = 8,
    kConstant = 16
};

// A point takes two periods of its frequency, and at least half a second.
double PointMs(double hz)
{
    return std::max(500.0, 2000.0 / hz);
}
}  // namespace

std::optional<SimStep> SimStep::Decode(const StepSlot& b)
{
    if (b[0] == 0 || b[23] == 1)
        return std::nullopt;
    SimStep s;
    s.number = b[0];
    s.value1 = ReadF32(&b[1]);
    s.value2 = ReadF32(&b[5]);
    s.interval = ReadU32(&b[9]);
    s.mode = b[13];
    s.next = b[14];
    s.passes = b[15];
    s.limit = ReadF32(&b[16]);
    s.fromRest = b[20] & kFromRest;
    s.fromMomentary = b[20] & kFromMomentary;
    s.limitBelow = b[20] & kLimitBelow;
    s.cyclic = b[20] & kCyclic;
    s.constant = b[20] & kConstant;
    s.samplesPerSecond = b[21] >= 1 && b[21] <= 200 ? b[21] * 5 : 1;
    return s;
}

StepSlot SimStep::Encode(bool modified) const
{
    StepSlot b{};
    b[0] = number;
    WriteF32(&b[1], value1);
    WriteF32(&b[5], value2);
    WriteU32(&b[9], interval);
    b[13] = mode;
    b[14] = next;
    b[15] = passes;
    WriteF32(&b[16], limit);
    b[20] = static_cast<std::uint8_t>((fromRest ? kFromRest : 0) | (fromMomentary ? kFromMomentary : 0) |
                                      (limitBelow ? kLimitBelow : 0) | (cyclic ? kCyclic : 0) |
                                      (constant ? kConstant : 0));
    b[21] = static_cast<std::uint8_t>(samplesPerSecond / 5);
    b[22] = modified ? 1 : 0;
    return b;
}

bool StepRunner::Start(const std::array<std::optional<SimStep>, kStepSlots>& program)
{
    m_program = program;
    m_running = false;
    m_step = nullptr;
    if (!m_program[0])
        return false;
    m_running = true;
    m_startPending = true;
    m_now = 0.0;
    Begin(0, 1);
    return true;
}

void StepRunner::Begin(int slot, int pass)
{
    m_slot = slot;
    m_pass = pass;
    m_step = &*m_program[static_cast<std::size_t>(slot)];
    const SimStep& s = *m_step;
    m_t0 = m_now;
    m_samplesInStep = 0;
    m_periodMs = 1000.0 / std::max(1, s.samplesPerSecond);
    double duration = s.interval * 10.0;
    m_from = m_to = 0.0;
    if (s.mode == kModeImpedance) {
        const double f1 = s.value1, f2 = s.value2;
        const int perDecade = std::clamp(static_cast<int>(s.interval & 0xFFFF), 1, 100);
        m_amplitudeMv = std::max(1u, s.interval >> 16);
        m_freqs.clear();
        if (f1 > 0.0 && f2 > 0.0) {
            const double decades = std::log10(f2 / f1);
            const auto n =
                std::min(kMaxPoints, static_cast<std::size_t>(perDecade * std::fabs(decades) + 1e-3) + 1);
            for (std::size_t k = 0; k < n; ++k)
                m_freqs.push_back(
                    f1 * std::pow(10.0, (decades < 0 ? -1.0 : 1.0) * static_cast<double>(k) / perDecade));
        }
        m_point = 0;
        m_pointEnd = m_t0 + (m_freqs.empty() ? kMinStepMs : PointMs(m_freqs[0]));
        // Around the rest potential the cell stays open; otherwise the present potential is held.
        m_biasMv = s.fromRest ? m_cell.InterfaceMv() : m_cell.ElectrodeMv();
        m_set = m_biasMv;
        return;
    }
    if (s.mode == kModePotentiostatic || s.mode == kModeGalvanostatic) {
        const bool pot = s.mode == kModePotentiostatic;
        const double momentary = pot ? m_cell.ElectrodeMv() : m_cell.CurrentUa();
        const double rest = pot ? m_cell.InterfaceMv() : 0.0;
        m_from = s.fromMomentary ? momentary : s.fromRest ? rest : s.value1;
        m_to = s.constant ? m_from : s.value2;
        if (s.fromMomentary && !s.constant && s.value1 != 0.0f)
            duration = std::fabs(m_to - m_from) / std::fabs(s.value1) * 1000.0;  // value 1 is the slew rate
        if (s.cyclic && pass % 2 == 0)
            std::swap(m_from, m_to);
    }
    m_duration = std::max(duration, kMinStepMs);
    m_set = m_from;
}

void StepRunner::Drive(double untilMs)
{
    const double seconds = (untilMs - m_now) / 1000.0;
    m_now = untilMs;
    switch (m_step->mode) {
    case kModePotentiostatic:
    case kModeGalvanostatic: {
        const double f = m_duration > 0.0 ? std::clamp((m_now - m_t0) / m_duration, 0.0, 1.0) : 1.0;
        m_set = m_from + (m_to - m_from) * f;
        if (m_step->mode == kModePotentiostatic)
            m_cell.HoldPotential(m_set, seconds);
        else
            m_cell.HoldCurrent(m_set, seconds);
        break;
    }
    case kModeImpedance:
        if (m_step->fromRest)
            m_cell.HoldCurrent(0.0, seconds);
        else
            m_cell.HoldPotential(m_biasMv, seconds);
        break;
    default:
        m_set = 0.0;
        m_cell.HoldCurrent(0.0, seconds);
        break;
    }
}

bool StepRunner::LimitCrossed() const
{
    const bool current = m_step->mode == kModePotentiostatic || m_step->mode == kModeImpedance;
    const double v = current ? m_cell.CurrentUa() : m_cell.ElectrodeMv();
    return m_step->limitBelow ? v < m_step->limit : v > m_step->limit;
}

RunSample StepRunner::Sample(double ms)
{
    RunSample r;
    r.counterMs = static_cast<std::uint32_t>(std::llround(ms));
    r.step = m_step->number;
    r.currentUa = m_cell.MeasureCurrentUa(m_cell.CurrentUa());
    r.potentialMv = m_cell.MeasurePotentialMv(m_cell.ElectrodeMv());
    r.setValue = m_set;
    return r;
}

RunPoint StepRunner::Point()
{
    RunPoint p;
    p.index = static_cast<std::uint32_t>(m_point);
    p.hz = m_freqs[m_point];
    const std::complex<double> z = m_cell.ImpedanceOhm(p.hz, m_cell.InterfaceMv());
    // The response to a smaller excitation stands out less from the noise.
    const double noise = m_cell.Params().currentNoise * 10.0 / m_amplitudeMv;
    p.magnitudeOhm = std::abs(z) * m_cell.Jitter(noise);
    p.phaseDeg = std::arg(z) * 180.0 / kPi + (m_cell.Jitter(noise) - 1.0) * 50.0;
    p.step = m_step->number;
    p.mode = m_step->mode;
    return p;
}

void StepRunner::EndStep(bool limited, std::vector<RunSample>& samples)
{
    if (!Impedance())
        samples.push_back(Sample(m_now));
    const SimStep& s = *m_step;
    if (!limited && m_pass < std::max<int>(1, s.passes)) {
        Begin(m_slot, m_pass + 1);
        return;
    }
    if (s.next == 0 || !m_program[static_cast<std::size_t>(s.next - 1)]) {
        m_running = false;
        return;
    }
    Begin(s.next - 1, 1);
}

void StepRunner::RunUntil(double ms, std::vector<RunSample>& samples, std::vector<RunPoint>& points)
{
    if (!m_running)
        return;
    if (m_startPending) {
        // The run records the state it starts from.
        m_startPending = false;
        if (!Impedance()) {
            Drive(m_now);
            samples.push_back(Sample(m_now));
        }
    }
    while (m_running && m_now < ms - kEps) {
        const double inf = std::numeric_limits<double>::infinity();
        const double end = Impedance() ? m_pointEnd : m_t0 + m_duration;
        const double nextSample = Impedance() ? inf : m_t0 + (m_samplesInStep + 1) * m_periodMs;
        Drive(std::min({ms, end, nextSample, m_now + kMaxSubstepMs}));
        if (LimitCrossed()) {
            EndStep(true, samples);
        } else if (Impedance()) {
            if (m_now < m_pointEnd - kEps)
                continue;
            if (m_point < m_freqs.size())
                points.push_back(Point());
            if (++m_point >= m_freqs.size())
                EndStep(false, samples);
            else
                m_pointEnd += PointMs(m_freqs[m_point]);
        } else if (m_now >= end - kEps) {
            EndStep(false, samples);
        } else if (m_now >= nextSample - kEps) {
            samples.push_back(Sample(m_now));
            ++m_samplesInStep;
        }
    }
}

}  // namespace qor::sim
