#include "potentiostat/eis_view_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace qor::potentiostat {

AxisRange EISViewModel::NyquistSection(const std::vector<data::CEISDatenObject>& list, int width, int height)
{
    double x0 = HUGE_VAL, x1 = -HUGE_VAL, y0 = 0.0, y1 = 0.0;
    for (const auto& p : list) {
        const std::complex<double> z = ToImpedance(p).z;
        if (!std::isfinite(z.real()) || !std::isfinite(z.imag()))
            continue;
        x0 = std::min(x0, z.real());
        x1 = std::max(x1, z.real());
        y0 = std::min(y0, -z.imag());
        y1 = std::max(y1, -z.imag());
    }
    if (x0 > x1)
        x0 = x1 = 0.0;
    // A single point or a flat row still gets a span around it.
    auto widen = [](double& lo, double& hi) {
        if (hi - lo <= 0.0) {
            const double d = std::max(std::fabs(lo) * 0.1, 1.0);
            lo -= d;
            hi += d;
        }
        const double m = 0.05 * (hi - lo);
        lo -= m;
        hi += m;
    };
    widen(x0, x1);
    widen(y0, y1);
    const double pw = std::max(width - 1, 1), ph = std::max(height - 1, 1);
    const double ohmPerPixel = std::max((x1 - x0) / pw, (y1 - y0) / ph);
    const double xc = 0.5 * (x0 + x1);
    return {xc - 0.5 * ohmPerPixel * pw, xc + 0.5 * ohmPerPixel * pw, y0, y0 + ohmPerPixel * ph};
}

std::vector<double> EISViewModel::ModelFrequencies(const std::vector<data::CEISDatenObject>& list, int count)
{
    double lo = HUGE_VAL, hi = 0.0;
    for (const auto& p : list)
        if (p.m_val1 > 0.0f && std::isfinite(p.m_val1)) {
            lo = std::min(lo, double{p.m_val1});
            hi = std::max(hi, double{p.m_val1});
        }
    std::vector<double> f;
    if (!(hi > lo) || count < 2)
        return f;
    const double a = std::log10(lo), step = (std::log10(hi) - a) / (count - 1);
    for (int i = 0; i < count; ++i)
        f.push_back(std::pow(10.0, a + step * i));
    f.front() = lo;  // the ends exactly, however the powers round
    f.back() = hi;
    return f;
}

std::vector<SpectrumSample> EISViewModel::Sample(const std::vector<double>& frequencies,
                                                 const std::function<std::complex<double>(double)>& impedance)
{
    std::vector<SpectrumSample> out;
    out.reserve(frequencies.size());
    for (double f : frequencies) {
        const std::complex<double> z = impedance(f);
        if (!std::isfinite(z.real()) || !std::isfinite(z.imag()))
            continue;
        out.push_back({f, std::arg(z) * 180.0 / std::numbers::pi, std::abs(z), z.real(), -z.imag()});
    }
    return out;
}

std::string EISViewModel::NyquistHoverText(const std::vector<data::CEISDatenObject>& list, double re,
                                           double negIm)
{
    std::string text = Format("Z′=%.2fΩ  −Z″=%.2fΩ", re, negIm);
    const data::CEISDatenObject* nearest = nullptr;
    double best = std::numeric_limits<double>::infinity();
    for (const auto& p : list) {
        const std::complex<double> z = ToImpedance(p).z;
        const double d = std::hypot(z.real() - re, -z.imag() - negIm);
        if (d < best) {
            best = d;
            nearest = &p;
        }
    }
    if (nearest)
        text += Format("  %.2fHz", double{nearest->m_val1});
    return text;
}

namespace {

// "1.234e-05 ± 2.1e-08" with as many digits as the error makes worth showing.
std::string WithError(double value, double error, int lang)
{
    if (!std::isfinite(error))
        return Format("%.4g  (%s)", value, TextPair{"nicht bestimmt", "not determined"}[lang]);
    return Format("%.5g ± %.2g", value, error);
}

}  // namespace

