#include "sim/sim_module.h"

#include "bus/frame.h"

#include <cmath>
#include <cstring>

namespace qor::sim {

namespace {

struct Nominal {
    double value1;  // in the module's display unit
    int decimals1;
    double value2;
    int decimals2;
    double swing1;  // slow swing of value 1
};

// Plausible readings per amplifier type (raw = value * 10^decimals).
Nominal NominalFor(std::uint8_t type)
{
    switch (type) {
    case 1:
        return {7.02, 3, -1.2, 1, 0.15};  // pH, electrode mV
    case 2:
        return {245.0, 1, 452.0, 1, 12.0};  // redox
    case 3:
    case 12:
    case 21:
    case 25:
        return {84.5, 1, 11.8, 1, 3.0};
    case 4:
    case 13:
    case 22:
    case 26:
        return {845.0, 0, 1.2, 1, 25.0};
    case 5:
    case 14:
    case 23:
    case 27:
        return {12.35, 2, 81.0, 1, 0.4};
    case 6:
    case 15:
    case 24:
    case 28:
        return {54.2, 1, 18.5, 1, 1.5};
    case 7:
        return {3.25, 2, 0.0, 0, 0.4};
    case 8:
    case 29:
    case 30:
        return {96.4, 1, 8.62, 2, 2.0};
    case 9:
        return {512.0, 2, 100.0, 1, 20.0};
    case 10:
        return {-58.3, 1, 12.4, 2, 2.0};
    case 11:
    case 19:
        return {0.52, 2, 4.1, 1, 0.05};
    case 18:
        return {1200.0, 2, 50.0, 2, 10.0};
    case 31:
        return {1.85, 2, 540.0, 1, 0.1};
    default:
        return {100.0, 1, 100.0, 1, 5.0};
    }
}

std::int16_t ToRaw(double v, int decimals)
{
    double r = std::round(v * std::pow(10.0, decimals));
    if (r > 32767.0)
        r = 32767.0;
    if (r < -32768.0)
        r = -32768.0;
    return static_cast<std::int16_t>(r);
}

}  // namespace

SimModule::SimModule(std::uint8_t address, std::uint8_t typeCode, std::uint32_t seed)
    : m_address(address), m_typeCode(typeCode), m_rng(seed * 2654435761u + address)
{
}

double SimModule::Noise(double amplitude)
{
    std::uniform_real_distribution<double> d(-amplitude, amplitude);
    return d(m_rng);
}

std::array<std::int16_t, 3> SimModule::RawValues(std::int64_t nowMs)
{
    if (m_fixedRaw)
        return *m_fixedRaw;
    const Nominal n = NominalFor(m_typeCode);
    const double t = static_cast<double>(nowMs) / 1000.0;
    const double phase = m_address * 0.7;
    // Swings over about ten minutes plus a little noise, so a recording looks alive.
    double v1 = n.value1 + n.swing1 * std::sin(t / 95.0 + phase) + Noise(n.swing1 * 0.02);
    double v2 = n.value2 * (1.0 + 0.03 * std::sin(t / 130.0 + phase)) + Noise(std::fabs(n.value2) * 0.002);
    double temp = 22.5 + 1.5 * std::sin(t / 600.0 + phase) + Noise(0.05);
    return {ToRaw(v1, n.decimals1), ToRaw(v2, n.decimals2), ToRaw(temp, 1)};
}

Reply SimModule::Answer(const Request& request, std::vector<std::uint8_t> data, std::uint8_t status) const
{
    Reply r;
    r.command = request.command;
    r.addressByte = m_address;
    r.status = status;
    r.data = std::move(data);
    return r;
}

std::optional<Reply> SimModule::Handle(const Request& request, std::int64_t nowMs)
{
    using namespace qor::bus;
    switch (request.command) {
    case CMD_LINK_TEST:
        return Answer(request, {});
    case CMD_READ_REVISION: {
        std::vector<std::uint8_t> d(12, 0);
        WriteF32(d.data() + 8, m_revision);
        return Answer(request, std::move(d));
    }
    case CMD_READ_MEASUREMENT: {
        std::vector<std::uint8_t> d(12, 0);
        d[4] = static_cast<std::uint8_t>(m_displayMode << 6);
        d[5] = MeasurementStatus();
        auto raw = RawValues(nowMs);
        for (int i = 0; i < 3; ++i)
            WriteU16(d.data() + 6 + 2 * i, static_cast<std::uint16_t>(raw[static_cast<std::size_t>(i)]));
        return Answer(request, std::move(d));
    }
    case CMD_IDENTIFY: {
        std::vector<std::uint8_t> d(80, 0);
        d[10] = m_typeCode;
        // Calibration: zero point, slope and a reference value as floats, two more words.
        WriteF32(d.data() + 16, 0.0f);
        WriteF32(d.data() + 20, 59.16f);
        WriteF32(d.data() + 24, 25.0f);
        WriteF32(d.data() + 44, 1.0f);
        std::memcpy(d.data() + 48, m_typeCode == 10 ? "mg/l" : "ppm ", 4);
        WriteF32(d.data() + 52, 0.5f);
        d[64] = 1;
        return Answer(request, std::move(d));
    }
    case CMD_READ_SETTINGS: {
        std::vector<std::uint8_t> d(5, 0);
        d[0] = m_address;
        WriteF32(d.data() + 1, 25.0f);
        return Answer(request, std::move(d));
    }
    default:
        return Answer(request, {}, kStatusRefused);
    }
}

}  // namespace qor::sim
