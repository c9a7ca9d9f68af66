#include "catalogue/catalogue.h"

#include <gtest/gtest.h>
#include <string>

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
    return s;
}

}  // namespace

// The names cover code ranges; the codes between them have none.
TEST(ModuleName, RangesAndGaps)
{
    const struct {
        int code;
        const char *de, *en;
    } cases[] = {
        {0, "kein Typ", "no type"},
        {12, "auto LF - Verstärker", "auto cond. - amplifier"},
        {15, "auto LF - Verstärker", "auto cond. - amplifier"},
        {16, "kein Typ", "no type"},
        {28, "auto LF(4) - Verstärker", "auto cond.(4) - amplifier"},
        {32, "kein Typ", "no type"},
        {64, "Potentiostat", "Potentiostat"},
        {127, "Potentiostat", "Potentiostat"},
        {128, "kein Typ", "no type"},
        {255, "kein Typ", "no type"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ModuleName(Slave(c.code, 0)), c.de) << c.code;
        EXPECT_EQ(ModuleName(Slave(c.code, 1)), c.en) << c.code;
    }
}

TEST(DescribeModule, EveryCodeHasThreeNamesAndSaneRanges)
{
    for (int code = 0; code <= 255; ++code)
        for (int lang = 0; lang < 2; ++lang)
            for (int mode = 0; mode < 4; ++mode) {
                auto ci = DescribeModule(Slave(code, lang, mode));
                EXPECT_FALSE(ci.name1.empty()) << code;
                EXPECT_FALSE(ci.name2.empty()) << code;
                EXPECT_FALSE(ci.name3.empty()) << code;
                EXPECT_LT(ci.min1, ci.max1) << code;
                EXPECT_LT(ci.min2, ci.max2) << code;
                EXPECT_GT(ci.factor, 0.0f) << code;
            }
}

struct DescCase {
    int type, mode;
    const char *name1de, *name1en, *unit1;
    float min1, max1;
    int dec1;
    const char *name2de, *name2en, *unit2;
    float min2, max2;
    int dec2;
    float factor;
    const char* base;
};

// Rows where the display mode or the measuring range decides the second value and the factor.
// clang-format off
const DescCase kDesc[] = {
    {1, 0, "pH Wert", "pH value", "pH", -2, 16, 3, "Kettenspannung", "mV - value", "mV", -2000, 2000, 1, 1, "pH"},
    {25, 1, "Leitwert", "conductivity", "µS/cm", 0, 200, 1, "Salinität", "salinity", "g/kg", 0, 42, 1, 1, "µS/cm"},
    {4, 2, "Leitwert", "conductivity", "µS/cm", 0, 2000, 0, "TDS", "TDS", "mg/l", 0, 2000, 0, 1, "µS/cm"},
    {5, 2, "Leitwert", "conductivity", "mS/cm", 0, 20, 2, "TDS", "TDS", "g/l", 0, 20, 2, 1000, "µS/cm"},
    {15, 0, "Leitwert", "conductivity", "mS/cm", 0, 100, 1, "Widerstand", "resistivity", "Ohm", 0, 1000, 1, 1000,
     "µS/cm"},
    {31, 2, "Leitwert", "conductivity", "µS/cm", 0, 20, 2, "Salinität", "salinity", "kOhm", 0, 10000, 1, 1, "µS/cm"},
    {40, 0, "kein Wert", "no value", "", 0, 1000, 1, "kein Wert", "no value", "", 0, 1000, 1, 1, ""},
    {64, 0, "Strom", "current value", "nA", -50, 50, 2, "Messspannung", "measured potential", "mV", -2000, 2000, 1,
     0.001f, "µA"},
    {69, 0, "Strom", "current value", "mA", -5, 5, 3, "Messspannung", "measured potential", "mV", -2000, 2000, 1,
     1000, "µA"},
    {95, 0, "Strom", "current value", "mA", -500, 500, 1, "Messspannung", "measured potential", "mV", -12000, 12000,
     1, 1000, "µA"},
};
// clang-format on

