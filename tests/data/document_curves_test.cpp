#include "data/daten_object.h"
#include "data/document_curves.h"
#include "data/document_graph.h"
#include "data/grafik_setup_glg_model.h"
#include "data/grafik_setup_virtuell.h"
#include "data/graph_prop_object.h"
#include "data/virtuell_kanal_model.h"
#include "graph/graph_model.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <tuple>

using namespace qor::data;

namespace {

// A recording of a pH amplifier at 0, a potentiostat at 5 and another pH amplifier at 3 that
// is absent now; `slaves` are the station's live records.
struct Doc {
    std::array<qor::catalogue::CSlave, 16> slaves{};
    CGrafikSetup setup;
    CGrafikSetupVirtuell virtuell;
    CGraphPropObject props;
    Doc()
    {
        for (const auto& [a, type] : {std::pair{0, 1}, std::pair{5, 66}}) {
            slaves[a].m_type = setup.m_moduleType[a] = static_cast<std::uint8_t>(type);
            slaves[a].m_enabled = 1;
        }
        slaves[7].m_type = 1;       // found but not released
        setup.m_moduleType[3] = 1;  // recorded, absent now
    }
    DocumentCurves Curves(int lang = 0) const { return {setup, virtuell, props, lang, &slaves}; }
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

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

// Values as text, so that a gap (NaN) compares equal to a gap.
std::string Texts(const std::vector<double>& v)
{
    std::string s;
    for (double x : v)
        s += (std::isnan(x) ? std::string("gap") : std::to_string(x)) + " ";
    return s;
}

}  // namespace

// Labels name the unit the stored numbers are in and the factor with the digits it needs.
TEST(DocumentCurves, LabelUnitsAndFactors)
{
    Doc d;
    d.setup.m_moduleType[6] = 64;  // potentiostat in its 50 nA range: value 1 is stored in µA
    d.setup.m_show1[6] = 1;
    d.setup.m_factor1[6] = 0.01f;
    EXPECT_EQ(d.Curves(1).Curves()[0].label, "S6 Potentiostat current value [µA] * 0.01");
    const std::pair<float, const char*> factors[] = {
        {1.0f, "1.0"},     {10.0f, "10.0"}, {0.5f, "0.5"},     {0.0f, "0.0"},    {0.01f, "0.01"},
        {0.001f, "0.001"}, {2.25f, "2.25"}, {-0.25f, "-0.25"}, {1e-5f, "1e-05"}, {1.0f / 3.0f, "0.33333334"},
    };
    for (const auto& [factor, text] : factors)
        EXPECT_EQ(FactorText(factor), text) << text;
}

// After a change of the setup each curve keeps its look by its source; a new curve is shown,
// in a default colour no other curve has.
TEST(DocumentCurves, LooksStayWithTheirSources)
{
    Doc d;
    d.setup.m_show1[0] = 1;
    d.virtuell.m_enable[1] = 1;
    CurveLooks looks;
    looks[0] = {0xFF0000, true, ""};            // value 1 of address 0 in red, the first default
    looks[48 + 1] = {0x123456, false, "mine"};  // virtual channel 1, hidden and named
    d.setup.m_show2[0] = d.setup.m_show1[5] = 1;
    const DocumentCurves c(d.setup, d.virtuell, looks, 0, &d.slaves);
    ASSERT_EQ(Ids(c), "0.1 0.2 5.1 v1");
    const std::tuple<std::uint32_t, bool, std::string> want[] = {
        {0xFF0000, true, "S0 pH - Verstärker pH Wert [pH] * 1.0"},
        {0x00FF00, true, "S0 pH - Verstärker Kettenspannung [mV] * 1.0"},
        {0x0000FF, true, "S5 Potentiostat Strom [µA] * 1.0"},
        {0x123456, false, "mine"},
    };
    for (std::size_t n = 0; n < 4; ++n)
        EXPECT_EQ(std::tie(c.Curves()[n].colour, c.Curves()[n].visible, c.Curves()[n].label), want[n]) << n;
}

// Guards a stored file named after whatever is on the bus now: its curves read as recorded, and
// only a released module of the recorded type lends its unit text.
TEST(DocumentCurves, StoredFileReadsTheSameWhateverIsConnected)
{
    using qor::catalogue::CSlave;
    CGrafikSetup setup;
    setup.m_moduleType[0] = 1;  // pH amplifier
    setup.m_moduleType[3] = 9;  // linear amplifier: its unit text is not stored
    setup.m_moduleType[5] = 66;
    setup.m_show1[0] = setup.m_show1[3] = setup.m_show1[5] = 1;
    const auto live = [](std::uint8_t t0, std::uint8_t t3, std::uint8_t t5, int enabled) {
        std::array<CSlave, 16> s{};
        s[0].m_type = t0;
        s[3].m_type = t3;
        s[5].m_type = t5;
        s[0].m_enabled = s[3].m_enabled = s[5].m_enabled = enabled;
        s[3].m_unit = {'p', 'p', 'm', 0};
        return s;
    };
    const std::string asRecorded =
        "S0 pH - Verstärker pH Wert [pH] * 1.0|S3 linearer - Verstärker Messwert1 [] * 1.0|"
        "S5 Potentiostat Strom [µA] * 1.0|";
    struct Case {
        const char* what;
        std::optional<std::array<CSlave, 16>> live;
        std::string labels;
    };
    const Case cases[] = {
        {"no station", std::nullopt, asRecorded},
        {"nothing released", std::array<CSlave, 16>{}, asRecorded},
        {"other modules released", live(3, 1, 64, 1), asRecorded},
        {"the same modules, not released", live(1, 9, 66, 0), asRecorded},
        {"the same modules, released", live(1, 9, 66, 1),
         "S0 pH - Verstärker pH Wert [pH] * 1.0|S3 linearer - Verstärker Messwert1 [ppm] * 1.0|"
         "S5 Potentiostat Strom [µA] * 1.0|"},
    };
    for (const Case& c : cases) {
        const DocumentCurves curves(setup, CGrafikSetupVirtuell(), CGraphPropObject(), 0,
                                    c.live ? &*c.live : nullptr);
        std::string labels;
        for (const DocumentCurve& curve : curves.Curves())
            labels += curve.label + "|";
        EXPECT_EQ(labels, c.labels) << c.what;
    }
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
        {0.0f, 0.0f, NAN, 1.0f, {0.0, 0.0, kGap, 1.0}},  // nothing measured: a gap, not 0
        {NAN, 2.0f, 1.0f, NAN, {kGap, 2.0, 2.0, kGap}},  // a virtual channel with a missed input
    };
    DocumentCurves curves = d.Curves();
    ASSERT_EQ(Ids(curves), "0.2 0.3 3.1 v0");
    EXPECT_EQ(curves.Curves()[3].label, "pH - Verstärker mV virtuell pH - Verstärker °C");
    std::vector<CDatenObject> samples;
    for (const Case& c : cases) {
        CDatenObject s;
        s.m_value2[0] = c.v2of0;
        s.m_temperature[0] = c.v3of0;
        s.m_value[3] = c.v1of3;
        s.m_temperature[3] = c.v3of3;
        std::vector<double> got;
        curves.Values(s, got);
        EXPECT_EQ(Texts(got), Texts(c.want)) << c.v1of3;
        samples.push_back(s);
    }
    // The same values a block at a time, long enough for the formula's lanes.
    const std::size_t n = std::size(cases);
    for (int k = 0; k < 4; ++k)
        samples.insert(samples.end(), samples.begin(), samples.begin() + static_cast<long>(n));
    std::vector<double> block(samples.size());
    for (std::size_t c = 0; c < 4; ++c) {
        curves.Values(c, samples.data(), samples.size(), block.data());
        for (std::size_t i = 0; i < samples.size(); ++i)
            EXPECT_EQ(Texts({block[i]}), Texts({cases[i % n].want[c]})) << "curve " << c << ", sample " << i;
    }
    // And onto a graph, long enough for the next blocks' values to be made alongside.
    while (samples.size() < 10007) {
        const CDatenObject s = samples[samples.size() % n];
        samples.push_back(s);
    }
    qor::graph::GraphModel graph;
    const std::vector<int> ids = AddDocumentCurves(graph, curves);
    FeedSamples(graph, curves, ids, samples, 0, false);
    for (std::size_t c = 0; c < 4; ++c) {
        const qor::graph::PointList& points = graph.GetGraph(ids[c])->m_points;
        ASSERT_EQ(points.size(), samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(Texts({points.Y(i)}), Texts({cases[i % n].want[c]}))
                << "curve " << c << ", sample " << i;
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
        m.SetFactor(2, 1, " -2,5e1 ");
        m.SetFactor(4, 2, "1.5");
        m.SetYFrom("+3");
        m.SetYTo("x");
        EXPECT_EQ(m.OnOK(), (GrafikSetupGlgModel::Field{4, 2}));
        EXPECT_EQ(m.NotANumberText({4, 2}),
                  "\"1.5\" ist keine Zahl (Skalierung Messwert 3, 4: nicht freigegeben).");
        m.SetFactor(4, 2, "0");
        EXPECT_EQ(m.OnOK(), (GrafikSetupGlgModel::Field{-1, 1}));
        EXPECT_EQ(m.NotANumberText({-1, 1}), "\"x\" ist keine Zahl (bis).");
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
        EXPECT_EQ(g.m_moduleType[3], 1);  // not released: the recorded type stays
        EXPECT_EQ(g.IntervalSeconds(), editable ? 23 * 3600 + 59 * 60 + 5 : 10);
    }
}

// Only the language's decimal mark is read; the other one is refused rather than guessed at.
TEST(GrafikSetupGlg, NumbersTakeTheDecimalMarkOfTheLanguage)
{
    struct Case {
        const char* text;
        int lang;
        std::optional<float> want;
    };
    const Case cases[] = {
        {"1,5", 0, 1.5f},
        {"1.5", 1, 1.5f},
        {"1.5", 0, std::nullopt},
        {"1,5", 1, std::nullopt},
        {" -2,5e1 ", 0, -25.f},
        {"+3", 1, 3.f},
        {"1.000,5", 0, std::nullopt},
        {"1,000.5", 1, std::nullopt},
        {"1,5,", 0, std::nullopt},
        {"+-1", 1, std::nullopt},
        {"", 0, std::nullopt},
        {"inf", 1, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.lang ? " en" : " de"));
        EXPECT_EQ(GrafikSetupGlgModel::ParseNumber(c.text, c.lang), c.want);
        if (c.want) {  // what the dialog shows it reads back
            const std::string shown = GrafikSetupGlgModel::NumberText(*c.want, c.lang);
            EXPECT_EQ(GrafikSetupGlgModel::ParseNumber(shown, c.lang), c.want);
        }
    }
}

