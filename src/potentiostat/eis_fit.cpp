#include "potentiostat/eis_fit.h"

#include <Eigen/Dense>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <unsupported/Eigen/LevenbergMarquardt>

namespace qor::potentiostat {
namespace {

using cd = std::complex<double>;
constexpr double kPi = std::numbers::pi;
constexpr std::size_t kMaxParams = 5;  // Rs, Rct, Q, n, sigma in this order

std::array<double, kMaxParams> AsArray(const CircuitParameters& p)
{
    return {p.rs, p.rct, p.q, p.n, p.sigma};
}

CircuitParameters FromArray(const std::array<double, kMaxParams>& a)
{
    return {a[0], a[1], a[2], a[3], a[4]};
}

bool Usable(const ImpedancePoint& p)
{
    return std::isfinite(p.hz) && p.hz > 0.0 && std::isfinite(p.z.real()) && std::isfinite(p.z.imag()) &&
           std::abs(p.z) > 0.0;
}

// The model and its derivatives by each parameter (in the order of AsArray).
cd ModelWithDerivatives(Circuit c, const CircuitParameters& p, double hz, std::array<cd, kMaxParams>* d)
{
    const double w = 2.0 * kPi * hz;
    const cd jw(0.0, w);
    const cd cpe = std::pow(jw, p.n);  // (jw)^n = w^n e^(j n pi/2)
    const cd warburg = c == Circuit::RandlesW ? p.sigma * cd(1.0, -1.0) / std::sqrt(w) : cd(0.0);
    const cd branch = p.rct + warburg;
    const cd y = p.q * cpe + 1.0 / branch;
    if (d) {
        const cd dzdy = -1.0 / (y * y);
        const cd dydBranch = -1.0 / (branch * branch);
        (*d)[0] = 1.0;
        (*d)[1] = dzdy * dydBranch;
        (*d)[2] = dzdy * cpe;
        (*d)[3] = dzdy * p.q * cpe * cd(std::log(w), kPi / 2.0);
        (*d)[4] = c == Circuit::RandlesW ? dzdy * dydBranch * cd(1.0, -1.0) / std::sqrt(w) : cd(0.0);
    }
    return p.rs + 1.0 / y;
}

// The weighted residuals over the log-parameters, for Eigen's Levenberg-Marquardt.
struct Residuals : Eigen::DenseFunctor<double> {
    const std::vector<ImpedancePoint>& pts;
    Circuit circuit;

    Residuals(const std::vector<ImpedancePoint>& points, Circuit c)
        : DenseFunctor(static_cast<int>(ParameterCount(c)), static_cast<int>(2 * points.size())), pts(points),
          circuit(c)
    {
    }

    CircuitParameters Params(const InputType& x) const
    {
        std::array<double, kMaxParams> a{0.0, 0.0, 0.0, 1.0, 0.0};
        for (Eigen::Index k = 0; k < x.size(); ++k)
            a[static_cast<std::size_t>(k)] = std::exp(x[k]);
        return FromArray(a);
    }

    int operator()(const InputType& x, ValueType& f) const
    {
        const CircuitParameters p = Params(x);
        const auto n = static_cast<Eigen::Index>(pts.size());
        for (Eigen::Index i = 0; i < n; ++i) {
            const auto& m = pts[static_cast<std::size_t>(i)];
            const cd r = (ModelWithDerivatives(circuit, p, m.hz, nullptr) - m.z) / std::abs(m.z);
            f[i] = r.real();
            f[n + i] = r.imag();
        }
        return 0;
    }

