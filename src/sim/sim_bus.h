#pragma once

#include "common/clock.h"
#include "sim/sim_cell.h"
#include "sim/sim_module.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace qor::sim {

// Named failure modes a test (or the simulator's options) can provoke on purpose.
enum class Fault {
    None,
    NoAnswer,        // the module stays silent
    BadChecksum,     // the answer's checksum is wrong (serial); the gateway reports failure
    CutAfterHeader,  // the answer stops after its first 10 bytes (serial); the gateway reports failure
    StatusError,     // status bit 0 set
    StatusNotReady,  // status bit 6 set
    WrongEcho,       // the command echo differs from the request
};

std::optional<Fault> ParseFault(const std::string& name);
const char* FaultName(Fault f);

// The simulated bus: up to sixteen modules, fault injection, and the two ways of reaching
// it (the gateway's frames without checksum, the serial line's frames with checksum).
class SimBus {
public:
    explicit SimBus(Clock& clock, std::uint32_t seed = 1);
    ~SimBus();

    static std::unique_ptr<SimModule> MakeModule(std::uint8_t address, std::uint8_t typeCode,
                                                 std::uint32_t seed);
    // Replaces whatever sits at the module's address.
    SimModule& AddModule(std::unique_ptr<SimModule> module);
    SimModule& AddModule(std::uint8_t address, std::uint8_t typeCode);
    void RemoveModule(std::uint8_t address);
    SimModule* Module(std::uint8_t address);
    // The cell behind every potentiostat on the bus (those there now and those added later).
    void SetCellParams(const CellParams& params);
    // A pH, a conductivity and an oxygen amplifier at addresses 0, 1 and 2.
    void AddDefaultModules();

    // Faults: queued ones come first, then each answer fails with `rate` (0..1). Kind None
    // in SetFaultRate picks one of the kinds at random each time.
    void QueueFault(std::uint8_t address, Fault fault);
    void SetFaultRate(std::uint8_t address, double rate, Fault kind = Fault::None);
    void SetFaultRateAll(double rate, Fault kind = Fault::None);

    // Gateway side: request without checksum -> answer without checksum; nullopt = no answer.
    std::optional<std::vector<std::uint8_t>> Exchange(const std::uint8_t* request, std::size_t length);
    // Serial side: a complete request with checksum -> the bytes the line carries back
    // (empty = silence). A request with a bad checksum is ignored, as a module would.
    std::vector<std::uint8_t> ExchangeSerial(const std::uint8_t* frame, std::size_t length);

    // Length of the complete serial frame at the front of `bytes` (0: need more bytes,
    // -1: the first byte cannot start a frame and should be dropped).
    static int SerialFrameLength(const std::uint8_t* bytes, std::size_t length);

    Clock& BusClock() { return m_clock; }
    std::uint64_t Exchanges() const { return m_exchanges; }

private:
    struct FaultPlan {
        std::deque<Fault> queued;
        double rate = 0.0;
        Fault kind = Fault::None;
    };
    Fault NextFault(std::uint8_t address);
    std::optional<Reply> Dispatch(const std::uint8_t* request, std::size_t length, Fault& fault);

    Clock& m_clock;
    std::uint32_t m_seed;
    std::mt19937 m_rng;
    std::array<std::unique_ptr<SimModule>, 16> m_modules;
    std::array<FaultPlan, 16> m_faults;
    std::uint64_t m_exchanges = 0;
    CellParams m_cell;
};

}  // namespace qor::sim
