#pragma once

#include "station/station_context.h"

#include <cstdint>
#include <functional>
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
        : m_ctx(ctx), m_pot(pot), m_stopCommand(std::move(stopCommand))
    {
    }

    void StartMeasuring();
    void ShowMeters();
    // True when recording runs afterwards.
    bool StartRecording();
    // Stops measuring and recording (poll, record and save timers).
    void StopAll();
    // The poll timer: one poll of every released module.
    void PollCycle();
    // The record timer: one sample.
    void RecordTick();

private:
    void PollOnce(std::uint8_t address);
    void StoreFirstSample();
    int SaveIntervalMs() const;

    StationContext& m_ctx;
    PotControl& m_pot;
    std::function<void()> m_stopCommand;
};

}  // namespace qor::station
