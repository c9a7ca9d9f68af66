#pragma once

#include "station/measurement.h"
#include "station/recording_samples.h"
#include "station/station_context.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace qor::station {

class PotControl;

// Measuring and recording: the poll cycle of the released modules, the samples it stores
// and the timers that drive both.
class Recorder {
public:
    // `stopCommand` is the station's "End data logging", run when a potentiostat program
    // started with the recording has ended.
    Recorder(StationContext& ctx, PotControl& pot, std::function<void()> stopCommand)
        : m_ctx(ctx), m_pot(pot), m_stopCommand(std::move(stopCommand)), m_samples(ctx.doc)
    {
        m_ctx.hub.Subscribe(&m_samples);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void StartMeasuring();
    void ShowMeters();
    // True when recording runs afterwards.
    bool StartRecording();
    // Stops measuring and recording (poll, record and save timers).
    void StopAll();
    // The poll timer: one poll of every released module.
    void PollCycle();
    // The record timer: the sample of the interval now due. Each interval of the recording
    // gets one sample stamped on its grid; intervals the program could not serve (an exchange
    // that blocked) get empty ones.
    void RecordTick();

private:
    // True when the module answered.
    bool PollOnce(std::uint8_t address);
    // The module's part of the running cycle, from what the poll decoded into its record.
    void NoteAnswer(int address, bool answered);
    // The cycle just ended, as a value, to the subscribers.
    void PublishCycle();
    // Every released module has answered since the start, or has failed twice in a row
    // (the logbook then names it).
    bool FirstSampleReady();
    void StoreFirstSample();
    int SaveIntervalMs() const;

    StationContext& m_ctx;
    PotControl& m_pot;
    std::function<void()> m_stopCommand;
    // Towards the first sample: who answered since the start, who failed how often in a row.
    std::uint16_t m_answered = 0;
    std::array<std::uint8_t, 16> m_missed{};
    // The running cycle as far as it got, and how many cycles ran.
    Measurement m_cycle;
    std::uint64_t m_cycles = 0;
    // The samples are made of the published measurements, as any subscriber gets them.
    RecordingSamples m_samples;
    // No module answered in the last cycle; the next one starts asking at m_probeStart.
    bool m_busSilent = false;
    int m_probeStart = 0;
};

}  // namespace qor::station
