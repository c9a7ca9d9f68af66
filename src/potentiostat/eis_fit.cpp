#include "potentiostat/eis_fit.h"

#include "potentiostat/kk_check.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <unsupported/Eigen/LevenbergMarquardt>

namespace qor::potentiostat {
namespace {

using cd = std::complex<double>;
constexpr double kPi = std::numbers::pi;

bool Usable(const ImpedancePoint& p)
{
    return std::isfinite(p.hz) && p.hz > 0.0 && std::isfinite(p.z.real()) && std::isfinite(p.z.imag()) &&
           std::abs(p.z) > 0.0;
}

// The solver's variables: ln p for every parameter, u with n = sin^2 u for a CPE's exponent.
double ToVariable(const CircuitModel::Parameter& k, double v)
{
    return k.exponent ? std::asin(std::sqrt(std::clamp(v, 0.0, 1.0))) : std::log(v);
}
double FromVariable(const CircuitModel::Parameter& k, double x)
{
    return k.exponent ? std::sin(x) * std::sin(x) : std::exp(x);
}
// d p / d x
double Slope(const CircuitModel::Parameter& k, double x, double p)
{
    return k.exponent ? std::sin(2.0 * x) : p;
}

// The weighted residuals over the solver's variables, for Eigen's Levenberg-Marquardt.
struct Residuals : Eigen::DenseFunctor<double> {
    const CircuitModel& circuit;
    std::vector<ImpedancePoint> pts;
    std::vector<double> weight;  // 1 / |Z|
    mutable std::vector<cd> d;

    Residuals(const std::vector<ImpedancePoint>& points, const CircuitModel& c)
        : DenseFunctor(static_cast<int>(c.ParameterCount()), static_cast<int>(2 * points.size())), circuit(c),
          pts(points)
    {
        for (const auto& p : points)
            weight.push_back(1.0 / std::abs(p.z));
    }

    std::vector<double> Params(const InputType& x) const
    {
        std::vector<double> p(static_cast<std::size_t>(x.size()));
        for (std::size_t k = 0; k < p.size(); ++k)
            p[k] = FromVariable(circuit.Parameters()[k], x[static_cast<Eigen::Index>(k)]);
        return p;
    }

    int operator()(const InputType& x, ValueType& out) const
    {
        const std::vector<double> p = Params(x);
        const auto n = static_cast<Eigen::Index>(pts.size());
        for (Eigen::Index i = 0; i < n; ++i) {
            const auto u = static_cast<std::size_t>(i);
            const cd r = (circuit.Impedance(p, pts[u].hz) - pts[u].z) * weight[u];
            out[i] = r.real();
            out[n + i] = r.imag();
        }
        return 0;
    }

    // d r / d p, times d p / d x unless `natural`.
    void Jacobian(const std::vector<double>& p, const InputType* x, JacobianType& jac) const
    {
        const auto n = static_cast<Eigen::Index>(pts.size());
        for (Eigen::Index i = 0; i < n; ++i) {
            const auto u = static_cast<std::size_t>(i);
            circuit.Impedance(p, pts[u].hz, &d);
            for (std::size_t k = 0; k < p.size(); ++k) {
                const auto kk = static_cast<Eigen::Index>(k);
                const double chain = x ? Slope(circuit.Parameters()[k], (*x)[kk], p[k]) : 1.0;
                const cd g = d[k] * chain * weight[u];
                jac(i, kk) = g.real();
                jac(n + i, kk) = g.imag();
            }
        }
    }

