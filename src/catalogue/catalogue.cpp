#include "catalogue/catalogue.h"

#include "common/text.h"

#include <cmath>
#include <cstring>

namespace qor::catalogue {
namespace {

constexpr const char* kUnitText = nullptr;  // marks "the record's own unit text"

struct NameRow {
    int from, to;
    TextPair name;
};

constexpr NameRow kNames[] = {
    {1, 1, {"pH - Verstärker", "pH - amplifier"}},
    {2, 2, {"Redox - Verstärker", "Redox - amplifier"}},
    {3, 3, {"200µS - Verstärker", "200µS - amplifier"}},
    {4, 4, {"2000µS - Verstärker", "2000µS - amplifier"}},
    {5, 5, {"20mS - Verstärker", "20mS - amplifier"}},
    {6, 6, {"100mS - Verstärker", "100mS - amplifier"}},
    {7, 7, {"NTU - Verstärker", "NTU - amplifier"}},
    {8, 8, {"Sauerstoff - Verstärker", "oxygen - amplifier"}},
    {9, 9, {"linearer - Verstärker", "linear - amplifier"}},
    {10, 10, {"ISE - Verstärker", "ISE - amplifier"}},
    {11, 11, {"Chlor - Verstärker", "chlorine - amplifier"}},
    {12, 15, {"auto LF - Verstärker", "auto cond. - amplifier"}},
    {18, 18, {"Zaehler Modul", "counter"}},
    {19, 19, {"Chlor - Verstärker STM", "chlorine - amplifier STM"}},
    {21, 21, {"200µS - Verstärker(4)", "200µS - amplifier(4)"}},
    {22, 22, {"2000µS - Verstärker(4)", "2000µS - amplifier(4)"}},
    {23, 23, {"20mS - Verstärker(4)", "20mS - amplifier(4)"}},
    {24, 24, {"500mS - Verstärker(4)", "500mS - amplifier(4)"}},
    {25, 28, {"auto LF(4) - Verstärker", "auto cond.(4) - amplifier"}},
    {29, 29, {"Sauerstoff NTC - Verstärker", "oxygen NTC - amplifier"}},
    {30, 30, {"FDO - Verstärker", "FDO - amplifier"}},
    {31, 31, {"20µS(0.1) - Verstärker", "20µS(0.1) - amplifier"}},
    {64, 127, {"Potentiostat", "Potentiostat"}},
};
constexpr TextPair kNoType = {"kein Typ", "no type"};

enum class Second { Fixed, ByDisplayMode };

struct AmpRow {
    int codes[4];  // unused places are 0, which no row describes
    TextPair name1;
    const char* unit1;  // kUnitText: the record's unit text
    float min1, max1;
    int dec1;
    Second second;
    TextPair name2;
    const char* unit2;
    float min2, max2;
    int dec2;
    float factor;
    const char* base;
};

constexpr TextPair kCond = {"Leitwert", "conductivity"};
constexpr TextPair kNone = {"kein Wert", "no value"};
constexpr TextPair kChlorine = {"Chlor", "chlorine"};
constexpr TextPair kSensorCurrent = {"Sensorstrom", "sensor current"};
constexpr TextPair kConcentration = {"Konzentration", "concentration"};

// Every amplifier type with an entry; codes below 64 that are missing get "no value".
// Conductivity rows fill value 2 from the display mode table below.
// clang-format off
const AmpRow kAmps[] = {
    {{1}, {"pH Wert", "pH value"}, "pH", -2, 16, 3, Second::Fixed, {"Kettenspannung", "mV - value"}, "mV", -2000,
     2000, 1, 1, "pH"},
    {{2}, {"Redox", "ORP value"}, "mV", -2000, 2000, 1, Second::Fixed, {"Redox H-El.", "ORP H-elc."}, "mVH", -2000,
     2000, 1, 1, "mV"},
    {{3, 21, 25}, kCond, "µS/cm", 0, 200, 1, Second::ByDisplayMode, {}, "", 0, 0, 0, 1, "µS/cm"},
    {{4, 13, 22, 26}, kCond, "µS/cm", 0, 2000, 0, Second::ByDisplayMode, {}, "", 0, 0, 0, 1, "µS/cm"},
    {{5, 14, 23}, kCond, "mS/cm", 0, 20, 2, Second::ByDisplayMode, {}, "", 0, 0, 0, 1000, "µS/cm"},
    {{6, 15}, kCond, "mS/cm", 0, 100, 1, Second::ByDisplayMode, {}, "", 0, 0, 0, 1000, "µS/cm"},
    {{12}, kCond, "µS/cm", 0, 200, 1, Second::ByDisplayMode, {}, "", 0, 0, 0, 1, "µS/cm"},
    {{24}, kCond, "mS/cm", 0, 500, 1, Second::ByDisplayMode, {}, "", 0, 0, 0, 1000, "µS/cm"},
    // Value 1 x 1000 is in µS/cm for these two as for every other mS/cm type.
    {{27}, kCond, "mS/cm", 0, 20, 2, Second::ByDisplayMode, {}, "", 0, 0, 0, 1000, "µS/cm"},
    {{28}, kCond, "mS/cm", 0, 500, 1, Second::ByDisplayMode, {}, "", 0, 0, 0, 1000, "µS/cm"},
    {{31}, kCond, "µS/cm", 0, 20, 2, Second::Fixed, {"Salinität", "salinity"}, "kOhm", 0, 10000, 1, 1, "µS/cm"},
    {{7}, {"Trübung", "turbidity"}, "NTU", 0, 100, 2, Second::Fixed, {" ", " "}, "", 0, 100, 0, 1, ""},
    {{8, 29, 30}, {"Sättigung", "saturation"}, "%", 0, 200, 1, Second::Fixed, kConcentration, "mg/l", 0, 20, 2, 1,
     ""},
    {{9}, {"Messwert1", "value 1"}, kUnitText, 0, 1000, 2, Second::Fixed, {"Messwert2", "value 2"}, "", 0, 1000, 1,
     1, ""},
    {{10}, {"Kettenspannung", "sensor voltage"}, "mV", -2000, 2000, 1, Second::Fixed, kConcentration, kUnitText, 0,
     1000, 2, 1, ""},
    {{11}, kChlorine, "mg/l", 0, 10, 2, Second::Fixed, kSensorCurrent, "mA", 0, 20, 1, 1, "mg/l"},
    {{18}, kChlorine, kUnitText, -99999, 999999, 2, Second::Fixed, kSensorCurrent, "Hz", -99999, 999999, 2, 1, ""},
    {{19}, kChlorine, "mg/l", 0, 100, 2, Second::Fixed, kSensorCurrent, "nA", -100, 100, 2, 1, ""},
};
// clang-format on

struct PotRow {
    const char* unit1;
    float range1;  // symmetric: -range1..range1
    int dec1;
    float factor;
};

constexpr PotRow kPots[8] = {
    {"nA", 50, 2, 0.001f}, {"nA", 500, 1, 0.001f}, {"µA", 5, 3, 1},     {"µA", 50, 2, 1},
    {"µA", 500, 1, 1},     {"mA", 5, 3, 1000},     {"mA", 50, 2, 1000}, {"mA", 500, 1, 1000},
};

// Divisor of raw value 1 of a potentiostat by the low three status bits.
constexpr double kPotDivisor[8] = {100, 10, 1000, 100, 10, 1000, 100, 10};

const AmpRow* FindAmp(std::uint8_t type)
{
    for (const auto& row : kAmps)
        for (int c : row.codes)
            if (c != 0 && c == type)
                return &row;
    return nullptr;
}

void FillSecondByDisplayMode(ChannelInfo& ci, std::uint8_t mode, bool milli, int lang)
{
    switch (mode) {
    case 1:
        ci.name2 = TextPair{"Salinität", "salinity"}[lang];
        ci.unit2 = "g/kg";
        ci.min2 = 0;
        ci.max2 = 42;
        ci.decimals2 = 1;
        break;
    case 2:
        ci.name2 = "TDS";
        ci.unit2 = milli ? "g/l" : "mg/l";
        ci.min2 = 0;
        ci.max2 = ci.max1;
        ci.decimals2 = ci.decimals1;
        break;
    default:  // 0 and 3
        ci.name2 = TextPair{"Widerstand", "resistivity"}[lang];
        ci.unit2 = milli ? "Ohm" : "kOhm";
        ci.min2 = 0;
        ci.max2 = 1000;
        ci.decimals2 = 1;
        break;
    }
}

double Pow10(int d)
{
    return std::pow(10.0, d);
}

constexpr std::uint8_t kLinearAmplifier = 9;

// The linear amplifier's meter ends at its third calibration value, a little-endian float.
float CalibratedMaximum(const CSlave& slave, float fallback, float minimum)
{
    const auto& bytes = slave.m_calibration[2];
    const std::uint32_t bits =
        static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
        (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    // An unset or unusable calibration would leave the meter without a range.
    if (!std::isfinite(value) || value == minimum)
        return fallback;
    return value;
}

}  // namespace

bool IsPotentiostat(std::uint8_t type)
{
    // Bit 7 on top of a potentiostat's code only says its program has ended.
    return (type & 0x40) != 0;
}

bool HasDisplayMode(std::uint8_t type)
{
    return (type >= 3 && type <= 6) || (type >= 12 && type <= 15) || (type >= 21 && type <= 28) ||
           type == 31 || (type >= 35 && type <= 38);
}

std::string ModuleName(const CSlave& slave)
{
    const int lang = slave.m_language == 1 ? 1 : 0;
    if (IsPotentiostat(slave.m_type))
        return "Potentiostat";
    for (const auto& row : kNames)
        if (slave.m_type >= row.from && slave.m_type <= row.to)
            return row.name[lang];
    return kNoType[lang];
}

ChannelInfo DescribeModule(const CSlave& slave)
{
    const int lang = slave.m_language == 1 ? 1 : 0;
    const std::uint8_t type = slave.m_type;
    ChannelInfo ci;
    if (IsPotentiostat(type)) {
        const int n = type & 15;
        const PotRow& p = kPots[n & 7];
        ci.name1 = TextPair{"Strom", "current value"}[lang];
        ci.name2 = TextPair{"Messspannung", "measured potential"}[lang];
        ci.name3 = TextPair{"Sollspannung", "target potential"}[lang];
        ci.unit1 = p.unit1;
        ci.unit2 = "mV";
        ci.unit3 = "mV";
        ci.min1 = -p.range1;
        ci.max1 = p.range1;
        ci.decimals1 = p.dec1;
        ci.factor = p.factor;
        const float range2 = n >= 8 ? 12000.0f : 2000.0f;
        ci.min2 = -range2;
        ci.max2 = range2;
        ci.decimals2 = 1;
        ci.baseUnit = "µA";
        return ci;
    }
    const AmpRow* row = FindAmp(type);
    if (!row) {
        ci.name1 = ci.name2 = ci.name3 = kNone[lang];
        ci.min1 = ci.min2 = 0;
        ci.max1 = ci.max2 = 1000;
        ci.decimals1 = ci.decimals2 = 1;
        ci.factor = 1;
        return ci;
    }
    ci.name1 = row->name1[lang];
    ci.unit1 = row->unit1 ? row->unit1 : slave.UnitText();
    ci.min1 = row->min1;
    ci.max1 = type == kLinearAmplifier ? CalibratedMaximum(slave, row->max1, row->min1) : row->max1;
    ci.decimals1 = row->dec1;
    ci.name3 = TextPair{"Temperatur", "temperature"}[lang];
    ci.unit3 = "°C";
    ci.factor = row->factor;
    ci.baseUnit = row->base;
    if (row->second == Second::ByDisplayMode) {
        FillSecondByDisplayMode(ci, slave.m_displayMode, ci.unit1 == "mS/cm", lang);
    } else {
        ci.name2 = row->name2[lang];
        ci.unit2 = row->unit2 ? row->unit2 : slave.UnitText();
        ci.min2 = row->min2;
        ci.max2 = row->max2;
        ci.decimals2 = row->dec2;
    }
    return ci;
}

std::string SecondUnit(const CSlave& slave)
{
    return DescribeModule(slave).unit2;
}

void DecodeValues(CSlave& slave, std::uint8_t status, std::array<std::int16_t, 3> raw)
{
    slave.m_type = status;
    slave.m_raw = raw;
    const double a = raw[0], b = raw[1], c = raw[2];
    if (IsPotentiostat(status)) {
        slave.m_value1 = a / kPotDivisor[status & 7];
        slave.m_value2 = (status & 0x08) ? b : b / 10.0;
        slave.m_value3 = slave.m_revision >= 2.0f ? c : c / 10.0;
        return;
    }
    const ChannelInfo ci = DescribeModule(slave);
    slave.m_value3 = c / 10.0;
    slave.m_value1 = a / Pow10(ci.decimals1);
    slave.m_value2 = b / Pow10(ci.decimals2);
}

}  // namespace qor::catalogue
