#include "potentiostat/kk_check.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace qor::potentiostat {
namespace {

constexpr double kMuLimit = 0.85;  // below this the RC elements start to fit the noise

struct Usable {
    std::size_t index;  // into the input
    double w;
    std::complex<double> z;
};

// Unknowns: R0, the M element resistances, then 1/C and L of the series capacitance and
// inductance (either sign), which take a capacitive tail and lead inductance.
struct LinearFit {
    Eigen::VectorXd r;
    double mu = 1.0;

    std::complex<double> At(double w, const std::vector<double>& taus) const
    {
        const auto m = static_cast<Eigen::Index>(taus.size());
        std::complex<double> z(r[0], r[m + 2] * w - r[m + 1] / w);
        for (Eigen::Index k = 0; k < m; ++k)
            z += r[k + 1] / std::complex<double>(1.0, w * taus[static_cast<std::size_t>(k)]);
        return z;
    }
};

// Series resistance and `m` RC elements with time constants log-spaced over [tauMin, tauMax].
LinearFit Fit(const std::vector<Usable>& pts, std::size_t m, double tauMin, double tauMax,
              std::vector<double>* taus)
{
    const auto n = static_cast<Eigen::Index>(pts.size());
    const auto cols = static_cast<Eigen::Index>(m + 3);
    taus->assign(m, tauMin);
    for (std::size_t k = 0; k < m && m > 1; ++k)
        (*taus)[k] = tauMin * std::pow(tauMax / tauMin, static_cast<double>(k) / static_cast<double>(m - 1));
    Eigen::MatrixXd a = Eigen::MatrixXd::Zero(2 * n, cols);
    Eigen::VectorXd b(2 * n);
    for (Eigen::Index i = 0; i < n; ++i) {
        const Usable& p = pts[static_cast<std::size_t>(i)];
        const double weight = 1.0 / std::abs(p.z);
        a(i, 0) = weight;
        for (std::size_t k = 0; k < m; ++k) {
            const double wt = p.w * (*taus)[k];
            const double den = 1.0 + wt * wt;
            a(i, static_cast<Eigen::Index>(k) + 1) = weight / den;
            a(n + i, static_cast<Eigen::Index>(k) + 1) = -weight * wt / den;
        }
        a(n + i, cols - 2) = -weight / p.w;
        a(n + i, cols - 1) = weight * p.w;
        b[i] = p.z.real() * weight;
        b[n + i] = p.z.imag() * weight;
    }
    LinearFit f;
    f.r = a.colPivHouseholderQr().solve(b);
    double positive = 0.0, negative = 0.0;
    for (Eigen::Index k = 1; k < cols - 2; ++k)
        (f.r[k] < 0.0 ? negative : positive) += std::abs(f.r[k]);
    f.mu = positive > 0.0 ? 1.0 - negative / positive : 0.0;
    return f;
}

}  // namespace

KKCheck CheckKramersKronig(const std::vector<ImpedancePoint>& points, double threshold)
{
    KKCheck out;
    std::vector<Usable> pts;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ImpedancePoint& p = points[i];
        if (std::isfinite(p.hz) && p.hz > 0.0 && std::isfinite(std::abs(p.z)) && std::abs(p.z) > 0.0)
            pts.push_back({i, 2.0 * std::numbers::pi * p.hz, p.z});
    }
    if (pts.size() < 3)
        return out;
    const auto [lo, hi] =
        std::minmax_element(pts.begin(), pts.end(), [](const auto& a, const auto& b) { return a.w < b.w; });
    const double tauMin = 1.0 / hi->w, tauMax = 1.0 / lo->w;

    // More elements until the fit starts to chase the noise (mu below the limit), at most one
    // per point so that the real and imaginary parts keep the system over-determined.
    std::vector<double> taus;
    LinearFit fit;
    const auto decades = static_cast<std::size_t>(std::ceil(std::log10(tauMax / tauMin)));
    for (std::size_t m = std::clamp<std::size_t>(decades, 1, pts.size()); m <= pts.size(); ++m) {
        fit = Fit(pts, m, tauMin, tauMax, &taus);
        out.elements = m;
        if (fit.mu < kMuLimit)
            break;
    }
    out.mu = fit.mu;

    out.residualsReal.assign(points.size(), 0.0);
    out.residualsImag.assign(points.size(), 0.0);
    for (const Usable& p : pts) {
        const std::complex<double> d = (p.z - fit.At(p.w, taus)) / std::abs(p.z);
        out.residualsReal[p.index] = d.real();
        out.residualsImag[p.index] = d.imag();
        if (std::abs(d.real()) > threshold || std::abs(d.imag()) > threshold)
            out.flagged.push_back(p.index);
    }
    out.ok = true;
    return out;
}

}  // namespace qor::potentiostat
