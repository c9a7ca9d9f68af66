// The circuit fit of 70-point spectra (7 decades, 10 per decade, 0.5 % noise) of each circuit
// the documentation names, timed, then the same fit by SciPy's least_squares
// (bench/eis_vs_scipy.py with /usr/bin/python3) from the same start values, with the same
// model and modulus weighting but its own parameterisation (ln p, n bounded by the solver's
// box) and its own closed forms of the circuits; prints both parameter sets, their largest
// relative difference (goal < 1e-4) and the time per fit of each.
// Usage: bench_eis_fit [WORKDIR]
#include "potentiostat/eis_fit.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <time.h>
#include <vector>

using namespace qor::potentiostat;

namespace {

std::vector<ImpedancePoint> Spectrum(const CircuitModel& c, const std::vector<double>& p)
{
    std::mt19937 rng(42);
    std::normal_distribution<double> noise(0.0, 0.005);
    std::vector<ImpedancePoint> pts;
    for (int i = 0; i < 70; ++i) {
        const double hz = std::pow(10.0, 5.0 - i / 10.0);
        const double re = noise(rng), im = noise(rng);
        pts.push_back({hz, c.Impedance(p, hz) * std::complex<double>(1.0 + re, im)});
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

// `noise` given: the fit alone; else with the Kramers-Kronig check that judges it.
double SecondsPerFit(const std::vector<ImpedancePoint>& pts, const CircuitModel& c,
                     std::optional<double> noise)
{
    FitCircuit(pts, c, noise);  // warm
    int runs = 0;
    const double t0 = CpuSeconds();
    double spent = 0.0;
    do {
        FitCircuit(pts, c, noise);
        ++runs;
        spent = CpuSeconds() - t0;
    } while (spent < 1.0 || runs < 10);
    return spent / runs;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path work = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::pair<const char*, std::vector<double>> cases[] = {
        {"R0-p(R1,CPE1)", {20.0, 250.0, 2e-5, 0.88}},
        {"R0-p(R1,CPE1)-p(R2,CPE2)", {10.0, 150.0, 1e-6, 0.9, 2000.0, 2e-4, 0.8}},
        {"R0-p(R1-W1,CPE1)", {15.0, 120.0, 40.0, 5e-5, 0.92}},
        {"L0-R0-p(R1-W1,CPE1)", {2e-5, 15.0, 120.0, 40.0, 5e-5, 0.92}},
    };
    int failures = 0;
    double worstOverall = 0.0;
    for (const auto& [text, truth] : cases) {
        const CircuitModel circuit = *CircuitModel::Parse(text);
        const auto pts = Spectrum(circuit, truth);
        const CircuitFit fit = FitCircuit(pts, circuit);
        if (!fit.ok()) {
            std::printf("%s: the fit failed (status %d)\n", text, fit.status);
            return 1;
        }
        const double ours = SecondsPerFit(pts, circuit, fit.noise), judged = SecondsPerFit(pts, circuit, {});

        // The data and the start values for SciPy, at full precision.
        const std::string data = (work / "eis_bench_circuit.txt").string();
        if (FILE* f = std::fopen(data.c_str(), "w")) {
            std::fprintf(f, "%s", text);
            for (double s : fit.start)
                std::fprintf(f, " %.17g", s);
            std::fprintf(f, "\n");
            for (const auto& p : pts)
                std::fprintf(f, "%.17g %.17g %.17g\n", p.hz, p.z.real(), p.z.imag());
            std::fclose(f);
        }
        const std::string cmd = "/usr/bin/python3 " QOR_BENCH_DIR "/eis_vs_scipy.py " + data;
        FILE* py = popen(cmd.c_str(), "r");
        std::vector<double> theirs(truth.size());
        double theirSeconds = 0.0, theirChi2 = 0.0;
        std::size_t got = 0;
        for (double& v : theirs)
            got += py && std::fscanf(py, "%lf", &v) == 1;
        got += py && std::fscanf(py, "%lf %lf", &theirChi2, &theirSeconds) == 2;
        if (py)
            pclose(py);
        std::filesystem::remove(data);
        if (got != truth.size() + 1) {
            std::printf("%s: no answer from %s\n", text, cmd.c_str());
            return 1;
        }
        double worst = 0.0;
        std::printf("%s (70 points, %d evaluations, chi2 %.10g, SciPy chi2 %.10g, reduced chi2 %.3g, %s)\n",
                    text, fit.iterations, fit.chi2, theirChi2, fit.reducedChi2, fit.poor ? "POOR" : "good");
        std::printf("  %-8s %-12s %-14s %-12s %-14s %s\n", "", "true", "station", "+- se", "SciPy",
                    "rel. diff");
        for (std::size_t k = 0; k < truth.size(); ++k) {
            const double diff = std::abs(fit.value[k] - theirs[k]) / std::abs(theirs[k]);
            worst = std::max(worst, diff);
            std::printf("  %-8s %-12.6g %-14.9g %-12.3g %-14.9g %.2e\n", circuit.Parameters()[k].name.c_str(),
                        truth[k], fit.value[k], fit.standardError[k], theirs[k], diff);
        }
        for (const auto& c : fit.effectiveCapacitance)
            std::printf("  C_eff(%s) = %.6g F\n", c.element.c_str(), c.farad);
        std::printf("  largest relative difference: %.2e (goal < 1e-4)\n", worst);
        std::printf("  station: %.0f us per fit, %.0f us with the Kramers-Kronig check that judges it; SciPy "
                    "least_squares (trf, bounded, numerical Jacobian): %.0f us\n",
                    ours * 1e6, judged * 1e6, theirSeconds * 1e6);
        worstOverall = std::max(worstOverall, worst);
        if (worst >= 1e-4)
            ++failures;
    }
    std::printf("largest relative difference over all circuits: %.2e\n", worstOverall);
    return failures ? 1 : 0;
}
