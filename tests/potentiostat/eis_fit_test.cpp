#include "cli/silent_document_ui.h"
#include "potentiostat/eis_fit.h"
#include "potentiostat/eis_view_model.h"
#include "potentiostat/kk_check.h"
#include "potentiostat/pot_step_setup_model.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sstream>
#include <tuple>

namespace qor::potentiostat {
namespace {

using cd = std::complex<double>;
using Closed = std::function<cd(double hz)>;

// 70 points, 10 per decade from 100 kHz down, with relative noise on the real and imaginary
// parts.
std::vector<ImpedancePoint> Points(const Closed& z0, double noise, unsigned seed = 7)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, noise);
    std::vector<ImpedancePoint> pts(70);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        pts[i].hz = std::pow(10.0, 5.0 - static_cast<double>(i) / 10.0);
        const double wr = g(rng), wi = g(rng);
        pts[i].z = z0(pts[i].hz) * cd(1.0 + wr, wi);
    }
    return pts;
}

// The same points stored as the module reports them (frequency, phase in degrees, |Z|).
std::vector<data::CEISDatenObject> Spectrum(const Closed& z0, double noise, unsigned seed = 7)
{
    std::vector<data::CEISDatenObject> list;
    for (const ImpedancePoint& p : Points(z0, noise, seed)) {
        data::CEISDatenObject& o = list.emplace_back();
        o.m_val1 = static_cast<float>(p.hz);
        o.m_val2 = static_cast<float>(std::arg(p.z) * 180.0 / M_PI);
        o.m_val3 = static_cast<float>(std::abs(p.z));
        o.m_flag1 = 3;
        o.m_flag2 = 4;
    }
    return list;
}

// The circuits' impedances written out here, independent of the model's tree: (j w)^n, a
// parallel R-CPE as R / (1 + R Q (jw)^n), Warburg sigma (1 - j) / sqrt(w).
cd Jw(double hz, double n)
{
    return std::pow(2.0 * M_PI * hz, n) * std::polar(1.0, n * M_PI / 2.0);
}
cd Warburg(double hz, double sigma)
{
    return sigma * cd(1.0, -1.0) / std::sqrt(2.0 * M_PI * hz);
}
Closed RandlesCpe(double rs, double rct, double q, double n)
{
    return [=](double hz) { return rs + rct / (1.0 + rct * q * Jw(hz, n)); };
}

struct CircuitCase {
    const char* circuit;
    std::vector<double> truth;
    Closed closed;
};

const std::vector<CircuitCase>& Circuits()
{
    static const std::vector<CircuitCase> cases{
        {"R0-p(R1,CPE1)", {20.0, 250.0, 2e-5, 0.88}, RandlesCpe(20.0, 250.0, 2e-5, 0.88)},
        {"R0-p(R1,C1)",
         {100.0, 1300.0, 20e-6},
         [](double f) { return 100.0 + 1300.0 / (1.0 + cd(0.0, 2.0 * M_PI * f * 1300.0 * 20e-6)); }},
        {"R0-p(R1,CPE1)-p(R2,CPE2)",
         {10.0, 150.0, 1e-6, 0.9, 2000.0, 2e-4, 0.8},
         [](double f) {
             return 10.0 + 150.0 / (1.0 + 150.0 * 1e-6 * Jw(f, 0.9)) +
                    2000.0 / (1.0 + 2000.0 * 2e-4 * Jw(f, 0.8));
         }},
        {"R0-p(R1-W1,CPE1)",
         {15.0, 120.0, 40.0, 5e-5, 0.92},
         [](double f) { return 15.0 + 1.0 / (5e-5 * Jw(f, 0.92) + 1.0 / (120.0 + Warburg(f, 40.0))); }},
        {"L0-R0-p(R1-W1,CPE1)",
         {2e-5, 15.0, 120.0, 40.0, 5e-5, 0.92},
         [](double f) {
             return cd(0.0, 2.0 * M_PI * f * 2e-5) + 15.0 +
                    1.0 / (5e-5 * Jw(f, 0.92) + 1.0 / (120.0 + Warburg(f, 40.0)));
         }},
    };
    return cases;
}

