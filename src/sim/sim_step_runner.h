#pragma once

#include "sim/sim_cell.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace qor::sim {

inline constexpr std::size_t kStepSlotSize = 40;
inline constexpr int kStepSlots = 255;
using StepSlot = std::array<std::uint8_t, kStepSlotSize>;

// Device modes of a step.
inline constexpr std::uint8_t kModeGalvanostatic = 0;
inline constexpr std::uint8_t kModePotentiostatic = 1;
inline constexpr std::uint8_t kModeRest = 2;
inline constexpr std::uint8_t kModeImpedance = 4;

// A step as the module reads it from its 40-byte slot. Set points are in µA (galvanostatic)
// or mV; the impedance step keeps its frequencies in Hz.
struct SimStep {
    std::uint8_t number = 0;
    std::uint8_t mode = kModePotentiostatic;
    float value1 = 0.0f;  // from the momentary value: the slew rate per second
    float value2 = 0.0f;
    std::uint32_t interval = 0;  // 10 ms ticks; impedance: values per decade | amplitude mV << 16
    std::uint8_t next = 0;       // 0: the program ends after this step
    std::uint8_t passes = 1;
    float limit = 0.0f;
    bool fromRest = false, fromMomentary = false, limitBelow = false, cyclic = false, constant = false;
    int samplesPerSecond = 1;

    // Nothing for an empty slot (step number 0 or the empty flag set).
    static std::optional<SimStep> Decode(const StepSlot& b);
    StepSlot Encode(bool modified) const;
};

// What the module measured: a sample of the run and an impedance point.
struct RunSample {
    std::uint32_t counterMs = 0;  // since the start of the run
    std::uint8_t step = 0;
    double currentUa = 0.0;
    double potentialMv = 0.0;
    double setValue = 0.0;  // mV, or µA in a galvanostatic step
};
struct RunPoint {
    std::uint32_t index = 0;  // point number within its step
    double hz = 0.0, phaseDeg = 0.0, magnitudeOhm = 0.0;
    std::uint8_t step = 0, mode = kModeImpedance;
};

// Executes a step program on a cell. Each step runs its passes (a cyclic step turns back on
// every second pass), ends early when its limit is crossed, then goes to its next step; a
// next step of 0 or an empty slot ends the program.
class StepRunner {
public:
    explicit StepRunner(SimCell& cell) : m_cell(cell) {}

    // Starts at step 1 with a copy of the program; false when slot 1 is empty.
    bool Start(const std::array<std::optional<SimStep>, kStepSlots>& program);
    void Stop() { m_running = false; }
    bool Running() const { return m_running; }

    // Runs until `ms` after the start, appending what was measured on the way.
    void RunUntil(double ms, std::vector<RunSample>& samples, std::vector<RunPoint>& points);

    // The present state, as a measurement answer shows it.
    double SetValue() const { return m_set; }
    std::uint8_t Mode() const { return m_step ? m_step->mode : kModeRest; }

private:
    void Begin(int slot, int pass);
    void EndStep(bool limited, std::vector<RunSample>& samples);
    void Drive(double untilMs);
    bool LimitCrossed() const;
    RunSample Sample(double ms);
    RunPoint Point();
    bool Impedance() const { return m_step->mode == kModeImpedance; }

    SimCell& m_cell;
    std::array<std::optional<SimStep>, kStepSlots> m_program;
    bool m_running = false;
    bool m_startPending = false;
    double m_now = 0.0;  // ms since the start
    const SimStep* m_step = nullptr;
    int m_slot = 0, m_pass = 1;
    double m_t0 = 0.0, m_duration = 0.0, m_from = 0.0, m_to = 0.0, m_set = 0.0, m_periodMs = 1000.0;
    int m_samplesInStep = 0;
    // Impedance sweep: frequencies, the point being measured, the potential held meanwhile.
    std::vector<double> m_freqs;
    std::size_t m_point = 0;
    double m_pointEnd = 0.0, m_biasMv = 0.0, m_amplitudeMv = 0.0;
};

}  // namespace qor::sim
