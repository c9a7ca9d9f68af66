#include "cli/silent_document_ui.h"
#include "potentiostat/eis_fit.h"
#include "potentiostat/kk_check.h"
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

TEST(KramersKronig, FlagsCorruptedPointsOnly)
{
    const std::pair<Circuit, CircuitParameters> spectra[] = {
        {Circuit::Randles, {20.0, 250.0, 2e-5, 0.88, 0.0}},
        {Circuit::RandlesW, {15.0, 120.0, 5e-5, 0.92, 40.0}},
    };
    for (const auto& [circuit, p] : spectra) {
        auto pts = ToImpedance(Spectrum(circuit, p, 0.002));
        const KKCheck clean = CheckKramersKronig(pts);
        ASSERT_TRUE(clean.ok);
        EXPECT_EQ(clean.flagged, std::vector<std::size_t>{}) << CircuitName(circuit);
        EXPECT_EQ(clean.residualsReal.size(), 70u);
        // A drift of the magnitude at one point, of the phase at another.
        pts[12].z *= 1.05;
        pts[45].z *= std::polar(1.0, 4.0 * M_PI / 180.0);
        // Both are flagged; the fit leans towards an outlier, so a direct neighbour may be too.
        const std::vector<std::size_t> flagged = CheckKramersKronig(pts).flagged;
        EXPECT_EQ(std::count(flagged.begin(), flagged.end(), 12) +
                      std::count(flagged.begin(), flagged.end(), 45),
                  2);
        for (const std::size_t i : flagged)
            EXPECT_LE(std::min(i > 12 ? i - 12 : 12 - i, i > 45 ? i - 45 : 45 - i), 1u)
                << CircuitName(circuit);
    }
    EXPECT_FALSE(CheckKramersKronig({{1.0, {1.0, 0.0}}, {2.0, {1.0, 0.0}}}).ok);
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
        d.doc.m_eis = list;
        EXPECT_TRUE(d.doc.WriteFile(dir + name).ok);
        return dir + name;
    };
    auto run = [&](std::vector<std::string> args, std::string* out = nullptr) {
        args.insert(args.begin(), {tool, "eis"});
        return test::RunProgram(args, out);
    };

    data::CEISDatenObject a, b;
    a.m_flag1 = 1, a.m_flag2 = 4, a.m_val1 = 1000.5f, a.m_val2 = -45.04f, a.m_val3 = 12.25f;
    b.m_flag1 = 2, b.m_flag2 = 4, b.m_val1 = 0.1f, b.m_val2 = -3.0f, b.m_val3 = 1234.5f;
    const std::string two = write("eis_two.qo3", {a, b}), none = write("eis_none.qo3", {});
    const std::string head = "step\ttype\tfrequency[Hz]\tphase[\xB0]\t|Z|\r\n";
    const std::pair<const char*, std::string> exports[] = {
        {"", head + "1\t4\t1000.50\t-45.0\t12.25\t\r\n2\t4\t0.10\t-3.0\t1234.50\t\r\n"},
        {"--comma", head + "1\t4\t1000,50\t-45,0\t12,25\t\r\n2\t4\t0,10\t-3,0\t1234,50\t\r\n"},
    };
    for (const auto& [option, bytes] : exports) {
        const std::string out = dir + "eis_export.txt";
        EXPECT_EQ(run(*option ? std::vector<std::string>{"export", two, out, option}
                              : std::vector<std::string>{"export", two, out}),
                  0);
        std::ifstream f(out, std::ios::binary);
        EXPECT_EQ((std::stringstream() << f.rdbuf()).str(), bytes) << option;
    }
    // Refusals: too few points, none, no such file, a circuit it does not know.
    EXPECT_EQ(run({"fit", two, "--circuit", "randles-w"}), 1);
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

    list[30].m_val3 *= 1.06f;
    json.clear();
    EXPECT_EQ(run({"kk", write("eis_kk.qo3", list)}, &json), 0);
    std::string flagged = json.substr(json.find("\"flagged\":[") + 11);
    std::replace(flagged.begin(), flagged.end(), ',', ' ');
    std::istringstream in(flagged);
    std::vector<std::size_t> indexes{std::istream_iterator<std::size_t>(in), {}};
    EXPECT_EQ(std::count(indexes.begin(), indexes.end(), 30), 1) << json;
    for (const std::size_t i : indexes)
        EXPECT_LE(i > 30 ? i - 30 : 30 - i, 1u) << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), ','), 2 * 69 + 1 + indexes.size())
        << json;  // 70 + 70 residuals
}

}  // namespace
}  // namespace qor::potentiostat