std::string EISViewModel::FitReport(const CircuitFit& fit, int lang)
{
    lang = lang == 1 ? 1 : 0;
    switch (fit.status) {
    case CircuitFit::Ok:
        break;
    case CircuitFit::NoPoints:
        return TextPair{"Keine Impedanzpunkte zum Anpassen.", "No impedance points to fit."}[lang];
    case CircuitFit::TooFewPoints:
        return Format(TextPair{"Zu wenige Punkte für das Ersatzschaltbild: %zu, nötig sind %zu.",
                               "Too few points for the circuit: %zu, it needs %zu."}[lang],
                      fit.points, fit.circuit.ParameterCount());
    case CircuitFit::NoConvergence:
        return TextPair{"Die Anpassung ist nicht konvergiert.", "The fit did not converge."}[lang];
    case CircuitFit::BadCircuit:
        return TextPair{"Ersatzschaltbild: ", "Equivalent circuit: "}[lang] + fit.error;
    }
    std::string s;
    if (fit.poor)
        s += FitWarning(fit, lang) + "\n\n";
    s += Format("%s: %s\n\n", TextPair{"Ersatzschaltbild", "Equivalent circuit"}[lang],
                fit.circuit.Text().c_str());
    const auto& params = fit.circuit.Parameters();
    for (std::size_t k = 0; k < params.size() && k < fit.value.size(); ++k) {
        s += params[k].name + " = " + WithError(fit.value[k], fit.standardError[k], lang);
        s += params[k].unit[0] ? std::string(" ") + params[k].unit : std::string();
        if (params[k].exponent && (fit.value[k] >= 1.0 || fit.value[k] <= 0.0))
            s += TextPair{"  (an der Grenze)", "  (at its bound)"}[lang];
        s += "\n";
    }
    for (const auto& c : fit.effectiveCapacitance)
        s += Format(TextPair{"C_eff(%s) = %.4g F  (Brug; Rs %.4g Ω, Rp %.4g Ω)\n",
                             "C_eff(%s) = %.4g F  (Brug; Rs %.4g Ω, Rp %.4g Ω)\n"}[lang],
                    c.element.c_str(), c.farad, c.rs, c.rp);
    s += Format(TextPair{"\nχ² = %.4g, reduziertes χ² = %.4g (Residuen %.2g %%, Rauschen %.2g %%)\n%s: %zu",
                         "\nχ² = %.4g, reduced χ² = %.4g (residuals %.2g %%, noise %.2g %%)\n%s: %zu"}[lang],
                fit.chi2, fit.reducedChi2, 100.0 * std::sqrt(fit.reducedChi2), 100.0 * fit.noise,
                TextPair{"Punkte", "Points"}[lang], fit.points);
    if (params.size() > 1 && fit.correlation.size() == params.size()) {
        s += TextPair{"\n\nKorrelationen:", "\n\nCorrelations:"}[lang];
        for (std::size_t i = 0; i < params.size(); ++i) {
            s += Format("\n%-8s", params[i].name.c_str());
            for (std::size_t j = 0; j <= i; ++j)
                s += std::isfinite(fit.correlation[i][j]) ? Format(" %+.3f", fit.correlation[i][j])
                                                          : std::string("    –  ");
        }
    }
    return s;
}

std::string EISViewModel::FitWarning(const CircuitFit& fit, int lang)
{
    return Format(
        TextPair{"Warnung: schlechte Anpassung. Die Residuen (%.2g %%) liegen weit über dem Rauschen "
                 "der Daten (%.2g %%): das Ersatzschaltbild beschreibt die Zelle nicht.",
                 "Warning: poor fit. The residuals (%.2g %%) lie far above the data's noise "
                 "(%.2g %%): the circuit does not describe the cell."}[lang == 1 ? 1 : 0],
        100.0 * std::sqrt(fit.reducedChi2), 100.0 * fit.noise);
}

std::string EISViewModel::KKReport(const KKCheck& kk, const std::vector<data::CEISDatenObject>& list,
                                   int lang)
{
    lang = lang == 1 ? 1 : 0;
    if (!kk.ok)
        return TextPair{"Die Kramers-Kronig-Prüfung braucht mindestens 3 Punkte.",
                        "The Kramers-Kronig check needs at least 3 points."}[lang];
    const double percent = 100.0 * kk.threshold;
    std::string s =
        Format(TextPair{"Kramers-Kronig-Prüfung (%zu RC-Glieder, µ = %.2f, Rauschen %.2g %%)\n",
                        "Kramers-Kronig check (%zu RC elements, µ = %.2f, noise %.2g %%)\n"}[lang],
               kk.elements, kk.mu, 100.0 * kk.noise);
    if (kk.flagged.empty())
        return s +
               Format(
                   TextPair{"Kein Punkt weicht über das Rauschen hinaus ab (%zu Punkte, Schwelle %.2g %%).",
                            "No point deviates beyond the noise (%zu points, threshold %.2g %%)."}[lang],
                   list.size(), percent);
    s += Format(TextPair{"%zu von %zu Punkten weichen über das Rauschen hinaus ab (Schwelle %.2g %%):",
                         "%zu of %zu points deviate beyond the noise (threshold %.2g %%):"}[lang],
                kk.flagged.size(), list.size(), percent);
    // The worst few first; the marks in the graphs show them all.
    std::vector<std::size_t> worst;
    for (std::size_t i : kk.flagged)
        if (i < list.size() && i < kk.residualsReal.size() && i < kk.residualsImag.size())
            worst.push_back(i);
    auto deviation = [&kk](std::size_t i) {
        return std::max(std::fabs(kk.residualsReal[i]), std::fabs(kk.residualsImag[i]));
    };
    std::stable_sort(worst.begin(), worst.end(),
                     [&](std::size_t a, std::size_t b) { return deviation(a) > deviation(b); });
    const std::size_t listed = std::min<std::size_t>(worst.size(), 12);
    for (std::size_t k = 0; k < listed; ++k)
        s += Format("\n  %.2f Hz: Re %+.2f %%, Im %+.2f %%", double{list[worst[k]].m_val1},
                    100.0 * kk.residualsReal[worst[k]], 100.0 * kk.residualsImag[worst[k]]);
    if (listed < kk.flagged.size())
        s +=
            Format(TextPair{"\n  … und %zu weitere", "\n  … and %zu more"}[lang], kk.flagged.size() - listed);
    return s;
}

}  // namespace qor::potentiostat
