#include "sim/sim_potentiostat.h"

#include "bus/frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qor::sim {

using namespace qor::bus;

namespace {
// The idle cell follows the manual state in steps of at most this many ms.
constexpr double kIdleStepMs = 10.0;
constexpr int kMaxIdleSteps = 100;
}  // namespace

SimPotentiostat::SimPotentiostat(std::uint8_t address, std::uint8_t typeCode, std::uint32_t seed)
    : SimModule(address, static_cast<std::uint8_t>(typeCode & ~kRunningBit), seed),
      m_cell({}, seed * 7919u + address)
{
    m_revision = 2.0f;
    // It comes up in the ranges of its type code, both set manually.
    m_settings = {0x03,
                  static_cast<std::uint8_t>(0x40 | (typeCode & 7)),
                  static_cast<std::uint8_t>(typeCode & 8 ? 72 : 64),
                  0,
                  10,
                  0,
                  0,
                  0,
                  1,
                  0,
                  10};
    // A polarisation scan 140 mV either side of the default cell's corrosion potential.
    SetProgram({.startMv = -190.0, .endMv = 90.0});
    m_files["logbook.txt"] = "01.03.2026 07:58 Netz ein\n01.03.2026 08:00 Datenlogger gestartet\n"
                             "01.03.2026 11:20 Schrittprogramm 1 beendet\n";
    MakeLogger(120, 45);
}

bool SimPotentiostat::Start(std::int64_t nowMs)
{
    Advance(nowMs);
    std::array<std::optional<SimStep>, kStepSlots> program;
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        program[i] = SimStep::Decode(m_slots[i]);
    m_running = m_runner.Start(program);
    m_startMs = nowMs;
    return m_running;
}

void SimPotentiostat::DriveIdle(double seconds)
{
    if (seconds <= 0.0)
        return;
    const int n = std::clamp(static_cast<int>(std::ceil(seconds * 1000.0 / kIdleStepMs)), 1, kMaxIdleSteps);
    for (int i = 0; i < n; ++i) {
        if (m_relay == 1 && m_opMode == 1)
            m_cell.HoldPotential(m_setValue, seconds / n);
        else
            m_cell.HoldCurrent(m_relay == 1 && m_opMode == 0 ? m_setValue : 0.0, seconds / n);
    }
}

void SimPotentiostat::Advance(std::int64_t nowMs)
{
    if (m_running) {
        std::vector<RunSample> samples;
        std::vector<RunPoint> points;
        m_runner.RunUntil(static_cast<double>(nowMs - m_startMs), samples, points);
        for (const RunSample& r : samples) {
            m_samples.push_back(SampleBlock(r));
            if (m_samples.size() > kMaxQueuedSamples)
                m_samples.pop_front();  // the device's ring overwrites its oldest record
        }
        for (const RunPoint& r : points) {
            m_points.push_back(PointBlock(r));
            if (m_points.size() > 200)
                m_points.pop_front();
        }
        // The end shows as the running bit cleared, so the station still takes the last
        // records with that answer (an answer with bit 7 set makes it skip them).
        if (!m_runner.Running())
            m_running = false;
    } else {
        DriveIdle(static_cast<double>(nowMs - m_driveMs) / 1000.0);
    }
    m_driveMs = nowMs;
    const double ua = m_cell.CurrentUa();
    m_typeCode = static_cast<std::uint8_t>((m_typeCode & 0xF0) | RangeFor(ua, m_cell.ElectrodeMv()));
}

std::array<std::int16_t, 3> SimPotentiostat::RawValues(std::int64_t)
{
    if (m_fixedRaw)
        return *m_fixedRaw;
    double target = 0.0;
    if (m_running && m_runner.Mode() != kModeGalvanostatic && m_runner.Mode() != kModeRest)
        target = m_runner.SetValue();
    else if (!m_running && m_relay == 1 && m_opMode == 1)
        target = m_setValue;
    const double targetScale = m_revision >= 2.0f ? 1.0 : 10.0;
    return Words(m_typeCode & 0x0F, m_cell.MeasureCurrentUa(m_cell.CurrentUa()),
                 m_cell.MeasurePotentialMv(m_cell.ElectrodeMv()), target * targetScale);
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
            d[0] = Start(nowMs) ? 1 : 0;
        }
        return Answer(request, std::move(d));
    }
    case CMD_STOP_PROGRAM: {
        std::vector<std::uint8_t> d(2, 0);
        if (!m_refuseStop) {
            m_running = false;
            m_runner.Stop();
            d[0] = 1;
        }
        return Answer(request, std::move(d));
    }
    case CMD_WRITE_STEP:
    case CMD_WRITE_SETTINGS:
    case CMD_READ_STEP:
    case CMD_READ_POT_SETTINGS:
    case CMD_OPERATING_STATE:
        return HandleProgramming(request);
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
