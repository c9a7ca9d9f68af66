#include "catalogue/catalogue.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

using qor::catalogue::CSlave;
using qor::catalogue::DecodeValues;
using qor::catalogue::DescribeModule;
using qor::catalogue::ModuleName;
using qor::catalogue::SecondUnit;

namespace {

CSlave Slave(int type, int lang = 0, int mode = 0)
{
    CSlave s;
    s.m_type = static_cast<std::uint8_t>(type);
    s.m_language = static_cast<std::uint8_t>(lang);
    s.m_displayMode = static_cast<std::uint8_t>(mode);
    s.m_unit = {'p', 'p', 'm', '\0'};
    return s;
}

struct Pair {
    const char *de, *en;
};

// What a module of `type` shows, in both languages, and what raw words become.
struct Expect {
    int type, mode;
    Pair module, name1;
    const char* unit1;
    float min1, max1;
    int dec1;
    Pair name2;
    const char* unit2;
    float min2, max2;
    int dec2;
    float factor;
    const char* base;
    std::int16_t a, b;
    double v1, v2;
};

void Check(const Expect& e)
{
    SCOPED_TRACE(testing::Message() << "type " << e.type << " mode " << e.mode);
    for (int lang = 0; lang < 2; ++lang) {
        CSlave s = Slave(e.type, lang, e.mode);
        const auto ci = DescribeModule(s);
        EXPECT_EQ(std::tuple(ModuleName(s), ci.name1, ci.name2),
                  std::tuple(lang ? e.module.en : e.module.de, lang ? e.name1.en : e.name1.de,
                             lang ? e.name2.en : e.name2.de));
        EXPECT_EQ(std::tuple(ci.unit1, ci.unit2, SecondUnit(s), ci.baseUnit),
                  std::tuple(e.unit1, e.unit2, e.unit2, e.base));
        EXPECT_EQ(std::tuple(ci.min1, ci.max1, ci.decimals1, ci.min2, ci.max2, ci.decimals2),
                  std::tuple(e.min1, e.max1, e.dec1, e.min2, e.max2, e.dec2));
        EXPECT_FLOAT_EQ(ci.factor, e.factor);
        if (std::string(e.name1.de) == "kein Wert") {
            EXPECT_EQ(ci.name3, lang ? "no value" : "kein Wert");
        } else {
            EXPECT_EQ(ci.name3, lang ? "temperature" : "Temperatur");
            EXPECT_EQ(ci.unit3, "°C");
        }
        DecodeValues(s, static_cast<std::uint8_t>(e.type), {e.a, e.b, 251});
        EXPECT_NEAR(s.m_value1, e.v1, 1e-9);
        EXPECT_NEAR(s.m_value2, e.v2, 1e-9);
        EXPECT_NEAR(s.m_value3, 25.1, 1e-9);
    }
}

const Pair kCond{"Leitwert", "conductivity"}, kNone{"kein Wert", "no value"}, kO2{"Sättigung", "saturation"},
    kConc{"Konzentration", "concentration"}, kChlor{"Chlor", "chlorine"},
    kSensor{"Sensorstrom", "sensor current"};

}  // namespace