TEST(VirtuellKanal, ChannelListRunsFromAddress15DownAndRowsSelectByCode)
{
    Doc d;
    d.virtuell.m_enable = {1, 0, 0, 1};
    d.virtuell.m_sourceY = {1, 15, 30, 0};  // 30: address 10, not in the list
    d.virtuell.m_sourceZ = {17, 0, 2, 0};
    d.virtuell.m_formula = {"y*z", "", "y+1", "ln(y)"};
    VirtuellKanalModel dlg(d.virtuell, d.slaves, 0);
    const std::vector<std::pair<std::string, int>> want = {
        {"Slave  5: Potentiostat Sollspannung [mV]", 17},
        {"Slave  5: Potentiostat [mV]", 16},
        {"Slave  5: Potentiostat [µA]", 15},
        {"Slave  0: pH - Verstärker [°C]", 2},
        {"Slave  0: pH - Verstärker [mV]", 1},
        {"Slave  0: pH - Verstärker [pH]", 0},
    };
    std::vector<std::pair<std::string, int>> got;
    for (const auto& ch : dlg.Channels())
        got.emplace_back(ch.text, ch.code);
    EXPECT_EQ(got, want);
    // With no module released the lists are empty and nothing is selected.
    VirtuellKanalModel none(d.virtuell, std::array<qor::catalogue::CSlave, 16>{}, 0);
    EXPECT_TRUE(none.Channels().empty());
    EXPECT_EQ(none.GetRow(0).ySelection, -1);
    // Each row selects its stored codes in the list.
    EXPECT_FALSE(dlg.GetRow(1).enabled);
    EXPECT_EQ(dlg.GetRow(0).ySelection, 4);
    EXPECT_EQ(dlg.GetRow(0).zSelection, 0);
    EXPECT_EQ(dlg.GetRow(2).ySelection, -1);
    EXPECT_EQ(dlg.GetRow(3).formula, "ln(y)");
}

