#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace qor::sim {

struct Request {
    std::uint8_t command = 0;
    std::uint8_t address = 0;
    std::uint16_t lengthField = 0;
    std::vector<std::uint8_t> payload;
};

// A module's answer: header byte 2 (normally its address), status byte and data.
struct Reply {
    std::uint8_t command = 0;
    std::uint8_t addressByte = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;
};

// One virtual module on the simulated bus.
class SimModule {
public:
    SimModule(std::uint8_t address, std::uint8_t typeCode, std::uint32_t seed);
    virtual ~SimModule() = default;

    std::uint8_t Address() const { return m_address; }
    // Fixes the three raw values; otherwise they drift slowly around plausible readings.
    void SetRawValues(std::array<std::int16_t, 3> raw) { m_fixedRaw = raw; }
    void SetDisplayMode(std::uint8_t mode) { m_displayMode = static_cast<std::uint8_t>(mode & 3); }

    // nowMs: the bus clock. nullopt: the module stays silent.
    virtual std::optional<Reply> Handle(const Request& request, std::int64_t nowMs);

protected:
    virtual std::array<std::int16_t, 3> RawValues(std::int64_t nowMs);
    // The type/status byte reported in a measurement answer.
    virtual std::uint8_t MeasurementStatus() const { return m_typeCode; }
    Reply Answer(const Request& request, std::vector<std::uint8_t> data, std::uint8_t status = 0) const;
    double Noise(double amplitude);

    std::uint8_t m_address;
    std::uint8_t m_typeCode;
    float m_revision = 1.0f;
    std::uint8_t m_displayMode = 0;
    std::optional<std::array<std::int16_t, 3>> m_fixedRaw;
    std::mt19937 m_rng;
};

}  // namespace qor::sim