    int df(const InputType& x, JacobianType& jac) const
    {
        Jacobian(Params(x), &x, jac);
        return 0;
    }
};

// One solver run from `start`; false when it did not settle.
bool Solve(const Residuals& f, const std::vector<double>& start, CircuitFit& fit)
{
    const auto& params = fit.circuit.Parameters();
    Eigen::VectorXd x(static_cast<Eigen::Index>(start.size()));
    for (std::size_t k = 0; k < start.size(); ++k)
        x[static_cast<Eigen::Index>(k)] = ToVariable(params[k], start[k]);
    Residuals g = f;
    Eigen::LevenbergMarquardt<Residuals> lm(g);
    lm.setFtol(1e-12);
    lm.setXtol(1e-12);
    lm.setGtol(0.0);
    lm.setMaxfev(4000);
    const auto info = lm.minimize(x);
    using namespace Eigen::LevenbergMarquardtSpace;
    if (info == ImproperInputParameters || info == TooManyFunctionEvaluation || info == UserAsked ||
        !x.allFinite())
        return false;
    Eigen::VectorXd r(f.values());
    f(x, r);
    const double chi2 = r.squaredNorm();
    if (!std::isfinite(chi2))
        return false;
    fit.iterations = static_cast<int>(lm.nfev());
    fit.chi2 = chi2;
    fit.value = f.Params(x);
    fit.start = start;
    return true;
}

// Standard errors and correlations of the natural parameters at the solution. Columns are
// scaled to unit length first so that parameters of very different size stay accurate.
void Errors(const Residuals& f, CircuitFit& fit)
{
    const std::size_t np = fit.value.size();
    const auto n = static_cast<Eigen::Index>(np);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    fit.standardError.assign(np, std::numeric_limits<double>::infinity());
    fit.correlation.assign(np, std::vector<double>(np, nan));
    Eigen::MatrixXd jac(f.values(), n);
    f.Jacobian(fit.value, nullptr, jac);
    const Eigen::VectorXd norms = jac.colwise().norm().transpose();
    if (!(norms.array() > 0.0).all() || !norms.allFinite())
        return;
    const Eigen::MatrixXd js = jac * norms.cwiseInverse().asDiagonal();
    const Eigen::LDLT<Eigen::MatrixXd> ldlt(js.transpose() * js);
    const Eigen::MatrixXd inv = ldlt.solve(Eigen::MatrixXd::Identity(n, n));
    if (ldlt.info() != Eigen::Success || !ldlt.isPositive() || !inv.allFinite() ||
        !(ldlt.vectorD().minCoeff() > 1e-14 * ldlt.vectorD().maxCoeff()))
        return;
    for (Eigen::Index i = 0; i < n; ++i) {
        const auto u = static_cast<std::size_t>(i);
        fit.standardError[u] = std::sqrt(fit.reducedChi2 * inv(i, i)) / norms[i];
        for (Eigen::Index j = 0; j < n; ++j)
            fit.correlation[u][static_cast<std::size_t>(j)] = inv(i, j) / std::sqrt(inv(i, i) * inv(j, j));
    }
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

CircuitFit FitCircuit(const std::vector<ImpedancePoint>& points, const CircuitModel& circuit,
                      std::optional<double> noise)
{
    CircuitFit fit;
    fit.circuit = circuit;
    std::vector<ImpedancePoint> pts;
    std::copy_if(points.begin(), points.end(), std::back_inserter(pts), Usable);
    std::stable_sort(pts.begin(), pts.end(), [](const auto& a, const auto& b) { return a.hz < b.hz; });
    fit.points = pts.size();
    const std::size_t np = circuit.ParameterCount();
    if (pts.empty()) {
        fit.status = CircuitFit::NoPoints;
        return fit;
    }
    if (pts.size() < np) {
        fit.status = CircuitFit::TooFewPoints;
        return fit;
    }
    std::vector<double> w;
    std::vector<cd> z;
    for (const auto& p : pts) {
        w.push_back(2.0 * kPi * p.hz);
        z.push_back(p.z);
    }
    const Residuals f(pts, circuit);
    // Every order of the blocks' time constants, up to three blocks; beyond, the string's.
    std::vector<std::size_t> order(circuit.Blocks());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    CircuitFit best = fit;
    bool any = false;
    do {
        CircuitFit trial = fit;
        if (Solve(f, circuit.StartValues(w, z, order), trial) && (!any || trial.chi2 < best.chi2)) {
            best = std::move(trial);
            any = true;
        }
    } while (order.size() <= 3 && std::next_permutation(order.begin(), order.end()));
    if (!any) {
        fit.start = circuit.StartValues(w, z, {});
        fit.status = CircuitFit::NoConvergence;
        return fit;
    }
    fit = std::move(best);
    fit.status = CircuitFit::Ok;
    fit.reducedChi2 = 2 * pts.size() > np ? fit.chi2 / static_cast<double>(2 * pts.size() - np) : 0.0;
    Errors(f, fit);
    fit.effectiveCapacitance = circuit.EffectiveCapacitances(fit.value);
    for (const auto& p : pts) {
        const cd r = (p.z - fit.Impedance(p.hz)) / std::abs(p.z);
        fit.residualHz.push_back(p.hz);
        fit.residualReal.push_back(r.real());
        fit.residualImag.push_back(r.imag());
    }
    // The data's own scatter, from a model that assumes nothing but causality.
    if (noise) {
        fit.noise = *noise;
    } else {
        const KKCheck kk = CheckKramersKronig(pts);
        fit.noise = kk.ok ? kk.noise : 0.0;
    }
    fit.poor =
        std::sqrt(fit.reducedChi2) > CircuitFit::kPoorFactor * std::max(fit.noise, CircuitFit::kNoiseFloor);
    return fit;
}

}  // namespace qor::potentiostat
