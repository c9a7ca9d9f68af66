#include "sim/sim_potentiostat.h"

#include "bus/frame.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

namespace qor::sim {

using namespace qor::bus;

namespace {

// Divisor of the current word by range bits 0..2 (the station divides by the same table).
constexpr int kCurrentDivisor[8] = {100, 10, 1000, 100, 10, 1000, 100, 10};

std::int16_t Clamp16(double v)
{
    double r = std::round(v);
    return static_cast<std::int16_t>(std::clamp(r, -32768.0, 32767.0));
}

// Unit of the current word for a range: nA (0, 1), µA (2..4), mA (5..7); the cell works in µA.
double CurrentUnitPerUa(int range)
{
    range &= 7;
    if (range <= 1)
        return 1000.0;
    if (range <= 4)
        return 1.0;
    return 0.001;
}

// Cell parameters: equilibrium at 0 mV, exchange current 0.05 µA, symmetric transfer,
// anodic and cathodic limiting currents of 40 and 30 µA, 10 µF double layer.
constexpr double kExchangeUa = 0.05;
constexpr double kAlphaF = 0.5 * 38.92;  // alpha * F / RT in 1/V
constexpr double kLimitAnodicUa = 40.0;
constexpr double kLimitCathodicUa = 30.0;
constexpr double kDoubleLayerUf = 10.0;
constexpr double kRestMv = 12.5;

// Randles circuit for the impedance points.
constexpr double kRs = 100.0;
constexpr double kRct = 2000.0;
constexpr double kCdl = 20e-6;

}  // namespace

SimPotentiostat::SimPotentiostat(std::uint8_t address, std::uint8_t typeCode, std::uint32_t seed)
    : SimModule(address, static_cast<std::uint8_t>(typeCode & ~kRunningBit), seed)
{
    m_revision = 2.0f;
    m_files["logbook.txt"] = "01.03.2026 07:58 Netz ein\n01.03.2026 08:00 Datenlogger gestartet\n"
                             "01.03.2026 11:20 Schrittprogramm 1 beendet\n";
    MakeLogger(120, 45);
}

double SimPotentiostat::CellCurrentUa(double mv)
{
    const double eta = (mv) / 1000.0;
    const double ia = kExchangeUa * std::exp(std::min(kAlphaF * eta, 60.0));
    const double ic = kExchangeUa * std::exp(std::min(-kAlphaF * eta, 60.0));
    // Kinetics and mass transport in series (Koutecky-Levich): Tafel lines at small
    // currents, plateaus at the limiting currents, zero at equilibrium.
    return (ia - ic) / (1.0 + ia / kLimitAnodicUa + ic / kLimitCathodicUa);
}

double SimPotentiostat::TargetMv(double seconds) const
{
    if (m_program.sweepSeconds <= 0.0)
        return m_program.endMv;
    double f = std::clamp(seconds / m_program.sweepSeconds, 0.0, 1.0);
    return m_program.startMv + (m_program.endMv - m_program.startMv) * f;
}

void SimPotentiostat::Start(std::int64_t nowMs)
{
    m_running = true;
    m_startMs = nowMs;
    m_lastMs = nowMs;
    m_nextSampleMs = nowMs;
    m_nextPoint = 0;
    m_lastTargetMv = m_program.startMv;
}

void SimPotentiostat::Advance(std::int64_t nowMs)
{
    if (!m_running)
        return;
    const std::int64_t sweepEnd = m_startMs + static_cast<std::int64_t>(m_program.sweepSeconds * 1000.0);
    const int period = std::max(1, m_program.samplePeriodMs);
    while (m_nextSampleMs <= nowMs && m_nextSampleMs <= sweepEnd) {
        const double t = static_cast<double>(m_nextSampleMs - m_startMs) / 1000.0;
        m_samples.push_back(SampleBlock(t, static_cast<std::uint32_t>(m_nextSampleMs - m_startMs)));
        if (m_samples.size() > kMaxQueuedSamples)
            m_samples.pop_front();  // the device's ring overwrites its oldest record
        m_nextSampleMs += period;
    }
    // Impedance points follow the sweep, one every 500 ms.
    while (m_nextPoint < m_program.impedancePoints && sweepEnd + 500 * (m_nextPoint + 1) <= nowMs) {
        m_points.push_back(ImpedanceBlock(m_nextPoint));
        if (m_points.size() > 200)
            m_points.pop_front();
        ++m_nextPoint;
    }
    const std::int64_t end = sweepEnd + 500 * static_cast<std::int64_t>(m_program.impedancePoints);
    m_lastMs = nowMs;
    if (nowMs >= end)
        m_running = false;
}

SimPotentiostat::Block SimPotentiostat::SampleBlock(double seconds, std::uint32_t counter)
{
    const int range = m_typeCode & 0x0F;
    const double target = TargetMv(seconds);
    const double sweepRate = m_program.sweepSeconds > 0.0
                                 ? (m_program.endMv - m_program.startMv) / m_program.sweepSeconds / 1000.0
                                 : 0.0;  // V/s
    const double current = CellCurrentUa(target) + kDoubleLayerUf * sweepRate + Noise(0.02);
    const double measured = target + Noise(0.3);
    Block b(12, 0);
    WriteU32(b.data(), counter);
    b[4] = 1;  // step number
    b[5] = static_cast<std::uint8_t>(range);
    const double potScale = (range & 8) ? 1.0 : 10.0;
    WriteU16(b.data() + 6, static_cast<std::uint16_t>(
                               Clamp16(current * CurrentUnitPerUa(range) * kCurrentDivisor[range & 7])));
    WriteU16(b.data() + 8, static_cast<std::uint16_t>(Clamp16(measured * potScale)));
    WriteU16(b.data() + 10, static_cast<std::uint16_t>(Clamp16(target * 10.0)));
    m_lastTargetMv = target;
    return b;
}

SimPotentiostat::Block SimPotentiostat::ImpedanceBlock(int index)
{
    const double freq = 10000.0 * std::pow(10.0, -index / 5.0);
    const double w = 2.0 * 3.14159265358979323846 * freq;
    const std::complex<double> z = kRs + kRct / (1.0 + std::complex<double>(0.0, w * kRct * kCdl));
    Block b(18, 0);
    WriteU32(b.data(), static_cast<std::uint32_t>(index));
    WriteF32(b.data() + 4, static_cast<float>(freq));
    WriteF32(b.data() + 8, static_cast<float>(std::arg(z) * 180.0 / 3.14159265358979323846));
    WriteF32(b.data() + 12, static_cast<float>(std::abs(z) * (1.0 + Noise(0.002))));
    b[16] = 2;  // step number
    b[17] = 4;  // device mode of an impedance step
    return b;
}

std::array<std::int16_t, 3> SimPotentiostat::RawValues(std::int64_t nowMs)
{
    if (m_fixedRaw)
        return *m_fixedRaw;
    const int range = m_typeCode & 0x0F;
    double target = 0.0;
    double current = Noise(0.01);
    double measured = kRestMv + Noise(0.3);
    if (m_running) {
        target = TargetMv(static_cast<double>(nowMs - m_startMs) / 1000.0);
        current = CellCurrentUa(target) + Noise(0.02);
        measured = target + Noise(0.3);
    }
    const double potScale = (range & 8) ? 1.0 : 10.0;
    const double targetScale = m_revision >= 2.0f ? 1.0 : 10.0;
    return {Clamp16(current * CurrentUnitPerUa(range) * kCurrentDivisor[range & 7]),
            Clamp16(measured * potScale), Clamp16(target * targetScale)};
}

std::uint8_t SimPotentiostat::MeasurementStatus() const
{
    return static_cast<std::uint8_t>(m_running ? (m_typeCode | kRunningBit) : m_typeCode);
}

void SimPotentiostat::SetFile(const std::string& name, std::optional<std::string> content)
{
    if (content)
        m_files[name] = std::move(*content);
    else
        m_files.erase(name);
}

void SimPotentiostat::FailBlock(const std::string& name, std::uint16_t block, int times)
{
    m_failBlocks[{name, block}] += times;
}

void SimPotentiostat::OverrideBlockStatus(const std::string& name, std::uint16_t block, std::uint8_t status)
{
    m_statusOverrides[{name, block}] = status;
}

void SimPotentiostat::MakeLogger(int lines, int ringLine)
{
    std::vector<std::string> text;
    for (int i = 0; i < lines; ++i) {
        const int minutes = 8 * 60 + i;
        const int day = 1 + (minutes / 1440) % 28;
        const int hh = (minutes / 60) % 24;
        const int mm = minutes % 60;
        const double ph = 7.0 + 0.3 * std::sin(i / 17.0);
        const double mv = 250.0 + 40.0 * std::cos(i / 23.0);
        const double temp = 21.0 + 2.0 * std::sin(i / 60.0);
        char line[64];
        std::snprintf(line, sizeof line,
                      "%02d03%02d%02d%02dpH  %6.3fmV  %6.1f\xB0"
                      "C  %6.2f",
                      day, 26, hh, mm, ph, mv, temp);
        text.emplace_back(line);
    }
    std::string chrono, ring;
    std::size_t ringStart = 0;
    const int split = lines > 0 ? std::clamp(ringLine, 0, lines) : 0;
    // The ring holds the newest lines first in storage, the oldest from the ring start on.
    for (int i = lines - split; i < lines; ++i)
        ring += text[static_cast<std::size_t>(i)] + "\n\r";
    ringStart = ring.size();
    for (int i = 0; i < lines - split; ++i)
        ring += text[static_cast<std::size_t>(i)] + "\n\r";
    m_files["dl.txt"] = ring;
    std::string ini(8, '\0');
    WriteU32(reinterpret_cast<std::uint8_t*>(ini.data()), static_cast<std::uint32_t>(ringStart));
    m_files["dl.ini"] = ini;
}

std::optional<Reply> SimPotentiostat::FileBlock(const Request& request)
{
    if (request.payload.size() < 4)
        return Answer(request, {}, kStatusRefused);
    const std::size_t k = ReadU16(request.payload.data());
    const std::uint16_t block = ReadU16(request.payload.data() + 2);
    if (request.payload.size() < 4 + k)
        return Answer(request, {}, kStatusRefused);
    const std::string name(request.payload.begin() + 4, request.payload.begin() + 4 + static_cast<long>(k));
    auto fail = m_failBlocks.find({name, block});
    if (fail != m_failBlocks.end() && fail->second > 0) {
        if (--fail->second == 0)
            m_failBlocks.erase(fail);
        return std::nullopt;
    }
    std::vector<std::uint8_t> data(4, 0);
    auto file = m_files.find(name);
    const std::size_t offset = static_cast<std::size_t>(block) * kBlockSize;
    if (file == m_files.end() || (offset >= file->second.size() && !(offset == 0 && block == 0))) {
        data[0] = 0;
    } else {
        const std::string& content = file->second;
        const std::size_t n = std::min(kBlockSize, content.size() - offset);
        data[0] = offset + n >= content.size() ? 2 : 1;
        data.insert(data.end(), content.begin() + static_cast<long>(offset),
                    content.begin() + static_cast<long>(offset + n));
    }
    auto over = m_statusOverrides.find({name, block});
    if (over != m_statusOverrides.end()) {
        data[0] = over->second;
        m_statusOverrides.erase(over);
    }
    return Answer(request, std::move(data));
}

std::optional<Reply> SimPotentiostat::Handle(const Request& request, std::int64_t nowMs)
{
    Advance(nowMs);
    switch (request.command) {
    case CMD_IDENTIFY: {
        auto reply = SimModule::Handle(request, nowMs);
        if (reply && reply->data.size() > 10)
            reply->data[10] = MeasurementStatus();
        return reply;
    }
    case CMD_COUNT_POT_RECORDS: {
        std::vector<std::uint8_t> d(4, 0);
        const auto written = static_cast<std::uint16_t>(m_samplesRead + m_samples.size());
        WriteU16(d.data(), written);
        WriteU16(d.data() + 2, m_samplesRead);
        return Answer(request, std::move(d));
    }
    case CMD_READ_POT_RECORDS: {
        std::size_t max = request.payload.empty() ? 1 : request.payload[0];
        max = std::min<std::size_t>(max, (kBufferSize - kHeaderSize - 2) / 12);
        std::vector<std::uint8_t> d;
        while (max-- > 0 && !m_samples.empty()) {
            d.insert(d.end(), m_samples.front().begin(), m_samples.front().end());
            m_samples.pop_front();
            ++m_samplesRead;
        }
        return Answer(request, std::move(d));
    }
    case CMD_COUNT_EIS_RECORDS: {
        std::vector<std::uint8_t> d(4, 0);
        d[0] = static_cast<std::uint8_t>(m_pointsRead + m_points.size());
        d[2] = m_pointsRead;
        return Answer(request, std::move(d));
    }
    case CMD_READ_EIS_RECORDS: {
        std::size_t max = request.payload.empty() ? 1 : request.payload[0];
        max = std::min<std::size_t>(max, (kBufferSize - kHeaderSize - 2) / 20);
        std::vector<std::uint8_t> d;
        while (max-- > 0 && !m_points.empty()) {
            d.insert(d.end(), m_points.front().begin(), m_points.front().end());
            d.push_back(0);  // each record takes 20 bytes on the line, 18 of them used
            d.push_back(0);
            m_points.pop_front();
            ++m_pointsRead;
        }
        return Answer(request, std::move(d));
    }
    case CMD_START_PROGRAM: {
        std::vector<std::uint8_t> d(2, 0);
        if (!m_refuseStart && !m_running) {
            m_samples.clear();
            m_points.clear();
            Start(nowMs);
            d[0] = 1;
        }
        return Answer(request, std::move(d));
    }
    case CMD_STOP_PROGRAM: {
        std::vector<std::uint8_t> d(2, 0);
        if (!m_refuseStop) {
            m_running = false;
            d[0] = 1;
        }
        return Answer(request, std::move(d));
    }
    case CMD_READ_MEASUREMENT: {
        auto reply = SimModule::Handle(request, nowMs);
        if (reply && m_running) {
            if (nowMs - m_lastMeasureMs > 500)
                m_fastSeq = 0;
            m_fastSeq = m_fastSeq % 10 + 1;
            reply->addressByte = static_cast<std::uint8_t>(m_fastSeq);
        }
        m_lastMeasureMs = nowMs;
        return reply;
    }
    case CMD_READ_FILE_BLOCK:
        return FileBlock(request);
    default:
        return SimModule::Handle(request, nowMs);
    }
}

}  // namespace qor::sim
