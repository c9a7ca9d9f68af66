#include "station/recorder.h"

#include "station/pot_control.h"
#include "station/station_texts.h"

#include <algorithm>

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
        f.firstSample = false;
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
    m_ctx.doc.AddSample(0);
}

void Recorder::PollOnce(std::uint8_t address)
{
    bus::BusLink& link = m_ctx.link;
    link.PrepareMeasureRequest(address);
    if (!link.PollModule()) {
        link.LinkError();
        return;
    }
    if (ApplyMeasurement(m_ctx.Slave(address), link.LastMeasurement()))
        m_pot.ReadRecords(address);
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
            for (int n = 0; n <= last && !f.stoppedInCycle; ++n) {
                catalogue::CSlave& slave = m_ctx.Slave(n);
                if (!slave.m_enabled)
                    continue;
                const auto a = static_cast<std::uint8_t>(n);
                if (!(slave.m_type & 0x40)) {
                    PollOnce(a);
                } else if (!f.potRunning) {
                    PollOnce(a);
                    if (slave.m_countdown > 0)
                        --slave.m_countdown;
                } else {
                    m_pot.PollRunning(a, stillRunning);
                    potPending = true;
                }
            }
            f.inCycle = false;
            if (potPending)
                m_ctx.doc.AddSample(1);
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
        if (!f.firstSample && !f.stoppedInCycle)
            StoreFirstSample();
    }
    // What was journalled reaches the device within the second.
    m_ctx.doc.SyncJournal();
    m_ctx.ui.RefreshViews();
}

void Recorder::StoreFirstSample()
{
    m_ctx.flags.firstSample = true;
    m_ctx.doc.AddSample(0);
    // An invalid interval time reads as -1:-1:-1 and so falls under the 1 s floor too.
    int seconds = m_ctx.doc.GrafikSetup().IntervalSeconds();
    if (seconds < 1) {
        seconds = 1;
        m_ctx.doc.SetRecordingInterval(0, 0, 1);
    }
    m_ctx.timers.Start(kTimerRecord, seconds * 1000);
}

}  // namespace qor::station
