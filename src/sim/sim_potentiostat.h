#pragma once

#include "sim/sim_cell.h"
#include "sim/sim_module.h"
#include "sim/sim_step_runner.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qor::sim {

// A simulated potentiostat module. It keeps 255 step slots and its settings (0xD1, 0xD2,
// 0xE1, 0xE2), its manual operating state (0x19), and runs the stored program on a
// simulated cell (sim_cell.h) when started: while running it queues 12-byte samples
// (0x11/0x12) and 18-byte impedance points (0x16/0x17) and shows the run in its type code
// (bit 4), which clears when the program ends. It also serves files through the file-block
// command 0x29.
class SimPotentiostat final : public SimModule {
public:
    // Type code of an idle potentiostat: current range 3 (±50 µA), ±2000 mV.
    static constexpr std::uint8_t kDefaultType = 0x43;
    static constexpr std::uint8_t kRunningBit = 0x10;
    static constexpr std::size_t kSettingsSize = 24;
    static constexpr std::size_t kStateSize = 18;
    static constexpr std::size_t kBlockSize = 1000;  // file content bytes per 0x29 block
    static constexpr std::size_t kMaxQueuedSamples = 60000;

    // A one- or two-step program: a potential sweep, then optionally an impedance sweep
    // (10 kHz downwards, five per decade).
    struct Program {
        double sweepSeconds = 60.0;
        double startMv = -400.0;
        double endMv = 400.0;
        int samplePeriodMs = 100;  // the module's data rate (10 Hz)
        int impedancePoints = 0;
    };

    SimPotentiostat(std::uint8_t address, std::uint8_t typeCode, std::uint32_t seed);

    std::optional<Reply> Handle(const Request& request, std::int64_t nowMs) override;

    // Replaces the stored step slots with `p`.
    void SetProgram(const Program& p);
    bool Running() const { return m_running; }
    // Test hooks: refuse the next starts/stops (answer data[0] = 0).
    void SetRefuseStart(bool r) { m_refuseStart = r; }
    void SetRefuseStop(bool r) { m_refuseStop = r; }
    // Starts the program as 0x14 would; false when slot 1 holds no step.
    bool Start(std::int64_t nowMs);

    // Step slots 1..255 as 0xE1 answers them, and the settings as 0xE2 answers them.
    StepSlot Slot(int number) const;
    std::array<std::uint8_t, kSettingsSize> Settings() const;
    SimCell& Cell() { return m_cell; }

    // Files served by 0x29; nullopt removes the file (the module then answers status 0).
    void SetFile(const std::string& name, std::optional<std::string> content);
    const std::map<std::string, std::string>& Files() const { return m_files; }
    // The next `times` requests of this block go unanswered (a lost answer on the line).
    void FailBlock(const std::string& name, std::uint16_t block, int times = 1);
    // The next request of this block gets an answer with this block status instead.
    void OverrideBlockStatus(const std::string& name, std::uint16_t block, std::uint8_t status);
    // A data logger of `lines` samples (three channels, one a minute from 2026-03-01 08:00)
    // stored as a ring buffer whose oldest line starts at line `ringLine`; "dl.ini" holds
    // that byte offset.
    void MakeLogger(int lines, int ringLine);

    // Pending records (for tests).
    std::size_t QueuedSamples() const { return m_samples.size(); }

protected:
    std::array<std::int16_t, 3> RawValues(std::int64_t nowMs) override;
    std::uint8_t MeasurementStatus() const override;

private:
    using Block = std::vector<std::uint8_t>;
    void Advance(std::int64_t nowMs);
    void DriveIdle(double seconds);
    std::optional<Reply> FileBlock(const Request& request);
    // The programming and manual-operation commands: 0xD1, 0xD2, 0xE1, 0xE2, 0x19.
    std::optional<Reply> HandleProgramming(const Request& request);
    // Range bits of the type code for a current and potential: manual or automatic.
    std::uint8_t RangeFor(double currentUa, double potentialMv) const;
    std::array<std::int16_t, 3> Words(std::uint8_t range, double currentUa, double potentialMv,
                                      double third) const;
    Block SampleBlock(const RunSample& s) const;
    static Block PointBlock(const RunPoint& p);

    SimCell m_cell;
    StepRunner m_runner{m_cell};
    std::array<StepSlot, kStepSlots> m_slots{};
    std::array<std::uint8_t, kSettingsSize> m_settings{};
    // Manual operating state (0x19): 0 galvanostat, 1 potentiostat, 2 rest potential.
    std::int8_t m_opMode = 2;
    std::int8_t m_relay = 0;
    float m_setValue = 0.0f;
    std::int64_t m_driveMs = 0;  // the cell has been driven up to this time
    bool m_running = false;
    bool m_refuseStart = false;
    bool m_refuseStop = false;
    std::int64_t m_startMs = 0;
    // Fast mode: while running, answers in quick succession carry 1..10 in header byte 2.
    int m_fastSeq = 0;
    std::int64_t m_lastMeasureMs = -1000000;
    std::deque<Block> m_samples;
    std::deque<Block> m_points;
    std::uint16_t m_samplesWritten = 0;
    std::uint16_t m_samplesRead = 0;
    std::uint8_t m_pointsWritten = 0;
    std::uint8_t m_pointsRead = 0;
    std::map<std::string, std::string> m_files;
    std::map<std::pair<std::string, std::uint16_t>, int> m_failBlocks;
    std::map<std::pair<std::string, std::uint16_t>, std::uint8_t> m_statusOverrides;
};

}  // namespace qor::sim