TEST(EisCircuit, ImpedanceAndDerivativesMatchTheClosedForms)
{
    for (const CircuitCase& c : Circuits()) {
        const auto m = CircuitModel::Parse(c.circuit);
        ASSERT_TRUE(m) << c.circuit;
        ASSERT_EQ(m->ParameterCount(), c.truth.size()) << c.circuit;
        for (double hz : {1e-3, 0.5, 40.0, 3e3, 1e5}) {
            std::vector<cd> d;
            const cd z = m->Impedance(c.truth, hz, &d);
            EXPECT_NEAR(std::abs(z / c.closed(hz) - 1.0), 0.0, 1e-12) << c.circuit << " " << hz;
            // Each derivative against a central difference of the model itself.
            for (std::size_t k = 0; k < d.size(); ++k) {
                auto lo = c.truth, hi = c.truth;
                const double h = 1e-6 * c.truth[k];
                lo[k] -= h, hi[k] += h;
                const cd num = (m->Impedance(hi, hz) - m->Impedance(lo, hz)) / (2.0 * h);
                EXPECT_NEAR(std::abs(d[k] - num), 0.0, 1e-6 * std::abs(num) + 1e-12 * std::abs(z) / h)
                    << c.circuit << " " << m->Parameters()[k].name << " at " << hz;
            }
        }
    }
}

// R0-p(R1,p(R2,...)) with `depth` parallels, one inside the other.
std::string Nested(int depth)
{
    std::string s = "R" + std::to_string(depth);
    for (int k = depth - 1; k >= 0; --k)
        s = "p(R" + std::to_string(k) + "," + s + ")";
    return s;
}

