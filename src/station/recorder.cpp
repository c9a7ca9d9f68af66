#include "station/recorder.h"

#include "station/pot_control.h"
#include "station/station_texts.h"

#include <algorithm>
#include <vector>

namespace qor::station {
namespace {

constexpr TextPair kTargetRefused = {"Aufzeichnung nicht möglich: %s", "Recording is not possible: %s"};

}  // namespace

void Recorder::StartMeasuring()
{
    StationFlags& f = m_ctx.flags;
    if (!f.metersShown) {
        m_ctx.link.OpenPort();
        m_ctx.timers.Start(kTimerPoll, 1000);
        f.measuring = true;
        f.cycleFree = true;
    }
    ShowMeters();
    m_ctx.ui.SetPane(2, m_ctx.T(text::kTransfer));
}

void Recorder::ShowMeters()
{
    m_ctx.ui.ShowMeters();
    m_ctx.flags.metersShown = true;
}

int Recorder::SaveIntervalMs() const
{
    const TimeOfDay t = SplitDayFraction(m_ctx.config.interval);
    int seconds = (t.hours % 24) * 3600 + (t.minutes % 60) * 60 + t.seconds % 60;
    // An interval of 00:00:00 would save without pause; the port setup turns it into ten minutes.
    if (!t.valid || seconds <= 0)
        seconds = 600;
    return seconds * 1000;
}

bool Recorder::StartRecording()
{
    StationFlags& f = m_ctx.flags;
    m_ctx.link.OpenPort();
    bool started = false;
    std::string reason;
    const bool setUp = m_ctx.ui.RunRecordingSetup();
    if (setUp && !m_ctx.doc.StartJournal(reason)) {
        // Refused before any sample: a recording that cannot be kept is not started.
        m_ctx.ui.ShowMessage(Format(m_ctx.T(kTargetRefused).c_str(), reason.c_str()));
    } else if (setUp) {
        // Modules not released measure nothing: their place in a sample holds no value.
        for (int n = 0; n < 16; ++n)
            if (!m_ctx.Slave(n).m_enabled)
                ForgetValues(m_ctx.Slave(n));
        f.firstSample = false;
        m_busSilent = false;
        m_answered = 0;
        m_missed.fill(0);
        f.stoppedInCycle = false;
        f.cycleFree = true;
        PollCycle();
        if (!f.stoppedInCycle) {
            m_ctx.timers.Start(kTimerPoll, 1000);
            m_ctx.timers.Start(kTimerSave, SaveIntervalMs());
            f.measuring = true;
            f.recording = true;
            m_ctx.ui.SetPane(2, m_ctx.T(text::kTransfer));
            const data::CGrafikSetup::Hms iv = m_ctx.doc.GrafikSetup().Interval();
            m_ctx.Log(Format("%s %02d:%02d:%02d", m_ctx.T(text::kLoggingStarted).c_str(), iv.hours,
                             iv.minutes, iv.seconds));
            started = true;
        }
    }
    f.cycleFree = true;
    return started;
}

void Recorder::StopAll()
{
    StationFlags& f = m_ctx.flags;
    if (f.recording)
        m_ctx.Log(m_ctx.T(text::kLoggingEnded));
    m_ctx.ui.CloseMeters();
    f.metersShown = false;
    f.measuring = false;
    f.recording = false;
    m_ctx.timers.Stop(kTimerPoll);
    m_ctx.timers.Stop(kTimerRecord);
    m_ctx.timers.Stop(kTimerSave);
    m_ctx.ui.SetPane(2, m_ctx.T(text::kNoTransfer));
}

void Recorder::RecordTick()
{
    if (m_ctx.flags.firstSample)
        m_samples.Tick(m_ctx.clock.TickMs(), m_ctx.flags.inCycle);
}

bool Recorder::PollOnce(std::uint8_t address)
{
    // A lost gateway connection or port is noticed and reported by the link itself, once
    // per outage; a module that stays silent is no fault of the link.
    bus::BusLink& link = m_ctx.link;
    link.PrepareMeasureRequest(address);
    const std::optional<bus::MeasurementAnswer> answer = link.PollModule();
    if (!answer) {
        ForgetValues(m_ctx.Slave(address));
        return false;
    }
    if (ApplyMeasurement(m_ctx.Slave(address), *answer))
        m_pot.ReadRecords(address);
    return true;
}

void Recorder::NoteAnswer(int address, bool answered)
{
    const auto a = static_cast<std::size_t>(address & 15);
    // The cycle's value of the module is what this poll decoded into its record, or none.
    ModuleReading& r = m_cycle.modules[a];
    DescribeReading(r, m_ctx.Slave(address));
    r.state = answered ? Reading::Measured : Reading::Missed;
    if (answered) {
        const catalogue::CSlave& slave = m_ctx.Slave(address);
        r.values = {slave.m_value1, slave.m_value2, slave.m_value3};
        m_answered = static_cast<std::uint16_t>(m_answered | (1u << a));
        m_missed[a] = 0;
    } else {
        r.values = {ModuleReading::kNone, ModuleReading::kNone, ModuleReading::kNone};
        if (m_missed[a] < 255)
            ++m_missed[a];
    }
}

void Recorder::PublishCycle()
{
    Measurement& m = m_cycle;
    m.time = m_ctx.clock.Now();
    m.tickMs = m_ctx.clock.TickMs();
    m.cycle = ++m_cycles;
    for (int n = 0; n < 16; ++n) {
        ModuleReading& r = m.modules[static_cast<std::size_t>(n)];
        const catalogue::CSlave& slave = m_ctx.Slave(n);
        // Modules this cycle did not ask (not released, beyond the addresses searched) and
        // addresses without a module measured nothing.
        if (r.state == Reading::Absent || !slave.m_enabled || slave.m_type == 0) {
            r = ModuleReading{};
            r.type = slave.m_type;
            r.displayMode = slave.m_displayMode;
        }
    }
    const Measurement published = m;
    m_cycle = Measurement{};
    m_ctx.hub.Publish(published);
}

bool Recorder::FirstSampleReady()
{
    const int last = std::clamp(m_ctx.config.idCount, 0, 15);
    std::vector<int> missing;
    for (int n = 0; n <= last; ++n) {
        if (!m_ctx.Slave(n).m_enabled || ((m_answered >> n) & 1u))
            continue;
        if (m_missed[static_cast<std::size_t>(n)] < 2)
            return false;
        missing.push_back(n);
    }
    for (int n : missing)
        m_ctx.Log(Format(m_ctx.T(text::kModuleMissing).c_str(), n));
    return true;
}

void Recorder::PollCycle()
{
    StationFlags& f = m_ctx.flags;
    if (!m_ctx.link.Busy()) {
        if (f.cycleFree) {
            f.cycleFree = false;
            f.inCycle = true;
            f.stoppedInCycle = false;
            bool potPending = false;
            bool stillRunning = false;
            const int last = std::clamp(m_ctx.config.idCount, 0, 15);
            // Nothing came back in the whole last cycle (a frozen gateway, a cut bus line): every
            // further module asked would only hold the program for another time-out. Such a
            // cycle asks the modules in turn, one further each time, and stops at the first
            // silent one; the first answer brings the full cycle back.
            const bool probing = m_busSilent;
            const int first = probing ? m_probeStart % (last + 1) : 0;
            bool asked = false, heard = false;
            m_cycle = Measurement{};
            for (int i = 0; i <= last && !f.stoppedInCycle; ++i) {
                const int n = (first + i) % (last + 1);
                catalogue::CSlave& slave = m_ctx.Slave(n);
                if (!slave.m_enabled)
                    continue;
                if (probing && asked && !heard) {
                    ForgetValues(slave);
                    NoteAnswer(n, false);
                    // Not asked says nothing about a program that runs.
                    stillRunning = stillRunning || (catalogue::IsPotentiostat(slave.m_type) && f.potRunning);
                    continue;
                }
                if (!asked)
                    m_probeStart = n + 1;
                asked = true;
                const auto a = static_cast<std::uint8_t>(n);
                bool ok = false;
                if (!catalogue::IsPotentiostat(slave.m_type)) {
                    ok = PollOnce(a);
                } else if (!f.potRunning) {
                    ok = PollOnce(a);
                    if (slave.m_countdown > 0)
                        --slave.m_countdown;
                } else {
                    ok = m_pot.PollRunning(a, stillRunning);
                    potPending = true;
                }
                NoteAnswer(n, ok);
                // A refused or garbled answer still shows a bus that answers.
                const bus::ExchangeFailure why = m_ctx.link.LastFailure();
                heard =
                    heard || ok || why == bus::ExchangeFailure::None || why == bus::ExchangeFailure::Corrupt;
            }
            m_busSilent = asked && !heard;
            f.inCycle = false;
            PublishCycle();
            if (potPending)
                m_ctx.doc.MarkModified();
            if (!stillRunning) {
                if (f.potRunning && f.potWithRecording) {
                    f.potWithRecording = false;
                    // The program has ended: the stop command must not ask whether to end it.
                    m_ctx.SetPotRunning(false);
                    m_stopCommand();
                }
                m_ctx.SetPotRunning(false);
            }
        }
        f.cycleFree = true;
        if (!f.firstSample && !f.stoppedInCycle && FirstSampleReady())
            StoreFirstSample();
    }
    // What was journalled reaches the device within the second.
    m_ctx.doc.SyncJournal();
    m_ctx.ui.RefreshViews();
}

void Recorder::StoreFirstSample()
{
    m_ctx.flags.firstSample = true;
    m_samples.Start(m_ctx.clock.TickMs(), m_ctx.clock.Now(), m_ctx.flags.inCycle);
    // An invalid interval time reads as -1:-1:-1 and so falls under the 1 s floor too.
    int seconds = m_ctx.doc.GrafikSetup().IntervalSeconds();
    if (seconds < 1) {
        seconds = 1;
        m_ctx.doc.SetRecordingInterval(0, 0, 1);
    }
    m_samples.SetInterval(seconds);
    m_ctx.timers.Start(kTimerRecord, seconds * 1000);
}

}  // namespace qor::station
