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
    EXPECT_EQ(ModuleName(Slave(16, 1)), "no type");
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

// Rows where the display mode or the measuring range decides the second value, the factor to the base
// unit and the base unit itself.
TEST(DescribeModule, ModeAndRangeDecideSecondValueAndFactor)
{
    const struct {
        int type, mode;
        const char *unit1, *unit2;
        float factor;
        const char* base;
    } cases[] = {
        {1, 0, "pH", "mV", 1, "pH"},
        {25, 1, "µS/cm", "g/kg", 1, "µS/cm"},
        {4, 2, "µS/cm", "mg/l", 1, "µS/cm"},
        {5, 2, "mS/cm", "g/l", 1000, "µS/cm"},
        {15, 0, "mS/cm", "Ohm", 1000, "µS/cm"},
        {31, 2, "µS/cm", "kOhm", 1, "µS/cm"},
        {40, 0, "", "", 1, ""},
        {64, 0, "nA", "mV", 0.001f, "µA"},
        {69, 0, "mA", "mV", 1000, "µA"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        auto ci = DescribeModule(Slave(c.type, 0, c.mode));
        EXPECT_EQ(ci.unit1, c.unit1);
        EXPECT_EQ(ci.unit2, c.unit2);
        EXPECT_EQ(SecondUnit(Slave(c.type, 0, c.mode)), c.unit2);
        EXPECT_FLOAT_EQ(ci.factor, c.factor);
        EXPECT_EQ(ci.baseUnit, c.base);
    }
}

TEST(DescribeModule, UnitTextOfLinearIseAndCounter)
{
    CSlave s = Slave(9);
    s.m_unit = {'p', 'p', 'm', '\0'};
    EXPECT_EQ(DescribeModule(s).unit1, "ppm");
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