// Every amplifier whose second value is fixed, and codes without an entry.
TEST(Catalogue, AmplifiersWithAFixedSecondValue)
{
    const Pair noType{"kein Typ", "no type"};
    // clang-format off
    const Expect rows[] = {
        {1, 0, {"pH - Verstärker", "pH - amplifier"}, {"pH Wert", "pH value"}, "pH", -2, 16, 3,
         {"Kettenspannung", "mV - value"}, "mV", -2000, 2000, 1, 1, "pH", 7000, -1234, 7.0, -123.4},
        {2, 0, {"Redox - Verstärker", "Redox - amplifier"}, {"Redox", "ORP value"}, "mV", -2000, 2000, 1,
         {"Redox H-El.", "ORP H-elc."}, "mVH", -2000, 2000, 1, 1, "mV", 4567, -890, 456.7, -89.0},
        {7, 0, {"NTU - Verstärker", "NTU - amplifier"}, {"Trübung", "turbidity"}, "NTU", 0, 100, 2, {" ", " "}, "",
         0, 100, 0, 1, "", 1234, 56, 12.34, 56.0},
        {8, 0, {"Sauerstoff - Verstärker", "oxygen - amplifier"}, kO2, "%", 0, 200, 1, kConc, "mg/l", 0, 20, 2, 1,
         "", 987, 845, 98.7, 8.45},
        {29, 0, {"Sauerstoff NTC - Verstärker", "oxygen NTC - amplifier"}, kO2, "%", 0, 200, 1, kConc, "mg/l", 0,
         20, 2, 1, "", 987, 845, 98.7, 8.45},
        {30, 0, {"FDO - Verstärker", "FDO - amplifier"}, kO2, "%", 0, 200, 1, kConc, "mg/l", 0, 20, 2, 1, "", 987,
         845, 98.7, 8.45},
        {9, 0, {"linearer - Verstärker", "linear - amplifier"}, {"Messwert1", "value 1"}, "ppm", 0, 1000, 2,
         {"Messwert2", "value 2"}, "", 0, 1000, 1, 1, "", 12345, 6789, 123.45, 678.9},
        {10, 0, {"ISE - Verstärker", "ISE - amplifier"}, {"Kettenspannung", "sensor voltage"}, "mV", -2000, 2000,
         1, kConc, "ppm", 0, 1000, 2, 1, "", -1500, 2500, -150.0, 25.0},
        {11, 0, {"Chlor - Verstärker", "chlorine - amplifier"}, kChlor, "mg/l", 0, 10, 2, kSensor, "mA", 0, 20, 1,
         1, "mg/l", 345, 123, 3.45, 12.3},
        {19, 0, {"Chlor - Verstärker STM", "chlorine - amplifier STM"}, kChlor, "mg/l", 0, 100, 2, kSensor, "nA",
         -100, 100, 2, 1, "", 4321, -5000, 43.21, -50.0},
        {18, 0, {"Zaehler Modul", "counter"}, kChlor, "ppm", -99999, 999999, 2, kSensor, "Hz", -99999, 999999, 2,
         1, "", 32000, -100, 320.0, -1.0},
        // Independent of the display mode.
        {31, 2, {"20µS(0.1) - Verstärker", "20µS(0.1) - amplifier"}, kCond, "µS/cm", 0, 20, 2,
         {"Salinität", "salinity"}, "kOhm", 0, 10000, 1, 1, "µS/cm", 1999, 7777, 19.99, 777.7},
    };
    // clang-format on
    for (const Expect& e : rows)
        Check(e);
    for (int type : {0, 16, 17, 20, 32, 40, 63})
        Check({type, 0, noType, kNone, "", 0, 1000, 1, kNone, "", 0, 1000, 1, 1, "", 1234, -56, 123.4, -5.6});
}

// Every conductivity amplifier in every display mode: value 2 follows the mode.
TEST(Catalogue, ConductivityAmplifiersByDisplayMode)
{
    const Pair n200{"200µS - Verstärker", "200µS - amplifier"},
        n2000{"2000µS - Verstärker", "2000µS - amplifier"}, n20{"20mS - Verstärker", "20mS - amplifier"},
        n100{"100mS - Verstärker", "100mS - amplifier"},
        autoLf{"auto LF - Verstärker", "auto cond. - amplifier"},
        autoLf4{"auto LF(4) - Verstärker", "auto cond.(4) - amplifier"};
    const struct {
        int type;
        Pair module;
        const char* unit1;
        float max1;
        int dec1;
        float factor;
        double v1;  // of the raw word 1999
    } rows[] = {
        {3, n200, "µS/cm", 200, 1, 1, 199.9},
        {21, {"200µS - Verstärker(4)", "200µS - amplifier(4)"}, "µS/cm", 200, 1, 1, 199.9},
        {25, autoLf4, "µS/cm", 200, 1, 1, 199.9},
        {12, autoLf, "µS/cm", 200, 1, 1, 199.9},
        {4, n2000, "µS/cm", 2000, 0, 1, 1999},
        {13, autoLf, "µS/cm", 2000, 0, 1, 1999},
        {22, {"2000µS - Verstärker(4)", "2000µS - amplifier(4)"}, "µS/cm", 2000, 0, 1, 1999},
        {26, autoLf4, "µS/cm", 2000, 0, 1, 1999},
        {5, n20, "mS/cm", 20, 2, 1000, 19.99},
        {14, autoLf, "mS/cm", 20, 2, 1000, 19.99},
        {23, {"20mS - Verstärker(4)", "20mS - amplifier(4)"}, "mS/cm", 20, 2, 1000, 19.99},
        {27, autoLf4, "mS/cm", 20, 2, 1000, 19.99},
        {6, n100, "mS/cm", 100, 1, 1000, 199.9},
        {15, autoLf, "mS/cm", 100, 1, 1000, 199.9},
        {24, {"500mS - Verstärker(4)", "500mS - amplifier(4)"}, "mS/cm", 500, 1, 1000, 199.9},
        {28, autoLf4, "mS/cm", 500, 1, 1000, 199.9},
    };
    const struct {
        int mode;
        Pair name;
        const char *micro, *milli;
        float max2;  // 0: the range of value 1
    } modes[] = {
        {0, {"Widerstand", "resistivity"}, "kOhm", "Ohm", 1000},
        {1, {"Salinität", "salinity"}, "g/kg", "g/kg", 42},
        {2, {"TDS", "TDS"}, "mg/l", "g/l", 0},
        {3, {"Widerstand", "resistivity"}, "kOhm", "Ohm", 1000},
    };
    for (const auto& r : rows)
        for (const auto& m : modes) {
            const bool tds = m.mode == 2, milli = std::string(r.unit1) == "mS/cm";
            // TDS has the decimals of value 1: the same raw word reads the same. The others have one.
            // Value 1 x 1000 in mS/cm is in µS/cm.
            const std::int16_t b = tds ? 1999 : 4321;
            Check({r.type, m.mode, r.module, kCond, r.unit1, 0, r.max1, r.dec1, m.name,
                   milli ? m.milli : m.micro, 0, tds ? r.max1 : m.max2, tds ? r.dec1 : 1, r.factor, "µS/cm",
                   1999, b, r.v1, tds ? r.v1 : 432.1});
        }
}