TEST(DescribeModule, Table)
{
    for (const auto& c : kDesc)
        for (int lang = 0; lang < 2; ++lang) {
            SCOPED_TRACE(c.type);
            auto ci = DescribeModule(Slave(c.type, lang, c.mode));
            EXPECT_EQ(ci.name1, lang ? c.name1en : c.name1de);
            EXPECT_EQ(ci.unit1, c.unit1);
            EXPECT_FLOAT_EQ(ci.min1, c.min1);
            EXPECT_FLOAT_EQ(ci.max1, c.max1);
            EXPECT_EQ(ci.decimals1, c.dec1);
            EXPECT_EQ(ci.name2, lang ? c.name2en : c.name2de);
            EXPECT_EQ(ci.unit2, c.unit2);
            EXPECT_EQ(SecondUnit(Slave(c.type, lang, c.mode)), c.unit2);
            EXPECT_FLOAT_EQ(ci.min2, c.min2);
            EXPECT_FLOAT_EQ(ci.max2, c.max2);
            EXPECT_EQ(ci.decimals2, c.dec2);
            EXPECT_FLOAT_EQ(ci.factor, c.factor);
            EXPECT_EQ(ci.baseUnit, c.base);
        }
}

TEST(DescribeModule, UnitTextOfLinearIseAndCounter)
{
    CSlave s = Slave(9);
    s.m_unit = {'p', 'p', 'm', '\0'};
    EXPECT_EQ(DescribeModule(s).unit1, "ppm");
    EXPECT_EQ(DescribeModule(s).name1, "Messwert1");
    s.m_type = 10;
    s.m_unit = {'\xB5', 'g', '/', 'l'};  // Windows-1252 micro sign from the module
    EXPECT_EQ(DescribeModule(s).unit2, "µg/l");
    EXPECT_EQ(SecondUnit(s), "µg/l");
    EXPECT_EQ(DescribeModule(s).unit1, "mV");
    s.m_type = 18;
    s.m_unit = {'r', 'p', 'm', ' '};
    auto ci = DescribeModule(s);
    EXPECT_EQ(ci.unit1, "rpm ");
    EXPECT_EQ(ci.unit2, "Hz");
    EXPECT_FLOAT_EQ(ci.min1, -99999);
    EXPECT_FLOAT_EQ(ci.max2, 999999);
}

struct DecodeCase {
    int type;
    int mode;
    float revision;
    std::int16_t a, b, c;
    double v1, v2, v3;
};

TEST(DecodeValues, Table)
{
    const DecodeCase cases[] = {
        {1, 0, 1.0f, 7000, -1234, 251, 7.0, -123.4, 25.1},  // pH
        {4, 0, 1.0f, 1234, 55, 200, 1234, 5.5, 20.0},       // 2000 µS, 0 decimals
        {5, 2, 1.0f, 1234, 567, -50, 12.34, 5.67, -5.0},    // TDS takes decimals 1
        {40, 0, 1.0f, 10, 20, 30, 1.0, 2.0, 3.0},           // no type: 1 decimal
        {72, 0, 1.0f, 1234, 1500, 250, 12.34, 1500, 25.0},  // status 72: bit 3 set -> whole mV
        {64, 0, 1.0f, 1234, 1500, 250, 12.34, 150.0, 25.0},
        {65, 0, 1.0f, 1234, 1500, 250, 123.4, 150.0, 25.0},
        {66, 0, 1.0f, 1234, 1500, 250, 1.234, 150.0, 25.0},
        {71, 0, 2.0f, 1234, 1500, 250, 123.4, 150.0, 250.0},  // revision 2.0: whole units
        {79, 0, 2.5f, -1234, -1500, -250, -123.4, -1500, -250},
        {0xC8, 0, 1.0f, 1234, 1500, 250, 12.34, 1500, 25.0},  // finished program (bit 7)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        CSlave s = Slave(0, 0, c.mode);
        s.m_revision = c.revision;
        DecodeValues(s, static_cast<std::uint8_t>(c.type), {c.a, c.b, c.c});
        EXPECT_EQ(s.m_type, c.type);
        EXPECT_EQ(s.m_raw[0], c.a);
        EXPECT_NEAR(s.m_value1, c.v1, 1e-9);
        EXPECT_NEAR(s.m_value2, c.v2, 1e-9);
        EXPECT_NEAR(s.m_value3, c.v3, 1e-9);
    }
}

TEST(DecodeValues, DecimalsOfEveryAmplifierMatchTheCatalogue)
{
    for (int code = 0; code < 64; ++code) {
        CSlave s = Slave(code);
        auto ci = DescribeModule(s);
        DecodeValues(s, static_cast<std::uint8_t>(code), {1000, 1000, 1000});
        double p1 = 1, p2 = 1;
        for (int i = 0; i < ci.decimals1; ++i)
            p1 *= 10;
        for (int i = 0; i < ci.decimals2; ++i)
            p2 *= 10;
        EXPECT_NEAR(s.m_value1, 1000 / p1, 1e-9) << code;
        EXPECT_NEAR(s.m_value2, 1000 / p2, 1e-9) << code;
        EXPECT_NEAR(s.m_value3, 100.0, 1e-9) << code;
    }
}