    // d r / d ln(p) = d r / d p * p
    int df(const InputType& x, JacobianType& jac) const
    {
        const CircuitParameters p = Params(x);
        const auto a = AsArray(p);
        const auto n = static_cast<Eigen::Index>(pts.size());
        std::array<cd, kMaxParams> d;
        for (Eigen::Index i = 0; i < n; ++i) {
            const auto& m = pts[static_cast<std::size_t>(i)];
            ModelWithDerivatives(circuit, p, m.hz, &d);
            const double scale = 1.0 / std::abs(m.z);
            for (Eigen::Index k = 0; k < x.size(); ++k) {
                const cd g = d[static_cast<std::size_t>(k)] * a[static_cast<std::size_t>(k)] * scale;
                jac(i, k) = g.real();
                jac(n + i, k) = g.imag();
            }
        }
        return 0;
    }
};

// Index of the highest -Z'' among the points that top both neighbours (the arc's apex);
// the highest point overall when no point does.
std::size_t Apex(const std::vector<ImpedancePoint>& byFrequency)
{
    auto height = [&](std::size_t i) { return -byFrequency[i].z.imag(); };
    std::size_t best = 0;
    bool found = false;
    for (std::size_t i = 1; i + 1 < byFrequency.size(); ++i)
        if (height(i) >= height(i - 1) && height(i) >= height(i + 1) &&
            (!found || height(i) > height(best))) {
            best = i;
            found = true;
        }
    if (!found)
        for (std::size_t i = 1; i < byFrequency.size(); ++i)
            if (height(i) > height(best))
                best = i;
    return best;
}

std::vector<ImpedancePoint> UsablePoints(const std::vector<ImpedancePoint>& points)
{
    std::vector<ImpedancePoint> out;
    std::copy_if(points.begin(), points.end(), std::back_inserter(out), Usable);
    return out;
}

}  // namespace

ImpedancePoint ToImpedance(const data::CEISDatenObject& p)
{
    return {double{p.m_val1}, std::polar(double{p.m_val3}, double{p.m_val2} * kPi / 180.0)};
}

std::vector<ImpedancePoint> ToImpedance(const std::vector<data::CEISDatenObject>& list)
{
    std::vector<ImpedancePoint> out;
    out.reserve(list.size());
    for (const auto& p : list)
        out.push_back(ToImpedance(p));
    return out;
}

std::vector<NyquistPoint> NyquistPoints(const std::vector<ImpedancePoint>& points)
{
    std::vector<NyquistPoint> out;
    out.reserve(points.size());
    for (const auto& p : points)
        out.push_back({p.z.real(), -p.z.imag()});
    return out;
}

const char* CircuitName(Circuit c)
{
    return c == Circuit::RandlesW ? "randles-w" : "randles";
}

std::optional<Circuit> CircuitFromName(std::string_view name)
{
    if (name == "randles")
        return Circuit::Randles;
    if (name == "randles-w")
        return Circuit::RandlesW;
    return std::nullopt;
}

std::size_t ParameterCount(Circuit c)
{
    return c == Circuit::RandlesW ? 5 : 4;
}

std::complex<double> CircuitImpedance(Circuit c, const CircuitParameters& p, double hz)
{
    return ModelWithDerivatives(c, p, hz, nullptr);
}

CircuitParameters StartValues(const std::vector<ImpedancePoint>& points, Circuit circuit)
{
    std::vector<ImpedancePoint> pts = UsablePoints(points);
    CircuitParameters s;
    s.n = 0.9;
    if (pts.empty())
        return s;
    std::sort(pts.begin(), pts.end(), [](const auto& a, const auto& b) { return a.hz < b.hz; });
    double maxAbs = 0.0;
    for (const auto& p : pts)
        maxAbs = std::max(maxAbs, std::abs(p.z));
    const double floor = 1e-3 * maxAbs;
    // The arc starts at Rs at high frequencies and ends at Rs + Rct at low ones.
    s.rs = std::max(pts.back().z.real(), floor);
    const ImpedancePoint& low = pts.front();
    const double wLow = 2.0 * kPi * low.hz;
    double rest = low.z.real() - s.rs;
    if (rest <= floor)
        rest = std::max(maxAbs - s.rs, floor);
    if (circuit == Circuit::RandlesW) {
        // At the lowest frequency the Warburg branch dominates: -Z'' ~ sigma / sqrt(w). Half of
        // the real part beyond Rs stays for Rct at least.
        const double sigma = std::max(-low.z.imag(), 0.0) * std::sqrt(wLow);
        s.sigma = std::clamp(sigma, 1e-3 * rest * std::sqrt(wLow), 0.5 * rest * std::sqrt(wLow));
        rest -= s.sigma / std::sqrt(wLow);
    }
    s.rct = rest;
    // The apex of a parallel R-CPE lies where Rct Q w^n = 1.
    const double wApex = 2.0 * kPi * pts[Apex(pts)].hz;
    s.q = 1.0 / (s.rct * std::pow(wApex, s.n));
    return s;
}

CircuitFit FitCircuit(const std::vector<ImpedancePoint>& points, Circuit circuit)
{
    CircuitFit fit;
    fit.circuit = circuit;
    const std::vector<ImpedancePoint> pts = UsablePoints(points);
    fit.points = pts.size();
    const std::size_t np = ParameterCount(circuit);
    if (pts.empty()) {
        fit.status = CircuitFit::NoPoints;
        return fit;
    }
    if (pts.size() < np) {
        fit.status = CircuitFit::TooFewPoints;
        return fit;
    }
    fit.start = StartValues(pts, circuit);

    Residuals f(pts, circuit);
    const auto start = AsArray(fit.start);
    Eigen::VectorXd x(static_cast<Eigen::Index>(np));
    for (Eigen::Index k = 0; k < x.size(); ++k)
        x[k] = std::log(start[static_cast<std::size_t>(k)]);
    Eigen::LevenbergMarquardt<Residuals> lm(f);
    lm.setFtol(1e-12);
    lm.setXtol(1e-12);
    lm.setGtol(0.0);
    lm.setMaxfev(2000);
    const auto info = lm.minimize(x);
    fit.iterations = static_cast<int>(lm.nfev());
    fit.value = f.Params(x);

    using namespace Eigen::LevenbergMarquardtSpace;
    const bool settled =
        info != ImproperInputParameters && info != TooManyFunctionEvaluation && info != UserAsked;
    Eigen::VectorXd r(f.values());
    f(x, r);
    fit.chi2 = r.squaredNorm();
    if (!settled || !x.allFinite() || !std::isfinite(fit.chi2)) {
        fit.status = CircuitFit::NoConvergence;
        return fit;
    }
    fit.status = CircuitFit::Ok;

    // Covariance of the log-parameters; to first order se(p) = p se(ln p). Columns are
    // scaled to unit length first so that parameters of very different size stay accurate.
    Eigen::MatrixXd jac(f.values(), f.inputs());
    f.df(x, jac);
    const Eigen::VectorXd norms = jac.colwise().norm().transpose();
    std::array<double, kMaxParams> se{};
    se.fill(std::numeric_limits<double>::infinity());
    if ((norms.array() > 0.0).all()) {
        const Eigen::MatrixXd js = jac * norms.cwiseInverse().asDiagonal();
        const Eigen::LDLT<Eigen::MatrixXd> ldlt(js.transpose() * js);
        const double s2 = fit.chi2 / static_cast<double>(2 * pts.size() - np);
        const Eigen::MatrixXd inv = ldlt.solve(Eigen::MatrixXd::Identity(f.inputs(), f.inputs()));
        if (ldlt.info() == Eigen::Success && ldlt.isPositive() && inv.allFinite() &&
            ldlt.vectorD().minCoeff() > 1e-14 * ldlt.vectorD().maxCoeff()) {
            const auto value = AsArray(fit.value);
            for (std::size_t k = 0; k < np; ++k) {
                const auto kk = static_cast<Eigen::Index>(k);
                se[k] = value[k] * std::sqrt(s2 * inv(kk, kk)) / norms[kk];
            }
        }
    }
    if (circuit == Circuit::Randles)
        se[4] = 0.0;
    fit.standardError = FromArray(se);
    return fit;
}

}  // namespace qor::potentiostat
