// The potentiostat's step slots, settings and manual state, and how its records are coded.
#include "bus/frame.h"
#include "sim/sim_potentiostat.h"

#include <algorithm>
#include <cmath>

namespace qor::sim {

using namespace qor::bus;

namespace {

// Full scale of the current ranges 0..7 in µA (50 nA .. 500 mA).
constexpr double kFullScaleUa[8] = {0.05, 0.5, 5.0, 50.0, 500.0, 5000.0, 50000.0, 500000.0};
// Divisor of the current word by range (the station divides by the same table); the word
// is in nA for ranges 0 and 1, µA for 2..4, mA for 5..7.
constexpr int kCurrentDivisor[8] = {100, 10, 1000, 100, 10, 1000, 100, 10};
constexpr double kUnitPerUa[8] = {1000.0, 1000.0, 1.0, 1.0, 1.0, 0.001, 0.001, 0.001};

std::int16_t Clamp16(double v)
{
    if (!std::isfinite(v))
        return v > 0 ? 32767 : -32768;
    return static_cast<std::int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
}

}  // namespace

void SimPotentiostat::SetProgram(const Program& p)
{
    m_slots.fill({});
    SimStep sweep;
    sweep.number = 1;
    sweep.mode = kModePotentiostatic;
    sweep.value1 = static_cast<float>(p.startMv);
    sweep.value2 = static_cast<float>(p.endMv);
    sweep.interval = static_cast<std::uint32_t>(std::llround(std::max(0.0, p.sweepSeconds) * 100.0));
    sweep.next = p.impedancePoints > 0 ? 2 : 0;
    sweep.limit = 100000.0f;  // 100 mA
    sweep.samplesPerSecond = std::clamp(1000 / std::max(1, p.samplePeriodMs), 1, 1000);
    m_slots[0] = sweep.Encode(false);
    if (p.impedancePoints > 0) {
        SimStep eis;
        eis.number = 2;
        eis.mode = kModeImpedance;
        eis.value1 = 10000.0f;
        eis.value2 = static_cast<float>(10000.0 * std::pow(10.0, -(p.impedancePoints - 1) / 5.0));
        eis.interval = 5u | (10u << 16);  // five per decade, 10 mV
        eis.limit = 100000.0f;
        m_slots[1] = eis.Encode(false);
    }
}

StepSlot SimPotentiostat::Slot(int number) const
{
    if (number < 1 || number > kStepSlots)
        return {};
    const StepSlot& s = m_slots[static_cast<std::size_t>(number - 1)];
    return SimStep::Decode(s) ? s : StepSlot{};
}

std::array<std::uint8_t, SimPotentiostat::kSettingsSize> SimPotentiostat::Settings() const
{
    auto s = m_settings;
    s[10] = 10;  // byte 10 of a write is not taken; this one reads as an aux value of 100
    return s;
}

std::uint8_t SimPotentiostat::RangeFor(double currentUa, double potentialMv) const
{
    int current = m_settings[1] & 7;
    if (!(m_settings[0] & 1)) {
        current = 7;
        for (int i = 0; i < 8; ++i)
            if (std::fabs(currentUa) <= kFullScaleUa[i]) {
                current = i;
                break;
            }
    }
    const bool high = (m_settings[0] & 2) ? (m_settings[2] & 8) != 0 : std::fabs(potentialMv) > 2000.0;
    return static_cast<std::uint8_t>(current | (high ? 8 : 0));
}

std::array<std::int16_t, 3> SimPotentiostat::Words(std::uint8_t range, double currentUa, double potentialMv,
                                                   double third) const
{
    const int r = range & 7;
    return {Clamp16(currentUa * kUnitPerUa[r] * kCurrentDivisor[r]),
            Clamp16(potentialMv * ((range & 8) ? 1.0 : 10.0)), Clamp16(third)};
}

SimPotentiostat::Block SimPotentiostat::SampleBlock(const RunSample& s) const
{
    const std::uint8_t range = RangeFor(s.currentUa, s.potentialMv);
    const auto w = Words(range, s.currentUa, s.potentialMv, s.setValue * 10.0);
    Block b(12, 0);
    WriteU32(b.data(), s.counterMs);
    b[4] = s.step;
    b[5] = range;
    for (std::size_t i = 0; i < 3; ++i)
        WriteU16(b.data() + 6 + 2 * i, static_cast<std::uint16_t>(w[i]));
    return b;
}

SimPotentiostat::Block SimPotentiostat::PointBlock(const RunPoint& p)
{
    Block b(18, 0);
    WriteU32(b.data(), p.index);
    WriteF32(b.data() + 4, static_cast<float>(p.hz));
    WriteF32(b.data() + 8, static_cast<float>(p.phaseDeg));
    WriteF32(b.data() + 12, static_cast<float>(p.magnitudeOhm));
    b[16] = p.step;
    b[17] = p.mode;
    return b;
}

std::optional<Reply> SimPotentiostat::HandleProgramming(const Request& request)
{
    const std::vector<std::uint8_t>& p = request.payload;
    const auto refuse = [&] { return Answer(request, {}, kStatusRefused); };
    switch (request.command) {
    case CMD_WRITE_STEP: {
        if (p.size() != kStepSlotSize || p[0] == 0)
            return refuse();
        const bool empty = p[23] == 1;
        const std::uint8_t mode = p[13];
        if (!empty && mode != kModeGalvanostatic && mode != kModePotentiostatic && mode != kModeRest &&
            mode != kModeImpedance)
            return refuse();
        std::copy(p.begin(), p.end(), m_slots[static_cast<std::size_t>(p[0] - 1)].begin());
        return Answer(request, {1, 0});
    }
    case CMD_READ_STEP: {
        if (p.empty() || p[0] == 0)
            return refuse();
        const StepSlot s = Slot(p[0]);
        return Answer(request, std::vector<std::uint8_t>(s.begin(), s.end()));
    }
    case CMD_WRITE_SETTINGS:
        if (p.size() != kSettingsSize)
            return refuse();
        std::copy(p.begin(), p.end(), m_settings.begin());
        return Answer(request, {1, 0});
    case CMD_READ_POT_SETTINGS: {
        const auto s = Settings();
        return Answer(request, std::vector<std::uint8_t>(s.begin(), s.end()));
    }
    case CMD_OPERATING_STATE: {
        if (p.size() != kStateSize || p[0] > 1)
            return refuse();
        if (p[0] == 1) {
            const auto mode = static_cast<std::int8_t>(p[1]);
            const auto relay = static_cast<std::int8_t>(p[2]);
            const float value = ReadF32(&p[4]);
            if (mode < 0 || mode > 2 || relay < 0 || relay > 1 || !std::isfinite(value))
                return refuse();
            m_opMode = mode;
            m_relay = relay;
            m_setValue = value;
        }
        std::vector<std::uint8_t> d(kStateSize, 0);
        d[0] = p[0];
        d[1] = static_cast<std::uint8_t>(m_opMode);
        d[2] = static_cast<std::uint8_t>(m_relay);
        WriteF32(d.data() + 4, m_setValue);
        return Answer(request, std::move(d));
    }
    default:
        return refuse();
    }
}

}  // namespace qor::sim
