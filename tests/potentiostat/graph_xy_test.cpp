// The XY window's rules: curves, charges, Tafel lines, reference files, export table; the
// run window's conversion and axes.
#include "../data/data_test_util.h"
#include "cli/silent_document_ui.h"
#include "potentiostat/eis_graph_model.h"
#include "potentiostat/graph_xy_model.h"
#include "potentiostat/harmonic_analysis.h"
#include "potentiostat/ref_file.h"
#include "potentiostat/xy_graph_model.h"
#include "support/process.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>
#include <random>

namespace qor::potentiostat {
namespace {

using data::test::ByteWriter;

// The number after the first `key` in `text` (NaN when the key is missing).
double After(const std::string& text, const std::string& key)
{
    const std::size_t p = text.find(key);
    return p == std::string::npos ? NAN : std::strtod(text.c_str() + p + key.size(), nullptr);
}

data::CPotQORDatenObject Sample(std::uint32_t counter, std::int16_t i, std::int16_t u, std::uint8_t range = 2,
                                std::int16_t target = 0)
{
    data::CPotQORDatenObject s;
    s.m_counter = counter;
    s.m_raw = {i, u, target};
    s.m_range = range;
    return s;
}

TEST(PotRunRules, ConversionTimeLimitAndTexts)
{
    struct Case {
        std::uint8_t range;
        std::int16_t raw;
        double current, potential;
    } cases[] = {
        // The current of every range shows in the run export's decimals test.
        {0x04, -1234, -123.4, -123.4},
        {0x0D, 1234, 1234.0, 1234.0},  // mA range 5, ±12 V: potential unscaled
    };
    for (const Case& c : cases) {
        const PotValues v = ConvertSample(Sample(0, c.raw, c.raw, c.range, 77));
        EXPECT_NEAR(v.current, c.current, 1e-9) << int{c.range};
        EXPECT_NEAR(v.potential, c.potential, 1e-9) << int{c.range};
        EXPECT_DOUBLE_EQ(v.target, 7.7);
    }
    EXPECT_DOUBLE_EQ(SampleTime(200, 4294967000u), 0.496);
    EXPECT_DOUBLE_EQ(SampleTime(3500, 1000), 2.5);
    const double limits[][2] = {{100.0, 121.0}, {0.05, 1.0}, {0.0, 1.0}, {9.99, 12.0}};
    for (const auto& l : limits)
        EXPECT_DOUBLE_EQ(TimeLimit(l[0]), l[1]) << l[0];
    EXPECT_EQ(XYGraphModel::HoverText(XYGraphModel::PotentialCurrent, 1.234, -5.0), "1.23µA  -5.00mV");
    EXPECT_EQ(EISGraphModel::HoverText(EISGraphModel::Magnitude, 10, 3.14159), "10.00Hz  |Z|=3.14");
    // Charges up to mQ show in the charge tests of the XY window and of qortool.
    const std::pair<double, const char*> fields[] = {{2e9, "2.00 kQ"}, {5e24, "5000000000.00 TQ"}};
    for (const auto& [v, text] : fields)
        EXPECT_EQ(ChargeFieldText(v), text);
}

TEST(GraphXY, PointsFollowOrientationUnitAndLogAxis)
{
    // 2 µA (range 2) at 123.4 mV, set 50 mV; shown in nA; a zero current is left out on a log axis.
    const std::vector<data::CPotQORDatenObject> list{Sample(0, 2000, 1234, 2, 500), Sample(5, 0, 100)};
    GraphXYModel m(list, 0);
    const double l = std::log10(2000.0);
    using O = XyOrientation;
    // The linear axes show in the export tests of both orientations and units.
    struct Case {
        O orientation;
        bool usoll;
        XyPoint first;
        std::string xUnit, yUnit;
    } cases[] = {
        {O::PotentialX, false, {123.4, l, 2000}, "mV", "nA"},
        {O::CurrentX, false, {l, 123.4, 2000}, "nA", "mV"},  // the log is the current's
        {O::PotentialX, true, {50, l, 2000}, "mV", "nA"},
    };
    for (const Case& c : cases) {
        m.SetSettings(
            {.orientation = c.orientation, .unit = XyCurrentUnit::NanoAmp, .log = true, .usoll = c.usoll});
        ASSERT_EQ(m.Curves().size(), 1u);
        const XyPoint& p = m.Curves()[0].points[0];
        EXPECT_EQ(m.Curves()[0].points.size(), 1u);
        EXPECT_NEAR(p.x, c.first.x, 1e-9) << c.usoll << int(c.orientation);
        EXPECT_NEAR(p.y, c.first.y, 1e-9) << c.usoll << int(c.orientation);
        EXPECT_NEAR(p.z, c.first.z, 1e-9);
        EXPECT_EQ(m.Axes().xUnit + m.Axes().yUnit, c.xUnit + c.yUnit);
    }
}

TEST(GraphXY, TafelSelectionRules)
{
    // y = 0.5·x + 2 with a small alternating offset, x = 1 … 10.
    std::vector<TafelPoint> pts;
    for (int x = 1; x <= 10; ++x)
        pts.push_back({double(x), 0.5 * x + 2 + (x % 2 ? 0.01 : -0.01)});
    const struct {
        double from, to;
        int n;  // 0: refused
    } cases[] = {{0.5, 6.5, 6}, {0.5, 5.5, 0}, {1, 7, 0}, {1, 8, 6}, {8, 1, 6}, {0, 11, 10}};
    for (const auto& c : cases) {
        const auto f = FitTafel(pts, c.from, c.to);
        EXPECT_EQ(f ? f->n : 0, c.n) << c.from << ":" << c.to;
        EXPECT_TRUE(!f || std::fabs(f->m - 0.5) < 0.01);
    }
    // On log I = 0.5 x + 2 exactly: (I(8) - I(0)) / 8 = (10^6 - 10^2) / 8.
    std::vector<TafelPoint> line;
    for (int x = 1; x <= 7; ++x)
        line.push_back({double(x), 0.5 * x + 2});
    EXPECT_NEAR(FitTafel(line, 0, 8)->s, 124987.5, 1e-6);
    EXPECT_FALSE(FitTafel(std::vector<TafelPoint>(8, {5, 1}), 0, 10));                // D = 0
    EXPECT_FALSE(FitTafel({{1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}, 0, 10));  // Syy = 0

    TafelLines lines;
    EXPECT_EQ(lines.InfoText("µA", 1), "No  Tafel line(s) available!");
    EXPECT_EQ(lines.Add(pts, 0.5, 5.5, 0, 20, 0),
              "Kalkulation nicht möglich! Selektierter Bereich zu klein.");
}

// Each line's slope in mV per decade with its standard error, every figure with its unit,
// the points used; an overloaded sample inside the selection is left out and counted.
TEST(GraphXY, TafelReportGivesSlopesWithErrorsAndUnits)
{
    // Residuals (d, −d, 0, 0, −d, d) are orthogonal to 1 and x: the fit returns m and b
    // exactly, SSE = 4d², s² = d², Sxx = 1750, se(m) = d/√1750, se(β) = β²·se(m);
    // q = 100·(1 − 4d²β²/1750).
    const double xs[] = {-25, -15, -5, 5, 15, 25}, r[] = {1, -1, 0, 0, -1, 1}, d = 0.001, b = std::log10(2.0);
    std::vector<TafelPoint> anodic, cathodic;
    for (int k = 0; k < 6; ++k) {
        anodic.push_back({xs[k], xs[k] / 80 + b + r[k] * d});
        cathodic.push_back({xs[k], -xs[k] / 120 + b + r[k] * d});
    }
    anodic.push_back({10, 9, true});  // overloaded: would tear the line away
    // se(βa) = 6400·0.001/√1750 = 0.153, se(βc) = 14400·0.001/√1750 = 0.344;
    // q = 100 − 2.56/1750 = 99.998537 and 100 − 5.76/1750 = 99.996709.
    TafelLines lines;
    ASSERT_EQ(lines.Add(anodic, -30, 30, -50, 50, 0), "");
    ASSERT_EQ(lines.Add(cathodic, -30, 30, -50, 50, 0), "");
    const std::string de = lines.InfoText("µA", 0), en = lines.InfoText("nA", 1);
    EXPECT_EQ(de.substr(0, de.find("\nSchnittpunkt")),
              "\nAnodisch:\nI bei 0 mV=2 µA\nβa=80.0 ± 0.2 mV/Dek.\nQualität=99.998537 %\n"
              "Punkte=6 (1 übersteuert, nicht verwendet)\n"
              "Kathodisch:\nI bei 0 mV=2 µA\nβc=-120.0 ± 0.3 mV/Dek.\nQualität=99.996709 %\nPunkte=6\n");
    EXPECT_EQ(en.substr(0, en.find("Cathodic")), "\nAnodic:\nI at 0 mV=2 nA\nβa=80.0 ± 0.2 mV/dec\n"
                                                 "Quality=99.998537 %\nPoints=6 (1 overloaded, left out)\n");
    EXPECT_EQ(de.find("Icorr="), std::string::npos) << "the current at 0 mV is not the corrosion current";
    EXPECT_NE(de.find("\nGerade 2 (n=6)"), std::string::npos) << de;
    EXPECT_NEAR(lines.Lines()[0].y1, -50.0 / 80 + b, 1e-9);  // drawn across what is shown
}

// Rp near the open-circuit potential of a Butler–Volmer curve i = icorr·(e^(aη) − e^(−cη)),
// a = ln10/βa, c = ln10/βc. On a symmetric grid the least-squares slope keeps the odd
// terms: icorr·((a + c) + (a³ + c³)/6 · Ση⁴/Ση²), the next term below 1e-4 of it.
TEST(GraphXY, PolarisationResistanceAndSternGeary)
{
    const double icorr = 2, ba = 60, bc = 120, ecorr = -250, ln10 = std::log(10.0);
    const double a = ln10 / ba, c = ln10 / bc;
    const double b = ba * bc / (ln10 * (ba + bc));  // 17.3718 mV
    // η = −10 … 10 mV: Ση² = 2·385, Ση⁴ = 2·25333.
    const double rp = 1e3 / (icorr * ((a + c) + (a * a * a + c * c * c) / 6 * 25333.0 / 385.0));  // Ω
    const std::vector<TafelFit> lines{{.m = -1 / bc}, {.m = 1 / ba}};
    const struct {
        double rsInData, rs, area, ew, density;
        double rp, tolerance;  // Ω, relative
    } table[] = {
        {0, 0, 0, 0, 0, rp, 1e-4},
        {500, 500, 2, 27.92, 7.87, rp, 1e-4},  // the drop taken off gives the cell's Rp
        {500, 0, 0, 0, 0, rp + 500, 5e-3},     // left in, it adds to Rp
    };
    for (const auto& t : table) {
        std::vector<RpSample> samples;
        for (int k = -150; k <= 150; ++k) {
            const double i = icorr * (std::exp(a * k) - std::exp(-c * k));
            samples.push_back({ecorr + k + i * t.rsInData * 1e-3, i});
        }
        samples.push_back({ecorr + 1.5, 1e6, true});  // overloaded: left out
        const RpOptions o{.rs = t.rs, .area = t.area, .ew = t.ew, .density = t.density};
        const RpResult r = FitRp(samples, o, lines);
        ASSERT_EQ(r.status, RpResult::Status::Ok);
        EXPECT_NEAR(r.ocp, ecorr, 1e-9);
        EXPECT_NEAR(r.rp / t.rp - 1, 0, t.tolerance) << t.rsInData << " " << t.rs;
        EXPECT_NEAR(r.b, b, 1e-9);
        EXPECT_NEAR(r.icorr, b / r.rp * 1e3, 1e-9);  // mV/Ω = mA
        if (t.rs == 0 && t.rsInData == 0) {
            EXPECT_EQ(r.n, 21);
            EXPECT_FALSE(r.hasArea || r.hasRate);
        }
        if (t.area > 0) {
            // ASTM G102 by hand: 3.27e-3 · icorr/A · EW/ρ; icorr near 2 µA on 2 cm² of iron.
            const double icorrFit = b / rp * 1e3;
            EXPECT_NEAR(r.icorrDensity, icorrFit / 2, 1e-4);
            EXPECT_NEAR(r.rpArea, 2 * rp, 2 * rp * 1e-4);
            EXPECT_NEAR(r.rate, 3.27e-3 * (icorrFit / 2) * 27.92 / 7.87, 1e-6);
            const std::string text = RpText(r, o, 1);
            EXPECT_NE(text.find("iR corrected with Rs=500 Ω"), std::string::npos) << text;
            EXPECT_NE(text.find(" mm/year"), std::string::npos) << text;
            double rpText = 0, seText = 0;  // the error to two digits, Rp to the same place
            ASSERT_EQ(std::sscanf(text.c_str() + text.find("  Rp="), "  Rp=%lf ± %lf", &rpText, &seText), 2);
            EXPECT_NEAR(seText, r.seRp, 0.05 * r.seRp) << text;
            EXPECT_NEAR(rpText, r.rp, 0.05 * r.seRp) << text;
        }
    }
    EXPECT_EQ(FitRp({{0, 1}, {1, 2}, {2, 3}}, {}, lines).status, RpResult::Status::NoZeroCrossing);
    EXPECT_EQ(FitRp({{-20, -1}, {0, 0}, {20, 1}}, {}, lines).status, RpResult::Status::TooFewPoints);
    EXPECT_EQ(RpJson(FitRp({{0, 1}}, {}, {}), {}).find("nan"), std::string::npos);
}

// A current word at its end (32767 or −32768 steps) is only a bound: such samples are
// marked on the curve and in the points a fit gets.
TEST(GraphXY, OverloadedSamplesAreMarked)
{
    const struct {
        std::uint8_t range;
        double microAmps;
        bool overload;
    } table[] = {{0, 0.32767, true},  {0, -0.32766, false}, {3, -327.68, true}, {3, 327.66, false},
                 {7, 3.2767e6, true}, {7, 3.2766e6, false}, {11, 327.0, false}, {13, -32768.0, true}};
    for (const auto& c : table)
        EXPECT_EQ(CurrentOverload(c.range, c.microAmps), c.overload) << int(c.range) << " " << c.microAmps;
    const std::vector<data::CPotQORDatenObject> list{Sample(0, 32766, 10, 3), Sample(1, 32767, 20, 3),
                                                     Sample(2, -32768, 30, 4), Sample(3, -32767, 40, 1)};
    GraphXYModel m(list, 0);
    for (bool log : {false, true}) {
        m.SetSettings({.log = log});
        std::vector<bool> marked;
        for (const XyPoint& p : m.Curves().at(0).points)
            marked.push_back(p.overload);
        EXPECT_EQ(marked, (std::vector<bool>{false, true, true, true})) << log;
    }
    std::vector<bool> fitted;
    for (const TafelPoint& p : m.TafelPointsOf(0))
        fitted.push_back(p.overload);
    EXPECT_EQ(fitted, (std::vector<bool>{false, true, true, true}));
}

// With the current on X the band marked spans decades of current: the line fitted through
// the points inside it is the one a selection of their potentials gives with the potential
// on X, drawn with its ends swapped; samples with no current are not on the log axis.
TEST(GraphXY, TafelSelectionWithTheCurrentOnX)
{
    std::vector<data::CPotQORDatenObject> list;
    for (int k = 0; k <= 30; ++k) {
        const double e = -200.0 + 10.0 * k;                // mV
        const double i = 5.0 * std::pow(10.0, e / 100.0);  // µA, one decade per 100 mV
        // Range 1 below 3 µA (0.1 nA steps), range 3 above (10 nA steps).
        const bool small = i < 3.0;
        list.push_back(Sample(1000u * k, std::int16_t(std::lround(i * (small ? 1e4 : 1e2))),
                              std::int16_t(e * 10.0), small ? 1 : 3));
    }
    list.push_back(Sample(70000, 0, -50));  // -5 mV, no current
    GraphXYModel m(list, 1);
    XySettings s = m.Settings();
    s.log = true;
    m.SetSettings(s);
    m.SetTafelMode(true);
    ASSERT_EQ(m.FinishSelection(-155, 5, 0, -400, 400), "");  // -150 ... 0 mV
    const TafelLine byPotential = m.TafelLinesShown().at(0);
    s.orientation = XyOrientation::CurrentX;
    m.SetSettings(s);
    m.ClearTafelLines();
    // 0.158 ... 5 µA are -150 ... 0 mV; the band reaches a little beyond both.
    ASSERT_EQ(m.FinishSelection(std::log10(0.14), std::log10(5.5), 0, -400, 400), "");
    const std::vector<TafelLine> lines = m.TafelLinesShown();
    ASSERT_EQ(lines.size(), 1u);
    const TafelFit& f = lines[0].fit;
    EXPECT_EQ(f.n, 16) << "the points from -150 to 0 mV, not the one without current";
    EXPECT_DOUBLE_EQ(f.m, byPotential.fit.m);
    EXPECT_DOUBLE_EQ(f.b, byPotential.fit.b);
    EXPECT_DOUBLE_EQ(lines[0].y1, byPotential.x1) << "potential on Y";
    EXPECT_DOUBLE_EQ(lines[0].x1, byPotential.y1) << "decades of current on X";
}

TEST(GraphXY, TafelFitRecoversButlerVolmerParameters)
{
    // icorr = 2 µA at Ecorr = −250 mV, βa = 60 and βc = 120 mV/decade, 1 % noise on the
    // current. Far from Ecorr each branch is a straight line in log10|i|.
    const double ecorr = -250, logIcorr = std::log10(2.0), ba = 60, bc = 120;
    std::mt19937 gen(17);
    std::normal_distribution<double> noise(0.0, 0.01);
    int within2 = 0, within3 = 0, runs = 200;
    for (int run = 0; run < runs; ++run) {
        std::vector<TafelPoint> pts;
        for (double e = -600; e <= 100; e += 5) {
            const double eta = e - ecorr;
            const double i = 2.0 * (std::pow(10, eta / ba) - std::pow(10, -eta / bc)) * (1 + noise(gen));
            pts.push_back({e, std::log10(std::fabs(i))});
        }
        const auto an = FitTafel(pts, ecorr + 150, 101), ca = FitTafel(pts, -601, ecorr - 200);
        ASSERT_TRUE(an && ca);
        const auto cross = IntersectTafel(*an, *ca);
        ASSERT_TRUE(cross);
        const double dev[][2] = {{an->m - 1 / ba, an->seM},      {an->b - (logIcorr - ecorr / ba), an->seB},
                                 {ca->m + 1 / bc, ca->seM},      {ca->b - (logIcorr + ecorr / bc), ca->seB},
                                 {cross->x - ecorr, cross->seX}, {cross->logI - logIcorr, cross->seLogI}};
        for (const auto& d : dev) {
            within2 += std::fabs(d[0]) < 2 * d[1];
            within3 += std::fabs(d[0]) < 3 * d[1];
        }
        EXPECT_NEAR(cross->seCurrent, std::log(10.0) * cross->current * cross->seLogI, 1e-12);
    }
    // The errors are neither too small nor too large: about 95 % lie within 2 se, almost all within 3.
    EXPECT_GT(within3, 0.985 * 6 * runs);
    EXPECT_GT(within2, 0.90 * 6 * runs);
    EXPECT_LT(within2, 0.99 * 6 * runs);
}

// Regression: a second run's points joined the first run's curve and its Tafel fit.
TEST(GraphXY, OneRunAtATimeTheLastFirst)
{
    // Run 1: three samples of 1 µA a second apart; run 2 (the counter starts again): two of 2 µA.
    const std::vector<data::CPotQORDatenObject> list{Sample(0, 1000, 0), Sample(1000, 1000, 10),
                                                     Sample(2000, 1000, 20), Sample(0, 2000, 0),
                                                     Sample(1000, 2000, 10)};
    GraphXYModel m(list, 1);
    EXPECT_EQ(m.Runs(), 2);
    EXPECT_EQ(m.Run(), 1);
    ASSERT_EQ(m.Curves().size(), 1u);
    EXPECT_EQ(m.Curves()[0].points.size(), 2u);
    EXPECT_DOUBLE_EQ(m.Charges()[0].positive, 2.0);  // 2 µA for 1 s
    m.SetRun(0);
    EXPECT_EQ(m.Curves()[0].points.size(), 3u);
    EXPECT_DOUBLE_EQ(m.Charges()[0].positive, 2.0);  // 1 µA for 2 s
    EXPECT_EQ(m.TafelPointsOf(0).size(), 3u);
}

TEST(GraphXY, ReferenceFilesAndExport)
{
    data::test::TempDir dir;
    const std::int64_t now = 946684800;
    const std::vector<data::CPotQORDatenObject> list{Sample(0, 1500, -200, 0x0A, 30),
                                                     Sample(1000, -25, 1, 7)};
    GraphXYModel m(list, 1);
    ASSERT_EQ(m.SaveReference(dir / "a.ref", now), "");
    ByteWriter w;
    w.u16(2).newClass("CPotRefDatenObject").time(now).u8({1, 0x0A}).f32(1.5f).f32(-200.0f).f32(3.0f);
    w.u16(0x8001).time(now).u8({1, 7}).f32(-2500.0f).f32(0.1f).f32(0.0f);
    EXPECT_EQ(data::test::ReadBytes(dir / "a.ref"), w.b);

    // A file without a sample class record is read as version 3; a point may hold two entries.
    ByteWriter r;
    r.u16(1).newClass("CPotRefDatenObject", 1).time(now).u8({2, 2}).f32(4).f32(-7.5f).f32(1).u8({3});
    r.f32(5).f32(6).f32(7);
    data::test::WriteBytes(dir / "b.REF", r.b);
    data::test::WriteBytes(dir / "empty.ref", ByteWriter().u16(0).b);
    const std::pair<std::string, std::string> loads[] = {
        {"b.txt", "Wrong file type."}, {"empty.ref", "No data available."}, {"b.REF", ""}};
    for (const auto& [name, message] : loads)
        EXPECT_EQ(m.LoadReference(1, dir / name), message) << name;
    ASSERT_EQ(m.References()[1].size(), 1u);
    EXPECT_EQ(m.References()[1][0].m_count, 2);
    EXPECT_EQ(m.References()[1][0].m_x[1], 5.0f);

    EXPECT_EQ(m.ExportText(1, true), "X-Axis [mV]\tY-Axis [\265A]\tX-Axis [mV]\tY-Axis [\265A]\t\r\n"
                                     "-200,0\t1,500\t-7,5\t4,000\t\r\n0,1\t-2500,0\t \t \t\r\n");
    // The current keeps what its range resolves in the unit shown (regression: it was cut).
    const std::vector<data::CPotQORDatenObject> low{Sample(0, -1248, 10, 0), Sample(0, 1234, 10, 2)};
    GraphXYModel lowModel(low, 1);
    XySettings nano;
    nano.unit = XyCurrentUnit::NanoAmp;
    lowModel.SetSettings(nano);
    EXPECT_EQ(lowModel.ExportText(0, false).substr(26), "1\t-12.48\t\r\n1\t1234\t\r\n");
    nano.unit = XyCurrentUnit::MilliAmp;
    nano.orientation = XyOrientation::CurrentX;
    lowModel.SetSettings(nano);
    EXPECT_EQ(lowModel.ExportText(0, false).substr(26), "-0.00001248\t1\t\r\n0.001234\t1\t\r\n");
    EXPECT_EQ(GraphXYModel(std::vector<data::CPotQORDatenObject>{}, 0).SaveReference(dir / "c.ref", now),
              "keine Daten vorhanden.");
    EXPECT_FALSE(std::filesystem::exists(dir / "c.ref"));

    // Printed pages carry the plot's name, then the local day and time.
    const std::time_t t = 1700000000;
    std::tm local{};
    ::localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, " %d.%m.%Y %H:%M", &local);
    EXPECT_EQ(XyPrintHeader(t), std::string("XY_Plot") + stamp);
    EXPECT_EQ(PlotPrintHeader(t), std::string("QOremote_Plot") + stamp);
}

TEST(GraphXY, QortoolPotAnalyse)
{
    const std::string tool = test::BinPath("qortool");
    data::test::TempDir dir;
    // 0.1 µA·10^(±U/100 mV) from −300 to 300 mV, once a second, each in the finest range that holds it.
    cli::CommandDocument d;
    for (int k = 0; k <= 60; ++k) {
        const int u = 10 * k - 300;
        const double i = u == 0 ? 0 : (u > 0 ? 0.1 : -0.1) * std::pow(10.0, std::abs(u) / 100.0);
        std::uint8_t r = 0;
        while (std::fabs(i) * 1e5 / std::pow(10.0, r) > 32000)
            ++r;
        d.doc.AppendPot(Sample(1000u * k, std::int16_t(std::lround(i * 1e5 / std::pow(10.0, r))),
                               std::int16_t(u * 10), r));
    }
    ASSERT_TRUE(d.doc.WriteFile(dir / "doc.qo3").ok);
    cli::CommandDocument run200;  // a block for the harmonic analyses
    for (int k = 0; k < 200; ++k)
        run200.doc.AppendPot(Sample(1000u * k, std::int16_t(k % 7 * 100), std::int16_t(k % 5 * 30)));
    ASSERT_TRUE(run200.doc.WriteFile(dir / "run.qo3").ok);
    ASSERT_TRUE(cli::CommandDocument().doc.WriteFile(dir / "empty.qo3").ok);
    auto run = [&](std::vector<std::string> args, int rc = 0) {
        args.insert(args.begin(), {tool, "pot", "analyse"});
        std::string out;
        EXPECT_EQ(test::RunProgram(args, &out), rc) << args.back();
        return out;
    };
    const std::string out = run({dir / "doc.qo3", "--lang", "en", "--tafel", "1:2", "--tafel", "20:305",
                                 "--tafel", "-305:-20", "--tafel", "0:50", "--charge", "--xy-export",
                                 dir / "out.txt", "--comma", "--ref-save", dir / "out.ref"},
                                1);  // a refused selection fails the command
    const std::string head =
        "=== message ===\nCalculation not possible! Selected area to small.\n"
        "=== message ===\nOnly 2 lines are possible!\n=== info ===\n\nAnodic:\nI at 0 mV=";
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_NEAR(After(out, "βa="), 100, 0.5);
    EXPECT_NEAR(After(out, "βc="), -100, 0.5);
    EXPECT_NEAR(After(out, "intersection: "), 0, 0.5);
    EXPECT_NEAR(After(out.substr(out.find("intersection: ")), "mV "), 0.1, 0.001);
    EXPECT_NE(out.find("\n=== charge ===\nCharge\n\npositive: "), std::string::npos);
    const auto table = data::test::ReadBytes(dir / "out.txt");
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 62);
    const std::string top = "X-Axis [mV]\tY-Axis [\265A]\t\r\n-300,00\t-100,00\t\r\n";
    EXPECT_EQ(std::string(table.begin(), table.begin() + long(top.size())), top);
    EXPECT_EQ(data::test::ReadBytes(dir / "out.ref").at(0), 61);

