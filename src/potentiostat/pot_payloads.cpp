#include "potentiostat/pot_payloads.h"

#include <cstring>

namespace qor::potentiostat {

namespace {

void PutU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutF32(std::uint8_t* p, float v)
{
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    PutU32(p, u);
}

float GetF32(const std::uint8_t* p)
{
    const std::uint32_t u = GetU32(p);
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}

constexpr std::uint8_t kFromRest = 0x01, kFromMomentary = 0x02, kLimitBelow = 0x04, kCyclic = 0x08,
                       kConstant = 0x10;

}  // namespace

StepSlot EncodeSlot(const DeviceStep& d, std::uint8_t number, bool modified)
{
    StepSlot s{};
    s[0] = number;
    PutF32(&s[1], d.value1);
    PutF32(&s[5], d.value2);
    PutU32(&s[9], d.interval);
    s[13] = d.mode;
    s[14] = d.next;
    s[15] = d.passes;
    PutF32(&s[16], d.limit);
    s[20] = static_cast<std::uint8_t>((d.fromRest ? kFromRest : 0) | (d.fromMomentary ? kFromMomentary : 0) |
                                      (d.limitBelow ? kLimitBelow : 0) | (d.cyclic ? kCyclic : 0) |
                                      (d.constant ? kConstant : 0));
    s[21] = static_cast<std::uint8_t>(d.samples / 5);
    s[22] = modified ? 1 : 0;
    return s;
}

StepSlot EmptySlot(std::uint8_t number)
{
    StepSlot s{};
    s[0] = number;
    s[23] = 1;
    return s;
}

DeviceStep DecodeSlot(const std::uint8_t* s)
{
    DeviceStep d;
    d.number = s[0];
    d.value1 = GetF32(&s[1]);
    d.value2 = GetF32(&s[5]);
    d.interval = GetU32(&s[9]);
    d.mode = s[13];
    d.next = s[14];
    d.passes = s[15];
    d.limit = GetF32(&s[16]);
    d.fromRest = (s[20] & kFromRest) != 0;
    d.fromMomentary = (s[20] & kFromMomentary) != 0;
    d.limitBelow = (s[20] & kLimitBelow) != 0;
    d.cyclic = (s[20] & kCyclic) != 0;
    d.constant = (s[20] & kConstant) != 0;
    d.samples = (s[21] >= 1 && s[21] <= 200) ? s[21] * 5u : 1u;
    return d;
}

namespace {
constexpr std::array<std::uint8_t, 6> kFilterCodes{150, 10, 3, 2, 1, 0};
}

std::uint8_t FilterCode(int index)
{
    return index >= 0 && index < 6 ? kFilterCodes[static_cast<std::size_t>(index)] : 10;
}

int FilterIndex(std::uint8_t code)
{
    for (int i = 0; i < 6; ++i)
        if (kFilterCodes[static_cast<std::size_t>(i)] == code)
            return i;
    return 1;
}

SettingsBytes EncodeSettings(const PotSettings& s)
{
    SettingsBytes b{};
    b[0] = static_cast<std::uint8_t>((s.currentManual ? 1 : 0) | (s.voltageManual ? 2 : 0));
    b[1] = static_cast<std::uint8_t>(0x40 + s.currentRange);
    b[2] = static_cast<std::uint8_t>((s.voltageRange + 8) * 8);
    b[3] = static_cast<std::uint8_t>(s.capacitance);
    b[4] = FilterCode(s.filterIndex);
    b[5] = s.hardwareFilter;
    b[6] = static_cast<std::uint8_t>(s.compensation);
    b[7] = static_cast<std::uint8_t>(s.slider1);
    b[8] = static_cast<std::uint8_t>(s.slider1);
    b[9] = static_cast<std::uint8_t>(s.slider2);
    b[10] = 100;
    return b;
}

void DecodeSettings(const std::uint8_t* d, PotSettings& s)
{
    s.currentManual = d[0] & 1;
    s.voltageManual = (d[0] >> 1) & 1;
    s.currentRange = d[1] & 7;
    s.voltageRange = (d[2] & 8) ? 1 : 0;
    // A byte beyond the six choices (0xFF, sent while nothing was chosen) is no choice.
    s.capacitance = d[3] < 6 ? d[3] : -1;
    s.filterIndex = FilterIndex(d[4]);
    s.hardwareFilter = d[5];
    s.compensation = d[6] > 2 ? 0 : d[6];
    s.irByte = d[7];
    s.interruptionInterval = d[8] == 0 ? 1 : d[8];
    s.offTime = d[9];
    s.aux = 10u * d[10];
    s.irCapacitor = (d[7] >> 7) & 1;
}

HardwareFilter SplitHardwareFilter(std::uint8_t b)
{
    return {b & 3, (b >> 4) & 3, (b & 0x40) != 0};
}

std::uint8_t JoinHardwareFilter(const HardwareFilter& f)
{
    return static_cast<std::uint8_t>((f.voltage & 3) | ((f.current & 3) << 4) | (f.disabled ? 0x40 : 0));
}

StateBytes EncodeStateRead()
{
    return StateBytes{};
}

StateBytes EncodeStateSet(const OperatingState& st)
{
    StateBytes b{};
    b[0] = 1;
    b[1] = static_cast<std::uint8_t>(st.mode);
    b[2] = static_cast<std::uint8_t>(st.relay);
    PutF32(&b[4], st.setValue);
    return b;
}

OperatingState DecodeState(const std::uint8_t* d)
{
    return {static_cast<std::int8_t>(d[1]), static_cast<std::int8_t>(d[2]), GetF32(&d[4])};
}

}  // namespace qor::potentiostat
