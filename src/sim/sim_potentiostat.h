#pragma once

#include "sim/sim_module.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qor::sim {

// A simulated potentiostat module. It runs a built-in step program (a linear potential
// sweep, then optionally an impedance spectrum) against a small electrochemical cell:
// Butler-Volmer kinetics with a mass-transport limit and uncompensated resistance for the
// sweep, a Randles circuit for the impedance points. While running it queues 12-byte
// samples (0x11/0x12) and 18-byte impedance points (0x16/0x17) and shows the run in its
// type code (bit 4). It also serves files through the file-block command 0x29.
class SimPotentiostat final : public SimModule {
public:
    // Type code of an idle potentiostat: current range 3 (±50 µA), ±2000 mV.
    static constexpr std::uint8_t kDefaultType = 0x43;
    static constexpr std::uint8_t kRunningBit = 0x10;
    static constexpr std::size_t kBlockSize = 1000;  // file content bytes per 0x29 block
    static constexpr std::size_t kMaxQueuedSamples = 60000;

    struct Program {
        double sweepSeconds = 60.0;
        double startMv = -400.0;
        double endMv = 400.0;
        int samplePeriodMs = 100;  // the module's data rate (10 Hz)
        int impedancePoints = 0;   // after the sweep, one point every 500 ms, 10 kHz downwards
    };

    SimPotentiostat(std::uint8_t address, std::uint8_t typeCode, std::uint32_t seed);

    std::optional<Reply> Handle(const Request& request, std::int64_t nowMs) override;

    void SetProgram(const Program& p) { m_program = p; }
    bool Running() const { return m_running; }
    // Test hooks: refuse the next starts/stops (answer data[0] = 0).
    void SetRefuseStart(bool r) { m_refuseStart = r; }
    void SetRefuseStop(bool r) { m_refuseStop = r; }
    // Starts the program as 0x14 would (for tests that begin with a running module).
    void Start(std::int64_t nowMs);

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
    std::size_t QueuedImpedancePoints() const { return m_points.size(); }

    // The model cell: current in µA at potential `mv`.
    static double CellCurrentUa(double mv);

protected:
    std::array<std::int16_t, 3> RawValues(std::int64_t nowMs) override;
    std::uint8_t MeasurementStatus() const override;

private:
    using Block = std::vector<std::uint8_t>;
    void Advance(std::int64_t nowMs);
    double TargetMv(double seconds) const;
    Block SampleBlock(double seconds, std::uint32_t counter);
    Block ImpedanceBlock(int index);
    std::optional<Reply> FileBlock(const Request& request);

    Program m_program;
    bool m_running = false;
    bool m_refuseStart = false;
    bool m_refuseStop = false;
    std::int64_t m_startMs = 0;
    std::int64_t m_lastMs = 0;
    std::int64_t m_nextSampleMs = 0;
    int m_nextPoint = 0;
    // Fast mode: while running, answers in quick succession carry 1..10 in header byte 2.
    int m_fastSeq = 0;
    std::int64_t m_lastMeasureMs = -1000000;
    double m_lastTargetMv = 0.0;
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