    // Rp from u = −10, 0, 10 mV where i = ±0.1·10^0.1 µA; the lines give βa = −βc = 100 mV/dec,
    // so B = 100·100/(ln10·200) mV; 2 cm² of iron (EW 27.92 g, 7.87 g/cm³).
    const std::string rp = run({dir / "doc.qo3", "--lang", "en", "--tafel", "20:305", "--tafel", "-305:-20",
                                "--rp", "--area", "2", "--ew", "27.92", "--density", "7.87"});
    const double rpOhm = 1e4 / (0.1 * std::pow(10, 0.1)), b = 1e4 / (std::log(10.0) * 200);
    const double rpOut = After(rp, "\"rp_ohm\":"), icorrOut = After(rp, "\"icorr_uA\":");
    EXPECT_NEAR(rpOut, rpOhm, 3) << rp;
    EXPECT_NEAR(After(rp, "\"b_mV\":"), b, b * 1e-3);
    EXPECT_NEAR(icorrOut, b / rpOhm * 1e3, 1e-3 * icorrOut);
    EXPECT_NEAR(After(rp, "\"corrosion_rate_mm_per_year\":"), 3.27e-3 * icorrOut / 2 * 27.92 / 7.87, 1e-7);
    EXPECT_NE(rp.find("Polarisation resistance (±10 mV around 0.000 mV, n=3)"), std::string::npos) << rp;
    EXPECT_NE(rp.find(" mm/year\n"), std::string::npos) << "the Info text with the same figures";

