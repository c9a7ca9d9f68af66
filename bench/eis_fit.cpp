// The circuit fit of a 70-point spectrum (7 decades, 10 per decade, 0.5 % noise) from known
// Randles and Randles-Warburg parameters, timed, then the same fit by SciPy's least_squares
// (bench/eis_vs_scipy.py with /usr/bin/python3) from the same start values; prints both
// parameter sets, their largest relative difference and the speed ratios against SciPy's
// default method (trf) and its MINPACK method (lm). The parameters come from method lm.
// Usage: bench_eis_fit [WORKDIR]
#include "potentiostat/eis_fit.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <time.h>
#include <vector>

using namespace qor::potentiostat;

namespace {

std::vector<ImpedancePoint> Spectrum(Circuit c, const CircuitParameters& p)
{
    std::mt19937 rng(42);
    std::normal_distribution<double> noise(0.0, 0.005);
    std::vector<ImpedancePoint> pts;
    for (int i = 0; i < 70; ++i) {
        const double hz = std::pow(10.0, 5.0 - i / 10.0);
        const double re = noise(rng), im = noise(rng);
        pts.push_back({hz, CircuitImpedance(c, p, hz) * std::complex<double>(1.0 + re, im)});
    }
    return pts;
}

// Processor time of this process: the machine may be shared, and both sides are timed alike.
double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double SecondsPerFit(const std::vector<ImpedancePoint>& pts, Circuit c)
{
    FitCircuit(pts, c);  // warm
    int runs = 0;
    const double t0 = CpuSeconds();
    double spent = 0.0;
    do {
        FitCircuit(pts, c);
        ++runs;
        spent = CpuSeconds() - t0;
    } while (spent < 1.0 || runs < 100);
    return spent / runs;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path work = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::pair<Circuit, CircuitParameters> cases[] = {
        {Circuit::Randles, {20.0, 250.0, 2e-5, 0.88, 0.0}},
        {Circuit::RandlesW, {15.0, 120.0, 5e-5, 0.92, 40.0}},
    };
    int failures = 0;
    for (const auto& [circuit, truth] : cases) {
        const auto pts = Spectrum(circuit, truth);
        const CircuitFit fit = FitCircuit(pts, circuit);
        if (!fit.ok()) {
            std::printf("%s: the fit failed (status %d)\n", CircuitName(circuit), fit.status);
            return 1;
        }
        const double ours = SecondsPerFit(pts, circuit);

        // The data and the start values for SciPy, at full precision.
        const std::string data =
            (work / (std::string("eis_bench_") + CircuitName(circuit) + ".txt")).string();
        if (FILE* f = std::fopen(data.c_str(), "w")) {
            const CircuitParameters& s = fit.start;
            std::fprintf(f, "%s %.17g %.17g %.17g %.17g %.17g\n", CircuitName(circuit), s.rs, s.rct, s.q, s.n,
                         s.sigma);
            for (const auto& p : pts)
                std::fprintf(f, "%.17g %.17g %.17g\n", p.hz, p.z.real(), p.z.imag());
            std::fclose(f);
        }
        const std::string cmd = "/usr/bin/python3 " QOR_BENCH_DIR "/eis_vs_scipy.py " + data;
        FILE* py = popen(cmd.c_str(), "r");
        double theirs[5] = {0, 0, 0, 1, 0}, theirSeconds = 0.0, trfSeconds = 0.0;
        const int got = py ? std::fscanf(py, "%lf %lf %lf %lf %lf %lf %lf", &theirs[0], &theirs[1],
                                         &theirs[2], &theirs[3], &theirs[4], &theirSeconds, &trfSeconds)
                           : 0;
        if (py)
            pclose(py);
        std::filesystem::remove(data);
        if (got != 7) {
            std::printf("%s: no answer from %s\n", CircuitName(circuit), cmd.c_str());
            return 1;
        }
        const double mine[] = {fit.value.rs, fit.value.rct, fit.value.q, fit.value.n, fit.value.sigma};
        const double se[] = {fit.standardError.rs, fit.standardError.rct, fit.standardError.q,
                             fit.standardError.n, fit.standardError.sigma};
        const char* names[] = {"Rs", "Rct", "Q", "n", "sigma"};
        double worst = 0.0;
        std::printf("%s (70 points, %d evaluations, chi2 %.6g)\n", CircuitName(circuit), fit.iterations,
                    fit.chi2);
        std::printf("  %-6s %-14s %-12s %-14s %-14s %s\n", "", "true", "station", "+- se", "SciPy",
                    "rel. diff");
        const double want[] = {truth.rs, truth.rct, truth.q, truth.n, truth.sigma};
        for (std::size_t k = 0; k < ParameterCount(circuit); ++k) {
            const double diff = std::abs(mine[k] - theirs[k]) / std::abs(theirs[k]);
            worst = std::max(worst, diff);
            std::printf("  %-6s %-14.6g %-12.8g %-14.3g %-14.8g %.2e\n", names[k], want[k], mine[k], se[k],
                        theirs[k], diff);
        }
        std::printf("  largest relative difference: %.2e (goal < 1e-4)\n", worst);
        std::printf(
            "  station: %.1f us per fit; SciPy trf (least_squares' default): %.1f us, %.0fx (goal >= 20x); "
            "SciPy lm (MINPACK, the station's algorithm): %.1f us, %.0fx\n",
            ours * 1e6, trfSeconds * 1e6, trfSeconds / ours, theirSeconds * 1e6, theirSeconds / ours);
        if (worst >= 1e-4 || trfSeconds / ours < 20.0)
            ++failures;
    }
    return failures ? 1 : 0;
}