// Every current range of a potentiostat, with the ±2 V and the ±12 V potential range.
TEST(Catalogue, PotentiostatRanges)
{
    const struct {
        const char* unit1;
        float range1;
        int dec1;
        float factor;
        double v1;  // of the raw word 1234
    } rows[] = {
        {"nA", 50, 2, 0.001f, 12.34}, {"nA", 500, 1, 0.001f, 123.4}, {"µA", 5, 3, 1, 1.234},
        {"µA", 50, 2, 1, 12.34},      {"µA", 500, 1, 1, 123.4},      {"mA", 5, 3, 1000, 1.234},
        {"mA", 50, 2, 1000, 12.34},   {"mA", 500, 1, 1000, 123.4},
    };
    for (int n = 0; n < 8; ++n)
        for (int high : {0, 8}) {
            const auto& r = rows[n];
            const int type = 64 + high + n;
            SCOPED_TRACE(type);
            for (int lang = 0; lang < 2; ++lang) {
                CSlave s = Slave(type, lang);
                const auto ci = DescribeModule(s);
                EXPECT_EQ(std::tuple(ModuleName(s), ci.name1, ci.name2, ci.name3),
                          lang ? std::tuple("Potentiostat", "current value", "measured potential",
                                            "target potential")
                               : std::tuple("Potentiostat", "Strom", "Messspannung", "Sollspannung"));
                EXPECT_EQ(std::tuple(ci.unit1, ci.unit2, ci.unit3, ci.baseUnit),
                          std::tuple(r.unit1, "mV", "mV", "µA"));
                const float range2 = high ? 12000 : 2000;
                EXPECT_EQ(std::tuple(ci.min1, ci.max1, ci.decimals1, ci.min2, ci.max2, ci.decimals2),
                          std::tuple(-r.range1, r.range1, r.dec1, -range2, range2, 1));
                EXPECT_FLOAT_EQ(ci.factor, r.factor);
            }
            // The ±12 V range gives whole mV; revision 2.0 and later give the target potential in mV.
            CSlave s = Slave(0);
            s.m_revision = high ? 2.0f : 1.0f;
            DecodeValues(s, static_cast<std::uint8_t>(type), {1234, 1500, 250});
            EXPECT_EQ(s.m_type, type);
            EXPECT_NEAR(s.m_value1, r.v1, 1e-9);
            EXPECT_NEAR(s.m_value2, high ? 1500.0 : 150.0, 1e-9);
            EXPECT_NEAR(s.m_value3, high ? 250.0 : 25.0, 1e-9);
        }
}

// Guards off-by-one range ends, and a potentiostat whose program ended losing its name and factor.
TEST(ModuleName, RangeEnds)
{
    const struct {
        int code;
        const char* de;
    } cases[] = {{15, "auto LF - Verstärker"}, {16, "kein Typ"},  {32, "kein Typ"},  {64, "Potentiostat"},
                 {127, "Potentiostat"},        {128, "kein Typ"}, {191, "kein Typ"}, {192, "Potentiostat"},
                 {255, "Potentiostat"}};
    for (const auto& c : cases)
        EXPECT_EQ(ModuleName(Slave(c.code)), c.de) << c.code;
    // A potentiostat whose program ended (bit 7) keeps its current unit: nA, stored as µA.
    EXPECT_EQ(DescribeModule(Slave(0xC0)).unit1, "nA");
    EXPECT_FLOAT_EQ(DescribeModule(Slave(0xC0)).factor, 0.001f);
    CSlave s = Slave(0);
    DecodeValues(s, 0xC8, {1234, 1500, 250});
    EXPECT_NEAR(s.m_value1, 12.34, 1e-9);
    EXPECT_NEAR(s.m_value2, 1500.0, 1e-9);
}

TEST(DescribeModule, UnitTextFromTheModulesBytes)
{
    CSlave s = Slave(10);
    s.m_unit = {'\xB5', 'g', '/', 'l'};  // Windows-1252 micro sign from the module
    EXPECT_EQ(DescribeModule(s).unit2, "µg/l");
    s.m_type = 18;
    s.m_unit = {'r', 'p', 'm', ' '};
    EXPECT_EQ(DescribeModule(s).unit1, "rpm ");
}
