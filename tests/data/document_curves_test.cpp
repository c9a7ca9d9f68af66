#include "data/daten_object.h"
#include "data/document_curves.h"
#include "data/grafik_setup_glg_model.h"
#include "data/grafik_setup_virtuell.h"
#include "data/graph_prop_object.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace qor::data;

namespace {

struct Doc {
    std::array<qor::catalogue::CSlave, 16> slaves{};
    CGrafikSetup setup;
    CGrafikSetupVirtuell virtuell;
    CGraphPropObject props;
    Doc()
    {
        slaves[0].m_type = 1;  // pH amplifier, released
        slaves[0].m_enabled = 1;
        setup.m_moduleType[3] = 1;  // recorded, absent now
    }
    DocumentCurves Curves(int lang = 0) const { return {slaves, setup, virtuell, props, lang}; }
};

// "a.k" for value k of address a, "vN" for virtual channel N.
std::string Ids(const DocumentCurves& c)
{
    std::string s;
    for (const DocumentCurve& d : c.Curves())
        s += (s.empty() ? "" : " ") + (d.IsVirtual()
                                           ? "v" + std::to_string(d.channel)
                                           : std::to_string(d.address) + "." + std::to_string(d.value));
    return s;
}

}  // namespace

TEST(DocumentCurves, LabelsColoursAndVisibility)
{
    Doc d;
    d.setup.m_show1[0] = d.setup.m_show2[0] = d.setup.m_show3[3] = 1;
    d.setup.m_factor2[0] = 10.0f;
    d.virtuell.m_enable[1] = 1;
    d.virtuell.m_sourceZ[1] = 1;
    d.props.m_name[1] = "Kette";
    d.props.m_colour[2] = 0x123456;  // 0x00BBGGRR
    d.props.m_visible[3] = 0;
    const DocumentCurves c = d.Curves();
    ASSERT_EQ(Ids(c), "0.1 0.2 3.3 v1");  // values by address, then virtual channels
    EXPECT_EQ(c.Curves()[0].label, "S0 pH - Verstärker pH Wert [pH] * 1.0");
    EXPECT_EQ(c.Curves()[1].label, "Kette");
    EXPECT_EQ(c.Label(c.Curves()[1]), "S0 pH - Verstärker Kettenspannung [mV] * 10.0");
    EXPECT_EQ(c.Curves()[2].label, "S3 pH - Verstärker Temperatur [°C] * 1.0");  // type from the setup
    EXPECT_EQ(c.Curves()[3].label, "pH - Verstärker pH virtuell pH - Verstärker mV");
    EXPECT_EQ(c.Curves()[0].colour, 0xFF0000u);  // stored default 0x0000FF is red
    EXPECT_EQ(c.Curves()[2].colour, 0x563412u);
    EXPECT_TRUE(c.Curves()[2].visible);
    EXPECT_FALSE(c.Curves()[3].visible);
    EXPECT_EQ(d.Curves(1).Curves()[0].label, "S0 pH - amplifier pH value [pH] * 1.0");
}

TEST(DocumentCurves, PointValues)
{
    Doc d;
    d.setup.m_show1[3] = d.setup.m_show2[0] = d.setup.m_show3[0] = 1;
    d.setup.m_factor2[0] = 10.0f;
    d.setup.m_factor1[3] = 2.0f;
    d.virtuell.m_enable[0] = 1;
    d.virtuell.m_sourceY[0] = 1;   // value 2 of address 0, scaled
    d.virtuell.m_sourceZ[0] = 11;  // value 3 of address 3
    d.virtuell.m_formula[0] = "y+z";
    // Inputs value 2 and 3 of address 0, value 1 and 3 of address 3; points in curve order.
    struct Case {
        float v2of0, v3of0, v1of3, v3of3;
        std::vector<double> want;
    };
    const Case cases[] = {
        {1.5f, 20.0f, 1.5f, 4.0f, {15.0, 20.0, 3.0, 19.0}},
        {1.5f, 1e8f, 2.5e8f, 0.0f, {15.0, 0.0, 0.0, 15.0}},  // failed readings draw 0
        {5e7f, -99999992.0f, -1e8f, 0.0f, {5e8, -99999992.0, 0.0, 5e8}},
        {0.0f, 0.0f, NAN, 1.0f, {0.0, 0.0, 0.0, 1.0}},
    };
    DocumentCurves curves = d.Curves();
    ASSERT_EQ(Ids(curves), "0.2 0.3 3.1 v0");
    for (const Case& c : cases) {
        CDatenObject s;
        s.m_value2[0] = c.v2of0;
        s.m_temperature[0] = c.v3of0;
        s.m_value[3] = c.v1of3;
        s.m_temperature[3] = c.v3of3;
        std::vector<double> got;
        curves.Values(s, got);
        EXPECT_EQ(got, c.want) << c.v1of3;
    }
}

TEST(GrafikSetupGlg, OpeningLoadsRowsAndInterval)
{
    Doc d;
    d.setup.m_show1[0] = d.setup.m_show2[3] = 1;  // address 3 is not released
    d.setup.m_factor3[3] = 0.25f;
    d.setup.m_interval = std::numeric_limits<std::int64_t>::max();  // no time: the default interval
    GrafikSetupGlgModel m(d.setup, d.slaves, false, 1);
    EXPECT_TRUE(m.GetRow(0).show[0]);
    EXPECT_EQ(m.GetRow(3).label, " 3: not released");
    EXPECT_FALSE(m.GetRow(3).show[1]);
    EXPECT_EQ(m.GetRow(3).factor[2], "0.25");
    EXPECT_EQ(m.Interval().seconds, 10);
}

TEST(GrafikSetupGlg, OkStoresOrNamesTheFieldThatIsNoNumber)
{
    Doc d;
    d.slaves[2].m_type = 5;
    d.slaves[2].m_enabled = 1;
    for (const bool editable : {false, true}) {
        GrafikSetupGlgModel m(d.setup, d.slaves, editable, 0);
        m.SetShow(2, 1, true);
        m.SetShow(3, 0, true);  // not released: stays off
        m.SetInterval(30, 61, 5);
        m.SetFactor(2, 1, " -2.5e1 ");
        m.SetFactor(4, 2, "1,5");
        m.SetYFrom("+3");
        m.SetYTo("x");
        EXPECT_EQ(m.OnOK(), (GrafikSetupGlgModel::Field{4, 2}));
        m.SetFactor(4, 2, "inf");
        EXPECT_EQ(m.OnOK(), (GrafikSetupGlgModel::Field{4, 2}));
        m.SetFactor(4, 2, "0");
        EXPECT_EQ(m.OnOK(), (GrafikSetupGlgModel::Field{-1, 1}));
        EXPECT_EQ(m.Result().m_show2[2], 0);  // nothing stored yet
        m.SetYTo("-7");
        ASSERT_EQ(m.OnOK(), std::nullopt);
        const CGrafikSetup& g = m.Result();
        EXPECT_EQ(g.m_show2[2], 1);
        EXPECT_EQ(g.m_show1[3], 0);
        EXPECT_EQ(g.m_factor2[2], -25.0f);
        EXPECT_EQ(g.m_factor3[4], 0.0f);
        EXPECT_EQ(g.m_yFrom, 3.0f);
        EXPECT_EQ(g.m_yTo, -7.0f);  // no range check
        EXPECT_EQ(g.m_moduleType[2], 5);
        EXPECT_EQ(g.m_moduleType[3], 0);  // the module types found now
        EXPECT_EQ(g.IntervalSeconds(), editable ? 23 * 3600 + 59 * 60 + 5 : 10);
    }
}
