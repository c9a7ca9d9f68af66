#include "data/daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/virtual_channel.h"
#include "data/virtuell_kanal_model.h"
#include "formula/text_oracle.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using qor::data::EvaluateVirtualChannel;
using qor::data::VirtualChannels;
using qor::data::VirtuellKanalModel;

TEST(VirtualChannel, Values)
{
    struct Case {
        const char* formula;
        double y, z, want;
    };
    const Case cases[] = {
        {"y/z", 5.0, 0.0, 0.0},                // division by zero
        {"y-z", 1.0, -2.5, 3.5},               // 1.000000--2.500000
        {"y*1000000", 0.0000004, 0.0, 0.0},    // substituted as 0.000000
        {"y*1000000", -0.0000004, 0.0, -0.0},  // "-0.000000" keeps its sign
        {"y*1000000", 0.0000006, 0.0, 1.0},
        {"y*2", 1.25, std::numeric_limits<double>::quiet_NaN(), 2.5},  // z unused
        {"y*2", std::numeric_limits<double>::infinity(), 0.0, 0.0},    // "inf" fails the check
        {"2y", 1.0, 0.0, 21.0},  // the digits run together, as in the text
    };
    VirtualChannels channels;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formula);
        const double v = EvaluateVirtualChannel(c.formula, c.y, c.z);
        EXPECT_EQ(v, c.want);
        EXPECT_EQ(std::signbit(v), std::signbit(c.want));
        channels.SetFormula(1, c.formula);
        EXPECT_EQ(channels.EvaluateVirtualChannel(c.y, c.z, 1), v);
        EXPECT_EQ(v, oracle::Channel(c.formula, c.y, c.z).value);
    }
    EXPECT_EQ(channels.EvaluateVirtualChannel(1.0, 1.0, 4), 0.0);
}

namespace {
std::array<qor::catalogue::CSlave, 16> TwoModules()
{
    std::array<qor::catalogue::CSlave, 16> slaves{};
    for (int i = 0; i < 16; ++i)
        slaves[static_cast<std::size_t>(i)].m_address = static_cast<std::uint8_t>(i);
    slaves[0].m_type = 1;  // pH amplifier
    slaves[0].m_enabled = 1;
    slaves[5].m_type = 66;  // potentiostat, µA range
    slaves[5].m_enabled = 1;
    slaves[7].m_type = 1;  // found but not released
    return slaves;
}
}  // namespace

TEST(VirtuellKanal, ChannelListRunsFromAddress15Down)
{
    qor::data::CGrafikSetupVirtuell setup;
    VirtuellKanalModel dlg(setup, TwoModules(), 0);
    const std::vector<std::pair<std::string, int>> want = {
        {"Slave  5: Potentiostat Sollspannung [mV]", 17},
        {"Slave  5: Potentiostat [mV]", 16},
        {"Slave  5: Potentiostat [µA]", 15},
        {"Slave  0: pH - Verstärker [°C]", 2},
        {"Slave  0: pH - Verstärker [mV]", 1},
        {"Slave  0: pH - Verstärker [pH]", 0},
    };
    ASSERT_EQ(dlg.Channels().size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(dlg.Channels()[i].text, want[i].first);
        EXPECT_EQ(dlg.Channels()[i].code, want[i].second);
    }
    // With no module released the lists are empty and nothing is selected.
    VirtuellKanalModel none(setup, std::array<qor::catalogue::CSlave, 16>{}, 0);
    EXPECT_TRUE(none.Channels().empty());
    EXPECT_EQ(none.GetRow(0).ySelection, -1);
}

TEST(VirtuellKanal, OpeningSelectsByCode)
{
    qor::data::CGrafikSetupVirtuell setup;
    setup.m_enable = {1, 0, 0, 1};
    setup.m_sourceY = {1, 15, 30, 0};  // 30: address 10, not in the list
    setup.m_sourceZ = {17, 0, 2, 0};
    setup.m_formula = {"y*z", "", "y+1", "ln(y)"};
    VirtuellKanalModel dlg(setup, TwoModules(), 0);
    EXPECT_FALSE(dlg.GetRow(1).enabled);
    EXPECT_EQ(dlg.GetRow(0).ySelection, 4);
    EXPECT_EQ(dlg.GetRow(0).zSelection, 0);
    EXPECT_EQ(dlg.GetRow(2).ySelection, -1);
    EXPECT_EQ(dlg.GetRow(3).formula, "ln(y)");
}

TEST(VirtuellKanal, OkStoresWhatPassedAndNamesTheRest)
{
    qor::data::CGrafikSetupVirtuell setup;
    setup.m_sourceY = {30, 0, 0, 0};
    setup.m_formula = {"y", "z", "y", "z"};
    VirtuellKanalModel dlg(setup, TwoModules(), 1);
    dlg.SetEnabled(1, true);
    dlg.SelectY(1, 1);
    dlg.SelectZ(1, 5);
    dlg.SetFormula(0, "");
    dlg.SetFormula(1, "y**z");
    dlg.SetFormula(2, "2*asin(y/100)-z^2");
    dlg.SetFormula(3, "y+");  // passes the check; the trailing operator counts 0
    std::vector<std::string> messages;
    EXPECT_FALSE(dlg.OnOK(&messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Syntaxfehler in Formel 2");  // German in both languages
    EXPECT_EQ(setup.m_enable[1], 1);
    EXPECT_EQ(setup.m_sourceY[1], 16);
    EXPECT_EQ(setup.m_sourceZ[1], 0);
    EXPECT_EQ(setup.m_sourceY[0], 30);  // no selection: the stored code stays
    EXPECT_EQ(setup.m_formula[0], "");
    EXPECT_EQ(setup.m_formula[1], "z");  // failed: not stored
    EXPECT_EQ(setup.m_formula[2], "2*asin(y/100)-z^2");
    EXPECT_EQ(setup.m_formula[3], "y+");

    dlg.SetFormula(1, "y*z");
    EXPECT_TRUE(dlg.OnOK(&messages));
    EXPECT_EQ(setup.m_formula[1], "y*z");

    // The edit takes 20 characters; Cancel stores nothing.
    VirtuellKanalModel other(setup, TwoModules(), 0);
    other.SetEnabled(0, true);
    other.SetFormula(0, "123456789012345678901234");
    EXPECT_EQ(other.GetRow(0).formula, "12345678901234567890");
    other.OnCancel();
    EXPECT_EQ(setup.m_enable[0], 0);
    EXPECT_EQ(setup.m_formula[0], "");
}