TEST(VirtuellKanal, OkStoresWhatPassedAndNamesTheRest)
{
    const Doc d;
    CGrafikSetupVirtuell setup;
    setup.m_sourceY = {30, 0, 0, 0};
    setup.m_formula = {"y", "z", "y", "z"};
    VirtuellKanalModel dlg(setup, d.slaves, 1);
    dlg.SetEnabled(1, true);
    dlg.SelectY(1, 1);
    dlg.SelectZ(1, 5);
    dlg.SetFormula(0, "");
    dlg.SetFormula(1, "y**z");
    dlg.SetFormula(2, "2*asin(y/100)-z^2");
    dlg.SetFormula(3, "y+");  // passes the check; the trailing operator counts 0
    std::vector<std::string> messages;
    EXPECT_FALSE(dlg.OnOK(&messages));
    EXPECT_EQ(messages, std::vector<std::string>{"Syntax error in formula 2"});
    EXPECT_EQ(setup.m_enable[1], 1);
    EXPECT_EQ(setup.m_sourceY[1], 16);
    EXPECT_EQ(setup.m_sourceZ[1], 0);
    EXPECT_EQ(setup.m_sourceY[0], 30);  // no selection: the stored code stays
    // Formula 2 failed: not stored.
    EXPECT_EQ(setup.m_formula, (std::array<std::string, 4>{"", "z", "2*asin(y/100)-z^2", "y+"}));

    // The edit takes 20 characters; nothing is stored before OK.
    VirtuellKanalModel other(setup, d.slaves, 0);
    other.SetEnabled(0, true);
    other.SetFormula(0, "123456789012345678901234");
    EXPECT_EQ(other.GetRow(0).formula, "12345678901234567890");
    EXPECT_EQ(setup.m_enable[0], 0);
    EXPECT_EQ(setup.m_formula[0], "");
}
