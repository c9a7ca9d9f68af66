#include "cli/silent_document_ui.h"
#include "potentiostat/eis_fit.h"
#include "potentiostat/kk_check.h"
#include "potentiostat/pot_step_setup_model.h"
#include "support/process.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sstream>

namespace qor::potentiostat {
namespace {

// 70 points, 10 per decade from 100 kHz down, with relative noise on the real and imaginary
// parts, stored as the module reports them (frequency, phase in degrees, |Z|).
std::vector<data::CEISDatenObject> Spectrum(Circuit c, const CircuitParameters& p, double noise,
                                            unsigned seed = 7)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, noise);
    std::vector<data::CEISDatenObject> list(70);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const double hz = std::pow(10.0, 5.0 - static_cast<double>(i) / 10.0);
        const double wr = g(rng), wi = g(rng);
        const std::complex<double> z = CircuitImpedance(c, p, hz) * std::complex<double>(1.0 + wr, wi);
        list[i].m_val1 = static_cast<float>(hz);
        list[i].m_val2 = static_cast<float>(std::arg(z) * 180.0 / M_PI);
        list[i].m_val3 = static_cast<float>(std::abs(z));
        list[i].m_flag1 = 3;
        list[i].m_flag2 = 4;
    }
    return list;
}

TEST(EisFit, KnownParametersRecoveredWithinTheirErrors)
{
    struct Case {
        Circuit circuit;
        CircuitParameters truth;
        double noise;
    } cases[] = {
        {Circuit::Randles, {20.0, 250.0, 2e-5, 0.88, 0.0}, 0.003},
        {Circuit::Randles, {100.0, 1300.0, 20e-6, 1.0, 0.0}, 0.002},  // an ideal double layer
        {Circuit::RandlesW, {15.0, 120.0, 5e-5, 0.92, 40.0}, 0.003},
    };
    for (const Case& c : cases) {
        const CircuitFit fit = FitCircuit(ToImpedance(Spectrum(c.circuit, c.truth, c.noise)), c.circuit);
        ASSERT_TRUE(fit.ok()) << CircuitName(c.circuit) << " status " << fit.status;
        EXPECT_EQ(fit.points, 70u);
        const double got[] = {fit.value.rs, fit.value.rct, fit.value.q, fit.value.n, fit.value.sigma};
        const double se[] = {fit.standardError.rs, fit.standardError.rct, fit.standardError.q,
                             fit.standardError.n, fit.standardError.sigma};
        const double want[] = {c.truth.rs, c.truth.rct, c.truth.q, c.truth.n, c.truth.sigma};
        for (std::size_t k = 0; k < ParameterCount(c.circuit); ++k) {
            EXPECT_GT(se[k], 0.0) << CircuitName(c.circuit) << " parameter " << k;
            EXPECT_LT(se[k], 0.05 * want[k]) << CircuitName(c.circuit) << " parameter " << k;
            EXPECT_NEAR(got[k], want[k], 3.0 * se[k]) << CircuitName(c.circuit) << " parameter " << k;
        }
        // The weighted residuals are the relative noise: chi2 / (2N - p) near its square.
        const double s2 = fit.chi2 / static_cast<double>(2 * 70 - ParameterCount(c.circuit));
        EXPECT_NEAR(std::sqrt(s2), c.noise, 0.25 * c.noise) << CircuitName(c.circuit);
        // The drawn fit passes through the data.
        EXPECT_NEAR(std::abs(fit.Impedance(1.0) / CircuitImpedance(c.circuit, c.truth, 1.0) - 1.0), 0.0,
                    3.0 * c.noise);
    }
}