    // Regression: these failures exited 0, the analyses with empty blocks and no word.
    EXPECT_EQ(run({dir / "empty.qo3", "--lang", "en", "--ref-save", dir / "e.ref"}, 1), "");
    EXPECT_EQ(run({dir / "doc.qo3", "--lang", "en", "--dft", "--fft"}, 1),
              "=== message ===\nOnly 61 samples: the analyses need at least 200.\n");
    EXPECT_EQ(run({dir / "doc.qo3", "--tafel", "-305:-20"}).substr(0, 20), "=== info ===\nKathodi");
    EXPECT_EQ(run({dir / "run.qo3", "--fft", "--dft"}), "=== dft ===\n" + DftAnalysisText(run200.doc.Pot()) +
                                                            "\n=== fft ===\n" +
                                                            FftAnalysisText(run200.doc.Pot()) + "\n");
    const std::string doc = dir / "doc.qo3";
    for (const auto& bad : std::vector<std::vector<std::string>>{{doc, "--unit", "pA"},
                                                                 {doc, "--comma"},
                                                                 {doc, "--tafel", "1-2"},
                                                                 {dir / "missing.qo3"},
                                                                 {doc, "--area", "2"},
                                                                 {doc, "--rp", "--area", "-1"},
                                                                 {doc, "--rp", "--ew", "27.9"}})
        run(bad, 2);
}

}  // namespace
}  // namespace qor::potentiostat