TEST(EisCircuit, ParserTable)
{
    const std::pair<std::string, const char*> good[] = {
        {"R0-p(R1,CPE1)", "R0 R1 CPE1_Q CPE1_n"},
        {" R0 - p( R1 , CPE1 ) ", "R0 R1 CPE1_Q CPE1_n"},
        {"L0-R0-p(R1-W1,CPE1)", "L0 R0 R1 W1 CPE1_Q CPE1_n"},
        {"p(R1,C1,L1)", "R1 C1 L1"},
        {"R0-p(R1,p(R2,C2)-CPE3)", "R0 R1 R2 C2 CPE3_Q CPE3_n"},
        {"CPE12", "CPE12_Q CPE12_n"},
        {Nested(12), "R0 R1 R2 R3 R4 R5 R6 R7 R8 R9 R10 R11 R12"},
    };
    for (const auto& [text, names] : good) {
        std::string error;
        const auto m = CircuitModel::Parse(text, &error);
        ASSERT_TRUE(m) << text << ": " << error;
        std::string got;
        for (const auto& p : m->Parameters())
            got += (got.empty() ? "" : " ") + p.name;
        EXPECT_EQ(got, names) << text;
    }
    EXPECT_EQ(CircuitModel::Parse(ExpandCircuitName("randles-w"))->Text(), "R0-p(R1-W1,CPE1)");
    const std::pair<std::string, const char*> bad[] = {
        {"", "the circuit is empty"},
        {"   ", "the circuit is empty"},
        {"R0-", "missing at character 4"},
        {"R0--R1", "missing at character 4"},
        {"R0-p(R1)", "p( at character 4 needs at least two branches"},
        {"R0-p(R1,CPE1", "',' or ')' missing at character 13 (for p( at character 4)"},
        {"R0-p(,R1)", "missing at character 6"},
        {"R0)", "unexpected ')' at character 3"},
        {"R0-X1", "unknown element 'X1' at character 4"},
        {"R0-p(R1,Q1)", "unknown element 'Q1' at character 9"},
        {"Rs-p(R1,C1)", "at character 1: R takes a number, e.g. R1"},
        {"R0-p(R1,C)", "C at character 9 needs a number, e.g. C1"},
        {"R1-p(R1,C1)", "R1 appears twice (at character 6)"},
        {"R0 R1", "unexpected 'R' at character 4"},
        {Nested(13), "nests deeper than 12 levels"},
        {"R1-R2-R3-R4-R5-R6-R7-R8-R9-R10-R11-R12-R13-R14-R15-R16-R17-R18-R19-R20-R21-R22-R23-R24-R25",
         "more than 24 parameters"},
        {std::string(300, ' ') + "R0", "longer than 256 characters"},
    };
    for (const auto& [text, message] : bad) {
        std::string error;
        EXPECT_FALSE(CircuitModel::Parse(text, &error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << " -> " << error;
    }
    std::string de;
    CircuitModel::Parse("R0-p(R1,Q1)", &de, 0);
    EXPECT_EQ(de, "unbekanntes Element 'Q1' bei Zeichen 9 (R, C, L, CPE, W oder p(…))");
}

// Synthetic spectra of every circuit with 0.3 % noise give back their parameters within three
// standard errors, a reduced chi2 of the noise's square, and no warning.
TEST(EisFit, EveryCircuitRoundTrips)
{
    for (const CircuitCase& c : Circuits()) {
        const double noise = 0.003;
        const auto m = CircuitModel::Parse(c.circuit);
        const CircuitFit fit = FitCircuit(ToImpedance(Spectrum(c.closed, noise)), *m);
        ASSERT_TRUE(fit.ok()) << c.circuit << " status " << fit.status;
        EXPECT_EQ(fit.points, 70u);
        for (std::size_t k = 0; k < c.truth.size(); ++k) {
            const std::string name = c.circuit + (" " + m->Parameters()[k].name);
            EXPECT_GT(fit.standardError[k], 0.0) << name;
            EXPECT_LT(fit.standardError[k], 0.1 * c.truth[k]) << name;
            EXPECT_NEAR(fit.value[k], c.truth[k], 3.0 * fit.standardError[k]) << name;
            EXPECT_NEAR(fit.correlation[k][k], 1.0, 1e-9) << name;
        }
        EXPECT_NEAR(std::sqrt(fit.reducedChi2), noise, 0.25 * noise) << c.circuit;
        EXPECT_NEAR(fit.reducedChi2, fit.chi2 / (140.0 - static_cast<double>(c.truth.size())), 1e-15);
        EXPECT_FALSE(fit.poor) << c.circuit << " noise " << fit.noise;
        ASSERT_EQ(fit.residualHz.size(), 70u);
        EXPECT_NEAR(std::abs(fit.Impedance(1.0) / c.closed(1.0) - 1.0), 0.0, 3.0 * noise) << c.circuit;
    }
}

// What the fit warns of and bounds: one arc fitted to a spectrum of two is poor; a CPE whose
// data want n above 1 stops at 1; each CPE's effective capacitance is Brug's, with the series
// resistance outside its block and the resistance beside it (figures worked out by hand); a
// spectrum too small for its circuit is not fitted.
TEST(EisFit, PoorFitBoundedExponentAndEffectiveCapacitance)
{
    const CircuitCase& twoArcs = Circuits()[2];
    const CircuitFit poor =
        FitCircuit(ToImpedance(Spectrum(twoArcs.closed, 0.003)), *CircuitModel::Parse("R0-p(R1,CPE1)"));
    ASSERT_TRUE(poor.ok());
    EXPECT_TRUE(poor.poor) << poor.reducedChi2 << " noise " << poor.noise;
    EXPECT_NEAR(poor.noise, 0.003, 0.001);
    EXPECT_NE(EISViewModel::FitReport(poor, 1).find("Warning: poor fit."), std::string::npos);

    const CircuitFit bounded = FitCircuit(ToImpedance(Spectrum(RandlesCpe(20.0, 250.0, 2e-5, 1.04), 0.0)),
                                          *CircuitModel::Parse("R0-p(R1,CPE1)"));
    ASSERT_TRUE(bounded.ok());
    EXPECT_LE(bounded.value[3], 1.0);
    EXPECT_GT(bounded.value[3], 0.999);

    const std::pair<const char*, std::vector<double>> capacitances[] = {
        {"R0-p(R1,CPE1)", {20.0, 250.0, 2e-5, 0.88, 6.809524003e-06}},
        {"R0-CPE1", {20.0, 2e-5, 0.88, 6.88136414e-06}},
        {"R0-p(R1,CPE1)", {20.0, 250.0, 3e-5, 1.0, 3e-5}},
        {"R0-p(R1,CPE1)-p(R2,CPE2)",
         {20.0, 250.0, 2e-5, 0.88, 500.0, 1e-3, 0.8, 6.809524003e-06, 3.723909895e-4}},
    };
    for (const auto& [text, figures] : capacitances) {
        const auto m = CircuitModel::Parse(text);
        const std::vector<double> p(figures.begin(),
                                    figures.begin() + static_cast<long>(m->ParameterCount()));
        const auto c = m->EffectiveCapacitances(p);
        ASSERT_EQ(c.size() + m->ParameterCount(), figures.size()) << text;
        for (std::size_t k = 0; k < c.size(); ++k)
            EXPECT_NEAR(c[k].farad, figures[m->ParameterCount() + k], 1e-9 * c[k].farad) << text << " " << k;
    }

    // A spectrum needs as many points with a frequency as the circuit has parameters.
    const auto full = ToImpedance(Spectrum(Circuits()[3].closed, 0.0));
    const std::tuple<std::size_t, const char*, CircuitFit::Status> sizes[] = {
        {0, "randles", CircuitFit::NoPoints},
        {3, "randles", CircuitFit::TooFewPoints},
        {4, "randles-w", CircuitFit::TooFewPoints},
        {5, "randles-w", CircuitFit::Ok},
    };
    for (const auto& [take, circuit, status] : sizes) {
        std::vector<ImpedancePoint> pts(full.begin() + 20, full.begin() + 20 + static_cast<long>(take));
        pts.push_back({0.0, {5.0, -1.0}});  // no frequency: left out
        EXPECT_EQ(FitCircuit(pts, *CircuitModel::Parse(ExpandCircuitName(circuit))).status, status) << take;
    }
}

// A wrong point is flagged where it is, the ends included, and only there; sound spectra with
// 0.5 % noise have none flagged, the threshold following that noise.
TEST(KramersKronig, FlagsTheWrongPointAtTheEndsToo)
{
    for (unsigned seed = 0; seed < 20; ++seed) {
        const KKCheck kk = CheckKramersKronig(Points(RandlesCpe(20.0, 250.0, 2e-5, 0.88), 0.005, seed));
        EXPECT_EQ(kk.flagged, std::vector<std::size_t>{}) << "seed " << seed;
        EXPECT_NEAR(kk.noise, 0.005, 0.0015) << "seed " << seed;
        EXPECT_NEAR(kk.threshold, 4.0 * kk.noise, 1e-12);
    }
    EXPECT_FALSE(CheckKramersKronig({{1.0, {1.0, 0.0}}, {2.0, {1.0, 0.0}}}).ok);
    struct Case {
        double noise;
        std::size_t at;
        double error;  // relative, on |Z| or (as radians) on the phase
        bool phase;
    } cases[] = {
        {0.0, 0, 0.03, false},   {0.0, 69, 0.03, false},   {0.0, 0, 0.05, true},     {0.0, 69, 0.05, true},
        {0.002, 0, 0.03, false}, {0.002, 69, 0.03, false}, {0.002, 1, 0.05, true},   {0.002, 68, 0.05, false},
        {0.002, 35, 0.03, true}, {0.005, 0, 0.10, false},  {0.005, 69, 0.10, false}, {0.005, 0, 0.05, false},
        {0.005, 35, 0.05, true}, {0.005, 68, 0.10, true},
    };
    for (const Case& c : cases) {
        auto pts = Points(RandlesCpe(100.0, 1300.0, 2e-5, 0.95), c.noise, 3);
        const std::complex<double> sound = pts[c.at].z;
        pts[c.at].z *= c.phase ? std::polar(1.0, c.error) : 1.0 + c.error;
        const KKCheck kk = CheckKramersKronig(pts);
        EXPECT_EQ(kk.flagged, std::vector<std::size_t>{c.at}) << c.noise << " at " << c.at << " " << c.error;
        // Its residual is what the others predict it lacks: the error itself, to the noise.
        const std::complex<double> r(kk.residualsReal[c.at], kk.residualsImag[c.at]);
        EXPECT_NEAR(std::abs(r), std::abs(pts[c.at].z - sound) / std::abs(pts[c.at].z), 4.0 * c.noise + 0.002)
            << c.at;
    }
}

// The number after "key": following `section` in the JSON text.
double Field(const std::string& json, const std::string& section, const std::string& key)
{
    const std::size_t at = json.find("\"" + key + "\":", json.find(section));
    return at == std::string::npos ? NAN : std::strtod(json.c_str() + at + key.size() + 3, nullptr);
}

TEST(EisCommand, ExportFitAndCheckEndToEnd)
{
    const std::string tool = test::BinPath("qortool");
    if (!std::filesystem::exists(tool))
        GTEST_SKIP() << "qortool not built";
    const test::TempDir tmp;
    const std::string dir = tmp.path.string() + "/";
    auto write = [&](const std::string& name, const std::vector<data::CEISDatenObject>& list) {
        cli::CommandDocument d;
        for (const auto& p : list)
            d.doc.AppendEis(p);
        EXPECT_TRUE(d.doc.WriteFile(dir + name).ok);
        return dir + name;
    };
    auto run = [&](std::vector<std::string> args, std::string* out = nullptr) {
        args.insert(args.begin(), {tool, "eis"});
        return test::RunProgram(args, out);
    };

    data::CEISDatenObject a, b, c;
    a.m_flag1 = 1, a.m_flag2 = 4, a.m_val1 = 1000.5f, a.m_val2 = -45.04f, a.m_val3 = 12.25f;
    b.m_flag1 = 2, b.m_flag2 = 4, b.m_val1 = 0.1f, b.m_val2 = -3.0f, b.m_val3 = 1234.5f;
    c.m_flag1 = 2, c.m_flag2 = 4, c.m_val1 = 0.002f, c.m_val2 = -90.0f, c.m_val3 = 0.03f;
    const std::string two = write("eis_two.qo3", {a, b, c}), none = write("eis_none.qo3", {});
    const std::string head = "step\ttype\tfrequency[Hz]\tphase[\xB0]\t|Z|\r\n";
    const std::string csvHead = "frequency[Hz],Z'[Ohm],Z''[Ohm],|Z|[Ohm],phase[deg]\r\n";
    // Z' = |Z| cos(phase), Z'' = |Z| sin(phase) of the three points, as floats.
    const std::string csvB = "0.1,1232.8081,-64.60874,1234.5,-3\r\n",
                      csvC = "0.002,1.8369702e-18,-0.03,0.03,-90\r\n";
    const std::pair<std::vector<std::string>, std::string> exports[] = {
        {{"--all"},
         head +
             "1\t4\t1000.5\t-45.0\t12.25\t\r\n2\t4\t0.1\t-3.0\t1234.5\t\r\n2\t4\t0.002\t-90.0\t0.03\t\r\n"},
        {{"--spectrum", "2", "--comma"},
         head + "2\t4\t0,1\t-3,0\t1234,5\t\r\n2\t4\t0,002\t-90,0\t0,03\t\r\n"},
        {{"--spectrum", "2", "--csv"}, csvHead + csvB + csvC},
        {{"--all", "--csv"},
         "spectrum," + csvHead + "1,1000.5,8.656009,-8.668103,12.25,-45.04\r\n2," + csvB + "2," + csvC},
    };
    for (const auto& [options, bytes] : exports) {
        const std::string out = dir + "eis_export.txt";
        std::vector<std::string> args{"export", two, out};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(run(args), 0);
        std::ifstream f(out, std::ios::binary);
        EXPECT_EQ((std::stringstream() << f.rdbuf()).str(), bytes) << options.back();
    }
    std::filesystem::remove(dir + "eis_refused.txt");
    // Two spectra: refused without a choice, with a list of them; a choice that names none too.
    for (const std::string& args : {"export " + two + " " + dir + "eis_refused.txt", "fit " + two,
                                    "kk " + two, "plot " + two + " --png " + dir + "eis_refused.png"}) {
        std::string listing;
        EXPECT_EQ(test::RunProgram({"/bin/sh", "-c", tool + " eis " + args + " --lang en 2>&1"}, &listing),
                  2);
        EXPECT_NE(listing.find("holds 2 spectra"), std::string::npos) << listing;
        EXPECT_NE(listing.find("\n  Spectrum 2: step 2, 2 points, 0.002 … 0.1 Hz"), std::string::npos)
            << listing;
    }
    EXPECT_EQ(run({"fit", two, "--spectrum", "3"}), 2);
    std::string plotted;
    EXPECT_EQ(run({"plot", two, "--spectrum", "2", "--png", dir + "eis_second.png"}, &plotted), 0);
    EXPECT_NE(plotted.find(": 2 impedance points, Bode"), std::string::npos) << plotted;
    EXPECT_FALSE(std::filesystem::exists(dir + "eis_refused.txt"));
    // Refusals: too few points, none, no such file, a circuit it does not know.
    EXPECT_EQ(run({"fit", two, "--spectrum", "1", "--circuit", "randles-w"}), 1);
    EXPECT_EQ(run({"fit", none}), 1);
    EXPECT_EQ(run({"kk", none}), 1);
    EXPECT_EQ(run({"kk", dir + "missing.qo3"}), 2);
    EXPECT_EQ(run({"fit", two, "--circuit", "rc"}), 2);

    const CircuitCase& w = Circuits()[3];
    auto list = Spectrum(w.closed, 0.002, 11);
    std::string json;
    EXPECT_EQ(run({"fit", write("eis_fit.qo3", list), "--circuit", "randles-w"}, &json), 0);
    EXPECT_EQ(json.rfind("{\"circuit\":\"R0-p(R1-W1,CPE1)\",\"parameters\":{", 0), 0u) << json;
    EXPECT_EQ(Field(json, "}", "points"), 70.0);
    EXPECT_NE(json.find("\"poor\":false,\"warning\":null}"), std::string::npos) << json;
    const char* keys[] = {"R0", "R1", "W1", "CPE1_Q", "CPE1_n"};
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_NEAR(Field(json, "parameters", keys[k]), w.truth[k], 3.0 * Field(json, "stderr", keys[k]))
            << keys[k];
    EXPECT_NEAR(Field(json, "effectiveCapacitance", "CPE1"),
                std::pow(5e-5, 1 / 0.92) * std::pow(1 / 15.0 + 1 / 120.0, (0.92 - 1) / 0.92), 2e-6);
    // The picture of the fitted Nyquist view at the size asked for (the PNG header's IHDR).
    plotted.clear();
    EXPECT_EQ(run({"plot", dir + "eis_fit.qo3", "--nyquist", "--fit", "randles-w", "--size", "640x480",
                   "--png", dir + "eis_fit.png"},
                  &plotted),
              0);
    EXPECT_NE(plotted.find(": 70 impedance points, Nyquist"), std::string::npos) << plotted;
    std::ifstream png(dir + "eis_fit.png", std::ios::binary);
    const std::string header((std::istreambuf_iterator<char>(png)), {});
    EXPECT_EQ(header.substr(12, 12), std::string("IHDR\0\0\x02\x80\0\0\x01\xE0", 12));
    // A poor fit prints its figures with the warning, and says so by its exit code.
    const std::string twoArcs = write("eis_arcs.qo3", Spectrum(Circuits()[2].closed, 0.002));
    json.clear();
    EXPECT_EQ(run({"fit", twoArcs, "--lang", "en"}, &json), 3);
    EXPECT_NE(json.find("\"poor\":true,\"warning\":\"Warning: poor fit."), std::string::npos) << json;
    json.clear();
    EXPECT_EQ(run({"fit", twoArcs, "--circuit", "R0-p(R1,CPE1)-p(R2,CPE2)"}, &json), 0);
    EXPECT_NEAR(Field(json, "parameters", "R2"), 2000.0, 60.0) << json;

    // The wrong point and no other, as an index into the document's list (spectrum 2 from 1).
    list[30].m_val3 *= 1.06f;
    list.insert(list.begin(), a);
    json.clear();
    EXPECT_EQ(run({"kk", write("eis_kk.qo3", list), "--spectrum", "2"}, &json), 0);
    EXPECT_NE(json.find("\"flagged\":[31]"), std::string::npos) << json;
    EXPECT_EQ(json.rfind("{\"frequency\":[1e+05,79432.82,", 0), 0u) << json;
    for (const char* key : {"\"frequency\":[", "\"residualsReal\":[", "\"residualsImag\":["}) {
        const std::size_t from = json.find(key), to = json.find(']', from);
        EXPECT_EQ(
            std::count(json.begin() + static_cast<long>(from), json.begin() + static_cast<long>(to), ','), 69)
            << key;
    }
    EXPECT_NEAR(Field(json, "flagged", "noise"), 0.002, 0.0008) << json;
}

// A program of two EIS steps on qorsim's cell (Rs 20 Ω, icorr 50 µA, βa 80 and βc 120 mV,
// CPE 20 µS·sⁿ with n 0.85) recorded into one document: two spectra, fitted one at a time.
TEST(EisCommand, TwoSpectraOfOneProgramFittedApart)
{
    const test::TempDir tmp;
    const std::string dir = tmp.path.string() + "/", doc = dir + "eis_two_steps.qo3",
                      tool = test::BinPath("qortool");
    PotStepSetupModel m(1);
    ASSERT_EQ(m.LoadTemplate(QOR_TEST_DATA "/potentiostat/corrosion.stp"), "");
    std::string msg;
    m.Select(1);
    ASSERT_TRUE(m.BeginChange(msg));
    StepText second = m.Row(0);  // the sweep again, from 1 kHz
    second[F_NUMBER] = "2", second[F_VALUE1] = "1000.00", second[F_NEXT] = "End";
    m.EndChange(second);
    ASSERT_EQ(m.SaveTemplate(dir + "two_eis.stp"), "");

    test::Process sim({test::BinPath("qorsim"), "--pty", "--module", "0=67", "--cell-rs", "20",
                       "--cell-icorr", "50", "--cell-ba", "80", "--cell-bc", "120", "--cell-cdl", "20",
                       "--cell-n", "0.85"});
    const std::string tty = sim.ReadLine();
    std::string out;
    ASSERT_EQ(
        test::RunProgram({tool, "pot", "program", dir + "two_eis.stp", "--serial", tty, "--address", "0"}),
        0);
    ASSERT_EQ(test::RunProgram({tool, "record", "--serial", tty, "--idcount", "0", "--quiet", "--lang", "en",
                                "--start-potentiostat", "--out", doc},
                               &out),
              0);
    // 10 kHz .. 1 Hz and 1 kHz .. 1 Hz, five a decade.
    EXPECT_NE(out.find(", 37 impedance points"), std::string::npos) << out;

    EXPECT_EQ(test::RunProgram({tool, "eis", "fit", doc}), 2);
    // At rest Rct = βa βc / (ln 10 icorr (βa + βc)).
    const double rct = 80.0 * 120.0 / (std::log(10.0) * 50e-6 * 200.0) * 1e-3;
    for (const auto& [spectrum, points] : {std::pair{"1", 21.0}, std::pair{"2", 16.0}}) {
        std::string json;
        ASSERT_EQ(test::RunProgram({tool, "eis", "fit", doc, "--spectrum", spectrum}, &json), 0);
        EXPECT_EQ(Field(json, "}", "points"), points) << json;
        EXPECT_NEAR(Field(json, "parameters", "R0"), 20.0, 0.5) << json;
        EXPECT_NEAR(Field(json, "parameters", "R1"), rct, 0.02 * rct) << json;
        EXPECT_NEAR(Field(json, "parameters", "CPE1_Q"), 20e-6, 1.5e-6) << json;
        EXPECT_NEAR(Field(json, "parameters", "CPE1_n"), 0.85, 0.01) << json;
    }
}

}  // namespace
}  // namespace qor::potentiostat