TEST(EisFit, SpectraTooSmallForTheCircuit)
{
    const auto full = ToImpedance(Spectrum(Circuit::RandlesW, {15.0, 120.0, 5e-5, 0.92, 40.0}, 0.0));
    struct Case {
        std::size_t take;
        Circuit circuit;
        CircuitFit::Status status;
    } cases[] = {
        {0, Circuit::Randles, CircuitFit::NoPoints},
        {3, Circuit::Randles, CircuitFit::TooFewPoints},
        {4, Circuit::RandlesW, CircuitFit::TooFewPoints},
        {5, Circuit::RandlesW, CircuitFit::Ok},
    };
    for (const Case& c : cases) {
        std::vector<ImpedancePoint> pts(full.begin() + 20, full.begin() + 20 + static_cast<long>(c.take));
        pts.push_back({0.0, {5.0, -1.0}});  // no frequency: left out
        EXPECT_EQ(FitCircuit(pts, c.circuit).status, c.status) << c.take;
    }
}

// Rs + Rct / (1 + Rct Q (j w)^n), written out here rather than taken from the fit's model.
std::complex<double> RandlesCpe(double hz, double rs, double rct, double q, double n)
{
    const double w = 2.0 * M_PI * hz;
    const std::complex<double> jwn = std::pow(w, n) * std::polar(1.0, n * M_PI / 2.0);
    return rs + rct / (1.0 + rct * q * jwn);
}

// 70 points from 100 kHz down, 10 a decade, relative noise on the real and imaginary parts.
std::vector<ImpedancePoint> CpeSpectrum(double rs, double rct, double q, double n, double noise,
                                        unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, noise);
    std::vector<ImpedancePoint> pts(70);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        pts[i].hz = std::pow(10.0, 5.0 - static_cast<double>(i) / 10.0);
        const double wr = g(rng), wi = g(rng);
        pts[i].z = RandlesCpe(pts[i].hz, rs, rct, q, n) * std::complex<double>(1.0 + wr, wi);
    }
    return pts;
}

// A wrong point is flagged where it is, the ends included, and only there; sound spectra with
// 0.5 % noise have none flagged, the threshold following that noise.
TEST(KramersKronig, FlagsTheWrongPointAtTheEndsToo)
{
    for (unsigned seed = 0; seed < 20; ++seed) {
        const KKCheck kk = CheckKramersKronig(CpeSpectrum(20.0, 250.0, 2e-5, 0.88, 0.005, seed));
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
        auto pts = CpeSpectrum(100.0, 1300.0, 2e-5, 0.95, c.noise, 3);
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
    const std::string dir = testing::TempDir();
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

    const CircuitParameters truth{15.0, 120.0, 5e-5, 0.92, 40.0};
    auto list = Spectrum(Circuit::RandlesW, truth, 0.002, 11);
    std::string json;
    EXPECT_EQ(run({"fit", write("eis_fit.qo3", list), "--circuit", "randles-w"}, &json), 0);
    EXPECT_EQ(json.rfind("{\"circuit\":\"randles-w\",\"parameters\":{", 0), 0u) << json;
    EXPECT_EQ(Field(json, "}", "points"), 70.0);
    const std::pair<const char*, double> keys[] = {
        {"Rs", truth.rs}, {"Rct", truth.rct}, {"Q", truth.q}, {"n", truth.n}, {"sigma", truth.sigma}};
    for (const auto& [key, value] : keys)
        EXPECT_NEAR(Field(json, "parameters", key), value, 3.0 * Field(json, "stderr", key)) << key;

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
    const std::string dir = testing::TempDir(), doc = dir + "eis_two_steps.qo3",
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
        EXPECT_NEAR(Field(json, "parameters", "Rs"), 20.0, 0.5) << json;
        EXPECT_NEAR(Field(json, "parameters", "Rct"), rct, 0.02 * rct) << json;
        EXPECT_NEAR(Field(json, "parameters", "Q"), 20e-6, 1.5e-6) << json;
        EXPECT_NEAR(Field(json, "parameters", "n"), 0.85, 0.01) << json;
    }
}

}  // namespace
}  // namespace qor::potentiostat
